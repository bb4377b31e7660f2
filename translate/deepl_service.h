// The DeepL API: repeated "text" fields, the key in the DeepL-Auth-Key header, the free-plan host
// for keys ending in ":fx" and the paid one for the others.
#pragma once

#include "translate/translation_service.h"

class DeepLService final : public TranslationService {
public:
    // `address` replaces the host the key chooses (a test's loopback server).
    explicit DeepLService(QString key, QUrl address = {});

    // api-free.deepl.com or api.deepl.com, as the key says.
    static QUrl hostForKey(const QString& key);
    // DeepL's codes: upper case, with the variant some targets need ("EN-US", "PT-PT").
    static QString sourceCode(const QString& tableCode);
    static QString targetCode(const QString& tableCode);

    QString name() const override { return QStringLiteral("DeepL"); }
    QUrl baseUrl() const override { return m_address; }
    BatchLimit batchLimit() const override { return {50, 100 * 1024}; }
    std::optional<ServiceRequest> languagesRequest() const override;
    std::optional<ServiceLanguages> readLanguages(QByteArrayView answer) const override;

    ServiceRequest buildRequest(const ServiceBatch& batch, const LanguagePair& pair) const override;
    BatchAnswer readAnswer(const TransportReply& reply, const ServiceBatch& batch) const override;

private:
    QString m_key;
    QUrl m_address;
};
