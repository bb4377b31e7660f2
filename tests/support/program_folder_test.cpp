// Where velmora writes: beside the program in a build tree, in the XDG folders when installed.
#include "support/program_folder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

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

    static unsigned modeOf(const QString& path) {
        struct stat info {};
        return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_mode & 07777 : 0;
    }
    static bool setMode(const QString& path, unsigned mode) {
        return ::chmod(QFile::encodeName(path).constData(), mode) == 0;
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

TEST_F(WritableFoldersTest, PerUserFoldersAreTheUsersAlone) {
    const QString prefix = makeInstalledPrefix(QStringLiteral("prefix"));
    setProgramFolder(prefix + QStringLiteral("bin"));
    const QString home = root() + QStringLiteral("home");
    // A cache folder an earlier run made open to everybody is closed again.
    ASSERT_TRUE(QDir().mkpath(home + QStringLiteral("/.cache/velmora")));
    ASSERT_TRUE(setMode(home + QStringLiteral("/.cache/velmora"), 0755));
    EXPECT_FALSE(decideWritableFolders(environment(home)).has_value());
    for (const QString& f :
         {dataFolder(), logFolder(), temporaryFolder(), home + QStringLiteral("/.local/share")})
        EXPECT_EQ(modeOf(f), 0700u) << qPrintable(f);
}

TEST_F(WritableFoldersTest, AProgramFolderOtherUsersCanWriteIsRefusedWithAMessage) {
    const QString home = root() + QStringLiteral("home");
    const bool asRoot = ::geteuid() == 0;
    struct Row {
        const char* name;
        const char* open; // the folder others can write, under dist/; empty for a sound tree
        std::function<bool(const QString& folder)> openUp;
    };
    const Row rows[] = {
        {"the folder that holds bin/", "", [](const QString& f) { return setMode(f, 0777); }},
        {"a sticky folder that holds bin/", "", [](const QString& f) { return setMode(f, 01777); }},
        {"bin/", "bin", [](const QString& f) { return setMode(f, 0757); }},
        {"data/", "data", [](const QString& f) { return setMode(f, 0773); }},
        // Group-writable is fine for the user's own group, not for another's.
        {"log/ of another group", "log",
         [&](const QString& f) {
             return setMode(f, 0775) && (!asRoot || ::chown(QFile::encodeName(f).constData(), 0, 65534) == 0);
         }},
        {"data/ of another user", "data",
         [&](const QString& f) {
             return !asRoot || ::chown(QFile::encodeName(f).constData(), 65534, 0) == 0;
         }},
    };
    int n = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        if (!asRoot && QByteArrayView(row.name).contains("another"))
            continue;
        const QString dist = root() + QStringLiteral("dist%1/").arg(++n);
        for (const char* sub : {"bin", "data", "log"})
            ASSERT_TRUE(QDir().mkpath(dist + QLatin1String(sub)));
        setProgramFolder(dist + QStringLiteral("bin"));
        // Sound as made: the folders stay where they are.
        EXPECT_FALSE(decideWritableFolders(environment(home)).has_value());
        EXPECT_EQ(dataFolder(), dist + QStringLiteral("data/"));

        const QString open = QDir::cleanPath(dist + QLatin1String(row.open));
        ASSERT_TRUE(row.openUp(open));
        const std::optional<UserMessage> refused = decideWritableFolders(environment(home));
        ASSERT_TRUE(refused.has_value());
        EXPECT_TRUE(refused->text.contains(open)) << qPrintable(refused->text);
        EXPECT_EQ(refused->icon, MessageIcon::Warning);
        EXPECT_EQ(writableFolders().layout, FolderLayout::PerUser);
        EXPECT_EQ(dataFolder(), home + QStringLiteral("/.local/share/velmora/"));
        EXPECT_TRUE(refused->text.contains(dataFolder())) << qPrintable(refused->text);
    }
}

} // namespace
