// The five subtitle formats; the numbers are stored in formatMode and match the open dialog's filters.
#pragma once

#include <cstdint>

enum SubtitleFormat : std::int32_t {
    kSubRip = 1,
    kMicroDVD = 2,
    kSAMI = 3,
    kSubViewer = 4,
    kSubViewer2 = 5,
};

inline bool isValidFormat(std::int32_t mode) {
    return mode >= kSubRip && mode <= kSubViewer2;
}

// Which half of the document a load, a save or a re-decoding works on.
enum class Side { Original, Translated };
