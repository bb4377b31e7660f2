// The web search page.
#include "media/search_view.h"

#include "media/embedded_window.h"
#include "media/plugin_location.h"
#include "media/web_view_factory.h"

#include <QLabel>
#include <QPluginLoader>
#include <QVBoxLayout>
#include <unistd.h>

QUrl CSearchView::defaultStartPage() {
    return QUrl(QStringLiteral("https://www.google.com/"));
}

QString CSearchView::defaultPluginPath() {
    return locateMediaPlugin(QStringLiteral("velmora_webview.so"));
}

CSearchView::CSearchView(QUrl startPage, QString pluginPath, QWidget* parent)
    : QWidget(parent), m_startPage(std::move(startPage)), m_pluginPath(std::move(pluginPath)),
      m_layout(new QVBoxLayout(this)) {
    setObjectName(QStringLiteral("searchPage"));
    m_layout->setContentsMargins(0, 0, 0, 0);
}

void CSearchView::navigateToStartPage() {
    if (!m_browser && !createBrowser())
        return;
    ++m_navigations;
    m_factory->navigate(m_browser, m_startPage);
}

bool CSearchView::createBrowser() {
    if (m_failure)
        return false;
    // Chromium refuses to run as root inside its sandbox.
    if (::geteuid() == 0 && !qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    // The engine stays loaded for the rest of the run: it cannot be unloaded safely.
    QPluginLoader loader(m_pluginPath);
    m_factory = qobject_cast<WebViewFactory*>(loader.instance());
    if (!m_factory) {
        m_failure = new QLabel(tr("The web search page cannot be shown: %1").arg(loader.errorString()), this);
        m_failure->setObjectName(QStringLiteral("searchFailure"));
        m_failure->setAlignment(Qt::AlignCenter);
        m_failure->setWordWrap(true);
        m_layout->addWidget(m_failure);
        return false;
    }
    // The browser composes through OpenGL; the first such widget makes Qt remake the frame's window.
    keepEmbeddedWindowsThrough(window(), [this] {
        m_browser = m_factory->createWebView(this);
        m_browser->setObjectName(QStringLiteral("searchBrowser"));
        m_layout->addWidget(m_browser);
    });
    return true;
}
