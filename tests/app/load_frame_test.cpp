// Loads through the frame: what a refused load leaves, and what the status bar says.
#include "frame_fixture.h"

#include <sys/stat.h>
#include <unistd.h>

TEST_F(FrameTest, ARefusedLoadChangesNothing) {
    CMainFrame& f = frame();
    // A file as velmora itself writes it, so that a save can give back its very bytes.
    const QString text = QStringLiteral("1\r\n00:00:01,000 --> 00:00:02,000\r\nHello\r\n\r\n");
    const QByteArray first =
        QByteArray("\xFF\xFE", 2) + QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    load(CommandId::LoadOriginal, writeFile(QStringLiteral("film.srt"), first), 0);
    ASSERT_EQ(f.session().rowCount(), 1);
    const QString title = f.windowTitle();

    const QString fifo = m_root.filePath(QStringLiteral("pipe.smi"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString zero = m_root.filePath(QStringLiteral("zero.smi"));
    ASSERT_EQ(::symlink("/dev/zero", QFile::encodeName(zero).constData()), 0);
    // Each under the SAMI filter, which once switched the format before the file was even read.
    for (const QString& path : {writeFile(QStringLiteral("big.smi"), QByteArray(409601, 'a')),
                                m_root.filePath(QStringLiteral("missing.smi")), m_root.path(), fifo, zero}) {
        m_seam.messages.clear();
        load(CommandId::LoadOriginal, path, 2);
        f.loadFromCommandLine({path});
        EXPECT_EQ(m_seam.messages.size(), 2) << path.toStdString();
        EXPECT_EQ(f.session().document().formatMode, kSubRip) << path.toStdString();
        EXPECT_EQ(f.session().rowCount(), 1);
        EXPECT_TRUE(f.session().isClean());
        EXPECT_EQ(f.windowTitle(), title);
    }
    const QString saved = m_root.filePath(QStringLiteral("saved.srt"));
    m_seam.saveAnswers.push_back(saved);
    f.dispatchCommand(CommandId::SaveOriginalSubtitle);
    QFile file(saved);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), first);
}

TEST_F(FrameTest, TheStatusBarNamesEntriesWithUnreadableTimes) {
    CMainFrame& f = frame();
    load(CommandId::LoadOriginal,
         writeFile(QStringLiteral("bad.srt"), "1\r\nab:cd:ef,ghi --> 00:00:05,000\r\nFirst\r\n\r\n"
                                              "2\r\n00:00:06,000 --> 00:00:07,000\r\nSecond\r\n"),
         0);
    ASSERT_EQ(f.session().rowCount(), 2);
    EXPECT_TRUE(f.statusBar()->currentMessage().contains(QStringLiteral("Entry 1 ")))
        << f.statusBar()->currentMessage().toStdString();
}

TEST_F(FrameTest, GridRowsGrowWithTheirEntriesLinesUpToACap) {
    CMainFrame& f = frame(true);
    // Entries of 3, 1, 2, 4 and 6 lines.
    QByteArray file;
    const int lines[] = {3, 1, 2, 4, 6};
    for (int i = 0; i < 5; ++i) {
        file += QByteArray::number(i + 1) + "\r\n00:00:0" + QByteArray::number(i) + ",000 --> 00:00:0" +
                QByteArray::number(i) + ",500\r\n";
        for (int l = 1; l <= lines[i]; ++l)
            file += "Line " + QByteArray::number(l) + "\r\n";
        file += "\r\n";
    }
    load(CommandId::LoadOriginal, writeFile(QStringLiteral("lines.srt"), file));
    ASSERT_EQ(f.session().rowCount(), 5);
    CReportView* grid = f.grid();
    auto height = [grid](int row) { return grid->rowHeight(row); };
    EXPECT_GT(height(0), height(2));
    EXPECT_EQ(height(1), height(2));
    EXPECT_GT(height(3), height(0));
    EXPECT_EQ(height(4), height(3));
    // The whole text where the row cannot show it.
    const QModelIndex six = grid->model()->index(4, kColumnOriginal);
    EXPECT_TRUE(six.data(Qt::ToolTipRole).toString().endsWith(QStringLiteral("Line 6")));

    // A row follows its entry's edits, and the rows after an insert keep their heights.
    ASSERT_TRUE(grid->model()->setData(six, QStringLiteral("Short"), Qt::EditRole));
    EXPECT_EQ(height(4), height(1));
    selectRows({0});
    f.dispatchCommand(CommandId::InsertBefore);
    ASSERT_EQ(f.session().rowCount(), 6);
    EXPECT_GT(height(1), height(0));
}
