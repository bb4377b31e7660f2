// Re-decoding: the ANSI bytes of a cell are what the reader saw in the file, so decoding them again
// with the right code page repairs text that was read with the wrong one.
#include "charset/redecode.h"

#include "charset/code_page.h"

#include <algorithm>
#include <optional>

namespace {

// The ANSI default character that stands for anything the code page lacks.
constexpr char kAnsiDefaultChar = '?';

} // namespace

RedecodeResult RedecodeSide(SubtitleSession& session, Side side, std::uint32_t codePage) {
    RedecodeResult result;
    QStringList& texts = session.document.texts(side);
    const int column = side == Side::Original ? kColumnOriginal : kColumnTranslated;
    const qsizetype count = std::min<qsizetype>(texts.size(), session.rows.count());

    for (qsizetype i = 0; i < count; ++i) {
        const int row = int(i);
        const QString old = session.rows.cellText(row, column);
        const std::optional<QByteArray> bytes = encodeText(old, kAnsiCodePage, kAnsiDefaultChar);
        std::optional<QString> decoded;
        if (bytes)
            decoded = decodeBytes(*bytes, codePage);
        // A code page that yields nothing for real bytes would wipe the text; the old one is better.
        if (!decoded || (decoded->isEmpty() && bytes && !bytes->isEmpty())) {
            ++result.rowsKept;
            continue;
        }
        if (*decoded != old || texts[i] != *decoded)
            ++result.rowsChanged;
        if (*decoded != old)
            session.rows.setCell(row, column, *decoded);
        texts[i] = *decoded;
    }
    return result;
}
