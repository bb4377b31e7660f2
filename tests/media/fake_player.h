// A film player that does what the test says, and remembers what the pane asked of it.
#pragma once

#include "media/media_player.h"

#include <QStringList>
#include <vector>

// What a test sees of the players, also after the pane has destroyed them.
struct FakeLog {
    QStringList opened;
    int enginesMade = 0;
    bool engineFails = false;
    bool openFails = false;
    bool playFails = false;
    int alivePlayers = 0;
};

class FakePlayer : public MediaPlayer {
public:
    FakePlayer(FakeLog& log, PlayerEventSink sink) : m_log(log), sink(std::move(sink)) {
        ++m_log.alivePlayers;
    }
    ~FakePlayer() override { --m_log.alivePlayers; }

    void setVideoWindow(WId id) override { window = id; }
    bool play() override {
        calls.push_back(QStringLiteral("play"));
        return !m_log.playFails;
    }
    void setPause(bool pause) override {
        calls.push_back(pause ? QStringLiteral("pause") : QStringLiteral("resume"));
    }
    qint64 length() const override { return len; }
    qint64 time() const override { return now; }
    // libVLC answers with a seek's target at once.
    void setTime(qint64 ms) override {
        seeks.push_back(ms);
        now = ms;
    }
    void setVolume(int v) override {
        calls.push_back(QStringLiteral("volume %1").arg(v));
        volume = v;
    }
    bool setSubtitleFile(const QString& path) override {
        subtitles.append(path);
        return true;
    }
    int subtitleTrackCount() const override { return int(subtitles.size()); }
    PlayerState state() const override { return playerState; }

    FakeLog& m_log;
    PlayerEventSink sink;
    WId window = 0;
    qint64 len = 0;
    qint64 now = 0;
    int volume = -1;
    PlayerState playerState = PlayerState::Busy;
    QStringList calls;
    QStringList subtitles;
    std::vector<qint64> seeks;
};

class FakeEngine : public MediaEngine {
public:
    explicit FakeEngine(FakeLog& log) : m_log(log) {}
    std::unique_ptr<MediaPlayer> open(const QString& path, PlayerEventSink sink) override {
        m_log.opened.append(path);
        if (m_log.openFails)
            return nullptr;
        return std::make_unique<FakePlayer>(m_log, std::move(sink));
    }

private:
    FakeLog& m_log;
};
