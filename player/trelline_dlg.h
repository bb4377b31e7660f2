// The "Subtitle Player" window: its controls, its two forms (normal and overlay) and the display
// side of playback. The rules live in PlayerSession; this class shows what it decides.
#pragma once

#include "player/player_session.h"
#include "player/player_settings.h"
#include "player/subtitle_label.h"
#include "player/wait_or_wake.h"
#include "support/thread_hop.h"
#include "support/user_message.h"

#include <QColor>
#include <QDialog>
#include <QFont>
#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QAction;
class QActionGroup;
class QComboBox;
class QLabel;
class QMenu;
class QPushButton;
class QScreen;
class QSlider;
class QSpinBox;
class QSystemTrayIcon;
class QTimer;
class FontColorDialog;

class CTrellineDlg : public QDialog {
    Q_OBJECT
public:
    // The modal steps, replaceable so that tests and the benchmark never block on them.
    struct Prompts {
        std::function<QString(QWidget* parent)> openSubtitleFile; // empty on cancel
        std::function<void(QWidget* parent, const UserMessage&)> showMessage;
        std::function<bool(QDialog&)> runModal; // true on OK
        // Frames a second for a file that counts frames, offered the file's own; nullopt on cancel.
        std::function<std::optional<double>(QWidget* parent, std::optional<double> fileRate)> askFrameRate;
        std::function<QString(QWidget* parent)> openSecondFile; // empty on cancel
        std::function<bool()> trayAvailable;                    // whether a system tray is there
    };

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
    // That timer fires this long before the event is due, and the rest is slept to the
    // microsecond: timers have millisecond steps and may wake late on a busy machine.
    static constexpr std::chrono::microseconds kFinalStretch{4000};
    // How long the offset shows after a sync key.
    static constexpr int kNoticeMs = 1800;

    // Without a clock the real one is used.
    explicit CTrellineDlg(PlaybackClock* clock = nullptr, QWidget* parent = nullptr);
    ~CTrellineDlg() override;

    void setPrompts(Prompts prompts);
    // Where the sync of each file and the window's place are remembered; none at first. Puts the
    // window where it last stood.
    void useSettings(const QString& file);

    // The files of the command line: the first, and the second shown below it (either may be empty).
    void openFiles(const QString& first, const QString& second);

    bool isOverlay() const { return m_overlay; }
    PlayerSession& session() { return *m_session; }
    QColor textColor() const { return m_look.color; }
    QFont textFont() const { return m_look.font; }
    const TextLook& textLook() const { return m_look; }
    FontColorDialog* fontDialog() const { return m_fontDialog; }
    // The menu of the tray icon, also opened by a right click on the window.
    QMenu* controlMenu() const { return m_menu; }
    QSystemTrayIcon* trayIcon() const { return m_tray; }

    // The window lets the mouse through to the film below; only the tray menu brings it back, so
    // without a tray it refuses (false).
    bool setClicksThrough(bool on);
    bool clicksThrough() const { return m_clickThrough; }
    // Across the bottom of this screen; remembered.
    void moveToScreen(QScreen* screen);

    // The short text that a sync change shows over the window, while it shows.
    QString noticeText() const;

    // Remembers where the window stands as it closes.
    void done(int result) override;

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
    void mousePressEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createControls();
    void createMenu();
    void nameForScreenReaders();
    bool handleSyncKey(const QKeyEvent& event, bool typingNumber);
    void changeTiming(const SyncTiming& timing);
    void jumpLine(int direction);
    void showNotice(const QString& text);
    void updateMenuState();
    void applyWindowFlags(Qt::WindowFlags flags);
    void placeOnScreen(QScreen* screen);
    void savePlacement();
    void loadPrimary(const QString& path);
    void loadSecondFile(const QString& path);
    void onLoadSecond();
    std::optional<double> askFrameRate(std::optional<double> fileRate);
    int normalLineHeight() const;
    int overlayHeight() const;
    void relayout();
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
    void setSubtitleText(const QString& text, const QString& second = {});
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
    Prompts m_prompts;

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
    QPushButton* m_secondButton = nullptr;
    SubtitleLabel* m_subtitleLine = nullptr;
    QLabel* m_notice = nullptr; // the offset, for a moment
    QLabel* m_currentLabel = nullptr;
    QLabel* m_totalLabel = nullptr;
    std::vector<QWidget*> m_controls; // hidden in the overlay

    TextLook m_look;
    FontColorDialog* m_fontDialog = nullptr; // created on the first press of "Font"
    QMenu* m_menu = nullptr;
    QSystemTrayIcon* m_tray = nullptr;
    QAction* m_playAction = nullptr;
    QAction* m_openAction = nullptr;
    QAction* m_openSecondAction = nullptr;
    QAction* m_closeSecondAction = nullptr;
    QAction* m_clickThroughAction = nullptr;
    QActionGroup* m_speedGroup = nullptr;
    QMenu* m_screenMenu = nullptr;
    QTimer* m_noticeTimer = nullptr;
    PlayerSettings m_settings;
    QString m_primaryPath; // the file whose sync is remembered
    bool m_clickThrough = false;
    QTimer* m_autoHide = nullptr;
    QTimer* m_clockTick = nullptr;
    int m_baseX = 6; // dialog base units of the window's font
    int m_baseY = 13;
    bool m_overlay = false;
    int m_normalHeight = kWindowHeight; // of the normal form, which grows with the text's font
};
