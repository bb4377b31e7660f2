// The "Search by Google" page of the client view: a browser made on the page's first selection.
#pragma once

#include <QString>
#include <QUrl>
#include <QWidget>

class QLabel;
class QVBoxLayout;
class WebViewFactory;

class CSearchView : public QWidget {
    Q_OBJECT
public:
    static QUrl defaultStartPage();
    // The plugin that makes the browser, beside the program or in the install prefix.
    static QString defaultPluginPath();

    explicit CSearchView(QUrl startPage = defaultStartPage(), QString pluginPath = defaultPluginPath(),
                         QWidget* parent = nullptr);

    // Loads the start page, replacing whatever the user had opened; makes the browser the first time.
    void navigateToStartPage();

    QUrl startPage() const { return m_startPage; }
    void setStartPage(const QUrl& address) { m_startPage = address; }
    // Takes effect only before the first navigation.
    void setPluginPath(const QString& path) { m_pluginPath = path; }
    // nullptr until the first navigation, and when the browser could not be loaded.
    QWidget* browser() const { return m_browser; }
    int navigationCount() const { return m_navigations; }

private:
    bool createBrowser();

    QUrl m_startPage;
    QString m_pluginPath;
    QVBoxLayout* m_layout;
    WebViewFactory* m_factory = nullptr;
    QWidget* m_browser = nullptr;
    QLabel* m_failure = nullptr;
    int m_navigations = 0;
};
