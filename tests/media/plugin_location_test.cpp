// The plugins are found beside the program in a build tree and under the prefix when installed.
#include "media/plugin_location.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {
void touch(const QString& path) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
}
} // namespace

TEST(PluginLocation, BesideTheProgramFirstThenThePrefixFolder) {
    struct Case {
        const char* name;
        bool beside;
        bool installed;
        bool directoryBeside; // a folder of the plugin's name is no plugin
        const char* expected; // relative to the prefix
    };
    const Case cases[] = {
        {"build tree", true, false, false, "bin/velmora_vlc.so"},
        {"installed", false, true, false, "lib/velmora/velmora_vlc.so"},
        {"both: the build tree's wins", true, true, false, "bin/velmora_vlc.so"},
        {"a folder beside is skipped", false, true, true, "lib/velmora/velmora_vlc.so"},
        {"nowhere: named beside the program", false, false, false, "bin/velmora_vlc.so"},
    };
    for (const Case& c : cases) {
        QTemporaryDir prefix;
        ASSERT_TRUE(prefix.isValid());
        QDir().mkpath(prefix.filePath(QStringLiteral("bin")));
        if (c.beside)
            touch(prefix.filePath(QStringLiteral("bin/velmora_vlc.so")));
        if (c.directoryBeside)
            QDir().mkpath(prefix.filePath(QStringLiteral("bin/velmora_vlc.so")));
        if (c.installed)
            touch(prefix.filePath(QStringLiteral("lib/velmora/velmora_vlc.so")));
        EXPECT_EQ(locateMediaPlugin(prefix.filePath(QStringLiteral("bin")), QStringLiteral("velmora_vlc.so")),
                  prefix.filePath(QString::fromLatin1(c.expected)))
            << c.name;
    }
}
