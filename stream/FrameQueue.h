#pragma once
// The queue of version 2 frame copies between the SDK's thread and the refresh thread.
//
// Ownership: a copy is allocated by enqueueFrameCopy on the SDK's thread, owned by frameQueue until the
// refresh thread takes it out, then by the receiver of UIThread::readyRefresh, which releases it with
// releaseFrameCopy. Copies still queued when the panel or the module goes away are released by
// drainFrameQueue.
//
// Sessions: every copy carries the frame session that was current when it was queued. A connection is one
// session; startFrameSession ends the current one at each connection boundary, so that a copy queued or in
// flight across a boundary is released unapplied and never reaches the node lists of a later connection.

#include <QtCore/QList>
#include <QtCore/QMutex>

struct sFrameOfMocapData;

// Guards frameQueue and nothing else; taken through orvane::FrameQueueLocker. Held only for a few pointer
// moves: nothing is allocated, copied or released under it.
extern QMutex frameQueueMutex;
// Owned copies, oldest first, never more than kFrameQueueCapacity.
extern QList<sFrameOfMocapData*> frameQueue;

namespace orvane {

const int kFrameQueueCapacity = 20;

// Holds frameQueueMutex for its scope (or until unlock). Every user of the queue locks through it: in a
// ThreadSanitizer build it also tells the sanitizer about the lock, whose inside in Qt it cannot see.
class FrameQueueLocker {
public:
    FrameQueueLocker();
    ~FrameQueueLocker();
    void unlock();

private:
    FrameQueueLocker(const FrameQueueLocker&);
    FrameQueueLocker& operator=(const FrameQueueLocker&);
    bool locked_;
};

// A fresh 152208-byte record: the pointer fields of every body pose nulled and their 16-bit field zeroed,
// and the marker-set and skeleton counts, and every entry's count and array pointer, zeroed, so that a
// copy the SDK fails to fill reads as an empty frame and is safe to free. Nothing else is initialised.
sFrameOfMocapData* allocateFrameCopy();
// The SDK's freeFrameV2 on the copy, then the record itself. Accepts null. Only for allocateFrameCopy's.
void releaseFrameCopy(sFrameOfMocapData* copy);
// Copies the SDK's frame into the queue (the copy is made before the lock is taken); when the queue is
// full the oldest copy is dropped and released after the lock is let go. SDK's thread.
void enqueueFrameCopy(const sFrameOfMocapData* frame);
// Releases every queued copy.
void drainFrameQueue();
// Copies allocated and not yet released, process-wide.
int liveFrameCopyCount();

// Ends the current frame session and starts the next: the copies queued now are released at once, and
// copies already handed to the UI thread no longer belong to the current session (see
// isCurrentFrameSession). UI thread, at every connection boundary.
void startFrameSession();
// Whether a copy was queued in the current session. A copy of an ended session must be released unapplied.
bool isCurrentFrameSession(const sFrameOfMocapData* copy);

// Process-wide transport counters, for the benchmarks and tests.
struct FrameTransportCounters {
    long long queued = 0;     // copies put into frameQueue
    long long skipped = 0;    // released unapplied: a newer copy was handed on, or the queue overflowed
    long long discarded = 0;  // released unapplied: their session had ended
};
FrameTransportCounters frameTransportCounters();
// Called by the refresh thread and the receiver for the copies they release unapplied.
void countSkippedFrames(int count);
void countDiscardedFrame();

}  // namespace orvane
