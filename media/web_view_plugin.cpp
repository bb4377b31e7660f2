// The plugin that makes Qt WebEngine views for the web search page.
#include "media/web_view_factory.h"

#include <QObject>
#include <QUrl>
#include <QWebEngineView>

// Qt WebEngine's own set-up of the OpenGL context it shares with the application. It runs by itself
// only when WebEngine is linked into the program; loaded later, as here, it must be called before
// the first view, or the first view crashes for want of that context.
namespace QtWebEngineCore {
Q_DECL_IMPORT void initialize();
}

class WebEngineViewFactory : public QObject, public WebViewFactory {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID VelmoraWebViewFactory_iid)
    Q_INTERFACES(WebViewFactory)
public:
    QWidget* createWebView(QWidget* parent) override {
        if (!m_initialized) {
            QtWebEngineCore::initialize();
            m_initialized = true;
        }
        return new QWebEngineView(parent);
    }
    void navigate(QWidget* view, const QUrl& address) override {
        if (auto* web = qobject_cast<QWebEngineView*>(view))
            web->load(address);
    }

private:
    bool m_initialized = false;
};

#include "web_view_plugin.moc"
