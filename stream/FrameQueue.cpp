#include "FrameQueue.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "OrvanePluginSDK.h"
#include "SanitizerAnnotations.h"

namespace {

// Room for the queue's pointers to slide to the front of the list's buffer instead of growing it, so that
// appending never allocates under frameQueueMutex.
const int kFrameQueueReserve = 4 * orvane::kFrameQueueCapacity;

QList<sFrameOfMocapData*> reservedQueue() {
    QList<sFrameOfMocapData*> queue;
    queue.reserve(kFrameQueueReserve);
    return queue;
}

// A copy and the session it was queued in. The record comes first, so the record's address is the block's.
struct FrameCopy {
    sFrameOfMocapData record;
    std::uint64_t session;  // written under frameQueueMutex, before the copy is visible to the refresh thread
};
static_assert(std::is_standard_layout<FrameCopy>::value && offsetof(FrameCopy, record) == 0,
              "a copy's record pointer is its block pointer");

FrameCopy* blockOf(sFrameOfMocapData* copy) { return reinterpret_cast<FrameCopy*>(copy); }
const FrameCopy* blockOf(const sFrameOfMocapData* copy) { return reinterpret_cast<const FrameCopy*>(copy); }

std::atomic<int> liveCopies(0);
std::atomic<std::uint64_t> currentSession(1);
std::atomic<long long> queuedCount(0);
std::atomic<long long> skippedCount(0);
std::atomic<long long> discardedCount(0);

// Releases every queued copy; with `newSession`, the current session ends in the same step. The copies
// are taken out under the lock, keeping the list's buffer, and released after it.
int releaseQueued(bool newSession) {
    sFrameOfMocapData* queued[orvane::kFrameQueueCapacity];
    int released = 0;
    for (bool more = true; more;) {
        int count = 0;
        {
            orvane::FrameQueueLocker lock;
            if (newSession) currentSession.fetch_add(1);
            newSession = false;
            while (!frameQueue.isEmpty() && count < orvane::kFrameQueueCapacity)
                queued[count++] = frameQueue.takeFirst();
            more = !frameQueue.isEmpty();
        }
        for (int i = 0; i < count; ++i) orvane::releaseFrameCopy(queued[i]);
        released += count;
    }
    return released;
}

}  // namespace

QMutex frameQueueMutex;
QList<sFrameOfMocapData*> frameQueue = reservedQueue();

namespace orvane {

FrameQueueLocker::FrameQueueLocker() : locked_(true) {
    frameQueueMutex.lock();
    // QMutex waits inside Qt, where ThreadSanitizer does not see it: what one holder wrote, the next one sees.
    ORVANE_HAPPENS_AFTER(&frameQueueMutex);
}

FrameQueueLocker::~FrameQueueLocker() { unlock(); }

void FrameQueueLocker::unlock() {
    if (!locked_) return;
    locked_ = false;
    ORVANE_HAPPENS_BEFORE(&frameQueueMutex);
    frameQueueMutex.unlock();
}

sFrameOfMocapData* allocateFrameCopy() {
    FrameCopy* block = new FrameCopy;  // default-initialised: the SDK's copy fills the record
    sFrameOfMocapData* copy = &block->record;
    for (int i = 0; i < kBodyPoseSlots; ++i) {
        sBodyPose& pose = copy->bodyPoses[i];
        pose.attachedPoints = nullptr;
        pose.attachedIds = nullptr;
        pose.attachedSizes = nullptr;
        pose.params = 0;
    }
    copy->markerSetCount = 0;
    for (int i = 0; i < kMaxMarkerSetFrames; ++i) {
        copy->markerSets[i].markerCount = 0;
        copy->markerSets[i].markers = nullptr;
    }
    copy->skeletonCount = 0;
    for (int k = 0; k < kMaxSkeletonFrames; ++k) {
        copy->skeletons[k].boneCount = 0;
        copy->skeletons[k].bones = nullptr;
    }
    block->session = 0;  // no session until it is queued
    liveCopies.fetch_add(1);
    return copy;
}

void releaseFrameCopy(sFrameOfMocapData* copy) {
    if (copy == nullptr) return;
    COrvaneSDKClientManager::instance()->freeFrameV2(copy);
    delete blockOf(copy);
    liveCopies.fetch_sub(1);
}

void enqueueFrameCopy(const sFrameOfMocapData* frame) {
    sFrameOfMocapData* copy = allocateFrameCopy();
    COrvaneSDKClientManager::instance()->copyFrameV2(frame, copy);
    sFrameOfMocapData* dropped = nullptr;
    {
        orvane::FrameQueueLocker lock;
        blockOf(copy)->session = currentSession.load();
        if (frameQueue.size() >= kFrameQueueCapacity) dropped = frameQueue.takeFirst();
        frameQueue.append(copy);
    }
    queuedCount.fetch_add(1);
    if (dropped != nullptr) {
        releaseFrameCopy(dropped);
        countSkippedFrames(1);
    }
}

void drainFrameQueue() { releaseQueued(false); }

int liveFrameCopyCount() { return liveCopies.load(); }

void startFrameSession() { discardedCount.fetch_add(releaseQueued(true)); }

bool isCurrentFrameSession(const sFrameOfMocapData* copy) {
    return copy != nullptr && blockOf(copy)->session == currentSession.load();
}

FrameTransportCounters frameTransportCounters() {
    FrameTransportCounters counters;
    counters.queued = queuedCount.load();
    counters.skipped = skippedCount.load();
    counters.discarded = discardedCount.load();
    return counters;
}

void countSkippedFrames(int count) { skippedCount.fetch_add(count); }

void countDiscardedFrame() { discardedCount.fetch_add(1); }

}  // namespace orvane
