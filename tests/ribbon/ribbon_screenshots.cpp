// Saves a picture of velmora's ribbon for every tab, for a look at the layout by eye.
// Usage: ribbon_screenshots [folder] (default /tmp/ribbon-shots); run under xvfb-run -a.
#include "app/main_frame.h"
#include "app/ribbon/velmora_ribbon.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QMainWindow>
#include <QMenu>
#include <QScreen>
#include <QTimer>
#include <QToolButton>
#include <cstdio>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("/tmp/ribbon-shots");
    QDir().mkpath(folder);

    QMainWindow window;
    CMainFrame frame; // only for its command registry
    RibbonBar* ribbon = buildVelmoraRibbon(&window, frame.commands());
    window.setMenuWidget(ribbon);
    auto* client = new QWidget(&window);
    client->setMinimumHeight(60);
    window.setCentralWidget(client);
    window.resize(1280, 220);
    window.show();
    app.processEvents();

    int failures = 0;
    auto save = [&](QWidget* w, const QString& name) {
        app.processEvents();
        const QString path = folder + u'/' + name + QStringLiteral(".png");
        if (!w->grab().save(path)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            ++failures;
        } else {
            std::printf("%s\n", qPrintable(path));
        }
    };
    for (int tab = 0; tab < ribbon->tabCount(); ++tab) {
        ribbon->setCurrentTab(tab);
        QString name = ribbon->tabCaption(tab).remove(u'&').toLower();
        save(ribbon, QStringLiteral("%1-%2").arg(tab).arg(name));
    }
    std::printf("ribbon size %dx%d, minimum width %d\n", ribbon->width(), ribbon->height(),
                ribbon->minimumSizeHint().width());

    // Open menus and popups, grabbed whole from the screen.
    ribbon->setCurrentTab(0);
    auto grabScreen = [&](const QString& name) {
        app.processEvents();
        QPixmap pm = window.screen()->grabWindow(0, 0, 0, 1280, 600);
        const QString path = folder + u'/' + name + QStringLiteral(".png");
        if (!pm.save(path))
            ++failures;
        else
            std::printf("%s\n", qPrintable(path));
    };
    QComboBox* charsets = ribbon->combo(32819);
    charsets->showPopup();
    grabScreen(QStringLiteral("popup-charset"));
    charsets->hidePopup();

    QMenu* saveMenu = ribbon->button(32808)->menu();
    saveMenu->popup(ribbon->button(32808)->mapToGlobal(QPoint(0, ribbon->button(32808)->height())));
    grabScreen(QStringLiteral("menu-save"));
    saveMenu->hide();

    QMenu* appMenu = ribbon->applicationMenu();
    appMenu->popup(
        ribbon->applicationButton()->mapToGlobal(QPoint(0, ribbon->applicationButton()->height())));
    app.processEvents();
    QMenu* help = appMenu->actions().first()->menu();
    appMenu->setActiveAction(appMenu->actions().first());
    help->popup(appMenu->mapToGlobal(QPoint(appMenu->width(), 0)));
    grabScreen(QStringLiteral("menu-application"));
    help->hide();
    appMenu->hide();

    window.resize(1280, 800);
    grabScreen(QStringLiteral("window-1280"));
    return failures == 0 ? 0 : 1;
}
