// Times and frame counts as the command line takes them: "1.2", "-0.5s", "1500ms", "-00:00:01,200",
// "1:02.5", "30f".
#pragma once

#include <QString>
#include <optional>

struct TimeValue {
    qint64 amount = 0;   // milliseconds, or frames
    bool frames = false; // given in frames ("30f")
};

// `signAllowed`: a leading '+' or '-' (an offset); else the value is a moment and never negative.
std::optional<TimeValue> parseTimeValue(const QString& text, bool signAllowed);
