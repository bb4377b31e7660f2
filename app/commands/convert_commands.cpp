// "Convert File Code Schema": whole files from one encoding to another.
#include "app/commands/all_commands.h"
#include "app/commands/command_context.h"
#include "app/commands/command_registry.h"
#include "app/convert_code_schema.h"

void registerConvertCommands(CommandRegistry& commands, CommandContext& context) {
    CommandContext* c = &context;
    commands.add({CommandId::ConvertFileCodeSchema,
                  "Convert File Code Schema",
                  "view-refresh",
                  {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C)},
                  [c] { runConvertCodeSchema(c->dialogs()); },
                  {}});
}
