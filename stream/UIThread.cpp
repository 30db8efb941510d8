#include "UIThread.h"

#include <algorithm>
#include <chrono>
#include <utility>

#include "ApplyBudget.h"
#include "SanitizerAnnotations.h"

namespace {

// Sleeps until the next pass is due. Passes start every 3 ms on a fixed schedule, so the time a pass takes and
// the sleep's overshoot do not add up into a slower pass rate; a thread that fell behind by more than a pass
// starts over from now. A pass held back by the frames' pace alone comes again as soon as the pace allows
// (`paced`, when that is sooner).
void waitForNextPass(std::chrono::steady_clock::time_point& nextPass, std::chrono::steady_clock::time_point paced) {
    const std::chrono::microseconds period(UIThread::kPassMilliseconds * 1000);
    nextPass += period;
    const std::chrono::steady_clock::time_point now = std::chrono::steady_clock::now();
    if (nextPass + period < now) nextPass = now;
    if (paced > now && paced < nextPass) nextPass = paced;
    if (nextPass > now)
        QThread::usleep(
            static_cast<unsigned long>(std::chrono::duration_cast<std::chrono::microseconds>(nextPass - now).count()));
}

}  // namespace

UIThread::UIThread(QObject* parent) : QThread(parent), stopFlag(false), pauseFlag(false), passes(0) {}

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

int UIThread::inFlightCountLocked() const {
    int count = 0;
    for (int i = 0; i < kMaxInFlight; ++i)
        if (inFlight[i]) ++count;
    return count;
}

int UIThread::inFlightCount() const {
    const std::lock_guard<std::mutex> lock(inFlightMutex);
    return inFlightCountLocked();
}

orvane::FrameCopy UIThread::takeEmitted(const sFrameOfMocapData* frame) {
    const std::lock_guard<std::mutex> lock(inFlightMutex);
    for (int i = 0; i < kMaxInFlight; ++i)
        if (frame != nullptr && inFlight[i].get() == frame) return std::move(inFlight[i]);
    return orvane::FrameCopy();
}

void UIThread::releaseUnapplied() {
    orvane::FrameCopy unapplied[kMaxInFlight];
    const std::lock_guard<std::mutex> lock(inFlightMutex);
    for (int i = 0; i < kMaxInFlight; ++i) unapplied[i] = std::move(inFlight[i]);
}

int UIThread::handOnNewest(int allowance) {
    // What the pass takes out of the queue, oldest first: the copies it hands on are the last ones, the others
    // are released when the pass ends, after the locks are let go.
    orvane::FrameCopy taken[orvane::kFrameQueueCapacity];
    sFrameOfMocapData* handedOn[kMaxInFlight];
    int count = 0, handOn = 0;
    {
        orvane::FrameQueueLocker queueLock;
        while (!frameQueue.isEmpty()) taken[count++] = frameQueue.takeFirst();
        // In flight before the queue's lock is let go: a copy is always either queued or in flight, and the
        // receiver may take it as soon as it is emitted.
        const std::lock_guard<std::mutex> lock(inFlightMutex);
        handOn = std::min(count, std::min(1 + allowance, kMaxInFlight - inFlightCountLocked()));
        for (int i = count - handOn, slot = 0; i < count; ++i) {
            while (inFlight[slot]) ++slot;
            handedOn[i - (count - handOn)] = taken[i].get();
            inFlight[slot] = std::move(taken[i]);
        }
    }
    // The queued emission posts an event that the UI thread takes under a lock inside Qt; the copy, written on
    // the SDK's thread, is the receiver's once it has taken it.
    for (int i = 0; i < handOn; ++i) {
        ORVANE_HAPPENS_BEFORE(handedOn[i]);
        const orvane::sanitizer::QtHandOver handOver;
        emit readyRefresh(handedOn[i]);
    }
    if (count > handOn) orvane::countSkippedFrames(count - handOn);
    if (handOn > 0) orvane::applyBudget().handedOn(orvane::ApplyBudget::nowNs());
    return count == 0 ? 1 : 0;
}

void UIThread::run() {
    // A pass that found the queue empty lets the next one hand on two copies: a frame that came late and the
    // next one, arriving within one pass, are both shown, while over time no more than one copy per pass is
    // handed on. A pause ends the allowance.
    int allowance = 0;
    std::chrono::steady_clock::time_point nextPass = std::chrono::steady_clock::now();
    // Frames take at most half the UI thread: nothing is handed on while a frame slot runs, nor sooner than twice
    // the recent apply cost after the last hand-on.
    orvane::ApplyBudget& budget = orvane::applyBudget();
    while (!stopFlag.load()) {
        std::chrono::steady_clock::time_point paced;
        if (pauseFlag.load()) {
            allowance = 0;
            QThread::yieldCurrentThread();
        } else if (inFlightCount() < kMaxInFlight) {
            if (budget.mayHandOn(orvane::ApplyBudget::nowNs(), inFlightCount()))
                allowance = handOnNewest(allowance);
            else if (!budget.applying())
                paced = std::chrono::steady_clock::time_point(
                    std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                        std::chrono::nanoseconds(budget.nextHandOnNs(0))));
        }
        passes.fetch_add(1);
        waitForNextPass(nextPass, paced);
    }
    // Qt read this object on this thread before run() (it names the thread after the class); stopRefresh takes
    // this hand-over once wait() returns.
    ORVANE_HAPPENS_BEFORE(this);
}
