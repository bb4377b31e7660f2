// Unsaved work survives a crash: a child process runs the frame with an edit pending and is killed;
// the next frame offers the work, and Restore brings back the rows and what was unsaved. Discard
// deletes the file, a damaged one is kept aside with a message, and a clean end leaves nothing.
#include "frame_fixture.h"

#include <QApplication>
#include <QProcess>
#include <cstdio>

namespace {

constexpr char kChildFlag[] = "--edit-and-wait";

class RecoveryFrame : public FrameTest {
protected:
    QString folder() const { return m_root.filePath("cache/velmora/recovery"); }

    CMainFrame& recoveringFrame(int autosaveMs = 60000) {
        m_frame.reset();
        FrameOptions options{bin(), layout(), &m_seam};
        options.recoveryFolder = folder();
        options.autosaveMilliseconds = autosaveMs;
        m_frame = std::make_unique<CMainFrame>(options);
        EXPECT_TRUE(m_frame->OnCreate());
        return *m_frame;
    }
    QStringList filesLeft() const { return QDir(folder()).entryList(QDir::Files); }
    // Leaves a recovery file as a run that died would: written, its lock let go.
    void leaveOrphan(const RecoveryState& state) {
        RecoveryFile file(folder());
        ASSERT_TRUE(file.write(state));
    }
};

// The child: the frame with both files loaded and an edit on each side, autosaving every 20 ms;
// "ready" once the recovery file is there, then it waits to be killed.
int runChild(const QStringList& args) {
    FakeSeam seam;
    FrameOptions options{args[0], args[1], &seam};
    options.recoveryFolder = args[2];
    options.autosaveMilliseconds = 20;
    CMainFrame frame(options);
    if (!frame.OnCreate())
        return 2;
    frame.loadFromCommandLine({args[3], args[4]});
    QAbstractItemModel* model = frame.grid()->model();
    model->setData(model->index(0, kColumnOriginal), QStringLiteral("edited|original"));
    model->setData(model->index(2, kColumnTranslated), QStringLiteral("typed translation"));
    while (!QFile::exists(frame.recoveryFile()))
        QTest::qWait(5);
    std::printf("ready\n");
    std::fflush(stdout);
    return QApplication::exec();
}

} // namespace

TEST_F(RecoveryFrame, KilledWithAnEditPendingTheNextStartRestoresIt) {
    const QString original = writeFile("film.en.srt", srt(3));
    const QString translated = writeFile("film.fr.srt", srt(2, "Ligne"));
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(),
                {kChildFlag, bin(), layout(), folder(), original, translated});
    ASSERT_TRUE(child.waitForStarted());
    QByteArray said;
    while (!said.contains("ready") && child.waitForReadyRead(30000))
        said += child.readAllStandardOutput();
    ASSERT_TRUE(said.contains("ready")) << child.readAllStandardError().toStdString();
    child.kill();
    ASSERT_TRUE(child.waitForFinished());
    EXPECT_EQ(child.exitStatus(), QProcess::CrashExit);

    CMainFrame& f = recoveringFrame();
    m_seam.yesNoAnswers = {true};
    ASSERT_TRUE(f.offerRecovery());
    ASSERT_EQ(m_seam.yesNoQuestions.size(), 1);
    EXPECT_TRUE(m_seam.yesNoQuestions[0].text.startsWith(
        "Restore the unsaved work of film.en.srt and film.fr.srt from "))
        << m_seam.yesNoQuestions[0].text.toStdString();

    const SubtitleSession& s = f.session();
    ASSERT_EQ(s.rowCount(), 3);
    EXPECT_EQ(s.rows().at(0).original, "edited|\noriginal");
    EXPECT_EQ(s.rows().at(2).translated, "typed translation");
    EXPECT_EQ(s.document().originalTexts, (QStringList{"edited|\noriginal", "Line 2", "Line 3"}));
    EXPECT_EQ(s.document().translatedTexts, (QStringList{"Ligne 1", "Ligne 2", "typed translation"}));
    EXPECT_EQ(s.document().timeLines.size(), 3);
    EXPECT_TRUE(f.isModified(Side::Original));
    EXPECT_TRUE(f.isModified(Side::Translated));
    EXPECT_EQ(f.windowTitle(), QString::fromUtf8("film.en.srt \u2022 + film.fr.srt \u2022 \u2014 velmora"));
    EXPECT_EQ(f.sideFile(Side::Translated), translated);

    // The dead run's file has become this run's; a clean end then leaves nothing behind.
    EXPECT_EQ(filesLeft().filter(".recovery").size(), 1);
    EXPECT_TRUE(QFile::exists(f.recoveryFile()));
    EXPECT_TRUE(f.close());
    EXPECT_TRUE(filesLeft().isEmpty()) << filesLeft().join(' ').toStdString();
}

TEST_F(RecoveryFrame, DiscardDeletesAndADamagedFileIsKeptAsideWithAMessage) {
    RecoveryState state;
    state.rows = {EntryRow{1, "00:00:01,000", "00:00:02,000", "kept?", "untranslated"}};
    state.document.originalTexts = {"kept?"};
    state.originalUnsaved = sideBit(Side::Original);
    leaveOrphan(state);
    QDir(folder()).mkpath(".");
    writeFile("cache/velmora/recovery/velmora-1-1.recovery", "velmora recovery\ncut short");

    CMainFrame& f = recoveringFrame();
    m_seam.yesNoAnswers = {false};
    EXPECT_FALSE(f.offerRecovery());
    EXPECT_EQ(f.session().rowCount(), 0);
    ASSERT_EQ(m_seam.yesNoQuestions.size(), 1);
    EXPECT_TRUE(m_seam.yesNoQuestions[0].text.startsWith("Restore the unsaved work of an untitled document"));
    ASSERT_EQ(m_seam.messages.size(), 1);
    EXPECT_TRUE(m_seam.messages[0].text.contains("cannot be restored: it is incomplete"))
        << m_seam.messages[0].text.toStdString();
    EXPECT_EQ(filesLeft(), QStringList{"velmora-1-1.recovery.damaged"});

    // Not offered again.
    EXPECT_FALSE(recoveringFrame().offerRecovery());
    EXPECT_EQ(m_seam.yesNoQuestions.size(), 1);
    EXPECT_EQ(m_seam.messages.size(), 1);
}

TEST_F(RecoveryFrame, AutosaveKeepsOnlyWhatIsUnsaved) {
    CMainFrame& f = recoveringFrame();
    load(CommandId::LoadOriginal, writeFile("film.en.srt", srt(2)));
    f.autosave();
    EXPECT_TRUE(filesLeft().isEmpty()); // nothing unsaved

    QAbstractItemModel* model = f.grid()->model();
    model->setData(model->index(0, kColumnTranslated), "Bonjour");
    // A translation job keeps the work before it starts.
    f.setTranslating(true);
    f.setTranslating(false);
    ASSERT_TRUE(QFile::exists(f.recoveryFile()));
    QFile written(f.recoveryFile());
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    const RecoveryRead kept = decodeRecovery(written.readAll());
    ASSERT_TRUE(kept.state);
    EXPECT_EQ(kept.state->document.translatedTexts.value(0), "Bonjour");

    // Saved, nothing is left to recover.
    m_seam.saveAnswers.push_back(m_root.filePath("film.fr.srt"));
    f.dispatchCommand(CommandId::SaveTranslatedSubtitle);
    EXPECT_TRUE(filesLeft().isEmpty());

    // And the timer writes it again after the next edit.
    CMainFrame& timed = recoveringFrame(10);
    load(CommandId::LoadOriginal, m_root.filePath("film.en.srt"));
    timed.grid()->model()->setData(timed.grid()->model()->index(1, kColumnOriginal), "again");
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(timed.recoveryFile()), 5000);
}

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 7 && args[1] == QLatin1String(kChildFlag))
        return runChild(args.mid(2));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
