// Apertium's APy server: rule-based translation on this computer, the lines of a batch in one "q"
// separated by line feeds, unknown words left unmarked. Without an address, velmora runs its own
// apertium-apy with the installed pairs.
#pragma once

#include "translate/apertium_server.h"
#include "translate/translation_service.h"

#include <memory>

class ApertiumService final : public TranslationService {
public:
    // A server at `address`; or, with an empty address, `server`, started on first use.
    ApertiumService(QUrl address, std::shared_ptr<ApertiumServer> server = {});

    QString name() const override { return QStringLiteral("Apertium"); }
    QUrl baseUrl() const override;
    BatchLimit batchLimit() const override { return {50, 64 * 1024}; }
    std::optional<ServiceRequest> languagesRequest() const override;
    std::optional<ServiceLanguages> readLanguages(QByteArrayView answer) const override;
    std::optional<UserMessage> prepare(std::stop_token stop) override;

    ServiceRequest buildRequest(const ServiceBatch& batch, const LanguagePair& pair) const override;
    BatchAnswer readAnswer(const TransportReply& reply, const ServiceBatch& batch) const override;

private:
    QUrl m_address;
    std::shared_ptr<ApertiumServer> m_server;
};
