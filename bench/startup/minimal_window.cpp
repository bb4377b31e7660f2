// The floor for velmora's start-up: a bare Qt Widgets window of the size velmora's frame takes (the
// screen's available area, set directly since maximising needs a window manager), holding an empty
// table view, that reports the table's first paint the way velmora reports its filled grid.
#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QMainWindow>
#include <QScreen>
#include <QTableView>
#include <QTimer>
#include <cstdio>

namespace {
class FirstPaint : public QObject {
public:
    explicit FirstPaint(QElapsedTimer& clock) : m_clock(clock) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (!m_done && event->type() == QEvent::Paint) {
            m_done = true;
            // Reported after this paint has been carried out.
            QTimer::singleShot(0, [this] {
                std::printf("floor ready %lld\n", static_cast<long long>(m_clock.elapsed()));
                std::fflush(stdout);
            });
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QElapsedTimer& m_clock;
    bool m_done = false;
};
} // namespace

int main(int argc, char** argv) {
    QElapsedTimer clock;
    clock.start();
    QApplication app(argc, argv);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("floor"));
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        window.setGeometry(screen->availableGeometry());
    auto* table = new QTableView(&window);
    window.setCentralWidget(table);
    FirstPaint report(clock);
    table->viewport()->installEventFilter(&report);
    window.showMaximized();
    return app.exec();
}
