// Timing edits over the session.
#include "edit/timing_edits.h"

#include "subtitle/format_table.h"
#include "subtitle/time_line_rules.h"

#include <algorithm>
#include <cstdio>

namespace {

constexpr std::int32_t kSpinUnits = 10;

// A step count times ten, kept inside 32 bits however far a key is held down.
std::int32_t spinDelta(int steps) {
    const std::int64_t delta = std::int64_t(steps) * kSpinUnits;
    return std::int32_t(std::clamp<std::int64_t>(delta, INT32_MIN, INT32_MAX));
}

std::int32_t field(QStringView text, qsizetype first, qsizetype last) {
    if (first >= text.size())
        return 0;
    return decimalValue(text.mid(first, std::min(last + 1, text.size()) - first));
}

} // namespace

std::optional<BoxEdit> stepTimeBox(const SubtitleSession& session, int focusedRow, TimeBox box, int steps,
                                   const QString& boxText) {
    const TimeLineRules rules(session.document());
    if ((box == TimeBox::Hide && !formatInfo(rules.format()).hasHideTime) || boxText.isEmpty())
        return std::nullopt;
    const bool hasRow = focusedRow >= 0 && focusedRow < session.rowCount();
    QString from = boxText;
    if (hasRow && !boxTime(boxText, rules.format())) {
        const EntryRow& row = session.rows().at(focusedRow);
        from = box == TimeBox::Show ? row.show : row.hide;
    }
    BoxEdit result;
    result.boxText = rules.shift(from, spinDelta(steps));
    result.edit = SessionEdit(QStringLiteral("Change Time"));
    if (!hasRow)
        return result;
    SessionEntry e = session.entry(focusedRow);
    (box == TimeBox::Show ? e.row.show : e.row.hide) = result.boxText;
    if (e.timeLine)
        e.timeLine = rules.build(e.row.show, e.row.hide, *e.timeLine);
    result.edit.replace(focusedRow, std::move(e));
    return result;
}

std::optional<TimeCode> boxTime(QStringView text, std::int32_t formatMode) {
    const SubtitleFormatInfo& format = formatInfo(formatMode);
    if (!format.clockTimes)
        return format.parseTime(text, FrameRate{});
    // Fields of digits: hours, minutes and seconds (or minutes and seconds), then a fraction.
    QList<QStringView> fields;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        if (i < text.size() && text[i] >= u'0' && text[i] <= u'9')
            continue;
        if (i < text.size() && text[i] != u':' && text[i] != u',' && text[i] != u'.')
            return std::nullopt;
        if (i == start)
            return std::nullopt;
        fields.append(text.sliced(start, i - start));
        start = i + 1;
    }
    const bool fraction = text.contains(u',') || text.contains(u'.');
    const qsizetype clockFields = fields.size() - (fraction ? 1 : 0);
    if (clockFields < 2 || clockFields > 3)
        return std::nullopt;
    for (qsizetype f = clockFields - 2; f < clockFields; ++f)
        if (fields[f].toInt() >= 60)
            return std::nullopt;
    return parseClockTime(text);
}

TypedTimes typeTimeBoxes(const SubtitleSession& session, int focusedRow, const QString& showText,
                         const QString& hideText) {
    TypedTimes typed;
    typed.edit = SessionEdit(QStringLiteral("Change Time"));
    const std::int32_t format = session.document().formatMode;
    const std::optional<TimeCode> show = boxTime(showText, format);
    // SAMI's Hide box means nothing and is never typed into.
    const bool hasHide = formatInfo(format).hasHideTime;
    const std::optional<TimeCode> hide = hasHide ? boxTime(hideText, format) : show;
    if (!show || !hide) {
        typed.verdict = TypedVerdict::Unfinished;
        return typed;
    }
    if (*hide < *show) {
        typed.verdict = TypedVerdict::HideBeforeShow;
        return typed;
    }
    if (focusedRow < 0 || focusedRow >= session.rowCount())
        return typed;
    SessionEntry e = session.entry(focusedRow);
    e.row.show = showText;
    e.row.hide = hideText;
    if (e.timeLine)
        e.timeLine = TimeLineRules(session.document()).build(showText, hideText, *e.timeLine);
    typed.edit.replace(focusedRow, std::move(e));
    typed.edit.setMergeKey(QStringLiteral("type-time:%1").arg(focusedRow));
    return typed;
}

std::int32_t readDelayValue(const QString& text, std::int32_t formatMode) {
    const QStringView t(text);
    const SubtitleFormatInfo& format = formatInfo(formatMode);
    if (!format.clockTimes)
        return decimalValue(t);
    // The largest value the masks allow (99:99:99,999) fits 32 bits; free text saturates.
    std::int64_t value = 0;
    if (format.unit == TimeUnit::Centisecond)
        value = std::int64_t(field(t, 0, 1)) * 360000 + std::int64_t(field(t, 3, 4)) * 6000 +
                std::int64_t(field(t, 6, 7)) * 100 + field(t, 9, 10);
    else
        value = std::int64_t(field(t, 0, 1)) * 3600000 + std::int64_t(field(t, 3, 4)) * 60000 +
                std::int64_t(field(t, 6, 7)) * 1000 + field(t, 9, 11);
    return std::int32_t(std::clamp<std::int64_t>(value, INT32_MIN, INT32_MAX));
}

std::int32_t stepDelayValue(std::int32_t value, int steps) {
    const std::int64_t next = std::int64_t(value) + std::int64_t(spinDelta(steps));
    return std::int32_t(std::clamp<std::int64_t>(next, 0, INT32_MAX));
}

QString formatDelayValue(std::int32_t value, std::int32_t formatMode) {
    char buffer[64];
    const std::int64_t v = std::max<std::int32_t>(value, 0);
    const SubtitleFormatInfo& format = formatInfo(formatMode);
    if (!format.clockTimes)
        std::snprintf(buffer, sizeof buffer, "%d", value);
    else if (format.unit == TimeUnit::Centisecond)
        std::snprintf(buffer, sizeof buffer, "%02lld:%02lld:%02lld,%02lld", (long long)(v / 360000),
                      (long long)(v / 6000 % 60), (long long)(v / 100 % 60), (long long)(v % 100));
    else
        std::snprintf(buffer, sizeof buffer, "%02lld:%02lld:%02lld,%03lld", (long long)(v / 3600000),
                      (long long)(v / 60000 % 60), (long long)(v / 1000 % 60), (long long)(v % 1000));
    return QString::fromLatin1(buffer);
}

SessionEdit setDelay(const SubtitleSession& session, const DelayChoice& choice, const QList<int>& selection) {
    SessionEdit edit(QStringLiteral("Set Delay"));
    if (choice.value == 0)
        return edit;
    // The value is at least 0, so its negation always fits.
    const std::int32_t delta = choice.negative ? -choice.value : choice.value;
    const TimeLineRules rules(session.document());
    QList<int> rows;
    if (choice.selectedOnly) {
        rows = selection;
        std::sort(rows.begin(), rows.end());
        rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
        rows.erase(
            std::remove_if(rows.begin(), rows.end(), [&](int r) { return r < 0 || r >= session.rowCount(); }),
            rows.end());
    } else {
        rows.reserve(session.rowCount());
        for (int r = 0; r < session.rowCount(); ++r)
            rows.append(r);
    }
    QVector<SessionEntry> entries;
    entries.reserve(rows.size());
    for (int row : rows) {
        SessionEntry e = session.entry(row);
        e.row.show = rules.shift(e.row.show, delta);
        e.row.hide = rules.shift(e.row.hide, delta);
        if (e.timeLine)
            e.timeLine = rules.build(e.row.show, e.row.hide, *e.timeLine);
        entries.append(std::move(e));
    }
    edit.replace(std::move(rows), std::move(entries));
    return edit;
}

std::optional<RestoredTimes> restoreOriginalTime(const SubtitleSession& session, int focusedRow) {
    if (focusedRow < 0 || focusedRow >= session.rowCount())
        return std::nullopt;
    const SubtitleDocument& document = session.document();
    if (focusedRow >= document.loadedTimeLines.size())
        return std::nullopt;
    const QString& source = document.loadedTimeLines[focusedRow];
    const std::int32_t format = document.formatMode;
    if (format == kMicroDVD) {
        // Both brace groups must be there, or nothing at all changes.
        const qsizetype a = source.indexOf(u'{');
        const qsizetype b = a < 0 ? -1 : source.indexOf(u'}', a + 1);
        const qsizetype c = b < 0 ? -1 : source.indexOf(u'{', b + 1);
        const qsizetype d = c < 0 ? -1 : source.indexOf(u'}', c + 1);
        if (d < 0)
            return std::nullopt;
    }
    const TimeTexts times = TimeLineRules(document).split(source);
    RestoredTimes restored;
    SessionEntry e = session.entry(focusedRow);
    restored.show = times.show;
    e.row.show = times.show;
    if (formatInfo(format).hasHideTime) {
        restored.hide = times.hide;
        e.row.hide = times.hide;
    }
    if (e.timeLine)
        e.timeLine = source;
    restored.edit = SessionEdit(QStringLiteral("Restore Original Time"));
    restored.edit.replace(focusedRow, std::move(e));
    return restored;
}
