// trelline's log: one UTC time-stamped line per message on standard output.
#include "support/log.h"

#include <Poco/DateTime.h>

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <unistd.h>

namespace {
// Never opened by trelline; kept so a descriptor can be handed in without changing the callers.
std::atomic<int> g_logDescriptor{0};
} // namespace

void log_init(const char*) {}

void log_printf(const char* format, ...) {
    const Poco::DateTime now; // UTC
    char message[kLogBufferSize + 1] = {};
    va_list args;
    va_start(args, format);
    std::vsnprintf(message, sizeof message, format, args); // cuts an over-long message
    va_end(args);

    char line[kLogBufferSize + 1] = {};
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-truncation" // cutting an over-long line is intended
    std::snprintf(line, sizeof line, "<%02d/%02d/%02d %02d:%02d:%02d>:%s", now.year(), now.month(), now.day(),
                  now.hour(), now.minute(), now.second(), message);
#pragma GCC diagnostic pop

    const int fd = g_logDescriptor.load();
    if (fd != 0) {
        std::size_t len = 0;
        while (len < kLogBufferSize && line[len] != '\0')
            ++len;
        [[maybe_unused]] ssize_t written = ::write(fd, line, len);
    } else {
        std::printf("%s\n", line);
        std::fflush(stdout);
    }
}
