// trelline's own subtitle record and its SubRip loader: texts stay in the file's bytes until shown.
#pragma once

#include "charset/encoding_detector.h"
#include "support/user_message.h"

#include <QString>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// A subtitle's text keeps at most this many bytes less one; the rest of a longer text is cut.
inline constexpr std::size_t kPlayerTextSize = 1024;
// One read takes at most this many bytes; a longer line without its newline makes the file invalid.
inline constexpr std::size_t kPlayerReadLimit = 1023;

struct PlayerLine {
    std::int32_t number = 0;
    std::int32_t show = 0;     // milliseconds from the start
    std::int32_t duration = 0; // hide minus show
    std::int32_t hide = 0;
    std::string text; // the file's bytes, each line with its "\n"

    std::string_view textBytes() const { return text; }
};

struct PlayerTimes {
    std::int32_t show = 0;
    std::int32_t hide = 0;
};

// Reads the two times of a time line such as "00:00:01,000 --> 00:00:04,500". Never reads outside
// the line; a field whose separator is missing reads as 0.
PlayerTimes parsePlayerTimeLine(std::string_view line);

// How a file's bytes were taken. Texts stay in the file's bytes, except that a file in UTF-16 or
// UTF-32 (told by its byte-order mark) has them turned into UTF-8, which the parser can read.
struct PlayerEncoding {
    EncodingGuess guess;
    std::uint32_t codePage = 0; // what the texts are shown in; 0 is the system ANSI code page
    QString unicodeForm;        // "UTF-16LE", "UTF-16BE", "UTF-32LE" or "UTF-32BE"; else empty

    friend bool operator==(const PlayerEncoding&, const PlayerEncoding&) = default;
};

// Makes the text of line `index` afresh in a code page, for lines that a reader other than the
// player's own has read and decoded; nullopt where it cannot (the line's text then stands).
using PlayerRedecode = std::function<std::optional<QString>(std::size_t index, std::uint32_t codePage)>;

struct PlayerLoadResult {
    std::vector<PlayerLine> lines;
    std::optional<UserMessage> message; // set when loading stopped at an over-long line
    PlayerEncoding encoding;
    // Set when the texts are UTF-8 already decoded by velmora's readers.
    PlayerRedecode redecode;
};

// Parses text bytes as the player reads them (carriage-return/line-feed read as "\n").
PlayerLoadResult parsePlayerLines(std::string_view textBytes);
// A whole file's bytes: their character set told as velmora's loader tells it (byte-order marks,
// UTF-8, the detector), then parsed.
PlayerLoadResult readPlayerBytes(std::string_view fileBytes);

// The name of the Unicode form other than UTF-8 whose byte-order mark the bytes begin with
// ("UTF-16LE", "UTF-16BE", "UTF-32LE", "UTF-32BE"); empty without one. UTF-8 has a character set
// entry of its own.
QString unicodeFormOf(std::string_view fileBytes);

struct PlayerFileBytes {
    std::optional<std::string> bytes;   // nullopt: nothing was read
    std::optional<UserMessage> refusal; // why not, when the user should hear it
};

// Reads a regular file of at most the size velmora accepts. A file that cannot be opened is
// passed over in silence; a folder, a device, a pipe or a file over the size is refused with a
// message, before any of it is read.
PlayerFileBytes readPlayerFileBytes(const QString& path);

struct PlayerFileLoad {
    std::optional<PlayerLoadResult> result; // nullopt: nothing was read and the caller keeps what it had
    std::optional<UserMessage> refusal;     // why not, when the user should hear it
};

// A file read as above and parsed by the player's own SubRip parser.
PlayerFileLoad loadPlayerFile(const QString& path);
