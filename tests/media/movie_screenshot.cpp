// Saves a picture of the movie pane playing a generated film with its translated subtitle.
// Run under an X server: ASAN_OPTIONS=detect_leaks=0 xvfb-run -a movie_screenshot OUT.png
// (libVLC unloads its plugins when released; what they keep for good then looks like leaks).
#include "media/movie_form_view.h"
#include "subtitle/subtitle_writer.h"
#include "y4m.h"

#include <QApplication>
#include <QLabel>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <cstdio>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: movie_screenshot OUT.png\n");
        return 2;
    }
    QTemporaryDir dir;
    const QString film = dir.filePath(QStringLiteral("stand-in film.y4m"));
    if (!writeY4m(film, 640, 360, 25, 200, true))
        return 1;
    SubtitleDocument document;
    document.timeLines = {QStringLiteral("00:00:00,000 --> 00:00:08,000")};
    document.originalTexts = {QStringLiteral("Where are you going?")};
    document.translatedTexts = {QStringLiteral("Où vas-tu ?") + kLineJoiner + QStringLiteral("你要去哪里？")};

    CMovieFormView pane(nullptr, [](QString& error) {
        return loadMediaEngine(QStringLiteral(VELMORA_VLC_PLUGIN),
                               {QStringLiteral("--no-audio"), QStringLiteral("--no-video-title-show")},
                               &error);
    });
    pane.setWindowTitle(QStringLiteral("Play Movie"));
    pane.resize(500, 400);
    pane.move(0, 0);
    pane.setFilePicker([&] { return film; });
    pane.setSubtitleWriter(
        [&] { return WriteTemporaryTranslatedSubtitle(document, dir.path(), 1478140830); });
    pane.setMessageSink([](const UserMessage& m) { std::fprintf(stderr, "%s\n", qPrintable(m.text)); });
    pane.show();
    if (!QTest::qWaitForWindowExposed(&pane))
        return 1;
    pane.playButton()->click();
    // Long enough for the picture, the subtitle and a few position events.
    QTest::qWait(2500);
    std::printf("label %s\n", qPrintable(pane.timeLabel()->text()));
    // The picture lives in libVLC's own window, which only a grab of the screen sees.
    const QRect frame = pane.frameGeometry();
    const QPixmap shot = pane.screen()->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
    pane.OnStop();
    QTest::qWait(200);
    // The first state beside it: black area, only the open button enabled.
    const QString out = QString::fromLocal8Bit(argv[1]);
    const QPixmap stopped = pane.screen()->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
    QString stoppedOut = out;
    stoppedOut.insert(out.lastIndexOf(u'.'), QStringLiteral("-stopped"));
    return shot.save(out) && stopped.save(stoppedOut) ? 0 : 1;
}
