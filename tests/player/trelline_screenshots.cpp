// Screenshots of the player over a stand-in film, for looking at by eye: run under an X server
// (xvfb-run, with xcompmgr for a transparent overlay). Writes PNG files into the given folder.
#include "player/font_color_dialog.h"
#include "player/trelline_dlg.h"
#include "scripted_dialogs.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLinearGradient>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QStringEncoder>
#include <QTemporaryDir>
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
    file.write(utf16(QStringLiteral("1\r\n00:00:00,300 --> 00:01:00,000\r\nWhere are you going?\r\n"
                                    "To the station, before the rain.\r\n\r\n"
                                    "2\r\n00:01:01,000 --> 00:01:05,000\r\nWait for me!\r\n\r\n")));
    file.close();

    Backdrop backdrop;
    backdrop.setGeometry(QGuiApplication::primaryScreen()->geometry());
    backdrop.show();

    CTrellineDlg dialog;
    bool ok = true;
    ScriptedDialogs dialogs;
    dialogs.openFile = [&](QWidget*) { return srt; };
    // The Font dialog with a colour and a size chosen, grabbed and then accepted.
    dialogs.modal = [&](QDialog& d) {
        auto& fonts = static_cast<FontColorDialog&>(d);
        QFont font = fonts.selectedFont();
        font.setPointSize(28);
        fonts.setSelectedFont(font);
        fonts.setSelectedColor(QColor(0, 0, 255));
        d.show();
        pump(500);
        ok &= save(d.grab(), out + QStringLiteral("/trelline-font-dialog.png"));
        d.hide();
        return int(QDialog::Accepted);
    };
    dialog.setDialogs(&dialogs);
    dialog.show();
    pump(500);
    dialog.findChild<QPushButton*>(QStringLiteral("loadButton"))->click();
    pump(500);
    ok &= save(dialog.grab(), out + QStringLiteral("/trelline-normal-window.png"));
    ok &= save(dialog.screen()->grabWindow(0), out + QStringLiteral("/trelline-normal-screen.png"));
    dialog.findChild<QPushButton*>(QStringLiteral("fontButton"))->click();
    pump(500);
    ok &= save(dialog.grab(), out + QStringLiteral("/trelline-normal-window-font.png"));

    dialog.findChild<QPushButton*>(QStringLiteral("playButton"))->click();
    pump(1500);
    ok &= save(dialog.grab(), out + QStringLiteral("/trelline-overlay-window.png"));
    ok &= save(dialog.screen()->grabWindow(0), out + QStringLiteral("/trelline-overlay-screen.png"));
    dialog.session().stop();
    return ok ? 0 : 1;
}
