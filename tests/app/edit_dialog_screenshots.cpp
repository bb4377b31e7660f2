// Pictures of the editing dialogs for a look by eye: edit_dialog_screenshots [FOLDER]
#include "app/edit_dialogs.h"
#include "app/frame_rate_dialog.h"
#include "app/ribbon/ribbon_bar.h"
#include "subtitle/subtitle_format.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QPixmap>
#include <QTest>

namespace {
void shoot(QWidget& w, const QString& file) {
    w.show();
    (void)QTest::qWaitForWindowExposed(&w);
    QTest::qWait(50);
    w.grab().save(file);
    w.hide();
}
} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // As velmora names itself: the dialogs make room for the name in their title bars.
    QApplication::setApplicationDisplayName(QStringLiteral("velmora"));
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("/tmp/edit-shots");
    QDir().mkpath(folder);

    CSet_Delay delay(kSubRip);
    shoot(delay, folder + "/set-delay.png");
    CLine_Number line({});
    line.edit()->setText("42");
    shoot(line, folder + "/go-to-line.png");
    FindReplaceDialog find(FindReplaceDialog::Kind::Find);
    find.findEdit()->setText("hello");
    shoot(find, folder + "/find.png");
    FindReplaceDialog replace(FindReplaceDialog::Kind::Replace);
    replace.findEdit()->setText("colour");
    replace.replaceEdit()->setText("color");
    shoot(replace, folder + "/replace.png");
    FrameRateDialog rate(FrameRate{24000, 1001});
    shoot(rate, folder + "/frame-rate.png");
    return 0;
}
