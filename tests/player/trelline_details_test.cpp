// What a new user of the player trips over: the Font dialog after Escape, a click on the slider,
// and the Play button after the last line.
#include "player/font_color_dialog.h"
#include "player/trelline_dlg.h"

#include "manual_clock.h"

#include <QFile>
#include <QFontDialog>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

class TrellineDetails : public ::testing::Test {
protected:
    TrellineDetails() : dialog(&clock) {
        dialog.setPrompts({[this](QWidget*) { return nextFile; }, [](QWidget*, const UserMessage&) {},
                           [this](QDialog& d) { return runModal ? runModal(d) : false; }});
        dialog.show();
    }
    ~TrellineDetails() override { dialog.session().stop(); }

    void load(int lines) {
        QByteArray bytes;
        for (int i = 0; i < lines; ++i)
            bytes += QStringLiteral("%1\n00:00:%2,000 --> 00:00:%2,500\nLine %1\n\n")
                         .arg(i + 1)
                         .arg(i + 1, 2, 10, QChar(u'0'))
                         .toLatin1();
        nextFile = dir.filePath(QStringLiteral("f.srt"));
        QFile file(nextFile);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        file.close();
        dialog.findChild<QPushButton*>(QStringLiteral("loadButton"))->click();
    }
    bool settle() {
        return clock.settle([this] { return !dialog.session().threadRunning(); });
    }

    ManualClock clock;
    CTrellineDlg dialog;
    QTemporaryDir dir;
    QString nextFile;
    std::function<bool(QDialog&)> runModal;
};

} // namespace

TEST_F(TrellineDetails, FontDialogIsWholeAgainAfterEscape) {
    int runs = 0;
    runModal = [&runs](QDialog& d) {
        ++runs;
        d.show();
        auto* fonts = d.findChild<QFontDialog*>();
        EXPECT_NE(fonts, nullptr);
        EXPECT_TRUE(fonts && fonts->isVisible()) << "run " << runs;
        // Escape where the keyboard is: inside the embedded font chooser.
        QWidget* target = fonts ? fonts->focusWidget() : nullptr;
        QTest::keyClick(target ? target : fonts, Qt::Key_Escape);
        const bool ok = d.result() == QDialog::Accepted;
        d.hide();
        return ok;
    };
    QPushButton* font = dialog.findChild<QPushButton*>(QStringLiteral("fontButton"));
    font->click();
    font->click();
    EXPECT_EQ(runs, 2);
    // Escape is a cancel: the text keeps its colour.
    EXPECT_EQ(dialog.textColor(), QColor(255, 0, 0));
}

TEST_F(TrellineDetails, SliderClickJumpsToTheClickedPlace) {
    load(100);
    QSlider* slider = dialog.findChild<QSlider*>(QStringLiteral("positionSlider"));
    ASSERT_TRUE(slider->isEnabled());
    QTest::mouseClick(slider, Qt::LeftButton, {}, QPoint(slider->width() * 3 / 4, slider->height() / 2));
    // Far beyond one page from the start, near three quarters of the list.
    EXPECT_GT(slider->value(), 60);
    EXPECT_LT(slider->value(), 90);
    EXPECT_EQ(dialog.session().position(), slider->value());
    EXPECT_TRUE(dialog.findChild<QLabel*>(QStringLiteral("subtitleLine"))
                    ->text()
                    .startsWith(QStringLiteral("Line %1").arg(slider->value())));
}

TEST_F(TrellineDetails, TheEndTurnsPlayBackToPlay) {
    load(1);
    QPushButton* play = dialog.findChild<QPushButton*>(QStringLiteral("playButton"));
    play->click();
    EXPECT_EQ(play->text(), QStringLiteral("Pause"));
    for (int step = 0; step < 20 && dialog.session().threadRunning(); ++step) {
        ASSERT_TRUE(settle());
        clock.advanceToDeadline();
    }
    ASSERT_TRUE(settle());
    QCoreApplication::processEvents();
    EXPECT_EQ(dialog.findChild<QLabel*>(QStringLiteral("subtitleLine"))->text(), QStringLiteral("The End"));
    EXPECT_EQ(play->text(), QStringLiteral("Play"));
    // And Play plays again from the first line.
    EXPECT_EQ(dialog.session().state(), PlaybackState::Stopped);
    play->click();
    EXPECT_EQ(dialog.session().state(), PlaybackState::Playing);
    EXPECT_EQ(play->text(), QStringLiteral("Pause"));
}
