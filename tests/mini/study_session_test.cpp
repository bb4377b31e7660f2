// A sitting's order and counts, and the schedule surviving the store being appended to.
#include "dictionary/dictionary_store.h"
#include "mini/schedule_file.h"
#include "mini/study_files.h"
#include "mini/study_session.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QDate kToday(2024, 5, 10);

DictionaryRecord pair(const char* original, const char* translated) {
    DictionaryRecord r;
    r.original = QString::fromUtf8(original);
    r.translated = QString::fromUtf8(translated);
    return r;
}

std::vector<StudyCard> cardsOf(std::initializer_list<const char*> originals) {
    std::vector<StudyCard> cards;
    for (const char* o : originals)
        cards.push_back({QString::fromUtf8(o), QStringLiteral("t-") + QString::fromUtf8(o)});
    return cards;
}

CardState dueOn(QDate due, QDate first = QDate(2024, 1, 1)) {
    CardState s;
    s.due = due;
    s.intervalDays = 3;
    s.streak = 1;
    s.firstStudied = first;
    return s;
}

// The fronts in the order the session shows them, every card answered Good.
QStringList order(StudySession& session) {
    QStringList shown;
    while (!session.finished()) {
        shown << session.front();
        session.answer(Answer::Good, kToday);
    }
    return shown;
}

TEST(StudySession, DueCardsComeFirstThenNewOnesUpToTheDaysLimit) {
    struct Known {
        const char* original;
        CardState state;
    };
    struct Case {
        const char* name;
        std::vector<Known> known;
        int newPerDay;
        QStringList expected;
    };
    const Case cases[] = {
        {"new cards already begun today count against the limit",
         {{"b", dueOn(kToday.addDays(1), kToday)}},
         2,
         {QStringLiteral("a")}},
        {"longest overdue first, then due today, then new in store order",
         {{"d", dueOn(kToday)}, {"b", dueOn(kToday.addDays(-5))}, {"c", dueOn(kToday.addDays(2))}},
         20,
         {QStringLiteral("b"), QStringLiteral("d"), QStringLiteral("a"), QStringLiteral("e")}},
        {"no new cards at all", {{"c", dueOn(kToday)}}, 0, {QStringLiteral("c")}},
        {"the limit cuts the new ones, in store order", {}, 2, {QStringLiteral("a"), QStringLiteral("b")}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScheduleBook book;
        for (const Known& k : c.known)
            book.insert({StudyDirection::Forward, QString::fromUtf8(k.original),
                         QStringLiteral("t-") + QString::fromUtf8(k.original)},
                        k.state);
        StudySession session(cardsOf({"a", "b", "c", "d", "e"}), book, StudyDirection::Forward, c.newPerDay,
                             kToday);
        EXPECT_EQ(order(session), c.expected);
    }
}

TEST(StudySession, ReverseShowsTheTranslationFirstAndKeepsItsOwnSchedule) {
    ScheduleBook book;
    book.insert({StudyDirection::Forward, QStringLiteral("a"), QStringLiteral("t-a")},
                dueOn(kToday.addDays(9)));
    StudySession session(cardsOf({"a"}), book, StudyDirection::Reverse, 20, kToday);
    ASSERT_FALSE(session.finished());
    EXPECT_EQ(session.front(), "t-a");
    EXPECT_EQ(session.back(), "a");
    session.answer(Answer::Easy, kToday);
    EXPECT_EQ(book.value({StudyDirection::Reverse, QStringLiteral("a"), QStringLiteral("t-a")}).intervalDays,
              4);
    EXPECT_EQ(book.value({StudyDirection::Forward, QStringLiteral("a"), QStringLiteral("t-a")}).due,
              kToday.addDays(9));
}

// velmora appends to the store while mini is closed; what was learnt stays learnt.
TEST(StudySession, TheScheduleSurvivesAppendsToTheStore) {
    QTemporaryDir dir;
    DictionaryStore store;
    ASSERT_EQ(store.openDictionaryFilesIn(dir.path()), 0);
    for (const DictionaryRecord& r : {pair("one", "un"), pair("two", "deux")})
        ASSERT_EQ(store.AppendDictionaryRecord(r, kSentences), 0);
    const QString storePath = QDir(dir.path()).filePath(storeFileName(kSentences));
    const QString schedulePath = QDir(dir.path()).filePath(scheduleFileName(kSentences));
    {
        ScheduleFile schedule(schedulePath);
        ASSERT_FALSE(schedule.load());
        StudySession session(distinctCards(readStoreFile(storePath).records), schedule.cards(),
                             StudyDirection::Forward, 20, kToday);
        session.answer(Answer::Good, kToday);
        session.answer(Answer::Easy, kToday);
        ASSERT_FALSE(schedule.save());
    }
    // A new pair, and an old one added a second time.
    for (const DictionaryRecord& r : {pair("three", "trois"), pair("one", "un")})
        ASSERT_EQ(store.AppendDictionaryRecord(r, kSentences), 0);

    ScheduleFile schedule(schedulePath);
    ASSERT_FALSE(schedule.load());
    const std::vector<DictionaryRecord> records = readStoreFile(storePath).records;
    ASSERT_EQ(records.size(), 4u);
    StudySession nextDay(distinctCards(records), schedule.cards(), StudyDirection::Forward, 20,
                         kToday.addDays(1));
    EXPECT_EQ(nextDay.dueLeft(), 1);
    EXPECT_EQ(nextDay.newLeft(), 1);
    EXPECT_EQ(nextDay.front(), "one");
    nextDay.answer(Answer::Good, kToday.addDays(1));
    EXPECT_EQ(nextDay.front(), "three");
}

} // namespace
