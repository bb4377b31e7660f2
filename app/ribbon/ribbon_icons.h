// Images of the ribbon's controls and of the application menu.
#pragma once

#include "app/command_table.h"

#include <QIcon>

// The desktop theme's icon for the command when the theme has one, else our own; a null icon
// for a command without an image.
QIcon ribbonIcon(CommandId id);
QIcon applicationButtonIcon();
