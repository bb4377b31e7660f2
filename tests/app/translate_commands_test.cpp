// "Translate All" and "Translate Selected" through the frame, against a loopback service: the
// batches land in the rows and lists by position, the whole job is one undo step, the memory fills
// what it knows before anything is sent, and the progress dialog runs through the seam.
#include "app/mapping_view.h"
#include "app/progress_dialog.h"
#include "frame_fixture.h"
#include "memory/memory_store.h"
#include "tools/fake_translator/fake_service.h"

#include <QProgressBar>
#include <QPushButton>

namespace {

class TranslateCommands : public FrameTest {
protected:
    void SetUp() override {
        FrameTest::SetUp();
        ASSERT_TRUE(m_service.listening());
        qputenv("VELMORA_TRANSLATE_URL", m_service.url().toUtf8());
        qputenv("VELMORA_TRANSLATE_PAUSE_MS", "0");
        // The progress dialog closes with OK once the job is done, as a user would close it.
        m_seam.onModal = [this](QDialog& d) {
            auto* progress = qobject_cast<CProgress*>(&d);
            ASSERT_NE(progress, nullptr);
            ASSERT_TRUE(QTest::qWaitFor(
                [&] {
                    progress->OnTimer();
                    return progress->okButton()->isEnabled();
                },
                10000));
            // A finished job's bar is full, whatever its length.
            // (Qt draws a bar whose range is a single value empty.)
            const auto* bar = progress->findChild<QProgressBar*>();
            EXPECT_LT(bar->minimum(), bar->maximum());
            EXPECT_EQ(bar->value(), bar->maximum());
            m_lastCount = progress->countText()->text();
            progress->okButton()->click();
        };
    }
    void TearDown() override {
        FrameTest::TearDown();
        qunsetenv("VELMORA_TRANSLATE_URL");
        qunsetenv("VELMORA_TRANSLATE_PAUSE_MS");
    }

    QString translated(int row) const { return m_frame->session().rows().at(row).translated; }

    FakeTranslator m_service{serviceLikeHandler(markedTranslation)};
    QString m_lastCount; // the progress dialog's count as the job ended
};

} // namespace

TEST_F(TranslateCommands, AllRowsInBatchesAsOneUndoStep) {
    CMainFrame& f = frame();
    load(CommandId::LoadOriginal, writeFile(QStringLiteral("film.srt"), srt(60)));
    f.translateToCombo()->setCurrentText(QStringLiteral("Chinese(Traditional)"));
    f.dispatchCommand(CommandId::TranslateAll);

    const std::vector<RecordedRequest> requests = m_service.requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[0].lines().size(), 25);
    EXPECT_EQ(requests[2].lines().size(), 10);
    EXPECT_EQ(translated(0), "[zh-TW] Line 1");
    EXPECT_EQ(translated(59), "[zh-TW] Line 60");
    EXPECT_EQ(f.session().document().translatedTexts[30], "[zh-TW] Line 31");
    EXPECT_FALSE(f.isTranslating());
    // "Mapping Text" shows every row's translation once the job is over.
    EXPECT_TRUE(f.childView()->mappingView()->richEdit()->toPlainText().contains("[zh-TW] Line 60"));

    // The job is one step: one undo takes every batch back.
    EXPECT_EQ(f.session().historySize(), 1);
    f.dispatchCommand(CommandId::Undo);
    EXPECT_EQ(translated(0), kUntranslated);
    EXPECT_EQ(translated(59), kUntranslated);
}

TEST_F(TranslateCommands, SelectedRowsOnlyInAscendingOrder) {
    CMainFrame& f = frame();
    load(CommandId::LoadOriginal, writeFile(QStringLiteral("film.srt"), srt(20)));
    selectRows({12, 10, 11});
    f.dispatchCommand(CommandId::TranslateSelected);
    ASSERT_EQ(m_service.requestCount(), 1);
    EXPECT_EQ(m_service.requests()[0].lines(), (QStringList{"Line 11", "Line 12", "Line 13"}));
    EXPECT_EQ(translated(9), kUntranslated);
    EXPECT_EQ(translated(10), "[fr] Line 11");
    EXPECT_EQ(translated(12), "[fr] Line 13");
    EXPECT_EQ(f.session().document().translatedTexts[11], "[fr] Line 12");
    EXPECT_EQ(translated(13), kUntranslated);

    // One line alone: the bar is full at "Done" too.
    selectRows({15});
    f.dispatchCommand(CommandId::TranslateSelected);
    EXPECT_EQ(translated(15), "[fr] Line 16");
}

// Lines the memory knows exactly are written from it and never sent; the rest go to the engine, and
// the whole is still one undo step. A memory that cannot be read leaves the job as it was.
TEST_F(TranslateCommands, TheMemoryFillsWhatItKnowsAndOnlyTheRestIsSent) {
    struct Case {
        const char* what;
        int every;   // the memory knows lines 1, 1 + every, ...; 0: the memory file is damaged
        int sent;    // of the 30 lines
        int dialogs; // progress dialogs shown
        const char* count;
        const char* status; // nullptr: the status bar says nothing of the memory
    };
    const Case cases[] = {
        {"every third line known", 3, 20, 1, "10 from memory, 20 / 20 translated",
         "10 lines from memory, 20 translated"},
        {"every line known", 1, 0, 0, "", "30 lines from memory"},
        {"a damaged memory", 0, 30, 1, "30 / 30 lines", nullptr},
    };
    const QString memory = m_root.filePath(QStringLiteral("data/")) + QLatin1String(kMemoryFileName);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        m_frame.reset();
        for (const char* suffix : {"", "-wal", "-shm", "-journal"})
            QFile::remove(memory + QLatin1String(suffix));
        if (c.every == 0)
            writeFile(QStringLiteral("data/") + QLatin1String(kMemoryFileName),
                      QByteArray("SQLite format 3") + '\0' + QByteArray(4000, 'x'));
        const std::size_t before = m_service.requests().size();
        m_seam.modalTitles.clear();
        m_lastCount.clear();
        CMainFrame& f = frame();
        load(CommandId::LoadOriginal, writeFile(QStringLiteral("film.srt"), srt(30)));
        QList<MemoryRow> known;
        for (int line = 1; c.every > 0 && line <= 30; line += c.every)
            known.append(
                {QStringLiteral("Line %1").arg(line), QStringLiteral("Ligne %1").arg(line), false, {}});
        if (!known.isEmpty()) {
            ASSERT_FALSE(f.memory()->addRows(known, {"en", "fr"}, QStringLiteral("old.srt")).message);
        }
        f.dispatchCommand(CommandId::TranslateAll);

        QStringList sent;
        const std::vector<RecordedRequest> requests = m_service.requests();
        for (std::size_t k = before; k < requests.size(); ++k)
            sent += requests[k].lines();
        EXPECT_EQ(sent.size(), c.sent);
        EXPECT_EQ(m_seam.modalTitles.size(), c.dialogs);
        EXPECT_EQ(m_lastCount, QLatin1String(c.count));
        if (c.status) {
            EXPECT_EQ(f.statusBar()->currentMessage(), QLatin1String(c.status));
        } else {
            EXPECT_FALSE(f.statusBar()->currentMessage().contains(QStringLiteral("from memory")));
        }
        for (int row = 0; row < 30; ++row) {
            const bool fromMemory = c.every > 0 && row % c.every == 0;
            EXPECT_EQ(translated(row), fromMemory ? QStringLiteral("Ligne %1").arg(row + 1)
                                                  : QStringLiteral("[fr] Line %1").arg(row + 1))
                << row;
            EXPECT_NE(sent.contains(QStringLiteral("Line %1").arg(row + 1)), fromMemory) << row;
        }
        EXPECT_FALSE(f.isTranslating());
        EXPECT_EQ(f.session().historySize(), 1);
        f.dispatchCommand(CommandId::Undo);
        EXPECT_EQ(translated(0), kUntranslated);
        EXPECT_EQ(translated(29), kUntranslated);
    }
}

// A saved line keeps who made it: the engine while it stands as the engine wrote it, the
// translator once corrected, so that the corrected line wins when the memory is asked again.
TEST_F(TranslateCommands, ASavedLineIsTheEnginesUntilTheTranslatorChangesIt) {
    CMainFrame& f = frame();
    load(CommandId::LoadOriginal, writeFile(QStringLiteral("ep1.srt"), srt(3)));
    f.dispatchCommand(CommandId::TranslateAll);
    ASSERT_EQ(translated(1), QStringLiteral("[fr] Line 2"));
    f.applyChange(f.session().setTextCell(1, kColumnTranslated, QStringLiteral("Ligne deux")));
    m_seam.saveAnswers.push_back(m_root.filePath(QStringLiteral("ep1.fr.srt")));
    f.dispatchCommand(CommandId::SaveTranslatedSubtitle);

    QHash<QString, MemoryUnit> units;
    f.memory()->forEachUnit([&](const MemoryUnit& u) {
        units.insert(u.source, u);
        return true;
    });
    ASSERT_EQ(units.size(), 3);
    EXPECT_TRUE(units[QStringLiteral("Line 2")].byHand);
    EXPECT_TRUE(units[QStringLiteral("Line 2")].engine.isEmpty());
    EXPECT_FALSE(units[QStringLiteral("Line 1")].byHand);
    EXPECT_FALSE(units[QStringLiteral("Line 1")].engine.isEmpty());
}
