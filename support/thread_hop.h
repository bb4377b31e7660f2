// Runs functions on the thread an object lives in, handed over from any other thread. The hand-over
// goes through Qt's event queue, which locks with futexes inside a library built without
// ThreadSanitizer; so the event is marked released once it is complete and acquired when it is
// taken, and the sanitizer sees every byte the sending thread wrote before the receiving thread
// reads it. Nothing of that in other builds.
#pragma once

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <functional>

#if defined(__SANITIZE_THREAD__)
#define VELMORA_HOP_ANNOTATIONS 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define VELMORA_HOP_ANNOTATIONS 1
#endif
#endif

#ifdef VELMORA_HOP_ANNOTATIONS
extern "C" void __tsan_acquire(void* address);
extern "C" void __tsan_release(void* address);
inline void threadHopRelease(void* token) {
    __tsan_release(token);
}
inline void threadHopAcquire(void* token) {
    __tsan_acquire(token);
}
#else
inline void threadHopRelease(void*) {}
inline void threadHopAcquire(void*) {}
#endif

// Lives on the receiving thread (give it a parent there). post() may be called from any thread as
// long as the hop exists; events still queued when it goes are dropped with it.
class ThreadHop : public QObject {
public:
    explicit ThreadHop(QObject* parent) : QObject(parent) {}

    void post(std::function<void()> run) {
        auto* event = new Event(std::move(run));
        // Released only now that the event holds everything it carries.
        threadHopRelease(event);
        QCoreApplication::postEvent(this, event);
    }

protected:
    bool event(QEvent* e) override {
        // Before anything of the event is read; an event that is not ours was never released, and
        // acquiring it then means nothing.
        threadHopAcquire(e);
        if (e->type() != Event::type())
            return QObject::event(e);
        static_cast<Event*>(e)->run();
        return true;
    }

private:
    struct Event : QEvent {
        explicit Event(std::function<void()> f) : QEvent(type()), run(std::move(f)) {}
        static QEvent::Type type() {
            static const QEvent::Type registered = QEvent::Type(QEvent::registerEventType());
            return registered;
        }
        std::function<void()> run;
    };
};
