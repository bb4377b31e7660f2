#include "charset/code_page.h"
#include "subtitle/subtitle_session.h"

#include <gtest/gtest.h>

namespace {

class Redecode : public ::testing::Test {
protected:
    void SetUp() override {
        m_savedAnsi = systemAnsiCodePage();
        setSystemAnsiCodePage(1252);
    }
    void TearDown() override { setSystemAnsiCodePage(m_savedAnsi); }

    // What a reader leaves behind: each text decoded in ANSI, both in the list and in the row.
    void load(const QList<QByteArray>& fileTexts, Side side = Side::Original) {
        SubtitleDocument document = session.document();
        QVector<EntryRow> rows = session.rows().all();
        for (const QByteArray& bytes : fileTexts) {
            const QString text = *decodeBytes(bytes, kAnsiCodePage);
            EntryRow row;
            row.number = rows.size() + 1;
            (side == Side::Original ? row.original : row.translated) = text;
            rows.append(row);
            document.texts(side).append(text);
        }
        session.reset(document, rows);
    }

    // Lists and rows as something other than a load could leave them.
    template <typename Change> void alter(Change change) {
        SubtitleDocument document = session.document();
        QVector<EntryRow> rows = session.rows().all();
        change(document, rows);
        session.reset(document, rows);
    }

    SubtitleSession session;

private:
    std::uint32_t m_savedAnsi = 0;
};

const QString kChinese = QString::fromUtf8("\xE4\xBD\xA0\xE5\xA5\xBD\xEF\xBC\x8C\xE4\xB8\x96\xE7\x95\x8C|\n"
                                           "\xE4\xB8\xAD\xE6\x96\x87\xE5\xAD\x97\xE5\xB9\x95");

RedecodeResult redecode(SubtitleSession& session, Side side, std::uint32_t codePage) {
    RedecodeResult result;
    session.redecodeSide(side, codePage, &result);
    return result;
}

} // namespace

TEST_F(Redecode, Gb2312ReadAsAnsiBecomesChinese) {
    const QByteArray gbBytes = *encodeText(kChinese, 936);
    load({gbBytes, QByteArray("plain")});
    ASSERT_NE(session.rows().cellText(0, kColumnOriginal), kChinese);

    const RedecodeResult r = redecode(session, Side::Original, 936);

    EXPECT_EQ(session.rows().cellText(0, kColumnOriginal), kChinese);
    EXPECT_EQ(session.document().originalTexts[0], kChinese);
    EXPECT_EQ(session.rows().cellText(1, kColumnOriginal), "plain");
    EXPECT_EQ(r.rowsChanged, 1);
    EXPECT_EQ(r.rowsKept, 0);
}

TEST_F(Redecode, AnsiKeepsAnsiTextAndTurnsTheRestIntoQuestionMarks) {
    load({QByteArray("Caf\xE9 \x80 5")});
    alter([](SubtitleDocument&, QVector<EntryRow>& rows) { rows[0].original += kChinese.left(2); });

    redecode(session, Side::Original, kAnsiCodePage);

    const QString expected = QString::fromUtf8("Caf\xC3\xA9 \xE2\x82\xAC 5??");
    EXPECT_EQ(session.rows().cellText(0, kColumnOriginal), expected);
    EXPECT_EQ(session.document().originalTexts[0], expected);
}

TEST_F(Redecode, Utf8ReadAsAnsiIsRestored) {
    const QString accented = QString::fromUtf8("Cr\xC3\xA8me br\xC3\xBBl\xC3\xA9"
                                               "e \xE2\x80\x94 na\xC3\xAFve");
    load({accented.toUtf8()}, Side::Translated);
    ASSERT_NE(session.rows().cellText(0, kColumnTranslated), accented);

    redecode(session, Side::Translated, kUtf8CodePage);

    EXPECT_EQ(session.rows().cellText(0, kColumnTranslated), accented);
    EXPECT_EQ(session.document().translatedTexts[0], accented);
    EXPECT_TRUE(session.document().originalTexts.isEmpty());
    EXPECT_TRUE(session.rows().cellText(0, kColumnOriginal).isEmpty());
}

TEST_F(Redecode, OnlyRowsWithAListElementAreTouched) {
    const QByteArray gbBytes = *encodeText(kChinese, 936);
    load(QList<QByteArray>(10, gbBytes));
    alter([](SubtitleDocument& d, QVector<EntryRow>&) { d.originalTexts.resize(8); });
    const QString garbled = session.rows().cellText(9, kColumnOriginal);

    redecode(session, Side::Original, 936);

    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(session.rows().cellText(i, kColumnOriginal), kChinese) << i;
    EXPECT_EQ(session.rows().cellText(8, kColumnOriginal), garbled);
    EXPECT_EQ(session.rows().cellText(9, kColumnOriginal), garbled);
    EXPECT_EQ(session.document().originalTexts.size(), 8);

    // And the other way round: more list elements than rows.
    alter([](SubtitleDocument& d, QVector<EntryRow>& rows) {
        d.originalTexts.append({"a", "b", "c", "d"});
        rows.remove(2, 8);
    });
    redecode(session, Side::Original, 936);
    EXPECT_EQ(session.document().originalTexts.size(), 12);
    EXPECT_EQ(session.rows().count(), 2);
}

TEST_F(Redecode, UndecodableCodePageKeepsTheOldText) {
    load({QByteArray("keep me"), QByteArray("\xC4\xE3\xBA\xC3")});
    const QStringList before = session.document().originalTexts;
    const RedecodeResult r = redecode(session, Side::Original, 12345);

    EXPECT_EQ(r.rowsKept, 2);
    EXPECT_EQ(r.rowsChanged, 0);
    EXPECT_EQ(session.document().originalTexts, before);
    EXPECT_EQ(session.rows().cellText(0, kColumnOriginal), "keep me");
    EXPECT_EQ(session.rows().cellText(1, kColumnOriginal), before[1]);
    // The side's setting moved all the same, and undo puts it back.
    EXPECT_EQ(session.document().originalCodePage, 12345u);
    session.undo();
    EXPECT_EQ(session.document().originalCodePage, 0u);
}

TEST_F(Redecode, CodePageThatYieldsNothingKeepsTheOldText) {
    // In HZ "~{" only switches to GB mode: real bytes that decode to no text at all.
    ASSERT_EQ(decodeBytes(QByteArray("~{"), 52936), QString());
    load({QByteArray("~{"), QByteArray("~{VP~}")});

    const RedecodeResult r = redecode(session, Side::Original, 52936);

    EXPECT_EQ(r.rowsKept, 1);
    EXPECT_EQ(session.rows().cellText(0, kColumnOriginal), "~{");
    EXPECT_EQ(session.document().originalTexts[0], "~{");
    EXPECT_EQ(session.rows().cellText(1, kColumnOriginal), QString::fromUtf8("\xE4\xB8\xAD"));
}

TEST_F(Redecode, LongTextIsHandledWhole) {
    // Far beyond the 5,120-unit buffers such code often uses.
    QString longText;
    for (int i = 0; i < 4000; ++i)
        longText += kChinese.left(2);
    load({*encodeText(longText, 936)});

    redecode(session, Side::Original, 936);

    EXPECT_EQ(session.rows().cellText(0, kColumnOriginal), longText);
    EXPECT_EQ(session.document().originalTexts[0], longText);
}

TEST_F(Redecode, CellTextWinsOverADifferingListElementAndEmptyListIsANoOp) {
    load({QByteArray("cell")});
    alter([](SubtitleDocument& d, QVector<EntryRow>&) { d.originalTexts[0] = "list"; });
    redecode(session, Side::Original, kAnsiCodePage);
    EXPECT_EQ(session.document().originalTexts[0], "cell");

    SubtitleSession empty;
    EntryRow row;
    row.original = "x";
    empty.reset({}, {row});
    const RedecodeResult r = redecode(empty, Side::Original, 936);
    EXPECT_EQ(r.rowsChanged + r.rowsKept, 0);
    EXPECT_EQ(empty.rows().cellText(0, kColumnOriginal), "x");
}
