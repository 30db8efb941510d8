#include "TakeRecorder.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace orvane {
namespace take {
namespace {

class FileOutput : public TakeOutput {
public:
    explicit FileOutput(std::FILE* file) : file_(file) {
        // Large enough that the writer makes a few system calls a second, not one per frame.
        std::setvbuf(file_, nullptr, _IOFBF, 1u << 20);
    }
    ~FileOutput() override { std::fclose(file_); }
    bool write(const char* data, std::size_t size) override { return std::fwrite(data, 1, size, file_) == size; }
    bool flush() override { return std::fflush(file_) == 0; }

private:
    std::FILE* file_;
};

}  // namespace

std::unique_ptr<TakeOutput> createTakeFile(const std::string& path, std::string& error) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        error = "cannot create " + path + ": " + std::strerror(errno);
        return nullptr;
    }
    return std::unique_ptr<TakeOutput>(new FileOutput(file));
}

TakeRecorder::~TakeRecorder() { stop(); }

bool TakeRecorder::start(const TakeLayout& layout, std::unique_ptr<TakeOutput> output, std::string& error,
                         const RecorderOptions& options) {
    if (running_) {
        error = "a take is being recorded already";
        return false;
    }
    if (!output) {
        error = "the take has nowhere to be written";
        return false;
    }
    const std::vector<char> header = encodeHeader(layout);
    if (!output->write(header.data(), header.size()) || !output->flush()) {
        error = "the take file's header cannot be written";
        return false;
    }
    layout_ = layout;
    output_ = std::move(output);
    options_ = options;
    slotSize_ = (layout_.maxFrameRecordSize() + 7) & ~static_cast<std::size_t>(7);
    slotCount_ = static_cast<std::uint32_t>(
        std::min<std::size_t>(options.bufferFrames > 0 ? static_cast<std::size_t>(options.bufferFrames)
                                                       : std::max<std::size_t>(16, options.bufferBytes / slotSize_),
                              kNoSlot - 1));
    slots_.assign(slotSize_ * slotCount_, 0);
    slotSizes_.assign(slotCount_, 0);
    nextFree_ = std::make_unique<std::atomic<std::uint32_t>[]>(slotCount_);
    filled_ = std::make_unique<std::atomic<std::uint32_t>[]>(slotCount_);
    freeTop_.store(kNoSlot);
    for (std::uint32_t i = slotCount_; i-- > 0;) pushFree(i);
    filledHead_.store(0);
    written_.store(0);
    dropped_.store(0);
    lastArrivalNs_.store(0);
    writerStop_ = false;
    writeError_.clear();
    summary_ = TakeSummary();
    start_ = Clock::now();
    writer_ = std::thread(&TakeRecorder::writerLoop, this);
    running_ = true;
    accepting_.store(true);
    return true;
}

TakeSummary TakeRecorder::stop() {
    if (!running_) return summary_;
    accepting_.store(false);
    // A record call that saw accepting_ on has raised active_ before looking; once it is 0, no call can publish.
    while (active_.load() != 0) std::this_thread::yield();
    {
        std::lock_guard<std::mutex> lock(writerMutex_);
        writerStop_ = true;
    }
    writerWake_.notify_one();
    writer_.join();
    running_ = false;
    output_.reset();
    slots_ = std::vector<char>();
    slotSizes_ = std::vector<std::uint32_t>();
    nextFree_.reset();
    filled_.reset();
    summary_.framesWritten = written_.load();
    summary_.framesDropped = dropped_.load();
    summary_.seconds = seconds();
    summary_.error = writeError_;
    return summary_;
}

std::int64_t TakeRecorder::framesRecorded() const {
    return static_cast<std::int64_t>(filledHead_.load(std::memory_order_relaxed));
}

bool TakeRecorder::pushFree(std::uint32_t slot) {
    std::uint32_t top = freeTop_.load(std::memory_order_relaxed);
    do {
        nextFree_[slot].store(top, std::memory_order_relaxed);
    } while (!freeTop_.compare_exchange_weak(top, slot, std::memory_order_release, std::memory_order_relaxed));
    return true;
}

std::uint32_t TakeRecorder::popFree() {
    std::uint32_t top = freeTop_.load(std::memory_order_acquire);
    // The slot on top cannot leave the stack while this reads its link: only this thread pops.
    while (top != kNoSlot && !freeTop_.compare_exchange_weak(top, nextFree_[top].load(std::memory_order_relaxed),
                                                             std::memory_order_acquire, std::memory_order_acquire)) {
    }
    return top;
}

template <typename Frame, typename Encode>
void TakeRecorder::record(const Frame& frame, Clock::time_point arrival, Encode encode) {
    // No take: nothing to announce to stop(), which only waits for calls that may publish.
    if (!accepting_.load(std::memory_order_relaxed)) return;
    active_.fetch_add(1);
    if (accepting_.load()) {
        const std::int64_t arrivalNs =
            std::max<std::int64_t>(0, std::chrono::duration_cast<std::chrono::nanoseconds>(arrival - start_).count());
        const std::uint32_t slot = popFree();
        if (slot == kNoSlot) {
            dropped_.fetch_add(1, std::memory_order_relaxed);
        } else {
            const std::uint32_t dropped = static_cast<std::uint32_t>(dropped_.load(std::memory_order_relaxed));
            slotSizes_[slot] = static_cast<std::uint32_t>(
                encode(layout_, frame, arrivalNs, dropped, &slots_[slot * slotSize_ + kRecordFrameSize]));
            lastArrivalNs_.store(arrivalNs, std::memory_order_relaxed);
            const std::uint64_t head = filledHead_.load(std::memory_order_relaxed);
            filled_[head % slotCount_].store(slot, std::memory_order_relaxed);
            filledHead_.store(head + 1, std::memory_order_release);
        }
    }
    active_.fetch_sub(1);
}

void TakeRecorder::recordFrameV2(const sFrameOfMocapData& frame, Clock::time_point arrival) {
    record(frame, arrival, &encodeFrameV2);
}

void TakeRecorder::recordFrameV1(const sFrameOfData& frame, Clock::time_point arrival) {
    record(frame, arrival, &encodeFrameV1);
}

bool TakeRecorder::writeSlot(std::uint32_t slot) {
    char* record = &slots_[slot * slotSize_];
    const std::uint32_t size = slotSizes_[slot];
    // The checksum is the writer's work, so the SDK's thread only copies values.
    frameRecord(record + kRecordFrameSize, size, record);
    return output_->write(record, kRecordFrameSize + size);
}

void TakeRecorder::writerLoop() {
    Clock::time_point lastFlush = Clock::now();
    bool unflushed = false;
    bool failed = false;
    std::uint64_t tail = 0;
    while (true) {
        bool stopping;
        {
            std::lock_guard<std::mutex> lock(writerMutex_);
            stopping = writerStop_;
        }
        // Once stopping is seen, no frame can be published any more: this pass takes the last ones.
        const std::uint64_t head = filledHead_.load(std::memory_order_acquire);
        for (; tail != head; ++tail) {
            const std::uint32_t slot = filled_[tail % slotCount_].load(std::memory_order_relaxed);
            if (!failed && writeSlot(slot)) {
                written_.fetch_add(1, std::memory_order_relaxed);
                unflushed = true;
            } else {
                if (!failed) writeError_ = "writing the take file failed; later frames are counted as dropped";
                failed = true;
                dropped_.fetch_add(1, std::memory_order_relaxed);
            }
            pushFree(slot);
        }
        if (stopping) break;
        if (unflushed && Clock::now() - lastFlush >= options_.flushInterval) {
            if (!failed && !output_->flush()) {
                writeError_ = "flushing the take file failed";
                failed = true;
            }
            lastFlush = Clock::now();
            unflushed = false;
        }
        std::unique_lock<std::mutex> lock(writerMutex_);
        writerWake_.wait_for(lock, options_.writerPoll, [this] { return writerStop_; });
    }
    if (!failed) {
        const std::vector<char> end = encodeEnd(written_.load(), dropped_.load());
        char framing[kRecordFrameSize];
        frameRecord(end.data(), static_cast<std::uint32_t>(end.size()), framing);
        if (!output_->write(framing, sizeof framing) || !output_->write(end.data(), end.size()) || !output_->flush())
            writeError_ = "writing the end of the take file failed";
    }
}

}  // namespace take
}  // namespace orvane
