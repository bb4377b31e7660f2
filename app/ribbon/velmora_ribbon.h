// velmora's ribbon: tabs, groups and controls in their order, captions and images from the command registry.
#pragma once

#include "app/ribbon/ribbon_bar.h"

#include "app/command_table.h"

class CommandRegistry;

// Builds the whole ribbon: "&Home", "&Timings", "&Edit", "&Search", "&Dictionary", "T&ools",
// "About" in the tab row and the application menu (Help sub-menu, separator, "&Exit").
// The charset combos are filled from the character set table with "America(ANSI)" selected, the
// language combos from the language table with "English" and "French". The two time edits start
// with "00:00:00,000". Undo and Redo sit in a quick-access strip beside the application button.
// Every control follows its command's enabled state in the registry from then on.
RibbonBar* buildVelmoraRibbon(QWidget* parent, CommandRegistry& commands);

// A tooltip that tells the command's keys after its text, "Undo Paste Line (Ctrl+Z)"; the text
// alone for a command without keys.
QString tooltipWithKeys(const CommandRegistry& commands, CommandId id, const QString& text);
