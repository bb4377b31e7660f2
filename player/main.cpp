// trelline: the overlay subtitle player. `trelline [FILE [SECOND_FILE]]`; its one window is the
// program.
#include "player/display_platform.h"
#include "player/trelline_dlg.h"
#include "support/log.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

namespace {

class CTrellineApp : public QApplication {
public:
    using QApplication::QApplication;

    int run(const QString& notice) {
        // The window hides for a moment whenever it changes form, so only its end ends the program.
        setQuitOnLastWindowClosed(false);
        CTrellineDlg dialog;
        dialog.useSettings(PlayerSettings::defaultFile());
        QObject::connect(&dialog, &QDialog::finished, this, &QCoreApplication::quit);
        dialog.show();
        log_printf("trelline started\n");
        QStringList files = arguments().mid(1);
        // Once the window is up, so that what a load has to say has a window to say it over.
        QTimer::singleShot(0, &dialog, [&dialog, notice, files] {
            if (!notice.isEmpty()) {
                log_printf("%s\n", notice.toLocal8Bit().constData());
                QMessageBox box(QMessageBox::Information, QStringLiteral("trelline"), notice, QMessageBox::Ok,
                                &dialog);
                box.setTextFormat(Qt::PlainText);
                box.exec();
            }
            dialog.openFiles(files.value(0), files.value(1));
        });
        return exec();
    }
};

} // namespace

int main(int argc, char** argv) {
    // Before the application object exists: it reads the platform when it is made.
    const PlatformChoice choice = choosePlatform(SessionEnvironment::fromProcess(),
                                                 [](const QByteArray& d) { return xServerReachable(d); });
    if (!choice.platform.isEmpty())
        qputenv("QT_QPA_PLATFORM", choice.platform);
    CTrellineApp app(argc, argv);
    CTrellineApp::setApplicationName(QStringLiteral("trelline"));
    return app.run(choice.notice);
}
