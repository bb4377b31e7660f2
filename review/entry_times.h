// A row's Show and Hide texts as numbers in the format's own unit (millisecond, hundredth or frame),
// read at the same character positions the time code functions read them.
#pragma once

#include <QString>
#include <cstdint>
#include <optional>

// Nullopt for a text that is not a time of the format (an empty cell, a row added without times),
// so that no check takes it for zero.
std::optional<std::int64_t> timeUnits(const QString& text, std::int32_t formatMode);

// Units in a second: 1000 for SubRip and SAMI, 100 for SubViewer, the frame rate for MicroDVD.
double unitsPerSecond(std::int32_t formatMode, double frameRate);

// Whether the format's entries have a Hide time of their own (SAMI's last until the next entry).
bool hasHideTimes(std::int32_t formatMode);

// Limits in seconds (or frames) as whole units: a shortest value rounds up, a longest down.
std::int64_t atLeastUnits(double seconds, double unitsPerSecond);
std::int64_t atMostUnits(double seconds, double unitsPerSecond);
std::int64_t gapUnits(int frames, std::int32_t formatMode, double frameRate);
