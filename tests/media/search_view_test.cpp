// The web search page: the browser is made on the page's first selection and sent to the start
// page on every selection, and on nothing else.
#include "app/child_view.h"
#include "media/search_view.h"
#include "subtitle/subtitle_session.h"

#include <QApplication>
#include <QFile>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

// The web engine's own code trips these sanitizer checks; ours stays checked by the other tests.
extern "C" const char* __asan_default_options() {
    return "new_delete_type_mismatch=0";
}
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libQt6WebEngineCore\nleak:libfontconfig\n";
}

namespace {

bool webEngineMapped() {
    QFile maps(QStringLiteral("/proc/self/maps"));
    return maps.open(QIODevice::ReadOnly) && maps.readAll().contains("libQt6WebEngine");
}

int webViewCount() {
    int n = 0;
    for (QWidget* w : QApplication::allWidgets())
        n += w->inherits("QWebEngineView");
    return n;
}

QUrl writePage(const QTemporaryDir& dir, const QString& name, const QString& title) {
    const QString path = dir.filePath(name);
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(QStringLiteral("<html><head><title>%1</title></head><body>%1</body></html>").arg(title).toUtf8());
    return QUrl::fromLocalFile(path);
}

// Waits for the browser to finish the page it was sent to.
bool loaded(QSignalSpy& spy) {
    return QTest::qWaitFor([&] { return !spy.isEmpty(); }, 60000) && spy.takeFirst().value(0).toBool();
}

} // namespace

TEST(SearchView, BrowserIsMadeOnFirstSelectionAndSentToTheStartPageOnEverySelection) {
    QTemporaryDir dir;
    const QUrl start = writePage(dir, QStringLiteral("start.html"), QStringLiteral("Start"));
    const QUrl other = writePage(dir, QStringLiteral("result.html"), QStringLiteral("Result"));

    SubtitleSession session;
    CChildView view(session);
    view.resize(800, 600);
    view.show();
    CSearchView* search = view.searchPage();
    EXPECT_EQ(search->startPage(), CSearchView::defaultStartPage());
    search->setStartPage(start);
    search->setPluginPath(QStringLiteral(VELMORA_WEBVIEW_PLUGIN));
    QTabWidget* tabs = view.tabStrip();

    // The other pages come and go without the web engine.
    tabs->setCurrentIndex(1);
    tabs->setCurrentIndex(0);
    EXPECT_EQ(search->browser(), nullptr);
    EXPECT_EQ(webViewCount(), 0);
    EXPECT_FALSE(webEngineMapped());

    tabs->setCurrentIndex(2);
    QWidget* browser = search->browser();
    ASSERT_NE(browser, nullptr) << search->findChild<QWidget*>(QStringLiteral("searchFailure"))
                                       ->property("text")
                                       .toString()
                                       .toStdString();
    EXPECT_EQ(webViewCount(), 1);
    QSignalSpy spy(browser, SIGNAL(loadFinished(bool)));
    ASSERT_TRUE(loaded(spy));
    EXPECT_EQ(browser->property("url").toUrl(), start);
    EXPECT_EQ(browser->property("title").toString(), QStringLiteral("Start"));

    // The user goes elsewhere in the page; coming back to the tab shows the start page again.
    browser->setProperty("url", other);
    ASSERT_TRUE(loaded(spy));
    EXPECT_EQ(browser->property("title").toString(), QStringLiteral("Result"));
    tabs->setCurrentIndex(0);
    tabs->setCurrentIndex(2);
    ASSERT_TRUE(loaded(spy));
    EXPECT_EQ(browser->property("url").toUrl(), start);
    EXPECT_EQ(search->navigationCount(), 2);

    // Leaving for the other pages touches the browser no more.
    browser->setProperty("url", other);
    ASSERT_TRUE(loaded(spy));
    tabs->setCurrentIndex(1);
    tabs->setCurrentIndex(0);
    QTest::qWait(200);
    EXPECT_TRUE(spy.isEmpty());
    EXPECT_EQ(browser->property("url").toUrl(), other);
    EXPECT_EQ(search->navigationCount(), 2);
    EXPECT_EQ(search->browser(), browser);
    EXPECT_EQ(webViewCount(), 1);
}

TEST(SearchView, MissingBrowserPluginIsSaidOnThePage) {
    CSearchView search(QUrl(QStringLiteral("about:blank")),
                       QStringLiteral("/nonexistent/velmora_webview.so"));
    search.navigateToStartPage();
    search.navigateToStartPage();
    EXPECT_EQ(search.browser(), nullptr);
    EXPECT_EQ(search.navigationCount(), 0);
    const auto failures = search.findChildren<QWidget*>(QStringLiteral("searchFailure"));
    ASSERT_EQ(failures.size(), 1);
    EXPECT_TRUE(failures[0]->property("text").toString().contains(QStringLiteral("cannot be shown")));
}
