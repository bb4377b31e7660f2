// Re-decoding loaded text in another character set, over the document and the rows.
#pragma once

#include "subtitle/subtitle_session.h"

#include <cstdint>

struct RedecodeResult {
    // Rows whose cell or list element now differs from before.
    int rowsChanged = 0;
    // Rows whose text could not be decoded in the chosen code page and so kept their old text.
    int rowsKept = 0;
};

// Encodes each cell of the side back to the system ANSI code page ('?' for what it lacks) and
// decodes the bytes with codePage (0 = system ANSI), for every row i that has element i in the
// side's list; the cell and the element both take the result. Texts of any length are handled
// whole. A code page that cannot decode the bytes leaves the row and the element as they were.
// The caller rebuilds the mapping view afterwards.
RedecodeResult RedecodeSide(SubtitleSession& session, Side side, std::uint32_t codePage);
