// The movie pane as the frame wires it: the frame's file dialog and messages, and the translated
// subtitle of the loaded document written into the program folder.
#include "app/main_frame.h"
#include "fake_player.h"
#include "media/movie_form_view.h"
#include "pane_seam.h"

#include <QDir>
#include <QFile>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QToolButton>
#include <QUrl>
#include <gtest/gtest.h>

namespace {

void write(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

} // namespace

TEST(MovieFrame, OpensThroughTheFrameAndHandsTheTranslatedSubtitleFromTheProgramFolder) {
    QTemporaryDir root;
    const QString oldCwd = QDir::currentPath();
    QDir(root.path()).mkpath(QStringLiteral("bin"));
    QDir(root.path()).mkpath(QStringLiteral("data"));
    const QString bin = root.filePath(QStringLiteral("bin")) + u'/';
    write(root.filePath(QStringLiteral("en.srt")), "1\r\n00:00:01,000 --> 00:00:02,000\r\nHello\r\n\r\n");
    write(root.filePath(QStringLiteral("fr.srt")), "1\r\n00:00:01,000 --> 00:00:02,000\r\nBonjour\r\n\r\n");

    PaneSeam seam;
    seam.film = root.filePath(QStringLiteral("film.mkv"));
    {
        CMainFrame frame(FrameOptions{bin, root.filePath(QStringLiteral("layout.ini")), &seam});
        ASSERT_TRUE(frame.OnCreate());
        frame.loadFromCommandLine(
            {root.filePath(QStringLiteral("en.srt")), root.filePath(QStringLiteral("fr.srt"))});
        ASSERT_TRUE(seam.messages.isEmpty());
        ASSERT_EQ(frame.paneTabStrip()->tabText(1), QStringLiteral("Play Movie"));
        auto* pane = qobject_cast<CMovieFormView*>(frame.paneTabStrip()->widget(1));
        ASSERT_NE(pane, nullptr);

        // Without the player plugin beside the program the frame says so, and nothing plays.
        pane->playButton()->click();
        EXPECT_EQ(seam.filters, QStringList{QStringLiteral("All Files (*)")});
        ASSERT_EQ(seam.messages.size(), 1);
        EXPECT_EQ(seam.messages[0].caption, QStringLiteral("ERROR!"));
        EXPECT_EQ(pane->playState(), CMovieFormView::PlayState::NothingOpen);

        FakeLog log;
        pane->setEngineFactory([&](QString&) { return std::make_unique<FakeEngine>(log); });
        pane->playButton()->click();
        EXPECT_EQ(log.opened, QStringList{seam.film});
        auto* player = static_cast<FakePlayer*>(pane->player());
        ASSERT_NE(player, nullptr);
        ASSERT_EQ(player->subtitles.size(), 1);
        const QString subtitle = player->subtitles[0];
        EXPECT_TRUE(subtitle.startsWith(bin)) << subtitle.toStdString();
        EXPECT_TRUE(subtitle.endsWith(QStringLiteral("translated.srt"))) << subtitle.toStdString();
        QFile file(subtitle);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        EXPECT_TRUE(bytes.startsWith("\xFF\xFE"));
        EXPECT_TRUE(QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.constData() + 2),
                                       (bytes.size() - 2) / 2)
                        .contains(QStringLiteral("Bonjour")));
        pane->stopButton()->click();
    }
    QDir::setCurrent(oldCwd);
}
