// The shell's commands: loading, saving, character sets, help, the dictionary and the programs
// velmora starts.
#include "app/commands/all_commands.h"
#include "app/commands/command_registry.h"
#include "app/main_frame.h"

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
         when::idle},
        {CommandId::LoadTranslated,
         "Load Translated",
         "document-import",
         {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O)},
         [f] { f->OnLoadTranslated(); },
         when::idle},
        // The face of "Save" only opens its menu.
        {CommandId::Save, "Save", "document-save", {}, nothing, {}},
        {CommandId::SaveOriginalSubtitle,
         "Save Original Subtitle",
         "",
         {},
         save(SaveKind::OriginalSubtitle),
         when::hasRows},
        {CommandId::SaveTranslatedSubtitle,
         "Save Translated Subtitle",
         "",
         {QKeySequence::Save},
         save(SaveKind::TranslatedSubtitle),
         when::hasRows},
        {CommandId::SaveMixSubtitle, "Save Mix Subtitle", "", {}, save(SaveKind::MixSubtitle), when::hasRows},
        {CommandId::SaveOriginalSubtitleAs,
         "Save Original Subtitle As...",
         "document-save-as",
         {},
         saveAs(SaveKind::OriginalSubtitle),
         when::hasRows},
        {CommandId::SaveTranslatedSubtitleAs,
         "Save Translated Subtitle As...",
         "document-save-as",
         {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S)},
         saveAs(SaveKind::TranslatedSubtitle),
         when::hasRows},
        {CommandId::SaveMixSubtitleAs,
         "Save Mix Subtitle As...",
         "document-save-as",
         {},
         saveAs(SaveKind::MixSubtitle),
         when::hasRows},
        {CommandId::SaveOriginalText,
         "Save Original Text",
         "",
         {},
         save(SaveKind::OriginalText),
         when::hasRows},
        {CommandId::SaveTranslatedText,
         "Save Translated Text",
         "",
         {},
         save(SaveKind::TranslatedText),
         when::hasRows},
        {CommandId::SaveMixText, "Save Mix Text", "", {}, save(SaveKind::MixText), when::hasRows},
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
         [f](const CommandState& s) { return when::idle(s) && f->canRedecode(Side::Original); }},
        {CommandId::ChangeTranslatedCharset,
         "Change Translated CharSet",
         "",
         {},
         [f] { f->OnChangeTranslatedCharset(); },
         [f](const CommandState& s) { return when::idle(s) && f->canRedecode(Side::Translated); }},
        {CommandId::HelpTopics,
         "Help Topics",
         "help-contents",
         {QKeySequence::HelpContents},
         [f] { f->OnHelpTopics(); },
         {}},
        {CommandId::About, "About", "help-about", {}, [f] { f->OnAbout(); }, {}},
        {CommandId::WebPage, "&Web Page", "internet-web-browser", {}, [f] { f->OnWebPage(); }, {}},
        // Not QKeySequence::Quit: some desktops bind it to nothing.
        {CommandId::Exit,
         "&Exit",
         "application-exit",
         {QKeySequence(Qt::CTRL | Qt::Key_Q)},
         [f] { f->OnExit(); },
         {}},
        {CommandId::ViewDictionary,
         "View Dictionary",
         "accessories-dictionary",
         {},
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
         {},
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

void registerHistoryCommands(CommandRegistry& commands, CMainFrame& frame) {
    CMainFrame* f = &frame;
    commands.add({CommandId::Undo,
                  "Undo",
                  "edit-undo",
                  {QKeySequence::Undo},
                  [f] { f->undo(); },
                  [](const CommandState& s) { return s.canUndo && when::idle(s); }});
    commands.add({CommandId::Redo,
                  "Redo",
                  "edit-redo",
                  {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)},
                  [f] { f->redo(); },
                  [](const CommandState& s) { return s.canRedo && when::idle(s); }});
}

void registerAllCommands(CommandRegistry& commands, CMainFrame& frame) {
    registerShellCommands(commands, frame);
    registerHistoryCommands(commands, frame);
    registerEditCommands(commands, frame);
    registerTimingCommands(commands, frame);
    registerSearchCommands(commands, frame);
    registerConvertCommands(commands, frame);
    registerTranslateCommands(commands, frame);
}
