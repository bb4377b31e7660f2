// The browser behind the web search page, loaded from a plugin on first use so that the program
// does not map the web engine's libraries at start-up.
#pragma once

#include <QtPlugin>

class QUrl;
class QWidget;

class WebViewFactory {
public:
    virtual ~WebViewFactory() = default;
    virtual QWidget* createWebView(QWidget* parent) = 0;
    // `view` is one that createWebView made.
    virtual void navigate(QWidget* view, const QUrl& address) = 0;
};

#define VelmoraWebViewFactory_iid "org.velmora.WebViewFactory/1"
Q_DECLARE_INTERFACE(WebViewFactory, VelmoraWebViewFactory_iid)
