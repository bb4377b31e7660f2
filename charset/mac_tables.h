// The Mac single-byte encodings that ICU has no converter for, as compiled-in tables.
#pragma once

#include <span>

// Bytes 0x00-0x7F are ASCII in every one of them; upper[b - 0x80] is the character of byte b,
// or 0 where the encoding leaves the byte undefined.
struct MacTable {
    const char* key;
    char16_t upper[128];
};

std::span<const MacTable> macTables();
