#pragma once
// Waiting, in a test on the user-interface thread, for what other threads or posted events bring about, with
// that thread's events processed meanwhile. The bound only turns a hang into a failure: no test asserts a time.
#include <QtCore/QCoreApplication>
#include <QtCore/QElapsedTimer>
#include <QtCore/QEvent>
#include <QtCore/QThread>

#include <functional>

namespace testsupport {

// Whether deferred deletions (deleteLater) are delivered too: a nested processEvents at the top level leaves
// them alone, while a test that waits for a closed control or an unloaded module to be gone needs them.
enum class DeferredDeletes { Leave, Deliver };

inline bool spinUntil(const std::function<bool()>& done, int boundMs = 30000,
                      DeferredDeletes deletes = DeferredDeletes::Leave) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < boundMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        if (deletes == DeferredDeletes::Deliver) QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QThread::msleep(1);
    }
    return done();
}

// Processes events for `ms` milliseconds.
inline void spinFor(int ms, DeferredDeletes deletes = DeferredDeletes::Leave) {
    spinUntil([] { return false; }, ms, deletes);
}

}  // namespace testsupport
