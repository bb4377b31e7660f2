// One libVLC for the whole test process, never released: libVLC unloads its plugins on release, and
// what they keep for good then shows as leaks nobody can name.
#pragma once

#include "media/media_player.h"

class ProcessEngine : public MediaEngine {
public:
    // nullptr when the player plugin or libVLC cannot start. `arguments` count on the first call only.
    static MediaEngine* instance(const QStringList& arguments = {}) {
        static MediaEngine* engine = loadMediaEngine(QStringLiteral(VELMORA_VLC_PLUGIN), arguments).release();
        return engine;
    }
    std::unique_ptr<MediaPlayer> open(const QString& path, PlayerEventSink sink) override {
        return instance()->open(path, std::move(sink));
    }
};
