// The ribbon widget layer: time edits, tabs, split buttons, combos, menus and trigger.
#include "app/ribbon/ribbon_bar.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QSignalSpy>
#include <QTabBar>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

namespace {

QList<quint16> ids(const QSignalSpy& spy) {
    QList<quint16> result;
    for (const QList<QVariant>& args : spy)
        result.append(args.at(0).value<quint16>());
    return result;
}

// ---------------------------------------------------------------- TimeSpinEdit

TEST(TimeSpinEdit, StepsAreReportedAndLeaveTheText) {
    TimeSpinEdit edit;
    edit.setInputMask(QStringLiteral("00:00:00,000;0"));
    edit.setText(QStringLiteral("00:01:02,500"));
    QSignalSpy stepped(&edit, &TimeSpinEdit::stepped);
    QSignalSpy changed(&edit, &TimeSpinEdit::textChanged);

    edit.stepBy(1);
    edit.stepBy(-3);

    ASSERT_EQ(stepped.count(), 2);
    EXPECT_EQ(stepped.at(0).at(0).toInt(), 1);
    EXPECT_EQ(stepped.at(1).at(0).toInt(), -3);
    EXPECT_EQ(edit.text(), QStringLiteral("00:01:02,500"));
    EXPECT_EQ(changed.count(), 0);
}

TEST(TimeSpinEdit, ArrowKeysStepOnlyWhileEnabled) {
    TimeSpinEdit edit;
    edit.setText(QStringLiteral("00:00:01,000"));
    QSignalSpy stepped(&edit, &TimeSpinEdit::stepped);

    QTest::keyClick(&edit, Qt::Key_Up);
    QTest::keyClick(&edit, Qt::Key_Down);
    ASSERT_EQ(stepped.count(), 2);
    EXPECT_EQ(stepped.at(0).at(0).toInt(), 1);
    EXPECT_EQ(stepped.at(1).at(0).toInt(), -1);

    edit.setEnabled(false);
    QTest::keyClick(&edit, Qt::Key_Up);
    EXPECT_EQ(stepped.count(), 2);
    EXPECT_EQ(edit.text(), QStringLiteral("00:00:01,000"));
}

// With '0' as the mask's blank character, QLineEdit::text() would drop every zero digit; the
// fields must keep their positions.
TEST(TimeSpinEdit, MaskedTextKeepsZerosAndFieldPositions) {
    TimeSpinEdit edit;
    edit.setInputMask(QStringLiteral("00:00:00,000;0"));
    EXPECT_EQ(edit.inputMask(), QStringLiteral("00:00:00,000;0"));

    edit.setText(QStringLiteral("01:20:03,040"));
    EXPECT_EQ(edit.text(), QStringLiteral("01:20:03,040"));
    EXPECT_EQ(edit.text().mid(6, 2), QStringLiteral("03"));

    edit.setText(QString());
    EXPECT_EQ(edit.text(), QStringLiteral("00:00:00,000"));

    // The hundredths mask of SubViewer.
    edit.setInputMask(QStringLiteral("00:00:00,00;0"));
    edit.setText(QStringLiteral("00:00:05,50"));
    EXPECT_EQ(edit.text(), QStringLiteral("00:00:05,50"));
}

TEST(TimeSpinEdit, MaskSetAfterTheTextKeepsIt) {
    TimeSpinEdit edit;
    edit.setText(QStringLiteral("00:00:00,000"));
    edit.setInputMask(QStringLiteral("00:00:00,000;0"));
    EXPECT_EQ(edit.text(), QStringLiteral("00:00:00,000"));
}

TEST(TimeSpinEdit, TypingFillsTheMaskedFields) {
    TimeSpinEdit edit;
    edit.setInputMask(QStringLiteral("00:00:00,000;0"));
    edit.setText(QStringLiteral("00:00:00,000"));
    QSignalSpy edited(&edit, &TimeSpinEdit::textEdited);
    auto* line = edit.findChild<QLineEdit*>();
    ASSERT_NE(line, nullptr);
    line->setCursorPosition(0);

    QTest::keyClicks(line, QStringLiteral("0112x"));

    // Letters do not fit a digit position; the separators are stepped over.
    EXPECT_EQ(edit.text(), QStringLiteral("01:12:00,000"));
    ASSERT_GE(edited.count(), 1);
    EXPECT_EQ(edited.last().at(0).toString(), QStringLiteral("01:12:00,000"));
}

TEST(TimeSpinEdit, FreeTextWithoutMask) {
    TimeSpinEdit edit;
    edit.setText(QStringLiteral("1234"));
    EXPECT_EQ(edit.text(), QStringLiteral("1234"));
    EXPECT_TRUE(edit.inputMask().isEmpty());
}

// ---------------------------------------------------------------- RibbonBar

class RibbonBarTest : public ::testing::Test {
protected:
    void SetUp() override {
        home = bar.addTab(QStringLiteral("&First"));
        second = bar.addTab(QStringLiteral("&Second"));
        file = bar.addGroup(home, QStringLiteral("File"));
        other = bar.addGroup(home, QStringLiteral("Other"));
    }

    RibbonBar bar;
    int home = -1;
    int second = -1;
    RibbonGroup* file = nullptr;
    RibbonGroup* other = nullptr;
};

TEST_F(RibbonBarTest, TabsAndGroupsKeepTheirOrder) {
    ASSERT_EQ(bar.tabCount(), 2);
    EXPECT_EQ(bar.tabCaption(0), QStringLiteral("&First"));
    EXPECT_EQ(bar.tabCaption(1), QStringLiteral("&Second"));
    EXPECT_EQ(bar.currentTab(), 0);
    const QList<RibbonGroup*> groups = bar.groups(home);
    ASSERT_EQ(groups.size(), 2);
    EXPECT_EQ(groups[0]->caption(), QStringLiteral("File"));
    EXPECT_EQ(groups[1]->caption(), QStringLiteral("Other"));
    EXPECT_EQ(bar.group(home, QStringLiteral("Other")), other);
    EXPECT_TRUE(bar.groups(second).isEmpty());
    EXPECT_EQ(bar.addGroup(7, QStringLiteral("Nowhere")), nullptr);
}

TEST_F(RibbonBarTest, TabSelectionIsAnnouncedOncePerChange) {
    QSignalSpy changed(&bar, &RibbonBar::currentTabChanged);
    auto* tabs = bar.findChild<QTabBar*>();
    ASSERT_NE(tabs, nullptr);
    bar.resize(600, 150);
    bar.show();

    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(1).center());
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed.at(0).at(0).toInt(), 1);
    EXPECT_EQ(bar.currentTab(), 1);

    // Clicking the tab that is already selected changes nothing.
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(1).center());
    EXPECT_EQ(changed.count(), 1);

    bar.setCurrentTab(0);
    ASSERT_EQ(changed.count(), 2);
    EXPECT_EQ(changed.at(1).at(0).toInt(), 0);

    bar.setCurrentTab(5);
    EXPECT_EQ(changed.count(), 2);
    EXPECT_EQ(bar.currentTab(), 0);
}

TEST_F(RibbonBarTest, AddingTabsAnnouncesNothing) {
    RibbonBar fresh;
    QSignalSpy changed(&fresh, &RibbonBar::currentTabChanged);
    fresh.addTab(QStringLiteral("A"));
    fresh.addTab(QStringLiteral("B"));
    EXPECT_EQ(changed.count(), 0);
    EXPECT_EQ(fresh.currentTab(), 0);
}

TEST_F(RibbonBarTest, ButtonClickEmitsItsIdWithLabelAsTooltip) {
    QToolButton* b = bar.addButton(file, 42, QStringLiteral("Load Something"));
    QSignalSpy triggered(&bar, &RibbonBar::commandTriggered);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->toolTip(), QStringLiteral("Load Something"));
    EXPECT_EQ(b->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
    EXPECT_EQ(bar.caption(42), QStringLiteral("Load Something"));
    EXPECT_EQ(bar.button(42), b);

    QTest::mouseClick(b, Qt::LeftButton);
    EXPECT_EQ(ids(triggered), QList<quint16>{42});
}

TEST_F(RibbonBarTest, SplitFaceEmitsOnlyTheFaceAndMenuItemsTheirOwnIds) {
    QToolButton* split = bar.addSplitButton(file, 100, QStringLiteral("Save"),
                                            {{101, QStringLiteral("One")}, {102, QStringLiteral("Two")}});
    ASSERT_NE(split, nullptr);
    bar.resize(600, 150);
    bar.show();
    QSignalSpy triggered(&bar, &RibbonBar::commandTriggered);

    EXPECT_EQ(split->popupMode(), QToolButton::MenuButtonPopup);
    QTest::mouseClick(split, Qt::LeftButton, {}, QPoint(4, 4));
    EXPECT_EQ(ids(triggered), QList<quint16>{100});

    QMenu* menu = split->menu();
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(menu->actions().size(), 2);
    EXPECT_EQ(menu->actions()[0]->data().toUInt(), 101u);
    EXPECT_EQ(menu->actions()[0]->text(), QStringLiteral("One"));
    EXPECT_EQ(menu->actions()[1]->data().toUInt(), 102u);

    triggered.clear();
    menu->actions()[1]->trigger();
    EXPECT_EQ(ids(triggered), QList<quint16>{102});
    EXPECT_EQ(bar.menuAction(102), menu->actions()[1]);
}

TEST_F(RibbonBarTest, ComboEmitsOnUserActivationOnly) {
    QComboBox* box = bar.addCombo(other, 7, QStringLiteral("Pick"), 180);
    box->addItems({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")});
    QSignalSpy triggered(&bar, &RibbonBar::commandTriggered);

    // Filling and preselecting is the program's doing, not the user's.
    box->setCurrentIndex(2);
    EXPECT_TRUE(triggered.isEmpty());

    box->setCurrentIndex(0);
    QTest::keyClick(box, Qt::Key_Down);
    EXPECT_EQ(box->currentIndex(), 1);
    EXPECT_EQ(ids(triggered), QList<quint16>{7});
    EXPECT_EQ(box->width(), 180);
    EXPECT_EQ(box->toolTip(), QStringLiteral("Pick"));
    EXPECT_FALSE(box->isEditable());
}

TEST_F(RibbonBarTest, ComboPopupIsAsWideAsTheBox) {
    QComboBox* box = bar.addCombo(other, 7, QStringLiteral("Pick"), 150);
    box->addItem(QStringLiteral("A rather long item that would not fit a narrow box at all"));
    box->addItem(QStringLiteral("b"));
    bar.resize(800, 150);
    bar.show();
    box->showPopup();
    QWidget* popup = box->view()->window();
    EXPECT_NE(popup, bar.window());
    EXPECT_EQ(popup->width(), box->width());
    EXPECT_EQ(popup->mapToGlobal(QPoint(0, 0)).x(), box->mapToGlobal(QPoint(0, 0)).x());
    box->hidePopup();
}

TEST_F(RibbonBarTest, SmallControlsStackThreeToAColumn) {
    QList<QComboBox*> boxes;
    for (quint16 id = 1; id <= 4; ++id)
        boxes.append(bar.addCombo(other, id, QStringLiteral("Box %1").arg(id), 120));
    bar.resize(900, 200);
    bar.show();
    QTest::qWait(0);
    auto x = [&](int i) { return boxes[i]->mapTo(other, QPoint(0, 0)).x(); };
    auto y = [&](int i) { return boxes[i]->mapTo(other, QPoint(0, 0)).y(); };
    EXPECT_EQ(x(0), x(1));
    EXPECT_EQ(x(1), x(2));
    EXPECT_LT(y(0), y(1));
    EXPECT_LT(y(1), y(2));
    EXPECT_GT(x(3), x(2));
    EXPECT_EQ(y(3), y(0));
}

TEST_F(RibbonBarTest, TimeEditIsFoundByIdWithItsWidth) {
    TimeSpinEdit* edit = bar.addTimeEdit(other, 111, QStringLiteral("Show: "), 233);
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(bar.timeEdit(111), edit);
    EXPECT_EQ(bar.control(111), edit);
    EXPECT_EQ(bar.combo(111), nullptr);
    EXPECT_EQ(bar.button(111), nullptr);
    EXPECT_EQ(edit->width(), 233);
    EXPECT_EQ(edit->toolTip(), QStringLiteral("Show: "));
    EXPECT_EQ(edit->accessibleName(), QStringLiteral("Show"));
}

TEST_F(RibbonBarTest, TriggerActsLikeAClick) {
    QToolButton* b = bar.addButton(file, 5, QStringLiteral("Five"));
    bar.addSplitButton(file, 6, QStringLiteral("Six"), {{61, QStringLiteral("Sixty-one")}});
    QSignalSpy triggered(&bar, &RibbonBar::commandTriggered);

    EXPECT_TRUE(bar.trigger(5));
    EXPECT_TRUE(bar.trigger(6));
    EXPECT_TRUE(bar.trigger(61));
    EXPECT_EQ(ids(triggered), (QList<quint16>{5, 6, 61}));

    // A disabled control takes no click, and neither does an unknown id.
    triggered.clear();
    b->setEnabled(false);
    EXPECT_FALSE(bar.trigger(5));
    bar.menuAction(61)->setEnabled(false);
    EXPECT_FALSE(bar.trigger(61));
    EXPECT_FALSE(bar.trigger(9999));
    EXPECT_TRUE(triggered.isEmpty());
}

TEST_F(RibbonBarTest, ApplicationMenuItemsEmitOnceEvenInSubMenus) {
    auto* menu = new QMenu;
    QMenu* sub = menu->addMenu(QStringLiteral("&Sub"));
    QAction* deep = sub->addAction(QStringLiteral("Deep"));
    deep->setData(uint(300));
    menu->addSeparator();
    QAction* top = menu->addAction(QStringLiteral("Top"));
    top->setData(uint(301));
    QAction* plain = menu->addAction(QStringLiteral("No id"));
    bar.setApplicationMenu(menu);
    bar.setApplicationMenu(menu); // setting it again must not double the connections
    QSignalSpy triggered(&bar, &RibbonBar::commandTriggered);

    EXPECT_EQ(bar.applicationButton()->menu(), menu);
    EXPECT_EQ(menu->parent(), &bar);
    deep->trigger();
    top->trigger();
    plain->trigger();
    EXPECT_EQ(ids(triggered), (QList<quint16>{300, 301}));
    EXPECT_EQ(bar.menuAction(300), deep);
    EXPECT_EQ(bar.caption(301), QStringLiteral("Top"));

    // A replaced menu speaks no more.
    auto* next = new QMenu;
    next->addAction(QStringLiteral("Next"))->setData(uint(302));
    bar.setApplicationMenu(next);
    triggered.clear();
    deep->trigger();
    EXPECT_TRUE(triggered.isEmpty());
    EXPECT_EQ(bar.menuAction(300), nullptr);
    EXPECT_TRUE(bar.trigger(302));
    EXPECT_EQ(ids(triggered), QList<quint16>{302});
}

TEST_F(RibbonBarTest, TabRowButtonSitsRightOfTheTabs) {
    QToolButton* about = bar.addTabRowButton(32802, QStringLiteral("About"));
    bar.resize(800, 150);
    bar.show();
    QTest::qWait(0);
    auto* tabs = bar.findChild<QTabBar*>();
    EXPECT_EQ(about->text(), QStringLiteral("About"));
    EXPECT_EQ(about->toolTip(), QStringLiteral("About"));
    EXPECT_GT(about->mapTo(&bar, QPoint(0, 0)).x(), tabs->mapTo(&bar, QPoint(tabs->width(), 0)).x());
    EXPECT_GE(about->mapTo(&bar, QPoint(about->width(), 0)).x(), bar.width() - 12);
    EXPECT_LT(about->mapTo(&bar, QPoint(0, 0)).y(), tabs->mapTo(&bar, QPoint(0, tabs->height())).y());
    QSignalSpy triggered(&bar, &RibbonBar::commandTriggered);
    QTest::mouseClick(about, Qt::LeftButton);
    EXPECT_EQ(ids(triggered), QList<quint16>{32802});
}

} // namespace
