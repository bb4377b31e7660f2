// Start-up timing and screenshot hooks.
#include "app/ready_report.h"

#include "app/main_frame.h"
#include "app/report_view.h"
#include "app/ribbon/ribbon_bar.h"
#include "media/media_player.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <QGuiApplication>
#include <QPixmap>
#include <QTimer>
#include <cstdio>

namespace {
QElapsedTimer& startClock() {
    static QElapsedTimer timer;
    return timer;
}

// Only velmora's own window, and only into a file made for it: the hook must neither photograph
// the rest of the desktop nor write over a file, or over one a planted link points at.
void saveScreenshot(QWidget* window, const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        std::fprintf(stderr, "velmora: screenshot not saved, %s: %s\n", qPrintable(path),
                     qPrintable(file.errorString()));
        return;
    }
    if (!window->grab().save(&file, "PNG")) {
        std::fprintf(stderr, "velmora: screenshot not saved, %s: cannot write\n", qPrintable(path));
        file.remove();
    }
}
} // namespace

bool ReadyReport::runsStartCommands() {
#ifdef VELMORA_TEST_HOOKS
    return true;
#else
    return false;
#endif
}

void ReadyReport::markProcessStart() {
    startClock().start();
}

ReadyReport* ReadyReport::install(CMainFrame* frame, bool expectRows) {
    if (!startClock().isValid())
        startClock().start();
    bool ok = false;
    const int tab = qEnvironmentVariableIntValue("VELMORA_START_TAB", &ok);
    if (ok && frame->ribbon())
        frame->ribbon()->setCurrentTab(tab);
    const bool print = qEnvironmentVariableIntValue("VELMORA_REPORT_READY") == 1;
    const QString shot = qEnvironmentVariable("VELMORA_SCREENSHOT");
    QString command = qEnvironmentVariable("VELMORA_START_COMMAND");
    if (!command.isEmpty() && !runsStartCommands()) {
        std::fprintf(stderr, "velmora: VELMORA_START_COMMAND is ignored: this build has no test hooks\n");
        command.clear();
    }
    const bool checkPlugins = qEnvironmentVariableIntValue("VELMORA_CHECK_PLUGINS") == 1;
    if (!print && shot.isEmpty() && command.isEmpty() && !checkPlugins)
        return nullptr;
    auto* report = new ReadyReport(frame, expectRows);
    report->m_print = print;
    report->m_screenshot = shot;
    report->m_command = command;
    report->m_checkPlugins = checkPlugins;
    return report;
}

ReadyReport::ReadyReport(CMainFrame* frame, bool expectRows)
    : QObject(frame), m_frame(frame), m_expectRows(expectRows) {
    frame->grid()->viewport()->installEventFilter(this);
}

bool ReadyReport::eventFilter(QObject* watched, QEvent* event) {
    if (!m_done && event->type() == QEvent::Paint && watched == m_frame->grid()->viewport()) {
        const bool filled = !m_expectRows || m_frame->grid()->model()->rowCount() > 0;
        if (filled) {
            m_done = true;
            // Reported after this paint has been carried out.
            QTimer::singleShot(0, this, &ReadyReport::ready);
        }
    }
    return QObject::eventFilter(watched, event);
}

void ReadyReport::ready() {
    if (m_print) {
        std::printf("velmora ready %lld\n", static_cast<long long>(startClock().elapsed()));
        std::fflush(stdout);
    }
    if (m_checkPlugins) {
        // What the movie pane does on its first open, minus the film.
        const QString path = defaultPlayerPluginPath();
        QString error;
        if (std::unique_ptr<MediaEngine> engine = loadMediaEngine(path, {}, &error)) {
            // Kept for the run: libVLC unloads its plugins when released, and what they keep for
            // good would then show as leaks in a sanitized build.
            static MediaEngine* kept = engine.release();
            Q_UNUSED(kept);
            std::printf("velmora plugin %s\n", qPrintable(path));
        } else {
            std::printf("velmora plugin failure: %s\n", qPrintable(error));
        }
        std::fflush(stdout);
    }
    if (!m_command.isEmpty()) {
        CommandRegistry& commands = m_frame->commands();
        for (CommandId id : commands.ids()) {
            if (commands.label(id).remove(u'&') == m_command) {
                // Queued, so that a command's modal loop cannot hold up the hooks below.
                QTimer::singleShot(0, m_frame, [&commands, id] { commands.dispatch(id); });
                break;
            }
        }
    }
    if (!m_screenshot.isEmpty()) {
        // Give the rest of the window one more round to paint before the picture is taken.
        QTimer::singleShot(300, this, [this] {
            saveScreenshot(m_frame, m_screenshot);
            m_frame->close();
        });
    }
}
