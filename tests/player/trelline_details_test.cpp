// What a new user of the player trips over: the Font dialog after Escape, a click on the slider,
// and the Play button after the last line.
#include "player/font_color_dialog.h"
#include "player/trelline_dlg.h"

#include "manual_clock.h"

#include <QFile>
#include <QFontDialog>
#include <QImage>
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
        dialog.setPrompts({[this](QWidget*) { return nextFile; },
                           [](QWidget*, const UserMessage&) {},
                           [this](QDialog& d) { return runModal ? runModal(d) : false; },
                           {},
                           {},
                           {}});
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

TEST_F(TrellineDetails, FontDialogSampleShowsTheChosenColourAndSize) {
    FontColorDialog fonts(QFont(), QColor(255, 0, 0));
    fonts.show();
    // The rows the letters of the sample take in the given colour (0 red, 2 blue).
    auto inkRows = [&](int primary) {
        auto* sample = fonts.findChild<QWidget*>(QStringLiteral("fontSample"));
        EXPECT_NE(sample, nullptr);
        if (!sample)
            return 0;
        const QImage image = sample->grab().toImage();
        int first = -1, last = -1;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QColor c = image.pixelColor(x, y);
                const int v[3] = {c.red(), c.green(), c.blue()};
                if (v[primary] > 150 && v[(primary + 1) % 3] < 90 && v[(primary + 2) % 3] < 90) {
                    first = first < 0 ? y : first;
                    last = y;
                    break;
                }
            }
        return first < 0 ? 0 : last - first + 1;
    };
    struct Case {
        int points;
        QColor color;
    };
    int small = 0;
    for (const Case c : {Case{12, QColor(0, 0, 255)}, Case{48, QColor(0, 0, 255)}}) {
        SCOPED_TRACE(c.points);
        QFont font = fonts.selectedFont();
        font.setPointSize(c.points);
        fonts.setSelectedFont(font);
        fonts.setSelectedColor(c.color);
        QCoreApplication::processEvents();
        EXPECT_EQ(inkRows(0), 0); // nothing left in the first colour
        const int rows = inkRows(2);
        EXPECT_GT(rows, 0);
        // Drawn at the size chosen, whole: four times the points, about four times the height.
        if (small == 0)
            small = rows;
        else
            EXPECT_GE(rows, small * 3);
    }
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
