// Recording takes through the docked panel on the stand-in host, headless: a capture replayed by the simulator
// on loopback is recorded and baked, and every key is checked against what the simulator streamed; then the
// edits around a bake (undo and redo, recording again over a range, a node deleted mid-take, a take file cut
// mid-record), the command's refusals, and the menu.

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtCore/QTemporaryDir>
#include <QtTest/QTest>
#include <QtWidgets/QApplication>
#include <QtWidgets/QCheckBox>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <maya/MAnimControl.h>
#include <maya/MDagPath.h>
#include <maya/MFnAnimCurve.h>
#include <maya/MFnDagNode.h>
#include <maya/MFnDependencyNode.h>
#include <maya/MMatrix.h>
#include <maya/MQuaternion.h>
#include <maya/MTime.h>
#include <mayastandin/Host.h>

#include "EventSpin.h"
#include "orvane/tracker/Control.h"
#ifdef ORVANE_WITH_SIMULATOR
#include "orvane/tracker/sim/TrackerServer.h"
#endif

namespace {

namespace host = mayastandin;
namespace tracker = orvane::tracker;

QApplication& app() {
    static int argc = 1;
    static char name[] = "plugin_tests";
    static char* argv[] = {name, nullptr};
    static QApplication* instance = new QApplication(argc, argv);
    return *instance;
}

bool spinUntil(const std::function<bool()>& done, int boundMs = 30000) {
    return testsupport::spinUntil(done, boundMs, testsupport::DeferredDeletes::Deliver);
}

bool logHas(const std::string& text) { return host::logText().find(text) != std::string::npos; }

std::string run(const std::string& mel) {
    std::string result;
    EXPECT_TRUE(host::execute(mel, &result)) << mel << "\n" << host::logText();
    return result;
}

// The curve driving a node's channel; null when none does.
MObject curveOf(const std::string& node, const char* channel) {
    MStatus status;
    const MPlug plug = MFnDependencyNode(host::findNode(node)).findPlug(channel, true);
    MFnAnimCurve curve(plug, &status);
    return status ? curve.object() : MObject();
}

unsigned int keyCount(const std::string& node, const char* channel) {
    const MObject curve = curveOf(node, channel);
    return curve.isNull() ? 0 : MFnAnimCurve(curve).numKeys();
}

double seconds(const MTime& t) { return t.as(MTime::kSeconds); }

// The whole records of a take file before byte `cut` (header and end records excepted), by its framing alone:
// a u32 length and a CRC before each payload, after a 16-byte preamble.
int framesBefore(const std::vector<char>& bytes, std::size_t cut, std::vector<std::size_t>* starts = nullptr) {
    int records = 0;
    for (std::size_t at = 16; at + 8 <= cut;) {
        std::uint32_t length;
        std::memcpy(&length, &bytes[at], 4);
        if (at + 8 + length > cut) break;
        if (starts) starts->push_back(at);
        if (bytes[at + 8] == 1) ++records;
        at += 8 + length;
    }
    return records;
}

class Record : public testing::Test {
protected:
    void SetUp() override {
        app();
        host::setMainWindow(nullptr);
        tracker::resetForTests();
        host::resetScene();
        host::clearLog();
        ASSERT_TRUE(workDir.isValid());
        previousDir = QDir::currentPath();
        QDir::setCurrent(workDir.path());  // no workspace: takes go to ./data/
        MAnimControl::setCurrentTime(MTime(0.0, MTime::kSeconds));
    }
    void TearDown() override {
        host::execute("flushUndo");
        if (host::isPluginLoaded("workspaceControlCmd")) {
            EXPECT_TRUE(host::unloadPlugin("workspaceControlCmd"));
        }
        spinUntil([] { return false; }, 10);
        tracker::resetForTests();
        QDir::setCurrent(previousDir);
    }
    void loadAndConnect() {
        ASSERT_TRUE(host::loadPlugin(ORVANE_PLUGIN_PATH)) << host::logText();
        ASSERT_TRUE(host::execute("OrvanePluginWindow"));
        panel = host::controlInfo("customWorkspaceControl").layout->findChild<QWidget*>("QPluginPanelClass");
        ASSERT_NE(panel, nullptr);
        panel->show();
        toggleConnection();
        ASSERT_EQ(box()->text(), "Online");
    }
    QCheckBox* box() { return panel->findChild<QCheckBox*>("checkboxConnect"); }
    void toggleConnection() {
        QTest::mouseClick(box(), Qt::LeftButton, Qt::NoModifier, QPoint(8, box()->height() / 2));
    }

    static void hold() {
        tracker::holdStream(true);
        spinUntil([] { return !tracker::deliveryInProgress(nullptr); });
    }
    // Records from the current time while `frames` frames are delivered, then ends the take with `end`
    // ("-stop" or "-cancel"). Returns the numbers of the frames the SDK delivered while recording.
    std::vector<long long> recordTake(long long frames, const char* end = "-stop") {
        hold();
        const long long before = tracker::deliveredFrames();
        run("orvaneRecord -start");
        tracker::holdStream(false);
        spinUntil([&] { return tracker::deliveredFrames() >= before + frames; });
        hold();
        const long long delivered = tracker::deliveredFrames() - before;
        std::vector<long long> numbers;
        for (const tracker::DeliveryRecord& d : tracker::recentDeliveries(static_cast<std::size_t>(delivered)))
            numbers.push_back(d.frameNumber);
        takeName = run(std::string("orvaneRecord ") + end);
        tracker::holdStream(false);
        return numbers;
    }

    QTemporaryDir workDir;
    QString previousDir;
    QWidget* panel = nullptr;
    std::string takeName;
};

#ifdef ORVANE_WITH_SIMULATOR
// The reference is the simulator's own frame for each frame number the SDK delivered while recording: every
// marker key is the streamed position (1e-4 cm), and every joint, with the scene at each key's time, stands
// at the streamed world pose (1e-4 cm, 1e-4 degree), its rotate keys continuous.
TEST_F(Record, CaptureReplayedThroughTheSimulatorBakesEveryStreamedValue) {
    tracker::sim::ServerOptions options;
    options.replayFile = ORVANE_CAPTURE_BVH;
    options.bvhUnitMm = 56.444;
    options.rateHz = 120;
    tracker::sim::TrackerServer server(options);
    server.start();
    tracker::useNetworkSource(server.address());
    loadAndConnect();
    const double start = 10 / 24.0;
    MAnimControl::setCurrentTime(MTime(10, MTime::kFilm));
    const std::vector<long long> sent = recordTake(90);
    toggleConnection();  // the live stream no longer moves the nodes
    ASSERT_GE(sent.size(), 90u);
    EXPECT_EQ(takeName.compare(0, 5, "take_"), 0) << takeName;

    const tracker::SceneDef& scene = server.scene();
    const double kCm = 1e-4, kRadians = 1e-4 * M_PI / 180;
    for (std::size_t s = 0; s < scene.subjects.size(); ++s) {
        for (std::size_t j = 0; j < scene.subjects[s].markerNames.size(); ++j) {
            const std::string name = host::legalNodeName(scene.subjects[s].markerNames[j]);
            const char* channels[] = {"translateX", "translateY", "translateZ"};
            for (int c = 0; c < 3; ++c) {
                MFnAnimCurve curve(curveOf(name, channels[c]));
                ASSERT_EQ(keyCount(name, channels[c]), sent.size()) << name << channels[c];
                EXPECT_NEAR(seconds(curve.time(0)), start, 1e-9);
                for (unsigned int k = 0; k < sent.size(); ++k) {
                    const tracker::Vec3 p = server.frameAt(sent[k]).subjects[s].markers[j];
                    EXPECT_NEAR(curve.value(k), (c == 0 ? p.x : c == 1 ? p.y : p.z) * 0.1, kCm) << name << k;
                }
            }
        }
    }
    ASSERT_FALSE(scene.subjects[0].bones.empty());
    MFnAnimCurve clock(curveOf(host::legalNodeName(scene.subjects[0].bones[0].name), "translateX"));
    ASSERT_EQ(clock.numKeys(), sent.size());
    for (unsigned int k = 0; k < sent.size(); ++k) {
        MAnimControl::setCurrentTime(clock.time(k));
        const tracker::FrameSample truth = server.frameAt(sent[k]);
        for (std::size_t b = 0; b < scene.subjects[0].bones.size(); ++b) {
            const std::string name = host::legalNodeName(scene.subjects[0].bones[b].name);
            MDagPath path;
            MFnDagNode(host::findNode(name)).getPath(path);
            const MMatrix got = path.inclusiveMatrix();
            const tracker::BonePose& pose = truth.subjects[0].bones[b];
            EXPECT_NEAR(got(3, 0), pose.worldPosition.x * 0.1, kCm) << name << k;
            EXPECT_NEAR(got(3, 1), pose.worldPosition.y * 0.1, kCm) << name << k;
            EXPECT_NEAR(got(3, 2), pose.worldPosition.z * 0.1, kCm) << name << k;
            const MQuaternion q(pose.worldOrientation.x, pose.worldOrientation.y, pose.worldOrientation.z,
                                pose.worldOrientation.w);
            const MMatrix want = q.asMatrix();
            for (unsigned int r = 0; r < 3; ++r)
                for (unsigned int c = 0; c < 3; ++c) EXPECT_NEAR(got(r, c), want(r, c), kRadians) << name << k;
            if (k == 0) continue;
            for (const char* channel : {"rotateX", "rotateY", "rotateZ"}) {
                MFnAnimCurve rotation(curveOf(name, channel));
                EXPECT_LT(std::fabs(rotation.value(k) - rotation.value(k - 1)), M_PI / 2) << name << channel << k;
            }
        }
    }
    server.stop();
}
#endif

// The edits around a bake, each from a take of synthetic performers baked at time 0.
enum class Edit { UndoRedo, RecordAgainOverARange, NodeDeletedDuringTake, FileCutMidRecord };

class RecordEdit : public Record, public testing::WithParamInterface<Edit> {};

TEST_P(RecordEdit, KeepsEveryKeyItShould) {
    loadAndConnect();
    const tracker::SceneDef scene = tracker::currentScene();
    const std::string marker = host::legalNodeName(scene.subjects[0].markerNames[0]);
    const std::string joint = host::legalNodeName(scene.subjects[0].bones[1].name);
    const MTime minBefore = MAnimControl::minTime(), maxBefore = MAnimControl::maxTime();
    switch (GetParam()) {
        case Edit::UndoRedo: {
            const std::size_t frames = recordTake(40).size();
            EXPECT_EQ(keyCount(joint, "rotateY"), frames);
            EXPECT_NEAR(seconds(MAnimControl::minTime()), 0, 1e-9);
            EXPECT_NEAR(seconds(MAnimControl::maxTime()),
                        seconds(MFnAnimCurve(curveOf(marker, "translateX")).time(frames - 1)), 1e-9);
            run("undo");
            EXPECT_EQ(keyCount(marker, "translateX"), 0u);
            EXPECT_EQ(keyCount(joint, "rotateY"), 0u);
            EXPECT_TRUE(MAnimControl::minTime() == minBefore && MAnimControl::maxTime() == maxBefore);
            run("redo");
            EXPECT_EQ(keyCount(marker, "translateX"), frames);
            EXPECT_EQ(keyCount(joint, "rotateY"), frames);
            EXPECT_NEAR(seconds(MAnimControl::minTime()), 0, 1e-9);
            break;
        }
        case Edit::RecordAgainOverARange: {
            const std::size_t first = recordTake(60).size();
            std::vector<double> times, values;
            MFnAnimCurve before(curveOf(marker, "translateX"));
            for (unsigned int k = 0; k < first; ++k) times.push_back(seconds(before.time(k)));
            for (unsigned int k = 0; k < first; ++k) values.push_back(before.value(k));
            const double from = times[10] + 1e-4;
            MAnimControl::setCurrentTime(MTime(from, MTime::kSeconds));
            const std::size_t second = recordTake(20).size();
            MFnAnimCurve after(curveOf(marker, "translateX"));
            const double to = from + (times[second - 1] - times[0]);  // the second take at the same rate
            std::size_t kept = 0, replaced = 0;
            for (unsigned int k = 0; k < after.numKeys(); ++k) {
                const double t = seconds(after.time(k));
                const bool inside = t >= from - 1e-9 && t <= to + 1e-3;
                replaced += inside ? 1 : 0;
                for (std::size_t o = 0; o < first && !inside; ++o)
                    if (std::fabs(times[o] - t) < 1e-9 && after.value(k) == values[o]) ++kept;
            }
            EXPECT_EQ(replaced, second);
            EXPECT_EQ(kept + replaced, after.numKeys());
            EXPECT_GE(kept, 11u);  // the first take's keys before the range, and after it
            run("undo");
            EXPECT_EQ(keyCount(marker, "translateX"), first);
            break;
        }
        case Edit::NodeDeletedDuringTake: {
            hold();
            run("orvaneRecord -start");
            tracker::holdStream(false);
            spinUntil([] { return std::stoi(run("orvaneRecord -query -frames")) >= 10; });
            run("delete " + marker);
            spinUntil([] { return std::stoi(run("orvaneRecord -query -frames")) >= 20; });
            takeName = run("orvaneRecord -stop");
            EXPECT_TRUE(logHas("were skipped: " + scene.subjects[0].markerNames[0])) << host::logText();
            EXPECT_GE(keyCount(joint, "rotateY"), 20u);
            run("undo");  // the bake, then the deletion: the node is back, unkeyed
            run("undo");
            EXPECT_EQ(keyCount(marker, "translateX"), 0u);
            break;
        }
        case Edit::FileCutMidRecord: {
            const std::size_t frames = recordTake(40, "-cancel").size();
            EXPECT_EQ(keyCount(marker, "translateX"), 0u);
            const std::string path = run("orvaneRecord -query -file");
            std::ifstream in(path, std::ios::binary);
            const std::vector<char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
            std::vector<std::size_t> starts;
            ASSERT_EQ(framesBefore(bytes, bytes.size(), &starts), static_cast<int>(frames));
            const std::size_t cut = starts[frames / 2] + 13;  // inside the record of frame frames/2 - 1
            const std::string torn = workDir.filePath("torn.take").toStdString();
            std::ofstream(torn, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(cut));
            MAnimControl::setCurrentTime(MTime(2.0, MTime::kSeconds));
            run("orvaneRecord -bake \"" + torn + "\"");
            EXPECT_TRUE(logHas("ends without its end record")) << host::logText();
            EXPECT_EQ(keyCount(marker, "translateX"), static_cast<unsigned int>(framesBefore(bytes, cut)));
            EXPECT_EQ(framesBefore(bytes, cut), static_cast<int>(frames / 2) - 1);
            EXPECT_NEAR(seconds(MFnAnimCurve(curveOf(marker, "translateX")).time(0)), 2.0, 1e-9);
            break;
        }
    }
}

INSTANTIATE_TEST_CASE_P(Edits, RecordEdit,
                        ::testing::Values(Edit::UndoRedo, Edit::RecordAgainOverARange, Edit::NodeDeletedDuringTake,
                                          Edit::FileCutMidRecord));

// Refusals in Maya's style, queries from any state, and a disconnection ending the take with its file whole.
TEST_F(Record, CommandRefusesOutOfStateAndADisconnectionEndsTheTake) {
    ASSERT_TRUE(host::loadPlugin(ORVANE_PLUGIN_PATH)) << host::logText();
    EXPECT_FALSE(host::execute("orvaneRecord -start"));
    EXPECT_TRUE(logHas("// Error: orvaneRecord: no connected Live Panel"));
    EXPECT_FALSE(host::execute("orvaneRecord -stop"));
    EXPECT_FALSE(host::execute("orvaneRecord -cancel"));
    EXPECT_EQ(run("orvaneRecord -query -recording"), "0");
    ASSERT_TRUE(host::unloadPlugin("workspaceControlCmd"));

    loadAndConnect();
    run("orvaneRecord -start -name dance");
    EXPECT_FALSE(host::execute("orvaneRecord -start"));
    EXPECT_TRUE(logHas("already"));
    EXPECT_EQ(run("orvaneRecord -query -recording"), "1");
    spinUntil([] { return std::stoi(run("orvaneRecord -query -frames")) >= 10; });
    toggleConnection();
    EXPECT_TRUE(logHas("// Warning: orvaneRecord: the connection ended while recording"));
    EXPECT_EQ(run("orvaneRecord -query -recording"), "0");
    const std::string path = run("orvaneRecord -query -file");
    EXPECT_EQ(QFileInfo(QString::fromStdString(path)).dir().dirName(), "data");
    EXPECT_EQ(QFileInfo(QString::fromStdString(path)).fileName().left(6), "dance_");
    std::ifstream in(path, std::ios::binary);
    const std::vector<char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    std::vector<std::size_t> starts;
    const int frames = framesBefore(bytes, bytes.size(), &starts);
    EXPECT_EQ(frames, std::stoi(run("orvaneRecord -query -frames")));
    ASSERT_FALSE(starts.empty());
    EXPECT_EQ(bytes[starts.back() + 8], 2) << "the end record closes the file";
    EXPECT_EQ(keyCount(host::legalNodeName(tracker::currentScene().subjects[0].markerNames[0]), "translateX"), 0u);
}

// The menu the module adds to the main window; a host without the menu commands only warns.
TEST_F(Record, MenuComesAndGoesWithTheModule) {
    ASSERT_TRUE(host::loadPlugin(ORVANE_PLUGIN_PATH)) << host::logText();
    if (!host::isCommandRegistered("menu") && !host::execute("menu -exists orvaneMocapMenu"))
        GTEST_SKIP() << "this host has no menu command";
    EXPECT_EQ(run("menu -exists orvaneMocapMenu"), "1");
    ASSERT_TRUE(host::unloadPlugin("workspaceControlCmd"));
    EXPECT_EQ(run("menu -exists orvaneMocapMenu"), "0");
}

}  // namespace
