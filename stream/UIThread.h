#pragma once
// The refresh thread: every 3 ms pass hands the newest version 2 copy in frameQueue to the UI thread
// through readyRefresh (a queued connection) and releases the older ones unapplied (counted as skipped):
// a live view shows the newest pose, never a backlog. A pass that follows one that found nothing may hand
// on the two newest, so frames that come slower than the passes but unevenly (two within one pass after a
// gap) are all handed on, in order; over time no more than one copy per pass is. The thread object lives
// in the UI thread; all four control operations are called there. A pass hands on nothing while the UI
// thread is applying a frame, or sooner than twice the recent apply cost after the last hand-on (ApplyBudget):
// frames take at most half the UI thread. A copy not yet taken holds back nothing more than the pace does,
// since only a UI thread busy with other work for longer leaves it waiting.
//
// Ownership: a copy handed on stays in this thread's in-flight slots until the receiver takes it with
// takeEmitted; readyRefresh only names it. An event dropped unread (its receiver went away) leaves the copy
// here, and releaseUnapplied (or the destructor) releases it. Memory stays bounded when the UI thread
// stalls: at most kMaxInFlight copies are in flight; beyond that frames stay in frameQueue, where its
// capacity thins them, newest kept.

#include <atomic>
#include <mutex>

#include <QtCore/QThread>

#include "FrameQueue.h"
#include "OrvaneRecords.h"

class UIThread : public QThread {
    Q_OBJECT

public:
    enum { kMaxInFlight = 2, kPassMilliseconds = 3 };

    explicit UIThread(QObject* parent = nullptr);
    ~UIThread() override;  // stops and joins the thread if it still runs, then releases what is in flight

    // Starts the thread paused. Both flags are set before the thread starts, so a stop or resume issued
    // right after is never lost.
    void startRefresh();
    // Sets the stop flag and waits for the thread without a time limit.
    void stopRefresh();
    void pauseRefresh();
    void resumeRefresh();
    bool isPaused() const { return pauseFlag.load(); }

    // For the receiver of readyRefresh: the in-flight copy that the signal named, now the caller's; an empty
    // handle when this thread holds no such copy.
    orvane::FrameCopy takeEmitted(const sFrameOfMocapData* frame);
    // Releases the copies handed on and never taken. Call only after stopRefresh.
    void releaseUnapplied();
    int inFlightCount() const;
    // Passes run since the start, paused ones included: a caller can wait for the thread to have looked at
    // the queue since it last put a frame there.
    long long passCount() const { return passes.load(); }

signals:
    // Names a copy held in flight; the pointer carries no ownership (see takeEmitted).
    void readyRefresh(sFrameOfMocapData* frame);

protected:
    void run() override;

private:
    // One pass over the queue: moves the newest copies (as many as `allowance` and the free slots permit)
    // into flight and emits them, releases the rest. Returns the next pass's allowance.
    int handOnNewest(int allowance);
    int inFlightCountLocked() const;

    std::atomic<bool> stopFlag;
    std::atomic<bool> pauseFlag;
    std::atomic<long long> passes;
    // Taken after frameQueueMutex when both are held, never the other way round.
    mutable std::mutex inFlightMutex;
    orvane::FrameCopy inFlight[kMaxInFlight];
};
