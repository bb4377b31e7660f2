// Format names, time texts and conversion between the formats for the command line.
#include "cli/cli_formats.h"

#include "subtitle/time_codes.h"

#include <QRegularExpression>
#include <cmath>

namespace {

const CliFormat kFormats[] = {
    {kSubRip,
     QStringLiteral("srt"),
     QStringLiteral("SubRip"),
     QStringLiteral("srt"),
     {QStringLiteral("subrip")}},
    {kMicroDVD,
     QStringLiteral("microdvd"),
     QStringLiteral("MicroDVD"),
     QStringLiteral("sub"),
     {QStringLiteral("mdvd")}},
    {kSAMI, QStringLiteral("smi"), QStringLiteral("SAMI"), QStringLiteral("smi"), {QStringLiteral("sami")}},
    {kSubViewer, QStringLiteral("subviewer"), QStringLiteral("SubViewer"), QStringLiteral("sub"), {}},
    {kSubViewer2, QStringLiteral("subviewer2"), QStringLiteral("SubViewer 2.0"), QStringLiteral("sub"), {}},
};

constexpr double kDefaultFrameRate = 25.0;

// Digits with an optional fraction at a position; advances `at`.
bool readNumber(QStringView text, qsizetype& at, qint64& value, int& digits) {
    value = 0;
    digits = 0;
    while (at < text.size() && text[at] >= u'0' && text[at] <= u'9' && digits < 12) {
        value = value * 10 + (text[at].unicode() - u'0');
        ++at;
        ++digits;
    }
    return digits > 0;
}

// "h:mm:ss" with a fraction of any width after ',' or '.'; hours may be left out ("mm:ss.fff").
std::optional<qint64> clockToMs(QStringView text) {
    text = text.trimmed();
    qint64 fields[3] = {0, 0, 0};
    int count = 0;
    qsizetype at = 0;
    int digits = 0;
    for (;;) {
        qint64 v = 0;
        if (!readNumber(text, at, v, digits) || count == 3)
            return std::nullopt;
        fields[count++] = v;
        if (at < text.size() && text[at] == u':') {
            ++at;
            continue;
        }
        break;
    }
    if (count < 2)
        return std::nullopt;
    qint64 fraction = 0;
    if (at < text.size() && (text[at] == u',' || text[at] == u'.')) {
        ++at;
        qint64 f = 0;
        if (!readNumber(text, at, f, digits))
            return std::nullopt;
        // The digits are a decimal fraction of a second, whatever their number.
        double scaled = double(f);
        for (int i = 0; i < digits; ++i)
            scaled /= 10.0;
        fraction = std::llround(scaled * 1000.0);
    }
    if (at != text.size())
        return std::nullopt;
    const qint64 hours = count == 3 ? fields[0] : 0;
    const qint64 minutes = count == 3 ? fields[1] : fields[0];
    const qint64 seconds = count == 3 ? fields[2] : fields[1];
    return ((hours * 60 + minutes) * 60 + seconds) * 1000 + fraction;
}

std::optional<qint64> digitsToNumber(QStringView text) {
    text = text.trimmed();
    qsizetype at = 0;
    qint64 v = 0;
    int digits = 0;
    if (!readNumber(text, at, v, digits) || at != text.size())
        return std::nullopt;
    return v;
}

QString clockText(qint64 ms, QChar separator, int fractionDigits) {
    ms = std::max<qint64>(ms, 0);
    if (fractionDigits == 2)
        ms = (ms + 5) / 10 * 10;
    const qint64 h = ms / 3600000;
    const qint64 m = ms / 60000 % 60;
    const qint64 s = ms / 1000 % 60;
    const qint64 f = fractionDigits == 2 ? ms % 1000 / 10 : ms % 1000;
    return QStringLiteral("%1:%2:%3%4%5")
        .arg(h, 2, 10, QChar(u'0'))
        .arg(m, 2, 10, QChar(u'0'))
        .arg(s, 2, 10, QChar(u'0'))
        .arg(separator)
        .arg(f, fractionDigits, 10, QChar(u'0'));
}

QStringList headerFor(std::int32_t format) {
    switch (format) {
    case kSAMI:
        return {QStringLiteral("<SAMI>"),
                QStringLiteral("<HEAD>"),
                QStringLiteral("<STYLE TYPE=\"text/css\">"),
                QStringLiteral("<!--"),
                QStringLiteral("P { margin-left: 8pt; margin-right: 8pt; text-align: center; }"),
                QStringLiteral(".ENCC { Name: Subtitles; lang: en-US; }"),
                QStringLiteral("-->"),
                QStringLiteral("</STYLE>"),
                QStringLiteral("</HEAD>"),
                QStringLiteral("<BODY>")};
    case kSubViewer:
    case kSubViewer2:
        return {QStringLiteral("[INFORMATION]"), QStringLiteral("[END INFORMATION]"),
                QStringLiteral("[SUBTITLE]")};
    default:
        return {};
    }
}

bool sameHeaderKind(std::int32_t a, std::int32_t b) {
    auto kind = [](std::int32_t f) { return f == kSubViewer2 ? kSubViewer : f; };
    return kind(a) == kind(b);
}

} // namespace

std::span<const CliFormat> cliFormats() {
    return kFormats;
}

const CliFormat& cliFormat(std::int32_t formatMode) {
    for (const CliFormat& f : kFormats)
        if (f.id == formatMode)
            return f;
    return kFormats[0];
}

std::optional<SubtitleFormat> formatNamed(const QString& name) {
    const QString wanted = name.trimmed();
    for (const CliFormat& f : kFormats) {
        if (wanted.compare(f.name, Qt::CaseInsensitive) == 0 ||
            wanted.compare(f.label, Qt::CaseInsensitive) == 0)
            return f.id;
        for (const QString& alias : f.aliases)
            if (wanted.compare(alias, Qt::CaseInsensitive) == 0)
                return f.id;
    }
    return std::nullopt;
}

std::optional<double> parseFrameRate(const QString& text) {
    static const QRegularExpression kDecimal(QStringLiteral("^\\d{1,4}(\\.\\d{1,6})?$"));
    const QString t = text.trimmed();
    if (!kDecimal.match(t).hasMatch())
        return std::nullopt;
    const double rate = t.toDouble();
    if (!(rate > 0.0) || rate > 1000.0)
        return std::nullopt;
    return rate;
}

std::optional<double> documentFrameRate(const SubtitleDocument& document) {
    if (document.formatMode != kMicroDVD || document.originalTexts.isEmpty() || document.timeLines.isEmpty())
        return std::nullopt;
    const TimeTexts t = SplitTimeLine(document.timeLines.first(), kMicroDVD);
    if (t.show.trimmed() != u"1" || t.hide.trimmed() != u"1")
        return std::nullopt;
    return parseFrameRate(document.originalTexts.first());
}

std::optional<qint64> timeTextToMs(const QString& text, std::int32_t formatMode, double fps) {
    switch (formatMode) {
    case kMicroDVD: {
        const std::optional<qint64> frame = digitsToNumber(text);
        if (!frame || !(fps > 0.0))
            return std::nullopt;
        return std::llround(double(*frame) * 1000.0 / fps);
    }
    case kSAMI:
        return digitsToNumber(text);
    default:
        return clockToMs(text);
    }
}

QString msToTimeText(qint64 ms, std::int32_t formatMode, double fps) {
    ms = std::max<qint64>(ms, 0);
    switch (formatMode) {
    case kMicroDVD:
        return QString::number(std::llround(double(ms) * fps / 1000.0));
    case kSAMI:
        return QString::number(ms);
    case kSubViewer:
    case kSubViewer2:
        return clockText(ms, u'.', 2);
    default:
        return clockText(ms, u',', 3);
    }
}

ConvertedDocument convertToFormat(const SubtitleDocument& source, std::int32_t target, double fps) {
    ConvertedDocument out;
    out.document = source;
    if (source.formatMode == target)
        return out;
    SubtitleDocument& doc = out.document;
    doc.formatMode = target;
    if (!sameHeaderKind(source.formatMode, target) || doc.headerLines.isEmpty())
        doc.headerLines = headerFor(target);
    // A MicroDVD rate line names the rate of the frames; no other format has a place for it.
    qsizetype first = 0;
    if (source.formatMode == kMicroDVD && documentFrameRate(source))
        first = 1;
    auto convertLines = [&](const QStringList& lines, bool report) {
        QStringList converted;
        for (qsizetype i = first; i < lines.size(); ++i) {
            const TimeTexts t = SplitTimeLine(lines[i], source.formatMode);
            const std::optional<qint64> show = timeTextToMs(t.show, source.formatMode, fps);
            std::optional<qint64> hide = timeTextToMs(t.hide, source.formatMode, fps);
            if (!show && report)
                out.unreadableTimes.append(int(i - first + 1));
            // SAMI may leave an entry on screen until the next one: it then ends where that begins.
            if (!hide && t.hide.trimmed().isEmpty() && i + 1 < lines.size())
                hide =
                    timeTextToMs(SplitTimeLine(lines[i + 1], source.formatMode).show, source.formatMode, fps);
            converted << BuildTimeLine(msToTimeText(show.value_or(0), target, fps),
                                       msToTimeText(hide.value_or(show.value_or(0)), target, fps), target);
        }
        return converted;
    };
    doc.timeLines = convertLines(source.timeLines, true);
    doc.loadedTimeLines = doc.timeLines;
    doc.translatedTimeLines = convertLines(source.translatedTimeLines, false);
    // MicroDVD and SubViewer 2.0 entries are one file line whose lines are parted by "|" alone;
    // every other format needs the joiner's line feed to break them.
    if (source.formatMode == kMicroDVD || source.formatMode == kSubViewer2) {
        static const QRegularExpression kLoneBar(QStringLiteral("\\|(?!\n)"));
        for (QStringList* texts : {&doc.originalTexts, &doc.translatedTexts})
            for (QString& text : *texts)
                text.replace(kLoneBar, kLineJoiner);
    }
    if (first > 0) {
        doc.originalTexts.removeFirst();
        if (!doc.translatedTexts.isEmpty())
            doc.translatedTexts.removeFirst();
    }
    return out;
}
