// Time line rules by format.
#include "subtitle/time_line_rules.h"

#include "subtitle/format_table.h"
#include "subtitle/webvtt_format.h"

#include <algorithm>

TimeLineRules::TimeLineRules(std::int32_t formatMode, const QStringList& headerLines)
    : m_format(isValidFormat(formatMode) ? formatMode : kSubRip) {
    if (m_format == kSubStation)
        m_fields = eventFieldsOfHeader(headerLines);
}

TimeTexts TimeLineRules::split(const QString& timeLine) const {
    switch (m_format) {
    case kWebVTT:
        return splitWebVttTimes(timeLine);
    case kSubStation:
        return splitEventTimes(timeLine, m_fields);
    case kSubViewer2:
        return SplitTimeLine(timeLine, kSubViewer);
    default:
        return SplitTimeLine(timeLine, m_format);
    }
}

QString TimeLineRules::build(const QString& show, const QString& hide, const QString& previous) const {
    switch (m_format) {
    case kWebVTT:
        return withWebVttTimes(previous, show, hide);
    case kSubStation:
        return withEventTimes(previous, show, hide, m_fields);
    default:
        return BuildTimeLine(show, hide, m_format);
    }
}

QString TimeLineRules::shift(const QString& text, std::int32_t delta) const {
    if (m_format != kWebVTT && m_format != kSubStation)
        return ShiftTimeText(text, delta, m_format);
    // A text that does not read counts as 0, as the clock fields of the other formats do.
    const SubtitleFormatInfo& info = formatInfo(m_format);
    const TimeCode time = info.parseTime(text, FrameRate{}).value_or(TimeCode{});
    const std::int64_t units = toFormatUnits(time, info.unit, FrameRate{}) + delta;
    return info.printTime(fromFormatUnits(std::max<std::int64_t>(units, 0), info.unit, FrameRate{}),
                          FrameRate{});
}

bool TimeLineRules::isComment(const QString& timeLine) const {
    return m_format == kSubStation && isCommentEvent(timeLine);
}

QList<int> rowsForTranslation(const SubtitleDocument& document, QList<int> rows) {
    const TimeLineRules rules(document);
    if (rules.format() != kSubStation)
        return rows;
    rows.removeIf([&](int row) {
        return row >= 0 && row < document.timeLines.size() && rules.isComment(document.timeLines[row]);
    });
    return rows;
}
