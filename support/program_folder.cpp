// Process-wide program folder and the folders velmora writes to.
#include "support/program_folder.h"

#include <QDir>
#include <QFileInfo>
#include <QMutex>

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

void decideWritableFolders(const QProcessEnvironment& environment) {
    const QString folder = programFolder();
    const WritableFolders w = writableFoldersFor(folderLayoutFor(folder), folder, environment);
    // The program-folder layout keeps its folders as they are: a missing data folder there makes
    // the store fail to open, as it always has.
    if (w.layout == FolderLayout::PerUser) {
        for (const QString& path : {w.data, w.log, w.temporary})
            QDir().mkpath(path);
    }
    QMutexLocker lock(&g_mutex);
    g_writable = w;
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
