// Line operations over the session.
#include "edit/line_operations.h"

#include "subtitle/format_table.h"
#include "subtitle/time_line_rules.h"

#include <algorithm>

namespace {

QList<int> ordered(QList<int> rows, int rowCount) {
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    rows.erase(std::remove_if(rows.begin(), rows.end(), [rowCount](int r) { return r < 0 || r >= rowCount; }),
               rows.end());
    return rows;
}

// A row's number as the operations read it: an integer, 0 for a row without one.
double numberOf(const SubtitleSession& session, int row) {
    const std::optional<double>& n = session.rows().at(row).number;
    return n ? double(qint64(*n)) : 0.0;
}

QVector<std::optional<double>> countingFrom(double first, qsizetype count) {
    QVector<std::optional<double>> numbers;
    numbers.reserve(count);
    for (qsizetype i = 0; i < count; ++i)
        numbers.append(first + double(i));
    return numbers;
}

// Removing rows renumbers what follows the first of them: the rows after it count on from its
// number. (Renumbering after every removed row in turn, as the rows leave one by one, comes to this.)
void removeAndRenumber(const SubtitleSession& session, const QList<int>& rows, SessionEdit& edit) {
    const double first = numberOf(session, rows.first());
    const int remaining = session.rowCount() - int(rows.size());
    const int from = rows.first();
    edit.remove(rows);
    edit.setNumbers(from, countingFrom(first, remaining - from));
}

ClipboardLine lineOf(const SubtitleSession& session, int row) {
    const SessionEntry e = session.entry(row);
    return ClipboardLine{e.row.show, e.row.hide,     e.row.original,   e.row.translated, e.loadedTimeLine,
                         e.timeLine, e.originalText, e.translatedText, e.sources};
}

SessionEntry newEntry(double number, const QString& time, const SubtitleDocument& document) {
    SessionEntry e;
    e.row = EntryRow{number, time, time, kNewOriginalText, kUntranslated};
    const QString timeLine = TimeLineRules(document).build(time, time);
    e.loadedTimeLine = timeLine;
    e.timeLine = timeLine;
    e.originalText = kNewOriginalText;
    e.translatedText = kUntranslated;
    return e;
}

} // namespace

SessionEdit OnDeleteSelected(const SubtitleSession& session, QList<int> selection) {
    SessionEdit edit(QStringLiteral("Delete Selected"));
    selection = ordered(std::move(selection), session.rowCount());
    if (selection.isEmpty())
        return edit;
    removeAndRenumber(session, selection, edit);
    const int remaining = session.rowCount() - int(selection.size());
    edit.select({}, std::min(selection.first(), remaining - 1));
    return edit;
}

SessionEdit OnCutLine(const SubtitleSession& session, QList<int> selection, LineClipboard& clipboard) {
    SessionEdit edit(QStringLiteral("Cut Line"));
    selection = ordered(std::move(selection), session.rowCount());
    if (selection.isEmpty())
        return edit;
    OnCopyLine(session, selection, clipboard);
    removeAndRenumber(session, selection, edit);
    const int remaining = session.rowCount() - int(selection.size());
    edit.select({}, std::min(selection.first(), remaining - 1));
    return edit;
}

void OnCopyLine(const SubtitleSession& session, QList<int> selection, LineClipboard& clipboard) {
    selection = ordered(std::move(selection), session.rowCount());
    if (selection.isEmpty())
        return;
    clipboard.clear();
    clipboard.reserve(selection.size());
    for (int row : selection)
        clipboard.append(lineOf(session, row));
}

SessionEdit OnPasteLine(const SubtitleSession& session, QList<int> selection,
                        const LineClipboard& clipboard) {
    SessionEdit edit(QStringLiteral("Paste Line"));
    selection = ordered(std::move(selection), session.rowCount());
    if (session.rowCount() == 0)
        return edit;
    const int anchor = selection.isEmpty() ? session.rowCount() - 1 : selection.last();
    const double k = numberOf(session, anchor);
    const qsizetype c = clipboard.size();

    QVector<SessionEntry> entries;
    entries.reserve(c);
    for (qsizetype j = 0; j < c; ++j) {
        const ClipboardLine& line = clipboard[j];
        SessionEntry e;
        e.row = EntryRow{k + double(j), line.show, line.hide, line.originalCell, line.translatedCell};
        e.loadedTimeLine = line.loadedTimeLine;
        e.timeLine = line.timeLine;
        e.originalText = line.originalText;
        e.translatedText = line.translatedText;
        e.sources = line.sources;
        entries.append(std::move(e));
    }
    edit.insert(anchor, std::move(entries));
    // The anchor and everything after it move down by c and count on after the pasted lines.
    edit.setNumbers(anchor + int(c), countingFrom(k + double(c), session.rowCount() - anchor));

    // Every row whose number falls among the pasted ones ends up selected, the last of them focused.
    QList<int> selected;
    if (c > 0) {
        const double last = k + double(c) - 1;
        for (int r = 0; r < anchor; ++r) {
            const double n = numberOf(session, r);
            if (n >= k && n <= last)
                selected.append(r);
        }
        for (qsizetype j = 0; j < c; ++j)
            selected.append(anchor + int(j));
    }
    edit.select(selected, selected.isEmpty() ? -1 : selected.last());
    return edit;
}

SessionEdit OnInsertSubtitle(const SubtitleSession& session, QList<int> selection) {
    SessionEdit edit(QStringLiteral("Insert Subtitle"));
    // The start of the film, as the format writes it.
    QString time = formatInfo(session.document().formatMode).printTime(TimeCode{}, FrameRate{});
    double number = 1;
    const int count = session.rowCount();
    if (count > 0) {
        number = numberOf(session, count - 1) + 1;
        time = session.rows().at(count - 1).hide;
    }
    edit.insert(count, {newEntry(number, time, session.document())});
    // The new row joins the selection rather than replacing it.
    selection = ordered(std::move(selection), count);
    selection.append(count);
    edit.select(selection, count);
    return edit;
}

SessionEdit OnInsertBefore(const SubtitleSession& session, QList<int> selection) {
    SessionEdit edit(QStringLiteral("Insert Before"));
    selection = ordered(std::move(selection), session.rowCount());
    if (selection.isEmpty())
        return edit;
    const int anchor = selection.takeLast();
    const double k = numberOf(session, anchor);
    const QString show = session.rows().at(anchor).show;
    edit.insert(anchor, {newEntry(k, show, session.document())});
    edit.setNumbers(anchor + 1, countingFrom(k + 1, session.rowCount() - anchor));
    // The anchor leaves the selection; the rows before it keep theirs, the new row joins.
    selection.append(anchor);
    edit.select(selection, anchor);
    return edit;
}

SessionEdit OnCombineSubtitles(const SubtitleSession& session, QList<int> selection) {
    SessionEdit edit(QStringLiteral("Combine Subtitles"));
    selection = ordered(std::move(selection), session.rowCount());
    if (selection.size() < 2)
        return edit;
    const int first = selection.first();

    QString originalCell, originalText, translatedCell, translatedText;
    for (qsizetype i = 0; i < selection.size(); ++i) {
        const SessionEntry e = session.entry(selection[i]);
        originalCell += e.row.original;
        originalText += e.originalText.value_or(QString());
        translatedCell += e.row.translated;
        translatedText += e.translatedText.value_or(QString());
        if (i + 1 < selection.size()) {
            for (QString* text : {&originalCell, &originalText, &translatedCell, &translatedText})
                *text += kLineJoiner;
        }
    }

    SessionEntry combined = session.entry(first);
    combined.row.hide = session.rows().at(selection.last()).hide;
    combined.row.original = originalCell;
    combined.row.translated = translatedCell;
    // The joined texts no longer come from one stretch of a file's bytes.
    combined.sources = RowSources{};
    // The first entry's time line lends what is not times (an event's style, a cue's settings).
    const QString timeLine =
        TimeLineRules(session.document())
            .build(combined.row.show, combined.row.hide, combined.timeLine.value_or(QString()));
    if (combined.originalText)
        combined.originalText = originalText;
    if (combined.translatedText)
        combined.translatedText = translatedText;
    if (combined.timeLine)
        combined.timeLine = timeLine;
    if (combined.loadedTimeLine)
        combined.loadedTimeLine = timeLine;
    edit.replace(first, std::move(combined));
    removeAndRenumber(session, selection.mid(1), edit);
    edit.select({first}, first);
    return edit;
}
