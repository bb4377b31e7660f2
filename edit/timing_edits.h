// Timing edits: the Show and Hide boxes (typing and spin arrows), "Set Delay" over all or the
// selected rows, and "Restore Original Time" of the focused row.
#pragma once

#include "subtitle/subtitle_session.h"

#include <QList>
#include <QString>
#include <cstdint>
#include <optional>

enum class TimeBox { Show, Hide };

struct BoxEdit {
    QString boxText;  // what the stepped box shows now
    SessionEdit edit; // empty without a focused row
};

// A step of a box's spin arrows: its text moves by steps × 10 units of the format. Nothing for the
// Hide box of a SAMI document nor for an empty box.
std::optional<BoxEdit> stepTimeBox(const SubtitleSession& session, int focusedRow, TimeBox box, int steps,
                                   const QString& boxText);

// The user typed into a box: the focused row takes both boxes' texts, and its time line follows at
// once (what the savers write must be what the user sees). Typing into one row is one undo step.
SessionEdit typeTimeBoxes(const SubtitleSession& session, int focusedRow, const QString& showText,
                          const QString& hideText);

// The "Set Delay" dialog's value box, read by position in the format's unit (typed or stepped alike).
std::int32_t readDelayValue(const QString& text, std::int32_t formatMode);
// The value after a step of the dialog's spin (+1 up, -1 down): 10 units a step, never below 0.
std::int32_t stepDelayValue(std::int32_t value, int steps);
// The value as the box shows it ("%02d:%02d:%02d,%03d", "%02d:%02d:%02d,%02d" or "%d").
QString formatDelayValue(std::int32_t value, std::int32_t formatMode);

struct DelayChoice {
    std::int32_t value = 0;
    bool negative = false;    // the sign list shows "-"
    bool selectedOnly = true; // "For selected subtitles"
};
// Shifts Show and Hide of the rows (the selection, or every row) and rebuilds their time lines.
SessionEdit setDelay(const SubtitleSession& session, const DelayChoice& choice, const QList<int>& selection);

struct RestoredTimes {
    std::optional<QString> show; // what the Show box and cell take, if anything
    std::optional<QString> hide; // what the Hide box and cell take, if anything
    SessionEdit edit;
};
// Puts back the focused row's times from the file as it was read. Nothing without a focused row,
// beyond loadedTimeLines, or for a MicroDVD line without its two brace groups.
std::optional<RestoredTimes> restoreOriginalTime(const SubtitleSession& session, int focusedRow);
