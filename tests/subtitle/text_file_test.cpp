#include "charset/code_page.h"
#include "subtitle/text_file.h"

#include "charset/charset_table.h"
#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <tuple>

namespace {

class TextFileTest : public ::testing::Test {
protected:
    void SetUp() override { setSystemAnsiCodePage(1252); }

    QString write(const QByteArray& bytes) {
        const QString path = dir.filePath(QString("f%1.txt").arg(++counter));
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return path;
    }
    QStringList readAll(const QString& path) {
        CStdioFileEx file;
        EXPECT_TRUE(file.Open(path, CStdioFileEx::modeRead | CStdioFileEx::typeText));
        QStringList lines;
        QString line;
        while (file.ReadString(line))
            lines << line;
        return lines;
    }
    QByteArray bytesOf(const QString& path) {
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        return f.readAll();
    }

    QTemporaryDir dir;
    int counter = 0;
};

QByteArray utf16le(const QString& s) {
    QByteArray b;
    for (QChar c : s) {
        b.append(char(c.unicode() & 0xFF));
        b.append(char(c.unicode() >> 8));
    }
    return b;
}

} // namespace

TEST_F(TextFileTest, CarriageReturnRules) {
    EXPECT_EQ(readAll(write("a\r\nb")), (QStringList{"a", "b"}));
    EXPECT_EQ(readAll(write("a\nb\n")), (QStringList{"a", "b"}));
    EXPECT_EQ(readAll(write("a\r\r\n")), (QStringList{"a\r"}));
    EXPECT_EQ(readAll(write("a\rb")), (QStringList{"a\rb"}));
    EXPECT_EQ(readAll(write("\n\n")), (QStringList{"", ""}));
    EXPECT_EQ(readAll(write("")), QStringList{});
}

TEST_F(TextFileTest, ByteOrderMarks) {
    const QByteArray body = utf16le(QString::fromUtf8("h\xC3\xA9\r\n\xE4\xB8\xAD"));
    EXPECT_EQ(readAll(write("\xFF\xFE" + body)),
              (QStringList{QString::fromUtf8("h\xC3\xA9"), QString::fromUtf8("\xE4\xB8\xAD")}));
    // Every mark decides its own form: UTF-16 big-endian, both UTF-32 forms and UTF-8.
    const QString text = QString::fromUtf8("h\xC3\xA9\r\n\xE4\xB8\xAD\xF0\x9F\x98\x80");
    const QStringList lines{QString::fromUtf8("h\xC3\xA9"),
                            QString::fromUtf8("\xE4\xB8\xAD\xF0\x9F\x98\x80")};
    for (auto [mark, encoding] : {std::pair{QByteArray("\xFE\xFF", 2), QStringConverter::Utf16BE},
                                  std::pair{QByteArray("\xFF\xFE\0\0", 4), QStringConverter::Utf32LE},
                                  std::pair{QByteArray("\0\0\xFE\xFF", 4), QStringConverter::Utf32BE}}) {
        QStringEncoder encoder(encoding, QStringEncoder::Flag::Stateless);
        EXPECT_EQ(readAll(write(mark + QByteArray(encoder(text)))), lines) << mark.toHex().constData();
    }
    EXPECT_EQ(readAll(write("\xEF\xBB\xBF"
                            "caf\xC3\xA9")),
              (QStringList{QString::fromUtf8("caf\xC3\xA9")}));
    // Without a mark every byte is text in the ANSI code page.
    EXPECT_EQ(readAll(write("caf\xE9")), (QStringList{QString::fromUtf8("caf\xC3\xA9")}));
    EXPECT_EQ(readAll(write("ab")), (QStringList{"ab"}));
    // A stray last byte of a UTF-16 file does not make a unit.
    EXPECT_EQ(readAll(write(QByteArray("\xFF\xFE"
                                       "a\0b",
                                       5))),
              (QStringList{"a"}));
}

TEST_F(TextFileTest, LongLinesAreReadWhole) {
    const QByteArray longLine(5000, 'x');
    const QStringList lines = readAll(write(longLine + "\r\nend"));
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[0].size(), 5000);
    const QStringList wide = readAll(write("\xFF\xFE" + utf16le(QString(9000, u'y')) + utf16le("\nz")));
    ASSERT_EQ(wide.size(), 2);
    EXPECT_EQ(wide[0].size(), 9000);
    EXPECT_EQ(wide[1], "z");
}

TEST_F(TextFileTest, CodePageOfTheFileDecodesLines) {
    CStdioFileEx file;
    ASSERT_TRUE(file.Open(write("\xD6\xD0\xCE\xC4\n"), CStdioFileEx::modeRead));
    file.SetCodePage(936);
    QString line;
    ASSERT_TRUE(file.ReadString(line));
    EXPECT_EQ(line, QString::fromUtf8("\xE4\xB8\xAD\xE6\x96\x87"));
    // A seek back re-reads from the start.
    EXPECT_TRUE(file.Seek(0, SEEK_SET));
    ASSERT_TRUE(file.ReadString(line));
    EXPECT_EQ(line.size(), 2);
}

TEST_F(TextFileTest, Utf16WritingHasOneByteOrderMark) {
    const QString path = dir.filePath("out.srt");
    CStdioFileEx file;
    ASSERT_TRUE(file.Open(path, CStdioFileEx::kSaveFlags));
    ASSERT_TRUE(file.WriteString(u"abc"));
    ASSERT_TRUE(file.WriteString(u"\r\n\u4E2D"));
    ASSERT_TRUE(file.Close());
    EXPECT_EQ(bytesOf(path), QByteArray("\xFF\xFE"
                                        "a\0b\0c\0\r\0\n\0\x2D\x4E",
                                        14));
}

TEST_F(TextFileTest, CodePageWritingMarksUnencodableCharacters) {
    const QString path = dir.filePath("out.txt");
    CStdioFileEx file;
    ASSERT_TRUE(file.Open(path, CStdioFileEx::modeCreate | CStdioFileEx::modeWrite));
    ASSERT_TRUE(file.WriteString(QString::fromUtf8("caf\xC3\xA9 \xE4\xB8\xAD")));
    ASSERT_TRUE(file.Close());
    EXPECT_EQ(bytesOf(path), QByteArray("caf\xE9 #"));

    CStdioFileEx utf8;
    ASSERT_TRUE(utf8.Open(path, CStdioFileEx::modeCreate | CStdioFileEx::modeWrite));
    utf8.SetCodePage(65001);
    ASSERT_TRUE(utf8.WriteString(u"\u00E9"));
    ASSERT_TRUE(utf8.Close());
    EXPECT_EQ(bytesOf(path), QByteArray("\xEF\xBB\xBF\xC3\xA9"));
}

TEST_F(TextFileTest, AnUnfinishedWriteLeavesTheOldFile) {
    const QString path = write("good content");
    {
        CStdioFileEx file;
        ASSERT_TRUE(file.Open(path, CStdioFileEx::kSaveFlags));
        ASSERT_TRUE(file.WriteString(u"half"));
        // destroyed without Close
    }
    EXPECT_EQ(bytesOf(path), QByteArray("good content"));
}

TEST_F(TextFileTest, OpenFailuresGiveAnErrorNumber) {
    CStdioFileEx file;
    int error = 0;
    EXPECT_FALSE(file.Open(dir.filePath("missing.srt"), CStdioFileEx::modeRead, &error));
    EXPECT_NE(error, 0);
    error = 0;
    EXPECT_FALSE(file.Open(dir.filePath("no/such/folder/x.srt"), CStdioFileEx::kSaveFlags, &error));
    EXPECT_NE(error, 0);
    QString line;
    EXPECT_FALSE(file.ReadString(line));
    EXPECT_FALSE(file.WriteString(u"x"));
}

TEST_F(TextFileTest, WholeFileDecodingKeepsLinesInStepWithTheBytes) {
    // A lead byte right before a line feed must not swallow it, in any of the multi-byte pages.
    for (std::int32_t cp : {932, 936, 949, 950, 1252}) {
        CStdioFileEx file;
        ASSERT_TRUE(file.Open(write("a\x81\nb\r\n\xC3\n\nlast"), CStdioFileEx::modeRead));
        file.SetCodePage(cp);
        QStringList lines;
        QString line;
        while (file.ReadString(line))
            lines << line;
        ASSERT_EQ(lines.size(), 5) << cp;
        EXPECT_EQ(lines[1], "b") << cp;
        EXPECT_EQ(lines[3], "") << cp;
        EXPECT_EQ(lines[4], "last") << cp;
    }
    // A code page changed between lines applies from the next line on.
    CStdioFileEx file;
    ASSERT_TRUE(file.Open(write("\xE9\n\xD6\xD0\n"), CStdioFileEx::modeRead));
    QString line;
    ASSERT_TRUE(file.ReadString(line));
    EXPECT_EQ(line, QString::fromUtf8("\xC3\xA9"));
    file.SetCodePage(936);
    ASSERT_TRUE(file.ReadString(line));
    EXPECT_EQ(line, QString::fromUtf8("\xE4\xB8\xAD"));
}

namespace {

// What reading line by line gives: each line's bytes decoded on their own, one carriage return cut.
QStringList decodedLineByLine(const QByteArray& bytes, std::uint32_t codePage) {
    QByteArray rest = bytes;
    if (resolveCodePage(codePage) == kUtf8CodePage && rest.startsWith("\xEF\xBB\xBF"))
        rest = rest.mid(3);
    QStringList lines;
    qsizetype at = 0;
    while (at < rest.size()) {
        qsizetype feed = rest.indexOf('\n', at);
        const qsizetype end = feed < 0 ? rest.size() : feed;
        QString line = decodeBytes(rest.constData() + at, end - at, codePage).value_or(QString());
        if (line.endsWith(u'\r'))
            line.chop(1);
        lines << line;
        at = feed < 0 ? rest.size() : feed + 1;
    }
    return lines;
}

} // namespace

TEST_F(TextFileTest, WholeFileDecodingEqualsLineByLineDecodingInEveryCodePage) {
    // An invalid EUC-JP sequence right before a line feed once decoded differently in one piece.
    const QByteArray eucJp("\xA1\x8F\xEF\n\xE0");
    // Random bytes, dense in line feeds, carriage returns and lead bytes of the multi-byte pages.
    std::uint32_t seed = 12345;
    auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) & 0x7FFF;
    };
    const char alphabet[] = "\n\r\x1B~{}+-a0\x80\x8E\x8F\xA1\xE0\xEF\xFE\xFF";
    std::vector<QByteArray> inputs{eucJp};
    for (int n = 0; n < 200; ++n) {
        QByteArray bytes(qsizetype(next() % 64), '\0');
        for (char& b : bytes)
            b = next() % 2 ? char(next() & 0xFF) : alphabet[next() % (sizeof alphabet - 1)];
        // Byte-order marks are a different rule: keep them out of the first bytes.
        if (!bytes.isEmpty() && (uchar(bytes[0]) == 0xEF || uchar(bytes[0]) >= 0xFE || bytes[0] == '\0'))
            bytes[0] = 'x';
        inputs.push_back(bytes);
    }
    for (const CharsetEntry& entry : charsetTable()) {
        for (const QByteArray& bytes : inputs) {
            CStdioFileEx file;
            ASSERT_TRUE(file.OpenBytes(bytes));
            file.SetCodePage(std::int32_t(entry.codePage));
            QStringList lines;
            QString line;
            while (file.ReadString(line))
                lines << line;
            ASSERT_EQ(lines, decodedLineByLine(bytes, entry.codePage))
                << entry.key << " on " << bytes.toHex(' ').constData();
        }
    }
}

TEST_F(TextFileTest, LoneCarriageReturnsEndLinesWhenAsked) {
    const std::tuple<QByteArray, std::int32_t, QStringList> cases[] = {
        {"a\rb\r\nc\nd\r\r\ne\r", 1252, {"a", "b", "c", "d", "", "e"}},
        {"\xD6\xD0\r\xCE\xC4\r\n\r", 936, {"\u4E2D", "\u6587", ""}}, // decoded in one piece
        {"a\r~{VP~}\rb", 52936, {"a", "\u4E2D", "b"}},               // decoded line by line
        {QByteArray("\xFF\xFE"
                    "a\0\r\0b\0\r\0\n\0c\0\r\0",
                    16),
         1252,
         {"a", "b", "c"}},
    };
    for (const auto& [bytes, codePage, expected] : cases) {
        CStdioFileEx file;
        ASSERT_TRUE(file.OpenBytes(bytes));
        file.SetCodePage(codePage);
        file.SetLoneCarriageReturnEndsLine(true);
        QStringList lines;
        QByteArray lineBytes;
        for (QString line; file.ReadString(line);) {
            lines << line;
            lineBytes += file.LastLineBytes().toByteArray();
        }
        EXPECT_EQ(lines, expected) << codePage;
        // Each line's bytes stay in step with its text: none of a line end, none lost.
        if (!file.IsFileUnicodeText()) {
            EXPECT_EQ(lineBytes, QByteArray(bytes).replace("\r", "").replace("\n", "")) << codePage;
        }
    }
}

TEST_F(TextFileTest, LineEndsAreFoundWhereverTheyFallInALine) {
    // Line ends are looked for several units at a time: one at every place in such a block, and
    // one right after it, must end its line there and nowhere else.
    for (const bool loneCr : {true, false})
        for (const char* end : {"\r", "\n", "\r\n"})
            for (int length = 0; length < 40; ++length) {
                const QByteArray first(length, 'a'), second(length % 11, 'b'), last = first + 'z';
                const QByteArray bytes = first + end + second + "\r\n" + last;
                CStdioFileEx file;
                ASSERT_TRUE(file.OpenBytes(bytes));
                file.SetCodePage(1252);
                file.SetLoneCarriageReturnEndsLine(loneCr);
                QStringList lines;
                for (QString line; file.ReadString(line);)
                    lines << line;
                const bool split = loneCr || QByteArray(end) != "\r";
                const QStringList expected =
                    split ? QStringList{first, second, last} : QStringList{first + '\r' + second, last};
                EXPECT_EQ(lines, expected)
                    << loneCr << " " << length << " " << QByteArray(end).toHex().constData();
            }
}
