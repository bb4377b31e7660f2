// The session as the one keeper of alignment: every edit keeps rows and lists in step, bounds every
// list access, says what it changed, and undoes to the exact state before.
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

QString timeText(int seconds) {
    return QStringLiteral("00:%1:%2,000")
        .arg(seconds / 60, 2, 10, QChar(u'0'))
        .arg(seconds % 60, 2, 10, QChar(u'0'));
}

// n SubRip entries whose list elements say which row they belong to; translatedTexts may be shorter.
void fill(SubtitleSession& s, int n, int translated = -1) {
    SubtitleDocument d;
    QVector<EntryRow> rows;
    for (int i = 0; i < n; ++i) {
        const QString show = timeText(2 * i), hide = timeText(2 * i + 1);
        rows.append(
            EntryRow{double(i + 1), show, hide, QStringLiteral("o%1").arg(i), QStringLiteral("t%1").arg(i)});
        d.loadedTimeLines.append(BuildTimeLine(show, hide, kSubRip));
        d.originalTexts.append(rows.last().original);
        if (translated < 0 || i < translated)
            d.translatedTexts.append(rows.last().translated);
    }
    d.timeLines = d.loadedTimeLines;
    s.reset(d, rows);
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

SessionEntry made(const QString& tag, int seconds) {
    SessionEntry e;
    const QString t = timeText(seconds);
    e.row = EntryRow{0, t, t, tag, tag + "'"};
    e.timeLine = e.loadedTimeLine = BuildTimeLine(t, t, kSubRip);
    e.originalText = tag;
    e.translatedText = tag + "'";
    return e;
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
        EXPECT_FALSE(s.isClean());
    }
}

TEST(SubtitleSession, ElementsGoOnlyWhereTheListReaches) {
    SubtitleSession s;
    fill(s, 5, 2); // rows 2..4 have no translated element, as after a shorter translation
    s.setTextCell(4, kColumnTranslated, "beyond");
    EXPECT_EQ(s.rows().at(4).translated, "beyond");
    EXPECT_EQ(s.document().translatedTexts.size(), 2);

    // Inserted inside a list, an entry without an element of its own takes what its row shows,
    // so later elements stay with their rows.
    SessionEntry bare = made("n", 7);
    bare.originalText.reset();
    s.insertEntries(1, {bare});
    EXPECT_EQ(s.document().originalTexts[1], "n");
    EXPECT_EQ(s.document().translatedTexts, (QStringList{"t0", "n'", "t1"}));
    expectAligned(s);
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
            const int n = s.rowCount();
            SessionEdit edit;
            switch (random.bounded(4)) {
            case 0: {
                const int at = int(random.bounded(n + 1));
                SessionEntry e = made(QStringLiteral("r%1").arg(i), i);
                if (random.bounded(2))
                    e.translatedText.reset();
                edit.insert(at, {e, made(QStringLiteral("s%1").arg(i), i)});
                break;
            }
            case 1:
                if (n > 0)
                    edit.remove({int(random.bounded(n)), int(random.bounded(n))});
                break;
            case 2:
                if (n > 0) {
                    const int row = int(random.bounded(n));
                    SessionEntry e = s.entry(row);
                    e.row.original = e.row.original + "+";
                    if (e.originalText)
                        e.originalText = e.row.original;
                    edit.replace(row, e);
                }
                break;
            default:
                if (n > 0)
                    edit.setNumbers(int(random.bounded(n)), {double(i), std::nullopt});
                break;
            }
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
