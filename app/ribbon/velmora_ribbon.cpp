// velmora's ribbon: the layout table turned into tabs, groups and controls.
#include "app/ribbon/velmora_ribbon.h"

#include "app/command_table.h"
#include "app/commands/command_registry.h"
#include "app/ribbon/ribbon_icons.h"
#include "charset/charset_table.h"
#include "translate/language_table.h"

#include <QApplication>
#include <QComboBox>
#include <QMenu>
#include <QProxyStyle>
#include <QToolButton>

namespace {

constexpr int kEngineWidth = 200;
constexpr int kLanguageFromWidth = 250;
constexpr int kLanguageToWidth = 150;
constexpr int kCharsetWidth = 250;
constexpr int kTimeEditWidth = 233;
constexpr int kPresetWidth = 170;
constexpr int kSpellingWidth = 120;
const QString kStartTime = QStringLiteral("00:00:00,000");

enum class Kind { Button, Split, Combo, TimeEdit };

struct ControlEntry {
    CommandId id;
    Kind kind;
    int width = 0; // combos and time edits
    // What a split button's arrow opens.
    std::initializer_list<CommandId> menu = {};
};

struct GroupEntry {
    const char* caption;
    std::initializer_list<ControlEntry> controls;
};

struct TabEntry {
    const char* caption;
    std::initializer_list<GroupEntry> groups;
};

// The ribbon's layout: tabs, groups and controls in the order they appear.
const TabEntry kLayout[] = {
    {"&Home",
     {
         {kGroupFile,
          {{CommandId::LoadOriginal, Kind::Button},
           {CommandId::LoadTranslated, Kind::Button},
           {CommandId::Save,
            Kind::Split,
            0,
            {CommandId::SaveOriginalSubtitle, CommandId::SaveTranslatedSubtitle, CommandId::SaveMixSubtitle,
             CommandId::SaveOriginalSubtitleAs, CommandId::SaveTranslatedSubtitleAs,
             CommandId::SaveMixSubtitleAs, CommandId::SaveOriginalText, CommandId::SaveTranslatedText,
             CommandId::SaveMixText}}}},
         {kGroupTranslation,
          {{CommandId::StartTranslate,
            Kind::Split,
            0,
            {CommandId::TranslateAll, CommandId::TranslateSelected, CommandId::TranslateUntranslated}},
           {CommandId::TranslationEngine, Kind::Combo, kEngineWidth},
           {CommandId::TranslateFrom, Kind::Combo, kLanguageFromWidth},
           {CommandId::ChangeOriginalCharset, Kind::Combo, kCharsetWidth},
           {CommandId::ChangeTranslatedCharset, Kind::Combo, kCharsetWidth},
           {CommandId::TranslateTo, Kind::Combo, kLanguageToWidth}}},
         {kGroupHelp, {{CommandId::HelpTopics, Kind::Button}}},
     }},
    {"&Timings",
     {
         {"Adjust One Line",
          {{CommandId::ShowTime, Kind::TimeEdit, kTimeEditWidth},
           {CommandId::HideTime, Kind::TimeEdit, kTimeEditWidth},
           {CommandId::RestoreOriginalTime, Kind::Button}}},
         {"Adjust Delay", {{CommandId::SetDelay, Kind::Button}}},
     }},
    {"&Edit",
     {
         {"Edit",
          {{CommandId::CutLine, Kind::Button},
           {CommandId::CopyLine, Kind::Button},
           {CommandId::PasteLine, Kind::Button}}},
         {"Subtitle",
          {{CommandId::InsertSubtitle, Kind::Button},
           {CommandId::InsertBefore, Kind::Button},
           {CommandId::DeleteSelected, Kind::Button},
           {CommandId::CombineSubtitles, Kind::Button}}},
     }},
    {"&Search",
     {
         {"Search",
          {{CommandId::Search, Kind::Button},
           {CommandId::FindNext, Kind::Button},
           {CommandId::Replace, Kind::Button},
           {CommandId::GoToLineNumber, Kind::Button}}},
     }},
    {"&Dictionary",
     {
         {kGroupDictionary,
          {{CommandId::ViewDictionary, Kind::Button},
           {CommandId::StudyDictionary, Kind::Button},
           {CommandId::Toolbox, Kind::Button}}},
         {kGroupMemory,
          {{CommandId::ImportTmx, Kind::Button},
           {CommandId::ExportTmx, Kind::Button},
           {CommandId::ImportGlossary, Kind::Button},
           {CommandId::ClearGlossary, Kind::Button}}},
     }},
    {"T&ools",
     {
         {kGroupTools,
          {{CommandId::ConvertFileCodeSchema, Kind::Button},
           {CommandId::PlaySubtitle, Kind::Button},
           {CommandId::TranslationServices, Kind::Button}}},
     }},
    {"Re&view",
     {
         {"Check",
          {{CommandId::CheckAll, Kind::Button},
           {CommandId::PreviousProblem, Kind::Button},
           {CommandId::NextProblem, Kind::Button},
           {CommandId::ReviewPreset, Kind::Combo, kPresetWidth},
           {CommandId::SpellingLanguage, Kind::Combo, kSpellingWidth}}},
         {"Fix Timing",
          {{CommandId::FixShortEntries, Kind::Button},
           {CommandId::FixOverlaps, Kind::Button},
           {CommandId::FixGaps, Kind::Button}}},
         {"Show", {{CommandId::ShowCpsColumn, Kind::Button}}},
     }},
};

// The application menu: a sub-menu of the help commands, a separator, "&Exit".
struct MenuEntry {
    CommandId id;
    const char* subMenu = nullptr; // a sub-menu of these commands instead of one command
    std::initializer_list<CommandId> items = {};
};
constexpr CommandId kSeparator = CommandId(0);
const MenuEntry kApplicationMenu[] = {
    {CommandId::HelpTopics, "&Help", {CommandId::HelpTopics, CommandId::WebPage, CommandId::About}},
    {kSeparator},
    {CommandId::Exit},
};

QList<QPair<quint16, QString>> menuOf(const CommandRegistry& commands, std::initializer_list<CommandId> ids) {
    QList<QPair<quint16, QString>> items;
    for (CommandId id : ids)
        items.append({quint16(id), commands.menuText(id)});
    return items;
}

QIcon iconOf(const CommandRegistry& commands, CommandId id) {
    const QString name = commands.iconName(id);
    return name.isEmpty() ? QIcon() : commandIcon(name);
}

// The application menu shows its images at the large size of the ribbon's buttons.
class LargeMenuImages : public QProxyStyle {
public:
    int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override {
        if (metric == PM_SmallIconSize)
            return 32;
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
};

void addMenuCommand(const CommandRegistry& commands, QMenu* menu, CommandId id) {
    QAction* action = menu->addAction(iconOf(commands, id), commands.menuText(id));
    action->setData(uint(quint16(id)));
}

void useLargeImages(QMenu* menu) {
    auto* style = new LargeMenuImages;
    style->setParent(menu);
    menu->setStyle(style);
}

QMenu* buildApplicationMenu(const CommandRegistry& commands, QWidget* parent) {
    auto* menu = new QMenu(parent);
    menu->setObjectName(QStringLiteral("ribbonApplicationMenu"));
    useLargeImages(menu);
    for (const MenuEntry& entry : kApplicationMenu) {
        if (entry.id == kSeparator) {
            menu->addSeparator();
        } else if (entry.subMenu) {
            // The sub-menu shows the image of its first command.
            QMenu* sub = menu->addMenu(iconOf(commands, entry.id), QString::fromLatin1(entry.subMenu));
            useLargeImages(sub);
            for (CommandId id : entry.items)
                addMenuCommand(commands, sub, id);
        } else {
            addMenuCommand(commands, menu, entry.id);
        }
    }
    return menu;
}

void fillLanguages(QComboBox* box, const QStringList& names, const char16_t* selected) {
    box->addItems(names);
    box->setCurrentIndex(box->findText(QString::fromUtf16(selected), Qt::MatchExactly));
}

void fillCharsets(QComboBox* box) {
    for (const CharsetEntry& entry : charsetTable())
        box->addItem(QString::fromUtf16(entry.displayName));
    box->setCurrentIndex(box->findText(QString::fromUtf16(kDefaultCharsetName), Qt::MatchExactly));
}

// Every control and menu item of a command takes the registry's enabled state, now and later.
void followEnabledStates(RibbonBar* ribbon, CommandRegistry& commands) {
    auto apply = [ribbon](CommandId id, bool enabled) {
        if (QWidget* control = ribbon->control(quint16(id)))
            control->setEnabled(enabled);
        if (QAction* action = ribbon->menuAction(quint16(id)))
            action->setEnabled(enabled);
    };
    for (CommandId id : commands.ids())
        apply(id, commands.isEnabled(id));
    QObject::connect(&commands, &CommandRegistry::enabledChanged, ribbon, apply);
}

// A command's keys as the desktop writes them, "" when it has none.
QString keysOf(const CommandRegistry& commands, CommandId id) {
    const CommandSpec* command = commands.find(id);
    if (!command)
        return {};
    QStringList keys;
    for (const QKeySequence& key : command->shortcuts)
        keys.append(key.toString(QKeySequence::NativeText));
    return keys.join(QStringLiteral(", "));
}

// Tooltips and menu items tell the keys the registry gives a command, so that they can be learnt
// where the command is found. A menu item's key acts only while its menu is open: the window's own
// shortcut serves the rest of the time, and two window shortcuts for one key would cancel out.
void showKeys(RibbonBar* ribbon, const CommandRegistry& commands) {
    for (CommandId id : commands.ids()) {
        const CommandSpec* command = commands.find(id);
        if (command->shortcuts.isEmpty())
            continue;
        if (QWidget* control = ribbon->control(quint16(id)))
            control->setToolTip(tooltipWithKeys(commands, id, ribbon->caption(quint16(id))));
        if (QAction* action = ribbon->menuAction(quint16(id))) {
            action->setShortcuts(command->shortcuts);
            action->setShortcutContext(Qt::WidgetShortcut);
        }
    }
}

} // namespace

QString tooltipWithKeys(const CommandRegistry& commands, CommandId id, const QString& text) {
    const QString keys = keysOf(commands, id);
    return keys.isEmpty() ? text : QStringLiteral("%1 (%2)").arg(text, keys);
}

RibbonBar* buildVelmoraRibbon(QWidget* parent, CommandRegistry& commands) {
    auto* ribbon = new RibbonBar(parent);
    ribbon->setObjectName(QStringLiteral("theRibbon"));
    ribbon->setWindowTitle(QStringLiteral("The Ribbon"));
    QToolButton* appButton = ribbon->applicationButton();
    appButton->setIcon(applicationButtonIcon());
    // The button shows only an image: a screen reader needs its name.
    appButton->setAccessibleName(commands.label(CommandId::ApplicationMenu));
    appButton->setToolTip(
        tooltipWithKeys(commands, CommandId::ApplicationMenu, commands.label(CommandId::ApplicationMenu)));

    for (const TabEntry& tabEntry : kLayout) {
        const int tab = ribbon->addTab(QString::fromLatin1(tabEntry.caption));
        for (const GroupEntry& groupEntry : tabEntry.groups) {
            RibbonGroup* group = ribbon->addGroup(tab, QString::fromLatin1(groupEntry.caption));
            for (const ControlEntry& c : groupEntry.controls) {
                const quint16 id = quint16(c.id);
                const QString label = commands.label(c.id);
                switch (c.kind) {
                case Kind::Button:
                    ribbon->addButton(group, id, label, iconOf(commands, c.id));
                    break;
                case Kind::Split:
                    // "Save" and "Start Translate" do nothing of their own: their faces open the
                    // menus, which a click on the big button is plainly meant for.
                    ribbon->addSplitButton(group, id, label, menuOf(commands, c.menu), iconOf(commands, c.id),
                                           RibbonBar::SplitFace::OpensMenu);
                    break;
                case Kind::Combo:
                    ribbon->addCombo(group, id, label, c.width);
                    break;
                case Kind::TimeEdit:
                    ribbon->addTimeEdit(group, id, label, c.width);
                    break;
                }
            }
        }
    }

    fillLanguages(ribbon->combo(quint16(CommandId::TranslateFrom)), translateFromNames(),
                  kDefaultFromLanguage);
    fillLanguages(ribbon->combo(quint16(CommandId::TranslateTo)), translateToNames(), kDefaultToLanguage);
    fillCharsets(ribbon->combo(quint16(CommandId::ChangeOriginalCharset)));
    fillCharsets(ribbon->combo(quint16(CommandId::ChangeTranslatedCharset)));

    for (CommandId id : {CommandId::ShowTime, CommandId::HideTime})
        ribbon->timeEdit(quint16(id))->setText(kStartTime);

    QToolButton* about = ribbon->addTabRowButton(quint16(CommandId::About), commands.label(CommandId::About));
    about->setIcon(iconOf(commands, CommandId::About));
    about->setIconSize(QSize(16, 16));
    for (CommandId id : {CommandId::Undo, CommandId::Redo})
        if (commands.contains(id))
            ribbon->addQuickAccessButton(quint16(id), commands.label(id), iconOf(commands, id));

    ribbon->setApplicationMenu(buildApplicationMenu(commands, ribbon));
    followEnabledStates(ribbon, commands);
    showKeys(ribbon, commands);
    return ribbon;
}
