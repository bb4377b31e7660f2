// APy's /listPairs and /translate.
#include "translate/apertium_service.h"

#include "translate/translate_messages.h"

#include <QJsonArray>

ApertiumService::ApertiumService(QUrl address, std::shared_ptr<ApertiumServer> server)
    : m_address(std::move(address)), m_server(std::move(server)) {}

QUrl ApertiumService::baseUrl() const {
    if (m_address.isEmpty() && m_server)
        return m_server->url();
    return m_address;
}

std::optional<UserMessage> ApertiumService::prepare(std::stop_token stop) {
    if (!m_address.isEmpty() || !m_server)
        return std::nullopt;
    if (std::optional<QString> why = m_server->ensureRunning(stop))
        return engineNotStartedMessage(name(), *why);
    return std::nullopt;
}

std::optional<ServiceRequest> ApertiumService::languagesRequest() const {
    return ServiceRequest{"GET", service::join(baseUrl(), QStringLiteral("/listPairs")), {}, {}};
}

std::optional<ServiceLanguages> ApertiumService::readLanguages(QByteArrayView answer) const {
    const std::optional<QJsonObject> object = service::jsonObject(answer);
    if (!object)
        return std::nullopt;
    ServiceLanguages languages;
    for (const QJsonValue& pair : object->value(QStringLiteral("responseData")).toArray()) {
        const QString source = pair[QStringLiteral("sourceLanguage")].toString();
        const QString target = pair[QStringLiteral("targetLanguage")].toString();
        if (source.isEmpty() || target.isEmpty())
            continue;
        languages.pairs.append({source, target});
        if (!std::any_of(languages.sources.begin(), languages.sources.end(),
                         [&](const ServiceLanguage& l) { return l.code == source; }))
            languages.sources.append({source, {}});
        if (!std::any_of(languages.targets.begin(), languages.targets.end(),
                         [&](const ServiceLanguage& l) { return l.code == target; }))
            languages.targets.append({target, {}});
    }
    return languages;
}

ServiceRequest ApertiumService::buildRequest(const ServiceBatch& batch, const LanguagePair& pair) const {
    // Line feeds separate the lines; one inside a line would split it in two.
    QStringList lines = batch.lines;
    for (QString& line : lines)
        line.replace(u'\n', u' ');
    ServiceRequest request;
    request.url = service::join(baseUrl(), QStringLiteral("/translate"));
    request.headers = {{"Content-Type", "application/x-www-form-urlencoded"}};
    // APy takes two-letter codes as well as its own three-letter ones; "format=txt" keeps it from
    // reading "<" and "&" as markup.
    request.body = service::formBody({
        {"langpair", service::isoLanguage(pair.source) + u'|' + service::isoLanguage(pair.target)},
        {"q", lines.join(u'\n')},
        {"markUnknown", QStringLiteral("no")},
        {"format", QStringLiteral("txt")},
    });
    return request;
}

BatchAnswer ApertiumService::readAnswer(const TransportReply& reply, const ServiceBatch& batch) const {
    if (std::optional<BatchAnswer> failure = service::statusFailure(reply, name()))
        return *failure;
    const std::optional<QJsonObject> object = service::jsonObject(reply.body);
    const QJsonValue text =
        object ? object->value(QStringLiteral("responseData"))[QStringLiteral("translatedText")]
               : QJsonValue();
    if (!text.isString())
        return {{}, reply.body.isEmpty() ? emptyAnswerMessage() : translatorUnavailableMessage()};
    if (text.toString().size() > kMaxAnswerTextChars)
        return {{}, answerTooLongMessage()};
    QStringList pieces = text.toString().split(u'\n');
    // A batch of one line is whole whatever it holds.
    if (batch.lines.size() == 1)
        pieces = QStringList{pieces.join(u' ')};
    return service::checkedPieces(std::move(pieces), batch);
}
