// Where every feature adds its commands to the registry.
#pragma once

class CMainFrame;
class CommandRegistry;

void registerAllCommands(CommandRegistry& commands, CMainFrame& frame);

// One per feature file in app/commands/.
void registerShellCommands(CommandRegistry& commands, CMainFrame& frame);
void registerHistoryCommands(CommandRegistry& commands, CMainFrame& frame);
void registerEditCommands(CommandRegistry& commands, CMainFrame& frame);
void registerTimingCommands(CommandRegistry& commands, CMainFrame& frame);
void registerSearchCommands(CommandRegistry& commands, CMainFrame& frame);
void registerConvertCommands(CommandRegistry& commands, CMainFrame& frame);
void registerTranslateCommands(CommandRegistry& commands, CMainFrame& frame);
