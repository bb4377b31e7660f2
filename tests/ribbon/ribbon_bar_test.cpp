// The ribbon widget layer: time edits, tabs, split buttons, combos, menus and trigger.
#include "app/ribbon/ribbon_bar.h"
#include "app/ribbon/ribbon_keys.h"
#include "subtitle/mapping_text.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QSignalSpy>
#include <QTabBar>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>
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

// The desktop may switch its theme while velmora runs: the pages and their captions follow. (The
// application's palette reaches widgets only once its event loop runs, so the bar's is set here.)
TEST_F(RibbonBarTest, PagesAndCaptionsFollowAPaletteChangeAndStayReadable) {
    const QPalette before = bar.palette();
    struct Theme {
        const char* name;
        QColor base, text;
    };
    for (const Theme& theme : {Theme{"dark", QColor(0x23, 0x26, 0x29), QColor(0xEF, 0xF0, 0xF1)},
                               Theme{"light", QColor(Qt::white), QColor(Qt::black)}}) {
        QPalette pal = before;
        pal.setColor(QPalette::Base, theme.base);
        pal.setColor(QPalette::WindowText, theme.text);
        pal.setColor(QPalette::Text, theme.text);
        bar.setPalette(pal);
        const QWidget* pages = bar.findChild<QWidget*>(QStringLiteral("ribbonPages"));
        ASSERT_NE(pages, nullptr);
        const QColor page = pages->palette().color(QPalette::Window);
        EXPECT_EQ(page, theme.base) << theme.name;
        const QList<QLabel*> captions = bar.findChildren<QLabel*>(QStringLiteral("ribbonGroupCaption"));
        ASSERT_EQ(captions.size(), 2);
        for (const QLabel* caption : captions)
            EXPECT_GE(contrastRatio(caption->palette().color(QPalette::WindowText).rgb() & 0xFFFFFFu,
                                    page.rgb() & 0xFFFFFFu),
                      4.5)
                << theme.name << ' ' << caption->text().toStdString();
    }
}

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

// ---------------------------------------------------------------- keyboard

// No tip is another's start and none starts with a letter the level keeps for itself.
void expectReachable(const QStringList& captions, const QStringList& tips, const QString& taken) {
    ASSERT_EQ(tips.size(), captions.size());
    for (int i = 0; i < tips.size(); ++i) {
        SCOPED_TRACE(captions[i].toStdString());
        ASSERT_FALSE(tips[i].isEmpty());
        EXPECT_FALSE(taken.contains(tips[i][0]));
        for (int j = 0; j < tips.size(); ++j)
            EXPECT_TRUE(i == j || !tips[j].startsWith(tips[i]))
                << tips[i].toStdString() << " / " << tips[j].toStdString();
    }
}

TEST(KeyTips, EachTakesTheFirstFreeLetterOfItsCaptionOrTwoLetters) {
    const QString crowded = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ");
    struct Case {
        const char* name;
        QStringList captions;
        QString taken;
        QStringList tips; // the first ones
    };
    const Case cases[] = {
        {"none of its letters left: the first free one", {"Ab", "A", "B", "A"}, "", {"A", "C", "B", "D"}},
        {"more controls than letters: all take two", QStringList(27, crowded), "", {"AA", "AB", "AC"}},
        {"the level's own letters are passed over", {"Help", "File", "Hide"}, "HF", {"E", "I", "D"}},
        {"first free letter", {"Save", "Search", "Set", "Sort"}, "", {"S", "E", "T", "O"}},
        {"a caption without letters", {"go to 2nd line", "..."}, "", {"G", "A"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QStringList tips = assignKeyTips(c.captions, c.taken);
        EXPECT_EQ(tips.mid(0, c.tips.size()), c.tips);
        expectReachable(c.captions, tips, c.taken);
    }
}

// A ribbon in a window with a field that holds the focus, as the grid does in velmora.
class RibbonKeysTest : public ::testing::Test {
protected:
    void SetUp() override {
        auto* layout = new QVBoxLayout(&window);
        bar = new RibbonBar(&window);
        field = new QLineEdit(&window);
        layout->addWidget(bar);
        layout->addWidget(field);
        const int home = bar->addTab(QStringLiteral("&Home"));
        const int view = bar->addTab(QStringLiteral("&View"));
        RibbonGroup* file = bar->addGroup(home, QStringLiteral("File"));
        bar->addButton(file, 1, QStringLiteral("Load"));
        bar->addSplitButton(file, 2, QStringLiteral("Save"), {{21, QStringLiteral("Save One")}}, {},
                            RibbonBar::SplitFace::OpensMenu);
        RibbonGroup* boxes = bar->addGroup(home, QStringLiteral("Boxes"));
        bar->addCombo(boxes, 3, QStringLiteral("Pick"), 120)
            ->addItems({QStringLiteral("a"), QStringLiteral("b")});
        bar->addTimeEdit(boxes, 4, QStringLiteral("Show: "), 140);
        bar->addButton(boxes, 5, QStringLiteral("Spare"))->setEnabled(false);
        // More than there are letters: two letters each, AA to AZ, then BA.
        RibbonGroup* crowd = bar->addGroup(view, QStringLiteral("Crowd"));
        for (quint16 id = 10; id < 37; ++id)
            bar->addButton(crowd, id, QStringLiteral("A"));
        bar->addQuickAccessButton(7, QStringLiteral("Undo"), {});
        window.resize(900, 260);
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        field->setFocus();
    }

    // A key where a user's key goes: to the focus widget, or to the window when none has it.
    void type(const QString& keys) {
        for (const QString& key : keys.split(u' ', Qt::SkipEmptyParts)) {
            QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : &window;
            if (QWidget* popup = QApplication::activePopupWidget())
                target = popup;
            QTest::keyClick(target, key == u"Alt" ? Qt::Key_Alt : QKeySequence(key)[0].key());
        }
    }

    QWidget* focused() const { return QApplication::focusWidget(); }
    QStringList badges() const {
        QStringList shown;
        for (QLabel* label : bar->findChildren<QLabel*>(QStringLiteral("ribbonKeyTip")))
            if (label->isVisible())
                shown.append(label->text());
        shown.sort();
        return shown;
    }
    void TearDown() override {
        if (QWidget* popup = QApplication::activePopupWidget())
            popup->close();
    }

    QWidget window;
    RibbonBar* bar = nullptr;
    QLineEdit* field = nullptr;
};

TEST_F(RibbonKeysTest, TipsRunTheirControlsAndEscapeStepsBack) {
    enum Then { Off, TabTips, PageTips };
    struct Case {
        const char* name;
        const char* keys;
        Then then;
        QStringList badges;
        QList<quint16> ran;
        quint16 focus = 0; // the control holding the focus, 0: the field
        bool menu = false; // Save's menu is open
        bool list = false; // Pick's list is open
    };
    const Case cases[] = {
        {"two letters narrow as they are typed", "Alt V B", PageTips, {"BA"}, {}},
        {"the second letter runs", "Alt V A C", Off, {}, {12}},
        {"Escape steps back a level", "Alt H Esc", TabTips, {"F", "H", "U", "V"}, {}},
        {"then leaves", "Alt H Esc Esc", Off, {}, {}},
        {"Alt leaves as it came", "Alt Alt", Off, {}, {}},
        {"F10 comes in too", "F10", TabTips, {"F", "H", "U", "V"}, {}},
        {"a key that matches nothing leaves", "Alt H Q", Off, {}, {}},
        {"a button's tip runs it", "F10 H L", Off, {}, {1}},
        {"a disabled one does not", "Alt H A", PageTips, {"A", "H", "L", "P", "S"}, {}},
        {"a tab-row button's tip runs it", "Alt U", Off, {}, {7}},
        {"a split button's tip opens its menu", "Alt H S", Off, {}, {}, 0, true},
        {"a combo's tip focuses it and opens its list", "Alt H P", Off, {}, {}, 3, false, true},
        {"a time box's tip focuses it", "Alt H H", Off, {}, {}, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QSignalSpy triggered(bar, &RibbonBar::commandTriggered);
        type(QString::fromLatin1(c.keys));
        EXPECT_EQ(bar->keyTipsShown(), c.then != Off);
        EXPECT_EQ(badges(), c.badges);
        EXPECT_EQ(ids(triggered), c.ran);
        EXPECT_EQ(bar->button(2)->menu()->isVisible(), c.menu);
        EXPECT_EQ(bar->combo(3)->view()->isVisible(), c.list);
        bar->button(2)->menu()->hide();
        bar->combo(3)->hidePopup();
        EXPECT_EQ(focused(), c.focus ? bar->control(c.focus) : field);
        for (int i = 0; i < 3 && bar->keyTipsShown(); ++i)
            type(QStringLiteral("Esc"));
        if (focused() != field)
            type(QStringLiteral("Esc"));
        EXPECT_EQ(focused(), field);
        bar->setCurrentTab(0);
    }
}

TEST_F(RibbonKeysTest, AltWithALetterOrAClickShowsNoTips) {
    // Alt goes down, V selects its tab, Alt comes up.
    QTest::keyClick(field, Qt::Key_V, Qt::AltModifier);
    EXPECT_EQ(bar->currentTab(), 1);
    EXPECT_FALSE(bar->keyTipsShown());

    type(QStringLiteral("Alt"));
    ASSERT_TRUE(bar->keyTipsShown());
    QTest::mouseClick(field, Qt::LeftButton);
    EXPECT_FALSE(bar->keyTipsShown());
    EXPECT_TRUE(badges().isEmpty());
}

TEST_F(RibbonKeysTest, ArrowsWalkTabsAndControlsAndEnterRuns) {
    struct Case {
        const char* name;
        const char* keys;
        QList<quint16> ran;
        quint16 focus; // 0: the field; 1000: the tabs
        int tab;
        bool menu = false;
    };
    const Case cases[] = {
        {"Enter runs the focused button where the focus was", "F10 Down Return", {1}, 0, 0},
        {"Space too", "Alt Down Space", {1}, 0, 0},
        {"Left and Right walk the tabs", "F10 Right", {}, 1000, 1},
        {"round at the end", "F10 Right Right", {}, 1000, 0},
        {"Down enters the page", "F10 Right Down Right Return", {11}, 0, 1},
        {"Right walks the controls, past a disabled one and round",
         "F10 Down Right Right Right Right",
         {},
         1,
         0},
        {"Down goes below in a column", "F10 Down Right Right Down", {}, 4, 0},
        {"Up from the top goes back to the tabs", "F10 Down Up", {}, 1000, 0},
        {"Down on a split button opens its menu", "F10 Down Right Down", {}, 2, 0, true},
        {"Escape returns the focus", "F10 Down Right Esc", {}, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QSignalSpy triggered(bar, &RibbonBar::commandTriggered);
        type(QString::fromLatin1(c.keys));
        EXPECT_EQ(ids(triggered), c.ran);
        QWidget* expected = c.focus == 1000 ? bar->tabBar() : c.focus ? bar->control(c.focus) : field;
        EXPECT_EQ(focused(), expected);
        EXPECT_EQ(bar->currentTab(), c.tab);
        EXPECT_EQ(bar->button(2)->menu()->isVisible(), c.menu);
        bar->button(2)->menu()->hide();
        type(QStringLiteral("Esc"));
        EXPECT_EQ(focused(), field);
        bar->setCurrentTab(0);
    }
}

} // namespace
