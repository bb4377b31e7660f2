// Tells ThreadSanitizer about a hand-over between threads that it cannot see: Qt's own queues lock
// with futexes inside a library built without the sanitizer. Release on the sending thread before
// the hand-over, acquire on the receiving thread once it has the data. Nothing in other builds.
#pragma once

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
