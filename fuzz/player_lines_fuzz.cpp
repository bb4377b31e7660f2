// trelline's own SubRip loader on arbitrary bytes (character set detection, Unicode files, line
// ends), each loaded line shown in a few code pages, and the playback clock at every part of
// every line.
#include "charset/code_page.h"
#include "player/playback_schedule.h"
#include "player/player_line.h"
#include "player/player_text.h"

#include "fuzz_check.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setSystemAnsiCodePage(1252);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const PlayerLoadResult result =
        readPlayerBytes(std::string_view(reinterpret_cast<const char*>(data), size));
    // A file in a Unicode form is kept as UTF-8 and shown as such.
    FUZZ_CHECK(result.encoding.unicodeForm.isEmpty() || result.encoding.codePage == kUtf8CodePage);
    std::int32_t number = 0;
    for (const PlayerLine& line : result.lines) {
        // Numbers count the number lines, so they only go up; a subtitle without one has 0.
        if (line.number != 0) {
            FUZZ_CHECK(line.number > number);
            number = line.number;
        }
        FUZZ_CHECK(line.text.size() < kPlayerTextSize);
        FUZZ_CHECK(line.text.find('\0') == std::string::npos);
        FUZZ_CHECK(line.duration == line.hide - line.show);
        for (std::uint32_t codePage : {0u, 932u, 50932u, 65000u, 65001u, result.encoding.codePage})
            FUZZ_CHECK(decodePlayerText(line, codePage).size() <= kMaxShownUnits);
        formatTimeLabel("current", line.hide);
        formatTime(line.show);
    }
    const PlaybackSchedule schedule(result.lines);
    using Part = PlaybackSchedule::Part;
    for (int position = 1; position <= int(result.lines.size()) + 1; ++position)
        for (const Part part : {Part::Gap, Part::Delay, Part::Line})
            for (const auto into : {std::chrono::milliseconds(-100), std::chrono::milliseconds(100000)})
                FUZZ_CHECK(schedule.clockAt(PlaybackSchedule::Resume{position, part, into}) >= 0);
    return 0;
}
