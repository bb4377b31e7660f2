// Small documents and a random sequence of edits over them, for the tests that follow the session:
// its own, and its grid model's.
#pragma once

#include "subtitle/subtitle_session.h"
#include "subtitle/time_codes.h"

#include <QRandomGenerator>

inline QString timeText(int seconds) {
    return QStringLiteral("00:%1:%2,000")
        .arg(seconds / 60, 2, 10, QChar(u'0'))
        .arg(seconds % 60, 2, 10, QChar(u'0'));
}

// n SubRip entries whose list elements say which row they belong to; translatedTexts may be shorter.
inline void fill(SubtitleSession& s, int n, int translated = -1) {
    SubtitleDocument d;
    QVector<EntryRow> rows;
    for (int i = 0; i < n; ++i) {
        const QString show = timeText(2 * i), hide = timeText(2 * i + 1);
        rows.append(
            EntryRow{double(i + 1), show, hide, QStringLiteral("o%1").arg(i), QStringLiteral("t%1").arg(i)});
        d.loadedTimeLines.append(BuildTimeLine(show, hide, kSubRip));
        d.originalTexts.append(rows.last().original);
        if (translated < 0 || i < translated)
            d.translatedTexts.append(rows.last().translated);
    }
    d.timeLines = d.loadedTimeLines;
    s.reset(d, rows);
}

inline SessionEntry made(const QString& tag, int seconds) {
    SessionEntry e;
    const QString t = timeText(seconds);
    e.row = EntryRow{0, t, t, tag, tag + "'"};
    e.timeLine = e.loadedTimeLine = BuildTimeLine(t, t, kSubRip);
    e.originalText = tag;
    e.translatedText = tag + "'";
    return e;
}

// The i-th edit of a random sequence: two rows in, one or two rows out, a text changed, or rows
// numbered anew; empty when the document has no row to change.
inline SessionEdit randomEdit(QRandomGenerator& random, const SubtitleSession& s, int i) {
    const int n = s.rowCount();
    SessionEdit edit;
    switch (random.bounded(4)) {
    case 0: {
        const int at = int(random.bounded(n + 1));
        SessionEntry e = made(QStringLiteral("r%1").arg(i), i);
        if (random.bounded(2))
            e.translatedText.reset();
        edit.insert(at, {e, made(QStringLiteral("s%1").arg(i), i)});
        break;
    }
    case 1:
        if (n > 0)
            edit.remove({int(random.bounded(n)), int(random.bounded(n))});
        break;
    case 2:
        if (n > 0) {
            const int row = int(random.bounded(n));
            SessionEntry e = s.entry(row);
            e.row.original = e.row.original + "+";
            if (e.originalText)
                e.originalText = e.row.original;
            edit.replace(row, e);
        }
        break;
    default:
        if (n > 0)
            edit.setNumbers(int(random.bounded(n)), {double(i), std::nullopt});
        break;
    }
    return edit;
}
