// The text file line reader on arbitrary bytes under every code page of the character set table.
// Reading the whole file in one converter call must give exactly what decoding each line does.
#include "charset/charset_table.h"
#include "charset/code_page.h"
#include "subtitle/text_file.h"

#include "fuzz_check.h"

#include <cstddef>
#include <cstdint>

namespace {

// The lines as the rules of the class make them, each line's bytes decoded on their own.
QStringList lineByLine(const QByteArray& bytes, std::uint32_t codePage) {
    QByteArray rest = bytes;
    bool unicode = false;
    const auto b = [&](int i) { return uchar(bytes[i]); };
    if (bytes.size() >= 3 && b(0) == 0xEF && b(1) == 0xBB && b(2) == 0xBF) {
        rest = bytes.mid(3);
    } else if (bytes.size() >= 2 && ((b(0) == 0xFF && b(1) == 0xFE) || (b(0) == 0xFE && b(1) == 0xFF))) {
        unicode = true;
        rest = bytes.mid(2);
    } else if (resolveCodePage(codePage) == kUtf8CodePage) {
        rest = bytes.mid(3); // the first read at the start skips a mark that is not there
    }
    QStringList lines;
    if (unicode) {
        // Units as they are: a byte-order mark inside the text stays a character.
        QString text(rest.size() / 2, Qt::Uninitialized);
        for (qsizetype i = 0; i < text.size(); ++i)
            text[i] = QChar(char16_t(uchar(rest[2 * i]) | uchar(rest[2 * i + 1]) << 8));
        if (text.isEmpty())
            return lines;
        lines = text.split(u'\n');
        if (text.endsWith(u'\n'))
            lines.removeLast();
    } else {
        qsizetype at = 0;
        while (at < rest.size()) {
            const qsizetype feed = rest.indexOf('\n', at);
            const qsizetype end = feed < 0 ? rest.size() : feed;
            lines << decodeBytes(rest.constData() + at, end - at, codePage).value_or(QString());
            at = feed < 0 ? rest.size() : feed + 1;
        }
    }
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
        CStdioFileEx file;
        FUZZ_CHECK(file.OpenBytes(bytes));
        file.SetCodePage(std::int32_t(entry.codePage));
        QStringList lines;
        QString line;
        while (file.ReadString(line))
            lines << line;
        FUZZ_CHECK(lines == lineByLine(bytes, entry.codePage));
        // Back to the start: the same lines again (a UTF-8 mark is then read as text, as it should).
        if (bytes.startsWith("\xEF\xBB\xBF"))
            continue;
        FUZZ_CHECK(file.Seek(0, SEEK_SET));
        qsizetype again = 0;
        while (file.ReadString(line))
            FUZZ_CHECK(again < lines.size() && line == lines[again++]);
        FUZZ_CHECK(again == lines.size());
    }
    return 0;
}
