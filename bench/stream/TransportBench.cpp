// P1: what one version 2 frame costs the SDK's thread in the panel's onFrameV2 (allocate and initialise the
// 152,208-byte copy, the SDK's copyFrameV2, append to the frame queue), against malloc + memcpy of 152,208
// bytes measured in the same run. Frames are real ones from the SDK stand-in's synthetic performers (about
// 40 markers and 20 bones each). The copies are taken out of the queue and released outside the timing.
// P1/record_take: what recording a take adds on the SDK's thread for the same frames (the take recorder's
// recordFrameV2, with its writer thread writing each frame before the next arrives), against the same reference;
// and the take file's bytes per frame and per second at 120 Hz and 360 Hz.

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <benchmark/benchmark.h>

#include "FigureReporter.h"
#include "FrameQueue.h"
#include "OrvanePluginSDK.h"
#include "TakeRecorder.h"
#include "orvane/tracker/Control.h"

namespace {

namespace tracker = orvane::tracker;
using Clock = std::chrono::steady_clock;

COrvaneSDKClientManager* sdk() { return COrvaneSDKClientManager::instance(); }

double referenceUs = 0;  // malloc + memcpy of one record, measured first

void P1_Reference(benchmark::State& state) {
    std::vector<char> source(sizeof(sFrameOfMocapData), 1);
    double total = 0;
    for (auto _ : state) {
        const Clock::time_point start = Clock::now();
        void* block = std::malloc(source.size());
        std::memcpy(block, source.data(), source.size());
        benchmark::DoNotOptimize(block);
        benchmark::ClobberMemory();
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        std::free(block);
        state.SetIterationTime(seconds);
        total += seconds;
    }
    referenceUs = total / static_cast<double>(state.iterations()) * 1e6;
    state.counters["value_us"] = referenceUs;
}
BENCHMARK(P1_Reference)->Name("P1/reference_malloc_memcpy_152208B")->UseManualTime();

// A deep copy of one frame streamed by the SDK stand-in, owned by the benchmark.
sFrameOfMocapData* captured = nullptr;
void capture(sFrameOfMocapData* frame, void*) {
    if (captured != nullptr) return;
    sFrameOfMocapData* copy = new sFrameOfMocapData();
    sdk()->copyFrameV2(frame, copy);
    captured = copy;
}

// Streams until one frame is captured; the layout of its descriptions when asked.
void captureFrame(const tracker::SyntheticOptions& options, orvane::take::TakeLayout* layout = nullptr) {
    tracker::resetForTests();
    tracker::useSyntheticSource(options);
    sdk()->setVersion(SDKVER_V2);
    sdk()->setDataHandlerV2(capture);
    captured = nullptr;
    sdk()->createClient();
    sdk()->initClient();
    if (layout != nullptr) {
        sDataDescriptions* descriptions = nullptr;
        sdk()->getDataDescriptionsV2(&descriptions);
        *layout = orvane::take::layoutFromDescriptionsV2(*descriptions);
        sdk()->freeDataDescriptionsV2(descriptions);
    }
    sdk()->startClient();
    while (captured == nullptr) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    sdk()->stopClient();
    sdk()->releaseClient();
}

void P1_Enqueue(benchmark::State& state) {
    tracker::resetForTests();
    tracker::SyntheticOptions options;
    options.performers = static_cast<int>(state.range(0));
    captureFrame(options);

    double total = 0;
    for (auto _ : state) {
        const Clock::time_point start = Clock::now();
        orvane::enqueueFrameCopy(captured);
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        state.SetIterationTime(seconds);
        total += seconds;
        orvane::drainFrameQueue();
    }
    state.counters["value_us"] = total / static_cast<double>(state.iterations()) * 1e6;
    state.counters["ref:malloc+memcpy 152208 B"] = referenceUs;
    sdk()->freeFrameV2(captured);
    delete captured;
    captured = nullptr;
}
BENCHMARK(P1_Enqueue)->Name("P1/enqueue_copy")->ArgName("performers")->Arg(3)->Arg(10)->UseManualTime();

// Counts the take's bytes and keeps none of them.
class CountingOutput : public orvane::take::TakeOutput {
public:
    explicit CountingOutput(std::atomic<long long>& bytes) : bytes_(bytes) {}
    bool write(const char*, std::size_t size) override {
        bytes_ += static_cast<long long>(size);
        return true;
    }
    bool flush() override { return true; }

private:
    std::atomic<long long>& bytes_;
};

void P1_RecordTake(benchmark::State& state) {
    tracker::SyntheticOptions options;
    options.performers = static_cast<int>(state.range(0));
    orvane::take::TakeLayout layout;
    captureFrame(options, &layout);

    std::atomic<long long> bytes{0};
    // The buffer a take is recorded with; the writer polls without sleeping, so that the benchmark can wait
    // for it after each frame as a stream at the capture rate would.
    orvane::take::RecorderOptions recorderOptions;
    recorderOptions.writerPoll = std::chrono::milliseconds(0);
    orvane::take::TakeRecorder recorder;
    std::string error;
    recorder.start(layout, std::unique_ptr<orvane::take::TakeOutput>(new CountingOutput(bytes)), error,
                   recorderOptions);
    const long long headerBytes = bytes.load();
    double total = 0;
    long long frames = 0;
    for (auto _ : state) {
        const Clock::time_point start = Clock::now();
        recorder.recordFrameV2(*captured);
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        state.SetIterationTime(seconds);
        total += seconds;
        // Frames arrive at most every millisecond and the writer keeps up between them: let it catch up,
        // outside the timing.
        ++frames;
        while (recorder.framesWritten() != recorder.framesRecorded()) std::this_thread::yield();
    }
    while (recorder.framesWritten() != recorder.framesRecorded()) std::this_thread::yield();
    const double bytesPerFrame = static_cast<double>(bytes.load() - headerBytes) / static_cast<double>(frames);
    const orvane::take::TakeSummary summary = recorder.stop();
    state.counters["value_us"] = total / static_cast<double>(state.iterations()) * 1e6;
    state.counters["ref:malloc+memcpy 152208 B"] = referenceUs;
    state.counters["dropped"] = static_cast<double>(summary.framesDropped);
    state.counters["take_bytes_per_frame"] = bytesPerFrame;
    state.counters["take_MB_per_s_at_120Hz"] = bytesPerFrame * 120 / 1e6;
    state.counters["take_MB_per_s_at_360Hz"] = bytesPerFrame * 360 / 1e6;
    sdk()->freeFrameV2(captured);
    delete captured;
    captured = nullptr;
}
BENCHMARK(P1_RecordTake)
    ->Name("P1/record_take")
    ->ArgName("performers")
    ->Arg(3)
    ->Arg(10)
    ->Iterations(20000)
    ->UseManualTime();

}  // namespace

int main(int argc, char** argv) {
    const int result = benchcsv::runAll(argc, argv);
    tracker::resetForTests();
    return result;
}
