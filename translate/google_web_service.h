// The free web endpoint of Google's translator: a form body of carriage-return-joined lines, an
// answer of JSON segment arrays, ten seconds between batches so as not to be taken for a robot.
#pragma once

#include "translate/translation_service.h"

class GoogleWebService final : public TranslationService {
public:
    // An empty address means the real service.
    explicit GoogleWebService(QUrl baseUrl = {});

    QString name() const override { return QStringLiteral("Google Translate"); }
    QUrl baseUrl() const override { return m_baseUrl; }
    BatchLimit batchLimit() const override;
    std::chrono::milliseconds pause() const override { return std::chrono::milliseconds(10000); }
    // Its request is the form the endpoint has always taken; its answer's repair mends the tags
    // the service damages.
    bool protectsTags() const override { return false; }
    // The language table is this service's own.
    ServiceLanguages fixedLanguages() const override;

    ServiceRequest buildRequest(const ServiceBatch& batch, const LanguagePair& pair) const override;
    BatchAnswer readAnswer(const TransportReply& reply, const ServiceBatch& batch) const override;

private:
    QUrl m_baseUrl;
};
