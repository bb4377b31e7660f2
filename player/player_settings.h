// What the player remembers between runs: each subtitle file's sync, and where its window stood.
#pragma once

#include "player/sync_timing.h"

#include <QRect>
#include <QString>
#include <optional>

class PlayerSettings {
public:
    // An empty file name remembers nothing.
    explicit PlayerSettings(QString file = {}) : m_file(std::move(file)) {}
    // trelline.ini in velmora's folder of the user's configuration.
    static QString defaultFile();

    // The sync last set for this subtitle file; neutral for a file never synced.
    SyncTiming syncFor(const QString& subtitlePath) const;
    // A neutral sync is forgotten rather than kept.
    void setSyncFor(const QString& subtitlePath, const SyncTiming& timing);

    struct Placement {
        QString screen; // the screen's name
        QRect geometry; // the window's frame, in the desktop's coordinates

        friend bool operator==(const Placement&, const Placement&) = default;
    };
    std::optional<Placement> placement() const;
    void setPlacement(const Placement& placement);

private:
    QString m_file;
};
