// Scene binding costs on the stand-in host, in thread CPU time:
// - P4: building the scene for 10 performers' descriptions in a scene that already holds 0, 10,000 or
//   100,000 nodes (first build and reconnect), against the same build in an empty scene; and what one DAG
//   walk per described name would cost instead;
// - P2: the UI-thread cost of applying one frame, both protocol versions, 1, 5 and 10 performers, with the
//   table refresh on and off, against the 360 Hz period.
// Figures are printed (and written to ORVANE_BENCH_CSV); nothing is asserted.

#include <QtWidgets/QApplication>
#include <QtCore/QThread>
#include <QtWidgets/QCheckBox>

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <vector>

#include <benchmark/benchmark.h>
#include <time.h>

#include <maya/MDagModifier.h>
#include <maya/MDagPath.h>
#include <maya/MFnDagNode.h>
#include <maya/MGlobal.h>
#include <maya/MString.h>
#include <mayastandin/Host.h>

#include "FigureReporter.h"
#include "FrameApplier.h"
#include "OrvanePluginSDK.h"
#include "PanelMarkerTable.h"
#include "QMarkerTableWidget.h"
#include "SceneBuilder.h"
#include "orvane/tracker/Control.h"

namespace {

namespace tracker = orvane::tracker;
using orvane::scene::NodeLists;
using orvane::scene::SceneBuilder;

COrvaneSDKClientManager* sdk() { return COrvaneSDKClientManager::instance(); }

// Connects the stand-in SDK to `performers` synthetic performers in `version` (without streaming).
void describe(int performers, SDKVER version) {
    tracker::resetForTests();
    tracker::SyntheticOptions options;
    options.performers = performers;
    tracker::useSyntheticSource(options);
    sdk()->setVersion(version);
    sdk()->createClient();
    sdk()->initClient();
}

double threadCpuUs() {
    timespec now;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e6 + static_cast<double>(now.tv_nsec) / 1e3;
}

void fillScene(int nodes) {
    mayastandin::resetScene();
    MDagModifier modifier;
    MObject parent = MObject::kNullObj;
    for (int i = 0; i < nodes; ++i) {
        // Groups of ten under a parent, like a production rig's hierarchy.
        MObject node = modifier.createNode("transform", i % 10 == 0 ? MObject::kNullObj : parent);
        if (i % 10 == 0) parent = node;
    }
    modifier.doIt();
}

struct Table {
    Table() { widget.setColumnCount(4); }  // as the panel's form sets it up
    QMarkerTableWidget widget;
    QCheckBox refresh;
    PanelMarkerTable view{&widget, &refresh};
};

// P4: connect time (the scene build) for 10 performers against the same build in an empty scene.
double emptySceneBuildUs[2] = {0, 0};  // first build, reconnect; measured first

void BM_BuildScene(benchmark::State& state) {
    const int existing = static_cast<int>(state.range(0));
    const bool reconnect = state.range(1) != 0;
    describe(10, SDKVER_V2);
    sDataDescriptions* descriptions = nullptr;
    sdk()->getDataDescriptionsV2(&descriptions);
    fillScene(existing);
    Table table;
    MDagModifier modifier;
    NodeLists joints, markers;
    if (reconnect) SceneBuilder(modifier, joints, markers, table.view).buildV2(descriptions);
    double buildUs = 0;  // thread CPU time of the builds alone
    for (auto _ : state) {
        if (!reconnect) {
            state.PauseTiming();
            fillScene(existing);
            table.widget.clearRows();
            state.ResumeTiming();
        }
        joints.clear(), markers.clear();
        const double start = threadCpuUs();
        SceneBuilder(modifier, joints, markers, table.view).buildV2(descriptions);
        buildUs += threadCpuUs() - start;
        if (reconnect) table.widget.clearRows();
    }
    state.counters["sceneNodes"] = static_cast<double>(mayastandin::dagNodeCount());
    const double perBuildUs = buildUs / static_cast<double>(state.iterations());
    state.counters["value_us"] = perBuildUs;
    if (existing == 0) emptySceneBuildUs[reconnect] = perBuildUs;
    state.counters["ref:the same build in an empty scene"] = emptySceneBuildUs[reconnect];
    sdk()->freeDataDescriptionsV2(descriptions);
    sdk()->releaseClient();
}
BENCHMARK(BM_BuildScene)
    ->Name("P4/build_scene")
    ->ArgNames({"existing", "reconnect"})
    ->ArgsProduct({{0, 10000, 100000}, {0, 1}})
    ->Unit(benchmark::kMillisecond);

// What the build would cost with one DAG walk per described name instead of one walk per build.
void BM_WalkPerName(benchmark::State& state) {
    const int existing = static_cast<int>(state.range(0));
    fillScene(existing);
    describe(10, SDKVER_V2);
    const tracker::SceneDef scene = tracker::currentScene();
    std::vector<std::string> names;
    for (const auto& s : scene.subjects) {
        names.push_back(s.name);
        for (const auto& m : s.markerNames) names.push_back(m);
        for (const auto& b : s.bones) names.push_back(b.name);
    }
    for (auto _ : state)
        for (const std::string& name : names) benchmark::DoNotOptimize(orvane::scene::findDagPathByName(name));
    state.counters["names"] = static_cast<double>(names.size());
    sdk()->releaseClient();
}
BENCHMARK(BM_WalkPerName)
    ->Name("P4/walk_per_name")
    ->ArgName("existing")
    ->Arg(0)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond);

// Consecutive frames captured from the SDK's stream, deep-copied so they outlive the callback. Frames are
// applied in turn, so positions change from frame to frame as in a live stream.
const int kCapturedFrames = 120;
std::vector<sFrameOfMocapData*> capturedV2;
void captureV2(sFrameOfMocapData* frame, void*) {
    if (capturedV2.size() >= static_cast<std::size_t>(kCapturedFrames)) return;
    sFrameOfMocapData* copy = new sFrameOfMocapData();
    sdk()->copyFrameV2(frame, copy);
    capturedV2.push_back(copy);
}

struct FrameV1Copy {
    std::unique_ptr<sFrameOfData> frame{new sFrameOfData()};
    std::vector<std::vector<std::array<float, 3>>> markers;
    std::vector<std::vector<sSegmentPose>> segments;
};
std::vector<FrameV1Copy*> capturedV1;
void captureV1(sFrameOfData* frame) {
    if (capturedV1.size() >= static_cast<std::size_t>(kCapturedFrames)) return;
    auto* copy = new FrameV1Copy;
    std::memcpy(copy->frame.get(), frame, sizeof *frame);
    copy->markers.resize(frame->bodyCount);
    copy->segments.resize(frame->bodyCount);
    for (int i = 0; i < frame->bodyCount; ++i) {
        const sBodyFrame& body = frame->bodies[i];
        copy->markers[i].resize(body.markerCount);
        std::memcpy(copy->markers[i].data(), body.markers, sizeof(MarkerData) * body.markerCount);
        copy->segments[i].assign(body.segments, body.segments + body.segmentCount);
        copy->frame->bodies[i].markers = reinterpret_cast<MarkerData*>(copy->markers[i].data());
        copy->frame->bodies[i].segments = copy->segments[i].data();
    }
    capturedV1.push_back(copy);
}

template <typename Captured>
void waitFor(std::vector<Captured*>& captured) {
    sdk()->startClient();
    while (captured.size() < static_cast<std::size_t>(kCapturedFrames)) QThread::msleep(1);
    sdk()->stopClient();
    sdk()->releaseClient();
}

// The hide and show commands for every bone, as the skeleton pass would run them without first reading the
// bone's visibility: added to a frame's cost, the cost of a pass that runs them all.
void runEveryVisibilityCommand(const sFrameOfMocapData& frame, const NodeLists& jointNodeLists) {
    for (int k = 0; k < frame.skeletonCount && k < static_cast<int>(jointNodeLists.size()); ++k) {
        const sSkeletonFrame& skeleton = frame.skeletons[k];
        for (int l = 0; l < skeleton.boneCount && l < static_cast<int>(jointNodeLists[k].size()); ++l) {
            MDagPath path;
            MFnDagNode(jointNodeLists[k][l]).getPath(path);
            if (!path.isValid()) continue;
            const bool hide = l != 0 && orvane::scene::isUntrackedPose(skeleton.bones[l]);
            MString command;
            command.format(MString(hide ? "hide `ls -an ^1s`;" : "showHidden  `ls -an ^1s`;"), path.fullPathName());
            MGlobal::executeCommand(command, false, false);
        }
    }
}

const double k360HzPeriodUs = 1e6 / 360.0;

// P2: the UI thread's cost of one frame (CPU time), 1, 5 and 10 performers of about 40 markers and 20 bones,
// both versions, table refresh on and off; against the 360 Hz period and, for version 2, against the
// skeleton pass that runs a hide or show command for every bone, measured on the same frames.
void BM_ApplyFrame(benchmark::State& state) {
    const int performers = static_cast<int>(state.range(0));
    const bool refresh = state.range(1) != 0;
    const SDKVER version = state.range(2) == 1 ? SDKVER_V1 : SDKVER_V2;
    mayastandin::resetScene();
    tracker::resetForTests();
    tracker::SyntheticOptions options;
    options.performers = performers;
    options.boneDropout = 0.05;  // bones now and then untracked, as in a live capture
    options.markerDropout = 0.02;
    options.rateHz = 1000;
    tracker::useSyntheticSource(options);
    sdk()->setVersion(version);
    sdk()->createClient();
    sdk()->initClient();
    Table table;
    table.refresh.setChecked(refresh);
    MDagModifier modifier;
    NodeLists joints, markers;
    std::size_t next = 0;
    if (version == SDKVER_V2) {
        sDataDescriptions* descriptions = nullptr;
        sdk()->getDataDescriptionsV2(&descriptions);
        SceneBuilder(modifier, joints, markers, table.view).buildV2(descriptions);
        sdk()->freeDataDescriptionsV2(descriptions);
        sdk()->setDataHandlerV2(captureV2);
        waitFor(capturedV2);
        const std::uint64_t before = mayastandin::transformWrites();
        orvane::scene::applyFrameV2(*capturedV2[next++], joints, markers, table.view);
        state.counters["writesPerFrame"] = static_cast<double>(mayastandin::transformWrites() - before);
        for (auto _ : state)
            orvane::scene::applyFrameV2(*capturedV2[next++ % kCapturedFrames], joints, markers, table.view);
        // A command for every bone, on the same frames, in the same run.
        const int rounds =
            std::max(kCapturedFrames, static_cast<int>(std::min<benchmark::IterationCount>(state.iterations(), 600)));
        const double start = threadCpuUs();
        for (int i = 0; i < rounds; ++i) {
            const sFrameOfMocapData& frame = *capturedV2[next++ % kCapturedFrames];
            orvane::scene::applyFrameV2(frame, joints, markers, table.view);
            runEveryVisibilityCommand(frame, joints);
        }
        state.counters["ref:a command per bone"] = (threadCpuUs() - start) / rounds;
        for (sFrameOfMocapData* frame : capturedV2) {
            sdk()->freeFrameV2(frame);
            delete frame;
        }
        capturedV2.clear();
    } else {
        sBodyDefs* bodyDefs = sdk()->getDataDescriptionsV1();
        SceneBuilder(modifier, joints, markers, table.view).buildV1(bodyDefs);
        sdk()->freeDataDescriptionsV1(bodyDefs);
        sdk()->setDataHandlerV1(captureV1);
        waitFor(capturedV1);
        const std::uint64_t before = mayastandin::transformWrites();
        orvane::scene::applyFrameV1(*capturedV1[next++]->frame, joints, markers, table.view);
        state.counters["writesPerFrame"] = static_cast<double>(mayastandin::transformWrites() - before);
        for (auto _ : state)
            orvane::scene::applyFrameV1(*capturedV1[next++ % kCapturedFrames]->frame, joints, markers, table.view);
        for (FrameV1Copy* frame : capturedV1) delete frame;
        capturedV1.clear();
    }
    state.counters["ref:360 Hz period"] = k360HzPeriodUs;
}
BENCHMARK(BM_ApplyFrame)
    ->Name("P2/apply_frame")
    ->ArgNames({"performers", "refresh", "version"})
    ->ArgsProduct({{1, 5, 10}, {0, 1}, {1, 2}})
    ->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int result = benchcsv::runAll(argc, argv);
    tracker::resetForTests();
    return result;
}
