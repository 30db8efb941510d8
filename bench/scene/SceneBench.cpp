// Scene binding costs on the stand-in host:
// - building the scene for 10 performers' descriptions in a scene that already holds 0, 10,000 or
//   100,000 nodes (first build and reconnect), against the cost of one DAG walk per described name;
// - the UI-thread cost of applying one frame, both protocol versions, 1, 5 and 10 performers, with the
//   table refresh on and off.
// Figures are printed; nothing is asserted.

#include <QtWidgets/QApplication>
#include <QtCore/QThread>
#include <QtWidgets/QCheckBox>

#include <array>
#include <cstring>
#include <memory>
#include <vector>

#include <benchmark/benchmark.h>

#include <maya/MDagModifier.h>
#include <mayastandin/Host.h>

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
    for (auto _ : state) {
        if (!reconnect) {
            state.PauseTiming();
            fillScene(existing);
            table.widget.clearRows();
            state.ResumeTiming();
        }
        joints.clear(), markers.clear();
        SceneBuilder(modifier, joints, markers, table.view).buildV2(descriptions);
        if (reconnect) table.widget.clearRows();
    }
    state.counters["sceneNodes"] = static_cast<double>(mayastandin::dagNodeCount());
    sdk()->freeDataDescriptionsV2(descriptions);
    sdk()->releaseClient();
}
BENCHMARK(BM_BuildScene)
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
BENCHMARK(BM_WalkPerName)->ArgName("existing")->Arg(0)->Arg(10000)->Unit(benchmark::kMillisecond);

// A frame captured from the SDK's stream, deep-copied so it outlives the callback.
sFrameOfMocapData* capturedV2 = nullptr;
void captureV2(sFrameOfMocapData* frame, void*) {
    if (capturedV2 != nullptr) return;
    sFrameOfMocapData* copy = new sFrameOfMocapData();
    sdk()->copyFrameV2(frame, copy);
    capturedV2 = copy;
}

struct FrameV1Copy {
    std::unique_ptr<sFrameOfData> frame{new sFrameOfData()};
    std::vector<std::vector<std::array<float, 3>>> markers;
    std::vector<std::vector<sSegmentPose>> segments;
};
FrameV1Copy* capturedV1 = nullptr;
void captureV1(sFrameOfData* frame) {
    if (capturedV1 != nullptr) return;
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
    capturedV1 = copy;
}

template <typename Captured>
void waitFor(Captured*& captured) {
    sdk()->startClient();
    while (captured == nullptr) QThread::msleep(1);
    sdk()->stopClient();
    sdk()->releaseClient();
}

void BM_ApplyFrame(benchmark::State& state) {
    const int performers = static_cast<int>(state.range(0));
    const bool refresh = state.range(1) != 0;
    const SDKVER version = state.range(2) == 1 ? SDKVER_V1 : SDKVER_V2;
    mayastandin::resetScene();
    describe(performers, version);
    Table table;
    table.refresh.setChecked(refresh);
    MDagModifier modifier;
    NodeLists joints, markers;
    if (version == SDKVER_V2) {
        sDataDescriptions* descriptions = nullptr;
        sdk()->getDataDescriptionsV2(&descriptions);
        SceneBuilder(modifier, joints, markers, table.view).buildV2(descriptions);
        sdk()->freeDataDescriptionsV2(descriptions);
        sdk()->setDataHandlerV2(captureV2);
        capturedV2 = nullptr;
        waitFor(capturedV2);
        const std::uint64_t before = mayastandin::transformWrites();
        orvane::scene::applyFrameV2(*capturedV2, joints, markers, table.view);
        state.counters["writesPerFrame"] = static_cast<double>(mayastandin::transformWrites() - before);
        for (auto _ : state) orvane::scene::applyFrameV2(*capturedV2, joints, markers, table.view);
        sdk()->freeFrameV2(capturedV2);
        delete capturedV2;
    } else {
        sBodyDefs* bodyDefs = sdk()->getDataDescriptionsV1();
        SceneBuilder(modifier, joints, markers, table.view).buildV1(bodyDefs);
        sdk()->freeDataDescriptionsV1(bodyDefs);
        sdk()->setDataHandlerV1(captureV1);
        capturedV1 = nullptr;
        waitFor(capturedV1);
        const std::uint64_t before = mayastandin::transformWrites();
        orvane::scene::applyFrameV1(*capturedV1->frame, joints, markers, table.view);
        state.counters["writesPerFrame"] = static_cast<double>(mayastandin::transformWrites() - before);
        for (auto _ : state) orvane::scene::applyFrameV1(*capturedV1->frame, joints, markers, table.view);
        delete capturedV1;
    }
}
BENCHMARK(BM_ApplyFrame)
    ->ArgNames({"performers", "refresh", "version"})
    ->ArgsProduct({{1, 5, 10}, {0, 1}, {1, 2}})
    ->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    tracker::resetForTests();
    return 0;
}
