// The editing rules over a session: line operations, timing edits and search, each checked for its
// result, for rows and lists still in step, and for an undo that returns the exact state before.
#include "edit/line_operations.h"
#include "edit/search_rules.h"
#include "edit/timing_edits.h"
#include "subtitle/time_codes.h"

#include <gtest/gtest.h>

namespace {

struct Snapshot {
    SubtitleDocument document;
    QVector<EntryRow> rows;
    bool operator==(const Snapshot& o) const {
        return rows == o.rows && document.loadedTimeLines == o.document.loadedTimeLines &&
               document.timeLines == o.document.timeLines &&
               document.originalTexts == o.document.originalTexts &&
               document.translatedTexts == o.document.translatedTexts;
    }
};

class EditTest : public ::testing::Test {
protected:
    // Entries numbered from 1 whose texts name them ("o1", "t1"), with times two seconds apart.
    void fill(int n, std::int32_t format = kSubRip) {
        SubtitleDocument d;
        d.formatMode = format;
        QVector<EntryRow> rows;
        for (int i = 1; i <= n; ++i) {
            QString show, hide;
            if (format == kSAMI) {
                show = QString::number(i * 1000);
            } else {
                show = ShiftTimeText("00:00:00,000", i * 2000, kSubRip);
                hide = ShiftTimeText("00:00:00,000", i * 2000 + 1000, kSubRip);
            }
            rows.append(
                EntryRow{double(i), show, hide, QStringLiteral("o%1").arg(i), QStringLiteral("t%1").arg(i)});
            d.loadedTimeLines.append(BuildTimeLine(show, hide, format));
            d.originalTexts.append(rows.last().original);
            d.translatedTexts.append(rows.last().translated);
        }
        d.timeLines = d.loadedTimeLines;
        session.reset(d, rows);
    }

    Snapshot snap() const { return {session.document(), session.rows().all()}; }

    // Applies the edit, checks alignment and that undo and redo move exactly between the two states.
    SessionChange run(const SessionEdit& edit) {
        const Snapshot before = snap();
        const SessionChange change = session.apply(edit);
        expectAligned();
        const Snapshot after = snap();
        if (session.canUndo()) {
            session.undo();
            EXPECT_TRUE(snap() == before) << edit.label().toStdString();
            session.redo();
            EXPECT_TRUE(snap() == after) << edit.label().toStdString();
        }
        return change;
    }

    void expectAligned() const {
        const SubtitleDocument& d = session.document();
        const int n = session.rowCount();
        EXPECT_EQ(d.timeLines.size(), n);
        EXPECT_EQ(d.loadedTimeLines.size(), n);
        EXPECT_EQ(d.originalTexts.size(), n);
        EXPECT_EQ(d.translatedTexts.size(), n);
        for (int i = 0; i < n && i < d.timeLines.size(); ++i) {
            const EntryRow& r = session.rows().at(i);
            EXPECT_EQ(d.timeLines[i], BuildTimeLine(r.show, r.hide, d.formatMode)) << i;
            EXPECT_EQ(d.originalTexts.value(i), r.original) << i;
            EXPECT_EQ(d.translatedTexts.value(i), r.translated) << i;
        }
    }

    QStringList column(int c) const {
        QStringList out;
        for (int i = 0; i < session.rowCount(); ++i)
            out.append(session.rows().cellText(i, c));
        return out;
    }

    SubtitleSession session;
    LineClipboard clipboard;
};

} // namespace

TEST_F(EditTest, DeleteRowsTwoAndFourOfFiveRenumbersTheRest) {
    fill(5);
    const SessionChange c = run(OnDeleteSelected(session, {3, 1})); // unsorted on purpose
    EXPECT_EQ(column(kColumnNumber), (QStringList{"1", "2", "3"}));
    EXPECT_EQ(column(kColumnOriginal), (QStringList{"o1", "o3", "o5"}));
    EXPECT_EQ(session.document().translatedTexts, (QStringList{"t1", "t3", "t5"}));
    ASSERT_TRUE(c.selection);
    EXPECT_TRUE(c.selection->isEmpty());
    EXPECT_TRUE(OnDeleteSelected(session, {}).isEmpty());
}

TEST_F(EditTest, CutTwoLinesAndPasteThemBeforeTheFirstRow) {
    fill(5);
    run(OnCutLine(session, {1, 2}, clipboard));
    ASSERT_EQ(clipboard.size(), 2);
    EXPECT_EQ(clipboard[0].originalCell, "o2");
    EXPECT_EQ(clipboard[1].timeLine,
              session.document().loadedTimeLines.size() > 0
                  ? std::optional<QString>(BuildTimeLine("00:00:06,000", "00:00:07,000", kSubRip))
                  : std::nullopt);
    EXPECT_EQ(column(kColumnOriginal), (QStringList{"o1", "o4", "o5"}));

    const SessionChange c = run(OnPasteLine(session, {0}, clipboard));
    EXPECT_EQ(column(kColumnOriginal), (QStringList{"o2", "o3", "o1", "o4", "o5"}));
    EXPECT_EQ(column(kColumnNumber), (QStringList{"1", "2", "3", "4", "5"}));
    EXPECT_EQ(session.document().originalTexts.mid(0, 2), (QStringList{"o2", "o3"}));
    ASSERT_TRUE(c.selection);
    EXPECT_EQ(*c.selection, (QList<int>{0, 1}));
    EXPECT_EQ(c.focus, 1);

    // Copy with nothing selected keeps the clipboard; paste with an empty one only clears the selection.
    OnCopyLine(session, {}, clipboard);
    EXPECT_EQ(clipboard.size(), 2);
    const SessionEdit empty = OnPasteLine(session, {2}, LineClipboard{});
    const SessionChange cleared = session.apply(empty);
    ASSERT_TRUE(cleared.selection);
    EXPECT_TRUE(cleared.selection->isEmpty());
    EXPECT_FALSE(session.canRedo());
    EXPECT_EQ(session.historySize(), 2);
}

TEST_F(EditTest, InsertBeforeTheLastSelectedRow) {
    fill(7);
    const SessionChange c = run(OnInsertBefore(session, {2, 5}));
    EXPECT_EQ(column(kColumnNumber), (QStringList{"1", "2", "3", "4", "5", "6", "7", "8"}));
    EXPECT_EQ(session.rows().at(5).original, kNewOriginalText);
    EXPECT_EQ(session.rows().at(5).show, session.rows().at(6).show);
    EXPECT_EQ(session.rows().at(5).hide, session.rows().at(6).show);
    EXPECT_EQ(session.rows().at(6).original, "o6");
    ASSERT_TRUE(c.selection);
    EXPECT_EQ(*c.selection, (QList<int>{2, 5}));
    EXPECT_EQ(c.focus, 5);
}

TEST_F(EditTest, InsertSubtitleStartsFromTheLastHideOrTheFormatsZero) {
    struct Case {
        std::int32_t format;
        int rows;
        QString time;
        QString timeLine;
    };
    const Case cases[] = {
        {kSubRip, 0, "00:00:00,000", "00:00:00,000 --> 00:00:00,000"},
        {kMicroDVD, 0, "0", "{0}{0}"},
        {kSubViewer, 0, "00:00:00.00", "00:00:00.00,00:00:00.00"},
        {kSubRip, 3, "00:00:07,000", "00:00:07,000 --> 00:00:07,000"},
    };
    for (const Case& c : cases) {
        fill(c.rows, c.format);
        const SessionChange change = run(OnInsertSubtitle(session, {0}));
        ASSERT_EQ(session.rowCount(), c.rows + 1);
        const EntryRow& row = session.rows().at(c.rows);
        EXPECT_EQ(row.number, c.rows + 1);
        EXPECT_EQ(row.show, c.time);
        EXPECT_EQ(session.document().timeLines.last(), c.timeLine);
        EXPECT_EQ(session.document().translatedTexts.last(), kUntranslated);
        // The new row joins the selection.
        ASSERT_TRUE(change.selection);
        EXPECT_EQ(change.selection->last(), c.rows);
        EXPECT_EQ(change.selection->size(), c.rows > 0 ? 2 : 1);
    }
}

TEST_F(EditTest, CombineJoinsTextsAndTakesTheOuterTimes) {
    fill(3);
    run(OnCombineSubtitles(session, {0, 1}));
    ASSERT_EQ(session.rowCount(), 2);
    const EntryRow& row = session.rows().at(0);
    EXPECT_EQ(row.show, "00:00:02,000");
    EXPECT_EQ(row.hide, "00:00:05,000");
    EXPECT_EQ(row.original, "o1|\no2");
    EXPECT_EQ(session.document().timeLines[0], "00:00:02,000 --> 00:00:05,000");
    EXPECT_EQ(session.document().loadedTimeLines[0], "00:00:02,000 --> 00:00:05,000");
    EXPECT_EQ(column(kColumnNumber), (QStringList{"1", "2"}));
    EXPECT_TRUE(OnCombineSubtitles(session, {1}).isEmpty());

    fill(3, kSAMI);
    run(OnCombineSubtitles(session, {0, 2}));
    EXPECT_EQ(session.document().timeLines[0], "<SYNC Start=1000>");
    EXPECT_EQ(session.rows().at(0).translated, "t1|\nt3");
}

TEST_F(EditTest, TimingBoxSpinAndTyping) {
    fill(2);
    std::optional<BoxEdit> step = stepTimeBox(session, 0, TimeBox::Show, 1, "00:00:01,000");
    ASSERT_TRUE(step);
    EXPECT_EQ(step->boxText, "00:00:01,010");
    run(step->edit);
    EXPECT_EQ(session.rows().at(0).show, "00:00:01,010");
    EXPECT_EQ(session.document().timeLines[0], "00:00:01,010 --> 00:00:03,000");

    // Typed times reach the time line the savers write.
    run(typeTimeBoxes(session, 1, "00:00:09,000", "00:00:09,500").edit);
    EXPECT_EQ(session.document().timeLines[1], "00:00:09,000 --> 00:00:09,500");

    // A box being typed over steps from the row's time.
    EXPECT_EQ(stepTimeBox(session, 1, TimeBox::Show, 1, "  :  :  ,   ")->boxText, "00:00:09,010");

    fill(1, kMicroDVD);
    EXPECT_EQ(stepTimeBox(session, 0, TimeBox::Hide, -1, "5")->boxText, "0");
    fill(1, kSAMI);
    EXPECT_FALSE(stepTimeBox(session, 0, TimeBox::Hide, 1, "100"));
    EXPECT_FALSE(stepTimeBox(session, 0, TimeBox::Show, 1, ""));
    // Held down for ever, the step stays within 32 bits.
    EXPECT_EQ(stepTimeBox(session, -1, TimeBox::Show, INT_MIN, "5")->boxText, "0");
}

TEST(BoxTime, OnlyAWholeTimeOfTheFormatIsATime) {
    struct Case {
        const char* text;
        std::int32_t format;
        std::int64_t milliseconds; // -1: no time
    };
    const Case cases[] = {
        {"  :  :  ,   ", kSubRip, -1}, // select-all and a letter cleared every position
        {"5 :  :  ,   ", kSubRip, -1},
        {"00:00:0 ,500", kSubRip, -1},
        {"00:75:00,000", kSubRip, -1},
        {"00:00:60,000", kSubRip, -1},
        {"00:00:09,50x", kSubRip, -1},
        {"", kMicroDVD, -1},
        {"12a", kMicroDVD, -1},
        {"00:00:09,500", kSubRip, 9500},
        {"99:59:59,999", kSubRip, ((99 * 60 + 59) * 60 + 59) * 1000 + 999},
        {"00:01:02,50", kSubViewer, 62500},
        {"0:00:01.50", kSubStation, 1500},
        {"01:02.003", kWebVTT, 62003},
        {"1500", kSAMI, 1500},
        {"50", kMicroDVD, 2000}, // frames at 25 a second
    };
    for (const Case& c : cases) {
        const std::optional<TimeCode> time = boxTime(QString::fromLatin1(c.text), c.format);
        EXPECT_EQ(time ? time->milliseconds() : -1, c.milliseconds) << c.text;
    }
}

TEST_F(EditTest, TypedTimesReachTheRowOnlyWhenWholeAndInOrder) {
    struct Case {
        const char* show;
        const char* hide;
        TypedVerdict verdict;
    };
    const Case cases[] = {
        {"00:00:05,000", "00:00:04,999", TypedVerdict::HideBeforeShow},
        {"  :  :  ,   ", "00:00:03,000", TypedVerdict::Unfinished},
        {"00:00:02,000", "0 :  :  ,   ", TypedVerdict::Unfinished},
        {"00:00:05,000", "00:00:05,000", TypedVerdict::Taken},
    };
    for (const Case& c : cases) {
        fill(2);
        const Snapshot before = snap();
        const TypedTimes typed = typeTimeBoxes(session, 1, c.show, c.hide);
        EXPECT_EQ(typed.verdict, c.verdict) << c.show << " " << c.hide;
        run(typed.edit);
        if (c.verdict == TypedVerdict::Taken)
            EXPECT_EQ(session.document().timeLines[1], QStringLiteral("%1 --> %2").arg(c.show, c.hide));
        else
            EXPECT_TRUE(snap() == before) << c.show << " " << c.hide;
    }
    // SAMI has no Hide time to be out of order with.
    fill(1, kSAMI);
    EXPECT_EQ(typeTimeBoxes(session, 0, "2500", "").verdict, TypedVerdict::Taken);
}

TEST_F(EditTest, SetDelayAndRestoreOriginalTime) {
    fill(3);
    // "-" 2 s on all rows: the first entry's Show "00:00:02,000" reaches zero.
    run(setDelay(session, DelayChoice{readDelayValue("00:00:02,000", kSubRip), true, false}, {}));
    EXPECT_EQ(column(kColumnShow), (QStringList{"00:00:00,000", "00:00:02,000", "00:00:04,000"}));
    EXPECT_EQ(session.document().timeLines[1], "00:00:02,000 --> 00:00:03,000");

    const std::optional<RestoredTimes> restored = restoreOriginalTime(session, 1);
    ASSERT_TRUE(restored);
    EXPECT_EQ(restored->show, "00:00:04,000");
    run(restored->edit);
    EXPECT_EQ(column(kColumnShow), (QStringList{"00:00:00,000", "00:00:04,000", "00:00:04,000"}));
    EXPECT_EQ(session.document().timeLines[1], session.document().loadedTimeLines[1]);

    EXPECT_TRUE(setDelay(session, DelayChoice{0, false, false}, {}).isEmpty());
    EXPECT_TRUE(setDelay(session, DelayChoice{500, false, true}, {}).isEmpty());

    // The largest masked value on every row, either way: defined, never below zero, no overflow.
    const std::int32_t largest = readDelayValue("99:99:99,999", kSubRip);
    EXPECT_EQ(largest, 362439999);
    run(setDelay(session, DelayChoice{largest, false, false}, {}));
    run(setDelay(session, DelayChoice{largest, true, false}, {}));
    EXPECT_EQ(column(kColumnShow), (QStringList{"00:00:00,000", "00:00:00,000", "00:00:00,000"}));
    EXPECT_EQ(formatDelayValue(stepDelayValue(0, -1), kSubRip), "00:00:00,000");
    EXPECT_EQ(formatDelayValue(stepDelayValue(readDelayValue("00:00:01,50", kSubViewer), 1), kSubViewer),
              "00:00:01,60");

    // A MicroDVD line without its two brace groups restores nothing.
    fill(1, kMicroDVD);
    SubtitleDocument d = session.document();
    d.loadedTimeLines[0] = "{100}";
    session.reset(d, session.rows().all());
    EXPECT_FALSE(restoreOriginalTime(session, 0));
}

TEST_F(EditTest, ReplaceRules) {
    QString text = "banana";
    ReplaceNoCase(text, "AN", "x");
    EXPECT_EQ(text, "bxxa");
    text = "Banana";
    ReplaceNoCase(text, "a", "aa");
    EXPECT_EQ(text, "Baanaanaa"); // what is put in is never searched again
    text = QString::fromUtf8("Привет, ПРИВЕТ");
    ReplaceNoCase(text, QString::fromUtf8("привет"), "hi");
    EXPECT_EQ(text, "hi, hi");
    text = QString::fromUtf8("straße");
    ReplaceNoCase(text, "SS", "x"); // simple folding leaves ß alone: no match, no shift
    EXPECT_EQ(text, QString::fromUtf8("straße"));

    fill(2);
    SubtitleDocument d = session.document();
    d.originalTexts[0] = "banana";
    d.translatedTexts.removeLast(); // row 1 has no translated element
    QVector<EntryRow> rows = session.rows().all();
    rows[0].original = "banana";
    rows[1].translated = "a banana";
    session.reset(d, rows);
    session.apply(replaceInRow(session, 0, "a", "aa", true));
    EXPECT_EQ(session.rows().at(0).original, "baanaanaa");
    EXPECT_EQ(session.document().originalTexts[0], "baanaanaa");
    EXPECT_TRUE(replaceInRow(session, 0, "a", "", true).isEmpty());

    session.apply(replaceAll(session, "BANANA", "kiwi", false));
    EXPECT_EQ(session.rows().at(0).original, "baanaanaa");
    EXPECT_EQ(session.rows().at(1).translated, "a kiwi");
    // The row beyond the list gets its element, so the save writes what the grid shows.
    EXPECT_EQ(session.document().translatedTexts, (QStringList{"t1", "a kiwi"}));
}

TEST_F(EditTest, SearchDirectionsAndLineNumbers) {
    fill(4);
    SubtitleDocument d = session.document();
    QVector<EntryRow> rows = session.rows().all();
    rows[0].original = "hello";
    rows[2].translated = QString::fromUtf8("Привет");
    session.reset(d, rows);
    EXPECT_EQ(findRow(session, "HELLO", -1, {false, true}), 0);
    EXPECT_EQ(findRow(session, "HELLO", -1, {true, true}), -1);
    EXPECT_EQ(findRow(session, QString::fromUtf8("привет"), 0, {false, true}), 2); // found in Translated
    EXPECT_EQ(findRow(session, "hello", 0, {false, false}), -1); // up from the first row: nothing
    EXPECT_EQ(findRow(session, "o2", -1, {false, false}), -1);   // no focus: only the first row is checked
    EXPECT_EQ(findRow(session, "o1", 3, {false, false}), -1);    // no wrap-around either way
    EXPECT_EQ(OnFindNext(session, "O4", 1), 3);

    struct LineCase {
        const char* text;
        std::optional<int> number;
    };
    for (const LineCase& c : {LineCase{"3", 3}, LineCase{"", std::nullopt}, LineCase{"0", std::nullopt},
                              LineCase{"-3", std::nullopt}, LineCase{"abc", std::nullopt},
                              LineCase{"12abc", 12}, LineCase{"99999999999", INT32_MAX}})
        EXPECT_EQ(lineNumberFromText(c.text), c.number) << c.text;
}
