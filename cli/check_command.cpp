// check: the review checks over each file, as a list for people or JSON for a pipeline.
#include "cli/commands.h"
#include "cli/subtitle_files.h"
#include "review/checks.h"
#include "review/review_settings.h"
#include "subtitle/format_conversion.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

struct CheckSettings {
    ReviewLimits limits;
    double frameRate = kDefaultFrameRate;
    bool json = false;
};

std::variant<CheckSettings, QString> checkSettings(const ParsedCommand& command) {
    CheckSettings s;
    const QString format = command.hasValue("--format") ? command.value("--format") : QStringLiteral("text");
    if (format != u"text" && format != u"json")
        return QStringLiteral("--format takes text or json, not '%1'").arg(format);
    s.json = format == u"json";
    // Without --preset, the limits chosen in velmora.
    const ReviewSettings settings;
    PresetId preset = settings.preset();
    if (command.hasValue("--preset")) {
        const std::optional<PresetId> named = presetForKey(command.value("--preset").toLower());
        if (!named) {
            QStringList keys;
            for (const ReviewPreset& p : reviewPresets())
                keys << QLatin1StringView(p.key);
            return QStringLiteral("'%1' is no preset; the presets are %2")
                .arg(command.value("--preset"), keys.join(QStringLiteral(", ")));
        }
        preset = *named;
    }
    s.limits = preset == PresetId::Custom ? settings.customLimits() : reviewPreset(preset).limits;
    s.frameRate = settings.frameRate();
    return s;
}

// "Reading speed" as a key a script can match: "reading-speed".
QString kindKey(CheckKind kind) {
    return checkKindName(kind).toLower().replace(u' ', u'-');
}

QString sideKey(FindingSide side) {
    switch (side) {
    case FindingSide::Times:
        return QStringLiteral("times");
    case FindingSide::Original:
        return QStringLiteral("text");
    case FindingSide::Translated:
        break;
    }
    return QStringLiteral("translation");
}

// The findings of one file read alone: its text is what the viewer reads, so a missing
// translation is no finding.
QJsonArray findingsOf(const LoadedFile& loaded, const CheckSettings& settings) {
    const SubtitleDocument& doc = loaded.session.document();
    const std::optional<FrameRate> ownRate = documentFrameRate(doc);
    CheckOptions options;
    options.limits = settings.limits;
    options.formatMode = doc.formatMode;
    options.frameRate = ownRate ? ownRate->value() : settings.frameRate;
    const int first = ownRate ? 1 : 0;
    QJsonArray out;
    for (const Finding& f : checkRows(loaded.session.rows().all(), options)) {
        if (f.kind == CheckKind::EmptyTranslation || f.row < first)
            continue;
        out.append(QJsonObject{{QStringLiteral("entry"), f.row - first + 1},
                               {QStringLiteral("check"), kindKey(f.kind)},
                               {QStringLiteral("where"), sideKey(f.side)},
                               {QStringLiteral("message"), f.message}});
    }
    return out;
}

QByteArray asText(const QString& name, const QJsonArray& findings) {
    QString out;
    for (const QJsonValue& v : findings)
        out += QStringLiteral("%1:%2: %3: %4\n")
                   .arg(name)
                   .arg(v[QStringLiteral("entry")].toInt())
                   .arg(v[QStringLiteral("check")].toString(), v[QStringLiteral("message")].toString());
    return out.toUtf8();
}

} // namespace

int runCheck(const ParsedCommand& command) {
    auto settingsOr = checkSettings(command);
    if (auto* message = std::get_if<QString>(&settingsOr))
        return cli::usageFailure(command.command, *message);
    const CheckSettings settings = std::get<CheckSettings>(settingsOr);
    QJsonArray files;
    QList<FileReport::Outcome> outcomes;
    runFileJobs(
        int(command.inputs.size()), command.jobs,
        [&](int i) -> FileReport {
            const QString& input = command.inputs[i];
            auto loadedOr = readSubtitle(input);
            if (auto* f = std::get_if<Failure>(&loadedOr))
                return cli::failed(input, f->message, FileReport::Outcome::Unreadable);
            const QJsonArray findings = findingsOf(std::get<LoadedFile>(loadedOr), settings);
            FileReport report;
            report.outcome = findings.isEmpty() ? FileReport::Outcome::Done : FileReport::Outcome::Findings;
            report.out = settings.json ? QJsonDocument(findings).toJson(QJsonDocument::Compact)
                                       : asText(displayName(input), findings);
            return report;
        },
        [&](int i, const FileReport& report) {
            outcomes.append(report.outcome);
            if (!settings.json) {
                cli::printReport(report);
                return;
            }
            QJsonObject file{{QStringLiteral("file"), displayName(command.inputs[i])}};
            if (report.outcome == FileReport::Outcome::Unreadable)
                file[QStringLiteral("error")] = report.errors.trimmed();
            else
                file[QStringLiteral("findings")] = QJsonDocument::fromJson(report.out).array();
            files.append(file);
            FileReport errorsOnly = report;
            errorsOnly.out.clear();
            cli::printReport(errorsOnly);
        });
    if (settings.json)
        writeStandardOutput(
            QJsonDocument(QJsonObject{{QStringLiteral("files"), files}}).toJson(QJsonDocument::Indented));
    return exitStatusOf(outcomes);
}
