// The player window: layout, loading, the two window forms, text colour and what the display
// accepts from the playback thread.
#include "player/font_color_dialog.h"
#include "player/trelline_dlg.h"

#include "charset/code_page.h"
#include "manual_clock.h"

#include <QComboBox>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QSlider>
#include <QSpinBox>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

const char kTwoRecords[] =
    "1\n00:00:01,000 --> 00:00:04,500\nHello\n\n2\n00:00:05,000 --> 00:00:06,000\nWorld\n\n";

template <typename T> T* child(QWidget& parent, const char* name) {
    T* found = parent.findChild<T*>(QLatin1String(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
}

// Counts pixels whose colour is mainly the given primary (0 red, 2 blue) and not transparent.
int countPixels(const QImage& image, int primary) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.alpha() < 128)
                continue;
            const int v[3] = {c.red(), c.green(), c.blue()};
            bool dominant = v[primary] > 150;
            for (int k = 0; k < 3; ++k)
                if (k != primary && v[k] > 90)
                    dominant = false;
            n += dominant;
        }
    return n;
}

class TrellineWindow : public ::testing::Test {
protected:
    TrellineWindow() : dialog(&clock) {
        dialog.setPrompts({[this](QWidget*) { return nextFile; },
                           [this](QWidget*, const UserMessage& m) { messages.push_back(m); },
                           [this](QDialog& d) {
                               ++modalRuns;
                               return answerModal ? answerModal(d) : false;
                           },
                           {},
                           {},
                           {}});
        dialog.show();
    }
    ~TrellineWindow() override { dialog.session().stop(); }

    QString writeFile(const QByteArray& bytes) {
        const QString path = dir.filePath(QStringLiteral("f%1.srt").arg(++files));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path;
    }
    void load(const QByteArray& bytes) {
        nextFile = writeFile(bytes);
        child<QPushButton>(dialog, "loadButton")->click();
    }
    QString subtitle() { return child<QLabel>(dialog, "subtitleLine")->text(); }
    bool settle() {
        return clock.settle([this] { return !dialog.session().threadRunning(); });
    }
    void moveMouseOverText() {
        QLabel* line = child<QLabel>(dialog, "subtitleLine");
        QMouseEvent move(QEvent::MouseMove, QPointF(20, 20), line->mapToGlobal(QPointF(20, 20)), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(line, &move);
    }

    ManualClock clock;
    CTrellineDlg dialog;
    QTemporaryDir dir;
    int files = 0;
    QString nextFile;
    std::vector<UserMessage> messages;
    int modalRuns = 0;
    std::function<bool(QDialog&)> answerModal;
};

TEST_F(TrellineWindow, OpensAcrossTheScreenNearItsBottom) {
    const QRect screen = dialog.screen()->geometry();
    EXPECT_EQ(dialog.windowTitle(), "Subtitle Player");
    EXPECT_TRUE(dialog.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(dialog.frameGeometry().topLeft(), QPoint(0, screen.height() - 260));
    EXPECT_EQ(dialog.size(), QSize(screen.width(), 200));
    QLabel* line = child<QLabel>(dialog, "subtitleLine");
    EXPECT_EQ(line->geometry().topLeft(), QPoint(0, 0));
    EXPECT_EQ(line->width(), screen.width());
    EXPECT_EQ(line->text(), "The Start");
    EXPECT_EQ(child<QLabel>(dialog, "currentLabel")->text(), "current:00:00:00,000");
    EXPECT_EQ(child<QLabel>(dialog, "totalLabel")->text(), "total:00:00:00,000");
    EXPECT_EQ(child<QSpinBox>(dialog, "delayEdit")->text(), "0");
    EXPECT_FALSE(child<QSlider>(dialog, "positionSlider")->isEnabled());

    QComboBox* combo = child<QComboBox>(dialog, "charsetCombo");
    ASSERT_EQ(combo->count(), 21);
    EXPECT_EQ(combo->currentText(), "America(ANSI)");
    for (int i = 1; i < combo->count(); ++i)
        EXPECT_LT(combo->itemText(i - 1).compare(combo->itemText(i), Qt::CaseInsensitive), 0);

    // No control lies below the window's bottom or under another.
    const QList<QWidget*> controls = dialog.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
    for (QWidget* a : controls) {
        if (a == line || !a->isVisible())
            continue;
        EXPECT_TRUE(a->geometry().left() >= 0 && a->geometry().bottom() < 200)
            << a->objectName().toStdString();
        for (QWidget* b : controls) {
            if (b != a && b != line && b->isVisible()) {
                EXPECT_FALSE(a->geometry().intersects(b->geometry()))
                    << a->objectName().toStdString() << " / " << b->objectName().toStdString();
            }
        }
    }
}

TEST_F(TrellineWindow, LoadShowsTheFirstLineAndSetsTheSlider) {
    child<QPushButton>(dialog, "playButton")->click();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "Your subtitle is not loaded yet!");
    EXPECT_EQ(messages[0].caption, "ERROR!");
    EXPECT_FALSE(dialog.isOverlay());

    load(kTwoRecords);
    QSlider* slider = child<QSlider>(dialog, "positionSlider");
    EXPECT_TRUE(slider->isEnabled());
    EXPECT_EQ(slider->maximum(), 2);
    EXPECT_EQ(subtitle(), "Hello\n\n");
    EXPECT_EQ(child<QLabel>(dialog, "totalLabel")->text(), "total:00:00:06,000");

    // Another file starts from its first line, wherever the slider was.
    slider->setSliderPosition(2);
    slider->triggerAction(QAbstractSlider::SliderMove);
    load(kTwoRecords);
    EXPECT_EQ(slider->value(), 1);
    EXPECT_EQ(dialog.session().position(), 1);
    EXPECT_EQ(child<QLabel>(dialog, "currentLabel")->text(), "current:00:00:00,000");

    // An over-long line: the message, and the display keeps its state.
    load(QByteArray("1\n00:00:01,000 --> 00:00:02,000\nA\n\n") + QByteArray(1100, 'x'));
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[1].text, "Invalid Subtitle File!");
    EXPECT_EQ(subtitle(), "Hello\n\n");
    EXPECT_EQ(child<QLabel>(dialog, "totalLabel")->text(), "total:00:00:06,000");
    EXPECT_EQ(dialog.session().count(), 1);

    // A cancelled file dialog changes nothing.
    nextFile.clear();
    child<QPushButton>(dialog, "loadButton")->click();
    EXPECT_EQ(dialog.session().count(), 1);
}

TEST_F(TrellineWindow, CharsetBoxShowsHowTheFileWasRead) {
    QComboBox* combo = child<QComboBox>(dialog, "charsetCombo");
    const QString cafe = QString::fromUtf8("Caf\u00e9");
    const QByteArray file =
        QStringLiteral("1\r\n00:00:01,000 --> 00:00:02,000\r\n%1\r\n\r\n").arg(cafe).toUtf8();
    QStringEncoder utf16(QStringConverter::Utf16LE, QStringConverter::Flag::WriteBom);
    // Enough words for the detector to tell the character set.
    const QString russian = QString::fromUtf8("Куда ты идёшь так поздно вечером?\nНа вокзал, пока не начался "
                                              "дождь.\nПодожди меня, я сейчас оденусь и приду.");
    struct Case {
        QByteArray bytes;
        const char* shown; // in the box
        bool choosable;
        QString text;
    };
    const Case cases[] = {
        {utf16(QString::fromUtf8(file)), "Unicode(UTF-16LE)", false, cafe + "\n\n"},
        {file, "Unicode(UTF-8)", true, cafe + "\n\n"},
        {"1\n00:00:01,000 --> 00:00:02,000\nCafe\n\n", "America(ANSI)", true, "Cafe\n\n"},
        {*encodeText(QString::fromUtf8(file).replace(cafe, russian), 1251), "Cyrillic(Windows-1251)", true,
         russian + "\n\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.shown);
        load(c.bytes);
        EXPECT_EQ(subtitle(), c.text);
        EXPECT_EQ(combo->currentText(), c.shown);
        EXPECT_EQ(combo->isEnabled(), c.choosable);
        // A Unicode form's entry is there only while a file in it is loaded.
        EXPECT_EQ(combo->count(), c.choosable ? 21 : 22);
    }
}

TEST_F(TrellineWindow, PlayTurnsTheWindowIntoATransparentOverlayAndTheMouseBringsItBack) {
    load(kTwoRecords);
    QLabel* line = child<QLabel>(dialog, "subtitleLine");
    const int normalHeight = line->height();
    const QImage normal = dialog.grab().toImage();
    EXPECT_EQ(normal.pixelColor(normal.width() - 2, normal.height() - 2).alpha(), 255);

    child<QPushButton>(dialog, "playButton")->click();
    ASSERT_TRUE(dialog.isOverlay());
    EXPECT_TRUE(dialog.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(dialog.windowFlags() & Qt::WindowType_Mask, Qt::Tool);
    EXPECT_TRUE(dialog.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(line->height(), 200);
    EXPECT_FALSE(child<QPushButton>(dialog, "playButton")->isVisible());
    EXPECT_FALSE(child<QSlider>(dialog, "positionSlider")->isVisible());
    EXPECT_FALSE(child<QLabel>(dialog, "currentLabel")->isVisible());
    EXPECT_EQ(child<QPushButton>(dialog, "playButton")->text(), "Pause");
    EXPECT_FALSE(child<QPushButton>(dialog, "loadButton")->isEnabled());

    line->setText("Hello");
    const QImage overlay = dialog.grab().toImage();
    EXPECT_EQ(overlay.pixelColor(overlay.width() - 2, overlay.height() - 2).alpha(), 0);
    EXPECT_GT(countPixels(overlay, 0), 20); // the red text is still there

    // Stop leaves the form alone; the mouse over the text brings the normal window back.
    child<QPushButton>(dialog, "stopButton")->click();
    EXPECT_TRUE(dialog.isOverlay());
    moveMouseOverText();
    EXPECT_FALSE(dialog.isOverlay());
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_FALSE(dialog.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(line->height(), normalHeight);
    EXPECT_TRUE(child<QPushButton>(dialog, "playButton")->isVisible());
    EXPECT_TRUE(child<QComboBox>(dialog, "charsetCombo")->isVisible());
    const QImage back = dialog.grab().toImage();
    EXPECT_EQ(back.pixelColor(back.width() - 2, back.height() - 2).alpha(), 255);
}

TEST_F(TrellineWindow, CursorOutsideTheWindowDuringPlaybackBringsTheOverlayBack) {
    load(kTwoRecords);
    const QPoint outside = dialog.frameGeometry().topLeft() - QPoint(0, 50);
    const QPoint inside = dialog.frameGeometry().center();
    dialog.autoHideCheck(outside); // stopped: nothing
    EXPECT_FALSE(dialog.isOverlay());

    child<QPushButton>(dialog, "playButton")->click();
    moveMouseOverText();
    ASSERT_FALSE(dialog.isOverlay());
    dialog.autoHideCheck(inside);
    EXPECT_FALSE(dialog.isOverlay());
    dialog.autoHideCheck(outside);
    EXPECT_TRUE(dialog.isOverlay());
    EXPECT_EQ(child<QLabel>(dialog, "subtitleLine")->height(), 200);

    // Paused: the check leaves the normal window alone.
    moveMouseOverText();
    child<QPushButton>(dialog, "playButton")->click();
    EXPECT_EQ(dialog.session().state(), PlaybackState::Paused);
    dialog.autoHideCheck(outside);
    EXPECT_FALSE(dialog.isOverlay());
}

TEST_F(TrellineWindow, TextIsRedUntilAColourIsChosenThenThatColourInBothForms) {
    QLabel* line = child<QLabel>(dialog, "subtitleLine");
    EXPECT_GT(countPixels(line->grab().toImage(), 0), 20);
    EXPECT_EQ(countPixels(line->grab().toImage(), 2), 0);
    EXPECT_EQ(dialog.fontDialog(), nullptr);

    // Cancelled: the dialog now exists but the text keeps its look.
    child<QPushButton>(dialog, "fontButton")->click();
    FontColorDialog* fonts = dialog.fontDialog();
    ASSERT_NE(fonts, nullptr);
    EXPECT_EQ(dialog.textColor(), QColor(255, 0, 0));

    answerModal = [](QDialog& d) {
        auto& f = static_cast<FontColorDialog&>(d);
        QFont font = f.selectedFont();
        font.setPointSize(30);
        f.setSelectedFont(font);
        f.setSelectedColor(QColor(0, 0, 255));
        return true;
    };
    child<QPushButton>(dialog, "fontButton")->click();
    EXPECT_EQ(dialog.fontDialog(), fonts); // kept, not made again
    EXPECT_EQ(modalRuns, 2);
    EXPECT_EQ(line->font().pointSize(), 30);
    EXPECT_GT(countPixels(line->grab().toImage(), 2), 20);
    EXPECT_EQ(countPixels(line->grab().toImage(), 0), 0);

    load(kTwoRecords);
    child<QPushButton>(dialog, "playButton")->click();
    ASSERT_TRUE(dialog.isOverlay());
    line->setText("Hello");
    const QImage overlay = dialog.grab().toImage();
    EXPECT_GT(countPixels(overlay, 2), 20);
    EXPECT_EQ(countPixels(overlay, 0), 0);
}

TEST_F(TrellineWindow, TwoLineSubtitleLiesAboveTheControlsInTheNormalWindow) {
    QLabel* line = child<QLabel>(dialog, "subtitleLine");
    load(kTwoRecords);
    for (const int pixels : {30, 64, 12}) { // the default size first
        SCOPED_TRACE(pixels);
        answerModal = [pixels](QDialog& d) {
            auto& fonts = static_cast<FontColorDialog&>(d);
            QFont font = fonts.selectedFont();
            font.setPixelSize(pixels);
            fonts.setSelectedFont(font);
            return true;
        };
        child<QPushButton>(dialog, "fontButton")->click();
        // Also after a round through the overlay.
        for (const bool throughOverlay : {false, true}) {
            if (throughOverlay) {
                child<QPushButton>(dialog, "playButton")->click();
                ASSERT_TRUE(dialog.isOverlay());
                child<QPushButton>(dialog, "stopButton")->click();
                moveMouseOverText();
                ASSERT_FALSE(dialog.isOverlay());
            }
            line->setText(QStringLiteral("Where to?\nThe station.\n\n"));
            const QRect text = QFontMetrics(line->font())
                                   .boundingRect(QRect(0, 0, line->width(), 10000),
                                                 Qt::AlignHCenter | Qt::TextWordWrap, line->text().trimmed());
            EXPECT_GE(line->height(), text.height());
            for (QWidget* control : dialog.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
                if (control == line || !control->isVisible())
                    continue;
                EXPECT_FALSE(control->geometry().intersects(line->geometry()))
                    << control->objectName().toStdString();
                EXPECT_LE(control->geometry().bottom(), dialog.height())
                    << control->objectName().toStdString();
            }
        }
    }
}

TEST_F(TrellineWindow, DisplayIgnoresWhatAStoppedPlaybackStillSent) {
    load(kTwoRecords);
    QSlider* slider = child<QSlider>(dialog, "positionSlider");
    slider->setSliderPosition(2);
    slider->triggerAction(QAbstractSlider::SliderMove);
    EXPECT_EQ(subtitle(), "World\n\n");
    EXPECT_EQ(child<QLabel>(dialog, "currentLabel")->text(), "current:00:00:04,500");

    // The queued wake lets the thread ask for line 2 at once; the request waits in the queue.
    child<QPushButton>(dialog, "playButton")->click();
    ASSERT_TRUE(settle());
    child<QPushButton>(dialog, "stopButton")->click();
    EXPECT_EQ(subtitle(), "Hello\n\n");
    QCoreApplication::processEvents();
    EXPECT_EQ(subtitle(), "Hello\n\n");
    EXPECT_EQ(slider->value(), 1);

    // While current, the requests do reach the display.
    child<QPushButton>(dialog, "playButton")->click();
    ASSERT_TRUE(settle());
    QCoreApplication::processEvents();
    EXPECT_EQ(subtitle(), "");
    clock.advanceToDeadline();
    ASSERT_TRUE(settle());
    QCoreApplication::processEvents();
    EXPECT_EQ(subtitle(), "Hello\n\n");
}

TEST_F(TrellineWindow, LineHandedOverAheadShowsAtItsTimeUnlessASeekCameFirst) {
    using namespace std::chrono_literals;
    dialog.session().setShowLead(40ms);
    load(kTwoRecords);
    child<QPushButton>(dialog, "playButton")->click();
    ASSERT_TRUE(settle());
    clock.advanceToDeadline(); // 960 ms: "Hello" is handed over, due at 1000
    ASSERT_TRUE(settle());
    QTest::qWait(60);
    EXPECT_EQ(subtitle(), ""); // held until the clock says it is due
    clock.advance(40ms);
    for (int i = 0; i < 200 && subtitle() != "Hello\n\n"; ++i)
        QTest::qWait(5);
    EXPECT_EQ(subtitle(), "Hello\n\n");

    // Again from the start; this time a seek comes while "Hello" is held.
    child<QPushButton>(dialog, "stopButton")->click();
    child<QPushButton>(dialog, "playButton")->click();
    ASSERT_TRUE(settle());
    clock.advanceToDeadline();
    ASSERT_TRUE(settle());
    QCoreApplication::processEvents();
    QSignalSpy shown(&dialog, &CTrellineDlg::subtitleShown);
    QSlider* slider = child<QSlider>(dialog, "positionSlider");
    slider->triggerAction(QAbstractSlider::SliderSingleStepAdd); // one seek, to line 2
    EXPECT_EQ(subtitle(), "World\n\n");
    ASSERT_TRUE(settle());
    clock.advance(100ms); // past the time "Hello" was due
    QTest::qWait(150);
    EXPECT_EQ(subtitle(), "World\n\n");
    EXPECT_EQ(slider->value(), 2);
    for (const QList<QVariant>& arguments : shown)
        EXPECT_NE(arguments.at(0).toString(), "Hello\n\n");
}

TEST_F(TrellineWindow, CurrentTicksWithThePlaybackClockWhilePlaying) {
    using namespace std::chrono_literals;
    load(kTwoRecords);
    QLabel* current = child<QLabel>(dialog, "currentLabel");
    child<QPushButton>(dialog, "playButton")->click();
    ASSERT_TRUE(settle());
    clock.advanceToDeadline(); // "Hello" at 1000
    ASSERT_TRUE(settle());
    clock.advance(500ms);
    QTest::qWait(250);
    EXPECT_EQ(current->text(), "current:00:00:01,500");
    child<QPushButton>(dialog, "playButton")->click(); // paused: the clock stands
    clock.advance(500ms);
    QTest::qWait(250);
    EXPECT_EQ(current->text(), "current:00:00:01,500");
}

TEST_F(TrellineWindow, KeysAndDelayEdit) {
    QSpinBox* delay = child<QSpinBox>(dialog, "delayEdit");
    delay->setFocus();
    delay->selectAll();
    QTest::keyClicks(delay, "70000");
    EXPECT_EQ(delay->text(), "60000");
    EXPECT_EQ(dialog.session().delay(), 60000);
    delay->selectAll();
    QTest::keyClicks(delay, "250");
    EXPECT_EQ(dialog.session().delay(), 250);

    load(kTwoRecords);
    QTest::keyClick(&dialog, Qt::Key_Return);
    EXPECT_EQ(dialog.session().state(), PlaybackState::Playing);
    QTest::keyClick(&dialog, Qt::Key_Return); // the Play button is hidden in the overlay
    EXPECT_EQ(dialog.session().state(), PlaybackState::Paused);

    QSignalSpy finished(&dialog, &QDialog::finished);
    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_EQ(finished.count(), 1);
    EXPECT_FALSE(dialog.isVisible());
}

} // namespace
