// A second subtitle file shown below the first (a translation under its original): its lines go
// with the first file's lines they share their time with, whatever their numbers.
#pragma once

#include "player/player_line.h"

#include <QString>
#include <cstdint>
#include <vector>

struct TimedText {
    std::int32_t show = 0;
    std::int32_t hide = 0;
    QString text;
};

// For each line of `first`, the texts of `second` shown with it, in time order, one line feed
// between them. A line of the second file goes with every line of the first that it shares at
// least half of the shorter one's time with (one translation of two lines, or two of one); failing
// that, with the one it shares most with; sharing no time with any, it is not shown.
std::vector<QString> matchByTime(const std::vector<PlayerLine>& first, const std::vector<TimedText>& second);
