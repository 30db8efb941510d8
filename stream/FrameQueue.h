#pragma once
// Version 2 frame copies and the queue that carries them from the SDK's thread to the refresh thread.
//
// Ownership: a copy lives in exactly one orvane::FrameCopy at a time, and the end of that handle releases it.
// enqueueFrameCopy makes it on the SDK's thread and moves it into frameQueue; the refresh thread moves it out
// and holds it in flight until the receiver of UIThread::readyRefresh takes it (UIThread::takeEmitted), and the
// receiver's handle releases it once applied. Copies still queued when the panel or the module goes away are
// released by drainFrameQueue.
//
// Sessions: every copy carries the frame session that was current when it was queued. A connection is one
// session; startFrameSession ends the current one at each connection boundary, so that a copy queued or in
// flight across a boundary is released unapplied and never reaches the node lists of a later connection.

#include <QtCore/QMutex>

#include <cstdint>

struct sFrameOfMocapData;

namespace orvane {

const int kFrameQueueCapacity = 20;

// One owned copy of a version 2 frame, or nothing. Move-only: its end (or reset) calls the SDK's freeFrameV2 on
// the copy, then deletes the record's block, so a copy dropped anywhere (an overflow, a dropped event, a failed
// copy) is released exactly once.
class FrameCopy {
public:
    FrameCopy() : block_(nullptr) {}
    // A fresh 152208-byte record: the pointer fields of every body pose nulled and their 16-bit field zeroed,
    // and the marker-set and skeleton counts, and every entry's count and array pointer, zeroed, so that a
    // copy the SDK fails to fill is safe to free. Nothing else is initialised.
    static FrameCopy allocate();

    FrameCopy(FrameCopy&& other) noexcept : block_(other.block_) { other.block_ = nullptr; }
    FrameCopy& operator=(FrameCopy&& other) noexcept;
    ~FrameCopy() { reset(); }

    void reset();
    sFrameOfMocapData* get() const;  // null when empty
    sFrameOfMocapData* operator->() const { return get(); }
    explicit operator bool() const { return block_ != nullptr; }

private:
    struct Block;
    FrameCopy(const FrameCopy&);
    FrameCopy& operator=(const FrameCopy&);
    friend void enqueueFrameCopy(const sFrameOfMocapData* frame);
    friend bool isCurrentFrameSession(const FrameCopy& copy);

    Block* block_;
};

// The queue's storage: a ring of kFrameQueueCapacity copies, oldest first, that never allocates.
class FrameCopyQueue {
public:
    FrameCopyQueue() : head_(0), count_(0) {}
    int size() const { return count_; }
    bool isEmpty() const { return count_ == 0; }
    const FrameCopy& first() const { return slots_[head_]; }  // not empty
    const FrameCopy& last() const { return slots_[(head_ + count_ - 1) % kFrameQueueCapacity]; }
    FrameCopy takeFirst();        // not empty
    void append(FrameCopy copy);  // not full

private:
    FrameCopyQueue(const FrameCopyQueue&);
    FrameCopyQueue& operator=(const FrameCopyQueue&);
    FrameCopy slots_[kFrameQueueCapacity];
    int head_, count_;
};

}  // namespace orvane

// Guards frameQueue and nothing else; taken through orvane::FrameQueueLocker. Held only for a few handle
// moves: nothing is allocated, copied or released under it.
extern QMutex frameQueueMutex;
// Owned copies, oldest first, never more than kFrameQueueCapacity.
extern orvane::FrameCopyQueue frameQueue;

namespace orvane {

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

// Copies the SDK's frame into the queue (the copy is made before the lock is taken); when the queue is full
// the oldest copy is dropped and released after the lock is let go. A copy the SDK fails to make is released
// at once and counted, never queued. SDK's thread.
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
bool isCurrentFrameSession(const FrameCopy& copy);

// Process-wide transport counters, for the benchmarks and tests.
struct FrameTransportCounters {
    long long queued = 0;     // copies put into frameQueue
    long long skipped = 0;    // released unapplied: a newer copy was handed on, or the queue overflowed
    long long discarded = 0;  // released unapplied: their session had ended
    long long failed = 0;     // released at once: the SDK's copyFrameV2 failed
};
FrameTransportCounters frameTransportCounters();
// Called by the refresh thread and the receiver for the copies they release unapplied.
void countSkippedFrames(int count);
void countDiscardedFrame();

}  // namespace orvane
