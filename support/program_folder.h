// The folder of the running program: relative paths of stored files resolve against it.
#pragma once

#include <QString>

// Returns the folder with a trailing "/", or an empty string before it was set.
QString programFolder();
void setProgramFolder(const QString& folder);
// Makes the program folder the working directory, when one is set.
void enterProgramFolder();
