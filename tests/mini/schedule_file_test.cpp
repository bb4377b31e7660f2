// The schedule file: what it reads from damaged and foreign files, texts that come back exactly,
// and a damaged file that is kept aside rather than written over.
#include "mini/schedule_file.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const char kHeader[] = "mini schedule 1\n";
const char kGoodLine[] = "f\t2024-03-02\t1\t2500\t1\t0\t2024-03-01\tHello\tBonjour\n";

QByteArray fileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(missing)");
}

void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

TEST(ScheduleReader, ADamagedLineCostsOnlyItsOwnCard) {
    // Each after a sound line; the fields are those of kGoodLine with one thing wrong.
    const std::pair<const char*, const char*> damaged[] = {
        {"a line cut short by a crash", "r\t2024-03-02\t1\t25"},
        {"an impossible date", "f\t2024-02-30\t1\t2500\t1\t0\t2024-03-01\ta\tb"},
        {"an ease out of range", "f\t2024-03-02\t1\t99\t1\t0\t2024-03-01\ta\tb"},
        {"a negative interval", "f\t2024-03-02\t-1\t2500\t1\t0\t2024-03-01\ta\tb"},
        {"a count beyond the ceiling", "f\t2024-03-02\t1\t2500\t2000000\t0\t2024-03-01\ta\tb"},
        {"an unknown direction", "x\t2024-03-02\t1\t2500\t1\t0\t2024-03-01\ta\tb"},
        {"an unknown escape", "f\t2024-03-02\t1\t2500\t1\t0\t2024-03-01\ta\\q\tb"},
        {"a short \\u escape", "f\t2024-03-02\t1\t2500\t1\t0\t2024-03-01\ta\\u12\tb"},
        {"a \\u escape with a sign", "f\t2024-03-02\t1\t2500\t1\t0\t2024-03-01\ta\\u+12a\tb"},
        {"bytes that are not UTF-8", "f\t2024-03-02\t1\t2500\t1\t0\t2024-03-01\t\xC3(\tb"},
        {"a tenth field", "f\t2024-03-02\t1\t2500\t1\t0\t2024-03-01\ta\tb\tc"},
    };
    for (const auto& [name, line] : damaged) {
        SCOPED_TRACE(name);
        const ScheduleRead read = readSchedule(QByteArray(kHeader) + kGoodLine + line + "\n");
        EXPECT_EQ(read.cards.size(), 1);
        EXPECT_EQ(read.badLines, 1);
    }
}

TEST(ScheduleReader, TellsAForeignOrLaterFileFromASoundOne) {
    struct Case {
        const char* name;
        QByteArray bytes;
        int cards;
        bool unreadable;
        bool newer;
    };
    const QByteArray sound = QByteArray(kHeader) + kGoodLine;
    const Case cases[] = {
        {"no header", kGoodLine, 0, true, false},
        {"CR LF line ends and a byte-order mark", "\xEF\xBB\xBF" + QByteArray(sound).replace("\n", "\r\n"), 1,
         false, false},
        {"comments and empty lines", sound + "# note\n\n", 1, false, false},
        {"another program's file", "<?xml version=\"1.0\"?>\n" + sound, 0, true, false},
        {"a later format", "mini schedule 2\n" + QByteArray(kGoodLine), 0, false, true},
        {"empty", "", 0, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ScheduleRead read = readSchedule(c.bytes);
        EXPECT_EQ(read.cards.size(), c.cards);
        EXPECT_EQ(read.badLines, 0);
        EXPECT_EQ(read.unreadable, c.unreadable);
        EXPECT_EQ(read.newerVersion, c.newer);
    }
}

TEST(ScheduleReader, GivesBackTheStoresTextsExactly) {
    const QString texts[] = {
        QString(QChar(0xD800)) + QStringLiteral("lone high surrogate"),
        QStringLiteral("tab\there, line\nbreak, return\rand a \\ backslash"),
        QStringLiteral("\\t not an escape, \\u0041 neither"),
        QString(QChar(0xDC00)),
        QStringLiteral("\x01 control and \x1f"),
        QStringLiteral("emoji 😀 and 中文"),
        QString(),
    };
    ScheduleBook book;
    CardState state;
    state.due = QDate(2024, 3, 9);
    state.intervalDays = 6;
    state.streak = 2;
    state.firstStudied = QDate(2024, 3, 1);
    for (const QString& text : texts) {
        book.insert({StudyDirection::Forward, text, QStringLiteral("x")}, state);
        book.insert({StudyDirection::Reverse, QStringLiteral("x"), text}, state);
    }
    const QByteArray bytes = writeSchedule(book);
    const ScheduleRead read = readSchedule(bytes);
    EXPECT_EQ(read.badLines, 0);
    EXPECT_EQ(read.cards, book);
    // The order is fixed, so an unchanged schedule is an unchanged file.
    EXPECT_EQ(writeSchedule(read.cards), bytes);
}

class ScheduleOnDisk : public ::testing::Test {
protected:
    QString path(const QString& name) const { return QDir(m_dir.path()).filePath(name); }
    QTemporaryDir m_dir;
};

TEST_F(ScheduleOnDisk, ADamagedFileIsCopiedAsideBeforeItIsWrittenOver) {
    const QByteArray damaged = QByteArray(kHeader) + kGoodLine + "garbage\n";
    writeBytes(path("sentence.schedule"), damaged);
    writeBytes(path("sentence.schedule.damaged"), "an older copy");

    ScheduleFile file(path("sentence.schedule"));
    const std::optional<UserMessage> message = file.load();
    ASSERT_TRUE(message);
    EXPECT_TRUE(message->text.contains(QStringLiteral("1 line could not be read")))
        << message->text.toStdString();
    EXPECT_TRUE(message->text.contains(QStringLiteral("sentence.schedule.damaged-2")))
        << message->text.toStdString();
    EXPECT_EQ(file.cards().size(), 1);
    EXPECT_EQ(fileBytes(path("sentence.schedule.damaged-2")), damaged);
    EXPECT_EQ(fileBytes(path("sentence.schedule.damaged")), "an older copy");

    EXPECT_FALSE(file.save());
    const ScheduleRead again = readSchedule(fileBytes(path("sentence.schedule")));
    EXPECT_EQ(again.badLines, 0);
    EXPECT_EQ(again.cards, file.cards());
}

TEST_F(ScheduleOnDisk, AFileOfALaterVersionIsNeverWritten) {
    const QByteArray later = "mini schedule 2\nsomething new\n";
    writeBytes(path("word.schedule"), later);
    ScheduleFile file(path("word.schedule"));
    EXPECT_TRUE(file.load());
    EXPECT_FALSE(file.mayWrite());
    file.cards().insert({StudyDirection::Forward, QStringLiteral("a"), QStringLiteral("b")}, CardState{});
    file.save();
    EXPECT_EQ(fileBytes(path("word.schedule")), later);
}

TEST_F(ScheduleOnDisk, AFailedWriteLeavesNothingAndSaysSo) {
    ScheduleFile file(path("no-such-folder/word.schedule"));
    EXPECT_FALSE(file.load());
    file.cards().insert({StudyDirection::Forward, QStringLiteral("a"), QStringLiteral("b")}, CardState{});
    const std::optional<UserMessage> failed = file.save();
    ASSERT_TRUE(failed);
    EXPECT_TRUE(failed->text.contains(QStringLiteral("could not be written")));
    EXPECT_TRUE(QDir(m_dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty());
}

} // namespace
