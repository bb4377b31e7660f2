// The frame's own commands: loading, saving, character sets, help, the dictionary and the programs
// velmora starts; and where every feature's commands are registered.
#include "app/commands/all_commands.h"
#include "app/commands/command_registry.h"
#include "app/main_frame.h"
#include "app/ribbon/ribbon_bar.h"

void registerShellCommands(CommandRegistry& commands, CMainFrame& frame) {
    CMainFrame* f = &frame;
    auto save = [f](SaveKind kind) { return [f, kind] { f->saveDocument(kind); }; };
    auto saveAs = [f](SaveKind kind) { return [f, kind] { f->saveDocumentAs(kind); }; };
    auto nothing = [] {};
    const QList<CommandSpec> rows = {
        {CommandId::LoadOriginal,
         "Load Original",
         "document-open",
         {QKeySequence::Open},
         [f] { f->OnLoadOriginal(); },
         When::Idle},
        {CommandId::LoadTranslated,
         "Load Translated",
         "document-import",
         {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O)},
         [f] { f->OnLoadTranslated(); },
         When::Idle},
        // The face of "Save" only opens its menu.
        {CommandId::Save, "Save", "document-save", {}, nothing, {}},
        {CommandId::SaveOriginalSubtitle,
         "Save Original Subtitle",
         "",
         {QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_S)},
         save(SaveKind::OriginalSubtitle),
         When::Rows},
        {CommandId::SaveTranslatedSubtitle,
         "Save Translated Subtitle",
         "",
         {QKeySequence::Save},
         save(SaveKind::TranslatedSubtitle),
         When::Rows},
        {CommandId::SaveMixSubtitle,
         "Save Mix Subtitle",
         "",
         {QKeySequence(Qt::CTRL | Qt::Key_M)},
         save(SaveKind::MixSubtitle),
         When::Rows},
        {CommandId::SaveOriginalSubtitleAs,
         "Save Original Subtitle As...",
         "document-save-as",
         {QKeySequence(Qt::CTRL | Qt::ALT | Qt::SHIFT | Qt::Key_S)},
         saveAs(SaveKind::OriginalSubtitle),
         When::Rows},
        {CommandId::SaveTranslatedSubtitleAs,
         "Save Translated Subtitle As...",
         "document-save-as",
         {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S)},
         saveAs(SaveKind::TranslatedSubtitle),
         When::Rows},
        {CommandId::SaveMixSubtitleAs,
         "Save Mix Subtitle As...",
         "document-save-as",
         {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_M)},
         saveAs(SaveKind::MixSubtitle),
         When::Rows},
        {CommandId::SaveOriginalText,
         "Save Original Text",
         "",
         {QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_E)},
         save(SaveKind::OriginalText),
         When::Rows},
        {CommandId::SaveTranslatedText,
         "Save Translated Text",
         "",
         {QKeySequence(Qt::CTRL | Qt::Key_E)},
         save(SaveKind::TranslatedText),
         When::Rows},
        {CommandId::SaveMixText,
         "Save Mix Text",
         "",
         {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_E)},
         save(SaveKind::MixText),
         When::Rows},
        {CommandId::StartTranslate, "Start Translate", "preferences-desktop-locale", {}, nothing, {}},
        // The language combos are read when a job starts.
        {CommandId::TranslateFrom, "Translate From", "", {}, nothing, {}},
        {CommandId::TranslateTo, "To", "", {}, nothing, {}},
        // A side read as Unicode has no bytes another character set could read: its box says so.
        {CommandId::ChangeOriginalCharset,
         "Change Original CharSet",
         "",
         {},
         [f] { f->OnChangeOriginalCharset(); },
         When::Idle | When::OriginalRedecodes},
        {CommandId::ChangeTranslatedCharset,
         "Change Translated CharSet",
         "",
         {},
         [f] { f->OnChangeTranslatedCharset(); },
         When::Idle | When::TranslatedRedecodes},
        {CommandId::HelpTopics,
         "Help Topics",
         "help-contents",
         {QKeySequence::HelpContents},
         [f] { f->OnHelpTopics(); },
         {},
         "H&elp Topics"},
        {CommandId::About, "About", "help-about", {}, [f] { f->OnAbout(); }, {}, "&About"},
        {CommandId::WebPage, "&Web Page", "internet-web-browser", {}, [f] { f->OnWebPage(); }, {}},
        // Not QKeySequence::Quit: some desktops bind it to nothing.
        {CommandId::Exit,
         "&Exit",
         "application-exit",
         {QKeySequence(Qt::CTRL | Qt::Key_Q)},
         [f] { f->OnExit(); },
         {}},
        // The menu behind the application button, for those who do not reach for the mouse.
        {CommandId::ApplicationMenu,
         "Application Menu",
         "",
         {QKeySequence(Qt::ALT | Qt::Key_F)},
         [f] {
             if (RibbonBar* ribbon = f->ribbon())
                 ribbon->popupApplicationMenu();
         },
         {}},
        {CommandId::ViewDictionary,
         "View Dictionary",
         "accessories-dictionary",
         {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_D)},
         [f] { f->OnViewDictionary(); },
         {}},
        {CommandId::Toolbox, "Toolbox", "view-sidetree", {}, [f] { f->toggleToolbox(); }, {}},
        {CommandId::StudyDictionary,
         "Study Dictionary",
         "applications-education",
         {},
         [f] { f->OnStudyDictionary(); },
         {}},
        {CommandId::PlaySubtitle,
         "Play Subtitle",
         "media-playback-start",
         {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_P)},
         [f] { f->OnPlaySubtitle(); },
         {}},
        {CommandId::ViewVocabularyLibrary,
         "View Vocabulary Library",
         "",
         {},
         [f] { f->OnViewVocabularyLibrary(); },
         {}},
        {CommandId::MiniStudyVocabulary,
         "Mini Study Vocabulary",
         "",
         {},
         [f] { f->OnMiniStudyVocabulary(); },
         {}},
    };
    for (const CommandSpec& row : rows)
        commands.add(row);
}

void registerAllCommands(CommandRegistry& commands, CMainFrame& frame) {
    registerShellCommands(commands, frame);
    CommandContext& context = frame;
    registerHistoryCommands(commands, context);
    registerEditCommands(commands, context);
    registerTimingCommands(commands, context);
    registerSearchCommands(commands, context);
    registerConvertCommands(commands, context);
    registerTranslateCommands(commands, context);
    registerReviewCommands(commands, context);
    registerMemoryCommands(commands, context);
}
