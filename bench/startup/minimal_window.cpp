// The floor for velmora's start-up: a bare maximised Qt Widgets window that reports its first
// paint the way velmora reports its filled grid.
#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QLabel>
#include <QMainWindow>
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
    auto* label = new QLabel(QStringLiteral("floor"), &window);
    window.setCentralWidget(label);
    FirstPaint report(clock);
    label->installEventFilter(&report);
    window.showMaximized();
    return app.exec();
}
