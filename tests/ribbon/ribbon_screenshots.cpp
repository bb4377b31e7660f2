// Saves a picture of velmora's ribbon for every tab, for a look at the layout by eye.
// Usage: ribbon_screenshots [folder] (default /tmp/ribbon-shots); run under xvfb-run -a.
#include "app/main_frame.h"
#include "app/ribbon/velmora_ribbon.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QKeyEvent>
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

    // Key tips on the tabs, then on the Home page, as Alt and H show them; a light and a dark palette.
    auto typeKey = [&](Qt::Key key, const QString& text) {
        QWidget* focus = QApplication::focusWidget();
        QWidget* target = focus ? focus : static_cast<QWidget*>(&window);
        for (QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease}) {
            QKeyEvent event(type, key, Qt::NoModifier, text);
            QApplication::sendEvent(target, &event);
        }
    };
    const QPalette light = app.palette();
    QPalette dark = light;
    dark.setColor(QPalette::Window, QColor(0x2b, 0x2b, 0x2b));
    dark.setColor(QPalette::WindowText, QColor(0xe8, 0xe8, 0xe8));
    dark.setColor(QPalette::Base, QColor(0x1e, 0x1e, 0x1e));
    dark.setColor(QPalette::Text, QColor(0xe8, 0xe8, 0xe8));
    dark.setColor(QPalette::Button, QColor(0x35, 0x35, 0x35));
    dark.setColor(QPalette::ButtonText, QColor(0xe8, 0xe8, 0xe8));
    dark.setColor(QPalette::ToolTipBase, QColor(0x3c, 0x3c, 0x3c));
    dark.setColor(QPalette::ToolTipText, QColor(0xf0, 0xf0, 0xf0));
    window.activateWindow();
    for (const auto& [palette, suffix] :
         {std::pair{light, QString()}, std::pair{dark, QStringLiteral("-dark")}}) {
        app.setPalette(palette);
        ribbon->setCurrentTab(0);
        app.processEvents();
        ribbon->showKeyTips();
        save(&window, QStringLiteral("keytips-tabs") + suffix);
        typeKey(Qt::Key_H, QStringLiteral("h"));
        save(&window, QStringLiteral("keytips-home") + suffix);
        typeKey(Qt::Key_Escape, {});
        // The arrows instead: the focus on the page's second button.
        typeKey(Qt::Key_Down, {});
        typeKey(Qt::Key_Right, {});
        save(&window, QStringLiteral("keys-arrows") + suffix);
        typeKey(Qt::Key_Escape, {});
    }
    app.setPalette(light);

    window.resize(1280, 800);
    grabScreen(QStringLiteral("window-1280"));
    return failures == 0 ? 0 : 1;
}
