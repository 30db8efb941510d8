#pragma once
// Records a take: every frame handed to recordFrameV2/V1 on the SDK's thread is kept, stamped with its arrival
// on the steady clock, and written to the take file by a writer thread of the recorder's own.
//
// Threads: start, stop and the destructor on one controlling thread (the UI thread); recordFrame* on the
// SDK's thread, one call at a time, at any moment (before start and after stop they do nothing); the counters
// from any thread. recordFrame* never waits on the writer or the disk and never allocates: a frame that finds
// the buffer full is dropped and counted, and the count goes into the file.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "TakeFile.h"

namespace orvane {
namespace take {

// Where the writer thread puts the take's bytes. Called on the writer thread only (and by start, before it).
class TakeOutput {
public:
    virtual ~TakeOutput() {}
    virtual bool write(const char* data, std::size_t size) = 0;
    virtual bool flush() = 0;  // hands what was written to the operating system
};

// A new file at `path` (replacing one there); null with `error` set when it cannot be created.
std::unique_ptr<TakeOutput> createTakeFile(const std::string& path, std::string& error);

struct RecorderOptions {
    std::size_t bufferBytes = 16u << 20;  // the frames in flight to the writer, framing included
    int bufferFrames = 0;                 // when above 0, the buffer holds exactly this many frames instead
    std::chrono::milliseconds flushInterval{250};
    std::chrono::milliseconds writerPoll{2};  // how long the writer sleeps when the buffer is empty
};

struct TakeSummary {
    std::int64_t framesWritten = 0;
    std::int64_t framesDropped = 0;  // buffer full, or lost to a failed write
    double seconds = 0;              // arrival of the last frame after the take's start
    std::string error;               // the first write that failed, empty when none did
};

class TakeRecorder {
public:
    typedef std::chrono::steady_clock Clock;

    TakeRecorder() {}
    ~TakeRecorder();  // stops a take still running
    TakeRecorder(const TakeRecorder&) = delete;
    TakeRecorder& operator=(const TakeRecorder&) = delete;

    // Writes the header to `output` and starts taking frames; the take's clock starts now. False, with
    // `error`, when recording already or when the header cannot be written.
    bool start(const TakeLayout& layout, std::unique_ptr<TakeOutput> output, std::string& error,
               const RecorderOptions& options = RecorderOptions());
    // Stops taking frames, lets the writer finish every frame taken, writes the end record and closes the
    // output. Returns what the take holds; a second stop returns the same.
    TakeSummary stop();

    // SDK's thread. The frame as it is when the call is made (version 1: after smoothing).
    void recordFrameV2(const sFrameOfMocapData& frame) { recordFrameV2(frame, Clock::now()); }
    void recordFrameV1(const sFrameOfData& frame) { recordFrameV1(frame, Clock::now()); }
    void recordFrameV2(const sFrameOfMocapData& frame, Clock::time_point arrival);
    void recordFrameV1(const sFrameOfData& frame, Clock::time_point arrival);

    bool isRecording() const { return accepting_.load(); }
    std::int64_t framesRecorded() const;  // taken into the buffer
    std::int64_t framesWritten() const { return written_.load(std::memory_order_relaxed); }
    std::int64_t framesDropped() const { return dropped_.load(std::memory_order_relaxed); }
    double seconds() const { return static_cast<double>(lastArrivalNs_.load(std::memory_order_relaxed)) * 1e-9; }

private:
    template <typename Frame, typename Encode>
    void record(const Frame& frame, Clock::time_point arrival, Encode encode);
    void writerLoop();
    bool writeSlot(std::uint32_t slot);

    TakeLayout layout_;
    std::unique_ptr<TakeOutput> output_;
    RecorderOptions options_;
    Clock::time_point start_;

    // Fixed-size slots, one frame record each. Free slots form a stack: the SDK's thread pops one, fills it and
    // publishes its index in the queue `filled_` by advancing filledHead_; the writer writes the slots queued,
    // in order, and pushes each back on the stack. The stack hands out the slot freed last, still in the caches,
    // so the SDK's thread keeps writing to a few warm slots however large the buffer is.
    // Only the SDK's thread pops and only the writer pushes, so the stack needs no protection against reuse.
    static const std::uint32_t kNoSlot = 0xffffffffu;
    bool pushFree(std::uint32_t slot);
    std::uint32_t popFree();

    std::vector<char> slots_;
    std::vector<std::uint32_t> slotSizes_;
    std::unique_ptr<std::atomic<std::uint32_t>[]> nextFree_;
    std::unique_ptr<std::atomic<std::uint32_t>[]> filled_;
    std::size_t slotSize_ = 0;
    std::uint32_t slotCount_ = 0;
    std::atomic<std::uint32_t> freeTop_{kNoSlot};
    std::atomic<std::uint64_t> filledHead_{0};

    // A record call in progress holds active_ up; stop waits for it to fall to 0 once accepting_ is off.
    std::atomic<bool> accepting_{false};
    std::atomic<int> active_{0};

    std::atomic<std::int64_t> written_{0};
    std::atomic<std::int64_t> dropped_{0};
    std::atomic<std::int64_t> lastArrivalNs_{0};

    std::thread writer_;
    std::mutex writerMutex_;
    std::condition_variable writerWake_;
    bool writerStop_ = false;  // guarded by writerMutex_
    std::string writeError_;   // writer thread until joined
    bool running_ = false;     // controlling thread
    TakeSummary summary_;      // controlling thread, set by stop
};

}  // namespace take
}  // namespace orvane
