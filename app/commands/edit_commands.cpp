// The line operations: cut, copy and paste lines, insert, delete and combine entries.
#include "app/commands/all_commands.h"
#include "app/commands/command_registry.h"
#include "app/main_frame.h"
#include "edit/line_operations.h"

void registerEditCommands(CommandRegistry& commands, CMainFrame& frame) {
    CMainFrame* f = &frame;
    const QList<CommandSpec> rows = {
        {CommandId::CutLine,
         "Cut Line",
         "edit-cut",
         {QKeySequence(Qt::CTRL | Qt::Key_X)},
         [f] { f->runEdit(OnCutLine(f->session(), f->selectedRows(), f->lineClipboard)); },
         When::Selection | When::Idle},
        {CommandId::CopyLine,
         "Copy Line",
         "edit-copy",
         {QKeySequence(Qt::CTRL | Qt::Key_C)},
         [f] {
             OnCopyLine(f->session(), f->selectedRows(), f->lineClipboard);
             f->refreshCommandStates();
         },
         When::Selection},
        {CommandId::PasteLine,
         "Paste Line",
         "edit-paste",
         {QKeySequence(Qt::CTRL | Qt::Key_V)},
         [f] { f->runEdit(OnPasteLine(f->session(), f->selectedRows(), f->lineClipboard)); },
         When::Rows | When::Idle | When::LinesHeld},
        {CommandId::InsertSubtitle,
         "Insert Subtitle",
         "list-add",
         {QKeySequence(Qt::CTRL | Qt::Key_I)},
         [f] { f->runEdit(OnInsertSubtitle(f->session(), f->selectedRows())); },
         When::Idle},
        {CommandId::InsertBefore,
         "Insert Before",
         "go-top",
         {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_I)},
         [f] { f->runEdit(OnInsertBefore(f->session(), f->selectedRows())); },
         When::Selection | When::Idle},
        {CommandId::DeleteSelected,
         "Delete Selected",
         "edit-delete",
         {QKeySequence::Delete},
         [f] { f->runEdit(OnDeleteSelected(f->session(), f->selectedRows())); },
         When::Selection | When::Idle},
        {CommandId::CombineSubtitles,
         "Combine Subtitles",
         "format-join-node",
         {QKeySequence(Qt::CTRL | Qt::Key_J)},
         [f] { f->runEdit(OnCombineSubtitles(f->session(), f->selectedRows())); },
         When::TwoSelected | When::Idle},
    };
    for (const CommandSpec& row : rows)
        commands.add(row);
}
