// Pictures for the user guide of velmora from the keyboard and in a dark desktop theme:
// theme_screenshots ORIGINAL TRANSLATED FOLDER writes keytips.png (Alt, then H: the Home tab's key
// tips) and dark.png (the Mapping Text page under a dark palette).
#include "app/child_view.h"
#include "app/main_frame.h"
#include "app/ribbon/ribbon_bar.h"
#include "screenshot_frame.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QKeyEvent>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

namespace {

QPalette darkPalette(QPalette p) {
    const QColor window(0x2a, 0x2e, 0x32), base(0x23, 0x26, 0x29), text(0xEF, 0xF0, 0xF1);
    for (const auto& [role, colour] : {std::pair{QPalette::Window, window},
                                       {QPalette::WindowText, text},
                                       {QPalette::Base, base},
                                       {QPalette::AlternateBase, window},
                                       {QPalette::Text, text},
                                       {QPalette::Button, QColor(0x31, 0x36, 0x3b)},
                                       {QPalette::ButtonText, text},
                                       {QPalette::ToolTipBase, window},
                                       {QPalette::ToolTipText, text},
                                       {QPalette::Highlight, QColor(0x3d, 0xae, 0xe9)}})
        p.setColor(role, colour);
    return p;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 4)
        return 2;
    const QDir out(QString::fromLocal8Bit(argv[3]));
    ScreenshotFrame shot;
    if (!shot.open(argv[1], argv[2]))
        return 1;
    CMainFrame& frame = shot.frame();
    frame.resize(1440, 810);
    frame.show();
    (void)QTest::qWaitForWindowExposed(&frame);
    frame.activateWindow();
    QTest::qWait(300);

    // Alt alone, then the Home tab's letter.
    frame.ribbon()->showKeyTips();
    QWidget* focus = QApplication::focusWidget() ? QApplication::focusWidget() : &frame;
    QTest::keyClick(focus, Qt::Key_H);
    QTest::qWait(200);
    bool saved = frame.grab().save(out.filePath(QStringLiteral("keytips.png")));
    QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : &frame, Qt::Key_Escape);
    QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : &frame, Qt::Key_Escape);

    frame.setPalette(darkPalette(frame.palette()));
    frame.childView()->tabStrip()->setCurrentIndex(1);
    QTest::qWait(300);
    saved = frame.grab().save(out.filePath(QStringLiteral("dark.png"))) && saved;
    return saved ? 0 : 1;
}
