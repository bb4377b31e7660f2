// The folder of the running program: relative paths of stored files resolve against it.
#pragma once

#include <QString>

// Returns the folder with a trailing "/", or an empty string before it was set.
QString programFolder();
void setProgramFolder(const QString& folder);
// A relative path taken against the program folder (the working directory is never changed:
// threads and child processes share it). Absolute paths and an unset folder leave it as it is.
QString resolveInProgramFolder(const QString& path);
