// The film player on libVLC 3, built as the player plugin. libVLC calls the event handler on a
// thread of its own; the handler only passes the event on to the sink, which hands it over to the
// window's thread.
#include "media/media_player.h"

#include <QFile>
#include <QGuiApplication>
#include <QUrl>
#include <algorithm>
#include <atomic>
#include <vector>
#include <vlc/vlc.h>

namespace {

constexpr libvlc_event_type_t kWatchedEvents[] = {libvlc_MediaPlayerPositionChanged,
                                                  libvlc_MediaPlayerEncounteredError};

class VlcPlayer final : public MediaPlayer {
public:
    VlcPlayer(libvlc_media_player_t* player, PlayerEventSink sink)
        : m_player(player), m_events(libvlc_media_player_event_manager(player)), m_sink(std::move(sink)) {
        for (libvlc_event_type_t type : kWatchedEvents)
            libvlc_event_attach(m_events, type, &VlcPlayer::onEvent, this);
    }

    ~VlcPlayer() override {
        // libVLC runs handlers under the lock that detaching takes, so once detached none is
        // running or will run on this object.
        for (libvlc_event_type_t type : kWatchedEvents)
            libvlc_event_detach(m_events, type, &VlcPlayer::onEvent, this);
        libvlc_media_player_stop(m_player);
        libvlc_media_player_release(m_player);
    }

    void setVideoWindow(WId window) override {
        // Only an X11 window can take libVLC's picture; elsewhere libVLC opens a window of its own.
        if (QGuiApplication::platformName() == QLatin1String("xcb"))
            libvlc_media_player_set_xwindow(m_player, quint32(window));
    }
    bool play() override { return libvlc_media_player_play(m_player) == 0; }
    void setPause(bool pause) override { libvlc_media_player_set_pause(m_player, pause ? 1 : 0); }
    qint64 length() const override { return libvlc_media_player_get_length(m_player); }
    qint64 time() const override { return libvlc_media_player_get_time(m_player); }
    void setTime(qint64 milliseconds) override { libvlc_media_player_set_time(m_player, milliseconds); }
    void setVolume(int volume) override { libvlc_audio_set_volume(m_player, volume); }
    bool setSubtitleFile(const QString& path) override {
        // QUrl escapes spaces, '#', '%' and non-ASCII letters of the path as a location needs them.
        const QByteArray location = QUrl::fromLocalFile(path).toEncoded();
        return libvlc_media_player_add_slave(m_player, libvlc_media_slave_type_subtitle, location.constData(),
                                             true) == 0;
    }
    int subtitleTrackCount() const override { return std::max(0, libvlc_video_get_spu_count(m_player)); }
    PlayerState state() const override {
        // After an error libVLC reports the input as ended, so the error is remembered apart.
        if (m_failed.load())
            return PlayerState::Failed;
        switch (libvlc_media_player_get_state(m_player)) {
        case libvlc_Ended:
            // A file that no demuxer could read but one took for an empty stream just ends.
            return hasPictureOrSound() ? PlayerState::Ended : PlayerState::Failed;
        case libvlc_Error:
            return PlayerState::Failed;
        default:
            return PlayerState::Busy;
        }
    }

private:
    bool hasPictureOrSound() const {
        libvlc_media_t* media = libvlc_media_player_get_media(m_player);
        if (!media)
            return false;
        libvlc_media_track_t** tracks = nullptr;
        const unsigned count = libvlc_media_tracks_get(media, &tracks);
        bool found = false;
        for (unsigned i = 0; i < count; ++i)
            found =
                found || tracks[i]->i_type == libvlc_track_video || tracks[i]->i_type == libvlc_track_audio;
        libvlc_media_tracks_release(tracks, count);
        libvlc_media_release(media);
        return found;
    }

    static void onEvent(const libvlc_event_t* event, void* data) {
        auto* self = static_cast<VlcPlayer*>(data);
        if (event->type == libvlc_MediaPlayerPositionChanged) {
            self->m_sink(PlayerEvent::PositionChanged);
        } else if (event->type == libvlc_MediaPlayerEncounteredError) {
            self->m_failed.store(true);
            self->m_sink(PlayerEvent::EncounteredError);
        }
    }

    libvlc_media_player_t* m_player;
    libvlc_event_manager_t* m_events;
    const PlayerEventSink m_sink;
    std::atomic<bool> m_failed{false}; // written on libVLC's thread, read on the window's
};

class VlcEngine final : public MediaEngine {
public:
    explicit VlcEngine(libvlc_instance_t* instance) : m_instance(instance) {}
    ~VlcEngine() override { libvlc_release(m_instance); }

    std::unique_ptr<MediaPlayer> open(const QString& path, PlayerEventSink sink) override {
        // libVLC builds the location from the file's own name bytes.
        libvlc_media_t* media = libvlc_media_new_path(m_instance, QFile::encodeName(path).constData());
        if (!media)
            return nullptr;
        libvlc_media_player_t* player = libvlc_media_player_new_from_media(media);
        libvlc_media_release(media);
        if (!player)
            return nullptr;
        return std::make_unique<VlcPlayer>(player, std::move(sink));
    }

private:
    libvlc_instance_t* m_instance;
};

class VlcEngineFactory : public QObject, public MediaEngineFactory {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID VelmoraMediaEngineFactory_iid)
    Q_INTERFACES(MediaEngineFactory)
public:
    std::unique_ptr<MediaEngine> createEngine(const QStringList& arguments) override;
};

} // namespace

std::unique_ptr<MediaEngine> VlcEngineFactory::createEngine(const QStringList& arguments) {
    std::vector<QByteArray> bytes;
    for (const QString& argument : arguments)
        bytes.push_back(argument.toUtf8());
    std::vector<const char*> argv;
    for (const QByteArray& b : bytes)
        argv.push_back(b.constData());
    libvlc_instance_t* instance = libvlc_new(int(argv.size()), argv.empty() ? nullptr : argv.data());
    if (!instance)
        return nullptr;
    return std::make_unique<VlcEngine>(instance);
}

#include "vlc_player.moc"
