// The player's texts: time labels, the delay value and the decoding of a line for display.
#pragma once

#include "player/player_line.h"

#include <QString>
#include <QStringView>
#include <cstdint>

inline constexpr int kMaxDelay = 60000;
// The most UTF-16 units a shown line may take.
inline constexpr qsizetype kMaxShownUnits = 2048;

inline constexpr char16_t kStartText[] = u"The Start";
inline constexpr char16_t kEndText[] = u"The End";

// "hh:mm:ss,mmm", and the same after a name and a colon.
QString formatTime(std::int32_t milliseconds);
QString formatTimeLabel(const char* name, std::int32_t milliseconds);

// The delay edit's text read as a decimal integer: digits after optional white space and sign;
// anything else reads as 0. Saturates instead of overflowing.
qint64 readDecimal(QStringView text);
int clampDelay(qint64 milliseconds);

// The line's bytes decoded in the code page (0 = the system ANSI code page).
QString decodePlayerText(const PlayerLine& line, std::uint32_t codePage);
