// The encodings offered by the whole-file converter: display name and the converter's own name.
#pragma once

#include <QString>
#include <span>

struct ConvertEncoding {
    const char16_t* displayName;
    const char* key; // the converter's encoding name, also the text between "(" and the final ")"
};

// The rows in the order the combos receive them.
std::span<const ConvertEncoding> convertEncodingTable();

// Selected in both combos at first.
inline constexpr char16_t kDefaultConvertEncodingName[] = u"America(ASCII)";

// The key of a display name: the text after the first "(" without the final character; empty
// when there is no "(".
QString convertEncodingKey(const QString& displayName);
