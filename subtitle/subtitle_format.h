// The subtitle formats; the numbers are stored in formatMode and match the open dialog's filters.
// What each format is (name, extensions, times, layout) is its row of the format table.
#pragma once

#include <cstdint>

enum SubtitleFormat : std::int32_t {
    kSubRip = 1,
    kMicroDVD = 2,
    kSAMI = 3,
    kSubViewer = 4,
    kSubViewer2 = 5,
    kWebVTT = 6,
    // Advanced SubStation (.ass) and SubStation Alpha v4 (.ssa): one format, the header says which.
    kSubStation = 7,
};

inline constexpr std::int32_t kFirstFormat = kSubRip;
inline constexpr std::int32_t kLastFormat = kSubStation;

inline bool isValidFormat(std::int32_t mode) {
    return mode >= kFirstFormat && mode <= kLastFormat;
}

// Which half of the document a load, a save or a re-decoding works on.
enum class Side { Original, Translated };
