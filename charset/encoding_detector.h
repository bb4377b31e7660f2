// Which character set a subtitle file's bytes are in, decided before they are read as text.
#pragma once

#include <QByteArrayView>
#include <cstdint>

struct EncodingGuess {
    enum class Source {
        Ascii,         // nothing but 7-bit text: the ANSI code page reads it as always
        ByteOrderMark, // a mark at the start decides (UTF-8, UTF-16 or UTF-32)
        Utf8,          // valid UTF-8 with characters beyond ASCII
        Detector,      // the detector was confident about a character set of the table
        Unsure,        // 8-bit text the detector could not place: the ANSI code page reads it
    };
    Source source = Source::Ascii;
    // The code page to read 8-bit text with, one of the character set table's; 0 is the system
    // ANSI code page. For a byte-order mark: 65001 for UTF-8, 0 for the UTF-16 and UTF-32 forms.
    std::uint32_t codePage = 0;
    // The detector's confidence, 0 to 100, when it was asked.
    int confidence = 0;

    friend bool operator==(const EncodingGuess&, const EncodingGuess&) = default;
};

// Looks at a whole file's bytes. Never answers UTF-8 for bytes that are not valid UTF-8.
EncodingGuess detectEncoding(QByteArrayView bytes);

// Well-formed UTF-8: no stray continuation bytes, no overlong forms, no surrogates, nothing past
// U+10FFFF, no sequence cut off at the end.
bool isValidUtf8(QByteArrayView bytes);
