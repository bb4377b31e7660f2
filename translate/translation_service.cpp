// What every engine shares: the language cache, request addresses, form bodies, status refusals
// and the checks on pieces.
#include "translate/translation_service.h"

#include "subtitle/format_table.h"
#include "translate/language_table.h"
#include "translate/translate_messages.h"

#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>

std::optional<ServiceLanguages> TranslationService::readLanguages(QByteArrayView) const {
    return std::nullopt;
}

std::optional<UserMessage> TranslationService::prepare(std::stop_token) {
    return std::nullopt;
}

std::optional<ServiceLanguages>
LanguageCache::languages(TranslationService& service, TranslateTransport& transport, std::stop_token stop) {
    if (m_kept)
        return m_kept;
    if (!service.languagesRequest())
        return m_kept = service.fixedLanguages();
    // A server velmora starts itself has its address only once it runs.
    if (service.prepare(stop))
        return std::nullopt;
    const std::optional<ServiceRequest> request = service.languagesRequest();
    TransportResult result = transport.send(*request, stop);
    const auto* reply = std::get_if<TransportReply>(&result);
    if (!reply || reply->status / 100 != 2)
        return std::nullopt;
    m_kept = service.readLanguages(reply->body);
    return m_kept;
}

namespace service {

QUrl join(const QUrl& base, const QString& path) {
    QUrl url = base;
    QString basePath = url.path();
    while (basePath.endsWith(u'/'))
        basePath.chop(1);
    const qsizetype query = path.indexOf(u'?');
    url.setPath(basePath + (query < 0 ? path : path.left(query)));
    if (query >= 0)
        url.setQuery(path.mid(query + 1));
    return url;
}

QByteArray formBody(const QList<std::pair<QByteArray, QString>>& fields) {
    QByteArray body;
    for (const auto& [name, value] : fields) {
        if (!body.isEmpty())
            body += '&';
        body += name + '=' + value.toUtf8().toPercentEncoding();
    }
    return body;
}

std::optional<BatchAnswer> statusFailure(const TransportReply& reply, const QString& serviceName) {
    if (reply.tooLarge)
        return BatchAnswer{{}, answerTooLongMessage()};
    if (reply.status / 100 == 2)
        return std::nullopt;
    if (reply.status == 401 || reply.status == 403)
        return BatchAnswer{{}, keyRefusedMessage(serviceName)};
    if (reply.status == 456)
        return BatchAnswer{{}, quotaUsedUpMessage(serviceName)};
    // LibreTranslate and OpenAI-compatible servers say why in "error" or "error.message"; DeepL
    // in "message".
    const QJsonObject object = QJsonDocument::fromJson(reply.body).object();
    QString detail = object.value(QStringLiteral("error")).toString();
    if (detail.isEmpty())
        detail = object.value(QStringLiteral("error")).toObject().value(QStringLiteral("message")).toString();
    // Apertium puts its reason in "explanation", beside a bare "message".
    if (detail.isEmpty())
        detail = object.value(QStringLiteral("explanation")).toString();
    if (detail.isEmpty())
        detail = object.value(QStringLiteral("message")).toString();
    return BatchAnswer{{}, serviceErrorMessage(serviceName, reply.status, detail.simplified())};
}

QString shape(const QString& piece, std::int32_t formatMode) {
    // A format that keeps an entry on one line keeps its "|" as it came.
    if (formatInfo(formatMode).textForm == TextForm::Unchanged)
        return TrimLeadingSpaces(piece);
    return BreakAfterChar(TrimLeadingSpaces(piece).replace(QStringLiteral("|\n"), QStringLiteral("|")), u'|');
}

BatchAnswer checkedPieces(QStringList pieces, const ServiceBatch& batch) {
    if (pieces.size() != batch.lines.size())
        return {{}, linesMismatchMessage(), true};
    for (QString& piece : pieces) {
        piece = shape(piece, batch.formatMode);
        if (piece.size() > kMaxPieceChars)
            return {{}, answerTooLongMessage()};
    }
    return {std::move(pieces), std::nullopt};
}

QString isoLanguage(const QString& tableCode) {
    static const QHash<QString, QString> kDiffering = {
        {QStringLiteral("iw"), QStringLiteral("he")},
        {QStringLiteral("jw"), QStringLiteral("jv")},
        {QStringLiteral("zh-CN"), QStringLiteral("zh")},
    };
    return kDiffering.value(tableCode, tableCode);
}

QString languageName(const QString& tableCode) {
    for (const LanguageEntry& row : languageTable())
        if (QLatin1StringView(row.serviceCode) == tableCode)
            return QString::fromUtf16(row.displayName);
    return tableCode;
}

std::optional<QJsonObject> jsonObject(QByteArrayView bytes) {
    QJsonParseError error{};
    const QJsonDocument doc =
        QJsonDocument::fromJson(QByteArray::fromRawData(bytes.data(), bytes.size()), &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject())
        return std::nullopt;
    return doc.object();
}

} // namespace service
