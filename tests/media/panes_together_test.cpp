// The film and the web page open in one window, in either order, on a real X server: the film goes
// on playing, the page shows, and the ribbon and the status bar still paint what they painted
// before. Run by ctest under xvfb-run; the pictures of a failed case are left in the temp folder.
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
#include <functional>
#include <gtest/gtest.h>

// The web engine's own code trips this sanitizer check; ours stays checked by the other tests.
extern "C" const char* __asan_default_options() {
    return "new_delete_type_mismatch=0";
}

namespace {

// What the screen shows where `w` is: libVLC's and the web engine's pictures are only there.
QImage onScreen(const QWidget* w) {
    const QPoint at = w->mapToGlobal(QPoint(0, 0));
    return w->screen()
        ->grabWindow(0, at.x(), at.y(), w->width(), w->height())
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
}

double differingShare(const QImage& a, const QImage& b) {
    if (a.size() != b.size() || a.isNull())
        return 1.0;
    qint64 differing = 0;
    for (int y = 0; y < a.height(); ++y) {
        const auto* p = reinterpret_cast<const QRgb*>(a.constScanLine(y));
        const auto* q = reinterpret_cast<const QRgb*>(b.constScanLine(y));
        for (int x = 0; x < a.width(); ++x)
            differing += qAbs(qGray(p[x]) - qGray(q[x])) > 24;
    }
    return double(differing) / (double(a.width()) * a.height());
}

double lightShare(const QImage& image) {
    qint64 light = 0;
    for (int y = 0; y < image.height(); ++y) {
        const auto* p = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x)
            light += qGray(p[x]) > 150;
    }
    return double(light) / (double(image.width()) * image.height());
}

// The film's light and dark stripes, not a black or a frozen-blank area.
bool showsFilm(const QWidget* video) {
    const double light = lightShare(onScreen(video));
    return light > 0.1 && light < 0.9;
}

struct Region {
    const char* name;
    std::function<void()> select; // what is set before the picture is taken
    const QWidget* widget;
    QImage before;
};

class Window {
public:
    explicit Window(const QString& film) {
        QDir(m_root.path()).mkpath(QStringLiteral("bin"));
        m_seam.film = film;
        m_frame = std::make_unique<CMainFrame>(FrameOptions{
            m_root.filePath(QStringLiteral("bin")), m_root.filePath(QStringLiteral("layout.ini")), &m_seam});
    }
    ~Window() {
        if (movie())
            movie()->OnStop();
    }

    bool show() {
        if (!m_frame->OnCreate())
            return false;
        m_frame->resize(1280, 800);
        m_frame->move(0, 0);
        m_frame->show();
        movie()->setEngineFactory([](QString&) { return std::make_unique<ProcessEngine>(); });
        search()->setPluginPath(QStringLiteral(VELMORA_WEBVIEW_PLUGIN));
        m_frame->paneTabStrip()->setCurrentIndex(1);
        return QTest::qWaitForWindowExposed(m_frame.get());
    }
    CMainFrame& frame() { return *m_frame; }
    CMovieFormView* movie() const {
        return qobject_cast<CMovieFormView*>(m_frame->paneTabStrip()->widget(1));
    }
    CSearchView* search() const { return m_frame->childView()->searchPage(); }
    const QList<UserMessage>& messages() const { return m_seam.messages; }

private:
    QTemporaryDir m_root;
    PaneSeam m_seam;
    std::unique_ptr<CMainFrame> m_frame;
};

class PanesTogether : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_dir = new QTemporaryDir;
        s_film = s_dir->filePath(QStringLiteral("film.y4m"));
        s_page = s_dir->filePath(QStringLiteral("start.html"));
        ASSERT_TRUE(writeY4m(s_film, 160, 90, 10, 300, true));
        QFile html(s_page);
        ASSERT_TRUE(html.open(QIODevice::WriteOnly));
        html.write("<html><body style='background:white'><h1>Search</h1></body></html>");
    }
    static void TearDownTestSuite() { delete s_dir; }

    static QTemporaryDir* s_dir;
    static QString s_film;
    static QString s_page;
};
QTemporaryDir* PanesTogether::s_dir = nullptr;
QString PanesTogether::s_film;
QString PanesTogether::s_page;

TEST_F(PanesTogether, FilmAndWebPageInEitherOrderLeaveTheRestOfTheWindowPainting) {
    ASSERT_NE(
        ProcessEngine::instance({QStringLiteral("--no-audio"), QStringLiteral("--no-video-title-show")}),
        nullptr);
    const struct {
        const char* name;
        bool webFirst;
    } orders[] = {{"film then web page", false}, {"web page then film", true}};

    for (const auto& order : orders) {
        SCOPED_TRACE(order.name);
        Window window(s_film);
        ASSERT_TRUE(window.show());
        CMainFrame& frame = window.frame();
        RibbonBar* ribbon = frame.ribbon();
        QList<Region> regions{
            {"ribbon-home", [&] { ribbon->setCurrentTab(0); }, ribbon, {}},
            {"ribbon-timings", [&] { ribbon->setCurrentTab(1); }, ribbon, {}},
            {"status-bar", [&] { ribbon->setCurrentTab(0); }, frame.statusBar(), {}},
        };
        for (Region& r : regions) {
            r.select();
            QTest::qWait(300);
            r.before = onScreen(r.widget);
        }

        auto openFilm = [&] {
            window.movie()->playButton()->click();
            ASSERT_EQ(window.movie()->playState(), CMovieFormView::PlayState::Playing);
            ASSERT_TRUE(QTest::qWaitFor([&] { return showsFilm(window.movie()->videoArea()); }, 20000));
        };
        auto openPage = [&] {
            window.search()->setStartPage(QUrl::fromLocalFile(s_page));
            frame.childView()->tabStrip()->setCurrentIndex(2);
            QWidget* browser = window.search()->browser();
            ASSERT_NE(browser, nullptr);
            QSignalSpy loaded(browser, SIGNAL(loadFinished(bool)));
            ASSERT_TRUE(QTest::qWaitFor([&] { return !loaded.isEmpty(); }, 60000));
        };
        if (order.webFirst) {
            openPage();
            openFilm();
        } else {
            openFilm();
            openPage();
        }
        ASSERT_TRUE(window.messages().isEmpty()) << window.messages()[0].text.toStdString();

        const QString keep = QDir::temp().filePath(QStringLiteral("panes-together-%1-").arg(order.webFirst));
        for (Region& r : regions) {
            r.select();
            const bool same =
                QTest::qWaitFor([&] { return differingShare(onScreen(r.widget), r.before) < 0.01; }, 5000);
            EXPECT_TRUE(same) << r.name << " differs in "
                              << differingShare(onScreen(r.widget), r.before) * 100
                              << " % of its pixels; pictures in " << keep.toStdString() << "*.png";
            if (!same) {
                r.before.save(keep + QLatin1String(r.name) + QStringLiteral("-before.png"));
                onScreen(r.widget).save(keep + QLatin1String(r.name) + QStringLiteral("-after.png"));
                onScreen(&frame).save(keep + QStringLiteral("window.png"));
            }
        }
        EXPECT_TRUE(QTest::qWaitFor([&] { return showsFilm(window.movie()->videoArea()); }, 5000));
        EXPECT_TRUE(QTest::qWaitFor([&] { return lightShare(onScreen(window.search())) > 0.5; }, 5000));

        // Stopped, the film's last picture leaves the video area.
        window.movie()->stopButton()->click();
        EXPECT_TRUE(
            QTest::qWaitFor([&] { return lightShare(onScreen(window.movie()->videoArea())) < 0.01; }, 5000));
    }
}

} // namespace

int main(int argc, char** argv) {
    // A real X server: the film's and the page's pictures and the window's native parts are the point.
    qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
