// A LibreTranslate server (self-hosted or a provider's): the batch as a JSON array of texts, an
// optional API key.
#pragma once

#include "translate/translation_service.h"

class LibreTranslateService final : public TranslationService {
public:
    LibreTranslateService(QUrl address, QString apiKey = {});

    QString name() const override { return QStringLiteral("LibreTranslate"); }
    QUrl baseUrl() const override { return m_address; }
    std::optional<ServiceRequest> languagesRequest() const override;
    std::optional<ServiceLanguages> readLanguages(QByteArrayView answer) const override;

    ServiceRequest buildRequest(const ServiceBatch& batch, const LanguagePair& pair) const override;
    BatchAnswer readAnswer(const TransportReply& reply, const ServiceBatch& batch) const override;

private:
    QUrl m_address;
    QString m_apiKey;
};
