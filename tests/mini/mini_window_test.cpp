// The study window driven as a user would: keys and clicks, offscreen.
#include "dictionary/dictionary_store.h"
#include "mini/mini_window.h"
#include "mini/study_files.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

const QDate kToday(2024, 5, 10);

class FakeSpeaker : public CardSpeaker {
public:
    explicit FakeSpeaker(QStringList* said) : m_said(said) {}
    void say(const QString& text) override { *m_said << text; }

private:
    QStringList* m_said;
};

class StudyWindow : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        DictionaryStore store;
        ASSERT_EQ(store.openDictionaryFilesIn(m_dir.path()), 0);
        for (auto [o, t] : {std::pair{"Hello there.", "Bonjour."},
                            {"Good bye.", "Au revoir."},
                            {"See you tomorrow.", "À demain."}}) {
            DictionaryRecord r;
            r.original = QString::fromUtf8(o);
            r.translated = QString::fromUtf8(t);
            ASSERT_EQ(store.AppendDictionaryRecord(r, kSentences), 0);
        }
    }

    std::unique_ptr<MiniWindow> open(std::unique_ptr<CardSpeaker> speaker = nullptr) {
        MiniSetup setup;
        setup.selector = kSentences;
        setup.dataFolder = m_dir.path();
        setup.settingsFile = QDir(m_dir.path()).filePath(QStringLiteral("mini.ini"));
        setup.clock = [this] { return m_today; };
        setup.speaker = std::move(speaker);
        setup.showMessage = [this](QWidget*, const UserMessage& m) { m_messages << m.text; };
        auto window = std::make_unique<MiniWindow>(std::move(setup));
        window->show();
        // Window shortcuts answer only in the active window, as they do for a user.
        window->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
        window->load();
        return window;
    }

    template <typename T> static T* child(QWidget& parent, const char* name) {
        T* found = parent.findChild<T*>(QLatin1String(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    static QString front(QWidget& w) { return child<QLabel>(w, "cardFront")->text(); }
    static bool backShown(QWidget& w) { return child<QLabel>(w, "cardBack")->isVisible(); }
    static QString left(QWidget& w) { return child<QLabel>(w, "leftLabel")->text(); }
    static void key(QWidget& w, Qt::Key k) { QTest::keyClick(&w, k); }

    QByteArray storeBytes() const {
        QFile f(QDir(m_dir.path()).filePath(QStringLiteral("sentence.lxd")));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    QString schedulePath() const { return QDir(m_dir.path()).filePath(QStringLiteral("sentence.schedule")); }

    QTemporaryDir m_dir;
    QDate m_today = kToday;
    QStringList m_messages;
};

TEST_F(StudyWindow, ASessionRunsOnItsKeysAndIsThereTheNextDay) {
    auto w = open();
    EXPECT_EQ(front(*w), "Hello there.");
    EXPECT_FALSE(backShown(*w));
    EXPECT_EQ(left(*w), "3 left: 0 to review, 3 new");

    // An answer before the card is turned is not taken.
    key(*w, Qt::Key_3);
    EXPECT_EQ(front(*w), "Hello there.");
    key(*w, Qt::Key_Space);
    EXPECT_TRUE(backShown(*w));
    EXPECT_EQ(child<QLabel>(*w, "cardBack")->text(), "Bonjour.");
    EXPECT_TRUE(child<QPushButton>(*w, "goodButton")->text().contains(QStringLiteral("tomorrow")));
    key(*w, Qt::Key_3);
    EXPECT_EQ(front(*w), "Good bye.");
    EXPECT_FALSE(backShown(*w));
    EXPECT_EQ(left(*w), "2 left: 0 to review, 2 new");

    key(*w, Qt::Key_Space);
    key(*w, Qt::Key_1); // Again: back at the end
    EXPECT_EQ(front(*w), "See you tomorrow.");
    key(*w, Qt::Key_Space);
    key(*w, Qt::Key_4);
    EXPECT_EQ(front(*w), "Good bye.");
    EXPECT_EQ(left(*w), "1 left: 1 to review, 0 new");
    key(*w, Qt::Key_Space);
    key(*w, Qt::Key_2);
    EXPECT_EQ(front(*w), "Done for today.");
    EXPECT_TRUE(m_messages.isEmpty()) << m_messages.join(u'\n').toStdString();
    w.reset();

    m_today = kToday.addDays(1);
    auto next = open();
    EXPECT_EQ(left(*next), "2 left: 2 to review, 0 new");
    EXPECT_EQ(front(*next), "Hello there.");
}

TEST_F(StudyWindow, AClickTurnsTheCardAndReverseAsksForTheOriginal) {
    auto w = open();
    QTest::mouseClick(child<QWidget>(*w, "card"), Qt::LeftButton);
    EXPECT_TRUE(backShown(*w));

    child<QPushButton>(*w, "reverseButton")->click();
    EXPECT_EQ(front(*w), "Bonjour.");
    EXPECT_FALSE(backShown(*w));
    key(*w, Qt::Key_Space);
    EXPECT_EQ(child<QLabel>(*w, "cardBack")->text(), "Hello there.");
}

TEST_F(StudyWindow, TheListShowsTheWholeStoreAndSearchesBothTexts) {
    auto w = open();
    child<QTabWidget>(*w, "tabs")->setCurrentIndex(1);
    QTableView* list = child<QTableView>(*w, "listView");
    EXPECT_EQ(list->model()->rowCount(), 3);
    QTest::keyClicks(child<QLineEdit>(*w, "searchEdit"), QStringLiteral("revoir 3"));
    EXPECT_EQ(list->model()->rowCount(), 0);
    child<QLineEdit>(*w, "searchEdit")->clear();
    // Typed into the search, the study keys stay letters.
    QTest::keyClicks(child<QLineEdit>(*w, "searchEdit"), QStringLiteral("AU 1"));
    EXPECT_EQ(child<QLineEdit>(*w, "searchEdit")->text(), "AU 1");
    EXPECT_EQ(list->model()->rowCount(), 0);
    child<QLineEdit>(*w, "searchEdit")->setText(QStringLiteral("AU R"));
    ASSERT_EQ(list->model()->rowCount(), 1);
    EXPECT_EQ(list->model()->index(0, 1).data().toString(), "Good bye.");
    EXPECT_EQ(front(*w), "Hello there.");
}

TEST_F(StudyWindow, ReadingAloudOnlyWithAnEngineAndNeverGivingAwayTheAnswer) {
    auto silent = open();
    EXPECT_FALSE(child<QPushButton>(*silent, "speakButton")->isVisible());
    silent.reset();

    QStringList said;
    auto w = open(std::make_unique<FakeSpeaker>(&said));
    QPushButton* speak = child<QPushButton>(*w, "speakButton");
    ASSERT_TRUE(speak->isVisible());
    speak->click();
    EXPECT_EQ(said, QStringList{QStringLiteral("Hello there.")});
    child<QPushButton>(*w, "reverseButton")->click();
    EXPECT_FALSE(speak->isEnabled());
    key(*w, Qt::Key_Space);
    speak->click();
    EXPECT_EQ(said.size(), 2);
    EXPECT_EQ(said.last(), "Hello there.");
}

TEST_F(StudyWindow, ADamagedScheduleIsReportedAndTheStoreIsLeftAlone) {
    {
        QFile f(schedulePath());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("\x00\x01\x02 not a schedule at all", 25);
    }
    const QByteArray store = storeBytes();
    auto w = open();
    ASSERT_EQ(m_messages.size(), 1);
    EXPECT_TRUE(m_messages.first().contains(QStringLiteral("is not a study schedule")));
    EXPECT_EQ(left(*w), "3 left: 0 to review, 3 new");
    key(*w, Qt::Key_Space);
    key(*w, Qt::Key_3);
    EXPECT_EQ(storeBytes(), store);
    EXPECT_TRUE(QFile::exists(schedulePath() + QStringLiteral(".damaged")));
    QFile written(schedulePath());
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_TRUE(written.readAll().startsWith("mini schedule 1\n"));
}

TEST_F(StudyWindow, AnEmptyOrMissingStoreSaysWhatToDo) {
    QFile::remove(QDir(m_dir.path()).filePath(QStringLiteral("sentence.lxd")));
    auto w = open();
    EXPECT_EQ(front(*w), "Nothing to study yet.");
    EXPECT_FALSE(child<QPushButton>(*w, "turnButton")->isVisible());
    key(*w, Qt::Key_Space);
    key(*w, Qt::Key_3);
    EXPECT_FALSE(QFile::exists(schedulePath()));
    EXPECT_TRUE(m_messages.isEmpty());
}

} // namespace
