// The one door from the player to velmora's subtitle readers: which format a file is in, and the
// lines of every format the player's own SubRip parser does not read.
#pragma once

#include "player/player_line.h"

#include <QString>
#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>

// Asked when a file counts its times in frames; gets the rate the file names, if any, and answers
// frames a second, or nullopt to give the file up.
using FrameRateQuestion = std::function<std::optional<double>(std::optional<double> fileRate)>;

// A file read through its checked handle, then by the reader of its format (told by its extension,
// else by the bytes read): SubRip by the player's own parser, any other format by velmora's. A
// relative name is the working folder's. Nothing is read (and the caller keeps what it had) when
// the frame rate question is not answered.
PlayerFileLoad loadAnySubtitle(const QString& path, const FrameRateQuestion& askFrameRate);

// Bytes in a format other than SubRip, by velmora's reader of that format (its format number);
// times counted in frames are taken at `framesPerSecond`.
struct VelmoraRead {
    PlayerLoadResult result;
    bool countsFrames = false;
    std::optional<double> fileFrameRate; // named by the file's first entry
};
VelmoraRead readWithVelmoraReaders(std::string_view bytes, std::int32_t format, double framesPerSecond);

// A time text in any clock form ("01:02:03,456", "1:02:03.45", "02:03.456") or a number of
// milliseconds, in milliseconds; nullopt for anything else.
std::optional<std::int64_t> clockTextMilliseconds(QStringView text);

inline constexpr double kMinFrameRate = 1;
inline constexpr double kMaxFrameRate = 240;
