// The "Subtitle Player" window: its controls, its two forms (normal and overlay) and the display
// side of playback. The rules live in PlayerSession; this class shows what it decides.
#pragma once

#include "player/player_session.h"
#include "player/wait_or_wake.h"
#include "support/thread_hop.h"
#include "support/user_message.h"
#include "ui/dialog_seam.h"

#include <QColor>
#include <QDialog>
#include <QFont>
#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

class QComboBox;
class QLabel;
class QPushButton;
class QSlider;
class QSpinBox;
class QTimer;
class FontColorDialog;

class CTrellineDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kWindowHeight = 200;
    static constexpr int kBottomOffset = 260;    // from the screen's bottom edge to the window's top
    static constexpr int kNormalLineHeight = 50; // at the least
    static constexpr int kTextMargin = 4;        // below the text, and between it and the controls
    static constexpr int kOverlayLineHeight = 200;
    static constexpr int kAutoHideIntervalMs = 2000;
    // How often "current:" follows the playback clock while playing.
    static constexpr int kClockTickMs = 100;
    // With the real clock, the playback thread hands each event over this long before its time,
    // so that a busy machine's delay in waking this window's thread is spent before the line is due
    // rather than after; the window then shows it on time from a timer of its own.
    static constexpr std::chrono::milliseconds kShowLead{60};
    // That timer fires this long before the event is due, and the rest is waited out by polling
    // the clock: timers have millisecond steps, and a thread that just woke keeps its processor.
    static constexpr std::chrono::microseconds kFinalStretch{1500};

    // Without a clock the real one is used.
    explicit CTrellineDlg(PlaybackClock* clock = nullptr, QWidget* parent = nullptr);
    ~CTrellineDlg() override;

    // Who answers the file picker, the Font dialog and the messages, so that tests and the
    // benchmark never block on them; nullptr: the desktop.
    void setDialogs(DialogSeam* dialogs);

    bool isOverlay() const { return m_overlay; }
    PlayerSession& session() { return *m_session; }
    QColor textColor() const { return m_textColor; }
    QFont textFont() const { return m_textFont; }
    FontColorDialog* fontDialog() const { return m_fontDialog; }

    // The auto-hide check for a cursor at this global position; the timer calls it every two
    // seconds with the real cursor.
    void autoHideCheck(const QPoint& cursorGlobal);

signals:
    // The subtitle line has just been given this text.
    void subtitleShown(const QString& text);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createControls();
    int normalLineHeight() const;
    void placeControls();
    void showNormalForm();
    QRect dialogUnits(int x, int y, int width, int height) const;
    int desktopWidth() const;

    void onLoadSubtitle();
    void onFont();
    void onPlayPause();
    void onStop();
    void onSliderAction();
    void onCharsetChanged();
    void onDelayTextChanged(const QString& text);

    void receivePlaybackEvent(const PlaybackEvent& event);
    void applyDueEvents();
    void scheduleNextEvent();
    void dropHeldEvents();
    void applyPlaybackEvent(const PlaybackEvent& event);
    void setSubtitleText(const QString& text);
    void refreshLabels();
    void updateSliderTip();
    void applyTextLook();
    void showMessage(const UserMessage& message);
    void showEncoding(const PlayerEncoding& encoding);

    void enterOverlayMode();
    void leaveOverlayIfOverText(const QPoint& dialogPos);
    void leaveOverlayMode();

    std::unique_ptr<WaitOrWake> m_ownClock;
    PlaybackClock* m_clock = nullptr;
    // Events handed over ahead of their time, in order, until they are due.
    std::deque<PlaybackEvent> m_heldEvents;
    QTimer* m_eventTimer = nullptr;
    // Carries the playback thread's events to the window's thread; made before the session posts.
    ThreadHop* m_hop = new ThreadHop(this);
    std::unique_ptr<PlayerSession> m_session;
    std::unique_ptr<DialogSeam> m_desktop;
    DialogSeam* m_dialogs = nullptr;

    QPushButton* m_loadButton = nullptr;
    QPushButton* m_fontButton = nullptr;
    QPushButton* m_playButton = nullptr;
    QPushButton* m_stopButton = nullptr;
    QPushButton* m_quitButton = nullptr;
    QSlider* m_slider = nullptr;
    QLabel* m_charsetCaption = nullptr;
    QComboBox* m_charsetCombo = nullptr;
    QLabel* m_delayCaption = nullptr;
    QSpinBox* m_delayEdit = nullptr;
    QLabel* m_subtitleLine = nullptr;
    QLabel* m_currentLabel = nullptr;
    QLabel* m_totalLabel = nullptr;
    std::vector<QWidget*> m_controls; // hidden in the overlay

    QFont m_textFont;
    QColor m_textColor;
    FontColorDialog* m_fontDialog = nullptr; // created on the first press of "Font"
    QTimer* m_autoHide = nullptr;
    QTimer* m_clockTick = nullptr;
    int m_baseX = 6; // dialog base units of the window's font
    int m_baseY = 13;
    bool m_overlay = false;
    int m_normalHeight = kWindowHeight; // of the normal form, which grows with the text's font
};
