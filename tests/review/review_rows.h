// Rows for the review tests: SubRip times in milliseconds, texts as given.
#pragma once

#include "review/checks.h"
#include "subtitle/time_codes.h"

#include <QStringList>
#include <ostream>

// Readable failures.
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

inline QString srt(int ms) {
    return ShiftTimeText(QStringLiteral("00:00:00,000"), ms, kSubRip);
}

inline EntryRow textRow(const QString& original, const QString& translated, int showMs = 1000,
                        int hideMs = 4000) {
    return EntryRow{1, srt(showMs), srt(hideMs), original, translated};
}

// The cell texts that the findings of one kind point at, in order ("" for a finding on the times).
inline QStringList foundTexts(const QVector<EntryRow>& rows, CheckKind kind,
                              const CheckOptions& options = {}) {
    QStringList texts;
    for (const Finding& f : checkRows(rows, options)) {
        if (f.kind != kind)
            continue;
        const EntryRow& row = rows[f.row];
        const QString& cell = f.side == FindingSide::Original ? row.original : row.translated;
        texts.append(f.side == FindingSide::Times ? QString() : cell.mid(f.start, f.length));
    }
    return texts;
}
