// The player's SubRip loader: line rules, time fields, over-long lines and file handling.
#include "player/player_line.h"

#include <QFile>
#include <QFileInfo>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>

namespace {

const char kTwoRecords[] =
    "1\n00:00:01,000 --> 00:00:04,500\nHello\n\n2\n00:00:05,000 --> 00:00:06,000\nWorld\n\n";

void expectLine(const PlayerLine& line, int number, int show, int duration, int hide, std::string_view text) {
    EXPECT_EQ(line.number, number);
    EXPECT_EQ(line.show, show);
    EXPECT_EQ(line.duration, duration);
    EXPECT_EQ(line.hide, hide);
    EXPECT_EQ(line.textBytes(), text);
}

TEST(PlayerLoader, ReadsTwoRecordsWithTheirClosingNewlinesWhateverTheLineEnds) {
    auto withLineEnds = [](std::string_view end) {
        std::string file;
        for (const char c : std::string_view(kTwoRecords))
            file += c == '\n' ? end : std::string_view(&c, 1);
        return file;
    };
    // A lone carriage return ends a line as old Mac files have it; CR LF stays one line end.
    std::string mixed = withLineEnds("\r");
    mixed.replace(mixed.find("Hello\r\r"), 7, "Hello\r\n\n");
    for (const std::string& file : {withLineEnds("\r"), mixed, withLineEnds("\n"), withLineEnds("\r\n")}) {
        SCOPED_TRACE(testing::PrintToString(file));
        const PlayerLoadResult result = parsePlayerLines(file);
        EXPECT_FALSE(result.message);
        ASSERT_EQ(result.lines.size(), 2u);
        expectLine(result.lines[0], 1, 1000, 3500, 4500, "Hello\n\n");
        expectLine(result.lines[1], 2, 5000, 1000, 6000, "World\n\n");
    }
}

TEST(PlayerLoader, LineKindsFollowTheFirstCharacterAfterSpaces) {
    // An indented number line is still one; a text line starting with a digit counts as a number
    // line and is not kept; leading spaces of text lines go.
    const PlayerLoadResult result =
        parsePlayerLines("   1\n00:00:01,000 --> 00:00:02,000\n  two lines\n3 men\n\n"
                         "  2\n  00:00:03,000 --> 00:00:04,000\nB\n\n");
    ASSERT_EQ(result.lines.size(), 2u);
    // "3 men" took the next count, so the second subtitle carries 3.
    expectLine(result.lines[0], 2, 1000, 1000, 2000, "two lines\n\n");
    expectLine(result.lines[1], 3, 3000, 1000, 4000, "B\n\n");
}

TEST(PlayerLoader, BlankLinesBeforeTheFirstNumberStartItsText) {
    const PlayerLoadResult result = parsePlayerLines("\n\n1\n00:00:01,000 --> 00:00:02,000\nA\n\n");
    ASSERT_EQ(result.lines.size(), 1u);
    EXPECT_EQ(result.lines[0].textBytes(), "\n\nA\n\n");
}

TEST(PlayerLoader, ExtraBlankLinesAddNoRecordWithoutTimes) {
    const PlayerLoadResult result = parsePlayerLines(std::string(kTwoRecords) + "\n\n\n");
    ASSERT_EQ(result.lines.size(), 2u);
    EXPECT_EQ(result.lines.back().hide, 6000);
}

TEST(PlayerLoader, LastRecordWithoutBlankLineIsKept) {
    for (const char* tail : {"World\n", "World"}) {
        SCOPED_TRACE(tail);
        const PlayerLoadResult result = parsePlayerLines(
            std::string("1\n00:00:01,000 --> 00:00:04,500\nHello\n\n2\n00:00:05,000 --> 00:00:06,000\n") +
            tail);
        ASSERT_EQ(result.lines.size(), 2u);
        expectLine(result.lines[1], 2, 5000, 1000, 6000, tail);
    }
}

TEST(PlayerLoader, ByteOrderMarksDoNotHideTheFirstNumber) {
    struct Case {
        QStringConverter::Encoding encoding;
        const char* unicodeForm; // empty: the text bytes are the file's own
    };
    const Case cases[] = {
        {QStringConverter::Utf16LE, "UTF-16LE"},
        {QStringConverter::Utf16BE, "UTF-16BE"},
        {QStringConverter::Utf32LE, "UTF-32LE"},
        {QStringConverter::Utf32BE, "UTF-32BE"},
        {QStringConverter::Utf8, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.unicodeForm);
        QStringEncoder encoder(c.encoding, QStringConverter::Flag::WriteBom);
        const QByteArray bytes = encoder(QString::fromLatin1(kTwoRecords));
        const PlayerLoadResult result =
            readPlayerBytes(std::string_view(bytes.constData(), std::size_t(bytes.size())));
        ASSERT_EQ(result.lines.size(), 2u);
        expectLine(result.lines[0], 1, 1000, 3500, 4500, "Hello\n\n");
        EXPECT_EQ(result.encoding.unicodeForm, c.unicodeForm);
        EXPECT_EQ(result.encoding.codePage, 65001u);
    }
}

TEST(PlayerLoader, OverLongLineStopsWithThePartialListKept) {
    const std::string longLine(1023, 'x');
    const PlayerLoadResult result = parsePlayerLines(
        std::string(kTwoRecords) + "3\n00:00:07,000 --> 00:00:08,000\n" + longLine + "\nafter\n\n");
    ASSERT_TRUE(result.message);
    EXPECT_EQ(result.message->text, "Invalid Subtitle File!");
    EXPECT_EQ(result.message->caption, "ERROR!");
    EXPECT_EQ(result.message->icon, MessageIcon::Error);
    EXPECT_EQ(result.lines.size(), 2u);

    // 1022 bytes and the newline fit one read.
    const PlayerLoadResult fits =
        parsePlayerLines("1\n00:00:01,000 --> 00:00:02,000\n" + std::string(1022, 'y') + "\n\n");
    EXPECT_FALSE(fits.message);
    ASSERT_EQ(fits.lines.size(), 1u);
}

TEST(PlayerLoader, TextBeyondTheFieldIsCutAtItsEnd) {
    std::string file = "1\n00:00:01,000 --> 00:00:02,000\n";
    for (int i = 0; i < 20; ++i)
        file += std::string(99, char('a' + i)) + "\n";
    file += "\n2\n00:00:03,000 --> 00:00:04,000\nnext\n\n";
    const PlayerLoadResult result = parsePlayerLines(file);
    ASSERT_EQ(result.lines.size(), 2u);
    const std::string_view text = result.lines[0].textBytes();
    EXPECT_EQ(text.size(), kPlayerTextSize - 1);
    EXPECT_EQ(text.substr(0, 100), std::string(99, 'a') + "\n");
    EXPECT_EQ(result.lines[1].textBytes(), "next\n\n");
}

TEST(PlayerTimeLine, SpacesReadAsZerosWhereFieldsAllowThem) {
    EXPECT_EQ(parsePlayerTimeLine("00:00:01, 45 --> 00:00:02,000").show, 1045);
    EXPECT_EQ(parsePlayerTimeLine("00:00:01,4 5 --> 00:00:02,000").show, 1405);
    EXPECT_EQ(parsePlayerTimeLine("00:00:01,000 --> 00:00:02,  7").hide, 2007);
    // The first position of minutes and seconds, not the second: "1 " stops at the space.
    EXPECT_EQ(parsePlayerTimeLine("01: 2: 3,004 --> 00:00:00,000").show, 3600000 + 2 * 60000 + 3 * 1000 + 4);
    EXPECT_EQ(parsePlayerTimeLine("00:00:1 ,000 --> 00:00:00,000").show, 1000);
    const PlayerTimes full = parsePlayerTimeLine("12:34:56,789 --> 23:59:58,999\n");
    EXPECT_EQ(full.show, 12 * 3600000 + 34 * 60000 + 56 * 1000 + 789);
    EXPECT_EQ(full.hide, 23 * 3600000 + 59 * 60000 + 58 * 1000 + 999);
}

TEST(PlayerTimeLine, MalformedLinesStayWithinTheLine) {
    EXPECT_EQ(parsePlayerTimeLine("1:02:03,004 --> 1:02:04,000").show, 3600000 + 2 * 60000 + 3000 + 4);
    const PlayerTimes noHide = parsePlayerTimeLine("00:00:01,000 -->");
    EXPECT_EQ(noHide.show, 1000);
    EXPECT_EQ(noHide.hide, 0);
    EXPECT_EQ(parsePlayerTimeLine("0-->").show, 0);
    EXPECT_EQ(parsePlayerTimeLine("00:00:05,1").show, 5001);
}

TEST(PlayerLoader, OnlyRegularFilesWithinTheSizeAreRead) {
    QTemporaryDir dir;
    const QString fifo = dir.filePath("pipe.srt");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    auto write = [&](const char* name, const QByteArray& bytes) {
        QFile file(dir.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return file.fileName();
    };
    const QString atLimit = write("at-limit.srt", QByteArray(kTwoRecords) + QByteArray(409600 - 78, '\n'));
    const QString overLimit =
        write("over-limit.srt", QByteArray(kTwoRecords) + QByteArray(409601 - 78, '\n'));
    const QString oversized = QStringLiteral("The size of this file is bigger than 400K bytes!");
    const QString notRegular = QStringLiteral("it is not a regular file");
    struct Case {
        QString path;
        int lines;           // -1: nothing read
        QString refusalPart; // empty: no message
    };
    const Case cases[] = {
        {overLimit, -1, oversized},
        {fifo, -1, notRegular}, // must not wait for a writer
        {QStringLiteral("/dev/zero"), -1, notRegular},
        {dir.path(), -1, notRegular},
        {dir.filePath("missing.srt"), -1, {}},
        {atLimit, 2, {}},
        {write("a.srt", kTwoRecords), 2, {}},
    };
    ASSERT_EQ(QFileInfo(atLimit).size(), 409600);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        const PlayerFileLoad loaded = loadPlayerFile(c.path);
        EXPECT_EQ(loaded.result ? int(loaded.result->lines.size()) : -1, c.lines);
        EXPECT_EQ(loaded.refusal.has_value(), !c.refusalPart.isEmpty());
        if (loaded.refusal) {
            EXPECT_TRUE(loaded.refusal->text.contains(c.refusalPart)) << loaded.refusal->text.toStdString();
            EXPECT_EQ(loaded.refusal->caption, "ERROR!");
        }
    }
}

} // namespace
