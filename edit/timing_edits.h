// Timing edits: the Show and Hide boxes (typing and spin arrows), "Set Delay" over all or the
// selected rows, and "Restore Original Time" of the focused row.
#pragma once

#include "subtitle/subtitle_session.h"
#include "subtitle/time_code.h"

#include <QList>
#include <QString>
#include <QStringView>
#include <cstdint>
#include <optional>

enum class TimeBox { Show, Hide };

struct BoxEdit {
    QString boxText;  // what the stepped box shows now
    SessionEdit edit; // empty without a focused row
};

// A step of a box's spin arrows: its text moves by steps × 10 units of the format; a box being typed
// over steps from the row's time. Nothing for the Hide box of a SAMI document nor for an empty box.
std::optional<BoxEdit> stepTimeBox(const SubtitleSession& session, int focusedRow, TimeBox box, int steps,
                                   const QString& boxText);

// The time a box's text stands for, when it is a whole time of the format: a clock text of digits
// and separators only, its minutes and seconds below 60, or a count of digits only. Positions the
// user cleared and has not typed again read as blanks, so a box being typed over is no time yet.
std::optional<TimeCode> boxTime(QStringView text, std::int32_t formatMode);

enum class TypedVerdict {
    Taken,          // the row has the two times
    Unfinished,     // a box holds no whole time yet: the row keeps its times
    HideBeforeShow, // refused: the row keeps its times
};
struct TypedTimes {
    TypedVerdict verdict = TypedVerdict::Taken;
    SessionEdit edit; // empty unless taken (and without a focused row)
};
inline constexpr char16_t kHideBeforeShowStatus[] =
    u"The Hide time is before the Show time: the line keeps its times until both make sense.";

// The user typed into a box: once both boxes hold whole times, Hide not before Show, the focused row
// takes both boxes' texts and its time line follows at once (what the savers write must be what the
// user sees). Typing into one row is one undo step.
TypedTimes typeTimeBoxes(const SubtitleSession& session, int focusedRow, const QString& showText,
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
