// Where velmora finds its own plugins (the film player and the web view).
#pragma once

#include <QString>

// The plugin `fileName` for a program in `programDir`: beside the program when it is there (a build
// tree or a copied program folder), otherwise in the private plugin folder of an install prefix
// (<prefix>/lib/velmora/ for <prefix>/bin/velmora). When neither holds it, the place beside the
// program, so that the loader's message names a path a developer recognises.
QString locateMediaPlugin(const QString& programDir, const QString& fileName);
// The same for the running program.
QString locateMediaPlugin(const QString& fileName);
