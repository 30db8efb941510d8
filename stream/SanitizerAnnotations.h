#pragma once
// Orderings between threads that ThreadSanitizer cannot see for itself. Qt's QMutex, the semaphore of a
// blocking queued call and the lock of a thread's posted-event list synchronise inside Qt's library, which is
// not built with the sanitizer (on Linux they wait on futexes, not on the pthread calls the sanitizer
// intercepts). Where our code relies on that synchronisation, our own call sites say so:
//
// - ORVANE_HAPPENS_BEFORE(x) where a thread hands something over, ORVANE_HAPPENS_AFTER(x) where another thread
//   takes it, with the same address x on both sides;
// - an orvane::sanitizer::QtHandOver object for the scope of a queued or blocking queued emission, on the
//   emitting thread: what Qt writes there (the posted event, the copies of the arguments, the receiving
//   thread's event list, which that thread reads under Qt's lock) is not recorded. Only an emission whose
//   connections are all queued may be wrapped: a directly connected slot would run unchecked.
//
// All of it compiles to nothing unless the build uses ThreadSanitizer: a Maya build never sees it.

#if defined(__SANITIZE_THREAD__)
#define ORVANE_THREAD_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define ORVANE_THREAD_SANITIZER 1
#endif
#endif

#ifdef ORVANE_THREAD_SANITIZER
extern "C" void __tsan_acquire(void* address);
extern "C" void __tsan_release(void* address);
extern "C" void __tsan_ignore_thread_begin();
extern "C" void __tsan_ignore_thread_end();
#endif

namespace orvane {
namespace sanitizer {

#ifdef ORVANE_THREAD_SANITIZER
inline void release(const void* address) {
    if (address != nullptr) __tsan_release(const_cast<void*>(address));
}
inline void acquire(const void* address) {
    if (address != nullptr) __tsan_acquire(const_cast<void*>(address));
}
#endif

class QtHandOver {
public:
#ifdef ORVANE_THREAD_SANITIZER
    QtHandOver() { __tsan_ignore_thread_begin(); }
    ~QtHandOver() { __tsan_ignore_thread_end(); }
#else
    QtHandOver() {}
    ~QtHandOver() {}
#endif

private:
    QtHandOver(const QtHandOver&);
    QtHandOver& operator=(const QtHandOver&);
};

}  // namespace sanitizer
}  // namespace orvane

#ifdef ORVANE_THREAD_SANITIZER
#define ORVANE_HAPPENS_BEFORE(address) orvane::sanitizer::release(address)
#define ORVANE_HAPPENS_AFTER(address) orvane::sanitizer::acquire(address)
#else
#define ORVANE_HAPPENS_BEFORE(address) static_cast<void>(0)
#define ORVANE_HAPPENS_AFTER(address) static_cast<void>(0)
#endif
