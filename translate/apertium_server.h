// apertium-apy started by velmora on a free loopback port, with the pairs installed on this
// computer, and stopped again when velmora ends (or, should velmora die, when the server sees it
// gone).
#pragma once

#include <QString>
#include <QUrl>
#include <chrono>
#include <mutex>
#include <optional>
#include <stop_token>
#include <sys/types.h>

struct ApertiumServerOptions {
    QString program; // empty: apertium-apy from PATH
    QString pairsFolder = QStringLiteral("/usr/share/apertium/modes");
    std::chrono::milliseconds startTimeout{60000};
};

class ApertiumServer {
public:
    using Options = ApertiumServerOptions;
    explicit ApertiumServer(Options options = {});
    ~ApertiumServer();
    ApertiumServer(const ApertiumServer&) = delete;
    ApertiumServer& operator=(const ApertiumServer&) = delete;

    // The installed apertium-apy, or empty.
    static QString installedProgram();

    // Starts the server unless it runs, and waits until it answers; why not, when it does not.
    std::optional<QString> ensureRunning(std::stop_token stop);
    // "http://127.0.0.1:<port>"; the port of the last start.
    QUrl url() const;
    bool running() const;
    void stop();

private:
    std::optional<QString> startOnce(std::stop_token stop);
    bool answers() const;
    bool childAlive();

    Options m_options;
    mutable std::mutex m_mutex;
    pid_t m_pid = -1;
    int m_port = 0;
};
