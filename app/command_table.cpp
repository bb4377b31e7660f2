// The command table's data.
#include "app/command_table.h"

namespace {
constexpr CommandInfo kCommands[] = {
    {CommandId::LoadOriginal, "Load Original"},
    {CommandId::LoadTranslated, "Load Translated"},
    {CommandId::Save, "Save"},
    {CommandId::SaveOriginalSubtitle, "Save Original Subtitle"},
    {CommandId::SaveTranslatedSubtitle, "Save Translated Subtitle"},
    {CommandId::SaveMixSubtitle, "Save Mix Subtitle"},
    {CommandId::SaveOriginalText, "Save Original Text"},
    {CommandId::SaveTranslatedText, "Save Translated Text"},
    {CommandId::SaveMixText, "Save Mix Text"},
    {CommandId::StartTranslate, "Start Translate"},
    {CommandId::TranslateAll, "Translate All"},
    {CommandId::TranslateSelected, "Translate Selected"},
    {CommandId::TranslateFrom, "Translate From"},
    {CommandId::ChangeOriginalCharset, "Change Original CharSet"},
    {CommandId::ChangeTranslatedCharset, "Change Translated CharSet"},
    {CommandId::TranslateTo, "To"},
    {CommandId::HelpTopics, "Help Topics"},
    {CommandId::About, "About"},
    {CommandId::WebPage, "&Web Page"},
    {CommandId::Exit, "&Exit"},
    {CommandId::ShowTime, "Show: "},
    {CommandId::HideTime, "Hide: "},
    {CommandId::RestoreOriginalTime, "Restore Original Time"},
    {CommandId::SetDelay, "Set Delay"},
    {CommandId::CutLine, "Cut Line"},
    {CommandId::CopyLine, "Copy Line"},
    {CommandId::PasteLine, "Paste Line"},
    {CommandId::InsertSubtitle, "Insert Subtitle"},
    {CommandId::InsertBefore, "Insert Before"},
    {CommandId::DeleteSelected, "Delete Selected"},
    {CommandId::CombineSubtitles, "Combine Subtitles"},
    {CommandId::Search, "Search"},
    {CommandId::FindNext, "Find Next"},
    {CommandId::Replace, "Replace"},
    {CommandId::GoToLineNumber, "Go to Line Number"},
    {CommandId::ViewDictionary, "View Dictionary"},
    {CommandId::StudyDictionary, "Study Dictionary"},
    {CommandId::ConvertFileCodeSchema, "Convert File Code Schema"},
    {CommandId::PlaySubtitle, "Play Subtitle"},
    {CommandId::ViewVocabularyLibrary, "View Vocabulary Library"},
    {CommandId::MiniStudyVocabulary, "Mini Study Vocabulary"},
};
} // namespace

std::span<const CommandInfo> commandTable() {
    return kCommands;
}

QString commandLabel(CommandId id) {
    for (const auto& c : kCommands)
        if (c.id == id)
            return QString::fromLatin1(c.label);
    return {};
}

bool isKnownCommand(quint16 id) {
    for (const auto& c : kCommands)
        if (quint16(c.id) == id)
            return true;
    return false;
}
