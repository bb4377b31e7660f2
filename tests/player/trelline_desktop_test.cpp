// The player on today's desktops: readable outlined text, the sync keys and what they remember,
// click-through, the keyboard after Play, names for screen readers, a second file and its place.
#include "player/font_color_dialog.h"
#include "player/trelline_dlg.h"

#include "manual_clock.h"

#include <QAccessible>
#include <QComboBox>
#include <QFile>
#include <QMenu>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

class TrellineDesktop : public ::testing::Test {
protected:
    TrellineDesktop() { make(); }
    ~TrellineDesktop() override { dialog->session().stop(); }

    void make() {
        if (dialog)
            dialog->session().stop();
        dialog = std::make_unique<CTrellineDlg>(&clock);
        dialog->setPrompts({[this](QWidget*) { return nextFile; },
                            [this](QWidget*, const UserMessage& m) { messages.push_back(m); },
                            [](QDialog&) { return false; },
                            [this](QWidget*, std::optional<double> own) {
                                askedRates.push_back(own);
                                return rateAnswer;
                            },
                            [this](QWidget*) { return secondFile; }, [this] { return trayAvailable; }});
        dialog->useSettings(settingsFile());
        dialog->show();
    }
    QString settingsFile() const { return dir.filePath(QStringLiteral("trelline.ini")); }
    QString write(const QString& name, const QByteArray& bytes) {
        const QString path = dir.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path;
    }
    void load(const QString& path) {
        nextFile = path;
        child<QPushButton>("loadButton")->click();
    }
    template <typename T> T* child(const char* name) {
        T* found = dialog->findChild<T*>(QLatin1String(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    SubtitleLabel* line() { return child<SubtitleLabel>("subtitleLine"); }
    bool settle() {
        return clock.settle([this] { return !dialog->session().threadRunning(); });
    }

    QTemporaryDir dir;
    ManualClock clock;
    std::unique_ptr<CTrellineDlg> dialog;
    QString nextFile;
    QString secondFile;
    std::vector<UserMessage> messages;
    std::vector<std::optional<double>> askedRates;
    std::optional<double> rateAnswer;
    bool trayAvailable = true;
};

const QByteArray kTwo =
    "1\n00:00:01,000 --> 00:00:04,500\nHello\n\n2\n00:00:05,000 --> 00:00:06,000\nWorld\n\n";

// Pixels dark enough to stand out from white.
int darkPixels(const QImage& image) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += qGray(image.pixel(x, y)) < 100;
    return n;
}

TEST(SubtitleLook, WhiteTextOverWhiteIsReadableByItsOutlineShadowOrBand) {
    struct Case {
        const char* name;
        int outline;
        bool shadow;
        bool band;
        bool readable;
    };
    const Case cases[] = {
        {"nothing around the letters", 0, false, false, false},
        {"outline", 2, false, false, true},
        {"shadow", 0, true, false, true},
        {"band", 0, false, true, true},
    };
    for (const Case& c : cases) {
        SubtitleLabel label(QStringLiteral("Hello <i>there</i>"));
        label.resize(400, 80);
        label.setAutoFillBackground(true);
        QPalette white = label.palette();
        white.setColor(QPalette::Window, Qt::white);
        label.setPalette(white);
        TextLook look;
        look.font.setPixelSize(30);
        look.color = Qt::white;
        look.outlineWidth = c.outline;
        look.shadow = c.shadow;
        look.band = c.band;
        label.setLook(look);
        const int dark = darkPixels(label.grab().toImage());
        if (c.readable)
            EXPECT_GT(dark, 200) << c.name;
        else
            EXPECT_EQ(dark, 0) << c.name;
    }
}

TEST_F(TrellineDesktop, SyncKeysMoveTheLinesAndEachFileKeepsItsOwn) {
    const QString a = write(QStringLiteral("a.srt"), kTwo);
    const QString b = write(QStringLiteral("b.srt"), kTwo);
    load(a);
    struct Press {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        QWidget* target; // null: the window
        int offset;
        int speed;
    };
    QSpinBox* delay = child<QSpinBox>("delayEdit");
    QComboBox* charset = child<QComboBox>("charsetCombo");
    const QString charsetBefore = charset->currentText();
    const Press presses[] = {
        {Qt::Key_Plus, Qt::ShiftModifier, nullptr, 1000, 0}, // "+" typed with Shift: the big step
        {Qt::Key_Equal, Qt::NoModifier, nullptr, 1100, 0},
        {Qt::Key_Minus, Qt::NoModifier, charset, 1000, 0}, // a box that has no use for it
        {Qt::Key_Plus, Qt::NoModifier, delay, 1000, 0},    // typed into the delay
        {Qt::Key_BracketRight, Qt::NoModifier, nullptr, 1000, 1},
        {Qt::Key_Underscore, Qt::ShiftModifier, nullptr, 0, 1},
        {Qt::Key_Minus, Qt::NoModifier, nullptr, -100, 1},
    };
    for (const Press& p : presses) {
        QTest::keyClick(p.target ? p.target : dialog.get(), p.key, p.modifiers);
        EXPECT_EQ(dialog->session().timing(), (SyncTiming{p.offset, p.speed})) << p.offset;
    }
    EXPECT_EQ(charset->currentText(), charsetBefore);
    EXPECT_TRUE(dialog->noticeText().startsWith(QStringLiteral("Offset \u2212"
                                                               "0.100 s")));

    load(b);
    EXPECT_EQ(dialog->session().timing(), SyncTiming{});
    make(); // another run of the program
    load(a);
    EXPECT_EQ(dialog->session().timing(), (SyncTiming{-100, 1}));
    EXPECT_FALSE(dialog->noticeText().isEmpty());
    QTest::keyClick(dialog.get(), Qt::Key_0);
    QTest::keyClick(dialog.get(), Qt::Key_BracketLeft);
    EXPECT_TRUE(dialog->session().timing().isNeutral());
    // Nothing is kept for a file without a sync.
    EXPECT_FALSE(
        QSettings(settingsFile(), QSettings::IniFormat).childGroups().contains(QStringLiteral("sync")));

    // , and . go from line to line.
    QTest::keyClick(dialog.get(), Qt::Key_Period);
    EXPECT_EQ(line()->text(), QStringLiteral("World\n\n"));
    EXPECT_EQ(child<QLabel>("currentLabel")->text(), QStringLiteral("current:00:00:05,000"));
    QTest::keyClick(dialog.get(), Qt::Key_Comma);
    EXPECT_EQ(line()->text(), QStringLiteral("Hello\n\n"));
}

TEST_F(TrellineDesktop, ClicksGoThroughOnlyWithATrayToComeBackBy) {
    load(write(QStringLiteral("a.srt"), kTwo));
    trayAvailable = false;
    EXPECT_FALSE(dialog->setClicksThrough(true));
    EXPECT_FALSE(dialog->windowFlags() & Qt::WindowTransparentForInput);
    ASSERT_EQ(messages.size(), 1u);

    trayAvailable = true;
    QAction* through = nullptr;
    for (QAction* a : dialog->controlMenu()->actions())
        if (a->text() == QStringLiteral("Let Clicks Through"))
            through = a;
    ASSERT_NE(through, nullptr);
    through->trigger();
    EXPECT_TRUE(dialog->clicksThrough());
    EXPECT_TRUE(dialog->isOverlay());
    EXPECT_TRUE(dialog->isVisible());
    const Qt::WindowFlags flags = dialog->windowFlags();
    EXPECT_TRUE(flags & Qt::WindowTransparentForInput);
    EXPECT_TRUE(flags & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(flags & Qt::FramelessWindowHint);
    // Playing and pausing keep it so.
    child<QPushButton>("playButton")->click();
    EXPECT_TRUE(dialog->windowFlags() & Qt::WindowTransparentForInput);
    through->trigger();
    EXPECT_FALSE(dialog->windowFlags() & Qt::WindowTransparentForInput);
    EXPECT_TRUE(dialog->windowFlags() & Qt::WindowStaysOnTopHint);
}

TEST_F(TrellineDesktop, AfterPlayTheOverlayTakesTheKeysAndAClickGivesThemBack) {
    load(write(QStringLiteral("a.srt"), kTwo));
    // Another window has the keyboard, as the film's player has when Play comes from the tray.
    QWidget other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    dialog->controlMenu()->actions().front()->trigger(); // Play
    ASSERT_TRUE(dialog->isOverlay());
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
    QTest::keyClick(dialog->windowHandle(), Qt::Key_Space);
    EXPECT_EQ(dialog->session().state(), PlaybackState::Paused);
    QTest::keyClick(dialog->windowHandle(), Qt::Key_Space);
    EXPECT_EQ(dialog->session().state(), PlaybackState::Playing);

    // Once another window took it back, a click on the overlay brings the keyboard here again.
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    QTest::mouseClick(line(), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
    QTest::keyClick(dialog->windowHandle(), Qt::Key_Escape);
    EXPECT_FALSE(dialog->isVisible());
}

TEST_F(TrellineDesktop, OverTheFilmNothingFollowsTheLastLine) {
    load(write(QStringLiteral("a.srt"), "1\n00:00:01,000 --> 00:00:02,000\nOnly\n\n"));
    child<QPushButton>("playButton")->click();
    for (int step = 0; step < 20 && dialog->session().threadRunning(); ++step) {
        ASSERT_TRUE(settle());
        clock.advanceToDeadline();
    }
    ASSERT_TRUE(settle());
    QCoreApplication::processEvents();
    EXPECT_TRUE(line()->isBlank());
    // The mouse comes back over the text.
    QMouseEvent move(QEvent::MouseMove, QPointF(5, 5), line()->mapToGlobal(QPointF(5, 5)), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(line(), &move);
    EXPECT_FALSE(dialog->isOverlay());
    EXPECT_FALSE(line()->isBlank());
    EXPECT_EQ(line()->text(), QStringLiteral("The End"));
}

TEST_F(TrellineDesktop, SecondFileShowsBelowTheFirstInItsOwnFormat) {
    load(write(QStringLiteral("a.srt"), kTwo));
    secondFile = write(QStringLiteral("b.sub"), "{1}{1}25\n{125}{250}Hallo|du\n");
    // Asked for its rate, with the file's own offered; cancelled, nothing changes.
    child<QPushButton>("secondButton")->click();
    EXPECT_EQ(askedRates, std::vector<std::optional<double>>{25.0});
    EXPECT_FALSE(dialog->session().hasSecond());
    rateAnswer = 25;
    write(QStringLiteral("b.sub"), "{1}{1}25\n{25}{112}Hallo|du\n"); // with "Hello", 1000 to 4500
    child<QPushButton>("secondButton")->click();
    EXPECT_EQ(line()->secondText(), QStringLiteral("Hallo\ndu"));
    // Room for it in the normal window, above the controls.
    EXPECT_LE(line()->geometry().bottom(), child<QWidget>("positionSlider")->geometry().top());
    child<QPushButton>("playButton")->click();
    ASSERT_TRUE(settle());
    clock.advanceToDeadline();
    ASSERT_TRUE(settle());
    QCoreApplication::processEvents();
    EXPECT_EQ(line()->text(), QStringLiteral("Hello\n\n"));
    EXPECT_EQ(line()->secondText(), QStringLiteral("Hallo\ndu"));
}

TEST_F(TrellineDesktop, ItsPlaceIsRemembered) {
    dialog->move(dialog->x(), dialog->y() - 40);
    const QPoint at = dialog->frameGeometry().topLeft();
    dialog->accept();
    make();
    EXPECT_EQ(dialog->frameGeometry().topLeft(), at);
    EXPECT_EQ(dialog->screen(), QGuiApplication::primaryScreen());
    // Putting it back is no move of its own: a run that ends without closing keeps the place.
    make();
    make();
    EXPECT_EQ(dialog->frameGeometry().topLeft(), at);
}

TEST_F(TrellineDesktop, EveryControlHasANameForScreenReaders) {
    child<QPushButton>("fontButton")->click(); // makes the font dialog
    for (QWidget* window :
         {static_cast<QWidget*>(dialog.get()), static_cast<QWidget*>(dialog->fontDialog())}) {
        ASSERT_NE(window, nullptr);
        for (QWidget* w : window->findChildren<QWidget*>()) {
            // The parts of a spin box or a combo box are named by the box.
            const bool part = qobject_cast<QAbstractSpinBox*>(w->parentWidget()) ||
                              qobject_cast<QComboBox*>(w->parentWidget());
            if (w->focusPolicy() == Qt::NoFocus || w->isWindow() || !w->isVisibleTo(window) || part)
                continue;
            QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
            ASSERT_NE(a, nullptr);
            EXPECT_FALSE(a->text(QAccessible::Name).isEmpty())
                << w->metaObject()->className() << " " << w->objectName().toStdString();
        }
    }
}

} // namespace
