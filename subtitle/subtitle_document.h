// The string lists that the savers write. Element i of every list belongs to grid row i.
#pragma once

#include "subtitle/subtitle_format.h"

#include <QString>
#include <QStringList>
#include <cstdint>

inline const QString kUntranslated = QStringLiteral("untranslated");
// Joins the lines of one entry: "|" marks the break for the savers, the line feed for the eye.
inline const QString kLineJoiner = QStringLiteral("|\n");

struct SubtitleDocument {
    QStringList headerLines;
    // What a WebVTT or Advanced SubStation file holds after its last entry (blocks, sections,
    // attachments), written back after the entries.
    QStringList trailerLines;
    QStringList loadedTimeLines;
    QStringList timeLines;
    QStringList originalTexts;
    QStringList translatedTimeLines;
    QStringList translatedTexts;
    std::int32_t formatMode = kSubRip;
    // Code pages last picked for re-decoding; 0 means the system ANSI code page.
    std::uint32_t originalCodePage = 0;
    std::uint32_t translatedCodePage = 0;

    QStringList& texts(Side side) { return side == Side::Original ? originalTexts : translatedTexts; }
    const QStringList& texts(Side side) const {
        return side == Side::Original ? originalTexts : translatedTexts;
    }
};

// Element i of a list, or an empty string when the list is shorter: rows may outnumber the lists
// (after an interrupted load, or rows added for translated entries beyond the originals).
inline QString elementOrEmpty(const QStringList& list, qsizetype i) {
    return i >= 0 && i < list.size() ? list[i] : QString();
}
