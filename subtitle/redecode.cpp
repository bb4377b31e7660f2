// Re-decoding: the ANSI bytes of a cell are what the reader saw in the file, so decoding them again
// with the right code page repairs text that was read with the wrong one.
#include "subtitle/subtitle_session.h"

#include "charset/code_page.h"

#include <algorithm>
#include <optional>

namespace {
// The ANSI default character that stands for anything the code page lacks.
constexpr char kAnsiDefaultChar = '?';
} // namespace

// Encodes each cell of the side back to the system ANSI code page and decodes the bytes with
// codePage (0 = system ANSI), for every row i that has element i in the side's list; the cell and
// the element both take the result. A code page that cannot decode the bytes leaves the row and
// the element as they were. The code page becomes the side's setting, undone with the texts.
SessionChange SubtitleSession::redecodeSide(Side side, std::uint32_t codePage, RedecodeResult* result) {
    RedecodeResult counts;
    const QStringList& texts = m_document.texts(side);
    const int column = side == Side::Original ? kColumnOriginal : kColumnTranslated;
    const int count = int(std::min<qsizetype>(texts.size(), m_rows.count()));

    QList<int> rows;
    QVector<SessionEntry> entries;
    for (int row = 0; row < count; ++row) {
        const QString old = m_rows.cellText(row, column);
        const std::optional<QByteArray> bytes = encodeText(old, kAnsiCodePage, kAnsiDefaultChar);
        std::optional<QString> decoded;
        if (bytes)
            decoded = decodeBytes(*bytes, codePage);
        // A code page that yields nothing for real bytes would wipe the text; the old one is better.
        if (!decoded || (decoded->isEmpty() && bytes && !bytes->isEmpty())) {
            ++counts.rowsKept;
            continue;
        }
        if (*decoded == old && texts[row] == *decoded)
            continue;
        ++counts.rowsChanged;
        SessionEntry e = entry(row);
        (side == Side::Original ? e.row.original : e.row.translated) = *decoded;
        (side == Side::Original ? e.originalText : e.translatedText) = *decoded;
        rows.append(row);
        entries.append(std::move(e));
    }

    SessionEdit edit(side == Side::Original ? QStringLiteral("Change Original CharSet")
                                            : QStringLiteral("Change Translated CharSet"));
    edit.replace(std::move(rows), std::move(entries));
    const std::uint32_t& current =
        side == Side::Original ? m_document.originalCodePage : m_document.translatedCodePage;
    if (current != codePage)
        edit.setCodePage(side, codePage);
    edit.setRebuildsMapping(true);
    if (result)
        *result = counts;
    SessionChange change = apply(edit);
    // The page is shown afresh after every choice, even one that changed no text.
    change.rebuildsMapping = true;
    return change;
}
