#include "UIThread.h"

#include <chrono>

#include "FrameQueue.h"

void orvane::registerFrameMetaTypes() {
    qRegisterMetaType<sFrameOfMocapData*>("sFrameOfMocapData*");
    qRegisterMetaType<sFrameOfData*>("sFrameOfData*");
}

UIThread::UIThread(QObject* parent) : QThread(parent), stopFlag(false), pauseFlag(false) {
    orvane::registerFrameMetaTypes();
    for (int i = 0; i < kMaxInFlight; ++i) inFlight[i].store(nullptr);
}

UIThread::~UIThread() {
    if (isRunning()) stopRefresh();
    releaseUnapplied();
}

void UIThread::startRefresh() {
    stopFlag.store(false);
    pauseFlag.store(true);
    start(QThread::InheritPriority);
}

void UIThread::stopRefresh() {
    stopFlag.store(true);
    wait();
}

void UIThread::pauseRefresh() { pauseFlag.store(true); }

void UIThread::resumeRefresh() { pauseFlag.store(false); }

int UIThread::inFlightCount() const {
    int count = 0;
    for (int i = 0; i < kMaxInFlight; ++i)
        if (inFlight[i].load() != nullptr) ++count;
    return count;
}

bool UIThread::addInFlight(sFrameOfMocapData* frame) {
    for (int i = 0; i < kMaxInFlight; ++i) {
        sFrameOfMocapData* expected = nullptr;
        if (inFlight[i].compare_exchange_strong(expected, frame)) return true;
    }
    return false;
}

bool UIThread::takeEmitted(sFrameOfMocapData* frame) {
    if (frame == nullptr) return false;
    for (int i = 0; i < kMaxInFlight; ++i) {
        sFrameOfMocapData* expected = frame;
        if (inFlight[i].compare_exchange_strong(expected, nullptr)) return true;
    }
    return false;
}

void UIThread::releaseUnapplied() {
    for (int i = 0; i < kMaxInFlight; ++i) orvane::releaseFrameCopy(inFlight[i].exchange(nullptr));
}

void UIThread::run() {
    // Copies older than the one handed on in a pass; released after the lock is let go.
    sFrameOfMocapData* older[orvane::kFrameQueueCapacity];
    // Passes start every 3 ms on a fixed schedule, so the time a pass takes and the sleep's overshoot do not
    // add up into a slower pass rate; a thread that fell behind by more than a pass starts over from now.
    const std::chrono::microseconds period(kPassMilliseconds * 1000);
    std::chrono::steady_clock::time_point nextPass = std::chrono::steady_clock::now();
    while (!stopFlag.load()) {
        if (pauseFlag.load()) {
            QThread::yieldCurrentThread();
        } else if (inFlightCount() < kMaxInFlight) {
            sFrameOfMocapData* newest = nullptr;
            int olderCount = 0;
            {
                orvane::FrameQueueLocker lock;
                if (!frameQueue.isEmpty()) newest = frameQueue.takeLast();
                while (!frameQueue.isEmpty() && olderCount < orvane::kFrameQueueCapacity)
                    older[olderCount++] = frameQueue.takeFirst();
            }
            if (newest != nullptr) {
                addInFlight(newest);  // before the emission: the receiver may take it at once
                emit readyRefresh(newest);
            }
            for (int i = 0; i < olderCount; ++i) orvane::releaseFrameCopy(older[i]);
            if (olderCount > 0) orvane::countSkippedFrames(olderCount);
        }
        nextPass += period;
        const std::chrono::steady_clock::time_point now = std::chrono::steady_clock::now();
        if (nextPass + period < now) nextPass = now;
        if (nextPass > now)
            QThread::usleep(static_cast<unsigned long>(
                std::chrono::duration_cast<std::chrono::microseconds>(nextPass - now).count()));
    }
}
