// The choice of window system before the application object exists.
#include "player/display_platform.h"

#include <QFile>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

bool connects(const QByteArray& address, bool abstract) {
    sockaddr_un where{};
    where.sun_family = AF_UNIX;
    const std::size_t offset = abstract ? 1 : 0;
    if (address.size() + offset >= sizeof where.sun_path)
        return false;
    std::memcpy(where.sun_path + offset, address.constData(), std::size_t(address.size()));
    const socklen_t length = socklen_t(offsetof(sockaddr_un, sun_path) + offset +
                                       std::size_t(address.size()) + (abstract ? 0 : 1));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    const bool ok = ::connect(fd, reinterpret_cast<const sockaddr*>(&where), length) == 0;
    ::close(fd);
    return ok;
}

} // namespace

SessionEnvironment SessionEnvironment::fromProcess() {
    return {qgetenv("QT_QPA_PLATFORM"), qgetenv("WAYLAND_DISPLAY"), qgetenv("DISPLAY"),
            qgetenv("XDG_SESSION_TYPE")};
}

PlatformChoice choosePlatform(const SessionEnvironment& env,
                              const std::function<bool(const QByteArray& display)>& xReachable) {
    // The user's own choice stands.
    if (!env.qpaPlatform.isEmpty())
        return {};
    const bool wayland = !env.waylandDisplay.isEmpty() || env.sessionType == "wayland";
    if (!wayland)
        return {};
    if (!env.display.isEmpty() && xReachable && xReachable(env.display))
        return {"xcb", {}};
    return {{},
            QStringLiteral("This Wayland session has no X server (XWayland) for trelline. It runs as a "
                           "Wayland window, which cannot keep itself above other windows, let clicks "
                           "through to the film or choose its place on the screen. Install XWayland "
                           "(the package xwayland) and log in again for those.")};
}

bool xServerReachable(const QByteArray& display, const QString& socketFolder) {
    const qsizetype colon = display.lastIndexOf(':');
    if (colon < 0)
        return false;
    const QByteArray host = display.left(colon);
    if (!host.isEmpty() && host != "unix")
        return true;
    QByteArray number = display.mid(colon + 1);
    if (const qsizetype dot = number.indexOf('.'); dot >= 0)
        number.truncate(dot);
    if (number.isEmpty())
        return false;
    for (const char c : number)
        if (c < '0' || c > '9')
            return false;
    const QByteArray socket = QFile::encodeName(socketFolder) + "/X" + number;
    return connects(socket, false) || connects(socket, true);
}
