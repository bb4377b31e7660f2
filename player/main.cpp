// trelline: the overlay subtitle player. It takes no arguments; its one window is the program.
#include "player/trelline_dlg.h"
#include "support/log.h"

#include <QApplication>

namespace {

class CTrellineApp : public QApplication {
public:
    using QApplication::QApplication;

    int run() {
        // The window hides for a moment whenever it changes form, so only its end ends the program.
        setQuitOnLastWindowClosed(false);
        CTrellineDlg dialog;
        QObject::connect(&dialog, &QDialog::finished, this, &QCoreApplication::quit);
        dialog.show();
        log_printf("trelline started\n");
        return exec();
    }
};

} // namespace

int main(int argc, char** argv) {
    CTrellineApp app(argc, argv);
    CTrellineApp::setApplicationName(QStringLiteral("trelline"));
    return app.run();
}
