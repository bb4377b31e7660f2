// Finding the plugins in a build tree and in an installed prefix.
#include "media/plugin_location.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

QString locateMediaPlugin(const QString& programDir, const QString& fileName) {
    const QDir bin(programDir);
    const QString beside = bin.filePath(fileName);
    if (QFileInfo(beside).isFile())
        return beside;
    // The relative path keeps a package relocatable: the same program works under /usr, /opt/...
    // or an unpacked copy of the package.
    const QString installed =
        QDir::cleanPath(bin.filePath(QStringLiteral(VELMORA_PLUGIN_DIR_FROM_BIN "/") + fileName));
    if (QFileInfo(installed).isFile())
        return installed;
    return beside;
}

QString locateMediaPlugin(const QString& fileName) {
    return locateMediaPlugin(QCoreApplication::applicationDirPath(), fileName);
}
