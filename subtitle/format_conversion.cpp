// Conversion between the subtitle formats.
#include "subtitle/format_conversion.h"

#include "subtitle/format_table.h"
#include "subtitle/substation_format.h"
#include "subtitle/time_line_rules.h"
#include "subtitle/webvtt_format.h"

#include <algorithm>

namespace {

// A SAMI entry without a clearing sync stays on screen until the next one; the last one gets this.
constexpr std::int64_t kLastSamiEntryMs = 3000;

QStringList samiHeader() {
    return {
        QStringLiteral("<SAMI>"),
        QStringLiteral("<HEAD>"),
        QStringLiteral("<STYLE TYPE=\"text/css\">"),
        QStringLiteral("<!--"),
        QStringLiteral("P { margin-left: 8pt; margin-right: 8pt; text-align: center; font-family: Arial; }"),
        QStringLiteral(".ENCC { Name: English; lang: en-US; SAMIType: CC; }"),
        QStringLiteral("-->"),
        QStringLiteral("</STYLE>"),
        QStringLiteral("</HEAD>"),
        QStringLiteral("<BODY>"),
    };
}

QStringList subViewerHeader() {
    return {
        QStringLiteral("[INFORMATION]"), QStringLiteral("[TITLE]"),           QStringLiteral("[AUTHOR]"),
        QStringLiteral("[SOURCE]"),      QStringLiteral("[FILEPATH]"),        QStringLiteral("[DELAY]0"),
        QStringLiteral("[COMMENT]"),     QStringLiteral("[END INFORMATION]"), QStringLiteral("[SUBTITLE]"),
    };
}

QStringList headerOf(std::int32_t format) {
    switch (format) {
    case kSAMI:
        return samiHeader();
    case kSubViewer:
    case kSubViewer2:
        return subViewerHeader();
    case kWebVTT:
        return {QStringLiteral("WEBVTT")};
    case kSubStation:
        return defaultSubStationHeader();
    default:
        return {};
    }
}

// MicroDVD and SubViewer 2.0 part lines by "|" alone; elsewhere an entry's lines are joined with a
// line feed as well.
QString joinedLines(const QString& microDvdText) {
    QString out;
    out.reserve(microDvdText.size() + 8);
    for (qsizetype i = 0; i < microDvdText.size(); ++i) {
        out += microDvdText[i];
        if (microDvdText[i] == u'|' && (i + 1 == microDvdText.size() || microDvdText[i + 1] != u'\n'))
            out += u'\n';
    }
    return out;
}

QString convertText(const QString& text, std::int32_t from, std::int32_t to, unsigned& losses) {
    bool lost = false;
    QString plain = text;
    if (from == kMicroDVD || from == kSubViewer2)
        plain = joinedLines(plain);
    else if (from == kWebVTT)
        plain = webVttToPlainMarkup(plain, &lost);
    else if (from == kSubStation)
        plain = subStationToPlainMarkup(plain, &lost);
    if (to == kWebVTT)
        plain = plainMarkupToWebVtt(plain, &lost);
    else if (to == kSubStation)
        plain = plainMarkupToSubStation(plain, &lost);
    if (lost)
        losses |= kLostMarkup;
    return plain;
}

// Whether a source time line holds more than its two times.
bool hasSettings(const QString& timeLine, const TimeTexts& times, std::int32_t format) {
    switch (format) {
    case kSubRip:
        return times.hide.trimmed().contains(u' ');
    case kWebVTT: {
        const QStringView timing = QStringView(timeLine).mid(timeLine.lastIndexOf(u'\n') + 1);
        // An identifier line, or anything after the hide time.
        return timeLine.contains(u'\n') || timing.trimmed().split(u' ', Qt::SkipEmptyParts).size() > 3;
    }
    case kSubStation:
        return true; // every event has a style
    default:
        return false;
    }
}

bool hasKeptLines(const QString& timeLine, std::int32_t format) {
    if (format == kSubStation)
        return timeLine.contains(u'\n');
    if (format == kWebVTT)
        return timeLine.contains(QStringLiteral("\n\n"));
    return false;
}

bool isRateLine(const QString& timeLine, const QString& text) {
    const TimeTexts t = SplitTimeLine(timeLine, kMicroDVD);
    return (t.show == u"0" || t.show == u"1") && t.show == t.hide && FrameRate::fromText(text).has_value();
}

} // namespace

bool conversionNeedsFrameRate(std::int32_t source, std::int32_t target) {
    return source != target && (source == kMicroDVD || target == kMicroDVD);
}

std::optional<FrameRate> documentFrameRate(const SubtitleDocument& document) {
    if (document.formatMode != kMicroDVD || document.timeLines.isEmpty() ||
        document.originalTexts.isEmpty() ||
        !isRateLine(document.timeLines.first(), document.originalTexts.first()))
        return std::nullopt;
    return FrameRate::fromText(document.originalTexts.first());
}

ConvertedDocument convertDocument(const SubtitleDocument& source, std::int32_t target, FrameRate rate) {
    ConvertedDocument converted;
    const std::int32_t from = formatInfo(source.formatMode).id;
    target = formatInfo(target).id;
    if (from == target) {
        converted.document = source;
        return converted;
    }
    unsigned& losses = converted.losses;
    SubtitleDocument& out = converted.document;
    out.formatMode = target;
    out.originalCodePage = source.originalCodePage;
    out.translatedCodePage = source.translatedCodePage;
    // The two SubViewers share their header; a WebVTT signature alone says nothing.
    const bool sameHeader =
        (from == kSubViewer || from == kSubViewer2) && (target == kSubViewer || target == kSubViewer2);
    out.headerLines = sameHeader ? source.headerLines : headerOf(target);
    const bool sourceHeader =
        std::any_of(source.headerLines.begin(), source.headerLines.end(), [from](const QString& l) {
            return !l.trimmed().isEmpty() && !(from == kWebVTT && l == u"WEBVTT");
        });
    if (sourceHeader && formatInfo(from).hasHeader && !sameHeader)
        losses |= kLostHeader;
    if (!source.trailerLines.isEmpty())
        losses |= kLostBlocks;

    const TimeLineRules fromRules(from, source.headerLines);
    const TimeLineRules toRules(target, out.headerLines);
    const SubtitleFormatInfo& fromInfo = formatInfo(from);
    const SubtitleFormatInfo& toInfo = formatInfo(target);
    const qsizetype count =
        std::max({source.timeLines.size(), source.originalTexts.size(), source.translatedTexts.size()});

    // The times of every entry first: a SAMI entry ends where the next begins.
    QVector<std::optional<TimeCode>> shows(count), hides(count);
    for (qsizetype i = 0; i < source.timeLines.size(); ++i) {
        const TimeTexts times = fromRules.split(source.timeLines[i]);
        shows[i] = fromInfo.parseTime(times.show, rate);
        hides[i] = fromInfo.parseTime(times.hide, rate);
        if (hasSettings(source.timeLines[i], times, from))
            losses |= kLostSettings;
        if (hasKeptLines(source.timeLines[i], from))
            losses |= kLostBlocks;
    }
    for (qsizetype i = 0; i < source.timeLines.size(); ++i) {
        if (hides[i] || !shows[i] || fromInfo.hasHideTime)
            continue;
        const qsizetype next = i + 1;
        hides[i] = next < source.timeLines.size() && shows[next] && shows[i] < *shows[next]
                       ? shows[next]
                       : TimeCode::fromMilliseconds(shows[i]->milliseconds() + kLastSamiEntryMs);
    }

    auto printed = [&](const std::optional<TimeCode>& time) {
        if (!time)
            losses |= kUnreadableTime;
        const TimeCode t = time.value_or(TimeCode{});
        const QString text = toInfo.printTime(t, rate);
        if (const std::optional<TimeCode> back = toInfo.parseTime(text, rate); !back || !(*back == t))
            losses |= kLostPrecision;
        return text;
    };
    for (qsizetype i = 0; i < count; ++i) {
        const bool hasTime = i < source.timeLines.size();
        if (hasTime && fromRules.isComment(source.timeLines[i])) {
            losses |= kLostComments;
            continue;
        }
        if (i == 0 && from == kMicroDVD && hasTime && i < source.originalTexts.size() &&
            isRateLine(source.timeLines[i], source.originalTexts[i])) {
            losses |= kLostRateLine;
            continue;
        }
        if (hasTime) {
            QString timeLine = toRules.build(printed(shows[i]), printed(hides[i]));
            // SAMI players look for a paragraph class to style the text with.
            if (target == kSAMI)
                timeLine.insert(timeLine.indexOf(u'>') + 1, QStringLiteral("<P Class=ENCC>"));
            out.timeLines.append(timeLine);
        }
        if (i < source.originalTexts.size())
            out.originalTexts.append(convertText(source.originalTexts[i], from, target, losses));
        if (i < source.translatedTexts.size())
            out.translatedTexts.append(convertText(source.translatedTexts[i], from, target, losses));
    }
    out.loadedTimeLines = out.timeLines;
    return converted;
}

QString conversionStatus(unsigned losses, std::int32_t target, FrameRate rate) {
    const SubtitleFormatInfo& info = formatInfo(target);
    QStringList what;
    if (losses & kLostHeader)
        what << QStringLiteral("the header and its styles");
    if (losses & kLostSettings)
        what << QStringLiteral("the entries' own settings (identifiers, positions, styles)");
    if (losses & kLostBlocks)
        what << QStringLiteral("notes, sections and attachments between or after the entries");
    if (losses & kLostComments)
        what << QStringLiteral("the comment lines");
    if (losses & kLostMarkup)
        what << QStringLiteral("markup it has no form for");
    if (losses & kLostRateLine)
        what << QStringLiteral("the frame rate line");
    if (losses & kLostPrecision) {
        if (info.unit == TimeUnit::Frame)
            what << QStringLiteral("times finer than a frame at %1 fps").arg(rate.text());
        else if (info.unit == TimeUnit::Centisecond)
            what << QStringLiteral("times finer than a hundredth of a second");
        else
            what << QStringLiteral("times finer than a millisecond");
    }
    QString status;
    if (!what.isEmpty())
        status = QStringLiteral("Saved as %1, which has no place for %2.")
                     .arg(info.name, what.join(QStringLiteral(", ")));
    if (losses & kUnreadableTime)
        status += (status.isEmpty() ? QString() : QStringLiteral(" ")) +
                  QStringLiteral("Times that could not be read were written as 0.");
    return status;
}

SaveAsResult saveDocumentAs(SubtitleDocument& document, SaveKind kind, std::int32_t target, FrameRate rate,
                            const QString& path) {
    SaveAsResult result;
    if (formatInfo(target).id == formatInfo(document.formatMode).id) {
        result.save = writeDocument(document, kind, path);
        return result;
    }
    ConvertedDocument converted = convertDocument(document, target, rate);
    result.save = writeDocument(converted.document, kind, path);
    if (result.save.written)
        result.status = conversionStatus(converted.losses, target, rate);
    return result;
}
