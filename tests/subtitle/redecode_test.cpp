// Re-decoding reads each text afresh from the bytes it was loaded from: no sequence of choices
// loses a character, edited cells keep their text, and Unicode files are left alone.
#include "charset/code_page.h"
#include "edit/line_operations.h"
#include "subtitle/subtitle_reader.h"

#include <gtest/gtest.h>

namespace {

const QString kChinese = QString::fromUtf8("你好，世界");
const QString kChinese2 = QString::fromUtf8("中文字幕");

class Redecode : public ::testing::Test {
protected:
    void SetUp() override {
        m_savedAnsi = systemAnsiCodePage();
        setSystemAnsiCodePage(1252);
    }
    void TearDown() override { setSystemAnsiCodePage(m_savedAnsi); }

    // A SubRip file of these texts (lines of an entry joined by "\n"), encoded in codePage.
    static QByteArray subRip(const QStringList& texts, std::uint32_t codePage) {
        QString file;
        for (int i = 0; i < texts.size(); ++i)
            file += QStringLiteral("%1\r\n00:00:0%1,000 --> 00:00:0%1,500\r\n%2\r\n\r\n")
                        .arg(i + 1)
                        .arg(texts[i]);
        return *encodeText(file, codePage);
    }
    ReadResult load(const QByteArray& bytes, Side side = Side::Original, SubtitleFormat format = kSubRip) {
        return loadSubtitleBytes(session, bytes, format, side);
    }
    QString cell(int row, Side side = Side::Original) const {
        return session.rows().cellText(row, side == Side::Original ? kColumnOriginal : kColumnTranslated);
    }
    RedecodeResult redecode(Side side, std::uint32_t codePage) {
        RedecodeResult result;
        session.redecodeSide(side, codePage, &result);
        return result;
    }

    SubtitleSession session;

private:
    std::uint32_t m_savedAnsi = 0;
};

} // namespace

TEST_F(Redecode, AnySequenceOfChoicesReturnsTheFirstText) {
    const QStringList texts{kChinese + "\n" + kChinese2, "plain", QString::fromUtf8("混合 mixed")};
    load(subRip(texts, 936));
    const QStringList first = session.document().originalTexts;
    // Chinese in 936, read again as itself, as ANSI, as UTF-8, twice as GB2312, as Big5, and back.
    for (std::uint32_t page : {936u, 936u, 0u, 0u, 65001u, 936u, 936u, 950u, 1251u, 936u}) {
        redecode(Side::Original, page);
        ASSERT_EQ(session.rows().count(), 3);
    }
    EXPECT_EQ(session.document().originalTexts, first);
    EXPECT_EQ(cell(0), QString(kChinese + "|\n" + kChinese2));

    redecode(Side::Original, 0);
    EXPECT_NE(cell(0), first[0]); // garbled in 1252, but only for now
    redecode(Side::Original, 936);
    EXPECT_EQ(session.document().originalTexts, first);
    for (int row = 0; row < 3; ++row)
        EXPECT_EQ(cell(row), first[row]) << row;
}

TEST_F(Redecode, EditedCellsKeepTheirTextOthersFollowTheChoice) {
    // Read as ANSI: the user has not chosen yet.
    setSystemAnsiCodePage(1252);
    load(subRip({kChinese, kChinese2, kChinese}, 936));
    redecode(Side::Original, 1252);
    const QString garbled = cell(0);
    session.setTextCell(1, kColumnOriginal, "typed by hand");

    const RedecodeResult r = redecode(Side::Original, 936);
    EXPECT_EQ(cell(0), kChinese);
    EXPECT_EQ(cell(1), "typed by hand");
    EXPECT_EQ(session.document().originalTexts[1], "typed by hand");
    EXPECT_EQ(r.rowsWithoutBytes, 1);
    EXPECT_NE(garbled, kChinese);

    // Undoing the edit brings back a text that its bytes gave, which follows the next choice.
    session.undo(); // the re-decoding
    session.undo(); // the edit
    EXPECT_EQ(cell(1), *decodeBytes(*encodeText(kChinese2, 936), 1252));
    redecode(Side::Original, 936);
    EXPECT_EQ(cell(1), kChinese2);
}

TEST_F(Redecode, BytesMoveWithTheirRowsAndEditsDropThem) {
    load(subRip({kChinese, kChinese2, "c", "d"}, 936));
    redecode(Side::Original, 1252);
    LineClipboard clipboard;
    session.apply(OnCutLine(session, {0}, clipboard));
    session.apply(OnPasteLine(session, {2}, clipboard)); // before the row that was 3rd
    session.apply(OnCombineSubtitles(session, {0, 1}));
    redecode(Side::Original, 936);
    // The combined row keeps what it shows; the moved row reads as Chinese where it now is.
    ASSERT_EQ(session.rows().count(), 3);
    EXPECT_EQ(cell(1), kChinese);
    EXPECT_TRUE(cell(0).contains(u'|'));
    EXPECT_FALSE(cell(0).contains(kChinese2));
}

TEST_F(Redecode, TranslatedBytesSurviveAnOriginalLoadAndTranslationsAreKept) {
    load(subRip({kChinese, kChinese2}, 936), Side::Translated);
    load(subRip({"one", "two"}, 1252), Side::Original);
    redecode(Side::Translated, 1252);
    EXPECT_NE(cell(0, Side::Translated), kChinese);
    session.setTranslatedTexts({1}, {"machine translation"});
    redecode(Side::Translated, 936);
    EXPECT_EQ(cell(0, Side::Translated), kChinese);
    EXPECT_EQ(cell(1, Side::Translated), "machine translation");
    EXPECT_EQ(session.document().translatedTexts, (QStringList{kChinese, "machine translation"}));
}

TEST_F(Redecode, UnicodeFilesAndUndecodablePagesKeepTheirText) {
    // UTF-16 with its mark: nothing to read afresh.
    QByteArray utf16("\xFF\xFE", 2);
    const QString text = QStringLiteral("1\r\n00:00:01,000 --> 00:00:02,000\r\n") + kChinese + "\r\n";
    for (QChar c : text)
        utf16.append(char(c.unicode() & 0xFF)).append(char(c.unicode() >> 8));
    load(utf16);
    RedecodeResult r = redecode(Side::Original, 1251);
    EXPECT_EQ(cell(0), kChinese);
    EXPECT_EQ(r.rowsWithoutBytes, 1);
    // The choice is still the side's setting, and undo puts it back.
    EXPECT_EQ(session.document().originalCodePage, 1251u);
    session.undo();
    EXPECT_EQ(session.document().originalCodePage, 0u);

    load(subRip({"keep me"}, 1252));
    r = redecode(Side::Original, 12345);
    EXPECT_EQ(r.rowsKept, 1);
    EXPECT_EQ(cell(0), "keep me");
    // In HZ "~{" only switches to GB mode: real bytes that decode to no text at all.
    load(QByteArray("1\n00:00:01,000 --> 00:00:02,000\n~{\n"));
    r = redecode(Side::Original, 52936);
    EXPECT_EQ(r.rowsKept, 1);
    EXPECT_EQ(cell(0), "~{");
}

TEST_F(Redecode, EveryFormatsTextIsRemadeFromItsBytes) {
    struct Case {
        SubtitleFormat format;
        QString file;
    };
    const Case cases[] = {
        {kSubRip, "1\n00:00:01,000 --> 00:00:02,000\n  " + kChinese + "\r\n5 " + kChinese2 + "\n"},
        {kMicroDVD, "  {1}{2}{y:i}" + kChinese + "|" + kChinese2 + "\n"},
        {kSAMI, "<SAMI>\n<SYNC Start=1>\n" + kChinese + "\n<b>" + kChinese2 + "</b>\n"},
        {kSubViewer, "00:00:01.00,00:00:02.00\n" + kChinese + "\n" + kChinese2 + "\n"},
        {kSubViewer2, "00:00:01.00,00:00:02.00\n" + kChinese + "[br]" + kChinese2 + "[BR]x\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.format);
        load(*encodeText(c.file, 936), Side::Original, c.format);
        ASSERT_EQ(session.rows().count(), 1);
        const SourceRef& source = session.sources(0).original;
        ASSERT_TRUE(source.isValid());
        // Whatever page the load read it with, the bytes give the same text again in it.
        EXPECT_EQ(decodeSourceBytes(source, session.document().originalCodePage), cell(0));
        redecode(Side::Original, 1252);
        redecode(Side::Original, 936);
        EXPECT_EQ(cell(0), session.document().originalTexts[0]);
        EXPECT_TRUE(cell(0).contains(kChinese2));
    }
}
