// The movie pane playing a real file through libVLC (no audio, no picture output).
#include "media/movie_form_view.h"
#include "process_engine.h"
#include "scripted_dialogs.h"
#include "subtitle/subtitle_writer.h"
#include "y4m.h"

#include <QDir>
#include <QLabel>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <deque>
#include <gtest/gtest.h>

namespace {
MediaEngine* processEngine() {
    return ProcessEngine::instance(
        {QStringLiteral("--no-audio"), QStringLiteral("--vout=dummy"), QStringLiteral("--intf=dummy")});
}
} // namespace

TEST(VlcPlayback, PlaysFilmWithSubtitleToItsEndAndRefusesAFileItCannotPlay) {
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    // Characters a hand-made location would get wrong, in the folder and in the names.
    const QString folder = root.filePath(QStringLiteral("films #1 100% ü"));
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString film = folder + QStringLiteral("/clip #2 50% é字.y4m");
    ASSERT_TRUE(writeY4m(film, 64, 48, 25, 40));
    const QString notAFilm = folder + QStringLiteral("/notes #3.avi");
    {
        QFile f(notAFilm);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("these are notes, not a film\n");
    }

    SubtitleDocument document;
    document.timeLines = {QStringLiteral("00:00:00,000 --> 00:00:05,000")};
    document.originalTexts = {QStringLiteral("Hello")};
    document.translatedTexts = {QStringLiteral("Bonjour")};

    ASSERT_NE(processEngine(), nullptr);
    CMovieFormView pane(nullptr, [](QString&) { return std::make_unique<ProcessEngine>(); });
    std::deque<QString> answers{film, notAFilm};
    ScriptedDialogs dialogs;
    dialogs.openFile = [&](QWidget*) {
        QString next = answers.front();
        answers.pop_front();
        return next;
    };
    pane.setDialogs(&dialogs);
    pane.setSubtitleWriter([&] { return WriteTemporaryTranslatedSubtitle(document, folder, 1478140830); });
    const QList<UserMessage>& messages = dialogs.messages;

    pane.playButton()->click();
    ASSERT_EQ(pane.playState(), CMovieFormView::PlayState::Playing) << messages.value(0).text.toStdString();

    const QString first = QStringLiteral("[00:00:00/00:00:00]");
    QStringList labels;
    int highestSlider = 0;
    int subtitleTracks = 0;
    const bool ended = QTest::qWaitFor(
        [&] {
            if (pane.timeLabel()->text() != first && !labels.contains(pane.timeLabel()->text()))
                labels.append(pane.timeLabel()->text());
            highestSlider = std::max(highestSlider, pane.positionSlider()->value());
            if (pane.player())
                subtitleTracks = std::max(subtitleTracks, pane.player()->subtitleTrackCount());
            return pane.playState() == CMovieFormView::PlayState::NothingOpen;
        },
        30000);
    ASSERT_TRUE(ended);
    EXPECT_TRUE(messages.isEmpty()) << messages.value(0).text.toStdString();
    // 40 frames at 25 a second: the label counts to the second second of 1.6.
    EXPECT_TRUE(labels.contains(QStringLiteral("[00:00:01/00:00:01]"))) << labels.join(u' ').toStdString();
    EXPECT_GT(highestSlider, 5000);
    EXPECT_GE(subtitleTracks, 1);
    EXPECT_EQ(pane.timeLabel()->text(), first);
    EXPECT_EQ(pane.positionSlider()->value(), 0);
    EXPECT_FALSE(pane.stopButton()->isEnabled());

    // libVLC says such a file has ended, right after it said it could not play it.
    pane.openButton()->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !messages.isEmpty(); }, 30000));
    EXPECT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].text.contains(QStringLiteral("notes #3.avi")));
    EXPECT_EQ(pane.playState(), CMovieFormView::PlayState::NothingOpen);
    EXPECT_EQ(pane.player(), nullptr);
}
