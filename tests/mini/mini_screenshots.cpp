// Pictures of mini for looking at by eye and for the README: run under an X server (xvfb-run).
// Writes PNG files into the given folder.
#include "dictionary/dictionary_store.h"
#include "mini/mini_window.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <cstdio>

namespace {

const char* const kPairs[][2] = {
    {"Do you have the tickets?", "Tu as les billets ?"},
    {"We'll miss the last train.", "On va rater le dernier train."},
    {"I told you not to wait for me.", "Je t'avais dit de ne pas m'attendre."},
    {"Where did you find this?", "Où as-tu trouvé ça ?"},
    {"It's been a long day.", "La journée a été longue."},
    {"Keep the change.", "Gardez la monnaie."},
};

void pump(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(10);
    }
}

bool save(QWidget& window, const QString& path) {
    pump(300);
    const bool ok = window.grab().save(path);
    std::printf("%s %s\n", ok ? "wrote" : "FAILED", qPrintable(path));
    return ok;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    QDir().mkpath(out);
    QTemporaryDir data;
    DictionaryStore store;
    if (store.openDictionaryFilesIn(data.path()) != 0)
        return 1;
    for (const auto& p : kPairs) {
        DictionaryRecord r;
        r.original = QString::fromUtf8(p[0]);
        r.translated = QString::fromUtf8(p[1]);
        store.AppendDictionaryRecord(r, kSentences);
    }

    MiniSetup setup;
    setup.dataFolder = data.path();
    setup.clock = [] { return QDate(2024, 5, 10); };
    MiniWindow window(std::move(setup));
    window.show();
    window.activateWindow();
    (void)QTest::qWaitForWindowActive(&window);
    window.load();
    bool ok = save(window, out + QStringLiteral("/mini-front.png"));
    QTest::keyClick(&window, Qt::Key_Space);
    ok &= save(window, out + QStringLiteral("/mini-turned.png"));
    window.findChild<QTabWidget*>(QStringLiteral("tabs"))->setCurrentIndex(1);
    window.findChild<QLineEdit*>(QStringLiteral("searchEdit"))->setText(QStringLiteral("train"));
    ok &= save(window, out + QStringLiteral("/mini-list.png"));
    return ok ? 0 : 1;
}
