// The shell's own handlers, hooks and boxes, driven through the frame as a user would.
#include "app/ready_report.h"
#include "charset/charset_table.h"
#include "frame_fixture.h"

#include <QApplication>
#include <QFileDialog>
#include <QImage>
#include <QMessageBox>
#include <QTimer>
#include <functional>
#include <optional>

TEST_F(FrameTest, WhatVelmoraStartsOrOpensIsFoundBesideItOrTheUserIsToldWhereItLooked) {
    const char* guide = "../share/doc/velmora/README.md"; // where an install and the build put it
    struct Case {
        CommandId command;
        const char* file; // in the program folder
        bool present, opens;
        const char* says; // empty: nothing is said
        const char* arguments = "";
    };
    const Case cases[] = {
        {CommandId::PlaySubtitle, "trelline", false, true, "trelline was not found"},
        {CommandId::StudyDictionary, "mini", false, true, "mini was not found"},
        {CommandId::HelpTopics, guide, false, true, "user guide was not found"},
        {CommandId::PlaySubtitle, "trelline", true, false, "trelline could not be started"},
        {CommandId::HelpTopics, guide, true, false, "could not be opened"},
        {CommandId::PlaySubtitle, "trelline", true, true, ""},
        {CommandId::StudyDictionary, "mini", true, true, "", " -f 1"},
        {CommandId::MiniStudyVocabulary, "mini", true, true, "", " -f 0"},
        {CommandId::HelpTopics, guide, true, true, ""},
    };
    CMainFrame& f = frame();
    QDir().mkpath(m_root.filePath(QStringLiteral("share/doc/velmora")));
    for (const Case& c : cases) {
        const QString path = QDir::cleanPath(bin() + QLatin1String(c.file));
        SCOPED_TRACE(path.toStdString() + (c.present ? " present" : " missing"));
        QFile::remove(path);
        if (c.present)
            QFile(path).open(QIODevice::WriteOnly);
        m_seam.started.clear();
        m_seam.urls.clear();
        m_seam.messages.clear();
        m_seam.startSucceeds = m_seam.openUrlSucceeds = c.opens;
        f.dispatchCommand(c.command);
        QStringList reached;
        for (const auto& [program, arguments] : m_seam.started)
            reached.append((QStringList{program} + arguments).join(u' '));
        for (const QUrl& url : m_seam.urls)
            reached.append(url.toLocalFile());
        EXPECT_EQ(reached, c.present ? QStringList{path + QLatin1String(c.arguments)} : QStringList{});
        if (*c.says == 0) {
            EXPECT_TRUE(m_seam.messages.isEmpty());
            continue;
        }
        ASSERT_EQ(m_seam.messages.size(), 1);
        const QString& said = m_seam.messages[0].text;
        EXPECT_TRUE(said.contains(QLatin1String(c.says)) && said.contains(path)) << qPrintable(said);
    }
}

TEST(DesktopSeamBoxes, ShowPathsAndAnswersAsTheyAreNeverAsMarkup) {
    // A file name is the user's data: markup in it must not turn into a spoofed red warning.
    const QString path = QStringLiteral("/tmp/<font color=red>re-enter your password</font>.srt");
    QTemporaryDir settings;
    DesktopSeam seam(settings.filePath(QStringLiteral("folders.ini")));
    const std::function<void()> boxes[] = {
        [&] { seam.showMessage(nullptr, errorMessage(path)); },
        [&] { seam.askToSave(nullptr, path); },
        [&] {
            seam.askYesNo(nullptr, UserMessage{path, QStringLiteral("velmora")});
        },
    };
    for (const auto& show : boxes) {
        std::optional<Qt::TextFormat> format;
        QTimer::singleShot(0, [&format] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                format = box->textFormat();
                box->done(QMessageBox::Cancel);
            }
        });
        show();
        EXPECT_EQ(format, Qt::PlainText);
    }
}

TEST(DesktopSeamBoxes, SaveDialogsOpenOnTheProposedFileWhoseNameFollowsTheFormat) {
    QTemporaryDir settings, folder;
    DesktopSeam seam(settings.filePath(QStringLiteral("folders.ini")));
    const QStringList filters{QStringLiteral("SubRip (*.srt)"), QStringLiteral("WebVTT (*.vtt)")};
    const QStringList proposed{folder.filePath(QStringLiteral("film.fr.srt")),
                               folder.filePath(QStringLiteral("film.fr.vtt"))};
    struct Case {
        const char* typed; // what the user types before picking WebVTT; nothing: no typing
        const char* shown; // the name the dialog shows after the pick
    };
    // A typed name keeps its stem; the proposed one is the proposal for the format picked.
    const Case cases[] = {{"mine.srt", "mine.vtt"}, {nullptr, "film.fr.vtt"}};
    for (const Case& c : cases) {
        QString folderShown, first, after;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            auto* types = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
            if (name && types) {
                folderShown = dialog->directory().absolutePath();
                first = name->text();
                if (c.typed)
                    name->setText(QString::fromLatin1(c.typed));
                types->setCurrentIndex(1);
                emit types->activated(1);
                after = name->text();
            }
            dialog->reject();
        });
        seam.getSaveFileChoice(nullptr, filters, 0, {QStringLiteral("srt"), QStringLiteral("vtt")}, proposed);
        EXPECT_EQ(folderShown, QDir(folder.path()).absolutePath());
        EXPECT_EQ(first, "film.fr.srt");
        EXPECT_EQ(after, QString::fromLatin1(c.shown));
    }
}

TEST_F(FrameTest, ScreenshotHookWritesOnlyANewFileWithVelmorasOwnWindow) {
    const QString victim = writeFile(QStringLiteral("victim.txt"), "the user's own");
    for (const char* before : {"file", "link", ""}) {
        SCOPED_TRACE(before);
        const QString shot = m_root.filePath(QStringLiteral("shot-%1.png").arg(QLatin1String(before)));
        if (QLatin1String(before) == QLatin1String("file"))
            QFile::copy(victim, shot);
        else if (QLatin1String(before) == QLatin1String("link"))
            QFile::link(victim, shot);
        qputenv("VELMORA_SCREENSHOT", QFile::encodeName(shot));
        CMainFrame& f = frame(true);
        f.resize(900, 500);
        ReadyReport::install(&f, false);
        qunsetenv("VELMORA_SCREENSHOT");
        f.grid()->viewport()->update();
        EXPECT_TRUE(QTest::qWaitFor([&f] { return !f.isVisible(); }, 5000));
        QFile kept(QFileInfo(shot).canonicalFilePath());
        ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
        if (*before)
            EXPECT_EQ(kept.readAll(), QByteArray("the user's own"));
        else // the window, not whatever else is on the screen
            EXPECT_EQ(QImage(shot).size(), QSize(900, 500));
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

TEST_F(FrameTest, CharsetBoxSaysWhatItsSideWasReadAs) {
    const QString text = QStringLiteral("1\r\n00:00:01,000 --> 00:00:02,000\r\ncaf\u00e9 \u4e2d\r\n\r\n");
    QByteArray utf16("\xFF\xFE", 2);
    utf16.append(reinterpret_cast<const char*>(text.utf16()), text.size() * 2); // a little-endian host
    struct Case {
        QByteArray bytes;
        const char* shows; // empty: a set of the table, as the detector chose
        bool usable;       // picking another set can read the side anew
    };
    const Case cases[] = {
        {utf16, "Unicode(UTF-16)", false},
        {"\xEF\xBB\xBF" + text.toUtf8(), "Unicode(UTF-8)", false},
        {text.toUtf8(), "Unicode(UTF-8)", true},
        {"1\r\n00:00:01,000 --> 00:00:02,000\r\ncaf\xE9\r\n\r\n", "", true},
    };
    CMainFrame& f = frame();
    for (Side side : {Side::Original, Side::Translated}) {
        const bool original = side == Side::Original;
        QComboBox* box = original ? f.originalCharsetCombo() : f.translatedCharsetCombo();
        QComboBox* other = original ? f.translatedCharsetCombo() : f.originalCharsetCombo();
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(original ? "original " : "translation ") + c.shows);
            const QString otherShows = other->currentText();
            load(original ? CommandId::LoadOriginal : CommandId::LoadTranslated,
                 writeFile(QStringLiteral("side.srt"), c.bytes));
            const QString shown = box->currentText();
            EXPECT_TRUE(*c.shows ? shown == QLatin1String(c.shows) : lookupCharsetKey(shown).has_value())
                << qPrintable(shown);
            // A job in between must not bring an unusable box back.
            f.setTranslating(true);
            f.setTranslating(false);
            EXPECT_EQ(box->isEnabled(), c.usable);
            EXPECT_EQ(box->toolTip().contains(QStringLiteral("byte-order mark")), !c.usable);
            // A Unicode form the table lacks stays in the list only while it is shown.
            EXPECT_EQ(box->count(), box->currentIndex() < 21 ? 21 : 22);
            EXPECT_EQ(other->currentText(), otherShows);
        }
    }
}

TEST_F(FrameTest, EachCharsetBoxShowsItsOwnSideOnly) {
    CMainFrame& f = frame();
    load(CommandId::LoadOriginal,
         writeFile(QStringLiteral("ru.cp1251.srt"),
                   "1\r\n00:00:01,000 --> 00:00:02,000\r\n\xCF\xF0\xE8\xE2\r\n\r\n"));
    auto choose = [](QComboBox* combo, const char* name) {
        combo->setCurrentIndex(combo->findText(QLatin1String(name)));
        emit combo->activated(combo->currentIndex());
    };
    const QString read = f.originalCharsetCombo()->currentText();
    const QString start = f.translatedCharsetCombo()->currentText();
    const char* koi = "Cyrillic(KOI8-R)";
    const char* greek = "Greek(iso-8859-7)";
    struct Step {
        std::function<void()> run;
        QString original, translated; // what each box shows afterwards
    };
    const Step steps[] = {
        {[&] { choose(f.originalCharsetCombo(), koi); }, koi, start},
        {[&] { choose(f.translatedCharsetCombo(), greek); }, koi, greek},
        {[&] { f.undo(); }, koi, start},
        {[&] { f.undo(); }, read, start},
    };
    for (const Step& s : steps) {
        s.run();
        EXPECT_EQ(f.originalCharsetCombo()->currentText(), s.original) << qPrintable(s.original);
        EXPECT_EQ(f.translatedCharsetCombo()->currentText(), s.translated) << qPrintable(s.translated);
    }
}
