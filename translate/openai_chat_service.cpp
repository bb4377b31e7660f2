// The chat request, and reading the numbered lines back out of what the model wrote.
#include "translate/openai_chat_service.h"

#include "translate/google_web_service.h"
#include "translate/translate_messages.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace {
// Said once per request; the model answers in the same shape every time.
constexpr char kInstruction[] =
    "You translate film subtitles from %1 to %2. The user sends a JSON object: \"lines\" holds the "
    "numbered subtitle lines to translate; \"context_before\" and \"context_after\" hold the entries "
    "around them, only to help you understand - do not translate them. Keep every marker such as "
    "\u27E61\u27E7 exactly as it is. Answer with a JSON array and nothing else: one object "
    "{\"n\": <number>, \"text\": \"<translation>\"} per line, every number exactly once.";

QString languageFor(const QString& tableCode) {
    return tableCode == u"auto" ? QStringLiteral("the language they are written in")
                                : service::languageName(tableCode);
}

// The first JSON array in the model's text: models wrap it in prose or code fences.
std::optional<QJsonArray> firstArray(const QString& content) {
    const QByteArray text = content.toUtf8();
    for (qsizetype open = text.indexOf('['); open >= 0; open = text.indexOf('[', open + 1)) {
        const qsizetype close = text.lastIndexOf(']');
        if (close <= open)
            break;
        QJsonParseError error{};
        const QJsonDocument doc = QJsonDocument::fromJson(text.mid(open, close - open + 1), &error);
        if (error.error == QJsonParseError::NoError && doc.isArray())
            return doc.array();
    }
    return std::nullopt;
}
} // namespace

OpenAiChatService::OpenAiChatService(QUrl address, QString model, QString apiKey)
    : m_address(std::move(address)), m_model(std::move(model)), m_apiKey(std::move(apiKey)) {}

ServiceLanguages OpenAiChatService::fixedLanguages() const {
    return GoogleWebService().fixedLanguages();
}

QList<std::pair<QByteArray, QByteArray>> OpenAiChatService::headers() const {
    QList<std::pair<QByteArray, QByteArray>> list{{"Content-Type", "application/json"}};
    if (!m_apiKey.isEmpty())
        list.append({"Authorization", "Bearer " + m_apiKey.toUtf8()});
    return list;
}

ServiceRequest OpenAiChatService::modelsRequest() const {
    return ServiceRequest{"GET", service::join(m_address, QStringLiteral("/models")), headers(), {}};
}

std::optional<QStringList> OpenAiChatService::readModels(QByteArrayView answer) {
    const std::optional<QJsonObject> object = service::jsonObject(answer);
    if (!object || !object->value(QStringLiteral("data")).isArray())
        return std::nullopt;
    QStringList models;
    for (const QJsonValue& model : object->value(QStringLiteral("data")).toArray())
        if (const QString id = model[QStringLiteral("id")].toString(); !id.isEmpty())
            models.append(id);
    return models;
}

ServiceRequest OpenAiChatService::buildRequest(const ServiceBatch& batch, const LanguagePair& pair) const {
    QJsonArray lines;
    qsizetype characters = 0;
    for (qsizetype k = 0; k < batch.lines.size(); ++k) {
        lines.append(
            QJsonObject{{QStringLiteral("n"), int(k + 1)}, {QStringLiteral("text"), batch.lines[k]}});
        characters += batch.lines[k].size();
    }
    const QJsonObject user{
        {QStringLiteral("context_before"), QJsonArray::fromStringList(batch.before)},
        {QStringLiteral("lines"), lines},
        {QStringLiteral("context_after"), QJsonArray::fromStringList(batch.after)},
    };
    const QString instruction =
        QString::fromUtf8(kInstruction).arg(languageFor(pair.source), service::languageName(pair.target));
    // Room for the translation in any script and the JSON around it; a model that goes on past
    // that is cut off, which reads as an answer that does not line up.
    const qsizetype maxTokens = std::min<qsizetype>(8192, 256 + 3 * characters + 16 * batch.lines.size());
    const QJsonObject body{
        {QStringLiteral("model"), m_model},
        {QStringLiteral("temperature"), 0},
        {QStringLiteral("max_tokens"), int(maxTokens)},
        {QStringLiteral("messages"),
         QJsonArray{QJsonObject{{QStringLiteral("role"), QStringLiteral("system")},
                                {QStringLiteral("content"), instruction}},
                    QJsonObject{{QStringLiteral("role"), QStringLiteral("user")},
                                {QStringLiteral("content"),
                                 QString::fromUtf8(QJsonDocument(user).toJson(QJsonDocument::Compact))}}}},
    };
    return ServiceRequest{"POST", service::join(m_address, QStringLiteral("/chat/completions")), headers(),
                          QJsonDocument(body).toJson(QJsonDocument::Compact)};
}

BatchAnswer OpenAiChatService::readAnswer(const TransportReply& reply, const ServiceBatch& batch) const {
    if (std::optional<BatchAnswer> failure = service::statusFailure(reply, name()))
        return *failure;
    const std::optional<QJsonObject> object = service::jsonObject(reply.body);
    const QJsonValue choice = object ? object->value(QStringLiteral("choices"))[0] : QJsonValue();
    const QJsonValue content = choice[QStringLiteral("message")][QStringLiteral("content")];
    if (!content.isString())
        return {{}, reply.body.isEmpty() ? emptyAnswerMessage() : translatorUnavailableMessage()};
    if (content.toString().size() > kMaxAnswerTextChars)
        return {{}, answerTooLongMessage()};
    const std::optional<QJsonArray> array = firstArray(content.toString());
    // Cut off at the token bound, or no array at all: which line is which cannot be told.
    if (choice[QStringLiteral("finish_reason")].toString() == u"length" || !array)
        return {{}, linesMismatchMessage(), true};
    QStringList pieces(batch.lines.size());
    QList<bool> seen(batch.lines.size(), false);
    for (const QJsonValue& entry : *array) {
        const int n = entry[QStringLiteral("n")].toInt(0);
        const QJsonValue text = entry[QStringLiteral("text")];
        if (n < 1 || n > batch.lines.size() || seen[n - 1] || !text.isString())
            return {{}, linesMismatchMessage(), true};
        seen[n - 1] = true;
        pieces[n - 1] = text.toString();
    }
    if (seen.contains(false))
        return {{}, linesMismatchMessage(), true};
    return service::checkedPieces(std::move(pieces), batch);
}
