// Process-wide program folder.
#include "support/program_folder.h"

#include <QDir>
#include <QMutex>

namespace {
QMutex g_mutex;
QString g_folder;
} // namespace

QString programFolder() {
    QMutexLocker lock(&g_mutex);
    return g_folder;
}

void setProgramFolder(const QString& folder) {
    QString f = QDir::cleanPath(folder);
    if (!f.isEmpty() && !f.endsWith(u'/'))
        f += u'/';
    QMutexLocker lock(&g_mutex);
    g_folder = f;
}

QString resolveInProgramFolder(const QString& path) {
    if (path.isEmpty() || QDir::isAbsolutePath(path))
        return path;
    const QString folder = programFolder();
    return folder.isEmpty() ? path : QDir::cleanPath(folder + path);
}
