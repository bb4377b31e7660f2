// When each command can run: the flags of its rule against the state of the document, the
// selection, the history and a job, and every registered command's rule.
#include "app/commands/command_registry.h"
#include "app/main_frame.h"
#include "subtitle/subtitle_format.h"

#include <QMap>
#include <gtest/gtest.h>

namespace {

CommandState rowsSelected(int rows, int selected) {
    CommandState s;
    s.rowCount = rows;
    s.selectedRows = selected;
    s.hasFocusedRow = selected > 0;
    s.focusedShow = QStringLiteral("00:00:01,000");
    return s;
}

TEST(CommandRules, EachFlagWaitsForItsOwnState) {
    CommandState idleUndo = rowsSelected(3, 1);
    idleUndo.canUndo = true;
    CommandState busyUndo = idleUndo;
    busyUndo.translating = true;
    CommandState held = rowsSelected(3, 1);
    held.linesHeld = true;
    CommandState sami = rowsSelected(3, 1);
    sami.formatMode = kSAMI;
    CommandState noShow = rowsSelected(3, 1);
    noShow.focusedShow.clear();
    CommandState unicodeOriginal = rowsSelected(3, 1);
    unicodeOriginal.originalRedecodes = false;
    struct Case {
        const char* what;
        EnabledWhen rule;
        CommandState state;
        bool allowed;
    };
    const Case cases[] = {
        {"undo while a job writes", When::UndoStep | When::Idle, busyUndo, false},
        {"undo", When::UndoStep | When::Idle, idleUndo, true},
        {"paste with nothing held", When::Rows | When::LinesHeld, rowsSelected(3, 1), false},
        {"paste", When::Rows | When::LinesHeld, held, true},
        {"combine one row", When::TwoSelected, rowsSelected(3, 1), false},
        {"combine two rows", When::TwoSelected, rowsSelected(3, 2), true},
        {"delete without a selection", When::Selection, rowsSelected(3, 0), false},
        {"save an empty document", When::Rows, rowsSelected(0, 0), false},
        {"a hide time in SAMI", When::HideTimeEditable, sami, false},
        {"a show time in SAMI", When::ShowTimeEditable, sami, true},
        {"a row without a show time", When::ShowTimeEditable, noShow, false},
        {"times of two rows", When::OriginalTimeRestorable, rowsSelected(3, 2), false},
        {"re-read a side read as Unicode", When::OriginalRedecodes, unicodeOriginal, false},
        {"re-read the other side", When::TranslatedRedecodes, unicodeOriginal, true},
        {"no rule", {}, busyUndo, true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(isAllowed(c.rule, c.state), c.allowed) << c.what;
}

TEST(CommandRules, EveryCommandWaitsForWhatItNeeds) {
    using C = CommandId;
    const EnabledWhen editing = When::Selection | When::Idle;
    const QMap<CommandId, EnabledWhen> rules = {
        {C::LoadOriginal, When::Idle},
        {C::LoadTranslated, When::Idle},
        {C::SaveOriginalSubtitle, When::Rows},
        {C::SaveTranslatedSubtitle, When::Rows},
        {C::SaveMixSubtitle, When::Rows},
        {C::SaveOriginalSubtitleAs, When::Rows},
        {C::SaveTranslatedSubtitleAs, When::Rows},
        {C::SaveMixSubtitleAs, When::Rows},
        {C::SaveOriginalText, When::Rows},
        {C::SaveTranslatedText, When::Rows},
        {C::SaveMixText, When::Rows},
        {C::TranslateAll, When::Rows | When::Idle},
        {C::TranslateSelected, When::Rows | When::Selection | When::Idle},
        {C::TranslateUntranslated, When::Rows | When::Idle},
        {C::TranslationEngine, When::Idle},
        {C::ChangeOriginalCharset, When::Idle | When::OriginalRedecodes},
        {C::ChangeTranslatedCharset, When::Idle | When::TranslatedRedecodes},
        {C::Undo, When::UndoStep | When::Idle},
        {C::Redo, When::RedoStep | When::Idle},
        {C::CutLine, editing},
        {C::CopyLine, When::Selection},
        {C::PasteLine, When::Rows | When::Idle | When::LinesHeld},
        {C::InsertSubtitle, When::Idle},
        {C::InsertBefore, editing},
        {C::DeleteSelected, editing},
        {C::CombineSubtitles, When::TwoSelected | When::Idle},
        {C::ShowTime, When::ShowTimeEditable | When::Idle},
        {C::HideTime, When::HideTimeEditable | When::Idle},
        {C::RestoreOriginalTime, When::OriginalTimeRestorable | When::Idle},
        {C::SetDelay, When::Rows | When::Idle},
        {C::CheckAll, When::Rows},
        {C::NextProblem, When::Rows},
        {C::PreviousProblem, When::Rows},
        {C::FixShortEntries, When::Rows | When::Idle},
        {C::FixOverlaps, When::Rows | When::Idle},
        {C::FixGaps, When::Rows | When::Idle},
        {C::ImportTmx, When::Idle},
        {C::ImportGlossary, When::Idle},
        {C::ClearGlossary, When::Idle},
    };
    // Every other command can always run: the faces that open menus, the language, preset and
    // spelling combos, the CPS column, help, search, the dictionary and the programs velmora starts.
    CMainFrame frame;
    for (CommandId id : frame.commands().ids())
        EXPECT_EQ(frame.commands().find(id)->enabledWhen, rules.value(id))
            << frame.commands().label(id).toStdString();
    for (CommandId id : rules.keys())
        EXPECT_TRUE(frame.commands().contains(id)) << quint16(id);
}

} // namespace
