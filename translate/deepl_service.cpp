// DeepL's /v2/languages and /v2/translate.
#include "translate/deepl_service.h"

#include "translate/translate_messages.h"

#include <QJsonArray>
#include <QJsonDocument>

DeepLService::DeepLService(QString key, QUrl address)
    : m_key(std::move(key)), m_address(address.isEmpty() ? hostForKey(m_key) : std::move(address)) {}

QUrl DeepLService::hostForKey(const QString& key) {
    return QUrl(key.trimmed().endsWith(QStringLiteral(":fx")) ? QStringLiteral("https://api-free.deepl.com")
                                                              : QStringLiteral("https://api.deepl.com"));
}

QString DeepLService::sourceCode(const QString& tableCode) {
    if (tableCode == u"auto")
        return {};
    return service::isoLanguage(tableCode).section(u'-', 0, 0).toUpper();
}

QString DeepLService::targetCode(const QString& tableCode) {
    const QString code = sourceCode(tableCode);
    if (code == u"EN")
        return QStringLiteral("EN-US");
    if (code == u"PT")
        return QStringLiteral("PT-PT");
    return code;
}

std::optional<ServiceRequest> DeepLService::languagesRequest() const {
    return ServiceRequest{"GET",
                          service::join(m_address, QStringLiteral("/v2/languages?type=target")),
                          {{"Authorization", "DeepL-Auth-Key " + m_key.toUtf8()}},
                          {}};
}

std::optional<ServiceLanguages> DeepLService::readLanguages(QByteArrayView answer) const {
    const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromRawData(answer.data(), answer.size()));
    if (!doc.isArray())
        return std::nullopt;
    ServiceLanguages languages;
    for (const QJsonValue& entry : doc.array()) {
        const ServiceLanguage language{entry[QStringLiteral("language")].toString(),
                                       entry[QStringLiteral("name")].toString()};
        if (!language.code.isEmpty())
            languages.targets.append(language);
    }
    return languages;
}

ServiceRequest DeepLService::buildRequest(const ServiceBatch& batch, const LanguagePair& pair) const {
    QList<std::pair<QByteArray, QString>> fields;
    for (const QString& line : batch.lines)
        fields.append({"text", line});
    fields.append({"target_lang", targetCode(pair.target)});
    if (const QString source = sourceCode(pair.source); !source.isEmpty())
        fields.append({"source_lang", source});
    return ServiceRequest{"POST",
                          service::join(m_address, QStringLiteral("/v2/translate")),
                          {{"Authorization", "DeepL-Auth-Key " + m_key.toUtf8()},
                           {"Content-Type", "application/x-www-form-urlencoded"}},
                          service::formBody(fields)};
}

BatchAnswer DeepLService::readAnswer(const TransportReply& reply, const ServiceBatch& batch) const {
    if (std::optional<BatchAnswer> failure = service::statusFailure(reply, name()))
        return *failure;
    const std::optional<QJsonObject> object = service::jsonObject(reply.body);
    const QJsonValue translations = object ? object->value(QStringLiteral("translations")) : QJsonValue();
    if (!translations.isArray())
        return {{}, reply.body.isEmpty() ? emptyAnswerMessage() : translatorUnavailableMessage()};
    QStringList pieces;
    for (const QJsonValue& translation : translations.toArray()) {
        const QJsonValue text = translation[QStringLiteral("text")];
        if (!text.isString())
            return {{}, linesMismatchMessage(), true};
        pieces.append(text.toString());
    }
    return service::checkedPieces(std::move(pieces), batch);
}
