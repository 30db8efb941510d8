// P1: what one version 2 frame costs the SDK's thread in the panel's onFrameV2 (allocate and initialise the
// 152,208-byte copy, the SDK's copyFrameV2, append to the frame queue), against malloc + memcpy of 152,208
// bytes measured in the same run. Frames are real ones from the SDK stand-in's synthetic performers (about
// 40 markers and 20 bones each). The copies are taken out of the queue and released outside the timing.
// P1/record_take: what recording a take adds on the SDK's thread for the same frames (the take recorder's
// recordFrameV2, with its writer thread writing each frame before the next arrives), against the same reference;
// and the take file's bytes per frame and per second at 120 Hz and 360 Hz. Its reference is also P1's own
// version 2 frame copy (enqueue_copy) for the same performers: the target is at most 1.5 times that.
// REC/drops_1000Hz: 10 performers streamed by the SDK stand-in at 1,000 Hz for 60 s (ORVANE_TAKE_SECONDS),
// each frame recorded on the SDK's thread into a take file on disk: frames delivered, written and dropped.

#include <atomic>
#include <cstdio>
#include <map>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <unistd.h>

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

double referenceUs = 0;           // malloc + memcpy of one record, measured first
std::map<int, double> enqueueUs;  // P1's copy of a version 2 frame, by performers

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
    enqueueUs[options.performers] = state.counters["value_us"];
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
    if (enqueueUs.count(options.performers) != 0) state.counters["ref:P1 enqueue_copy"] = enqueueUs[options.performers];
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

orvane::take::TakeRecorder* streamedTake = nullptr;
void recordStreamed(sFrameOfMocapData* frame, void*) { streamedTake->recordFrameV2(*frame); }

void REC_Drops(benchmark::State& state) {
    const char* env = std::getenv("ORVANE_TAKE_SECONDS");
    const double seconds = env != nullptr && std::atof(env) > 0 ? std::atof(env) : 60.0;
    tracker::SyntheticOptions options;
    options.performers = static_cast<int>(state.range(0));
    options.rateHz = static_cast<double>(state.range(1));
    tracker::resetForTests();
    tracker::useSyntheticSource(options);
    sdk()->setVersion(SDKVER_V2);
    sdk()->setDataHandlerV2(recordStreamed);
    const std::string path = "/tmp/orvane_drops_" + std::to_string(::getpid()) + ".take";
    for (auto _ : state) {
        sdk()->createClient();
        sdk()->initClient();
        sDataDescriptions* descriptions = nullptr;
        sdk()->getDataDescriptionsV2(&descriptions);
        const orvane::take::TakeLayout layout = orvane::take::layoutFromDescriptionsV2(*descriptions);
        sdk()->freeDataDescriptionsV2(descriptions);
        orvane::take::TakeRecorder recorder;
        std::string error;
        recorder.start(layout, orvane::take::createTakeFile(path, error), error);
        streamedTake = &recorder;
        const long long before = tracker::deliveredFrames();
        const Clock::time_point start = Clock::now();
        sdk()->startClient();
        std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
        sdk()->stopClient();
        const orvane::take::TakeSummary summary = recorder.stop();
        const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
        state.SetIterationTime(elapsed);
        state.counters["value_us"] = elapsed * 1e6;
        sdk()->releaseClient();
        streamedTake = nullptr;
        const long long delivered = tracker::deliveredFrames() - before;
        state.counters["delivered"] = static_cast<double>(delivered);
        state.counters["written"] = static_cast<double>(summary.framesWritten);
        state.counters["dropped"] = static_cast<double>(summary.framesDropped);
        state.counters["delivered_per_s"] = static_cast<double>(delivered) / seconds;
        std::remove(path.c_str());
    }
    sdk()->setDataHandlerV2(nullptr);
}
BENCHMARK(REC_Drops)
    ->Name("REC/drops_1000Hz")
    ->ArgNames({"performers", "Hz"})
    ->Args({10, 1000})
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    const int result = benchcsv::runAll(argc, argv);
    tracker::resetForTests();
    return result;
}
