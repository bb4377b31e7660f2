// The line operations: cut, copy and paste lines, insert, delete and combine entries.
#include "app/commands/all_commands.h"
#include "app/commands/command_context.h"
#include "app/commands/command_registry.h"
#include "edit/line_operations.h"

void registerEditCommands(CommandRegistry& commands, CommandContext& context) {
    CommandContext* c = &context;
    const QList<CommandSpec> rows = {
        {CommandId::CutLine,
         "Cut Line",
         "edit-cut",
         {QKeySequence(Qt::CTRL | Qt::Key_X)},
         [c] { c->runEdit(OnCutLine(c->session(), c->selectedRows(), c->lineClipboard)); },
         When::Selection | When::Idle},
        {CommandId::CopyLine,
         "Copy Line",
         "edit-copy",
         {QKeySequence(Qt::CTRL | Qt::Key_C)},
         [c] {
             OnCopyLine(c->session(), c->selectedRows(), c->lineClipboard);
             c->refreshCommandStates();
         },
         When::Selection},
        {CommandId::PasteLine,
         "Paste Line",
         "edit-paste",
         {QKeySequence(Qt::CTRL | Qt::Key_V)},
         [c] { c->runEdit(OnPasteLine(c->session(), c->selectedRows(), c->lineClipboard)); },
         When::Rows | When::Idle | When::LinesHeld},
        {CommandId::InsertSubtitle,
         "Insert Subtitle",
         "list-add",
         {QKeySequence(Qt::CTRL | Qt::Key_I)},
         [c] { c->runEdit(OnInsertSubtitle(c->session(), c->selectedRows())); },
         When::Idle},
        {CommandId::InsertBefore,
         "Insert Before",
         "go-top",
         {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_I)},
         [c] { c->runEdit(OnInsertBefore(c->session(), c->selectedRows())); },
         When::Selection | When::Idle},
        {CommandId::DeleteSelected,
         "Delete Selected",
         "edit-delete",
         {QKeySequence::Delete},
         [c] { c->runEdit(OnDeleteSelected(c->session(), c->selectedRows())); },
         When::Selection | When::Idle},
        {CommandId::CombineSubtitles,
         "Combine Subtitles",
         "format-join-node",
         {QKeySequence(Qt::CTRL | Qt::Key_J)},
         [c] { c->runEdit(OnCombineSubtitles(c->session(), c->selectedRows())); },
         When::TwoSelected | When::Idle},
    };
    for (const CommandSpec& row : rows)
        commands.add(row);
}
