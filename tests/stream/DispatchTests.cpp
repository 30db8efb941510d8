// The observer registry and the subject: order, duplicates, detach semantics, isolation between
// subjects, and notification racing attach/detach from another thread (run under ThreadSanitizer in CI).

#include <atomic>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "AllocationCounter.h"
#include "OrvaneSubject.h"
#include "SdkCallbacks.h"
#include "TestFrames.h"

namespace {

// Records which observer saw which frame, in order.
struct Log {
    std::vector<std::pair<int, int>> calls;  // (observer id, frame number)
};

class RecordingObserver : public OrvaneObserver {
public:
    RecordingObserver(int id, Log* log) : id_(id), log_(log) {}
    void onFrameV2(sFrameOfMocapData* frame) override { log_->calls.push_back({id_, frame->frameNumber}); }
    void onFrameV1(sFrameOfData* frame) override { log_->calls.push_back({id_, -frame->frameNumber}); }

private:
    int id_;
    Log* log_;
};

class CountingObserver : public OrvaneObserver {
public:
    void onFrameV2(sFrameOfMocapData*) override { frames.fetch_add(1, std::memory_order_relaxed); }
    void onFrameV1(sFrameOfData*) override { frames.fetch_add(1, std::memory_order_relaxed); }
    std::atomic<long> frames{0};
};

class TestSubject : public OrvaneSubject {};

TEST(Dispatch, ObserversAreNotifiedInAttachOrderAndDuplicatesCount) {
    TestSubject subject;
    Log log;
    RecordingObserver a(1, &log), b(2, &log);
    subject.attach(&a);
    subject.attach(&b);
    subject.attach(&a);
    testframes::FrameV2 frame(7, 0);
    subject.notifyFrameV2(frame.frame.get());
    EXPECT_EQ(log.calls, (std::vector<std::pair<int, int>>{{1, 7}, {2, 7}, {1, 7}}));

    log.calls.clear();
    subject.detach(&a);  // removes the first pair only
    subject.notifyFrameV2(frame.frame.get());
    EXPECT_EQ(log.calls, (std::vector<std::pair<int, int>>{{2, 7}, {1, 7}}));

    log.calls.clear();
    RecordingObserver stranger(3, &log);
    subject.detach(&stranger);  // not stored: nothing happens
    subject.detach(&a);
    subject.detach(&a);  // already gone
    subject.notifyFrameV2(frame.frame.get());
    EXPECT_EQ(log.calls, (std::vector<std::pair<int, int>>{{2, 7}}));
    subject.detach(&b);
}

TEST(Dispatch, SubjectsDoNotShareObservers) {
    TestSubject one, other;
    Log log;
    RecordingObserver a(1, &log), b(2, &log);
    one.attach(&a);
    other.attach(&b);
    testframes::FrameV1 frame({1});
    frame.frame->frameNumber = 4;
    one.notifyFrameV1(frame.frame.get());
    EXPECT_EQ(log.calls, (std::vector<std::pair<int, int>>{{1, -4}}));
    one.detach(&a);
    other.detach(&b);
}

TEST(Dispatch, DestroyedSubjectLeavesNoPairsForALaterSubjectAtTheSameAddress) {
    Log log;
    RecordingObserver a(1, &log);
    alignas(TestSubject) unsigned char storage[sizeof(TestSubject)];
    TestSubject* first = new (storage) TestSubject;
    first->attach(&a);
    first->~TestSubject();
    TestSubject* second = new (storage) TestSubject;
    testframes::FrameV2 frame(1, 0);
    second->notifyFrameV2(frame.frame.get());
    EXPECT_TRUE(log.calls.empty());
    second->~TestSubject();
}

TEST(Dispatch, SystemIsOneInstanceAndReachesAttachedObserversThroughTheDataHandlers) {
    ASSERT_EQ(OrvaneSystem::instance(), OrvaneSystem::instance());
    Log log;
    RecordingObserver a(1, &log), b(2, &log);
    OrvaneSystem::instance()->attach(&a);
    OrvaneSystem::instance()->attach(&b);
    testframes::FrameV2 frame(11, 0);
    dataHandlerV2(frame.frame.get(), nullptr);
    dataHandlerV2(nullptr, nullptr);  // ignored
    EXPECT_EQ(log.calls, (std::vector<std::pair<int, int>>{{1, 11}, {2, 11}}));
    OrvaneSystem::instance()->detach(&a);
    OrvaneSystem::instance()->detach(&b);
}

TEST(Dispatch, NotificationAllocatesNothing) {
    TestSubject subject;
    CountingObserver a, b, c;
    subject.attach(&a);
    subject.attach(&b);
    subject.attach(&c);
    testframes::FrameV2 frame(1, 3);
    alloccount::start();
    for (int i = 0; i < 1000; ++i) subject.notifyFrameV2(frame.frame.get());
    const long allocations = alloccount::stop();
    EXPECT_EQ(allocations, 0);
    EXPECT_EQ(a.frames.load() + b.frames.load() + c.frames.load(), 3000);
    subject.detach(&a);
    subject.detach(&b);
    subject.detach(&c);
}

// The disconnection detaches the panel while the SDK's thread may be notifying it. The registry must stay
// intact, every observer still attached at the end must be notified, and no lock may be held while an
// observer runs (an observer here blocks on a flag the detaching thread sets).
TEST(Dispatch, AttachAndDetachRaceWithNotificationsWithoutCorruption) {
    TestSubject subject;
    CountingObserver steady;
    CountingObserver churn[8];
    subject.attach(&steady);

    std::atomic<bool> done{false};
    std::atomic<long> notifications{0};
    std::thread sdkThread([&] {
        testframes::FrameV2 frame(1, 1);
        while (!done.load()) {
            subject.notifyFrameV2(frame.frame.get());
            notifications.fetch_add(1);
        }
    });

    for (int round = 0; round < 2000; ++round) {
        CountingObserver& o = churn[round % 8];
        subject.attach(&o);
        subject.attach(&o);
        subject.detach(&o);
        subject.detach(&o);
    }
    // Let the notifier run a few more rounds after the churn, then stop.
    const long seen = notifications.load();
    while (notifications.load() < seen + 10) std::this_thread::yield();
    done.store(true);
    sdkThread.join();

    EXPECT_EQ(observerRegistry().count(&subject), 1u);
    EXPECT_EQ(steady.frames.load(), notifications.load());
    subject.detach(&steady);
}

// An observer that waits inside its notification for the thread that detaches it: with a lock held
// across the call this would deadlock.
TEST(Dispatch, ObserverMayBlockOnTheDetachingThread) {
    TestSubject subject;
    struct Blocking : OrvaneObserver {
        std::atomic<bool> entered{false}, release{false};
        void onFrameV2(sFrameOfMocapData*) override {
            entered.store(true);
            while (!release.load()) std::this_thread::yield();
        }
        void onFrameV1(sFrameOfData*) override {}
    } blocking;
    subject.attach(&blocking);
    std::thread sdkThread([&] {
        testframes::FrameV2 frame(1, 0);
        subject.notifyFrameV2(frame.frame.get());
    });
    while (!blocking.entered.load()) std::this_thread::yield();
    subject.detach(&blocking);  // must not wait for the running notification
    blocking.release.store(true);
    sdkThread.join();
    EXPECT_EQ(observerRegistry().count(&subject), 0u);
}

}  // namespace
