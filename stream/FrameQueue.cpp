#include "FrameQueue.h"

#include <atomic>
#include <cstddef>
#include <type_traits>
#include <utility>

#include "OrvanePluginSDK.h"
#include "SanitizerAnnotations.h"

namespace orvane {

// A copy and the session it was queued in.
struct FrameCopy::Block {
    sFrameOfMocapData record;
    std::uint64_t session;  // written under frameQueueMutex, before the copy is visible to the refresh thread
};

}  // namespace orvane

namespace {

std::atomic<int> liveCopies(0);
std::atomic<std::uint64_t> currentSession(1);
std::atomic<long long> queuedCount(0);
std::atomic<long long> skippedCount(0);
std::atomic<long long> discardedCount(0);
std::atomic<long long> failedCount(0);

// Releases every queued copy; with `newSession`, the current session ends in the same step. The copies
// are moved out under the lock and released after it.
int releaseQueued(bool newSession) {
    orvane::FrameCopy queued[orvane::kFrameQueueCapacity];
    int count = 0;
    {
        orvane::FrameQueueLocker lock;
        if (newSession) currentSession.fetch_add(1);
        while (!frameQueue.isEmpty()) queued[count++] = frameQueue.takeFirst();
    }
    return count;  // released as `queued` goes
}

}  // namespace

QMutex frameQueueMutex;
orvane::FrameCopyQueue frameQueue;

namespace orvane {

FrameCopy FrameCopy::allocate() {
    FrameCopy copy;
    copy.block_ = new Block;  // default-initialised: the SDK's copy fills the record
    sFrameOfMocapData& record = copy.block_->record;
    for (int i = 0; i < kBodyPoseSlots; ++i) {
        sBodyPose& pose = record.bodyPoses[i];
        pose.attachedPoints = nullptr;
        pose.attachedIds = nullptr;
        pose.attachedSizes = nullptr;
        pose.params = 0;
    }
    record.markerSetCount = 0;
    for (int i = 0; i < kMaxMarkerSetFrames; ++i) {
        record.markerSets[i].markerCount = 0;
        record.markerSets[i].markers = nullptr;
    }
    record.skeletonCount = 0;
    for (int k = 0; k < kMaxSkeletonFrames; ++k) {
        record.skeletons[k].boneCount = 0;
        record.skeletons[k].bones = nullptr;
    }
    copy.block_->session = 0;  // no session until it is queued
    liveCopies.fetch_add(1);
    return copy;
}

FrameCopy& FrameCopy::operator=(FrameCopy&& other) noexcept {
    if (this != &other) {
        reset();
        std::swap(block_, other.block_);
    }
    return *this;
}

void FrameCopy::reset() {
    if (block_ == nullptr) return;
    Block* block = block_;
    block_ = nullptr;
    COrvaneSDKClientManager::instance()->freeFrameV2(&block->record);
    delete block;
    liveCopies.fetch_sub(1);
}

sFrameOfMocapData* FrameCopy::get() const { return block_ != nullptr ? &block_->record : nullptr; }

FrameCopy FrameCopyQueue::takeFirst() {
    FrameCopy copy(std::move(slots_[head_]));
    head_ = (head_ + 1) % kFrameQueueCapacity;
    --count_;
    return copy;
}

void FrameCopyQueue::append(FrameCopy copy) {
    slots_[(head_ + count_) % kFrameQueueCapacity] = std::move(copy);
    ++count_;
}

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

void enqueueFrameCopy(const sFrameOfMocapData* frame) {
    FrameCopy copy = FrameCopy::allocate();
    if (COrvaneSDKClientManager::instance()->copyFrameV2(frame, copy.get()) != 0) {
        // Queued, an empty copy would pass for the newest frame and push the valid ones out as skipped.
        failedCount.fetch_add(1);
        return;
    }
    FrameCopy dropped;
    {
        FrameQueueLocker lock;
        copy.block_->session = currentSession.load();
        if (frameQueue.size() >= kFrameQueueCapacity) dropped = frameQueue.takeFirst();
        frameQueue.append(std::move(copy));
    }
    queuedCount.fetch_add(1);
    if (dropped) {
        dropped.reset();
        countSkippedFrames(1);
    }
}

void drainFrameQueue() { releaseQueued(false); }

int liveFrameCopyCount() { return liveCopies.load(); }

void startFrameSession() { discardedCount.fetch_add(releaseQueued(true)); }

bool isCurrentFrameSession(const FrameCopy& copy) {
    return copy.block_ != nullptr && copy.block_->session == currentSession.load();
}

FrameTransportCounters frameTransportCounters() {
    FrameTransportCounters counters;
    counters.queued = queuedCount.load();
    counters.skipped = skippedCount.load();
    counters.discarded = discardedCount.load();
    counters.failed = failedCount.load();
    return counters;
}

void countSkippedFrames(int count) { skippedCount.fetch_add(count); }

void countDiscardedFrame() { discardedCount.fetch_add(1); }

}  // namespace orvane
