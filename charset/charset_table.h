// The character sets offered by both programs, by display name, key and Windows code page.
#pragma once

#include <QString>
#include <cstdint>
#include <optional>
#include <span>

struct CharsetEntry {
    const char16_t* displayName;
    const char* key;
    std::uint32_t codePage; // 0 = the system ANSI code page
};

std::span<const CharsetEntry> charsetTable();

// The name shown selected at start.
inline constexpr char16_t kDefaultCharsetName[] = u"America(ANSI)";

// Key lookup on a display name: the text between the first "(" and the final character, compared
// whole and case-sensitively with each key. nullopt when no key matches (the caller keeps its page).
std::optional<std::uint32_t> lookupCharsetKey(const QString& displayName);
