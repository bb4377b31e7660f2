// The shell's own handlers and boxes, driven through the frame as a user would.
#include "app/ready_report.h"
#include "frame_fixture.h"

#include <QApplication>
#include <QFileDevice>
#include <QImage>
#include <QMessageBox>
#include <QTimer>
#include <functional>
#include <optional>

namespace {

// Makes an executable file: a program as far as the frame can tell.
void makeProgram(const QString& path) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("#!/bin/sh\n");
    file.setPermissions(file.permissions() | QFileDevice::ExeOwner);
}

} // namespace

TEST_F(FrameTest, StartedProgramsAreFoundBesideVelmoraOrTheUserIsToldWhereTheyWereLookedFor) {
    struct Case {
        const char* name;
        CommandId command;
        const char* program;
        QStringList arguments;
        bool installed;
        bool starts;
        const char* says; // empty: nothing
    };
    const Case cases[] = {
        {"trelline missing", CommandId::PlaySubtitle, "trelline", {}, false, true, "trelline was not found"},
        {"mini missing", CommandId::StudyDictionary, "mini", {"-f", "1"}, false, true, "mini was not found"},
        {"mini missing",
         CommandId::MiniStudyVocabulary,
         "mini",
         {"-f", "0"},
         false,
         true,
         "mini was not found"},
        {"trelline fails",
         CommandId::PlaySubtitle,
         "trelline",
         {},
         true,
         false,
         "trelline could not be started"},
        {"trelline starts", CommandId::PlaySubtitle, "trelline", {}, true, true, ""},
        {"dictionary", CommandId::StudyDictionary, "mini", {"-f", "1"}, true, true, ""},
        {"vocabulary", CommandId::MiniStudyVocabulary, "mini", {"-f", "0"}, true, true, ""},
    };
    CMainFrame& f = frame();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = bin() + QLatin1String(c.program);
        QFile::remove(path);
        if (c.installed)
            makeProgram(path);
        m_seam.started.clear();
        m_seam.messages.clear();
        m_seam.startSucceeds = c.starts;
        f.dispatchCommand(c.command);
        if (c.installed) {
            ASSERT_EQ(m_seam.started.size(), 1);
            EXPECT_EQ(m_seam.started[0].first, path);
            EXPECT_EQ(m_seam.started[0].second, c.arguments);
        } else {
            EXPECT_TRUE(m_seam.started.isEmpty());
        }
        if (*c.says == 0) {
            EXPECT_TRUE(m_seam.messages.isEmpty());
        } else {
            ASSERT_EQ(m_seam.messages.size(), 1);
            EXPECT_TRUE(m_seam.messages[0].text.contains(QLatin1String(c.says)))
                << qPrintable(m_seam.messages[0].text);
            // Where it was looked for, so that the user can put it there.
            EXPECT_TRUE(m_seam.messages[0].text.contains(path)) << qPrintable(m_seam.messages[0].text);
        }
    }
}

TEST_F(FrameTest, HelpTopicsOpensTheUserGuideBesideTheProgramFolder) {
    // An install and the build tree both lay the guide out as share/doc/velmora beside bin/.
    const QString guide = m_root.filePath(QStringLiteral("share/doc/velmora/README.md"));
    struct Case {
        const char* name;
        bool present;
        bool viewerOpens;
        const char* says; // empty: nothing
    };
    const Case cases[] = {
        {"no guide", false, true, "user guide was not found"},
        {"no viewer", true, false, "could not be opened"},
        {"guide", true, true, ""},
    };
    CMainFrame& f = frame();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.present) {
            QDir().mkpath(QFileInfo(guide).absolutePath());
            writeFile(QStringLiteral("share/doc/velmora/README.md"), "# velmora\n");
        }
        m_seam.urls.clear();
        m_seam.messages.clear();
        m_seam.openUrlSucceeds = c.viewerOpens;
        f.dispatchCommand(CommandId::HelpTopics);
        if (c.present) {
            ASSERT_EQ(m_seam.urls.size(), 1);
            EXPECT_EQ(m_seam.urls[0], QUrl::fromLocalFile(guide));
        } else {
            EXPECT_TRUE(m_seam.urls.isEmpty());
        }
        if (*c.says == 0) {
            EXPECT_TRUE(m_seam.messages.isEmpty());
        } else {
            ASSERT_EQ(m_seam.messages.size(), 1);
            EXPECT_TRUE(m_seam.messages[0].text.contains(QLatin1String(c.says)))
                << qPrintable(m_seam.messages[0].text);
            EXPECT_TRUE(m_seam.messages[0].text.contains(guide)) << qPrintable(m_seam.messages[0].text);
        }
    }
}

TEST(DesktopSeamBoxes, ShowPathsAndAnswersAsTheyAreNeverAsMarkup) {
    // A file name is the user's data: markup in it must not turn into a spoofed red warning.
    const QString path = QStringLiteral("/tmp/<font color=red>re-enter your password</font>.srt");
    QTemporaryDir settings;
    DesktopSeam seam(settings.filePath(QStringLiteral("folders.ini")));
    struct Case {
        const char* name;
        std::function<void()> ask;
    };
    const Case cases[] = {
        {"message", [&] { seam.showMessage(nullptr, errorMessage(QStringLiteral("Cannot open ") + path)); }},
        {"save question", [&] { seam.askToSave(nullptr, QStringLiteral("Save ") + path + u'?'); }},
        {"yes or no",
         [&] {
             seam.askYesNo(nullptr, UserMessage{path, QStringLiteral("velmora")});
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::optional<Qt::TextFormat> format;
        QTimer::singleShot(0, [&format] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box)
                return;
            format = box->textFormat();
            box->done(QMessageBox::Cancel);
        });
        c.ask();
        ASSERT_TRUE(format.has_value());
        EXPECT_EQ(*format, Qt::PlainText);
    }
}

TEST_F(FrameTest, ScreenshotHookWritesOnlyANewFileWithVelmorasOwnWindow) {
    struct Case {
        const char* name;
        const char* existing; // what lies at the path before: nothing, a file, a link to a file
        bool written;
    };
    const Case cases[] = {
        {"over a file", "file", false},
        {"through a link", "link", false},
        {"new file", "", true},
    };
    const QString victim = writeFile(QStringLiteral("victim.txt"), "the user's own");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString shot = m_root.filePath(QStringLiteral("shot-%1.png").arg(c.name).replace(u' ', u'-'));
        if (QLatin1String(c.existing) == QLatin1String("file")) {
            writeFile(QFileInfo(shot).fileName(), "the user's own");
        } else if (QLatin1String(c.existing) == QLatin1String("link")) {
            ASSERT_TRUE(QFile::link(victim, shot));
        }
        qputenv("VELMORA_SCREENSHOT", QFile::encodeName(shot));
        CMainFrame& f = frame(true);
        f.resize(900, 500);
        ReadyReport::install(&f, false);
        qunsetenv("VELMORA_SCREENSHOT");
        f.grid()->viewport()->update();
        EXPECT_TRUE(QTest::qWaitFor([&f] { return !f.isVisible(); }, 5000));

        QFile victimFile(victim);
        ASSERT_TRUE(victimFile.open(QIODevice::ReadOnly));
        EXPECT_EQ(victimFile.readAll(), QByteArray("the user's own"));
        const QImage picture(shot);
        if (c.written) {
            // The window, not whatever else is on the screen.
            EXPECT_EQ(picture.size(), QSize(900, 500));
        } else {
            EXPECT_TRUE(picture.isNull());
            QFile kept(QFileInfo(shot).canonicalFilePath());
            ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
            EXPECT_EQ(kept.readAll(), QByteArray("the user's own"));
        }
    }
}

TEST_F(FrameTest, StartCommandHookRunsOnlyInABuildWithTestHooks) {
    qputenv("VELMORA_START_COMMAND", "Insert Subtitle");
    CMainFrame& f = frame(true);
    ReadyReport::install(&f, false);
    qunsetenv("VELMORA_START_COMMAND");
    f.grid()->viewport()->update();
    QTest::qWait(200);
    EXPECT_EQ(f.session().rowCount(), ReadyReport::runsStartCommands() ? 1 : 0);
}
