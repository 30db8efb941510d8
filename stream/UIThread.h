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
// Memory stays bounded when the UI thread stalls: at most kMaxInFlight copies are emitted and not yet
// taken by the receiver; beyond that frames stay in frameQueue, where its capacity thins them, newest
// kept. The receiver calls takeEmitted for each copy it gets, before reading it; releaseUnapplied frees
// the copies that were emitted but never arrived (their posted events were dropped with the receiver).

#include <atomic>

#include <QtCore/QMetaType>
#include <QtCore/QThread>

#include "OrvaneRecords.h"

// Frame pointers travel through queued connections (the refresh thread's readyRefresh and the panel's
// blocking version 1 signal); queued arguments must be known to the meta-type system by name.
Q_DECLARE_METATYPE(sFrameOfMocapData*)
Q_DECLARE_METATYPE(sFrameOfData*)

namespace orvane {
void registerFrameMetaTypes();
}

class UIThread : public QThread {
    Q_OBJECT

public:
    enum { kMaxInFlight = 2, kPassMilliseconds = 3 };

    explicit UIThread(QObject* parent = nullptr);
    ~UIThread() override;  // stops and joins the thread if it still runs

    // Starts the thread paused. Both flags are set before the thread starts, so a stop or resume issued
    // right after is never lost.
    void startRefresh();
    // Sets the stop flag and waits for the thread without a time limit.
    void stopRefresh();
    void pauseRefresh();
    void resumeRefresh();
    bool isPaused() const { return pauseFlag.load(); }

    // Called by the receiver of readyRefresh when it takes a copy; returns whether this thread emitted it
    // and it was still in flight.
    bool takeEmitted(sFrameOfMocapData* frame);
    // Releases the copies emitted and never taken. Call only after stopRefresh.
    void releaseUnapplied();
    int inFlightCount() const;

signals:
    void readyRefresh(sFrameOfMocapData* frame);

protected:
    void run() override;

private:
    bool addInFlight(sFrameOfMocapData* frame);

    std::atomic<bool> stopFlag;
    std::atomic<bool> pauseFlag;
    std::atomic<sFrameOfMocapData*> inFlight[kMaxInFlight];
};
