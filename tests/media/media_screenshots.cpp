// Pictures of the media panes for a look by eye: the movie pane playing a generated film with its
// translated subtitle and after Stop, the frame with the web search page selected, and the frame
// with a film playing beside the web page.
// Run under an X server: ASAN_OPTIONS=detect_leaks=0 xvfb-run -a media_screenshots OUTDIR
// (libVLC unloads its plugins when released; what they keep for good then looks like leaks).
#include "app/child_view.h"
#include "app/main_frame.h"
#include "app/ribbon/ribbon_bar.h"
#include "media/movie_form_view.h"
#include "media/search_view.h"
#include "scripted_dialogs.h"
#include "subtitle/subtitle_writer.h"
#include "y4m.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QScreen>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <cstdio>

// The web engine's own code trips this sanitizer check when it shuts down.
extern "C" const char* __asan_default_options() {
    return "new_delete_type_mismatch=0";
}

namespace {

// The picture of libVLC's and the web engine's own windows is only on the screen.
bool saveScreen(QWidget& window, const QString& path) {
    const QRect r = window.frameGeometry();
    return window.screen()->grabWindow(0, r.x(), r.y(), r.width(), r.height()).save(path);
}

bool moviePictures(const QString& out) {
    QTemporaryDir dir;
    const QString film = dir.filePath(QStringLiteral("stand-in film.y4m"));
    if (!writeY4m(film, 640, 360, 25, 200, true))
        return false;
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
    ScriptedDialogs dialogs;
    dialogs.openFile = [&](QWidget*) { return film; };
    dialogs.onMessage = [](const UserMessage& m) { std::fprintf(stderr, "%s\n", qPrintable(m.text)); };
    pane.setDialogs(&dialogs);
    pane.setSubtitleWriter(
        [&] { return WriteTemporaryTranslatedSubtitle(document, dir.path(), 1478140830); });
    pane.show();
    if (!QTest::qWaitForWindowExposed(&pane))
        return false;
    pane.playButton()->click();
    // Long enough for the picture, the subtitle and a few position events.
    QTest::qWait(2500);
    std::printf("label %s\n", qPrintable(pane.timeLabel()->text()));
    const bool playing = saveScreen(pane, out + QStringLiteral("/movie.png"));
    pane.OnStop();
    QTest::qWait(200);
    return playing && saveScreen(pane, out + QStringLiteral("/movie-stopped.png"));
}

bool searchPicture(const QString& out) {
    QTemporaryDir dir;
    QDir(dir.path()).mkpath(QStringLiteral("bin"));
    const QString page = dir.filePath(QStringLiteral("start.html"));
    QFile html(page);
    if (!html.open(QIODevice::WriteOnly))
        return false;
    // A stand-in for the search engine's start page: the picture must not depend on the network.
    html.write("<html><head><title>Search</title></head><body style='font-family:sans-serif'>"
               "<h1 style='margin-top:120px;text-align:center;color:#4285f4'>Search</h1>"
               "<p style='text-align:center'><input size=60 value='bonjour'> <button>Search</button></p>"
               "</body></html>");
    html.close();
    CMainFrame frame(
        FrameOptions{dir.filePath(QStringLiteral("bin")), dir.filePath(QStringLiteral("layout.ini"))});
    if (!frame.OnCreate())
        return false;
    frame.resize(1280, 800);
    frame.move(0, 0);
    frame.show();
    if (!QTest::qWaitForWindowExposed(&frame))
        return false;
    CSearchView* search = frame.childView()->searchPage();
    search->setStartPage(QUrl::fromLocalFile(page));
    search->setPluginPath(QStringLiteral(VELMORA_WEBVIEW_PLUGIN));
    frame.childView()->tabStrip()->setCurrentIndex(2);
    QTest::qWait(4000);
    if (!saveScreen(frame, out + QStringLiteral("/search.png")))
        return false;
    // The Toolbox's "Play Movie" page as the frame shows it before anything is opened.
    frame.paneTabStrip()->setCurrentIndex(1);
    QTest::qWait(300);
    if (!saveScreen(frame, out + QStringLiteral("/frame-movie.png")))
        return false;
    // A film playing beside the web page: the rest of the window paints on as before.
    const QString film = dir.filePath(QStringLiteral("film.y4m"));
    if (!writeY4m(film, 320, 180, 25, 250, true))
        return false;
    auto* movie = qobject_cast<CMovieFormView*>(frame.paneTabStrip()->widget(1));
    movie->setEngineFactory([](QString& error) {
        return loadMediaEngine(QStringLiteral(VELMORA_VLC_PLUGIN),
                               {QStringLiteral("--no-audio"), QStringLiteral("--no-video-title-show")},
                               &error);
    });
    ScriptedDialogs dialogs;
    dialogs.openFile = [&](QWidget*) { return film; };
    movie->setDialogs(&dialogs);
    movie->playButton()->click();
    QTest::qWait(2500);
    frame.ribbon()->setCurrentTab(1);
    QTest::qWait(300);
    const bool together = saveScreen(frame, out + QStringLiteral("/frame-film-and-web.png"));
    movie->OnStop();
    return together;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: media_screenshots OUTDIR\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(out);
    return moviePictures(out) && searchPicture(out) ? 0 : 1;
}
