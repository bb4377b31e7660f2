// Where every feature adds its commands to the registry.
#pragma once

class CMainFrame;
class CommandContext;
class CommandRegistry;

void registerAllCommands(CommandRegistry& commands, CMainFrame& frame);

// The frame's own handlers: loading, saving, character sets, help, the dictionary and the
// programs velmora starts.
void registerShellCommands(CommandRegistry& commands, CMainFrame& frame);

// One per feature file in app/commands/; each reaches the program through the context alone.
void registerHistoryCommands(CommandRegistry& commands, CommandContext& context);
void registerEditCommands(CommandRegistry& commands, CommandContext& context);
void registerTimingCommands(CommandRegistry& commands, CommandContext& context);
void registerSearchCommands(CommandRegistry& commands, CommandContext& context);
void registerConvertCommands(CommandRegistry& commands, CommandContext& context);
void registerTranslateCommands(CommandRegistry& commands, CommandContext& context);
void registerReviewCommands(CommandRegistry& commands, CommandContext& context);
void registerMemoryCommands(CommandRegistry& commands, CommandContext& context);
