// Re-decoding: each text read from an 8-bit file keeps the bytes it was read from, so that any
// character set can read them afresh, as often as the user likes, without losing a character.
#include "subtitle/subtitle_session.h"

#include "charset/code_page.h"
#include "subtitle/format_table.h"

#include <QHash>
#include <algorithm>
#include <optional>

std::optional<QString> decodeSourceBytes(const SourceRef& source, std::uint32_t codePage) {
    if (!source.isValid())
        return std::nullopt;
    // Each line is decoded on its own, as the reader decoded it, then made into entry text the
    // way the reader made it.
    QString text;
    qsizetype from = 0;
    const QByteArrayView bytes = source.bytes();
    while (true) {
        const qsizetype feed = bytes.indexOf('\n', from);
        const qsizetype end = feed < 0 ? bytes.size() : feed;
        std::optional<QString> line = decodeBytes(bytes.data() + from, end - from, codePage);
        if (!line)
            return std::nullopt;
        if (from > 0)
            text += kLineJoiner;
        text += entryTextOfLine(std::move(*line), source.load->format);
        if (feed < 0)
            break;
        from = feed + 1;
    }
    return text;
}

// For every row i that has element i in the side's list and still shows the text its bytes gave,
// the cell and the element both take the bytes decoded with codePage (0 = system ANSI). Rows
// without bytes, and rows the user changed since, keep their text; so does a row whose bytes the
// code page cannot decode. The code page becomes the side's setting, undone with the texts.
SessionChange SubtitleSession::redecodeSide(Side side, std::uint32_t codePage, RedecodeResult* result) {
    RedecodeResult counts;
    const QStringList& texts = m_document.texts(side);
    const int column = side == Side::Original ? kColumnOriginal : kColumnTranslated;
    const int count = int(std::min<qsizetype>(texts.size(), m_rows.count()));

    QList<int> rows;
    QVector<SessionEntry> entries;
    // Each load the rows came from gets a copy that holds the new texts; the old one stays with
    // the undo history.
    QHash<const LoadedBytes*, std::shared_ptr<LoadedBytes>> renewed;
    for (int row = 0; row < count; ++row) {
        const SourceRef& source = sources(row).side(side);
        const QString& old = column == kColumnOriginal ? m_rows.at(row).original : m_rows.at(row).translated;
        if (!source.isValid() || source.load->texts[source.index] != old) {
            ++counts.rowsWithoutBytes;
            continue;
        }
        const std::optional<QString> decoded = decodeSourceBytes(source, codePage);
        // A code page that yields nothing for real bytes would wipe the text; the old one is better.
        if (!decoded || (decoded->isEmpty() && !source.bytes().isEmpty())) {
            ++counts.rowsKept;
            continue;
        }
        if (*decoded == old && texts[row] == *decoded)
            continue;
        ++counts.rowsChanged;
        std::shared_ptr<LoadedBytes>& copy = renewed[source.load.get()];
        if (!copy)
            copy = std::make_shared<LoadedBytes>(*source.load);
        copy->texts[source.index] = *decoded;
        SessionEntry e = entry(row);
        (side == Side::Original ? e.row.original : e.row.translated) = *decoded;
        (side == Side::Original ? e.originalText : e.translatedText) = *decoded;
        e.sources.side(side).load = copy;
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
