// The line operations: cut, copy and paste whole entries through velmora's own line clipboard,
// insert, delete and combine. Each reads the session and the selection and returns the edit that
// the session applies as one undo step.
#pragma once

#include "subtitle/subtitle_session.h"

#include <QList>
#include <QVector>
#include <optional>

// A row's four cells and its elements of the four lists that move with it (nullopt where the row
// had none: lists may be shorter than the grid).
struct ClipboardLine {
    QString show;
    QString hide;
    QString originalCell;
    QString translatedCell;
    std::optional<QString> loadedTimeLine;
    std::optional<QString> timeLine;
    std::optional<QString> originalText;
    std::optional<QString> translatedText;
    // A moved line can still be read in another character set.
    RowSources sources;

    friend bool operator==(const ClipboardLine&, const ClipboardLine&) = default;
};
using LineClipboard = QVector<ClipboardLine>;

inline const QString kNewOriginalText = QStringLiteral("original");

// Every function takes the selected rows in ascending order (the grid gives them so); an
// unsorted or repeated selection is put in order first. An empty edit means nothing happens.
SessionEdit OnDeleteSelected(const SubtitleSession& session, QList<int> selection);
// Fills the clipboard only when something is selected.
SessionEdit OnCutLine(const SubtitleSession& session, QList<int> selection, LineClipboard& clipboard);
void OnCopyLine(const SubtitleSession& session, QList<int> selection, LineClipboard& clipboard);
// The lines go in before the last selected row (the last row when none is selected) and take its
// number and the ones after; with an empty grid nothing happens, with an empty clipboard only the
// selection is cleared.
SessionEdit OnPasteLine(const SubtitleSession& session, QList<int> selection, const LineClipboard& clipboard);
SessionEdit OnInsertSubtitle(const SubtitleSession& session, QList<int> selection);
SessionEdit OnInsertBefore(const SubtitleSession& session, QList<int> selection);
SessionEdit OnCombineSubtitles(const SubtitleSession& session, QList<int> selection);
