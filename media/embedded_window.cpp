// An area that shows a native window of its own, kept alive through a remake of its top-level.
#include "media/embedded_window.h"

#include <QPainter>
#include <QPointer>
#include <QVBoxLayout>

namespace {
// Painted black so that no stale picture stays behind once the drawing stops.
class BlackWindow : public QRasterWindow {
protected:
    void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(QRect(QPoint(), size()), Qt::black); }
};
} // namespace

EmbeddedWindow::EmbeddedWindow(QWidget* parent) : QWidget(parent) {
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);
    setAutoFillBackground(true);
    (new QVBoxLayout(this))->setContentsMargins(0, 0, 0, 0);
    m_parking.setObjectName(QStringLiteral("embeddedWindowParking"));
}

QWindow* EmbeddedWindow::nativeWindow() {
    if (!m_window) {
        m_window = new BlackWindow;
        m_window->setObjectName(QStringLiteral("embeddedWindow"));
        embed();
    }
    return m_window;
}

void EmbeddedWindow::clear() {
    if (m_window)
        m_window->update();
}

void EmbeddedWindow::embed() {
    m_container = QWidget::createWindowContainer(m_window, this);
    m_container->setObjectName(QStringLiteral("embeddedWindowContainer"));
    layout()->addWidget(m_container);
}

void EmbeddedWindow::park() {
    if (!m_container)
        return;
    // The container lets go of a window that leaves the parent it gave it, so deleting the
    // container leaves the window alone.
    m_window->setParent(&m_parking);
    delete m_container;
    m_container = nullptr;
}

void EmbeddedWindow::unpark() {
    if (m_window && !m_container)
        embed();
}

void keepEmbeddedWindowsThrough(QWidget* topLevel, const std::function<void()>& change) {
    QList<QPointer<EmbeddedWindow>> parked;
    // A top-level composed through OpenGL already is left as it is.
    const QWindow* own = topLevel->windowHandle();
    if (own && own->surfaceType() == QSurface::RasterSurface) {
        for (EmbeddedWindow* area : topLevel->findChildren<EmbeddedWindow*>()) {
            if (area->window() == topLevel && area->hasNativeWindow()) {
                area->park();
                parked.append(area);
            }
        }
    }
    change();
    for (const QPointer<EmbeddedWindow>& area : parked)
        if (area)
            area->unpark();
}
