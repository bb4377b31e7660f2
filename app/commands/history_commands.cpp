// Undo and Redo: the session's history, one step per edit, a translation job or a typing spell.
#include "app/commands/all_commands.h"
#include "app/commands/command_context.h"
#include "app/commands/command_registry.h"

void registerHistoryCommands(CommandRegistry& commands, CommandContext& context) {
    CommandContext* c = &context;
    commands.add({CommandId::Undo,
                  "Undo",
                  "edit-undo",
                  {QKeySequence::Undo},
                  [c] { c->undo(); },
                  When::UndoStep | When::Idle});
    commands.add({CommandId::Redo,
                  "Redo",
                  "edit-redo",
                  {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)},
                  [c] { c->redo(); },
                  When::RedoStep | When::Idle});
}
