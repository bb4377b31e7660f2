// Process-wide program folder and the folders velmora writes to.
#include "support/program_folder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <sys/stat.h>
#include <unistd.h>

namespace {
QMutex g_mutex;
QString g_folder;
WritableFolders g_writable;

constexpr char kAppFolder[] = "velmora";
constexpr char kInstalledEntry[] = "../share/applications/velmora.desktop";

QString withSlash(const QString& path) {
    QString p = QDir::cleanPath(path);
    if (!p.isEmpty() && !p.endsWith(u'/'))
        p += u'/';
    return p;
}

// An XDG base folder: the variable's value only when it is an absolute path (relative values
// are invalid and must be ignored), otherwise the home-based default.
QString xdgHome(const QProcessEnvironment& environment, const char* variable, const char* fallbackInHome) {
    const QString value = environment.value(QLatin1String(variable));
    if (!value.isEmpty() && QDir::isAbsolutePath(value))
        return withSlash(value);
    QString home = environment.value(QStringLiteral("HOME"));
    if (home.isEmpty() || !QDir::isAbsolutePath(home))
        home = QDir::homePath();
    return withSlash(home + u'/' + QLatin1String(fallbackInHome));
}
bool othersCanWrite(const QString& folder) {
    struct stat info {};
    if (::stat(QFile::encodeName(folder).constData(), &info) != 0)
        return false;
    if (info.st_uid != ::geteuid() && info.st_uid != 0)
        return true;
    if (info.st_mode & S_IWOTH)
        return true;
    return (info.st_mode & S_IWGRP) && info.st_gid != ::getegid();
}

// Makes the folder and any missing folder above it for the user alone, and closes a folder of
// velmora's own that an earlier run left open to others.
void makePrivateFolder(const QString& path) {
    const QString clean = QDir::cleanPath(path);
    QString at;
    for (const QString& part : clean.split(u'/')) {
        at += part;
        if (!at.isEmpty() && !QFileInfo::exists(at))
            ::mkdir(QFile::encodeName(at).constData(), 0700);
        at += u'/';
    }
    struct stat info {};
    const QByteArray native = QFile::encodeName(clean);
    if (::lstat(native.constData(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::geteuid() &&
        (info.st_mode & 077))
        ::chmod(native.constData(), info.st_mode & 0700);
}

} // namespace

QString programFolder() {
    QMutexLocker lock(&g_mutex);
    return g_folder;
}

void setProgramFolder(const QString& folder) {
    const QString f = withSlash(folder);
    QMutexLocker lock(&g_mutex);
    g_folder = f;
}

QString resolveInProgramFolder(const QString& path) {
    if (path.isEmpty() || QDir::isAbsolutePath(path))
        return path;
    const QString folder = programFolder();
    return folder.isEmpty() ? path : QDir::cleanPath(folder + path);
}

FolderLayout folderLayoutFor(const QString& programFolder) {
    const QString folder = withSlash(programFolder);
    // Without a folder every test below would look at the working directory instead.
    if (folder.isEmpty() || QDir::isRelativePath(folder))
        return FolderLayout::PerUser;
    if (QFileInfo::exists(folder + QLatin1String(kInstalledEntry)))
        return FolderLayout::PerUser;
    const QFileInfo parent(QDir::cleanPath(folder + QStringLiteral("..")));
    return parent.isDir() && parent.isWritable() ? FolderLayout::ProgramFolder : FolderLayout::PerUser;
}

WritableFolders writableFoldersFor(FolderLayout layout, const QString& programFolder,
                                   const QProcessEnvironment& environment) {
    WritableFolders w;
    w.layout = layout;
    if (layout == FolderLayout::ProgramFolder) {
        const QString folder = withSlash(programFolder);
        w.data = withSlash(folder + QStringLiteral("../data"));
        w.log = withSlash(folder + QStringLiteral("../log"));
        w.temporary = folder;
        return w;
    }
    const QString dataHome = xdgHome(environment, "XDG_DATA_HOME", ".local/share");
    const QString cacheHome = xdgHome(environment, "XDG_CACHE_HOME", ".cache");
    w.data = dataHome + QLatin1String(kAppFolder) + u'/';
    w.temporary = cacheHome + QLatin1String(kAppFolder) + u'/';
    w.log = w.temporary + QStringLiteral("log/");
    return w;
}

QString folderOthersCanWrite(const QString& programFolder) {
    const QString folder = withSlash(programFolder);
    if (folder.isEmpty())
        return {};
    for (const char* relative : {".", "..", "../data", "../log"}) {
        const QString candidate = QDir::cleanPath(folder + QLatin1String(relative));
        if (othersCanWrite(candidate))
            return candidate;
    }
    return {};
}

std::optional<UserMessage> decideWritableFolders(const QProcessEnvironment& environment) {
    const QString folder = programFolder();
    FolderLayout layout = folderLayoutFor(folder);
    QString refused;
    if (layout == FolderLayout::ProgramFolder) {
        refused = folderOthersCanWrite(folder);
        if (!refused.isEmpty())
            layout = FolderLayout::PerUser;
    }
    const WritableFolders w = writableFoldersFor(layout, folder, environment);
    // The program-folder layout keeps its folders as they are: a missing data folder there makes
    // the store fail to open, as it always has.
    if (w.layout == FolderLayout::PerUser) {
        for (const QString& path : {w.data, w.log, w.temporary})
            makePrivateFolder(path);
    }
    {
        QMutexLocker lock(&g_mutex);
        g_writable = w;
    }
    if (refused.isEmpty())
        return std::nullopt;
    return UserMessage{
        QStringLiteral("Other users can write to the folder %1, so velmora keeps its dictionary "
                       "and log in %2 instead.")
            .arg(QDir::toNativeSeparators(refused), QDir::toNativeSeparators(w.data)),
        QStringLiteral("velmora"), MessageIcon::Warning};
}

WritableFolders writableFolders() {
    QMutexLocker lock(&g_mutex);
    return g_writable;
}

QString dataFolder() {
    return writableFolders().data;
}

QString logFolder() {
    return writableFolders().log;
}

QString temporaryFolder() {
    return writableFolders().temporary;
}
