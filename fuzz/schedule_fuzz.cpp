// mini's schedule reader on arbitrary file content: what it reads, written and read again, is the
// same schedule, and the same file.
#include "mini/schedule_file.h"

#include "fuzz_check.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const ScheduleRead read = readSchedule(bytes);
    FUZZ_CHECK(!(read.unreadable && read.newerVersion));
    if (read.unreadable || read.newerVersion)
        FUZZ_CHECK(read.cards.isEmpty() && read.badLines == 0);
    for (auto it = read.cards.cbegin(); it != read.cards.cend(); ++it) {
        FUZZ_CHECK(it->due.isValid() && it->firstStudied.isValid());
        FUZZ_CHECK(it->ease >= kLowestEase && it->ease <= kHighestEase);
        FUZZ_CHECK(it->intervalDays >= 0 && it->intervalDays <= kLongestIntervalDays);
    }

    const QByteArray written = writeSchedule(read.cards);
    const ScheduleRead again = readSchedule(written);
    FUZZ_CHECK(again.badLines == 0 && !again.unreadable && !again.newerVersion);
    FUZZ_CHECK(again.cards == read.cards);
    FUZZ_CHECK(writeSchedule(again.cards) == written);
    return 0;
}
