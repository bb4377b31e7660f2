// LibreTranslate's /languages and /translate.
#include "translate/libre_translate_service.h"

#include "translate/translate_messages.h"

#include <QJsonArray>
#include <QJsonDocument>

LibreTranslateService::LibreTranslateService(QUrl address, QString apiKey)
    : m_address(std::move(address)), m_apiKey(std::move(apiKey)) {}

std::optional<ServiceRequest> LibreTranslateService::languagesRequest() const {
    return ServiceRequest{"GET", service::join(m_address, QStringLiteral("/languages")), {}, {}};
}

std::optional<ServiceLanguages> LibreTranslateService::readLanguages(QByteArrayView answer) const {
    const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromRawData(answer.data(), answer.size()));
    if (!doc.isArray())
        return std::nullopt;
    ServiceLanguages languages;
    for (const QJsonValue& entry : doc.array()) {
        const ServiceLanguage language{entry[QStringLiteral("code")].toString(),
                                       entry[QStringLiteral("name")].toString()};
        if (language.code.isEmpty())
            continue;
        languages.sources.append(language);
        languages.targets.append(language);
        for (const QJsonValue& target : entry[QStringLiteral("targets")].toArray())
            languages.pairs.append({language.code, target.toString()});
    }
    return languages;
}

ServiceRequest LibreTranslateService::buildRequest(const ServiceBatch& batch,
                                                   const LanguagePair& pair) const {
    QJsonObject body{
        {QStringLiteral("q"), QJsonArray::fromStringList(batch.lines)},
        {QStringLiteral("source"), service::isoLanguage(pair.source)},
        {QStringLiteral("target"), service::isoLanguage(pair.target)},
        {QStringLiteral("format"), QStringLiteral("text")},
    };
    if (!m_apiKey.isEmpty())
        body.insert(QStringLiteral("api_key"), m_apiKey);
    return ServiceRequest{"POST",
                          service::join(m_address, QStringLiteral("/translate")),
                          {{"Content-Type", "application/json"}},
                          QJsonDocument(body).toJson(QJsonDocument::Compact)};
}

BatchAnswer LibreTranslateService::readAnswer(const TransportReply& reply, const ServiceBatch& batch) const {
    if (std::optional<BatchAnswer> failure = service::statusFailure(reply, name()))
        return *failure;
    const std::optional<QJsonObject> object = service::jsonObject(reply.body);
    const QJsonValue translated = object ? object->value(QStringLiteral("translatedText")) : QJsonValue();
    if (!translated.isArray())
        return {{}, reply.body.isEmpty() ? emptyAnswerMessage() : translatorUnavailableMessage()};
    QStringList pieces;
    for (const QJsonValue& piece : translated.toArray()) {
        if (!piece.isString())
            return {{}, linesMismatchMessage(), true};
        pieces.append(piece.toString());
    }
    return service::checkedPieces(std::move(pieces), batch);
}
