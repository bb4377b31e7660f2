// The shell's own handlers and boxes, driven through the frame as a user would.
#include "app/ready_report.h"
#include "charset/charset_table.h"
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

namespace {

QByteArray utf16WithMark(const QString& text) {
    QByteArray bytes("\xFF\xFE", 2);
    for (QChar c : text) {
        bytes.append(char(c.unicode() & 0xFF));
        bytes.append(char(c.unicode() >> 8));
    }
    return bytes;
}

const QString kSrtText = QStringLiteral("1\r\n00:00:01,000 --> 00:00:02,000\r\ncaf\u00e9 \u4e2d\r\n\r\n");

} // namespace

TEST_F(FrameTest, CharsetBoxSaysWhatItsSideWasReadAs) {
    struct Case {
        const char* name;
        QByteArray bytes;
        const char* shows;
        bool usable; // picking another set can read the side anew
    };
    const Case cases[] = {
        {"UTF-16 by its mark", utf16WithMark(kSrtText), "Unicode(UTF-16)", false},
        {"UTF-8 by its mark", "\xEF\xBB\xBF" + kSrtText.toUtf8(), "Unicode(UTF-8)", false},
        {"UTF-8 by its bytes", kSrtText.toUtf8(), "Unicode(UTF-8)", true},
        {"8-bit text", "1\r\n00:00:01,000 --> 00:00:02,000\r\ncaf\xE9\r\n\r\n", "", true},
    };
    CMainFrame& f = frame();
    for (Side side : {Side::Original, Side::Translated}) {
        QComboBox* box = side == Side::Original ? f.originalCharsetCombo : f.translatedCharsetCombo;
        QComboBox* other = side == Side::Original ? f.translatedCharsetCombo : f.originalCharsetCombo;
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.name) + (side == Side::Original ? " (original)" : " (translated)"));
            const QString otherShows = other->currentText();
            load(side == Side::Original ? CommandId::LoadOriginal : CommandId::LoadTranslated,
                 writeFile(QStringLiteral("side.srt"), c.bytes));
            ASSERT_EQ(f.session().rowCount(), 1);
            if (*c.shows) {
                EXPECT_EQ(box->currentText().toStdString(), c.shows);
            } else {
                EXPECT_TRUE(lookupCharsetKey(box->currentText()).has_value())
                    << qPrintable(box->currentText());
            }
            EXPECT_EQ(box->isEnabled(), c.usable);
            if (!c.usable) {
                EXPECT_TRUE(box->toolTip().contains(QStringLiteral("byte-order mark")))
                    << qPrintable(box->toolTip());
            }
            // A job in between leaves an unusable box as it was.
            f.setTranslating(true);
            f.setTranslating(false);
            EXPECT_EQ(box->isEnabled(), c.usable);
            // Only the named Unicode forms go beyond the table, and only while they are shown.
            EXPECT_EQ(box->count(), 21 + (box->findText(QLatin1String(c.shows)) >= 21 ? 1 : 0));
            EXPECT_EQ(other->currentText().toStdString(), otherShows.toStdString());
        }
    }
}

TEST_F(FrameTest, EachCharsetBoxShowsItsOwnSideOnly) {
    CMainFrame& f = frame();
    const QByteArray cyrillic = "1\r\n00:00:01,000 --> 00:00:02,000\r\n\xCF\xF0\xE8\xE2\xE5\xF2\r\n\r\n";
    load(CommandId::LoadOriginal, writeFile(QStringLiteral("ru.cp1251.srt"), cyrillic));
    auto choose = [](QComboBox* combo, const QString& name) {
        combo->setCurrentIndex(combo->findText(name));
        emit combo->activated(combo->currentIndex());
    };
    struct Step {
        const char* name;
        std::function<void()> run;
        const char* original;   // what each box shows afterwards
        const char* translated; //
    };
    const QString originalRead = f.originalCharsetCombo->currentText();
    const QString translatedStart = f.translatedCharsetCombo->currentText();
    const Step steps[] = {
        {"pick on the original", [&] { choose(f.originalCharsetCombo, QStringLiteral("Cyrillic(KOI8-R)")); },
         "Cyrillic(KOI8-R)", nullptr},
        {"pick on the translation",
         [&] { choose(f.translatedCharsetCombo, QStringLiteral("Greek(iso-8859-7)")); }, "Cyrillic(KOI8-R)",
         "Greek(iso-8859-7)"},
        {"undo the translation's", [&] { f.undo(); }, "Cyrillic(KOI8-R)", nullptr},
        {"undo the original's", [&] { f.undo(); }, nullptr, nullptr},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.name);
        s.run();
        EXPECT_EQ(f.originalCharsetCombo->currentText().toStdString(),
                  s.original ? s.original : originalRead.toStdString());
        EXPECT_EQ(f.translatedCharsetCombo->currentText().toStdString(),
                  s.translated ? s.translated : translatedStart.toStdString());
    }
}
