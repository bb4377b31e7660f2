// Search, replace and go to line over the Original and Translated texts of the rows.
#pragma once

#include "subtitle/subtitle_session.h"

#include <QString>
#include <optional>

// Case-insensitive comparison folds each character with Unicode simple case folding, which keeps
// every character in place (for A to Z it is the C library's lower-casing).
QString foldCase(const QString& text);
bool containsText(const QString& text, const QString& findText, bool matchCase);

// Every occurrence of findText without regard to case, left to right and never overlapping,
// becomes replacement exactly as typed; text put in is never searched again.
void ReplaceNoCase(QString& text, const QString& findText, const QString& replacement);

struct SearchOptions {
    bool matchCase = false;
    bool down = true;
};

// The row a find-next of a dialog goes to, or -1: from the row after (or before) the focused one,
// or from the first row when none is focused; no wrap-around. Original first, then Translated.
int findRow(const SubtitleSession& session, const QString& findText, int focusedRow, SearchOptions options);
// "Find Next": always down and always without regard to case.
int OnFindNext(const SubtitleSession& session, const QString& findText, int focusedRow);

// Replaces in both texts of one row, or of every row; the list elements take the cells' new texts
// where the lists reach. Empty find or replacement texts do nothing.
SessionEdit replaceInRow(const SubtitleSession& session, int row, const QString& findText,
                         const QString& replaceText, bool matchCase);
SessionEdit replaceAll(const SubtitleSession& session, const QString& findText, const QString& replaceText,
                       bool matchCase);

// The number typed into "Go to Line Number", read as the C library reads a decimal (no digit is 0,
// too large saturates); nullopt when it is not a valid line number (empty, 0 or less).
std::optional<int> lineNumberFromText(const QString& text);
inline const QString kInvalidLineNumber = QStringLiteral("you must input a valid line number!");
