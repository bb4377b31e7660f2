// The session as the one keeper of alignment: every edit keeps rows and lists in step, bounds every
// list access, says what it changed, and undoes to the exact state before.
#include "edit/line_operations.h"
#include "subtitle/session_edits.h"
#include "subtitle/subtitle_session.h"
#include "subtitle/time_codes.h"

#include <QRandomGenerator>
#include <gtest/gtest.h>

namespace {

struct Snapshot {
    SubtitleDocument document;
    QVector<EntryRow> rows;
    bool operator==(const Snapshot& o) const {
        const SubtitleDocument& a = document;
        const SubtitleDocument& b = o.document;
        return rows == o.rows && a.headerLines == b.headerLines && a.loadedTimeLines == b.loadedTimeLines &&
               a.timeLines == b.timeLines && a.originalTexts == b.originalTexts &&
               a.translatedTimeLines == b.translatedTimeLines && a.translatedTexts == b.translatedTexts &&
               a.formatMode == b.formatMode && a.originalCodePage == b.originalCodePage &&
               a.translatedCodePage == b.translatedCodePage;
    }
};

Snapshot snap(const SubtitleSession& s) {
    return {s.document(), s.rows().all()};
}

// Every list is a prefix of the rows, element i belonging to row i.
void expectAligned(const SubtitleSession& s) {
    const SubtitleDocument& d = s.document();
    const int n = s.rowCount();
    ASSERT_LE(d.timeLines.size(), n);
    ASSERT_LE(d.loadedTimeLines.size(), n);
    ASSERT_LE(d.originalTexts.size(), n);
    ASSERT_LE(d.translatedTexts.size(), n);
    for (int i = 0; i < d.timeLines.size(); ++i)
        EXPECT_EQ(d.timeLines[i], BuildTimeLine(s.rows().at(i).show, s.rows().at(i).hide, kSubRip)) << i;
    for (int i = 0; i < d.originalTexts.size(); ++i)
        EXPECT_EQ(d.originalTexts[i], s.rows().at(i).original) << i;
    for (int i = 0; i < d.translatedTexts.size(); ++i)
        EXPECT_EQ(d.translatedTexts[i], s.rows().at(i).translated) << i;
}

} // namespace

TEST(SubtitleSession, EditsKeepListsAlignedAndUndoToTheExactStateBefore) {
    struct Case {
        const char* name;
        int translated; // elements in translatedTexts; -1: all
        std::function<SessionChange(SubtitleSession&)> edit;
    };
    const Case cases[] = {
        {"insert in the middle", -1,
         [](SubtitleSession& s) {
             return s.insertEntries(2, {made("a", 99), made("b", 98)});
         }},
        {"insert at the end", -1, [](SubtitleSession& s) { return s.insertEntries(5, {made("a", 99)}); }},
        {"insert beyond a short list", 2,
         [](SubtitleSession& s) { return s.insertEntries(4, {made("a", 99)}); }},
        {"insert at a short list's end", 2,
         [](SubtitleSession& s) { return s.insertEntries(2, {made("a", 99)}); }},
        {"remove scattered rows", -1,
         [](SubtitleSession& s) {
             return s.removeEntries({4, 1, 1});
         }},
        {"remove rows beyond a short list", 2,
         [](SubtitleSession& s) {
             return s.removeEntries({1, 3});
         }},
        {"set times", -1, [](SubtitleSession& s) { return s.setTimes(3, timeText(50), timeText(51)); }},
        {"set a text beyond its list", 2,
         [](SubtitleSession& s) { return s.setTextCell(3, kColumnTranslated, "x"); }},
        {"translations", 3,
         [](SubtitleSession& s) {
             return s.setTranslatedTexts({4, 0, 2}, {"four", "zero", "two"});
         }},
        {"renumber", -1, [](SubtitleSession& s) { return s.renumber(2, 10); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SubtitleSession s;
        fill(s, 5, c.translated);
        const Snapshot before = snap(s);
        const SessionChange change = c.edit(s);
        EXPECT_FALSE(change.isEmpty());
        expectAligned(s);
        const Snapshot after = snap(s);
        ASSERT_TRUE(s.canUndo());
        s.undo();
        EXPECT_TRUE(snap(s) == before);
        EXPECT_TRUE(s.isClean());
        s.redo();
        EXPECT_TRUE(snap(s) == after);
        // New row numbers are not kept by any file.
        EXPECT_EQ(s.isClean(), QLatin1String(c.name) == QLatin1String("renumber"));
    }
}

// Rows 0..rows-1, with the original lists reaching `originals` of them and translatedTexts
// `translations`, as loads of files of different lengths leave them: rows beyond the original file
// show no times and no original text, rows beyond the translation show what they showed before.
void shortLists(SubtitleSession& s, int rows, int originals, int translations) {
    fill(s, rows);
    SubtitleDocument d = s.document();
    QVector<EntryRow> all = s.rows().all();
    for (int i = originals; i < rows; ++i)
        all[i].show = all[i].hide = all[i].original = QString();
    d.loadedTimeLines = d.loadedTimeLines.mid(0, originals);
    d.timeLines = d.timeLines.mid(0, originals);
    d.originalTexts = d.originalTexts.mid(0, originals);
    d.translatedTexts = d.translatedTexts.mid(0, translations);
    s.reset(d, all);
}

TEST(SubtitleSession, AnEditBeyondAListsEndGivesTheListEveryRowUpToIt) {
    struct Case {
        const char* name;
        int originals, translations;
        std::function<void(SubtitleSession&)> edit;
        QStringList originalTexts, translatedTexts; // empty: as before
        int timeLines;
    };
    const Case cases[] = {
        {"typed translation beyond a shorter translation",
         5,
         2,
         [](SubtitleSession& s) { s.setTextCell(4, kColumnTranslated, "beyond"); },
         {},
         {"t0", "t1", "t2", "t3", "beyond"},
         5},
        {"typed original beyond a shorter original",
         3,
         5,
         [](SubtitleSession& s) { s.setTextCell(4, kColumnOriginal, "typed"); },
         {"o0", "o1", "o2", "", "typed"},
         {},
         5},
        {"times beyond the time lines",
         3,
         5,
         [](SubtitleSession& s) { s.setTimes(3, timeText(40), timeText(41)); },
         {},
         {},
         4},
        {"entry inserted after rows without elements",
         3,
         5,
         [](SubtitleSession& s) { s.insertEntries(5, {made("n", 50)}); },
         {"o0", "o1", "o2", "", "", "n"},
         {"t0", "t1", "t2", "t3", "t4", "n'"},
         6},
        {"translations of a job beyond the list",
         5,
         2,
         [](SubtitleSession& s) { s.setTranslatedTexts({3}, {"three"}); },
         {},
         {"t0", "t1", "t2", "three"},
         5},
        {"rows combined beyond the translation",
         5,
         1,
         [](SubtitleSession& s) {
             s.apply(OnCombineSubtitles(s, {1, 2}));
         },
         {},
         {"t0", "t1|\nt2"},
         4},
        {"an edit inside every list",
         5,
         5,
         [](SubtitleSession& s) { s.setTextCell(1, kColumnTranslated, "inside"); },
         {},
         {"t0", "inside", "t2", "t3", "t4"},
         5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SubtitleSession s;
        shortLists(s, 5, c.originals, c.translations);
        const Snapshot before = snap(s);
        c.edit(s);
        const SubtitleDocument& d = s.document();
        if (!c.originalTexts.isEmpty()) {
            EXPECT_EQ(d.originalTexts, c.originalTexts);
        }
        if (!c.translatedTexts.isEmpty()) {
            EXPECT_EQ(d.translatedTexts, c.translatedTexts);
        }
        // The time lines an edit added are what their rows show.
        EXPECT_EQ(d.timeLines.size(), c.timeLines);
        expectAligned(s);
        // One step, undone to the exact lists before.
        s.undo();
        EXPECT_TRUE(snap(s) == before);
        EXPECT_FALSE(s.canUndo());
    }
}

TEST(SubtitleSession, EachSideIsModifiedByWhatItsSaveWrites) {
    struct Case {
        const char* name;
        std::function<void(SubtitleSession&)> edit;
        SideMask original, translated;
    };
    const SideMask originalTexts = sideBit(Side::Original), translatedTexts = sideBit(Side::Translated);
    const Case cases[] = {
        {"an original cell", [](SubtitleSession& s) { s.setTextCell(0, kColumnOriginal, "x"); },
         originalTexts, 0},
        {"a translated cell", [](SubtitleSession& s) { s.setTextCell(0, kColumnTranslated, "x"); }, 0,
         translatedTexts},
        {"a job's translations",
         [](SubtitleSession& s) {
             s.setTranslatedTexts({1, 2}, {"a", "b"});
         },
         0, translatedTexts},
        {"times", [](SubtitleSession& s) { s.setTimes(2, timeText(30), timeText(31)); }, kTimesAndRows,
         kTimesAndRows},
        {"a removed row", [](SubtitleSession& s) { s.removeEntries({1}); }, kTimesAndRows, kTimesAndRows},
        {"row numbers, which no file keeps", [](SubtitleSession& s) { s.renumber(0, 7); }, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SubtitleSession s;
        fill(s, 4);
        c.edit(s);
        EXPECT_EQ(s.unsavedChanges(Side::Original), c.original);
        EXPECT_EQ(s.unsavedChanges(Side::Translated), c.translated);
        s.undo();
        EXPECT_FALSE(s.isModified(Side::Original));
        EXPECT_FALSE(s.isModified(Side::Translated));
    }
}

TEST(SubtitleSession, ASaveCleansOnlyItsSideAndTheHistoryFindsItAgain) {
    SubtitleSession s;
    fill(s, 4);
    s.setTextCell(0, kColumnOriginal, "o");
    s.setTextCell(0, kColumnTranslated, "t");
    s.setClean(Side::Translated);
    EXPECT_TRUE(s.isModified(Side::Original));
    EXPECT_FALSE(s.isModified(Side::Translated));

    // Undoing the translated edit leaves the saved translation behind; redoing it comes back.
    s.undo();
    EXPECT_TRUE(s.isModified(Side::Translated));
    s.redo();
    EXPECT_FALSE(s.isModified(Side::Translated));

    // An original edit after undoing past the translated save: what the undone step changed stays
    // unsaved for good, what the new one changes only for the original.
    s.undo();
    s.setTextCell(1, kColumnOriginal, "other");
    EXPECT_EQ(s.unsavedChanges(Side::Translated), sideBit(Side::Translated));
    EXPECT_EQ(s.unsavedChanges(Side::Original), sideBit(Side::Original));

    // A new history (a load of the other side) keeps what is unsaved.
    s.clearHistory();
    EXPECT_TRUE(s.isModified(Side::Original));
    EXPECT_TRUE(s.isModified(Side::Translated));
    s.setClean(Side::Translated);
    EXPECT_TRUE(s.isModified(Side::Original));
    EXPECT_FALSE(s.isModified(Side::Translated));

    // Work brought back after a crash is as modified as it was.
    s.restore(s.document(), s.rows().all(), 0, sideBit(Side::Translated));
    EXPECT_FALSE(s.isModified(Side::Original));
    EXPECT_TRUE(s.isModified(Side::Translated));
}

TEST(SubtitleSession, TypedBarsAndLineFeedsBecomeTheFormatsLineBreak) {
    struct Case {
        const char* typed;
        std::int32_t format;
        const char* text;
    };
    const Case cases[] = {
        {"Hello|World", kSubRip, "Hello|\nWorld"},
        {"Hello\nWorld", kSAMI, "Hello|\nWorld"},
        {"Hello|\nWorld", kSubViewer, "Hello|\nWorld"},
        {"Hello|\r\nWorld\r", kSubViewer2, "Hello|\nWorld"},
        {"a||b", kSubRip, "a|\n|\nb"},
        {"Hello|\nWorld", kMicroDVD, "Hello|World"},
        {"Hello\nWorld|Bye", kMicroDVD, "Hello|World|Bye"},
        {"no break", kSubRip, "no break"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(entryTextFromTyped(QString::fromUtf8(c.typed), c.format), QString::fromUtf8(c.text))
            << c.typed << " in format " << c.format;

    // The in-place edit stores what the savers will write as the grid shows it.
    SubtitleSession s;
    fill(s, 2);
    s.setTextCell(1, kColumnOriginal, "two|halves");
    EXPECT_EQ(s.document().originalTexts[1], "two|\nhalves");
    EXPECT_EQ(s.rows().at(1).original, "two|\nhalves");
}

TEST(SubtitleSession, BadIndexesChangeNothingAndLeaveNoStep) {
    SubtitleSession s;
    fill(s, 3);
    const Snapshot before = snap(s);
    EXPECT_TRUE(s.removeEntries({3, -1, 99}).isEmpty());
    EXPECT_TRUE(s.insertEntries(9, {made("x", 1)}).isEmpty());
    EXPECT_TRUE(s.setTimes(-1, "a", "b").isEmpty());
    EXPECT_TRUE(s.setTextCell(1, kColumnShow, "not a text cell").isEmpty());
    EXPECT_TRUE(s.setTranslatedTexts({7}, {"x"}).isEmpty());
    SessionEdit replace;
    replace.replace({2, 1}, {made("a", 1), made("b", 2)}); // not ascending
    EXPECT_TRUE(s.apply(replace).isEmpty());
    EXPECT_TRUE(snap(s) == before);
    EXPECT_FALSE(s.canUndo());
}

TEST(SubtitleSession, ChangeSaysWhichRowsAndColumnsMoved) {
    SubtitleSession s;
    fill(s, 6);
    SessionChange c = s.setTimes(3, timeText(40), timeText(41));
    EXPECT_EQ(c.shape, SessionChange::Shape::Unchanged);
    EXPECT_EQ(c.firstChangedRow, 3);
    EXPECT_EQ(c.lastChangedRow, 3);
    EXPECT_EQ(c.columns, kTimeColumns);
    EXPECT_TRUE(c.timeLinesChanged);
    EXPECT_FALSE(c.textsChanged);

    c = s.removeEntries({2, 3});
    EXPECT_EQ(c.shape, SessionChange::Shape::Removed);
    EXPECT_EQ(c.first, 2);
    EXPECT_EQ(c.count, 2);

    c = s.removeEntries({0, 2});
    EXPECT_EQ(c.shape, SessionChange::Shape::Rebuilt);

    // Undo of a removal puts the rows back and selects them.
    c = s.undo();
    EXPECT_EQ(c.shape, SessionChange::Shape::Rebuilt);
    ASSERT_TRUE(c.selection);
    EXPECT_EQ(*c.selection, (QList<int>{0, 2}));
}

TEST(SubtitleSession, GroupsTypingAndCleanState) {
    SubtitleSession s;
    fill(s, 4);
    const Snapshot start = snap(s);

    // A job's batches are one step.
    s.beginGroup("Translate All");
    EXPECT_FALSE(s.canUndo());
    s.setTranslatedTexts({0, 1}, {"a", "b"});
    s.setTranslatedTexts({2, 3}, {"c", "d"});
    s.endGroup(true);
    EXPECT_EQ(s.historySize(), 1);
    const SessionChange undone = s.undo();
    EXPECT_TRUE(undone.rebuildsMapping);
    EXPECT_TRUE(snap(s) == start);

    // Keystrokes into one row merge; another row starts a new step.
    for (const char* t : {"00:00:0", "00:00:05", "00:00:05,5"}) {
        SessionEdit e("Change Time");
        SessionEntry entry = s.entry(1);
        entry.row.show = t;
        e.replace(1, entry);
        e.setMergeKey("type:1");
        s.apply(e);
    }
    EXPECT_EQ(s.historySize(), 1);
    s.setClean();
    SessionEdit other;
    SessionEntry entry = s.entry(1);
    entry.row.show = "later";
    other.replace(1, entry);
    other.setMergeKey("type:1");
    s.apply(other); // typing after a save is a step of its own, so undo returns to the saved text
    EXPECT_EQ(s.historySize(), 2);
    EXPECT_FALSE(s.isClean());
    s.undo();
    EXPECT_TRUE(s.isClean());
    s.undo();
    EXPECT_TRUE(snap(s) == start);
    // A new edit after undoing past the saved state can never be clean again.
    s.removeEntries({0});
    EXPECT_FALSE(s.isClean());
}

TEST(SubtitleSession, RandomEditsStayAlignedAndUndoAllTheWay) {
    QRandomGenerator random(20261207);
    for (int round = 0; round < 20; ++round) {
        SubtitleSession s;
        fill(s, 8, int(random.bounded(9)));
        const Snapshot start = snap(s);
        QVector<Snapshot> states{start};
        for (int i = 0; i < 30; ++i) {
            const SessionEdit edit = randomEdit(random, s, i);
            if (!s.apply(edit).isEmpty())
                states.append(snap(s));
            expectAligned(s);
        }
        for (qsizetype k = states.size() - 2; k >= 0; --k) {
            ASSERT_TRUE(s.canUndo());
            s.undo();
            ASSERT_TRUE(snap(s) == states[k]) << "round " << round << " step " << k;
        }
        EXPECT_FALSE(s.canUndo());
    }
}
