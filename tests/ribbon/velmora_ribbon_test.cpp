// velmora's ribbon: tabs, groups, controls, start states and the application menu.
#include "app/command_table.h"
#include "app/main_frame.h"
#include "app/ribbon/ribbon_icons.h"
#include "app/ribbon/velmora_ribbon.h"
#include "charset/charset_table.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTabBar>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>
#include <memory>

namespace {

struct ExpectedGroup {
    int tab;
    QString caption;
    QList<quint16> ids;
};

// The layout written out independently of the builder's own table.
const QList<ExpectedGroup> kExpected = {
    {0, "File", {32771, 32773, 32808}},
    {0, "Translation", {32813, 32818, 32819, 109, 33818}},
    {0, "Help", {32797}},
    {1, "Adjust One Line", {111, 112, 114}},
    {1, "Adjust Delay", {162}},
    {2, "Edit", {119, 120, 121}},
    {2, "Subtitle", {122, 123, 124, 125}},
    {3, "Search", {115, 116, 117, 118}},
    {4, "Dictionary", {32785, 32789}},
    {4, "Memory", {32860, 32861, 32862, 32863}},
    {5, "Tools", {32792, 32815}},
    {6, "Check", {32840, 32842, 32841, 32843, 32848}},
    {6, "Fix Timing", {32844, 32845, 32846}},
    {6, "Show", {32847}},
};

QList<quint16> ids(const QSignalSpy& spy) {
    QList<quint16> result;
    for (const QList<QVariant>& args : spy)
        result.append(args.at(0).value<quint16>());
    return result;
}

// The widget of a group that a control occupies: a large button itself, or the column that a
// small control is stacked in.
QWidget* columnOf(QWidget* control, QWidget* group) {
    QWidget* w = control;
    while (w && w->parentWidget() != group)
        w = w->parentWidget();
    return w;
}

class VelmoraRibbonTest : public ::testing::Test {
protected:
    void SetUp() override {
        window = std::make_unique<QWidget>();
        // The frame's registry holds the commands' labels and images; the frame itself is not built.
        frame = std::make_unique<CMainFrame>();
        ribbon = buildVelmoraRibbon(window.get(), frame->commands());
        ribbon->resize(1280, ribbon->sizeHint().height());
    }

    void showAll() {
        window->resize(1280, 200);
        ribbon->show();
        window->show();
        QTest::qWait(0);
    }

    std::unique_ptr<CMainFrame> frame;
    std::unique_ptr<QWidget> window;
    RibbonBar* ribbon = nullptr;
};

TEST_F(VelmoraRibbonTest, TabsInOrder) {
    const QStringList expected = {"&Home",       "&Timings", "&Edit",  "&Search",
                                  "&Dictionary", "T&ools",   "Re&view"};
    ASSERT_EQ(ribbon->tabCount(), expected.size());
    for (int i = 0; i < expected.size(); ++i)
        EXPECT_EQ(ribbon->tabCaption(i), expected[i]) << i;
    EXPECT_EQ(ribbon->currentTab(), 0);
    EXPECT_EQ(ribbon->windowTitle(), QStringLiteral("The Ribbon"));
}

TEST_F(VelmoraRibbonTest, EveryTabAndTheApplicationMenuHaveAKeyOfTheirOwn) {
    QHash<QKeySequence, QString> owners;
    auto own = [&](const QKeySequence& key, const QString& owner) {
        EXPECT_FALSE(key.isEmpty()) << owner.toStdString();
        EXPECT_FALSE(owners.contains(key))
            << key.toString().toStdString() << ": " << owners.value(key).toStdString() << " and "
            << owner.toStdString();
        owners.insert(key, owner);
    };
    for (int tab = 0; tab < ribbon->tabCount(); ++tab)
        own(QKeySequence::mnemonic(ribbon->tabCaption(tab)), ribbon->tabCaption(tab));
    for (const QKeySequence& key : frame->commands().find(CommandId::ApplicationMenu)->shortcuts)
        own(key, QStringLiteral("the application menu"));
}

TEST_F(VelmoraRibbonTest, TooltipsAndMenuItemsTellTheKeys) {
    struct Case {
        CommandId id;
        const char* tooltip; // of the ribbon control; none: a menu item
        const char* menuKey;
    };
    const Case cases[] = {
        {CommandId::RestoreOriginalTime, "Restore Original Time (Ctrl+R)", nullptr},
        {CommandId::ConvertFileCodeSchema, "Convert File Code Schema (Ctrl+Shift+C)", nullptr},
        {CommandId::Toolbox, "Toolbox", nullptr},
        {CommandId::SaveMixSubtitle, nullptr, "Ctrl+M"},
        {CommandId::TranslateUntranslated, nullptr, "Ctrl+Shift+N"},
        {CommandId::HelpTopics, "Help Topics (F1)", "F1"},
    };
    for (const Case& c : cases) {
        if (c.tooltip) {
            EXPECT_EQ(ribbon->control(quint16(c.id))->toolTip(), QString::fromLatin1(c.tooltip));
        }
        if (c.menuKey) {
            QAction* action = ribbon->menuAction(quint16(c.id));
            ASSERT_NE(action, nullptr) << c.menuKey;
            EXPECT_EQ(action->shortcut().toString(), QString::fromLatin1(c.menuKey));
            // Only while the menu is open: the window's shortcut would otherwise be ambiguous.
            EXPECT_EQ(action->shortcutContext(), Qt::WidgetShortcut) << c.menuKey;
        }
    }
    EXPECT_EQ(ribbon->applicationButton()->toolTip(), QStringLiteral("Application Menu (Alt+F)"));
}

TEST_F(VelmoraRibbonTest, GroupsAndControlsInOrderWithTheirCaptions) {
    showAll();
    for (int tab = 0; tab < ribbon->tabCount(); ++tab) {
        QStringList expectedCaptions;
        for (const ExpectedGroup& g : kExpected)
            if (g.tab == tab)
                expectedCaptions.append(g.caption);
        QStringList captions;
        for (RibbonGroup* g : ribbon->groups(tab))
            captions.append(g->caption());
        EXPECT_EQ(captions, expectedCaptions) << "tab " << tab;
    }

    for (const ExpectedGroup& g : kExpected) {
        ribbon->setCurrentTab(g.tab);
        QTest::qWait(0);
        RibbonGroup* group = ribbon->group(g.tab, g.caption);
        ASSERT_NE(group, nullptr) << g.caption.toStdString();
        QWidget* previous = nullptr;
        for (quint16 id : g.ids) {
            QWidget* c = ribbon->control(id);
            ASSERT_NE(c, nullptr) << id;
            ASSERT_TRUE(group->isAncestorOf(c)) << id << " in " << g.caption.toStdString();
            const QString label = frame->commands().label(CommandId(id));
            EXPECT_FALSE(label.isEmpty()) << id;
            EXPECT_EQ(ribbon->caption(id), label) << id;
            EXPECT_TRUE(c->toolTip().startsWith(label)) << id;
            if (auto* b = qobject_cast<QToolButton*>(c)) {
                EXPECT_EQ(QString(b->text()).replace(u'\n', u' ').trimmed(), label) << id;
                EXPECT_EQ(b->toolButtonStyle(), Qt::ToolButtonTextUnderIcon) << id;
            } else {
                // Combos and time edits carry a caption label beside them.
                bool labelled = false;
                for (QLabel* l : group->findChildren<QLabel*>())
                    labelled = labelled || (l->buddy() == c && l->text() == label);
                EXPECT_TRUE(labelled) << id;
            }
            // Left to right by column, top to bottom inside a column.
            if (previous) {
                QWidget* colA = columnOf(previous, group);
                QWidget* colB = columnOf(c, group);
                if (colA == colB)
                    EXPECT_LT(previous->mapTo(group, QPoint()).y(), c->mapTo(group, QPoint()).y()) << id;
                else
                    EXPECT_LT(colA->x(), colB->x()) << id;
            }
            previous = c;
        }
    }
}

TEST_F(VelmoraRibbonTest, WidthsOfCombosAndTimeEdits) {
    const QList<QPair<quint16, int>> widths = {{32818, 250}, {33818, 150}, {32819, 250}, {109, 250}};
    for (const auto& [id, width] : widths) {
        QComboBox* box = ribbon->combo(id);
        ASSERT_NE(box, nullptr) << id;
        EXPECT_EQ(box->width(), width) << id;
        EXPECT_FALSE(box->isEditable()) << id;
    }
    for (quint16 id : {111, 112}) {
        ASSERT_NE(ribbon->timeEdit(id), nullptr) << id;
        EXPECT_EQ(ribbon->timeEdit(id)->width(), 233) << id;
    }
}

TEST_F(VelmoraRibbonTest, SplitButtonsFaceAndMenus) {
    showAll();
    // With rows loaded and one selected, every save and translate command can run.
    CommandState state;
    state.rowCount = 3;
    state.selectedRows = 1;
    frame->commands().update(state);
    const QList<QPair<quint16, QList<quint16>>> splits = {
        {32808, {32805, 32807, 32810, 32830, 32831, 32832, 32812, 32814, 108}},
        {32813, {32776, 32778, 32835}},
    };
    for (const auto& [face, menuIds] : splits) {
        QToolButton* b = ribbon->button(face);
        ASSERT_NE(b, nullptr);
        EXPECT_EQ(b->popupMode(), QToolButton::MenuButtonPopup);
        ASSERT_NE(b->menu(), nullptr);
        // Neither face has an action of its own: a click on it opens the menu, as the arrow does.
        QSignalSpy triggered(ribbon, &RibbonBar::commandTriggered);
        int shown = 0;
        const QMetaObject::Connection opened = QObject::connect(b->menu(), &QMenu::aboutToShow, [&] {
            ++shown;
            QTimer::singleShot(0, b->menu(), &QMenu::close);
        });
        QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(4, 4));
        QObject::disconnect(opened);
        EXPECT_EQ(shown, 1) << face;
        EXPECT_TRUE(ids(triggered).isEmpty()) << face;

        QList<quint16> inMenu;
        for (QAction* a : b->menu()->actions()) {
            inMenu.append(quint16(a->data().toUInt()));
            EXPECT_EQ(a->text(), frame->commands().label(CommandId(a->data().toUInt())));
        }
        EXPECT_EQ(inMenu, menuIds);

        triggered.clear();
        b->menu()->actions().last()->trigger();
        EXPECT_EQ(ids(triggered), QList<quint16>{menuIds.last()});
    }
}

TEST_F(VelmoraRibbonTest, ComboActivationEmitsItsId) {
    for (quint16 id : {32819, 109}) {
        QComboBox* box = ribbon->combo(id);
        QSignalSpy triggered(ribbon, &RibbonBar::commandTriggered);
        QTest::keyClick(box, Qt::Key_Down);
        EXPECT_EQ(box->currentText(), QStringLiteral("Simplified Chinese(GB2312)"));
        EXPECT_EQ(ids(triggered), QList<quint16>{id});
    }
}

TEST_F(VelmoraRibbonTest, CharsetCombosHoldTheTableWithAnsiSelected) {
    QStringList names;
    for (const CharsetEntry& e : charsetTable())
        names.append(QString::fromUtf16(e.displayName));
    ASSERT_EQ(names.size(), 21);
    for (quint16 id : {32819, 109}) {
        QComboBox* box = ribbon->combo(id);
        QStringList items;
        for (int i = 0; i < box->count(); ++i)
            items.append(box->itemText(i));
        EXPECT_EQ(items, names) << id;
        EXPECT_EQ(box->currentText(), QStringLiteral("America(ANSI)")) << id;
        EXPECT_EQ(box->currentIndex(), 0) << id;
    }
}

TEST_F(VelmoraRibbonTest, LanguageCombosHoldTheTableWithEnglishToFrench) {
    QComboBox* from = ribbon->combo(32818);
    QComboBox* to = ribbon->combo(33818);
    ASSERT_EQ(from->count(), 92);
    ASSERT_EQ(to->count(), 91);
    EXPECT_EQ(from->currentText(), QStringLiteral("English"));
    EXPECT_EQ(to->currentText(), QStringLiteral("French"));
    EXPECT_EQ(from->itemText(5), QStringLiteral("Afrikaans"));
    EXPECT_EQ(to->itemText(1), QStringLiteral("English"));
    EXPECT_EQ(to->findText(QStringLiteral("Detect language")), -1);
}

TEST_F(VelmoraRibbonTest, TimeControlsStartDisabled) {
    for (quint16 id : {111, 112}) {
        TimeSpinEdit* edit = ribbon->timeEdit(id);
        EXPECT_EQ(edit->text(), QStringLiteral("00:00:00,000")) << id;
        EXPECT_FALSE(edit->isEnabled()) << id;
        EXPECT_TRUE(edit->inputMask().isEmpty()) << id;
    }
    EXPECT_FALSE(ribbon->control(114)->isEnabled());
    EXPECT_FALSE(ribbon->trigger(114));
    // "Set Delay" waits for rows; every control follows its command's state.
    EXPECT_FALSE(ribbon->control(162)->isEnabled());
    CommandState state;
    state.rowCount = 2;
    frame->commands().update(state);
    EXPECT_TRUE(ribbon->control(162)->isEnabled());
    state.translating = true;
    frame->commands().update(state);
    EXPECT_FALSE(ribbon->control(162)->isEnabled());

    // The frame enables the edits later; their steps then reach it.
    TimeSpinEdit* show = ribbon->timeEdit(111);
    show->setEnabled(true);
    QSignalSpy stepped(show, &TimeSpinEdit::stepped);
    QTest::keyClick(show, Qt::Key_Up);
    EXPECT_EQ(stepped.count(), 1);
    EXPECT_EQ(show->text(), QStringLiteral("00:00:00,000"));
}

TEST_F(VelmoraRibbonTest, ApplicationMenu) {
    QMenu* menu = ribbon->applicationMenu();
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(ribbon->applicationButton()->menu(), menu);
    const QList<QAction*> top = menu->actions();
    ASSERT_EQ(top.size(), 3);
    EXPECT_EQ(top[0]->text(), QStringLiteral("&Help"));
    ASSERT_NE(top[0]->menu(), nullptr);
    EXPECT_TRUE(top[1]->isSeparator());
    EXPECT_EQ(top[2]->text(), QStringLiteral("&Exit"));
    EXPECT_EQ(top[2]->data().toUInt(), 32821u);

    const QList<QAction*> help = top[0]->menu()->actions();
    const QList<QPair<QString, uint>> expected = {
        {"H&elp Topics", 32797}, {"&Web Page", 42799}, {"&About", 32802}};
    ASSERT_EQ(help.size(), expected.size());
    for (int i = 0; i < help.size(); ++i) {
        EXPECT_EQ(help[i]->text(), expected[i].first);
        EXPECT_EQ(help[i]->data().toUInt(), expected[i].second);
    }

    QSignalSpy triggered(ribbon, &RibbonBar::commandTriggered);
    help[1]->trigger();
    top[2]->trigger();
    EXPECT_EQ(ids(triggered), (QList<quint16>{42799, 32821}));
    EXPECT_TRUE(ribbon->trigger(32821));
}

TEST_F(VelmoraRibbonTest, AboutSitsInTheTabRowNotOnAPage) {
    QToolButton* about = ribbon->button(32802);
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(about->text(), QStringLiteral("About"));
    EXPECT_FALSE(ribbon->findChild<QStackedWidget*>()->isAncestorOf(about));
    QSignalSpy triggered(ribbon, &RibbonBar::commandTriggered);
    QTest::mouseClick(about, Qt::LeftButton);
    EXPECT_EQ(ids(triggered), QList<quint16>{32802});
}

TEST_F(VelmoraRibbonTest, LargeImagesWhereTheLayoutGivesThem) {
    for (quint16 id : {32771, 32773, 32808, 32813, 32792, 32797}) {
        QToolButton* b = ribbon->button(id);
        ASSERT_NE(b, nullptr) << id;
        EXPECT_FALSE(b->icon().isNull()) << id;
        EXPECT_EQ(b->iconSize(), QSize(32, 32)) << id;
        EXPECT_GE(b->icon().actualSize(QSize(32, 32)).width(), 32) << id;
    }
}

TEST_F(VelmoraRibbonTest, EveryImageIsOursWhereTheThemeHasNoneAndSharpAtAnyDensity) {
    for (CommandId id : frame->commands().ids()) {
        const QString name = frame->commands().iconName(id);
        EXPECT_TRUE(name.isEmpty() || hasOwnDrawing(name)) << name.toStdString();
    }
    // A screen at twice the density gets twice the pixels, drawn rather than stretched.
    const QIcon icon = applicationButtonIcon();
    for (qreal ratio : {1.0, 2.0, 3.0}) {
        const QImage image = icon.pixmap(QSize(32, 32), ratio).toImage();
        EXPECT_EQ(image.size(), QSize(32, 32) * ratio) << ratio;
        EXPECT_GT(qAlpha(image.pixel(image.width() / 2, image.height() / 2)), 0) << ratio;
    }
}

TEST_F(VelmoraRibbonTest, FitsA1280ScreenWithNothingClipped) {
    showAll();
    EXPECT_LE(ribbon->minimumSizeHint().width(), 1280);
    EXPECT_LE(ribbon->height(), 180);
    for (int tab = 0; tab < ribbon->tabCount(); ++tab) {
        ribbon->setCurrentTab(tab);
        QTest::qWait(0);
        for (RibbonGroup* g : ribbon->groups(tab)) {
            for (QWidget* w : g->findChildren<QWidget*>()) {
                if (!w->isVisibleTo(ribbon) || qobject_cast<QLineEdit*>(w))
                    continue;
                if (qobject_cast<QLabel*>(w) || qobject_cast<QToolButton*>(w)) {
                    EXPECT_GE(w->width(), w->sizeHint().width()) << g->caption().toStdString();
                    EXPECT_GE(w->height(), w->sizeHint().height()) << g->caption().toStdString();
                }
            }
        }
    }
}

TEST_F(VelmoraRibbonTest, TabSelectionIsAnnounced) {
    showAll();
    QSignalSpy changed(ribbon, &RibbonBar::currentTabChanged);
    auto* tabs = ribbon->findChild<QTabBar*>();
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(1).center());
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(2).center());
    ASSERT_EQ(changed.count(), 2);
    EXPECT_EQ(ribbon->tabCaption(changed.at(0).at(0).toInt()), QStringLiteral("&Timings"));
    EXPECT_EQ(ribbon->tabCaption(changed.at(1).at(0).toInt()), QStringLiteral("&Edit"));
}

// The tab's letter is its mnemonic, the application button's is F; within a level every tip is
// there and none is another's start.
TEST_F(VelmoraRibbonTest, KeyTipsAreUniqueAtEachLevel) {
    struct Level {
        QString name;
        QStringList captions;
        QStringList tips;
    };
    QList<Level> levels = {{QStringLiteral("the tab row"), {}, {}}};
    for (int tab = 0; tab < ribbon->tabCount(); ++tab) {
        const QString caption = ribbon->tabCaption(tab);
        EXPECT_EQ(ribbon->tabKeyTip(tab),
                  QKeySequence::mnemonic(caption).toString().remove(QStringLiteral("Alt+")));
        levels[0].captions.append(QString(caption).remove(u'&'));
        levels[0].tips.append(ribbon->tabKeyTip(tab));
        Level page{caption, {}, {}};
        for (QWidget* w : ribbon->pageControls(tab)) {
            page.captions.append(ribbon->caption(RibbonBar::commandIdOf(w)));
            page.tips.append(ribbon->keyTip(RibbonBar::commandIdOf(w)));
        }
        levels.append(page);
    }
    EXPECT_EQ(ribbon->applicationKeyTip(), QStringLiteral("F"));
    levels[0].captions.append(QStringLiteral("File"));
    levels[0].tips.append(ribbon->applicationKeyTip());
    for (QWidget* w : ribbon->tabRowControls()) {
        levels[0].captions.append(ribbon->caption(RibbonBar::commandIdOf(w)));
        levels[0].tips.append(ribbon->keyTip(RibbonBar::commandIdOf(w)));
    }
    for (const Level& level : levels) {
        SCOPED_TRACE(level.name.toStdString());
        for (int i = 0; i < level.tips.size(); ++i) {
            SCOPED_TRACE(level.captions[i].toStdString());
            ASSERT_FALSE(level.tips[i].isEmpty());
            for (int j = 0; j < level.tips.size(); ++j)
                EXPECT_TRUE(i == j || !level.tips[j].startsWith(level.tips[i]))
                    << level.tips[j].toStdString();
        }
    }
}

// Alt, the tab's letter and the command's letters run every command the ribbon shows: a button
// sends its command, a split button opens its menu, a box takes the focus and a combo opens.
TEST_F(VelmoraRibbonTest, EveryCommandOnTheRibbonRunsFromItsKeyTips) {
    showAll();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    QSignalSpy triggered(ribbon, &RibbonBar::commandTriggered);
    auto press = [&](Qt::Key key) {
        QWidget* focus = QApplication::focusWidget();
        QTest::keyClick(focus ? focus : window.get(), key);
    };
    auto type = [&](const QString& letters) {
        for (QChar c : letters)
            press(Qt::Key(c.unicode()));
    };
    qsizetype shown = ribbon->tabRowControls().size();
    for (int tab = 0; tab < ribbon->tabCount(); ++tab)
        shown += ribbon->pageControls(tab).size();
    int reached = 0;
    for (CommandId id : frame->commands().ids()) {
        QWidget* control = ribbon->control(quint16(id));
        if (!control)
            continue;
        SCOPED_TRACE(frame->commands().label(id).toStdString());
        ++reached;
        // What an empty document leaves greyed runs all the same once it can.
        control->setEnabled(true);
        triggered.clear();
        press(Qt::Key_Alt);
        ASSERT_TRUE(ribbon->keyTipsShown());
        if (const int tab = ribbon->tabOf(quint16(id)); tab >= 0)
            type(ribbon->tabKeyTip(tab));
        type(ribbon->keyTip(quint16(id)));
        EXPECT_FALSE(ribbon->keyTipsShown());
        auto* button = qobject_cast<QToolButton*>(control);
        if (auto* box = qobject_cast<QComboBox*>(control)) {
            // The lists the frame fills later are empty here and have nothing to open.
            EXPECT_EQ(box->view()->isVisible(), box->count() > 0);
            box->hidePopup();
            EXPECT_EQ(QApplication::focusWidget(), box);
        } else if (qobject_cast<TimeSpinEdit*>(control)) {
            EXPECT_EQ(QApplication::focusWidget(), control);
        } else if (button && button->menu()) {
            EXPECT_TRUE(button->menu()->isVisible());
            button->menu()->hide();
        } else {
            EXPECT_EQ(ids(triggered), QList<quint16>{quint16(id)});
        }
        if (control->hasFocus())
            press(Qt::Key_Escape);
        EXPECT_FALSE(control->hasFocus());
    }
    EXPECT_EQ(reached, shown);

    press(Qt::Key_Alt);
    type(ribbon->applicationKeyTip());
    EXPECT_TRUE(ribbon->applicationMenu()->isVisible());
    ribbon->applicationMenu()->hide();
}

} // namespace
