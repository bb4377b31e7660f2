// Saves pictures of the translation progress dialog (running, waiting for the network, done) and
// of the proxy credentials dialog, for a look by eye.
// Usage: translate_screenshots [folder] (default /tmp/translate-shots); run under xvfb-run -a.
#include "app/progress_dialog.h"
#include "app/translation_runner.h"
#include "job_recorder.h"
#include "scripted_dialogs.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <cstdio>

namespace {
QByteArray answerOf(int count) {
    QStringList pieces;
    for (int i = 0; i < count; ++i)
        pieces.append(QStringLiteral("t%1").arg(i));
    return "[[[\"" + pieces.join(QStringLiteral("\\r")).toUtf8() + "\"]]]";
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString folder =
        argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("/tmp/translate-shots");
    QDir().mkpath(folder);
    int failures = 0;
    auto save = [&](QWidget& w, const QString& name) {
        QTest::qWait(50);
        const QString path = folder + u'/' + name + QStringLiteral(".png");
        if (!w.grab().save(path)) {
            ++failures;
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        } else {
            std::printf("%s (%dx%d)\n", qPrintable(path), w.width(), w.height());
        }
    };

    QMainWindow frame;
    frame.resize(900, 600);
    frame.show();

    auto script = std::make_shared<ScriptedTransport::Script>();
    for (int i = 0; i < 5; ++i)
        script->give(okReply(answerOf(25)));
    script->give(TransportReply{407, {}, false});

    JobConfig config;
    config.pause = std::chrono::milliseconds(0);
    config.firstRetryWait = std::chrono::milliseconds(4000);
    ScriptedDialogs dialogs;
    TranslationRunner* runner = nullptr;
    dialogs.modal = [&](QDialog& d) {
        d.show();
        if (!QTest::qWaitForWindowExposed(&d))
            ++failures;
        if (d.objectName() == u"ProxyCredentials") {
            d.findChild<QLineEdit*>(QStringLiteral("user"))->setText(QStringLiteral("ann"));
            d.findChild<QLineEdit*>(QStringLiteral("password"))->setText(QStringLiteral("secret"));
            save(d, QStringLiteral("proxy-credentials"));
            d.accept();
            return d.result();
        }
        auto& progress = dynamic_cast<CProgress&>(d);
        if (!QTest::qWaitFor([&] { return script->sends() >= 7; }, 5000))
            ++failures;
        progress.OnTimer();
        save(d, QStringLiteral("progress-running"));
        script->give(TransportFailure{QStringLiteral("down"), false, false});
        if (!QTest::qWaitFor([&] { return !progress.noteText()->text().isEmpty(); }, 5000))
            ++failures;
        save(d, QStringLiteral("progress-retrying"));
        script->give(okReply(answerOf(25)));
        runner->job().cancel();
        progress.OnTimer();
        progress.show();
        save(d, QStringLiteral("progress-done"));
        d.reject();
        return d.result();
    };
    TranslationRunner r(
        dialogs, &frame,
        [script] {
            // A service on this computer behind a proxy that takes Basic only.
            return std::make_unique<LocatedTransport>(script, QUrl(QStringLiteral("http://127.0.0.1:5000")),
                                                      true);
        },
        config);
    runner = &r;
    r.run([] {
        TranslateRequest request;
        for (int i = 0; i < 1000; ++i) {
            request.lines.append(QStringLiteral("line %1").arg(i));
            request.rows.append(i);
        }
        return request;
    }());
    return failures == 0 ? 0 : 1;
}
