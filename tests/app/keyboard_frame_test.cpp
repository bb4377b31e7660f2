// Reaching every part of the window from the keyboard: Tab out of the grid, F6 through the main
// areas, the page keys, the ribbon's key tips and arrows, and the current cell drawn so that it
// can be seen.
#include "frame_fixture.h"

#include <QApplication>
#include <QTabBar>
#include <set>

namespace {

class KeyboardFrameTest : public FrameTest {
protected:
    CMainFrame& shownFrame() {
        CMainFrame& f = frame(true);
        load(CommandId::LoadOriginal, writeFile(QStringLiteral("a.srt"), srt(4)));
        f.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&f));
        f.grid()->setFocusedRow(1);
        f.grid()->setFocus();
        settle();
        return f;
    }

    // The key goes where a user's key would: to the widget that has the focus.
    static void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QWidget* target = QApplication::focusWidget();
        ASSERT_NE(target, nullptr);
        QTest::keyClick(target, key, modifiers);
    }

    // Which of the window's areas holds the focus.
    std::string focusArea() const {
        const QWidget* w = QApplication::focusWidget();
        if (!w)
            return "none";
        if (w == m_frame->grid())
            return "grid";
        if (m_frame->ribbon()->isAncestorOf(w))
            return "ribbon";
        if (w == m_frame->childView()->tabStrip()->tabBar())
            return "bottom tabs";
        if (m_frame->childView()->isAncestorOf(w))
            return "bottom page";
        if (m_frame->toolbox()->isAncestorOf(w))
            return "toolbox";
        return "elsewhere";
    }
};

TEST_F(KeyboardFrameTest, TabLeavesTheGridBothWaysAndArrowsStayInIt) {
    CMainFrame& f = shownFrame();
    struct Case {
        const char* name;
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        bool leaves;
    };
    const Case cases[] = {
        {"Tab", Qt::Key_Tab, Qt::NoModifier, true},
        {"Shift+Tab", Qt::Key_Backtab, Qt::ShiftModifier, true},
        {"Down", Qt::Key_Down, Qt::NoModifier, false},
        {"Right", Qt::Key_Right, Qt::NoModifier, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        f.grid()->setFocus();
        press(c.key, c.modifiers);
        EXPECT_EQ(QApplication::focusWidget() != f.grid(), c.leaves) << focusArea();
    }
}

TEST_F(KeyboardFrameTest, TabAndF6AloneReachEveryArea) {
    shownFrame();
    press(Qt::Key_Tab);
    EXPECT_NE(focusArea(), "grid");
    std::set<std::string> reached;
    // Shift+F6 walks the same round backwards.
    for (Qt::KeyboardModifiers modifiers : {Qt::NoModifier, Qt::ShiftModifier}) {
        std::vector<std::string> round;
        for (int i = 0; i < 8; ++i) {
            press(Qt::Key_F6, modifiers);
            round.push_back(focusArea());
            reached.insert(round.back());
        }
        // Four areas, then the round starts again.
        EXPECT_EQ(std::vector(round.begin(), round.begin() + 4), std::vector(round.begin() + 4, round.end()));
    }
    EXPECT_EQ(reached, (std::set<std::string>{"ribbon", "grid", "bottom tabs", "toolbox"}));
}

TEST_F(KeyboardFrameTest, F6SkipsTheHiddenToolbox) {
    CMainFrame& f = shownFrame();
    f.toolbox()->hide();
    for (int i = 0; i < 6; ++i) {
        press(Qt::Key_F6);
        EXPECT_NE(focusArea(), "toolbox");
        EXPECT_NE(focusArea(), "none");
    }
}

TEST_F(KeyboardFrameTest, PageKeysSwitchTheBottomAndToolboxPages) {
    CMainFrame& f = shownFrame();
    QTabWidget* bottom = f.childView()->tabStrip();
    QTabWidget* toolbox = f.paneTabStrip();
    struct Case {
        const char* name;
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        QTabWidget* pages;
        int step;
    };
    const Case cases[] = {
        {"Ctrl+Tab", Qt::Key_Tab, Qt::ControlModifier, bottom, 1},
        {"Ctrl+Shift+Tab", Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier, bottom, -1},
        {"Ctrl+PageDown", Qt::Key_PageDown, Qt::ControlModifier, toolbox, 1},
        {"Ctrl+PageUp", Qt::Key_PageUp, Qt::ControlModifier, toolbox, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        f.grid()->setFocus();
        const int count = c.pages->count();
        const int before = c.pages->currentIndex();
        const int gridRow = f.grid()->focusedRow();
        press(c.key, c.modifiers);
        EXPECT_EQ(c.pages->currentIndex(), (before + c.step + count) % count);
        if (c.pages == toolbox) {
            EXPECT_EQ(f.grid()->focusedRow(), gridRow);
        }
        c.pages->setCurrentIndex(0);
    }
}

TEST_F(KeyboardFrameTest, CurrentCellIsFramedInsideItsSelectedRow) {
    CMainFrame& f = shownFrame();
    CReportView* grid = f.grid();
    const QModelIndex current = grid->model()->index(1, kColumnTranslated);
    grid->selectionModel()->setCurrentIndex(current,
                                            QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    settle();
    const QImage shot = grid->viewport()->grab().toImage();
    const QRect cell = grid->visualRect(current);
    const QRect neighbour = grid->visualRect(grid->model()->index(1, kColumnOriginal));
    const QColor mark = grid->palette().color(QPalette::Active, QPalette::HighlightedText);
    // The cell's left edge carries the mark; the same place in a cell of the same row does not.
    const auto marked = [&](const QRect& r) { return shot.pixelColor(r.left() + 1, r.center().y()) == mark; };
    EXPECT_TRUE(marked(cell));
    EXPECT_FALSE(marked(neighbour));
}

TEST_F(KeyboardFrameTest, RibbonKeysRunCommandsOnTheGridAndGiveItTheFocusBack) {
    struct Case {
        const char* name;
        QList<Qt::Key> keys;
        int rows; // left in the grid
    };
    // Edit is the third tab; Cut Line its first command.
    const Case cases[] = {
        {"arrows to Cut Line, Enter",
         {Qt::Key_F10, Qt::Key_Right, Qt::Key_Right, Qt::Key_Down, Qt::Key_Return},
         3},
        {"key tips: Alt, E, then Cut Line's", {Qt::Key_Alt, Qt::Key_E}, 2},
        {"Escape from the page runs nothing", {Qt::Key_F10, Qt::Key_Down, Qt::Key_Escape}, 2},
    };
    CMainFrame& f = shownFrame();
    const QString cutTip = f.ribbon()->keyTip(quint16(CommandId::CutLine));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        selectRows({0});
        f.grid()->setFocus();
        for (Qt::Key key : c.keys)
            press(key);
        if (c.keys.contains(Qt::Key_E))
            for (QChar letter : cutTip)
                press(Qt::Key(letter.unicode()));
        EXPECT_EQ(f.session().rowCount(), c.rows);
        EXPECT_EQ(focusArea(), "grid");
        EXPECT_FALSE(f.ribbon()->keyTipsShown());
    }
}

} // namespace
