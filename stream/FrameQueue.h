#pragma once
// The queue of version 2 frame copies between the SDK's thread and the refresh thread.
//
// Ownership: a copy is allocated by enqueueFrameCopy on the SDK's thread, owned by frameQueue until the
// refresh thread takes it out, then by the receiver of UIThread::readyRefresh, which releases it with
// releaseFrameCopy. Copies still queued when the panel or the module goes away are released by
// drainFrameQueue.

#include <QtCore/QList>
#include <QtCore/QMutex>

struct sFrameOfMocapData;

// Guards frameQueue and nothing else. Never taken on the UI thread.
extern QMutex frameQueueMutex;
// Owned copies, oldest first, never more than kFrameQueueCapacity.
extern QList<sFrameOfMocapData*> frameQueue;

namespace orvane {

const int kFrameQueueCapacity = 20;

// A fresh 152208-byte record: the pointer fields of every body pose nulled and their 16-bit field zeroed,
// nothing else initialised (the SDK's copy fills the rest).
sFrameOfMocapData* allocateFrameCopy();
// The SDK's freeFrameV2 on the copy, then the record itself. Accepts null.
void releaseFrameCopy(sFrameOfMocapData* copy);
// Copies the SDK's frame into the queue; when the queue is full the oldest copy is released first.
void enqueueFrameCopy(const sFrameOfMocapData* frame);
// Releases every queued copy.
void drainFrameQueue();
// Copies allocated and not yet released, process-wide.
int liveFrameCopyCount();

}  // namespace orvane
