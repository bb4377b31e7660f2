// Starting, watching and stopping the local apertium-apy.
#include "translate/apertium_server.h"

#include "translate/curl_library.h"

#include <QFile>
#include <QStandardPaths>
#include <QStringList>
#include <csignal>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {
// apertium-apy listens on every interface and has no option against it: its server is made to
// bind to loopback only, so that nobody else on the network can use it or see the text. It also
// leaves when its parent has gone, so that a crashed velmora leaves no server behind.
constexpr char kLoopbackWrapper[] = R"(import os, sys, threading, time, runpy
import tornado.tcpserver
parent = os.getppid()
def watch():
    while os.getppid() == parent:
        time.sleep(1)
    os._exit(0)
threading.Thread(target=watch, daemon=True).start()
bind = tornado.tcpserver.TCPServer.bind
def loopback(self, port, address=None, *args, **kwargs):
    return bind(self, port, '127.0.0.1', *args, **kwargs)
tornado.tcpserver.TCPServer.bind = loopback
program = sys.argv[1]
sys.argv = [program] + sys.argv[2:]
runpy.run_path(program, run_name='__main__')
)";

int freeLoopbackPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return 0;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    int port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    ::close(fd);
    return port;
}

// The interpreter of a script's "#!" line, when it is Python.
QString pythonOf(const QString& program) {
    QFile file(program);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray first = file.readLine(256).trimmed();
    if (!first.startsWith("#!"))
        return {};
    const QByteArray interpreter = first.mid(2).trimmed().split(' ').value(0);
    return interpreter.contains("python") ? QString::fromLocal8Bit(interpreter) : QString();
}

size_t discard(char*, size_t size, size_t count, void*) {
    return size * count;
}
} // namespace

ApertiumServer::ApertiumServer(Options options) : m_options(std::move(options)) {
    if (m_options.program.isEmpty())
        m_options.program = installedProgram();
}

ApertiumServer::~ApertiumServer() {
    stop();
}

QString ApertiumServer::installedProgram() {
    return QStandardPaths::findExecutable(QStringLiteral("apertium-apy"));
}

QUrl ApertiumServer::url() const {
    std::lock_guard lock(m_mutex);
    return QUrl(QStringLiteral("http://127.0.0.1:%1").arg(m_port));
}

bool ApertiumServer::running() const {
    std::lock_guard lock(m_mutex);
    return m_pid > 0;
}

bool ApertiumServer::childAlive() {
    if (m_pid <= 0)
        return false;
    int status = 0;
    if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
        m_pid = -1;
        return false;
    }
    return true;
}

bool ApertiumServer::answers() const {
    const CurlLibrary library = curlLibrary();
    const auto* opened = std::get_if<std::shared_ptr<const CurlApi>>(&library);
    if (!opened)
        return false;
    const CurlApi& api = **opened;
    CURL* curl = api.easy_init();
    if (!curl)
        return false;
    const QByteArray address = QStringLiteral("http://127.0.0.1:%1/listPairs").arg(m_port).toUtf8();
    api.easy_setopt(curl, CURLOPT_URL, address.constData());
    api.easy_setopt(curl, CURLOPT_NOPROXY, "*");
    api.easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    api.easy_setopt(curl, CURLOPT_TIMEOUT_MS, 2000L);
    api.easy_setopt(curl, CURLOPT_WRITEFUNCTION, &discard);
    long status = 0;
    const bool ok = api.easy_perform(curl) == CURLE_OK &&
                    api.easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status) == CURLE_OK && status == 200;
    api.easy_cleanup(curl);
    return ok;
}

std::optional<QString> ApertiumServer::ensureRunning(std::stop_token stop) {
    std::lock_guard lock(m_mutex);
    if (childAlive())
        return std::nullopt;
    if (m_options.program.isEmpty())
        return QStringLiteral("apertium-apy is not installed (Debian: apertium-apy and a pair such as "
                              "apertium-eng-spa)");
    // Without libcurl the server's answer cannot be heard: say so now, not after the start timeout.
    if (const CurlLibrary library = curlLibrary(); const auto* missing = std::get_if<QString>(&library))
        return *missing;
    // Another program may take the port between our look and the server's bind: try a few.
    std::optional<QString> why;
    for (int attempt = 0; attempt < 3 && !stop.stop_requested(); ++attempt) {
        why = startOnce(stop);
        if (!why)
            return std::nullopt;
    }
    return why;
}

std::optional<QString> ApertiumServer::startOnce(std::stop_token stop) {
    m_port = freeLoopbackPort();
    if (m_port <= 0)
        return QStringLiteral("no free port on 127.0.0.1");
    const QString python = pythonOf(m_options.program);
    QList<QByteArray> args;
    if (!python.isEmpty())
        args = {QFile::encodeName(python), "-c", kLoopbackWrapper};
    args += {QFile::encodeName(m_options.program), QFile::encodeName(m_options.pairsFolder), "-p",
             QByteArray::number(m_port)};
    std::vector<char*> argv;
    for (QByteArray& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    const int devNull = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    const pid_t pid = ::fork();
    if (pid < 0) {
        if (devNull >= 0)
            ::close(devNull);
        return QStringLiteral("cannot start a process");
    }
    if (pid == 0) {
        // Its own process group, so that stopping it also stops the translation pipelines it runs.
        ::setpgid(0, 0);
        if (devNull >= 0) {
            ::dup2(devNull, 0);
            ::dup2(devNull, 1);
            ::dup2(devNull, 2);
        }
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    if (devNull >= 0)
        ::close(devNull);
    ::setpgid(pid, pid); // also here: a stop may come before the child has run
    m_pid = pid;

    const auto deadline = std::chrono::steady_clock::now() + m_options.startTimeout;
    while (std::chrono::steady_clock::now() < deadline && !stop.stop_requested()) {
        if (!childAlive())
            return QStringLiteral("apertium-apy ended at once (is a language pair installed in %1?)")
                .arg(m_options.pairsFolder);
        if (answers())
            return std::nullopt;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    const bool stopped = stop.stop_requested();
    ::kill(-m_pid, SIGKILL);
    ::waitpid(m_pid, nullptr, 0);
    m_pid = -1;
    return stopped ? QStringLiteral("stopped") : QStringLiteral("apertium-apy did not answer in time");
}

void ApertiumServer::stop() {
    std::lock_guard lock(m_mutex);
    if (m_pid <= 0)
        return;
    ::kill(-m_pid, SIGTERM);
    for (int i = 0; i < 50; ++i) {
        if (::waitpid(m_pid, nullptr, WNOHANG) == m_pid) {
            m_pid = -1;
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ::kill(-m_pid, SIGKILL);
    ::waitpid(m_pid, nullptr, 0);
    m_pid = -1;
}
