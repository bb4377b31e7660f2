// Diagnostic log. Which behaviour a program gets is chosen when it is linked:
// velmora_log_null (writes nothing) or velmora_log_stdout (time-stamped lines on standard output).
#pragma once

#include <cstddef>

// Longest message and longest finished line; longer ones are cut, never written past.
inline constexpr std::size_t kLogBufferSize = 10240;

void log_init(const char* path);
void log_printf(const char* format, ...) __attribute__((format(printf, 1, 2)));
