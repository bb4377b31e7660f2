// An area of a widget tree that shows a native window of its own, such as the one libVLC draws a film
// into, and keeps that window alive when Qt remakes the top-level window around it.
#pragma once

#include <QRasterWindow>
#include <QWidget>
#include <QWindow>
#include <functional>

// Black until something draws into its window, and again when that stops.
//
// The window is a plain QWindow in a window container, never a native child widget: asking a widget
// for its window id turns it into a native window, and with it others around it (in velmora the
// ribbon, the Toolbox and the status bar). The frame's backing store paints such native widgets
// itself; once an OpenGL-composited widget (the web view) has joined the frame, it composes through
// OpenGL and can no longer paint native widgets that were made for plain drawing — they go black,
// or keep their last picture.
class EmbeddedWindow : public QWidget {
    Q_OBJECT
public:
    explicit EmbeddedWindow(QWidget* parent = nullptr);

    // The window to draw into, made on the first call. Its id stays the same for the area's life.
    QWindow* nativeWindow();
    bool hasNativeWindow() const { return m_window != nullptr; }
    // Paints the window black again, once whatever drew into it has stopped.
    void clear();

    // Takes the window out of the top-level window into a hidden one of its own, and puts it back.
    // Whatever draws into it goes on drawing meanwhile.
    void park();
    void unpark();

private:
    void embed();

    QRasterWindow* m_window = nullptr; // owned by m_container while embedded, by m_parking while parked
    QWidget* m_container = nullptr;    // the window container, a child of this area
    QWindow m_parking;
};

// Runs `change`, which may add an OpenGL-composited widget to `topLevel`, with the windows of every
// embedded window area of `topLevel` parked meanwhile. The first such widget makes Qt (6.4) remake
// the native window of a top-level composed by plain drawing, and that destroys the windows embedded
// in it — the film's picture among them — instead of handing them over.
void keepEmbeddedWindowsThrough(QWidget* topLevel, const std::function<void()>& change);
