// trelline's own SubRip loader on arbitrary bytes, and each loaded line shown in a few code pages.
#include "charset/code_page.h"
#include "player/player_line.h"
#include "player/player_text.h"

#include "fuzz_check.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setSystemAnsiCodePage(1252);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const PlayerLoadResult result =
        parsePlayerLines(std::string_view(reinterpret_cast<const char*>(data), size));
    std::int32_t number = 0;
    for (const PlayerLine& line : result.lines) {
        // Numbers count the number lines, so they only go up; a subtitle without one has 0.
        if (line.number != 0) {
            FUZZ_CHECK(line.number > number);
            number = line.number;
        }
        FUZZ_CHECK(std::memchr(line.text, '\0', kPlayerTextSize) != nullptr);
        FUZZ_CHECK(line.duration == line.hide - line.show);
        for (std::uint32_t codePage : {0u, 932u, 50932u, 65000u, 65001u})
            FUZZ_CHECK(decodePlayerText(line, codePage).size() <= kMaxShownUnits);
        formatTimeLabel("current", line.hide);
        formatTime(line.show);
    }
    return 0;
}
