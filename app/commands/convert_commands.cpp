// "Convert File Code Schema": whole files from one encoding to another.
#include "app/commands/all_commands.h"
#include "app/commands/command_registry.h"
#include "app/convert_code_schema.h"
#include "app/main_frame.h"

void registerConvertCommands(CommandRegistry& commands, CMainFrame& frame) {
    CMainFrame* f = &frame;
    commands.add({CommandId::ConvertFileCodeSchema,
                  "Convert File Code Schema",
                  "view-refresh",
                  {},
                  [f] { runConvertCodeSchema(f->seam()); },
                  {}});
}
