// The host application's UI-thread costs with 10 performers streamed into the scene by the plug-in (version 2,
// in-process synthetic performers, stream held still while measuring):
// - reading the drawable scene through the Maya API, and a whole viewport redraw (read and paint, 1280x720);
// - the outliner's walk after a structure change;
// - the frame probe's share of applying frames (its listener on every transform write).
// Figures are printed; nothing is asserted.

#include <QtCore/QElapsedTimer>
#include <QtCore/QThread>
#include <QtGui/QImage>
#include <QtGui/QPainter>
#include <QtWidgets/QApplication>
#include <QtWidgets/QCheckBox>

#include <cstdio>
#include <cstdlib>
#include <memory>

#include <benchmark/benchmark.h>

#include <maya/MFnDependencyNode.h>
#include <maya/MFnTransform.h>
#include <mayastandin/Host.h>

#include "FrameProbe.h"
#include "OrbitCamera.h"
#include "Outliner.h"
#include "SceneDrawing.h"
#include "orvane/tracker/Control.h"

namespace {

namespace host = mayastandin;
namespace tracker = orvane::tracker;

// Loads the plug-in, connects to 10 in-process performers and holds the stream once frames have moved them.
void streamTenPerformers() {
    tracker::resetForTests();
    tracker::SyntheticOptions options;
    options.performers = 10;
    options.rateHz = 120;
    tracker::useSyntheticSource(options);
    if (!host::loadPlugin(ORVANE_PLUGIN_PATH) || !host::execute("OrvanePluginWindow") ||
        !host::execute("driveWidget -check on customWorkspaceControl checkboxConnect")) {
        std::fprintf(stderr, "host_bench: could not connect the plug-in\n%s", host::logText().c_str());
        std::exit(1);
    }
    QElapsedTimer clock;
    clock.start();
    const std::uint64_t start = host::transformWrites();
    while (host::transformWrites() - start < 20000 && clock.elapsed() < 20000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
    tracker::holdStream(true);
    QCoreApplication::processEvents();
    std::printf("scene: %zu DAG nodes, %zu locators, %zu joints drawn\n", host::dagNodeCount(),
                readScene().locators.size(), readScene().joints.size());
}

void BM_ReadDrawableScene(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(readScene());
}
BENCHMARK(BM_ReadDrawableScene)->Unit(benchmark::kMicrosecond);

void BM_ViewportRedraw1280x720(benchmark::State& state) {
    QImage image(1280, 720, QImage::Format_RGB32);
    OrbitCamera camera;
    const SceneFrame first = readScene();
    camera.frame(first.boundsMin, first.boundsMax, image.size());
    for (auto _ : state) {
        QPainter painter(&image);
        paintViewport(painter, image.size(), camera, readScene());
    }
}
BENCHMARK(BM_ViewportRedraw1280x720)->Unit(benchmark::kMicrosecond);

void BM_OutlinerWalkAfterRename(benchmark::State& state) {
    Outliner outliner;
    outliner.sync();
    static const MObject hips = host::findNode("Performer1_Hips");  // this runs more than once
    int i = 0;
    for (auto _ : state) {
        MFnDependencyNode(hips).setName(++i % 2 ? "Performer1_Hips_" : "Performer1_Hips");
        outliner.sync();
    }
}
BENCHMARK(BM_OutlinerWalkAfterRename)->Unit(benchmark::kMicrosecond);

// What the probe adds to a frame's transform writes (one per transform of the scene), without and with it.
void BM_TransformWritesPerFrame(benchmark::State& state) {
    std::unique_ptr<orvane::probe::FrameProbe> probe;
    if (state.range(0)) probe.reset(new orvane::probe::FrameProbe());
    std::vector<std::string> names;
    host::executeList("ls -type transform", &names);
    std::vector<MObject> nodes;
    for (const std::string& name : names) nodes.push_back(host::findNode(name));
    double x = 0;
    for (auto _ : state) {
        x += 1.0;
        for (const MObject& node : nodes) MFnTransform(node).setTranslation(MVector(x, 0, 0), MSpace::kTransform);
    }
    state.counters["writes/frame"] = static_cast<double>(nodes.size());
}
BENCHMARK(BM_TransformWritesPerFrame)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    streamTenPerformers();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    host::shutdown();
    tracker::resetForTests();
    return 0;
}
