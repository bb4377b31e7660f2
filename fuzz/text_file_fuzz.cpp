// The text file line reader on arbitrary bytes under every code page of the character set table.
// Reading the whole file in one converter call must give exactly what decoding each line does.
#include "charset/charset_table.h"
#include "charset/code_page.h"
#include "subtitle/text_file.h"

#include "fuzz_check.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace {

// Where each line ends: at a line feed, and with loneCr also at a carriage return (a carriage
// return and line feed being one end). Gives (start, length, length of the end) of every line.
template <typename Unit> QList<std::array<qsizetype, 3>> lineSpans(const Unit* u, qsizetype n, bool loneCr) {
    QList<std::array<qsizetype, 3>> spans;
    qsizetype at = 0;
    while (at < n) {
        qsizetype end = at;
        while (end < n && u[end] != Unit('\n') && !(loneCr && u[end] == Unit('\r')))
            ++end;
        const qsizetype endLength = end == n                                                            ? 0
                                    : (u[end] == Unit('\r') && end + 1 < n && u[end + 1] == Unit('\n')) ? 2
                                                                                                        : 1;
        spans.append({at, end - at, endLength});
        at = end + endLength;
    }
    return spans;
}

// The lines as the rules of the class make them, each line's bytes decoded on their own.
QStringList lineByLine(const QByteArray& bytes, std::uint32_t codePage, bool loneCr) {
    QByteArray rest = bytes;
    bool unicode = false;
    const auto b = [&](int i) { return uchar(bytes[i]); };
    if (bytes.size() >= 3 && b(0) == 0xEF && b(1) == 0xBB && b(2) == 0xBF) {
        rest = bytes.mid(3);
    } else if (bytes.size() >= 2 && ((b(0) == 0xFF && b(1) == 0xFE) || (b(0) == 0xFE && b(1) == 0xFF))) {
        unicode = true;
        rest = bytes.mid(2);
    }
    QStringList lines;
    if (unicode) {
        // Units as they are: a byte-order mark inside the text stays a character.
        QString text(rest.size() / 2, Qt::Uninitialized);
        for (qsizetype i = 0; i < text.size(); ++i)
            text[i] = QChar(char16_t(uchar(rest[2 * i]) | uchar(rest[2 * i + 1]) << 8));
        for (const auto& [at, length, end] : lineSpans(text.utf16(), text.size(), loneCr))
            lines << text.mid(at, length);
    } else {
        for (const auto& [at, length, end] : lineSpans(rest.constData(), rest.size(), loneCr))
            lines << decodeBytes(rest.constData() + at, length, codePage).value_or(QString());
    }
    if (!loneCr)
        for (QString& line : lines)
            if (line.endsWith(u'\r'))
                line.chop(1);
    return lines;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setSystemAnsiCodePage(1252);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    for (const CharsetEntry& entry : charsetTable()) {
        for (bool loneCr : {false, true}) {
            CStdioFileEx file;
            FUZZ_CHECK(file.OpenBytes(bytes));
            file.SetCodePage(std::int32_t(entry.codePage));
            file.SetLoneCarriageReturnEndsLine(loneCr);
            QStringList lines;
            QString line;
            while (file.ReadString(line))
                lines << line;
            FUZZ_CHECK(lines == lineByLine(bytes, entry.codePage, loneCr));
            // Back to the start: the same lines again.
            FUZZ_CHECK(file.Seek(0, SEEK_SET));
            qsizetype again = 0;
            while (file.ReadString(line))
                FUZZ_CHECK(again < lines.size() && line == lines[again++]);
            FUZZ_CHECK(again == lines.size());
        }
    }
    return 0;
}
