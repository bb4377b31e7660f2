// trelline's loaders on arbitrary bytes: its own SubRip parser (character set detection, Unicode
// files, line ends) and velmora's readers of the other formats as the player takes their lines;
// each line shown in a few code pages and read for its markup; the second-file matching of the
// two; and the playback clock at every part of every line under an offset and a speed.
#include "charset/code_page.h"
#include "player/dual_lines.h"
#include "player/playback_schedule.h"
#include "player/player_line.h"
#include "player/player_text.h"
#include "player/styled_text.h"
#include "player/velmora_readers.h"

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
        // Markup never adds text: every character shown comes from the line, an entity or a break.
        const QString shown = decodePlayerText(line, result.encoding.codePage);
        FUZZ_CHECK(plainText(parseStyledText(shown)).size() <= shown.size());
        formatTimeLabel("current", line.hide);
        formatTime(line.show);
    }
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    std::vector<TimedText> second;
    for (std::int32_t format = 2; format <= 5; ++format) {
        const VelmoraRead read = readWithVelmoraReaders(bytes, format, 23.976);
        for (std::size_t i = 0; i < read.result.lines.size(); ++i) {
            const PlayerLine& line = read.result.lines[i];
            FUZZ_CHECK(line.show >= 0 && line.hide >= 0 && line.duration == line.hide - line.show);
            if (read.result.redecode)
                read.result.redecode(i, 1251);
            if (format == 3)
                second.push_back(TimedText{line.show, line.hide, QString::fromUtf8(line.text)});
        }
    }
    FUZZ_CHECK(matchByTime(result.lines, second).size() == result.lines.size());

    PlaybackSchedule schedule(result.lines);
    using Part = PlaybackSchedule::Part;
    for (const SyncTiming timing : {SyncTiming{}, SyncTiming{-kMaxOffset, 1}, SyncTiming{kMaxOffset, 2}}) {
        schedule.setTiming(timing);
        for (int position = 1; position <= int(result.lines.size()) + 1; ++position)
            for (const Part part : {Part::Gap, Part::Delay, Part::Line})
                for (const auto into : {std::chrono::milliseconds(-100), std::chrono::milliseconds(100000)})
                    FUZZ_CHECK(schedule.clockAt(PlaybackSchedule::Resume{position, part, into}) >= 0);
        const PlaybackSchedule::Resume at =
            schedule.resumeAtClock(schedule.clockAt(PlaybackSchedule::Resume{}));
        FUZZ_CHECK(at.position >= 1 && at.position <= int(result.lines.size()) + 1);
    }
    return 0;
}
