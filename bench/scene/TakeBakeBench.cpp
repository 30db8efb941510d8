// REC: baking a take, as a share of the take's duration: 60 s takes of the SDK stand-in's synthetic performers
// (41 markers and 22 bones each), 3 performers at 360 Hz and 10 at 120 Hz, a tenth of the bones untracked now
// and then and arrivals jittered by up to a third of a period. Reading the take back from its bytes is timed
// on its own. REC/bake_into_curves_60s is what orvaneRecord's bake costs the UI thread for the same takes: read,
// key arithmetic, nodes found by name, and every key put into the host's animation curves as one undoable
// step. Figures are printed (and written to ORVANE_BENCH_CSV); nothing is asserted.

#include <chrono>
#include <cmath>
#include <random>
#include <vector>

#include <benchmark/benchmark.h>

#include <maya/MDagModifier.h>
#include <mayastandin/Host.h>

#include "FigureReporter.h"
#include "FrameRecords.h"
#include "NodeNames.h"
#include "SceneBuilder.h"
#include "TakeBake.h"
#include "TakeCurves.h"
#include "TakeFile.h"
#include "orvane/tracker/SyntheticPerformers.h"

namespace {

namespace take = orvane::take;
namespace tracker = orvane::tracker;
using Clock = std::chrono::steady_clock;

const double kTakeSeconds = 60;

// The take file's bytes for kTakeSeconds of the performers at `rateHz`, frames as the SDK writes them.
std::vector<char> syntheticTake(int performers, double rateHz) {
    tracker::SyntheticOptions options;
    options.performers = performers;
    options.rateHz = rateHz;
    options.boneDropout = 0.1;
    const tracker::SyntheticPerformers source(options);
    take::TakeLayout layout;
    for (const tracker::SubjectDef& s : source.scene().subjects) {
        layout.markerGroups.push_back(take::MarkerGroupLayout{s.name, s.markerNames});
        take::ChainLayout chain{s.skeletonName, {}, {}};
        for (const tracker::BoneDef& b : s.bones) chain.boneNames.push_back(b.name), chain.parents.push_back(b.parent);
        layout.chains.push_back(chain);
    }
    tracker::FrameRecordsV2 records;
    records.prepare(source.scene());
    std::vector<char> bytes = take::encodeHeader(layout);
    std::vector<char> payload(layout.maxFrameRecordSize());
    std::mt19937 random(1);
    std::uniform_real_distribution<double> jitter(0, 1.0 / 3);
    const long long frames = static_cast<long long>(kTakeSeconds * rateHz);
    for (long long n = 0; n < frames; ++n) {
        const std::int64_t arrival = std::llround((static_cast<double>(n) + jitter(random)) / rateHz * 1e9);
        const sFrameOfMocapData& frame = *records.fill(source.sample(n), 0, 0);
        const std::size_t size = take::encodeFrameV2(layout, frame, arrival, 0, payload.data());
        char framing[take::kRecordFrameSize];
        take::frameRecord(payload.data(), static_cast<std::uint32_t>(size), framing);
        bytes.insert(bytes.end(), framing, framing + take::kRecordFrameSize);
        bytes.insert(bytes.end(), payload.data(), payload.data() + size);
    }
    return bytes;
}

void REC_Bake(benchmark::State& state) {
    const int performers = static_cast<int>(state.range(0));
    const double rateHz = static_cast<double>(state.range(1));
    const std::vector<char> bytes = syntheticTake(performers, rateHz);
    double readSeconds = 0, bakeSeconds = 0;
    long long keys = 0;
    for (auto _ : state) {
        take::TakeData data;
        take::TakeReadReport report;
        const Clock::time_point start = Clock::now();
        take::readTake(bytes.data(), bytes.size(), data, report);
        const Clock::time_point read = Clock::now();
        const orvane::scene::BakeResult result = orvane::scene::bakeTake(data, orvane::scene::BakeOptions());
        const Clock::time_point baked = Clock::now();
        benchmark::DoNotOptimize(result.tracks.data());
        state.SetIterationTime(std::chrono::duration<double>(baked - read).count());
        readSeconds += std::chrono::duration<double>(read - start).count();
        bakeSeconds += std::chrono::duration<double>(baked - read).count();
        keys = 0;
        for (const orvane::scene::NodeTrack& t : result.tracks) keys += static_cast<long long>(t.keys.size());
    }
    const double iterations = static_cast<double>(state.iterations());
    state.counters["value_us"] = bakeSeconds / iterations * 1e6;
    state.counters["ref:take duration"] = kTakeSeconds * 1e6;
    state.counters["read_share_of_take"] = readSeconds / iterations / kTakeSeconds;
    state.counters["take_MB"] = static_cast<double>(bytes.size()) / 1e6;
    state.counters["node_keys"] = static_cast<double>(keys);
}
BENCHMARK(REC_Bake)
    ->Name("REC/bake_60s")
    ->ArgNames({"performers", "Hz"})
    ->Args({3, 360})
    ->Args({10, 120})
    ->Iterations(3)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// The take's nodes as a scene build makes them: a locator per marker, a joint per bone, under their legal names.
void buildNodes(const take::TakeLayout& layout) {
    mayastandin::resetScene();
    MDagModifier modifier;
    auto make = [&](const std::string& raw, const char* type) {
        orvane::scene::createNamedNode(modifier,
                                       orvane::scene::hostNodeName(orvane::RecordName{raw.data(), raw.size()}), type);
    };
    for (const take::MarkerGroupLayout& group : layout.markerGroups)
        for (const std::string& marker : group.markerNames) make(marker, "locator");
    for (const take::ChainLayout& chain : layout.chains)
        for (const std::string& bone : chain.boneNames) make(bone, "joint");
    modifier.doIt();
}

void REC_BakeIntoCurves(benchmark::State& state) {
    const int performers = static_cast<int>(state.range(0));
    const double rateHz = static_cast<double>(state.range(1));
    const std::vector<char> bytes = syntheticTake(performers, rateHz);
    double total = 0, curvesSeconds = 0;
    long long keys = 0, curves = 0;
    for (auto _ : state) {
        take::TakeData data;
        take::TakeReadReport report;
        take::readTake(bytes.data(), bytes.size(), data, report);
        buildNodes(data.layout);
        const Clock::time_point start = Clock::now();
        take::TakeData timed;
        take::readTake(bytes.data(), bytes.size(), timed, report);
        const orvane::scene::BakeResult result = orvane::scene::bakeTake(timed, orvane::scene::BakeOptions());
        const orvane::scene::TakeNodes nodes = orvane::scene::resolveTakeNodes(timed.layout, nullptr, nullptr);
        const Clock::time_point keyed = Clock::now();
        std::vector<std::string> skipped;
        std::unique_ptr<orvane::scene::TakeCurves> baked(new orvane::scene::TakeCurves());
        baked->bake(result, timed.layout, nodes, skipped);
        const Clock::time_point done = Clock::now();
        state.SetIterationTime(std::chrono::duration<double>(done - start).count());
        total += std::chrono::duration<double>(done - start).count();
        curvesSeconds += std::chrono::duration<double>(done - keyed).count();
        curves = baked->curvesCreated();
        keys = 0;
        for (const orvane::scene::NodeTrack& t : result.tracks)
            keys += static_cast<long long>(t.keys.size()) * (t.joint ? 6 : 3) +
                    static_cast<long long>(t.visibilityKeys.size());
        baked.reset();
        mayastandin::resetScene();
    }
    const double iterations = static_cast<double>(state.iterations());
    state.counters["value_us"] = total / iterations * 1e6;
    state.counters["ref:take duration"] = kTakeSeconds * 1e6;
    state.counters["curves_share_of_take"] = curvesSeconds / iterations / kTakeSeconds;
    state.counters["curves"] = static_cast<double>(curves);
    state.counters["curve_keys"] = static_cast<double>(keys);
}
BENCHMARK(REC_BakeIntoCurves)
    ->Name("REC/bake_into_curves_60s")
    ->ArgNames({"performers", "Hz"})
    ->Args({3, 360})
    ->Args({10, 120})
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) { return benchcsv::runAll(argc, argv); }
