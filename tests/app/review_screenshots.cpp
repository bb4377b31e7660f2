// A picture of the Review tab and the Checks page over a translation with a few problems, for a
// look by eye and the user guide: review_screenshots ORIGINAL TRANSLATED OUT.png
#include "app/checks_page.h"
#include "app/main_frame.h"
#include "app/report_view.h"
#include "app/review_controller.h"
#include "app/ribbon/ribbon_bar.h"
#include "screenshot_frame.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 4)
        return 2;
    ScreenshotFrame shot;
    if (!shot.open(argv[1], argv[2]))
        return 1;
    CMainFrame& frame = shot.frame();
    // A few slips of the kind a review catches: a typo, a doubled word, a line too long.
    const struct {
        int row;
        const char16_t* text;
    } slips[] = {
        {0, u"Le dernier train part à neuf heures.\nNous avons encore encore le temps."},
        {3, u"Il commense à pleuvoir."},
        {5, u"Attends, c'est ton frère qui sort de la boulangerie là-bas ?"},
    };
    for (const auto& s : slips)
        frame.applyChange(frame.session().setTextCell(s.row, kColumnTranslated, QString::fromUtf16(s.text)));
    frame.review().setShowsCpsColumn(true);
    frame.ribbon()->setCurrentTab(frame.ribbon()->tabCount() - 1);
    frame.paneTabStrip()->setCurrentWidget(frame.checksPage());
    frame.resize(1440, 810);
    frame.show();
    (void)QTest::qWaitForWindowExposed(&frame);
    frame.focusRow(8);
    // Spelling starts a moment after the rows are shown.
    (void)QTest::qWaitFor([&frame] { return frame.review().speller().isEnabled(); }, 10000);
    QTest::qWait(300);
    return frame.grab().save(QString::fromLocal8Bit(argv[3])) ? 0 : 1;
}
