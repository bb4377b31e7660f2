// The "Mapping Text" page's content: each entry's original in red above its translation in blue.
#pragma once

#include "subtitle/entry_rows.h"

#include <QString>
#include <QVector>
#include <cstdint>

inline constexpr int kMappingTextSizeTwips = 250;
inline constexpr std::uint32_t kMappingOriginalColor = 0xFF0000;   // RGB
inline constexpr std::uint32_t kMappingTranslatedColor = 0x0000FF; // RGB
// Longer cell texts are cut to this many characters for the page.
inline constexpr qsizetype kMappingCellLimit = 4095;

struct MappingRun {
    // The cell text without "|", then "\r\n". The line feed of a line joiner stays a lone "\n":
    // each of the two ends one paragraph.
    QString text;
    std::uint32_t rgb = 0;
    int sizeTwips = kMappingTextSizeTwips;
    friend bool operator==(const MappingRun&, const MappingRun&) = default;
};

// The WCAG contrast ratio of two RGB colours, 1 to 21.
double contrastRatio(std::uint32_t rgb, std::uint32_t otherRgb);
// The run's colour as it can be read on the page's background: unchanged when its contrast is at
// least 4.5:1, else moved towards black on a light background or white on a dark one just far
// enough (a dark theme's page would hide the blue).
std::uint32_t readableOn(std::uint32_t rgb, std::uint32_t backgroundRgb);

// Two runs per row, in row order.
QVector<MappingRun> buildMappingRuns(const EntryRows& rows);
