// The limits the layout and timing checks hold the rows to, and the named presets that set them.
#pragma once

#include "support/user_message.h"

#include <QString>
#include <optional>
#include <span>

struct ReviewLimits {
    int maxCharsPerLine = 42;
    int maxLines = 2;
    double maxCharsPerSecond = 20;
    double minDurationSeconds = 5.0 / 6.0;
    double maxDurationSeconds = 7;
    // Frames at the film's frame rate: the gap a viewer's eye needs to see that a new entry began.
    int minGapFrames = 2;

    friend bool operator==(const ReviewLimits&, const ReviewLimits&) = default;
};

enum class PresetId { StreamingAdult, Children, Custom };

struct ReviewPreset {
    PresetId id;
    const char* key;      // stored in the settings; never translated
    const char16_t* name; // shown in the preset combo
    ReviewLimits limits;  // for Custom: the values it starts from
};

std::span<const ReviewPreset> reviewPresets();
const ReviewPreset& reviewPreset(PresetId id);
std::optional<PresetId> presetForKey(const QString& key);

// Why a set of limits cannot be used (a zero frame count is fine; a zero line length is not).
std::optional<UserMessage> validateLimits(const ReviewLimits& limits);
