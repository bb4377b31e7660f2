// The movie pane through a fake player: states, buttons, label, sliders, end and failure.
#include "fake_player.h"
#include "media/embedded_window.h"
#include "media/movie_form_view.h"
#include "scripted_dialogs.h"
#include "ui/desktop_dialogs.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <deque>
#include <gtest/gtest.h>
#include <thread>

namespace {

class MoviePaneTest : public ::testing::Test {
public:
    MoviePaneTest()
        : pane(nullptr, [this](QString&) -> std::unique_ptr<MediaEngine> {
              ++log.enginesMade;
              if (log.engineFails)
                  return nullptr;
              return std::make_unique<FakeEngine>(log);
          }) {
        dialogs.openFile = [this](QWidget*) {
            ++picks;
            if (answers.empty())
                return QString();
            QString path = answers.front();
            answers.pop_front();
            return path;
        };
        dialogs.onMessage = [this](const UserMessage& m) { messages.append(m); };
        pane.setDialogs(&dialogs);
        pane.setSubtitleWriter([this]() -> std::optional<QString> {
            if (onWrite)
                onWrite();
            if (!subtitleWritten)
                return std::nullopt;
            return QStringLiteral("/prog/%1translated.srt").arg(++writes);
        });
        // The pane runs its clock on from libVLC's last report; a clock that stands still keeps
        // what the slider and label show exactly what was reported, however slow the run.
        pane.setClock([] { return qint64(0); });
    }

    FakePlayer* open(const QString& path = QStringLiteral("/films/a film.mkv")) {
        answers.push_back(path);
        pane.playButton()->click();
        return static_cast<FakePlayer*>(pane.player());
    }

    // Sends an event the way libVLC does: from a thread of its own.
    static void fireFromOtherThread(FakePlayer* player, PlayerEvent event) {
        PlayerEventSink sink = player->sink;
        std::thread([sink, event] { sink(event); }).join();
    }

    void expectFirstState() {
        EXPECT_EQ(pane.playState(), CMovieFormView::PlayState::NothingOpen);
        EXPECT_EQ(pane.player(), nullptr);
        EXPECT_EQ(log.alivePlayers, 0);
        EXPECT_TRUE(pane.playButton()->isEnabled());
        for (QWidget* w : playingControls())
            EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
        EXPECT_EQ(pane.timeLabel()->text(), QStringLiteral("[00:00:00/00:00:00]"));
        EXPECT_EQ(pane.positionSlider()->value(), 0);
        EXPECT_EQ(pane.volumeSlider()->value(), 50);
        EXPECT_FALSE(pane.endTimer().isActive());
    }

    std::vector<QWidget*> playingControls() const {
        return {pane.stopButton(),     pane.backButton(),   pane.forwardButton(),
                pane.positionSlider(), pane.volumeSlider(), pane.reloadButton()};
    }

    FakeLog log;
    ScriptedDialogs dialogs;
    CMovieFormView pane;
    std::deque<QString> answers;
    int picks = 0;
    int writes = 0;
    bool subtitleWritten = true;
    std::function<void()> onWrite;
    QList<UserMessage> messages;
};

TEST_F(MoviePaneTest, StartsWithOnlyOpenEnabledAndNoLibraryLoaded) {
    expectFirstState();
    EXPECT_EQ(pane.positionSlider()->maximum(), 10000);
    EXPECT_EQ(pane.volumeSlider()->maximum(), 100);
    EXPECT_EQ(pane.reloadButton()->text(), QStringLiteral("Reload Subtitle"));
    EXPECT_EQ(log.enginesMade, 0);

    // A cancelled picker changes nothing and does not start the library either.
    pane.playButton()->click();
    EXPECT_EQ(picks, 1);
    EXPECT_EQ(log.enginesMade, 0);
    expectFirstState();
    EXPECT_EQ(pane.playButton()->toolTip(), QStringLiteral("Open a film and play it"));
}

TEST_F(MoviePaneTest, OpenPlaysWithSliderVolumeAndSubtitleThenPausesAndResumes) {
    const QString path = QStringLiteral("/films/my film #1 100% é.mkv");
    FakePlayer* player = open(path);
    ASSERT_NE(player, nullptr);
    EXPECT_EQ(log.opened, QStringList{path});
    EXPECT_EQ(pane.playState(), CMovieFormView::PlayState::Playing);
    EXPECT_EQ(player->window, pane.videoArea()->nativeWindow()->winId());
    // The slider's volume reaches the new player before it makes a sound.
    EXPECT_EQ(player->calls, (QStringList{"volume 50", "play"}));
    EXPECT_EQ(player->subtitles, QStringList{"/prog/1translated.srt"});
    for (QWidget* w : playingControls())
        EXPECT_TRUE(w->isEnabled()) << w->objectName().toStdString();
    EXPECT_TRUE(pane.endTimer().isActive());
    EXPECT_EQ(pane.endTimer().interval(), 1000);
    EXPECT_EQ(pane.playButton()->toolTip(), QStringLiteral("Pause"));

    pane.playButton()->click();
    EXPECT_EQ(pane.playState(), CMovieFormView::PlayState::Paused);
    EXPECT_EQ(pane.playButton()->toolTip(), QStringLiteral("Play"));
    pane.playButton()->click();
    EXPECT_EQ(pane.playState(), CMovieFormView::PlayState::Playing);
    EXPECT_EQ(player->calls, (QStringList{"volume 50", "play", "pause", "resume"}));
    // Only one film at a time: the button never asked for another.
    EXPECT_EQ(picks, 1);

    pane.reloadButton()->click();
    EXPECT_EQ(player->subtitles, (QStringList{"/prog/1translated.srt", "/prog/2translated.srt"}));

    pane.stopButton()->click();
    expectFirstState();
}

TEST_F(MoviePaneTest, NoTranslatedSubtitleStillPlays) {
    subtitleWritten = false;
    FakePlayer* player = open();
    ASSERT_NE(player, nullptr);
    EXPECT_TRUE(player->subtitles.isEmpty());
    EXPECT_EQ(pane.playState(), CMovieFormView::PlayState::Playing);
}

TEST_F(MoviePaneTest, PositionEventsFromLibraryThreadMoveLabelAndSliderOnTheWindowThread) {
    FakePlayer* player = open();
    player->len = 3723000;
    player->now = 90000;
    fireFromOtherThread(player, PlayerEvent::PositionChanged);
    // Nothing is touched from the other thread; the change lands with the window's events.
    EXPECT_EQ(pane.timeLabel()->text(), QStringLiteral("[00:00:00/00:00:00]"));
    QCoreApplication::processEvents();
    EXPECT_EQ(pane.timeLabel()->text(), QStringLiteral("[00:01:30/01:02:03]"));
    EXPECT_EQ(pane.positionSlider()->value(), 241);
    // Moving the slider for the film is not a seek by the user.
    EXPECT_TRUE(player->seeks.empty());

    // An event of a film closed since is dropped, also after another one was opened.
    const PlayerEventSink oldSink = player->sink;
    pane.stopButton()->click();
    FakePlayer* second = open();
    second->len = 10000;
    second->now = 0;
    std::thread([oldSink] { oldSink(PlayerEvent::PositionChanged); }).join();
    std::thread([oldSink] { oldSink(PlayerEvent::EncounteredError); }).join();
    QCoreApplication::processEvents();
    EXPECT_EQ(pane.timeLabel()->text(), QStringLiteral("[00:00:00/00:00:00]"));
    EXPECT_EQ(pane.playState(), CMovieFormView::PlayState::Playing);
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(MoviePaneTest, SlidersAndJumpsSeekAndSetVolume) {
    FakePlayer* player = open();
    player->len = 100001;
    pane.positionSlider()->setValue(5000);
    pane.volumeSlider()->setValue(30);
    EXPECT_EQ(player->volume, 30);

    player->now = 3000;
    pane.backButton()->click();
    player->now = 98001;
    pane.forwardButton()->click();
    player->now = 20000;
    pane.backButton()->click();
    pane.forwardButton()->click();
    EXPECT_EQ(player->seeks, (std::vector<qint64>{50000, 0, 100001, 15000, 20000}));

    // Stop puts the volume back to 50 without telling a player that is about to go.
    pane.stopButton()->click();
    EXPECT_EQ(pane.volumeSlider()->value(), 50);
    FakePlayer* next = open();
    EXPECT_EQ(next->volume, 50);
}

TEST_F(MoviePaneTest, EndOfFilmFoundByTheTimerReturnsToTheFirstState) {
    FakePlayer* player = open();
    player->len = 2000;
    player->now = 1500;
    fireFromOtherThread(player, PlayerEvent::PositionChanged);
    QCoreApplication::processEvents();
    ASSERT_EQ(pane.positionSlider()->value(), 7500);

    pane.OnTimer();
    EXPECT_EQ(pane.playState(), CMovieFormView::PlayState::Playing);
    player->playerState = PlayerState::Ended;
    pane.OnTimer();
    expectFirstState();
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(MoviePaneTest, FilmThatCannotBePlayedShowsMessageAndReturnsToFirstState) {
    const QString path = QStringLiteral("/films/not a film.txt");
    const struct {
        const char* name;
        std::function<void(MoviePaneTest&)> setUp;     // before opening
        std::function<void(MoviePaneTest&)> afterOpen; // how the failure shows
    } cases[] = {
        {"no player for the file", [](MoviePaneTest& t) { t.log.openFails = true; }, nullptr},
        {"play refused", [](MoviePaneTest& t) { t.log.playFails = true; }, nullptr},
        {"error event", nullptr,
         [](MoviePaneTest& t) {
             fireFromOtherThread(static_cast<FakePlayer*>(t.pane.player()), PlayerEvent::EncounteredError);
             QCoreApplication::processEvents();
         }},
        {"error state seen by the timer", nullptr,
         [](MoviePaneTest& t) {
             static_cast<FakePlayer*>(t.pane.player())->playerState = PlayerState::Failed;
             t.pane.OnTimer();
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        log = FakeLog{};
        messages.clear();
        if (c.setUp)
            c.setUp(*this);
        answers.push_back(path);
        pane.playButton()->click();
        if (c.afterOpen)
            c.afterOpen(*this);
        ASSERT_EQ(messages.size(), 1);
        EXPECT_EQ(messages[0].caption, QStringLiteral("ERROR!"));
        EXPECT_TRUE(messages[0].text.contains(path));
        expectFirstState();
    }
}

TEST_F(MoviePaneTest, LibraryThatCannotStartIsReportedAndTriedAgainNextTime) {
    log.engineFails = true;
    answers.push_back(QStringLiteral("/films/a.mkv"));
    pane.playButton()->click();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].text.contains(QStringLiteral("libVLC")));
    expectFirstState();

    log.engineFails = false;
    ASSERT_NE(open(), nullptr);
    EXPECT_EQ(log.enginesMade, 2);
    EXPECT_EQ(pane.playState(), CMovieFormView::PlayState::Playing);
}

TEST_F(MoviePaneTest, FailureWhileTheSubtitleIsWrittenLeavesTheFirstState) {
    // The writer may show a message box, whose event loop lets the player's error through.
    onWrite = [this] {
        fireFromOtherThread(static_cast<FakePlayer*>(pane.player()), PlayerEvent::EncounteredError);
        QCoreApplication::processEvents();
    };
    open();
    EXPECT_EQ(messages.size(), 1);
    expectFirstState();
}

TEST_F(MoviePaneTest, PlayAfterStopOrTheEndPlaysTheSameFilmAgain) {
    const QString film = QStringLiteral("/films/a film.mkv");
    ASSERT_NE(open(film), nullptr);
    pane.stopButton()->click();
    EXPECT_EQ(pane.playButton()->toolTip(), QStringLiteral("Play a film.mkv again"));
    pane.playButton()->click();
    static_cast<FakePlayer*>(pane.player())->playerState = PlayerState::Ended;
    pane.OnTimer();
    pane.playButton()->click();
    EXPECT_EQ(pane.playState(), CMovieFormView::PlayState::Playing);
    EXPECT_EQ(log.opened, QStringList(3, film));
    EXPECT_EQ(picks, 1);

    // A film that turned out unplayable is not offered again.
    fireFromOtherThread(static_cast<FakePlayer*>(pane.player()), PlayerEvent::EncounteredError);
    QCoreApplication::processEvents();
    pane.playButton()->click();
    EXPECT_EQ(picks, 2);
}

TEST_F(MoviePaneTest, OpenAsksForAnotherFilmAndPlaysItInPlaceOfTheOpenOne) {
    FakePlayer* first = open(QStringLiteral("/films/a.mkv"));
    pane.openButton()->click(); // cancelled: the film plays on
    EXPECT_EQ(pane.player(), first);
    answers.push_back(QStringLiteral("/films/b.mkv"));
    pane.openButton()->click();
    EXPECT_EQ(log.opened, (QStringList{"/films/a.mkv", "/films/b.mkv"}));
    EXPECT_EQ(log.alivePlayers, 1);
    EXPECT_EQ(pane.playState(), CMovieFormView::PlayState::Playing);
}

TEST_F(MoviePaneTest, WhilePausedJumpsAndTheSliderShowTheirTimeAtOnce) {
    const struct {
        const char* name;
        std::function<void(CMovieFormView&)> seek;
        const char* label;
        int slider; // the thumb stays where the user put it
    } cases[] = {
        {"back", [](CMovieFormView& p) { p.backButton()->click(); }, "[00:00:15/00:01:40]", 1500},
        {"forward", [](CMovieFormView& p) { p.forwardButton()->click(); }, "[00:00:25/00:01:40]", 2500},
        {"slider", [](CMovieFormView& p) { p.positionSlider()->setValue(5000); }, "[00:00:50/00:01:40]",
         5000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakePlayer* player = open();
        player->len = 100000;
        player->now = 20000;
        pane.playButton()->click();
        c.seek(pane);
        EXPECT_EQ(pane.timeLabel()->text(), QLatin1String(c.label));
        EXPECT_EQ(pane.positionSlider()->value(), c.slider);
        pane.stopButton()->click();
    }
}

TEST_F(MoviePaneTest, TimeLabelTurnsWithThePictureBetweenTheLibrarysReports) {
    qint64 now = 50000;
    pane.setClock([&] { return now; });
    FakePlayer* player = open();
    player->len = 100000;
    player->now = 1900;
    fireFromOtherThread(player, PlayerEvent::PositionChanged);
    QCoreApplication::processEvents();
    EXPECT_EQ(pane.timeLabel()->text(), QStringLiteral("[00:00:01/00:01:40]"));
    // The picture reaches the next second 100 ms after the report; the label turns then.
    EXPECT_EQ(pane.secondTimer().interval(), 101);
    now += 101;
    pane.OnSecondTimer();
    EXPECT_EQ(pane.timeLabel()->text(), QStringLiteral("[00:00:02/00:01:40]"));
    EXPECT_EQ(pane.positionSlider()->value(), 200);

    // Paused, the label stays where the picture stopped.
    now += 400;
    pane.playButton()->click();
    EXPECT_FALSE(pane.secondTimer().isActive());
    now += 5000;
    pane.playButton()->click();
    now += 600;
    pane.OnSecondTimer();
    EXPECT_EQ(pane.timeLabel()->text(), QStringLiteral("[00:00:03/00:01:40]"));
}

TEST(MoviePaneMessages, BoxesShowPathsAsPlainText) {
    FakeLog log;
    log.openFails = true;
    CMovieFormView pane(nullptr, [&](QString&) { return std::make_unique<FakeEngine>(log); });
    const QString path = QStringLiteral("/films/<b>re-enter</b> <font color=red>your password</font>.mkv");
    // The desktop's boxes, with a film picked without a file dialog.
    struct PickedFilm : DesktopDialogs {
        QString film;
        FileChoice getOpenFileName(QWidget*, const QStringList&) override { return {film, 0}; }
    } dialogs;
    dialogs.film = path;
    pane.setDialogs(&dialogs);
    Qt::TextFormat format = Qt::AutoText;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        format = box->textFormat();
        EXPECT_TRUE(box->text().contains(path));
        box->reject();
    });
    pane.playButton()->click();
    EXPECT_EQ(format, Qt::PlainText);
}

} // namespace
