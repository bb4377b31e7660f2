// Where velmora writes: beside the program in a build tree, in the XDG folders when installed.
#include "support/program_folder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class WritableFoldersTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_root.isValid());
        m_oldProgramFolder = programFolder();
    }
    void TearDown() override { setProgramFolder(m_oldProgramFolder); }

    QString root() const { return m_root.path() + u'/'; }
    // A prefix laid out as "cmake --install" leaves it: bin/ and the desktop entry under share/.
    QString makeInstalledPrefix(const QString& name) {
        const QString prefix = root() + name + u'/';
        EXPECT_TRUE(QDir().mkpath(prefix + QStringLiteral("bin")));
        EXPECT_TRUE(QDir().mkpath(prefix + QStringLiteral("share/applications")));
        QFile entry(prefix + QStringLiteral("share/applications/velmora.desktop"));
        EXPECT_TRUE(entry.open(QIODevice::WriteOnly));
        return prefix;
    }
    QProcessEnvironment environment(const QString& home, const QString& dataHome = {},
                                    const QString& cacheHome = {}) const {
        QProcessEnvironment env;
        env.insert(QStringLiteral("HOME"), home);
        if (!dataHome.isNull())
            env.insert(QStringLiteral("XDG_DATA_HOME"), dataHome);
        if (!cacheHome.isNull())
            env.insert(QStringLiteral("XDG_CACHE_HOME"), cacheHome);
        return env;
    }

    QTemporaryDir m_root;
    QString m_oldProgramFolder;
};

TEST_F(WritableFoldersTest, LayoutFollowsInstallPrefixAndWritableParent) {
    // A build tree: dist/bin with data/ and log/ beside it.
    QDir().mkpath(root() + QStringLiteral("dist/bin"));
    QDir().mkpath(root() + QStringLiteral("dist/data"));
    EXPECT_EQ(folderLayoutFor(root() + QStringLiteral("dist/bin")), FolderLayout::ProgramFolder);
    // A copied program folder whose data folder is missing still keeps the program-folder
    // layout (the store then fails to open, as it always has) rather than moving elsewhere.
    QDir().mkpath(root() + QStringLiteral("copy/bin"));
    EXPECT_EQ(folderLayoutFor(root() + QStringLiteral("copy/bin/")), FolderLayout::ProgramFolder);
    // Installed, even into a prefix the user can write (root writes everywhere, ~/.local is
    // the user's own): the desktop entry tells.
    const QString prefix = makeInstalledPrefix(QStringLiteral("usr"));
    EXPECT_EQ(folderLayoutFor(prefix + QStringLiteral("bin/")), FolderLayout::PerUser);
    // A program folder whose parent does not exist cannot hold data/ beside it.
    EXPECT_EQ(folderLayoutFor(root() + QStringLiteral("gone/bin/")), FolderLayout::PerUser);
    // No folder, or a relative one, would be read against the working directory.
    EXPECT_EQ(folderLayoutFor(QString()), FolderLayout::PerUser);
    EXPECT_EQ(folderLayoutFor(QStringLiteral("bin")), FolderLayout::PerUser);
}

TEST_F(WritableFoldersTest, FoldersOfEachLayout) {
    const QString bin = root() + QStringLiteral("dist/bin/");
    const QString home = root() + QStringLiteral("home");
    struct Case {
        const char* name;
        FolderLayout layout;
        QProcessEnvironment env;
        QString data, log, temporary;
    };
    const Case cases[] = {
        {"program folder", FolderLayout::ProgramFolder, environment(home), root() + "dist/data/",
         root() + "dist/log/", bin},
        {"XDG variables", FolderLayout::PerUser, environment(home, root() + "xd", root() + "xc/"),
         root() + "xd/velmora/", root() + "xc/velmora/log/", root() + "xc/velmora/"},
        {"unset variables", FolderLayout::PerUser, environment(home), home + "/.local/share/velmora/",
         home + "/.cache/velmora/log/", home + "/.cache/velmora/"},
        // Relative values are invalid and must not land the store in the working directory.
        {"relative variables", FolderLayout::PerUser, environment(home, "data", "cache"),
         home + "/.local/share/velmora/", home + "/.cache/velmora/log/", home + "/.cache/velmora/"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const WritableFolders w = writableFoldersFor(c.layout, bin, c.env);
        EXPECT_EQ(w.layout, c.layout);
        EXPECT_EQ(w.data, c.data);
        EXPECT_EQ(w.log, c.log);
        EXPECT_EQ(w.temporary, c.temporary);
    }
}

TEST_F(WritableFoldersTest, InstalledProgramMakesItsUserFoldersAndLeavesThePrefixAlone) {
    const QString prefix = makeInstalledPrefix(QStringLiteral("prefix"));
    setProgramFolder(prefix + QStringLiteral("bin"));
    const QString home = root() + QStringLiteral("home");
    decideWritableFolders(environment(home));

    EXPECT_EQ(writableFolders().layout, FolderLayout::PerUser);
    EXPECT_EQ(dataFolder(), home + QStringLiteral("/.local/share/velmora/"));
    for (const QString& f : {dataFolder(), logFolder(), temporaryFolder()})
        EXPECT_TRUE(QFileInfo(f).isDir()) << f.toStdString();
    EXPECT_FALSE(QFileInfo::exists(prefix + QStringLiteral("data")));
    EXPECT_FALSE(QFileInfo::exists(prefix + QStringLiteral("log")));

    // A build tree decides again for itself and creates nothing.
    QDir().mkpath(root() + QStringLiteral("dist/bin"));
    setProgramFolder(root() + QStringLiteral("dist/bin"));
    decideWritableFolders(environment(home));
    EXPECT_EQ(dataFolder(), root() + QStringLiteral("dist/data/"));
    EXPECT_FALSE(QFileInfo::exists(dataFolder()));
}

} // namespace
