// info: what a subtitle file is, as far as reading it tells.
#include "charset/charset_table.h"
#include "charset/code_page.h"
#include "cli/commands.h"
#include "cli/format_names.h"
#include "cli/language_guess.h"
#include "cli/subtitle_files.h"
#include "subtitle/format_conversion.h"
#include "subtitle/format_table.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

QString codePageName(std::uint32_t codePage) {
    for (const CharsetEntry& e : charsetTable())
        if (e.codePage == codePage && codePage != kAnsiCodePage)
            return QString::fromUtf16(e.displayName);
    const char* icu = icuConverterName(codePage);
    return icu ? QString::fromLatin1(icu) : QString::number(codePage);
}

QString encodingText(const EncodingGuess& guess, const QByteArray& bytes) {
    switch (guess.source) {
    case EncodingGuess::Source::Ascii:
        return QStringLiteral("ASCII");
    case EncodingGuess::Source::ByteOrderMark:
        if (bytes.startsWith("\xEF\xBB\xBF"))
            return QStringLiteral("UTF-8 with BOM");
        if (bytes.startsWith(QByteArray("\xFF\xFE\0\0", 4)))
            return QStringLiteral("UTF-32LE with BOM");
        if (bytes.startsWith(QByteArray("\0\0\xFE\xFF", 4)))
            return QStringLiteral("UTF-32BE with BOM");
        if (bytes.startsWith("\xFF\xFE"))
            return QStringLiteral("UTF-16LE with BOM");
        return QStringLiteral("UTF-16BE with BOM");
    case EncodingGuess::Source::Utf8:
        return QStringLiteral("UTF-8");
    case EncodingGuess::Source::Detector:
        return QStringLiteral("%1 (detected, %2% sure)")
            .arg(codePageName(guess.codePage))
            .arg(guess.confidence);
    case EncodingGuess::Source::Unsure:
        return QStringLiteral("unknown 8-bit code page, read as %1")
            .arg(codePageName(resolveCodePage(kAnsiCodePage)));
    }
    return {};
}

QString clock(qint64 ms) {
    return printClockTime(TimeCode::fromMilliseconds(ms), 2, u'.', 3);
}

struct Span {
    std::optional<qint64> first; // the earliest show time
    std::optional<qint64> last;  // the latest hide (or show) time
};

Span spanOf(const SubtitleSession& session) {
    const SubtitleFormatInfo& format = formatInfo(session.document().formatMode);
    const std::optional<FrameRate> ownRate = documentFrameRate(session.document());
    const FrameRate rate = ownRate.value_or(FrameRate{25, 1});
    Span span;
    for (int row = ownRate ? 1 : 0; row < session.rowCount(); ++row) {
        const EntryRow& entry = session.rows().at(row);
        const std::optional<TimeCode> show = format.parseTime(entry.show, rate);
        const std::optional<TimeCode> hide = format.parseTime(entry.hide, rate);
        if (show && (!span.first || show->milliseconds() < *span.first))
            span.first = show->milliseconds();
        for (const std::optional<TimeCode>& end : {show, hide})
            if (end && (!span.last || end->milliseconds() > *span.last))
                span.last = end->milliseconds();
    }
    return span;
}

QJsonObject describe(const QString& input, const QByteArray& bytes, const LoadedFile& loaded) {
    const SubtitleDocument& doc = loaded.session.document();
    QJsonObject info;
    info[QStringLiteral("file")] = displayName(input);
    info[QStringLiteral("format")] = formatName(loaded.format);
    info[QStringLiteral("encoding")] = encodingText(loaded.read.encoding, bytes);
    info[QStringLiteral("entries")] = loaded.session.rowCount() - (documentFrameRate(doc) ? 1 : 0);
    const Span span = spanOf(loaded.session);
    if (span.first && span.last) {
        info[QStringLiteral("start")] = clock(*span.first);
        info[QStringLiteral("end")] = clock(*span.last);
        info[QStringLiteral("duration")] = clock(*span.last - *span.first);
    }
    QJsonArray languages;
    for (const LanguageShare& share : guessLanguages(doc.originalTexts))
        languages.append(QJsonObject{{QStringLiteral("language"), share.code},
                                     {QStringLiteral("percent"), share.percent}});
    info[QStringLiteral("languages")] = languages;
    QJsonArray unreadable;
    for (int n : loaded.read.unreadableTimes)
        unreadable.append(n);
    if (!unreadable.isEmpty())
        info[QStringLiteral("unreadableTimes")] = unreadable;
    return info;
}

QByteArray asText(const QJsonObject& info) {
    QString out = info.value(QStringLiteral("file")).toString() + u'\n';
    auto row = [&out](const QString& label, const QString& value) {
        out += QStringLiteral("  %1 %2\n").arg((label + u':').leftJustified(10), value);
    };
    row(QStringLiteral("format"), info.value(QStringLiteral("format")).toString());
    row(QStringLiteral("encoding"), info.value(QStringLiteral("encoding")).toString());
    row(QStringLiteral("entries"), QString::number(info.value(QStringLiteral("entries")).toInt()));
    if (info.contains(QStringLiteral("duration")))
        row(QStringLiteral("duration"), QStringLiteral("%1 (%2 to %3)")
                                            .arg(info.value(QStringLiteral("duration")).toString(),
                                                 info.value(QStringLiteral("start")).toString(),
                                                 info.value(QStringLiteral("end")).toString()));
    QStringList languages;
    for (const QJsonValue& v : info.value(QStringLiteral("languages")).toArray())
        languages << QStringLiteral("%1 (%2%)")
                         .arg(v[QStringLiteral("language")].toString())
                         .arg(v[QStringLiteral("percent")].toInt());
    row(QStringLiteral("languages"),
        languages.isEmpty() ? QStringLiteral("cannot tell") : languages.join(QStringLiteral(", ")));
    if (info.contains(QStringLiteral("unreadableTimes"))) {
        QStringList numbers;
        for (const QJsonValue& v : info.value(QStringLiteral("unreadableTimes")).toArray())
            numbers << QString::number(v.toInt());
        row(QStringLiteral("warning"),
            QStringLiteral("times that cannot be read in entries ") + numbers.join(QStringLiteral(", ")));
    }
    return out.toUtf8();
}

} // namespace

int runInfo(const ParsedCommand& command) {
    const QString format = command.hasValue("--format") ? command.value("--format") : QStringLiteral("text");
    if (format != u"text" && format != u"json")
        return cli::usageFailure(command.command,
                                 QStringLiteral("--format takes text or json, not '%1'").arg(format));
    const bool json = format == u"json";
    QJsonArray all;
    QList<FileReport::Outcome> outcomes;
    runFileJobs(
        int(command.inputs.size()), command.jobs,
        [&](int i) -> FileReport {
            const QString& input = command.inputs[i];
            auto bytes = readInputBytes(input);
            if (auto* f = std::get_if<Failure>(&bytes))
                return cli::failed(input, f->message);
            auto loadedOr = loadSubtitle(input, std::get<QByteArray>(bytes));
            if (auto* f = std::get_if<Failure>(&loadedOr))
                return cli::failed(input, f->message);
            FileReport report;
            const QJsonObject info =
                describe(input, std::get<QByteArray>(bytes), std::get<LoadedFile>(loadedOr));
            report.out = json ? QJsonDocument(info).toJson(QJsonDocument::Compact) : asText(info);
            return report;
        },
        [&](int, const FileReport& report) {
            outcomes.append(report.outcome);
            if (json && report.outcome == FileReport::Outcome::Done) {
                all.append(QJsonDocument::fromJson(report.out).object());
                FileReport errorsOnly = report;
                errorsOnly.out.clear();
                cli::printReport(errorsOnly);
                return;
            }
            cli::printReport(report);
        });
    if (json)
        writeStandardOutput(QJsonDocument(all).toJson(QJsonDocument::Indented));
    return exitStatusOf(outcomes);
}
