// P1: what one version 2 frame costs the SDK's thread in the panel's onFrameV2 (allocate and initialise the
// 152,208-byte copy, the SDK's copyFrameV2, append to the frame queue), against malloc + memcpy of 152,208
// bytes measured in the same run. Frames are real ones from the SDK stand-in's synthetic performers (about
// 40 markers and 20 bones each). The copies are taken out of the queue and released outside the timing.

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

#include <benchmark/benchmark.h>

#include "FigureReporter.h"
#include "FrameQueue.h"
#include "OrvanePluginSDK.h"
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

void P1_Enqueue(benchmark::State& state) {
    tracker::resetForTests();
    tracker::SyntheticOptions options;
    options.performers = static_cast<int>(state.range(0));
    tracker::useSyntheticSource(options);
    sdk()->setVersion(SDKVER_V2);
    sdk()->setDataHandlerV2(capture);
    captured = nullptr;
    sdk()->createClient();
    sdk()->initClient();
    sdk()->startClient();
    while (captured == nullptr) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    sdk()->stopClient();
    sdk()->releaseClient();

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

}  // namespace

int main(int argc, char** argv) {
    const int result = benchcsv::runAll(argc, argv);
    tracker::resetForTests();
    return result;
}
