// Loads through the frame: what a refused load leaves, special files, and what the status bar says.
#include "frame_fixture.h"

#include <sys/stat.h>
#include <unistd.h>

namespace {

// The bytes velmora itself writes: UTF-16LE behind its mark.
QByteArray utf16File(const QString& text) {
    QByteArray b("\xFF\xFE", 2);
    for (QChar c : text)
        b.append(char(c.unicode() & 0xFF)).append(char(c.unicode() >> 8));
    return b;
}

QByteArray bytesOf(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

} // namespace

TEST_F(FrameTest, ARefusedLoadChangesNothing) {
    CMainFrame& f = frame();
    const QByteArray first = utf16File("1\r\n00:00:01,000 --> 00:00:02,000\r\nHello\r\n\r\n"
                                       "2\r\n00:00:03,000 --> 00:00:04,000\r\nBye\r\n\r\n");
    const QString film = writeFile(QStringLiteral("film.srt"), first);
    load(CommandId::LoadOriginal, film, 0);
    ASSERT_EQ(f.session().rowCount(), 2);
    const QString title = f.windowTitle();

    const QString fifo = m_root.filePath(QStringLiteral("pipe.smi"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString zero = m_root.filePath(QStringLiteral("zero.smi"));
    ASSERT_EQ(::symlink("/dev/zero", QFile::encodeName(zero).constData()), 0);
    const QString folder = m_root.filePath(QStringLiteral("folder.smi"));
    ASSERT_TRUE(QDir().mkdir(folder));
    // Each under the SAMI filter, which once switched the format before the file was even read.
    const QString refused[] = {
        writeFile(QStringLiteral("big.smi"), QByteArray(409601, 'a')),
        m_root.filePath(QStringLiteral("missing.smi")),
        folder,
        fifo,
        zero,
    };
    for (const QString& path : refused) {
        m_seam.messages.clear();
        load(CommandId::LoadOriginal, path, 2);
        f.loadFromCommandLine({path});
        EXPECT_EQ(m_seam.messages.size(), 2) << path.toStdString();
        EXPECT_EQ(f.session().document().formatMode, kSubRip) << path.toStdString();
        EXPECT_EQ(f.session().rowCount(), 2) << path.toStdString();
        EXPECT_TRUE(f.session().isClean()) << path.toStdString();
        EXPECT_EQ(f.windowTitle(), title) << path.toStdString();
    }

    const QString saved = m_root.filePath(QStringLiteral("saved.srt"));
    m_seam.saveAnswers.push_back(saved);
    f.dispatchCommand(CommandId::SaveOriginalSubtitle);
    EXPECT_EQ(bytesOf(saved), first);
}

TEST_F(FrameTest, TheStatusBarNamesEntriesWithUnreadableTimes) {
    CMainFrame& f = frame();
    load(CommandId::LoadOriginal,
         writeFile(QStringLiteral("bad.srt"), "1\r\nab:cd:ef,ghi --> 00:00:05,000\r\nFirst\r\n\r\n"
                                              "2\r\n00:00:06,000 --> 00:00:07,000\r\nSecond\r\n"),
         0);
    ASSERT_EQ(f.session().rowCount(), 2);
    EXPECT_EQ(f.session().rows().at(0).original, QStringLiteral("First"));
    EXPECT_TRUE(f.statusBar()->currentMessage().contains(QStringLiteral("Entry 1 ")))
        << f.statusBar()->currentMessage().toStdString();
}
