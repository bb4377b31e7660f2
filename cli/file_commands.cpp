// convert, shift and pair: read each file, change it in the core, write it beside itself.
#include "cli/commands.h"
#include "cli/format_names.h"
#include "cli/output_naming.h"
#include "cli/subtitle_files.h"
#include "cli/time_values.h"
#include "edit/timing_edits.h"
#include "subtitle/format_conversion.h"
#include "subtitle/format_table.h"

#include <QList>
#include <cmath>
#include <cstdio>

namespace cli {

void printError(const QString& text) {
    const QByteArray line = QStringLiteral("velmora-cli: %1\n").arg(text).toUtf8();
    std::fflush(stdout);
    std::fwrite(line.constData(), 1, std::size_t(line.size()), stderr);
}

int usageFailure(Subcommand command, const QString& message) {
    printError(message);
    const QByteArray usage = usageText(command).toUtf8();
    std::fwrite(usage.constData(), 1, std::size_t(usage.size()), stderr);
    return kExitUsage;
}

FileReport failed(const QString& input, const QString& message, FileReport::Outcome outcome) {
    FileReport report;
    report.outcome = outcome;
    report.errors = QStringLiteral("velmora-cli: %1: %2\n").arg(displayName(input), message);
    return report;
}

void printReport(const FileReport& report) {
    if (!report.out.isEmpty())
        writeStandardOutput(report.out);
    if (!report.errors.isEmpty()) {
        std::fflush(stdout);
        const QByteArray bytes = report.errors.toUtf8();
        std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stderr);
    }
}

} // namespace cli

namespace {

using cli::failed;

// What every subcommand that writes one file per input shares: the plan, the inputs' identities,
// and the hand-over of the bytes to a file or to standard output.
struct WriteSetup {
    QList<OutputPlan> plans;
    QList<FileIdentity> inputs;
    bool replace = false;
};

std::variant<WriteSetup, QString> prepareWrites(const ParsedCommand& command, const QStringList& besides) {
    auto planned =
        planOutputs(command.inputs, besides, command.hasValue("--output"), command.value("--output"));
    if (auto* message = std::get_if<QString>(&planned))
        return *message;
    WriteSetup setup;
    setup.plans = std::get<QList<OutputPlan>>(planned);
    setup.replace = command.has("--force");
    for (const QString& input : command.inputs)
        if (const std::optional<FileIdentity> id =
                isStandardStream(input) ? std::nullopt : fileIdentity(input))
            setup.inputs.append(*id);
    return setup;
}

// The bytes into their place; the report of the file.
FileReport deliver(const QString& input, const OutputPlan& plan, const WriteSetup& setup, QByteArray bytes,
                   FileReport report = {}) {
    if (plan.toStandardOutput) {
        report.out = std::move(bytes);
        return report;
    }
    if (const std::optional<Failure> failure =
            writeOutputFile(plan.path, bytes, setup.replace, setup.inputs)) {
        FileReport failedReport = failed(input, failure->message);
        failedReport.errors.prepend(report.errors);
        return failedReport;
    }
    return report;
}

// The document's bytes in the asked encoding, or in the writer's own.
std::variant<QByteArray, Failure> bytesOf(const SubtitleDocument& document, SaveKind kind,
                                          const std::optional<TextEncoding>& encoding) {
    auto rendered = renderDocument(document, kind);
    if (!encoding || std::holds_alternative<Failure>(rendered))
        return rendered;
    return encodeText(textOfRendered(std::get<QByteArray>(rendered)), *encoding);
}

template <typename Work> int runAll(const ParsedCommand& command, Work work) {
    QList<FileReport::Outcome> outcomes;
    runFileJobs(int(command.inputs.size()), command.jobs, work, [&](int, const FileReport& report) {
        cli::printReport(report);
        outcomes.append(report.outcome);
    });
    return exitStatusOf(outcomes);
}

struct ConvertSettings {
    TargetFormat target;
    std::optional<TextEncoding> encoding;
    std::optional<std::uint32_t> inputCodePage;
    std::optional<FrameRate> fps;
};

// The frame rate a MicroDVD side is read or written at when the command line names none.
constexpr FrameRate kUsualFrameRate{25, 1};

std::optional<FrameRate> frameRateOption(const ParsedCommand& command, const char* name, QString* problem) {
    if (!command.hasValue(name))
        return std::nullopt;
    const std::optional<FrameRate> rate = FrameRate::fromText(command.value(name).trimmed());
    if (!rate)
        *problem = QStringLiteral("%1 takes a frame rate such as 25 or 23.976, not '%2'")
                       .arg(QLatin1StringView(name), command.value(name));
    return rate;
}

std::variant<ConvertSettings, QString> convertSettings(const ParsedCommand& command) {
    ConvertSettings s;
    if (!command.hasValue("--to"))
        return QStringLiteral("--to FORMAT is needed");
    const std::optional<TargetFormat> target = targetFormatNamed(command.value("--to"));
    if (!target)
        return QStringLiteral("'%1' is no format; the formats are %2")
            .arg(command.value("--to"), targetFormatList());
    s.target = *target;
    if (command.hasValue("--encoding")) {
        s.encoding = textEncodingNamed(command.value("--encoding"));
        if (!s.encoding)
            return QStringLiteral("'%1' is no encoding velmora knows").arg(command.value("--encoding"));
    }
    if (command.hasValue("--input-encoding")) {
        s.inputCodePage = codePageNamed(command.value("--input-encoding"));
        if (!s.inputCodePage)
            return QStringLiteral("'%1' is no code page velmora reads")
                .arg(command.value("--input-encoding"));
    }
    // Browsers read WebVTT as UTF-8 whatever else a file says.
    if (s.encoding && s.target.id == kWebVTT && s.encoding->kind != TextEncoding::Kind::Utf8 &&
        s.encoding->kind != TextEncoding::Kind::Utf8WithMark)
        return QStringLiteral("WebVTT files are UTF-8 (players read them so); --encoding %1 would make "
                              "one no player reads right")
            .arg(s.encoding->name);
    QString problem;
    s.fps = frameRateOption(command, "--fps", &problem);
    if (!problem.isEmpty())
        return problem;
    return s;
}

// The document in the target's format, and the warning that names what it could not hold.
std::pair<SubtitleDocument, QString> converted(const SubtitleDocument& source, const TargetFormat& target,
                                               FrameRate rate) {
    ConvertedDocument out = convertDocument(source, target.id, rate);
    QString warning = conversionStatus(out.losses, target.id, rate);
    if (target.subStationV4 && source.formatMode != kSubStation)
        out.document.headerLines = subStationV4Header();
    return {std::move(out.document), warning};
}

} // namespace

int runConvert(const ParsedCommand& command) {
    auto settingsOr = convertSettings(command);
    if (auto* message = std::get_if<QString>(&settingsOr))
        return cli::usageFailure(command.command, *message);
    const ConvertSettings settings = std::get<ConvertSettings>(settingsOr);
    QStringList besides;
    for (const QString& input : command.inputs)
        besides << outputNameBeside(input, {}, settings.target.extension);
    auto setupOr = prepareWrites(command, besides);
    if (auto* message = std::get_if<QString>(&setupOr))
        return cli::usageFailure(command.command, *message);
    const WriteSetup setup = std::get<WriteSetup>(setupOr);

    return runAll(command, [&](int i) -> FileReport {
        const QString& input = command.inputs[i];
        const OutputPlan& plan = setup.plans[i];
        if (!plan.conflict.isEmpty())
            return failed(input, plan.conflict);
        auto loadedOr = readSubtitle(input);
        if (auto* f = std::get_if<Failure>(&loadedOr))
            return failed(input, f->message);
        LoadedFile& loaded = std::get<LoadedFile>(loadedOr);
        if (settings.inputCodePage)
            loaded.session.redecodeSide(Side::Original, *settings.inputCodePage);
        const FrameRate rate =
            settings.fps.value_or(documentFrameRate(loaded.session.document()).value_or(kUsualFrameRate));
        const auto [document, warning] = converted(loaded.session.document(), settings.target, rate);
        auto out = bytesOf(document, SaveKind::OriginalSubtitle, settings.encoding);
        if (auto* f = std::get_if<Failure>(&out))
            return failed(input, f->message);
        FileReport report;
        if (!warning.isEmpty())
            report.errors = QStringLiteral("velmora-cli: %1: warning: %2\n").arg(displayName(input), warning);
        return deliver(input, plan, setup, std::get<QByteArray>(std::move(out)), report);
    });
}

namespace {

struct ShiftSettings {
    std::optional<TimeValue> by;
    std::optional<std::pair<FrameRate, FrameRate>> rates; // from, to
    std::optional<TimeCode> from;
    std::optional<FrameRate> fps;
};

std::variant<ShiftSettings, QString> shiftSettings(const ParsedCommand& command) {
    ShiftSettings s;
    if (command.hasValue("--by")) {
        s.by = parseTimeValue(command.value("--by"), true);
        if (!s.by)
            return QStringLiteral(
                       "--by takes a time such as +1.2, -0.5s, 1500ms, -00:00:01,200 or 30f, not '%1'")
                .arg(command.value("--by"));
    }
    if (command.hasValue("--fps-from") != command.hasValue("--fps-to"))
        return QStringLiteral("--fps-from and --fps-to go together");
    QString problem;
    const std::optional<FrameRate> rateFrom = frameRateOption(command, "--fps-from", &problem);
    const std::optional<FrameRate> rateTo = frameRateOption(command, "--fps-to", &problem);
    s.fps = frameRateOption(command, "--fps", &problem);
    if (!problem.isEmpty())
        return problem;
    if (rateFrom && rateTo)
        s.rates = std::pair{*rateFrom, *rateTo};
    if (!s.by && !s.rates)
        return QStringLiteral("say what to change: --by TIME, or --fps-from N --fps-to N");
    if (command.hasValue("--from")) {
        const std::optional<TimeValue> from = parseTimeValue(command.value("--from"), false);
        if (!from || from->frames)
            return QStringLiteral("--from takes a time such as 00:10:00 or 600, not '%1'")
                .arg(command.value("--from"));
        s.from = TimeCode::fromMilliseconds(from->amount);
    }
    return s;
}

// A moved time in the unit the format's delay counts in (milliseconds, hundredths or frames).
std::optional<qint64> delayUnits(const TimeValue& by, const SubtitleFormatInfo& format,
                                 std::optional<FrameRate> fps) {
    const qint64 magnitude = std::llabs(by.amount);
    if (by.frames && format.unit == TimeUnit::Frame)
        return by.amount;
    if ((by.frames || format.unit == TimeUnit::Frame) && !fps)
        return std::nullopt;
    const FrameRate rate = fps.value_or(kUsualFrameRate);
    const TimeCode time =
        by.frames ? TimeCode::fromFrames(magnitude, rate) : TimeCode::fromMilliseconds(magnitude);
    const qint64 units = toFormatUnits(time, format.unit, rate);
    return by.amount < 0 ? -units : units;
}

std::optional<QString> shiftSession(SubtitleSession& session, const ShiftSettings& settings) {
    const SubtitleFormatInfo& format = formatInfo(session.document().formatMode);
    const bool frames = format.unit == TimeUnit::Frame;
    const std::optional<FrameRate> ownRate = documentFrameRate(session.document());
    const std::optional<FrameRate> fps = settings.fps ? settings.fps : ownRate;
    // A time the command line gives needs no rate where the file counts no frames.
    const std::optional<FrameRate> timeRate = frames ? fps : fps.value_or(kUsualFrameRate);
    // MicroDVD's rate entry ("{1}{1}23.976") is no subtitle; it stays where it is.
    const int first = ownRate ? 1 : 0;
    QList<int> rows;
    for (int row = first; row < session.rowCount(); ++row) {
        if (settings.from) {
            if (!timeRate)
                return QStringLiteral(
                    "is a MicroDVD file without a frame rate entry: give --fps to use --from");
            const std::optional<TimeCode> show = format.parseTime(session.rows().at(row).show, *timeRate);
            if (!show || *show < *settings.from)
                continue;
        }
        rows.append(row);
    }
    if (settings.rates) {
        if (frames)
            return QStringLiteral("counts frames (MicroDVD), which a frame-rate change leaves as they are; "
                                  "convert it with --fps to re-time it");
        const auto [from, to] = *settings.rates;
        const double scale = from.value() / to.value();
        for (int row : rows) {
            const EntryRow& entry = session.rows().at(row);
            auto scaled = [&](const QString& text) {
                const std::optional<TimeCode> time = format.parseTime(text, kUsualFrameRate);
                if (!time)
                    return text;
                const auto ms = std::llround(double(time->milliseconds()) * scale);
                return format.printTime(TimeCode::fromMilliseconds(ms), kUsualFrameRate);
            };
            const QString show = scaled(entry.show);
            const QString hide = entry.hide.isEmpty() ? entry.hide : scaled(entry.hide);
            session.setTimes(row, show, hide);
        }
    }
    if (settings.by) {
        const std::optional<qint64> units = delayUnits(*settings.by, format, fps);
        if (!units)
            return frames ? QStringLiteral("is a MicroDVD file without a frame rate entry: give "
                                           "--fps, or --by in frames (30f)")
                          : QStringLiteral("has no frame rate for --by in frames: give --fps");
        if (std::llabs(*units) > std::numeric_limits<std::int32_t>::max())
            return QStringLiteral("cannot be moved that far");
        DelayChoice choice;
        choice.value = std::int32_t(std::llabs(*units));
        choice.negative = *units < 0;
        choice.selectedOnly = true;
        session.apply(setDelay(session, choice, rows));
    }
    return std::nullopt;
}

} // namespace

int runShift(const ParsedCommand& command) {
    auto settingsOr = shiftSettings(command);
    if (auto* message = std::get_if<QString>(&settingsOr))
        return cli::usageFailure(command.command, *message);
    const ShiftSettings settings = std::get<ShiftSettings>(settingsOr);
    QStringList besides;
    for (const QString& input : command.inputs) {
        QString extension = inputExtension(input);
        besides << outputNameBeside(input, QStringLiteral("shifted"), extension);
    }
    auto setupOr = prepareWrites(command, besides);
    if (auto* message = std::get_if<QString>(&setupOr))
        return cli::usageFailure(command.command, *message);
    const WriteSetup setup = std::get<WriteSetup>(setupOr);

    return runAll(command, [&](int i) -> FileReport {
        const QString& input = command.inputs[i];
        const OutputPlan& plan = setup.plans[i];
        if (!plan.conflict.isEmpty())
            return failed(input, plan.conflict);
        auto loadedOr = readSubtitle(input);
        if (auto* f = std::get_if<Failure>(&loadedOr))
            return failed(input, f->message);
        LoadedFile& loaded = std::get<LoadedFile>(loadedOr);
        if (const std::optional<QString> refusal = shiftSession(loaded.session, settings))
            return failed(input, *refusal);
        auto out = renderDocument(loaded.session.document(), SaveKind::OriginalSubtitle);
        if (auto* f = std::get_if<Failure>(&out))
            return failed(input, f->message);
        return deliver(input, plan, setup, std::get<QByteArray>(std::move(out)));
    });
}

int runPair(const ParsedCommand& command) {
    if (!command.hasValue("--mix"))
        return cli::usageFailure(command.command, QStringLiteral("--mix OUT is needed"));
    const QString original = command.inputs[0];
    const QString translated = command.inputs[1];
    const QString out = command.value("--mix");
    if (isStandardStream(original) && isStandardStream(translated))
        return cli::usageFailure(command.command, QStringLiteral("standard input can be read only once"));

    auto originalBytes = readInputBytes(original);
    if (auto* f = std::get_if<Failure>(&originalBytes)) {
        cli::printReport(failed(original, f->message));
        return kExitFailed;
    }
    auto translatedBytes = readInputBytes(translated);
    if (auto* f = std::get_if<Failure>(&translatedBytes)) {
        cli::printReport(failed(translated, f->message));
        return kExitFailed;
    }
    auto loadedOr = loadSubtitle(original, std::get<QByteArray>(originalBytes));
    if (auto* f = std::get_if<Failure>(&loadedOr)) {
        cli::printReport(failed(original, f->message));
        return kExitFailed;
    }
    LoadedFile& loaded = std::get<LoadedFile>(loadedOr);
    const QByteArray& second = std::get<QByteArray>(translatedBytes);
    const SubtitleFormat secondFormat =
        guessSubtitleFormat(isStandardStream(translated) ? QString() : translated, second);
    const ReadResult read = loadSubtitleBytes(loaded.session, second, secondFormat, Side::Translated);
    if (!read.completed) {
        cli::printReport(failed(
            translated, QStringLiteral("cannot be read as %1: %2")
                            .arg(formatName(secondFormat), read.message ? read.message->text : QString())));
        return kExitFailed;
    }
    auto bytes = renderDocument(loaded.session.document(), SaveKind::MixSubtitle);
    if (auto* f = std::get_if<Failure>(&bytes)) {
        cli::printReport(failed(original, f->message));
        return kExitFailed;
    }
    if (out == u"-") {
        if (const std::optional<Failure> f = writeStandardOutput(std::get<QByteArray>(bytes))) {
            cli::printError(f->message);
            return kExitFailed;
        }
        return kExitOk;
    }
    QList<FileIdentity> inputs;
    for (const QString& input : {original, translated})
        if (const std::optional<FileIdentity> id =
                isStandardStream(input) ? std::nullopt : fileIdentity(input))
            inputs.append(*id);
    if (const std::optional<Failure> f =
            writeOutputFile(out, std::get<QByteArray>(bytes), command.has("--force"), inputs)) {
        cli::printError(f->message);
        return kExitFailed;
    }
    return kExitOk;
}
