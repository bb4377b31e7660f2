// What the movie pane asks of a film player, so that the pane can be driven without libVLC.
#pragma once

#include <QString>
#include <QStringList>
#include <QtGui/qwindowdefs.h>
#include <QtPlugin>
#include <functional>
#include <memory>

enum class PlayerEvent {
    PositionChanged,  // the playing position moved on
    EncounteredError, // the file cannot be played
};
// Called on the player's own thread: it must hand the event over, never touch a widget.
using PlayerEventSink = std::function<void(PlayerEvent)>;

enum class PlayerState { Busy, Ended, Failed };

// One opened film. Destroying it stops playback; no event arrives after the destructor returns.
class MediaPlayer {
public:
    virtual ~MediaPlayer() = default;

    virtual void setVideoWindow(WId window) = 0;
    virtual bool play() = 0;
    virtual void setPause(bool pause) = 0;
    virtual qint64 length() const = 0; // milliseconds, 0 or less while unknown
    virtual qint64 time() const = 0;   // milliseconds
    virtual void setTime(qint64 milliseconds) = 0;
    virtual void setVolume(int volume) = 0; // 0..100
    virtual bool setSubtitleFile(const QString& path) = 0;
    virtual int subtitleTrackCount() const = 0;
    virtual PlayerState state() const = 0;
};

// The library behind the players, created once on first use and kept for the pane's life.
class MediaEngine {
public:
    virtual ~MediaEngine() = default;
    // nullptr when the library cannot even make a player for the file.
    virtual std::unique_ptr<MediaPlayer> open(const QString& path, PlayerEventSink sink) = 0;
};

// The libVLC player lives in a plugin of its own (media/plugin_location.h), loaded on the first
// open: linking libVLC into the program would cost every start-up the loading of libVLC's libraries.
class MediaEngineFactory {
public:
    virtual ~MediaEngineFactory() = default;
    // nullptr when the library cannot start (no plugins found, say). `arguments` are its options.
    virtual std::unique_ptr<MediaEngine> createEngine(const QStringList& arguments) = 0;
};

#define VelmoraMediaEngineFactory_iid "org.velmora.MediaEngineFactory/1"
Q_DECLARE_INTERFACE(MediaEngineFactory, VelmoraMediaEngineFactory_iid)

QString defaultPlayerPluginPath();
// Loads the player plugin and starts its engine; nullptr with the reason in *error when either fails.
std::unique_ptr<MediaEngine> loadMediaEngine(const QString& pluginPath, const QStringList& arguments,
                                             QString* error = nullptr);
