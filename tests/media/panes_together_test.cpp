// The film and the web page open in one window, in either order, on a real X server (ctest runs it
// under xvfb-run): the film plays on, the page shows, and the ribbon and the status bar paint what
// they painted before. A failed case leaves its pictures in the temp folder.
#include "app/child_view.h"
#include "app/main_frame.h"
#include "app/ribbon/ribbon_bar.h"
#include "media/embedded_window.h"
#include "media/movie_form_view.h"
#include "media/search_view.h"
#include "pane_seam.h"
#include "process_engine.h"
#include "y4m.h"

#include <QApplication>
#include <QDir>
#include <QScreen>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

// The web engine's own code trips this sanitizer check; ours stays checked by the other tests.
extern "C" const char* __asan_default_options() {
    return "new_delete_type_mismatch=0";
}

namespace {

// libVLC's and the web engine's pictures are only on the screen.
QImage onScreen(const QWidget* w) {
    const QPoint at = w->mapToGlobal(QPoint(0, 0));
    return w->screen()->grabWindow(0, at.x(), at.y(), w->width(), w->height()).toImage();
}

// The share of pixels whose grey differs by more than `tolerance` from `b`'s, or (without `b`) is
// lighter than mid-grey.
double share(const QImage& a, const QImage& b = {}, int tolerance = 24) {
    if (!b.isNull() && a.size() != b.size())
        return 1.0;
    qint64 count = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            count += b.isNull() ? qGray(a.pixel(x, y)) > 150
                                : qAbs(qGray(a.pixel(x, y)) - qGray(b.pixel(x, y))) > tolerance;
    return double(count) / (double(a.width()) * a.height());
}

// The film's light and dark stripes, not a black or a blank area.
bool showsFilm(const QWidget* video) {
    const double light = share(onScreen(video));
    return light > 0.1 && light < 0.9;
}

} // namespace

TEST(PanesTogether, FilmAndWebPageInEitherOrderLeaveTheRestOfTheWindowPainting) {
    QTemporaryDir dir;
    const QString film = dir.filePath(QStringLiteral("film.y4m"));
    ASSERT_TRUE(writeY4m(film, 160, 90, 10, 300, true));
    const QString page = dir.filePath(QStringLiteral("start.html"));
    QFile html(page);
    ASSERT_TRUE(html.open(QIODevice::WriteOnly));
    html.write("<html><body style='background:white'><h1>Search</h1></body></html>");
    html.close();
    QDir(dir.path()).mkpath(QStringLiteral("bin"));
    ASSERT_NE(
        ProcessEngine::instance({QStringLiteral("--no-audio"), QStringLiteral("--no-video-title-show")}),
        nullptr);

    for (const bool webFirst : {false, true}) {
        SCOPED_TRACE(webFirst ? "web page then film" : "film then web page");
        PaneSeam seam;
        seam.film = film;
        CMainFrame frame(FrameOptions{dir.filePath(QStringLiteral("bin")),
                                      dir.filePath(QStringLiteral("layout.ini")), &seam});
        ASSERT_TRUE(frame.OnCreate());
        frame.setGeometry(0, 0, 1280, 800);
        frame.show();
        auto* movie = qobject_cast<CMovieFormView*>(frame.paneTabStrip()->widget(1));
        movie->setEngineFactory([](QString&) { return std::make_unique<ProcessEngine>(); });
        CSearchView* search = frame.childView()->searchPage();
        search->setPluginPath(QStringLiteral(VELMORA_WEBVIEW_PLUGIN));
        search->setStartPage(QUrl::fromLocalFile(page));
        frame.paneTabStrip()->setCurrentIndex(1);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));

        // Two ribbon tabs: a ribbon that stopped repainting shows the first for the second.
        RibbonBar* ribbon = frame.ribbon();
        const struct {
            const char* name;
            int tab;
            const QWidget* widget;
        } regions[] = {{"home", 0, ribbon}, {"timings", 1, ribbon}, {"status-bar", 0, frame.statusBar()}};
        QList<QImage> before;
        for (const auto& r : regions) {
            ribbon->setCurrentTab(r.tab);
            QTest::qWait(300);
            before.append(onScreen(r.widget));
        }

        auto openFilm = [&] {
            movie->playButton()->click();
            ASSERT_TRUE(QTest::qWaitFor([&] { return showsFilm(movie->videoArea()); }, 20000));
        };
        auto openPage = [&] {
            frame.childView()->tabStrip()->setCurrentIndex(2);
            ASSERT_NE(search->browser(), nullptr);
            QSignalSpy loaded(search->browser(), SIGNAL(loadFinished(bool)));
            ASSERT_TRUE(loaded.wait(60000));
        };
        webFirst ? openPage() : openFilm();
        webFirst ? openFilm() : openPage();
        ASSERT_TRUE(seam.messages.isEmpty()) << seam.messages[0].text.toStdString();

        const QString keep = QDir::temp().filePath(QStringLiteral("panes-together-%1-").arg(webFirst));
        for (int i = 0; i < before.size(); ++i) {
            ribbon->setCurrentTab(regions[i].tab);
            const QWidget* w = regions[i].widget;
            if (QTest::qWaitFor([&] { return share(onScreen(w), before[i]) < 0.01; }, 5000))
                continue;
            ADD_FAILURE() << regions[i].name << " differs in " << share(onScreen(w), before[i]) * 100
                          << " % of its pixels; pictures in " << keep.toStdString() << "*.png";
            before[i].save(keep + QLatin1String(regions[i].name) + QStringLiteral("-before.png"));
            onScreen(&frame).save(keep + QLatin1String(regions[i].name) + QStringLiteral("-window.png"));
        }
        EXPECT_TRUE(QTest::qWaitFor([&] { return showsFilm(movie->videoArea()); }, 5000));
        EXPECT_TRUE(QTest::qWaitFor([&] { return share(onScreen(search)) > 0.5; }, 5000));
        // Stopped, the film's last picture leaves the video area.
        movie->stopButton()->click();
        EXPECT_TRUE(QTest::qWaitFor([&] { return share(onScreen(movie->videoArea())) < 0.01; }, 5000));
    }
}

int main(int argc, char** argv) {
    // A real X server: the film's and the page's pictures and the window's native parts are the point.
    qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
