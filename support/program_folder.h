// The folder of the running program, and the folders where velmora writes its own files.
#pragma once

#include "support/user_message.h"

#include <QProcessEnvironment>
#include <QString>
#include <optional>

// Returns the folder with a trailing "/", or an empty string before it was set.
QString programFolder();
void setProgramFolder(const QString& folder);
// A relative path taken against the program folder (the working directory is never changed:
// threads and child processes share it). Absolute paths and an unset folder leave it as it is.
QString resolveInProgramFolder(const QString& path);

// A build tree or a copied program folder keeps its files beside the program (data/, log/ next to
// bin/); an installed program cannot expect to write there and keeps them in the user's folders.
enum class FolderLayout { ProgramFolder, PerUser };

// Every folder ends with "/".
struct WritableFolders {
    FolderLayout layout = FolderLayout::ProgramFolder;
    QString data;      // the dictionary store
    QString log;       // the log file
    QString temporary; // the movie pane's temporary subtitles, removed at start-up
};

// Per-user when the program runs from an install prefix (velmora.desktop installed under
// share/applications beside the program folder) or when the folder that holds the program
// folder cannot be written; the program-folder layout otherwise.
FolderLayout folderLayoutFor(const QString& programFolder);
// The folders of a layout. Per-user: $XDG_DATA_HOME/velmora/ for the store, $XDG_CACHE_HOME/velmora/
// for temporary files and $XDG_CACHE_HOME/velmora/log/ for the log, with ~/.local/share and
// ~/.cache when a variable is unset or not an absolute path. Nothing is created.
WritableFolders writableFoldersFor(FolderLayout layout, const QString& programFolder,
                                   const QProcessEnvironment& environment);

// The first folder of the program-folder layout (the program folder, the folder that holds it,
// data/ and log/) that another user could write to, and so fill with links to the user's files;
// empty when there is none. Writable means by others, by a group other than the user's own, or by
// an owner other than the user and root.
QString folderOthersCanWrite(const QString& programFolder);

// Decides the folders once, from programFolder() and the environment, and creates the per-user
// ones for the user alone (0700; a folder that cannot be made is left to fail where it is used).
// A program folder other users can write is refused for the per-user folders; the message says
// so, to be shown. Call after setProgramFolder.
std::optional<UserMessage>
decideWritableFolders(const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment());
// The decided folders; empty strings before decideWritableFolders.
WritableFolders writableFolders();
QString dataFolder();
QString logFolder();
QString temporaryFolder();
