// The window system trelline asks Qt for: X (through XWayland) where a Wayland session has one.
#include "player/display_platform.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

TEST(DisplayPlatform, WaylandSessionsRunOnTheirXServerWhenThereIsOne) {
    struct Case {
        const char* name;
        SessionEnvironment env;
        bool xUp;
        const char* platform;
        bool notice;
    };
    const Case cases[] = {
        {"Wayland with XWayland", {"", "wayland-0", ":0", "wayland"}, true, "xcb", false},
        {"Wayland without an X server", {"", "wayland-0", "", "wayland"}, true, "", true},
        {"Wayland, X socket not answering", {"", "wayland-0", ":1", ""}, false, "", true},
        {"the user's choice stands", {"wayland", "wayland-0", ":0", "wayland"}, true, "", false},
        {"an X session", {"", "", ":0", "x11"}, true, "", false},
    };
    for (const Case& c : cases) {
        const PlatformChoice choice = choosePlatform(c.env, [&](const QByteArray&) { return c.xUp; });
        EXPECT_EQ(choice.platform, QByteArray(c.platform)) << c.name;
        EXPECT_EQ(!choice.notice.isEmpty(), c.notice) << c.name;
    }
}

TEST(DisplayPlatform, AnXServerIsReachableOnlyWhileItListens) {
    QTemporaryDir dir;
    const QByteArray path = QFile::encodeName(dir.filePath(QStringLiteral("X7")));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_un where{};
    where.sun_family = AF_UNIX;
    std::strncpy(where.sun_path, path.constData(), sizeof where.sun_path - 1);
    ASSERT_EQ(::bind(fd, reinterpret_cast<const sockaddr*>(&where), sizeof where), 0);
    ASSERT_EQ(::listen(fd, 1), 0);
    EXPECT_TRUE(xServerReachable(":7", dir.path()));
    EXPECT_TRUE(xServerReachable(":7.0", dir.path()));
    EXPECT_FALSE(xServerReachable(":8", dir.path()));
    EXPECT_FALSE(xServerReachable("nonsense", dir.path()));
    // A server that went away leaves its socket file behind.
    ::close(fd);
    EXPECT_FALSE(xServerReachable(":7", dir.path()));
}

} // namespace
