// velmora's ribbon: tabs, groups and controls in their order, captions from the command table.
#pragma once

#include "app/ribbon/ribbon_bar.h"

// Builds the whole ribbon: "&Home", "&Timings", "&Edit", "&Search", "&Dictionary", "&Tools",
// "About" in the tab row and the application menu (Help sub-menu, separator, "&Exit").
// The charset combos are filled from the character set table with "America(ANSI)" selected, the
// language combos from the language table with "English" and "French". The two time edits start
// with "00:00:00,000" and, like "Restore Original Time", disabled.
RibbonBar* BuildVelmoraRibbon(QWidget* parent);
