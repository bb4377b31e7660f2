// The incremental checker against a full check, after random edits, undos and redos.
#include "review_rows.h"

#include "review/incremental_checker.h"
#include "review/spell_checker.h"
#include "review/timing_fixes.h"
#include "subtitle/subtitle_session.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <random>

namespace {

const QStringList kTexts{
    "untranslated",  "",
    "Hello",         "The the cat",
    "<i>Run",        "Run</i>",
    "1,000 men",     "1.000 hommes",
    "Bonjour  toi ", "A very long line that goes on and on past the limit of the preset",
    "a|\nb|\nc",     "Xqzt",
};

QString randomTime(std::mt19937& random) {
    return srt(int(random() % 20000));
}

SessionEntry randomEntry(std::mt19937& random) {
    SessionEntry e;
    e.row = EntryRow{1, randomTime(random), randomTime(random), kTexts[random() % kTexts.size()],
                     kTexts[random() % kTexts.size()]};
    return e;
}

void load(SubtitleSession& session, std::mt19937& random, int rows) {
    SubtitleDocument d;
    QVector<EntryRow> entries;
    for (int i = 0; i < rows; ++i) {
        const EntryRow row = randomEntry(random).row;
        entries.append(row);
        d.timeLines.append(BuildTimeLine(row.show, row.hide, kSubRip));
        d.originalTexts.append(row.original);
        d.translatedTexts.append(row.translated);
    }
    d.loadedTimeLines = d.timeLines;
    session.reset(d, entries);
}

// One random edit of the kinds a user makes, or an undo or redo.
SessionChange randomEdit(SubtitleSession& session, std::mt19937& random, const ReviewLimits& limits) {
    const int n = session.rowCount();
    const int row = n > 0 ? int(random() % n) : 0;
    switch (random() % 10) {
    case 0:
        return session.setTextCell(row, kColumnTranslated, kTexts[random() % kTexts.size()]);
    case 1:
        return session.setTextCell(row, kColumnOriginal, kTexts[random() % kTexts.size()]);
    case 2:
        return session.setTimes(row, randomTime(random), randomTime(random));
    case 3:
        return session.insertEntries(n > 0 ? int(random() % (n + 1)) : 0,
                                     {randomEntry(random), randomEntry(random)});
    case 4:
        return session.removeEntries({row});
    case 5: // rows gone in several places
        return session.removeEntries({row, int(random() % std::max(n, 1)), int(random() % std::max(n, 1))});
    case 6:
        return session.setTranslatedTexts({row, int(random() % std::max(n, 1))}, {"Bonjour", "Xqzt  xqzt"});
    case 7:
        return session.apply(timingFix(TimingFix(random() % 3), session, std::nullopt, limits));
    case 8:
        return session.undo();
    default:
        return session.redo();
    }
}

TEST(IncrementalChecker, FollowsEditsAndUndosExactlyAsAFullCheck) {
    QTemporaryDir dir;
    SpellChecker speller(defaultDictionaryFolders(), dir.filePath("my_words.txt"));
    speller.setLanguages({"en"});
    CheckOptions options;
    options.speller = &speller;
    for (unsigned seed = 1; seed <= 6; ++seed) {
        std::mt19937 random(seed);
        SubtitleSession session;
        load(session, random, 25);
        IncrementalChecker checker(options);
        checker.checkAll(session);
        for (int step = 0; step < 150; ++step) {
            const SessionChange change = randomEdit(session, random, options.limits);
            checker.update(session, change);
            const QVector<Finding> full = checkRows(session.rows().all(), options);
            ASSERT_EQ(checker.findings(), full) << "seed " << seed << " step " << step;
        }
    }
}

TEST(IncrementalChecker, OneCellEditRechecksOnlyWhatItChanged) {
    std::mt19937 random(7);
    SubtitleSession session;
    load(session, random, 200);
    IncrementalChecker checker;
    checker.checkAll(session);
    EXPECT_EQ(checker.lastRecheckedRows(), 200);
    // The row before reads only this row's Show, which stays.
    checker.update(session, session.setTextCell(100, kColumnTranslated, "Changed"));
    EXPECT_EQ(checker.lastRecheckedRows(), 1);
    checker.update(session, session.setTimes(100, srt(500), srt(900)));
    EXPECT_EQ(checker.lastRecheckedRows(), 2);
    // Rows that only moved keep their findings without being checked again.
    checker.update(session, session.insertEntries(10, {randomEntry(random)}));
    EXPECT_LE(checker.lastRecheckedRows(), 3);
    checker.update(session, session.undo());
    EXPECT_LE(checker.lastRecheckedRows(), 2);
    EXPECT_EQ(checker.findings(), checkRows(session.rows().all(), checker.options()));
}

TEST(IncrementalChecker, WalksThroughTheFindingsAndRoundTheEnds) {
    SubtitleSession session;
    session.reset({}, {textRow("o", "The the  cat", 1000, 3000), textRow("o", "Fine", 5000, 7000),
                       textRow("o", "untranslated", 9000, 11000)});
    IncrementalChecker checker;
    checker.checkAll(session);
    ASSERT_EQ(checker.findingsOf(0).size(), 2);
    ASSERT_EQ(checker.findingsOf(1).size(), 0);
    ASSERT_EQ(checker.findingsOf(2).size(), 1);
    EXPECT_EQ(checker.next({-1, -1}), (FindingCursor{0, 0}));
    EXPECT_EQ(checker.next({0, 0}), (FindingCursor{0, 1}));
    EXPECT_EQ(checker.next({0, 1}), (FindingCursor{2, 0}));
    EXPECT_EQ(checker.next({1, -1}), (FindingCursor{2, 0}));
    EXPECT_EQ(checker.next({2, 0}), (FindingCursor{0, 0}));
    EXPECT_EQ(checker.previous({0, 0}), (FindingCursor{2, 0}));
    EXPECT_EQ(checker.previous({1, -1}), (FindingCursor{0, 1}));
    EXPECT_EQ(checker.findingAt({2, 0})->kind, CheckKind::EmptyTranslation);
    EXPECT_EQ(checker.countsByKind()[int(CheckKind::DoubledWord)], 1);
}

} // namespace
