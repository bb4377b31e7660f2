// What a translation engine is to the job and the transport: how a batch becomes an HTTP request,
// how an answer becomes one piece per line, which languages it offers, how much it takes at once
// and how long to wait between batches. Each engine is one implementation in a file of its own.
#pragma once

#include "support/language_pair.h"
#include "support/user_message.h"
#include "translate/answer_reader.h"
#include "translate/translate_transport.h"

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <chrono>
#include <cstdint>
#include <optional>
#include <utility>

// The pair is in the language table's codes (those of the ribbon's combos); each engine maps them to
// its own.

struct ServiceLanguage {
    QString code; // the engine's own
    QString name; // as the engine names it; may be empty
};

struct ServiceLanguages {
    QList<ServiceLanguage> sources;
    QList<ServiceLanguage> targets;
    // Source and target codes that go together; empty when any source goes to any target.
    QList<std::pair<QString, QString>> pairs;
};

struct BatchLimit {
    int lines = 25;
    qsizetype bytes = 512 * 1024; // of the lines' UTF-8, so that a request stays far below any limit
};

// What the job hands an engine: the lines to translate and, for engines that can use it, the entries
// around them, which are never translated.
struct ServiceBatch {
    QStringList lines;
    QStringList before; // up to two entries before the first line, oldest first
    QStringList after;  // up to two entries after the last line
    std::int32_t formatMode = 1;
};

class TranslationService {
public:
    virtual ~TranslationService() = default;

    // For messages, the log and the progress dialog.
    virtual QString name() const = 0;
    // Where the requests go.
    virtual QUrl baseUrl() const = 0;
    virtual BatchLimit batchLimit() const { return {}; }
    // Between batches, for services that count how often they are called.
    virtual std::chrono::milliseconds pause() const { return std::chrono::milliseconds(0); }
    // Tags and line joins go as placeholders and come back in place (see TagShield).
    virtual bool protectsTags() const { return true; }

    // Languages fixed in the engine, or a request whose answer readLanguages() reads.
    virtual std::optional<ServiceRequest> languagesRequest() const { return std::nullopt; }
    virtual std::optional<ServiceLanguages> readLanguages(QByteArrayView answer) const;
    virtual ServiceLanguages fixedLanguages() const { return {}; }

    // Anything to do before the first request (start a local server); a message when it failed.
    virtual std::optional<UserMessage> prepare(std::stop_token stop);

    virtual ServiceRequest buildRequest(const ServiceBatch& batch, const LanguagePair& pair) const = 0;
    // Exactly batch.lines.size() pieces, or a message; `mismatch` when the answer's lines did not
    // line up with those sent, so that sending them one by one can help.
    virtual BatchAnswer readAnswer(const TransportReply& reply, const ServiceBatch& batch) const = 0;
};

// The languages of a service, asked of it once and then kept for the rest of the run.
class LanguageCache {
public:
    // The fixed languages, the ones kept, or those the service gives now; nullopt when it gave
    // none (the next call asks again).
    std::optional<ServiceLanguages> languages(TranslationService& service, TranslateTransport& transport,
                                              std::stop_token stop);

private:
    std::optional<ServiceLanguages> m_kept;
};

// Helpers the engines share.
namespace service {
// base + path, with the base's own path kept ("http://h/v1" + "/models" = "http://h/v1/models").
QUrl join(const QUrl& base, const QString& path);
// "application/x-www-form-urlencoded" from name/value pairs.
QByteArray formBody(const QList<std::pair<QByteArray, QString>>& fields);
// The usual refusals, told apart by status: a wrong key, a used-up quota, a wrong address, other
// errors with the service's own words when it sent some. nullopt for a 2xx answer.
std::optional<BatchAnswer> statusFailure(const TransportReply& reply, const QString& serviceName);
// A piece trimmed of the blanks engines put at its start, with the format's line joins whole.
QString shape(const QString& piece, std::int32_t formatMode);
// Pieces checked against the lines sent: the same count, none past the bound.
BatchAnswer checkedPieces(QStringList pieces, const ServiceBatch& batch);
// A language table code as ISO 639-1 has it ("iw" is "he", "jw" is "jv", "zh-CN" is "zh").
QString isoLanguage(const QString& tableCode);
// The display name of a language table code ("fr" is "French"); the code itself when unknown.
QString languageName(const QString& tableCode);
// The object of a JSON answer; nullopt when the bytes are not one.
std::optional<QJsonObject> jsonObject(QByteArrayView bytes);
} // namespace service
