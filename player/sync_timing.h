// How a subtitle file's times are laid over a film with a clock of its own: a shift of every line
// and a speed factor for a film that runs at another frame rate than the one the file was timed on.
#pragma once

#include <QString>
#include <cstdint>
#include <span>

// One speed a film may run at against its subtitles: file times are multiplied by num / den.
struct SpeedChoice {
    const char* key;   // as remembered in the settings
    const char* label; // as shown in menus
    std::int64_t num;
    std::int64_t den;
};

// The first is the file's own speed.
std::span<const SpeedChoice> speedChoices();

inline constexpr int kOffsetStep = 100;     // ms, one press of + or -
inline constexpr int kOffsetBigStep = 1000; // ms, with Shift
// Far enough for any film, and small enough that no mapped time overflows.
inline constexpr int kMaxOffset = 24 * 3600 * 1000;

struct SyncTiming {
    int offset = 0; // ms added to every time, after the speed factor
    int speed = 0;  // index into speedChoices()

    bool isNeutral() const { return offset == 0 && speed == 0; }
    // When a time of the file happens on the film's clock; never before the film's start.
    std::int64_t map(std::int32_t fileTime) const;

    SyncTiming nudged(int delta) const;
    SyncTiming withSpeed(int index) const;
    // "Offset +1.200 s", with the speed when it is not the file's own.
    QString describe() const;

    friend bool operator==(const SyncTiming&, const SyncTiming&) = default;
};

// The speed choice with this key; 0 (the file's own) for an unknown one.
int speedIndexOf(const QString& key);
