// The frame queue and the refresh thread: the bound of 20 copies, pause/resume/stop, the bound on
// emitted-but-unapplied copies when the UI thread stalls, sessions, failed copies, and no copy leaking across
// start/stop/teardown.
// Nothing here asserts a time: waits are bounded polls on conditions.

#include <QtCore/QCoreApplication>
#include <QtCore/QElapsedTimer>
#include <QtCore/QThread>

#include <atomic>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "AllocationCounter.h"
#include "EventSpin.h"
#include "FrameQueue.h"
#include "OrvanePluginSDK.h"
#include "TestFrames.h"
#include "UIThread.h"
#include "orvane/tracker/Control.h"

namespace {

QCoreApplication& app() {
    static int argc = 1;
    static char name[] = "stream_tests";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* instance = new QCoreApplication(argc, argv);
    return *instance;
}

using testsupport::spinUntil;

// Waits without processing events (the UI thread stays stalled).
template <typename F>
bool waitUntil(F done, int boundMs = 10000) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < boundMs) QThread::msleep(1);
    return done();
}

int queued() {
    orvane::FrameQueueLocker lock;
    return frameQueue.size();
}

// The receiving end on the UI thread: takes each copy, records its frame number, releases it.
class Receiver : public QObject {
public:
    explicit Receiver(UIThread* thread) : thread_(thread) {
        connect(thread, &UIThread::readyRefresh, this, &Receiver::take);
    }
    void take(sFrameOfMocapData* frame) {
        EXPECT_EQ(QThread::currentThread(), app().thread());
        const orvane::FrameCopy copy = thread_->takeEmitted(frame);
        ASSERT_TRUE(copy) << "readyRefresh named a copy the thread does not hold in flight";
        numbers.push_back(copy->frameNumber);
    }
    std::vector<int> numbers;

private:
    UIThread* thread_;
};

class FrameQueue : public testing::Test {
protected:
    void SetUp() override {
        app();
        orvane::tracker::resetForTests();
        orvane::drainFrameQueue();
        baseline_ = orvane::liveFrameCopyCount();
    }
    void TearDown() override {
        orvane::drainFrameQueue();
        EXPECT_EQ(orvane::liveFrameCopyCount(), baseline_);
        EXPECT_EQ(orvane::tracker::liveFrameCopies(), 0);
    }
    void enqueue(int from, int to, int markers = 2) {
        for (int n = from; n <= to; ++n) {
            testframes::FrameV2 frame(n, markers);
            orvane::enqueueFrameCopy(frame.frame.get());
        }
    }
    int baseline_ = 0;
};

TEST_F(FrameQueue, CopyIsDeepAndFreshRecordsArePrepared) {
    orvane::FrameCopy copy = orvane::FrameCopy::allocate();
    sFrameOfMocapData* fresh = copy.get();
    for (int i = 0; i < kBodyPoseSlots; ++i) {
        ASSERT_EQ(fresh->bodyPoses[i].attachedPoints, nullptr);
        ASSERT_EQ(fresh->bodyPoses[i].attachedIds, nullptr);
        ASSERT_EQ(fresh->bodyPoses[i].attachedSizes, nullptr);
        ASSERT_EQ(fresh->bodyPoses[i].params, 0);
    }
    testframes::FrameV2 source(3, 4);
    COrvaneSDKClientManager::instance()->copyFrameV2(source.frame.get(), fresh);
    source.markers[0][0] = -1;  // the copy must not follow the source
    EXPECT_EQ(fresh->markerSets[0].markerCount, 4);
    EXPECT_EQ(fresh->markerSets[0].markers[0][0], 3.0f);
    EXPECT_NE(fresh->markerSets[0].markers, source.frame->markerSets[0].markers);
    orvane::FrameCopy moved = std::move(copy);  // one owner at a time: the moved-from handle releases nothing
    EXPECT_FALSE(copy);
    EXPECT_EQ(moved.get(), fresh);
    EXPECT_EQ(orvane::liveFrameCopyCount() - baseline_, 1);
    moved.reset();
    EXPECT_EQ(orvane::liveFrameCopyCount(), baseline_);
}

TEST_F(FrameQueue, TwentyFirstFrameReleasesTheOldest) {
    enqueue(1, 20);
    EXPECT_EQ(queued(), 20);
    EXPECT_EQ(orvane::liveFrameCopyCount() - baseline_, 20);
    enqueue(21, 21);
    orvane::FrameQueueLocker lock;
    ASSERT_EQ(frameQueue.size(), 20);
    EXPECT_EQ(frameQueue.first()->frameNumber, 2);
    EXPECT_EQ(frameQueue.last()->frameNumber, 21);
    EXPECT_EQ(orvane::liveFrameCopyCount() - baseline_, 20);
}

TEST_F(FrameQueue, EmptyFramesAreCopiedQueuedAndReleased) {
    sFrameOfMocapData empty = {};
    orvane::enqueueFrameCopy(&empty);
    EXPECT_EQ(queued(), 1);
}

TEST_F(FrameQueue, StartedButNeverResumedEmitsNothing) {
    UIThread thread;
    Receiver receiver(&thread);
    thread.startRefresh();
    enqueue(1, 5);
    spinUntil([] { return false; }, 100);
    EXPECT_TRUE(receiver.numbers.empty());
    EXPECT_EQ(queued(), 5);
    thread.stopRefresh();
}

// A live view shows the newest pose: frames that wait while the thread is paused collapse into the newest
// one at the next pass, the older ones released unapplied and counted as skipped. Frames that come one at a
// time while the receiver keeps up are all handed on, in order, and so are two that come together after a
// pass that found nothing (a frame late on an uneven stream, and the next one).
TEST_F(FrameQueue, EveryFrameInOrderWhileKeepingUpOnlyTheNewestAfterAWait) {
    UIThread thread;
    Receiver receiver(&thread);
    thread.startRefresh();
    thread.resumeRefresh();
    const long long skippedBefore = orvane::frameTransportCounters().skipped;
    for (int n = 1; n <= 3; ++n) {
        enqueue(n, n);
        ASSERT_TRUE(spinUntil([&] { return receiver.numbers.size() == static_cast<std::size_t>(n); }));
    }
    spinUntil([] { return false; }, 20);  // passes that find nothing
    enqueue(4, 5);
    ASSERT_TRUE(spinUntil([&] { return receiver.numbers.size() == 5; }));
    EXPECT_EQ(receiver.numbers, (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_EQ(orvane::frameTransportCounters().skipped, skippedBefore);

    thread.pauseRefresh();
    spinUntil([] { return false; }, 20);  // let a pass that began before the pause finish
    enqueue(6, 10);
    spinUntil([] { return false; }, 50);
    EXPECT_EQ(receiver.numbers.size(), 5u);
    thread.resumeRefresh();
    ASSERT_TRUE(spinUntil([&] { return receiver.numbers.size() == 6; }));
    spinUntil([] { return false; }, 20);
    EXPECT_EQ(receiver.numbers, (std::vector<int>{1, 2, 3, 4, 5, 10}));
    EXPECT_EQ(queued(), 0);
    EXPECT_EQ(orvane::frameTransportCounters().skipped, skippedBefore + 4);
    EXPECT_EQ(orvane::liveFrameCopyCount(), baseline_);  // the skipped copies were released
    thread.stopRefresh();
}

// A copy whose copyFrameV2 failed is released at once and counted, never queued: as the newest entry it would
// pass for the newest frame, be applied as nothing and push the valid copies out as skipped. The record it
// releases must read as empty whatever the heap held, or freeFrameV2 would free the heap's leftovers.
TEST_F(FrameQueue, AFailedCopyIsReleasedAndCountedNotQueued) {
    enqueue(1, 3);
    const orvane::FrameTransportCounters before = orvane::frameTransportCounters();
    testframes::FrameV2 frame(9, 3);
    orvane::tracker::failNextCopy();
    alloccount::fillNewBlocks(0x5A);  // every new block starts as non-zero leftovers
    orvane::enqueueFrameCopy(frame.frame.get());
    alloccount::fillNewBlocks(-1);
    const orvane::FrameTransportCounters after = orvane::frameTransportCounters();
    EXPECT_EQ(after.failed, before.failed + 1);
    EXPECT_EQ(after.queued, before.queued);
    EXPECT_EQ(after.skipped, before.skipped);
    EXPECT_EQ(orvane::liveFrameCopyCount() - baseline_, 3);
    orvane::FrameQueueLocker lock;
    ASSERT_EQ(frameQueue.size(), 3);
    EXPECT_EQ(frameQueue.last()->frameNumber, 3);
}

// A stop or resume right after the start must never be lost: stopRefresh would wait for ever.
TEST_F(FrameQueue, StopRightAfterStartOrWhilePausedAlwaysEnds) {
    for (int i = 0; i < 200; ++i) {
        UIThread thread;
        thread.startRefresh();
        if (i % 2) thread.resumeRefresh();
        thread.stopRefresh();
        ASSERT_TRUE(thread.isFinished());
    }
    UIThread resumed;
    resumed.startRefresh();
    resumed.resumeRefresh();
    EXPECT_FALSE(resumed.isPaused());  // the new thread must not pause itself over the resume
    resumed.stopRefresh();
}

// The UI thread stalls (no events processed) while frames come one by one, each after a full pass of the
// refresh thread: an unbounded thread would hand on every one of the 100 frames, while the bound keeps live
// copies at the queue's capacity plus the few in flight. Then everything drains once the UI thread runs.
TEST_F(FrameQueue, StalledReceiverKeepsMemoryBounded) {
    UIThread thread;
    Receiver receiver(&thread);
    thread.startRefresh();
    thread.resumeRefresh();

    int peak = 0;
    for (int n = 1; n <= 100; ++n) {
        enqueue(n, n, 40);
        const long long pass = thread.passCount();
        ASSERT_TRUE(waitUntil([&] { return thread.passCount() >= pass + 2; }));
        peak = std::max(peak, orvane::liveFrameCopyCount() - baseline_);
    }
    EXPECT_EQ(thread.inFlightCount(), UIThread::kMaxInFlight);
    EXPECT_LE(peak, orvane::kFrameQueueCapacity + UIThread::kMaxInFlight);

    ASSERT_TRUE(spinUntil([&] { return queued() == 0 && thread.inFlightCount() == 0; }));
    EXPECT_EQ(receiver.numbers.back(), 100);  // the newest frame always survives
    thread.stopRefresh();
}

// Sessions: a connection boundary releases what is queued (counted as discarded), and a copy already handed on
// before it no longer counts as current, while copies queued after it do.
TEST_F(FrameQueue, ASessionBoundaryReleasesQueuedCopiesAndOutdatesHandedOnOnes) {
    enqueue(1, 2);
    orvane::FrameCopy handedOn;
    {
        orvane::FrameQueueLocker lock;
        handedOn = frameQueue.takeFirst();
    }
    EXPECT_TRUE(orvane::isCurrentFrameSession(handedOn));
    const long long discarded = orvane::frameTransportCounters().discarded;
    orvane::startFrameSession();
    EXPECT_EQ(orvane::frameTransportCounters().discarded, discarded + 1);  // frame 2, still queued
    EXPECT_EQ(queued(), 0);
    EXPECT_EQ(orvane::liveFrameCopyCount() - baseline_, 1);
    EXPECT_FALSE(orvane::isCurrentFrameSession(handedOn));
    EXPECT_FALSE(orvane::isCurrentFrameSession(orvane::FrameCopy()));
    enqueue(3, 3);
    orvane::FrameQueueLocker lock;
    EXPECT_TRUE(orvane::isCurrentFrameSession(frameQueue.first()));
}

// Copies emitted but never delivered (the receiver went away with its posted events) are released by
// releaseUnapplied; copies still queued by drainFrameQueue.
TEST_F(FrameQueue, NoCopyLeaksAcrossStartStopAndTeardown) {
    for (int cycle = 0; cycle < 20; ++cycle) {
        UIThread thread;
        auto* receiver = new Receiver(&thread);
        thread.startRefresh();
        thread.resumeRefresh();
        // One frame per pass until the thread has emitted what it may, a few more left queued; then drop
        // the receiver with its posted events.
        int n = 1;
        for (; thread.inFlightCount() < UIThread::kMaxInFlight; ++n) {
            enqueue(n, n);
            ASSERT_TRUE(waitUntil([] { return queued() == 0; }));
        }
        enqueue(n, n + 5);
        delete receiver;
        thread.stopRefresh();
        thread.releaseUnapplied();
        orvane::drainFrameQueue();
        ASSERT_EQ(orvane::liveFrameCopyCount(), baseline_) << "cycle " << cycle;
    }
}

}  // namespace
