// Which window system the player runs on. A Wayland window cannot keep itself above others, be
// see-through to the mouse or choose its place; an X window can, also through XWayland.
#pragma once

#include <QByteArray>
#include <QString>
#include <functional>

struct SessionEnvironment {
    QByteArray qpaPlatform;    // QT_QPA_PLATFORM
    QByteArray waylandDisplay; // WAYLAND_DISPLAY
    QByteArray display;        // DISPLAY
    QByteArray sessionType;    // XDG_SESSION_TYPE
    static SessionEnvironment fromProcess();
};

struct PlatformChoice {
    QByteArray platform; // for QT_QPA_PLATFORM; empty: leave Qt's choice alone
    QString notice;      // what will not work, said once; empty when all will
};

// `xReachable` answers whether the X server of a DISPLAY value accepts a connection.
PlatformChoice choosePlatform(const SessionEnvironment& env,
                              const std::function<bool(const QByteArray& display)>& xReachable);

// Whether an X server listens at a local DISPLAY such as ":0" or ":1.0": its socket in
// `socketFolder` (or the abstract one of the same name) accepts a connection. A display on another
// host is taken as reachable: only the connection itself can tell.
bool xServerReachable(const QByteArray& display,
                      const QString& socketFolder = QStringLiteral("/tmp/.X11-unix"));
