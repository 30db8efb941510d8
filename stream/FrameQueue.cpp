#include "FrameQueue.h"

#include <atomic>

#include "OrvanePluginSDK.h"

QMutex frameQueueMutex;
QList<sFrameOfMocapData*> frameQueue;

namespace orvane {
namespace {
std::atomic<int> liveCopies(0);
}

sFrameOfMocapData* allocateFrameCopy() {
    sFrameOfMocapData* copy = new sFrameOfMocapData;  // default-initialised: the SDK fills it
    for (int i = 0; i < kBodyPoseSlots; ++i) {
        sBodyPose& pose = copy->bodyPoses[i];
        pose.attachedPoints = nullptr;
        pose.attachedIds = nullptr;
        pose.attachedSizes = nullptr;
        pose.params = 0;
    }
    liveCopies.fetch_add(1);
    return copy;
}

void releaseFrameCopy(sFrameOfMocapData* copy) {
    if (copy == nullptr) return;
    COrvaneSDKClientManager::instance()->freeFrameV2(copy);
    delete copy;
    liveCopies.fetch_sub(1);
}

void enqueueFrameCopy(const sFrameOfMocapData* frame) {
    QMutexLocker lock(&frameQueueMutex);
    sFrameOfMocapData* copy = allocateFrameCopy();
    COrvaneSDKClientManager::instance()->copyFrameV2(frame, copy);
    if (frameQueue.size() >= kFrameQueueCapacity) releaseFrameCopy(frameQueue.takeFirst());
    frameQueue.append(copy);
}

void drainFrameQueue() {
    QList<sFrameOfMocapData*> queued;
    {
        QMutexLocker lock(&frameQueueMutex);
        queued.swap(frameQueue);
    }
    for (sFrameOfMocapData* copy : queued) releaseFrameCopy(copy);
}

int liveFrameCopyCount() { return liveCopies.load(); }

}  // namespace orvane
