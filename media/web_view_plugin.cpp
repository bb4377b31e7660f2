// The plugin that makes Qt WebEngine views for the web search page.
#include "media/web_view_factory.h"

#include <QObject>
#include <QUrl>
#include <QWebEngineView>

class WebEngineViewFactory : public QObject, public WebViewFactory {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID VelmoraWebViewFactory_iid)
    Q_INTERFACES(WebViewFactory)
public:
    QWidget* createWebView(QWidget* parent) override { return new QWebEngineView(parent); }
    void navigate(QWidget* view, const QUrl& address) override {
        if (auto* web = qobject_cast<QWebEngineView*>(view))
            web->load(address);
    }
};

#include "web_view_plugin.moc"
