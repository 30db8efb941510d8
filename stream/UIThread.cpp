#include "UIThread.h"

#include <algorithm>
#include <chrono>

#include "ApplyBudget.h"
#include "FrameQueue.h"
#include "SanitizerAnnotations.h"

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
    // wait() returns on Qt's own lock when the thread had already finished: everything the thread did is
    // ordered before what follows here (its object may be destroyed next).
    ORVANE_HAPPENS_AFTER(this);
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
    // What a pass takes out of the queue, oldest first: the copies it hands on are the last ones, the others
    // are released after the lock is let go.
    sFrameOfMocapData* taken[orvane::kFrameQueueCapacity];
    // A pass that found the queue empty lets the next one hand on two copies: a frame that came late and the
    // next one, arriving within one pass, are both shown, while over time no more than one copy per pass is
    // handed on. A pause ends the allowance.
    int allowance = 0;
    // Passes start every 3 ms on a fixed schedule, so the time a pass takes and the sleep's overshoot do not
    // add up into a slower pass rate; a thread that fell behind by more than a pass starts over from now.
    const std::chrono::microseconds period(kPassMilliseconds * 1000);
    std::chrono::steady_clock::time_point nextPass = std::chrono::steady_clock::now();
    // Frames take at most half the UI thread: nothing is handed on while a frame slot runs, nor sooner than twice
    // the recent apply cost after the last hand-on.
    orvane::ApplyBudget& budget = orvane::applyBudget();
    while (!stopFlag.load()) {
        if (pauseFlag.load()) {
            allowance = 0;
            QThread::yieldCurrentThread();
        } else if (inFlightCount() < kMaxInFlight && budget.mayHandOn(orvane::ApplyBudget::nowNs())) {
            int count = 0, handOn = 0;
            {
                orvane::FrameQueueLocker lock;
                while (!frameQueue.isEmpty() && count < orvane::kFrameQueueCapacity)
                    taken[count++] = frameQueue.takeFirst();
                handOn = std::min(count, std::min(1 + allowance, kMaxInFlight - inFlightCount()));
                // In flight before the lock is let go: a copy is always either queued or in flight, and the
                // receiver may take it as soon as it is emitted.
                for (int i = count - handOn; i < count; ++i) addInFlight(taken[i]);
            }
            allowance = count == 0 ? 1 : 0;
            // The queued emission posts an event that the UI thread takes under a lock inside Qt; the copy,
            // written on the SDK's thread, is the receiver's from then on.
            for (int i = count - handOn; i < count; ++i) {
                ORVANE_HAPPENS_BEFORE(taken[i]);
                const orvane::sanitizer::QtHandOver handOver;
                emit readyRefresh(taken[i]);
            }
            for (int i = 0; i < count - handOn; ++i) orvane::releaseFrameCopy(taken[i]);
            if (count > handOn) orvane::countSkippedFrames(count - handOn);
            if (handOn > 0) budget.handedOn(orvane::ApplyBudget::nowNs());
        }
        nextPass += period;
        const std::chrono::steady_clock::time_point now = std::chrono::steady_clock::now();
        if (nextPass + period < now) nextPass = now;
        // Held back by the pace alone, the next pass comes as soon as the pace allows.
        const std::chrono::steady_clock::time_point paced(
            std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                std::chrono::nanoseconds(budget.nextHandOnNs(0))));
        if (!pauseFlag.load() && inFlightCount() < kMaxInFlight && !budget.applying() && paced > now &&
            paced < nextPass)
            nextPass = paced;
        if (nextPass > now)
            QThread::usleep(static_cast<unsigned long>(
                std::chrono::duration_cast<std::chrono::microseconds>(nextPass - now).count()));
    }
    // Qt read this object on this thread before run() (it names the thread after the class); stopRefresh takes
    // this hand-over once wait() returns.
    ORVANE_HAPPENS_BEFORE(this);
}
