// Images of the ribbon's controls and of the application menu.
#pragma once

#include <QIcon>

// The desktop theme's icon of that name when the theme has one, else our own drawing of it.
QIcon commandIcon(const QString& themeName);
// Whether our own drawings have an image of that theme name, for desktops whose theme lacks it.
bool hasOwnDrawing(const QString& themeName);
QIcon applicationButtonIcon();
// velmora's own icon (the one its desktop entry names) for its windows, from our resources: no
// theme look-up at start-up, and the same picture on every desktop.
QIcon programIcon();
