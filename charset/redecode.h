// Re-decoding loaded text in another character set, over the document and the rows.
#pragma once

#include "subtitle/subtitle_session.h"

#include <cstdint>

struct RedecodeResult {
    int rowsChanged = 0;
    // Rows whose text could not be decoded in the chosen code page and so kept their old text.
    int rowsKept = 0;
};

// Encodes each cell of the side back to the system ANSI code page and decodes the bytes with
// codePage, for every row that has an element in the side's list.
RedecodeResult RedecodeSide(SubtitleSession& session, Side side, std::uint32_t codePage);
