// A local stand-in for the translation service: answers every line as "[<target>] <line>".
// Usage: fake_translator [--delay-ms N]. Prints "listening <url>" once it accepts requests and
// runs until it gets SIGINT or SIGTERM.
#include "tools/fake_translator/fake_service.h"

#include <QCoreApplication>
#include <QStringList>
#include <csignal>
#include <cstdio>
#include <thread>

namespace {
volatile std::sig_atomic_t g_stop = 0;
void onSignal(int) {
    g_stop = 1;
}
} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    int delayMs = 0;
    const QStringList args = app.arguments();
    for (qsizetype i = 1; i < args.size(); ++i) {
        if (args[i] == u"--delay-ms" && i + 1 < args.size()) {
            delayMs = args[++i].toInt();
        } else {
            std::fprintf(stderr, "usage: fake_translator [--delay-ms N]\n");
            return 2;
        }
    }
    FakeHandler translate = serviceLikeHandler(&markedTranslation);
    FakeTranslator server([translate, delayMs](const RecordedRequest& request, int index) {
        FakeReply reply = translate(request, index);
        reply.delay = std::chrono::milliseconds(delayMs);
        std::printf("request %d: %lld lines\n", index + 1, static_cast<long long>(request.lines().size()));
        std::fflush(stdout);
        return reply;
    });
    if (!server.listening()) {
        std::fprintf(stderr, "fake_translator: cannot listen on 127.0.0.1\n");
        return 1;
    }
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    std::printf("listening %s\n", qPrintable(server.url()));
    std::fflush(stdout);
    while (!g_stop)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    return 0;
}
