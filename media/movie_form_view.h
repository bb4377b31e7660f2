// The "Play Movie" page of the Toolbox: plays a film with the current translated subtitles over it.
#pragma once

#include "media/media_player.h"
#include "media/movie_rules.h"
#include "support/thread_hop.h"
#include "support/user_message.h"
#include "ui/dialog_seam.h"

#include <QTimer>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

class QLabel;
class QPushButton;
class QSlider;
class EmbeddedWindow;
class QToolButton;

class CMovieFormView : public QWidget {
    Q_OBJECT
public:
    // Makes the library's engine on the first open; nullptr, and why, when the library cannot start.
    using EngineFactory = std::function<std::unique_ptr<MediaEngine>(QString& error)>;
    // Writes a fresh temporary translated subtitle and gives back its path; nothing when there is none.
    using SubtitleWriter = std::function<std::optional<QString>()>;
    // Milliseconds on a monotonic clock.
    using Clock = std::function<qint64()>;

    enum class PlayState { NothingOpen = 0, Playing = 1, Paused = 2 };

    // Without a factory the pane plays through the libVLC plugin beside the program.
    explicit CMovieFormView(QWidget* parent = nullptr, EngineFactory engineFactory = {});
    ~CMovieFormView() override;

    // Takes effect until the first open has made the engine.
    void setEngineFactory(EngineFactory factory) { m_engineFactory = std::move(factory); }
    // Who answers the film picker and the messages; nullptr: the desktop.
    void setDialogs(DialogSeam* dialogs);
    void setSubtitleWriter(SubtitleWriter writer) { m_writeSubtitle = std::move(writer); }
    void setClock(Clock clock) { m_now = std::move(clock); }

    PlayState playState() const { return m_state; }
    MediaPlayer* player() const { return m_player.get(); }
    EmbeddedWindow* videoArea() const { return m_video; }
    QToolButton* openButton() const { return m_open; }
    QToolButton* playButton() const { return m_play; }
    QToolButton* stopButton() const { return m_stop; }
    QToolButton* backButton() const { return m_back; }
    QToolButton* forwardButton() const { return m_forward; }
    QSlider* positionSlider() const { return m_position; }
    QSlider* volumeSlider() const { return m_volume; }
    QLabel* timeLabel() const { return m_time; }
    QPushButton* reloadButton() const { return m_reload; }
    const QTimer& endTimer() const { return m_endTimer; }
    // Fires when the time label's next whole second is due between two of the player's reports.
    const QTimer& secondTimer() const { return m_secondTimer; }

    void OnPlayPause();
    // Asks for a film and plays it in place of the one open.
    void OnOpen();
    void OnStop();
    void OnBack();
    void OnForward();
    void OnReloadSubtitle();
    // The once-a-second look whether the film has ended or failed.
    void OnTimer();
    void OnSecondTimer();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void openFilm(const QString& path);
    void loadSubtitle();
    void applyPlayerEvent(std::uint64_t generation, PlayerEvent event);
    // After a jump or a slider move: the player shows `time` from now on.
    void showSeek(qint64 time, bool moveSlider);
    void showPosition(bool moveSlider = true);
    void failPlayback();
    void setPlayingControlsEnabled(bool enabled);
    void updatePlayButton();
    void showMessage(const UserMessage& message);

    QString pickFilm();

    EngineFactory m_engineFactory;
    std::unique_ptr<DialogSeam> m_desktop;
    DialogSeam* m_dialogs;
    SubtitleWriter m_writeSubtitle;
    Clock m_now;

    // The engine outlives every player made from it.
    std::unique_ptr<MediaEngine> m_engine;
    std::unique_ptr<MediaPlayer> m_player;
    PlayState m_state = PlayState::NothingOpen;
    // Tells the player's events of the film now open from those of a film closed since.
    std::uint64_t m_generation = 0;
    // Carries libVLC's events from its thread to this one.
    ThreadHop* m_hop = new ThreadHop(this);
    QString m_openPath;
    // The film that Play plays again after Stop or its end; empty when Play asks for one.
    QString m_lastFilm;
    bool m_iconsSet = false;
    QTimer m_endTimer;
    MovieClock m_clock;
    QTimer m_secondTimer;

    EmbeddedWindow* m_video;
    QToolButton* m_open;
    QToolButton* m_play;
    QToolButton* m_stop;
    QToolButton* m_back;
    QToolButton* m_forward;
    QToolButton* m_speaker;
    QSlider* m_position;
    QSlider* m_volume;
    QLabel* m_time;
    QPushButton* m_reload;
};
