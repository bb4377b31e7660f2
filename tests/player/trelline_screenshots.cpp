// Screenshots of the player over a stand-in film, for looking at by eye: run under an X server
// (xvfb-run, with xcompmgr for a transparent overlay). Writes PNG files into the given folder.
#include "player/font_color_dialog.h"
#include "player/trelline_dlg.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLinearGradient>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <cstdio>

namespace {

// A full-screen picture for the overlay to float over.
class Backdrop : public QWidget {
public:
    Backdrop() : QWidget(nullptr, Qt::FramelessWindowHint) {}

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        QLinearGradient sky(0, 0, 0, height());
        sky.setColorAt(0, QColor(40, 70, 120));
        sky.setColorAt(0.7, QColor(200, 140, 90));
        sky.setColorAt(1, QColor(60, 50, 40));
        p.fillRect(rect(), sky);
        p.setPen(QColor(255, 255, 255, 180));
        p.setFont(QFont(QStringLiteral("DejaVu Sans"), 28));
        p.drawText(rect().adjusted(0, 80, 0, 0), Qt::AlignHCenter | Qt::AlignTop,
                   QStringLiteral("(a film playing in another player)"));
    }
};

void pump(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(10);
    }
}

bool save(const QPixmap& pixmap, const QString& path) {
    const bool ok = pixmap.save(path);
    std::printf("%s %s\n", ok ? "wrote" : "FAILED", qPrintable(path));
    return ok;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    QDir().mkpath(out);

    QTemporaryDir dir;
    const QString srt = dir.filePath(QStringLiteral("demo.srt"));
    QFile file(srt);
    if (!file.open(QIODevice::WriteOnly))
        return 1;
    // As velmora saves it: UTF-16 with its mark and CR LF line ends.
    QStringEncoder utf16(QStringConverter::Utf16LE, QStringConverter::Flag::WriteBom);
    file.write(utf16(QStringLiteral("1\r\n00:00:00,300 --> 00:01:00,000\r\nWhere are you <i>going</i>?\r\n"
                                    "To the <font color=\"#ffff00\">station</font>, before the rain.\r\n\r\n"
                                    "2\r\n00:01:01,000 --> 00:01:05,000\r\nWait for me!\r\n\r\n")));
    file.close();
    // The translation beside it, in another format, timed a little differently.
    const QString second = dir.filePath(QStringLiteral("demo.sami"));
    QFile secondFile(second);
    if (!secondFile.open(QIODevice::WriteOnly))
        return 1;
    secondFile.write(
        QStringLiteral("<SAMI><BODY>\r\n<SYNC Start=250><P>\r\nWohin gehst du?<br>Zum Bahnhof, vor "
                       "dem Regen.\r\n<SYNC Start=60000><P>\r\n&nbsp;\r\n<SYNC Start=61000><P>\r\n"
                       "<i>Warte auf mich!</i>\r\n</BODY></SAMI>\r\n")
            .toUtf8());
    secondFile.close();

    Backdrop backdrop;
    backdrop.setGeometry(QGuiApplication::primaryScreen()->geometry());
    backdrop.show();

    CTrellineDlg dialog;
    bool ok = true;
    // The Font dialog with a colour and a size chosen, grabbed and then accepted.
    dialog.setPrompts({[&](QWidget*) { return srt; },
                       {},
                       [&](QDialog& d) {
                           auto& fonts = static_cast<FontColorDialog&>(d);
                           QFont font = fonts.selectedFont();
                           font.setPointSize(28);
                           fonts.setSelectedFont(font);
                           fonts.setSelectedColor(QColor(255, 255, 255));
                           TextLook look = fonts.selectedLook();
                           look.outlineWidth = 3;
                           look.shadow = true;
                           fonts.setSelectedLook(look);
                           d.show();
                           pump(500);
                           ok &= save(d.grab(), out + QStringLiteral("/trelline-font-dialog.png"));
                           d.hide();
                           return true;
                       },
                       {},
                       {},
                       {}});
    dialog.show();
    pump(500);
    dialog.findChild<QPushButton*>(QStringLiteral("loadButton"))->click();
    pump(500);
    ok &= save(dialog.grab(), out + QStringLiteral("/trelline-normal-window.png"));
    ok &= save(dialog.screen()->grabWindow(0), out + QStringLiteral("/trelline-normal-screen.png"));
    dialog.findChild<QPushButton*>(QStringLiteral("fontButton"))->click();
    pump(500);
    ok &= save(dialog.grab(), out + QStringLiteral("/trelline-normal-window-font.png"));
    dialog.openFiles(QString(), second);
    QTest::keyClick(&dialog, Qt::Key_Plus, Qt::ShiftModifier);
    pump(300);
    ok &= save(dialog.grab(), out + QStringLiteral("/trelline-two-files-offset.png"));
    QMenu* menu = dialog.controlMenu();
    menu->popup(dialog.mapToGlobal(QPoint(40, 40)));
    pump(300);
    if (QMenu* offset = menu->findChild<QMenu*>(QStringLiteral("offsetMenu"))) {
        menu->setActiveAction(offset->menuAction());
        offset->popup(menu->mapToGlobal(QPoint(menu->width(), 0)));
        pump(300);
        ok &= save(dialog.screen()->grabWindow(0).copy(
                       menu->geometry().united(offset->geometry()).adjusted(-4, -4, 4, 4)),
                   out + QStringLiteral("/trelline-menu.png"));
        offset->hide();
    }
    menu->hide();
    QTest::keyClick(&dialog, Qt::Key_0);

    dialog.findChild<QPushButton*>(QStringLiteral("playButton"))->click();
    pump(1500);
    ok &= save(dialog.grab(), out + QStringLiteral("/trelline-overlay-window.png"));
    ok &= save(dialog.screen()->grabWindow(0), out + QStringLiteral("/trelline-overlay-screen.png"));
    dialog.session().stop();
    return ok ? 0 : 1;
}
