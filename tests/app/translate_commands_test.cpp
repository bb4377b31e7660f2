// "Translate All" and "Translate Selected" through the frame, against a loopback service: the
// batches land in the rows and lists by position, the whole job is one undo step, and the progress
// dialog runs through the seam.
#include "app/mapping_view.h"
#include "app/progress_dialog.h"
#include "frame_fixture.h"
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
        m_seam.onModal = [](QDialog& d) {
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
