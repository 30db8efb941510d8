// Recording takes through the docked panel on the stand-in host, headless: a capture replayed by the simulator
// on loopback is recorded and baked, and every key is checked against what the simulator streamed; then the
// edits around a bake (undo and redo, recording again over a range, a node deleted mid-take, a take file cut
// mid-record), the command's refusals, and the menu.

#include <QtCore/QDir>
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

#include "TestApplication.h"
#include "EventSpin.h"
#include "orvane/tracker/Control.h"
#ifdef ORVANE_WITH_SIMULATOR
#include "orvane/tracker/sim/TrackerServer.h"
#endif

namespace {

namespace host = mayastandin;
namespace tracker = orvane::tracker;

QApplication& app() { return testsupport::testApplication("plugin_tests"); }

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

std::vector<char> fileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The frame records of a take file, by its framing alone (a u32 length and a CRC before each payload, after a
// 16-byte preamble); `starts` gets where each whole record begins, the header and end records included.
int frameRecords(const std::vector<char>& bytes, std::vector<std::size_t>& starts) {
    int records = 0;
    for (std::size_t at = 16; at + 8 <= bytes.size();) {
        std::uint32_t length;
        std::memcpy(&length, &bytes[at], 4);
        if (at + 8 + length > bytes.size()) break;
        starts.push_back(at);
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
        run("workspace -openWorkspace \"" + workDir.path().toStdString() + "\"");  // takes go to its data/
        MAnimControl::setCurrentTime(MTime(0.0, MTime::kSeconds));
    }
    void TearDown() override {
        host::execute("flushUndo");
        if (host::isPluginLoaded("workspaceControlCmd")) {
            EXPECT_TRUE(host::unloadPlugin("workspaceControlCmd"));
        }
        spinUntil([] { return false; }, 10);
        tracker::resetForTests();
    }
    void connectPanel() {
        if (!host::isPluginLoaded("workspaceControlCmd")) {
            ASSERT_TRUE(host::loadPlugin(ORVANE_PLUGIN_PATH));
        }
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
    connectPanel();
    const std::vector<long long> sent = recordTake(90);
    toggleConnection();  // the live stream no longer moves the nodes
    ASSERT_GE(sent.size(), 90u);
    EXPECT_EQ(takeName.compare(0, 5, "take_"), 0) << takeName;

    const tracker::SubjectDef& subject = server.scene().subjects[0];
    ASSERT_FALSE(subject.bones.empty());
    MFnAnimCurve clock(curveOf(host::legalNodeName(subject.bones[0].name), "translateX"));
    ASSERT_EQ(clock.numKeys(), sent.size());
    // Where a node stands in the world at the current time, against the stream's millimetres and orientation.
    auto expectWorld = [](const std::string& name, const tracker::Vec3& at, const tracker::Quat* turned, long k) {
        MDagPath path;
        MFnDagNode(host::findNode(name)).getPath(path);
        const MMatrix got = path.inclusiveMatrix();
        MMatrix want = turned ? MQuaternion(turned->x, turned->y, turned->z, turned->w).asMatrix() : MMatrix();
        want(3, 0) = at.x * 0.1, want(3, 1) = at.y * 0.1, want(3, 2) = at.z * 0.1;
        for (unsigned int r = 0; r < 4; ++r)
            for (unsigned int c = 0; c < 3; ++c)
                EXPECT_NEAR(got(r, c), want(r, c), r == 3 ? 1e-4 : 1e-4 * M_PI / 180) << name << k << " " << r << c;
    };
    for (const std::string& marker : subject.markerNames)
        EXPECT_EQ(keyCount(host::legalNodeName(marker), "translateZ"), sent.size()) << marker;
    for (unsigned int k = 0; k < sent.size(); ++k) {
        MAnimControl::setCurrentTime(clock.time(k));  // every channel takes its key k
        const tracker::SubjectSample truth = server.frameAt(sent[k]).subjects[0];
        for (std::size_t j = 0; j < subject.markerNames.size(); ++j)
            expectWorld(host::legalNodeName(subject.markerNames[j]), truth.markers[j], nullptr, k);
        for (std::size_t b = 0; b < subject.bones.size(); ++b) {
            const std::string name = host::legalNodeName(subject.bones[b].name);
            expectWorld(name, truth.bones[b].worldPosition, &truth.bones[b].worldOrientation, k);
            for (const char* channel : {"rotateX", "rotateY", "rotateZ"}) {
                MFnAnimCurve rotation(curveOf(name, channel));
                EXPECT_LT(std::fabs(rotation.value(k) - rotation.value(k > 0 ? k - 1 : 0)), M_PI / 2) << name << k;
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
    connectPanel();
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
            const std::size_t first =
                recordTake(120).size();  // long enough that a slow second take still ends inside it
            MFnAnimCurve curve(curveOf(marker, "translateX"));
            std::vector<double> times;
            for (unsigned int k = 0; k < first; ++k) times.push_back(seconds(curve.time(k)));
            const double firstValue = curve.value(0), lastValue = curve.value(first - 1);
            const double from = times[10] + 1e-4;
            MAnimControl::setCurrentTime(MTime(from, MTime::kSeconds));
            const std::size_t second = recordTake(20).size();
            MFnAnimCurve after(curveOf(marker, "translateX"));
            const double to = seconds(after.time(11 + second - 1));  // the second take's last key
            std::size_t outside = 0;
            for (double t : times) outside += t < from || t > to + 1e-9 ? 1 : 0;
            EXPECT_NEAR(seconds(after.time(11)), from, 1e-9);
            EXPECT_EQ(after.numKeys(), outside + second);
            EXPECT_EQ(after.value(0), firstValue);
            EXPECT_EQ(after.value(after.numKeys() - 1), lastValue);
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
            const std::vector<char> bytes = fileBytes(path);
            std::vector<std::size_t> starts;
            ASSERT_EQ(frameRecords(bytes, starts), static_cast<int>(frames));
            const std::size_t cut = starts[frames / 2] + 13;  // inside the record of frame frames/2 - 1
            const std::string torn = workDir.filePath("torn.take").toStdString();
            std::ofstream(torn, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(cut));
            MAnimControl::setCurrentTime(MTime(2.0, MTime::kSeconds));
            run("orvaneRecord -bake \"" + torn + "\"");
            EXPECT_TRUE(logHas("ends without its end record")) << host::logText();
            EXPECT_EQ(keyCount(marker, "translateX"), frames / 2 - 1);
            EXPECT_NEAR(seconds(MFnAnimCurve(curveOf(marker, "translateX")).time(0)), 2.0, 1e-9);
            break;
        }
    }
}

INSTANTIATE_TEST_CASE_P(Edits, RecordEdit,
                        ::testing::Values(Edit::UndoRedo, Edit::RecordAgainOverARange, Edit::NodeDeletedDuringTake,
                                          Edit::FileCutMidRecord));

// Refusals in Maya's style, queries from any state, the workspace's data folder, and a disconnection ending the
// take with its file whole.
TEST_F(Record, CommandRefusesOutOfStateAndADisconnectionEndsTheTake) {
    ASSERT_TRUE(host::loadPlugin(ORVANE_PLUGIN_PATH)) << host::logText();
    for (const char* refused :
         {"orvaneRecord -start", "orvaneRecord -stop", "orvaneRecord -cancel", "orvaneRecord -bake a.take -rate 6001"})
        EXPECT_FALSE(host::execute(refused)) << refused;
    EXPECT_TRUE(logHas("// Error: orvaneRecord: no connected Live Panel"));
    EXPECT_TRUE(logHas("// Error: orvaneRecord: -rate takes a number of frames per second above 0 and at most 6000"));
    EXPECT_EQ(run("orvaneRecord -query -recording"), "0");
    const QString project = workDir.filePath("project");
    ASSERT_TRUE(QDir().mkpath(project));
    run("workspace -openWorkspace \"" + project.toStdString() + "\"");  // its data/ is made on demand
    connectPanel();
    run("orvaneRecord -start -name dance");
    EXPECT_FALSE(host::execute("orvaneRecord -start"));
    EXPECT_EQ(run("orvaneRecord -query -recording"), "1");
    spinUntil([] { return std::stoi(run("orvaneRecord -query -frames")) >= 10; });
    toggleConnection();
    EXPECT_TRUE(logHas("// Warning: orvaneRecord: the connection ended while recording"));
    EXPECT_EQ(run("orvaneRecord -query -recording"), "0");
    const QFileInfo file(QString::fromStdString(run("orvaneRecord -query -file")));
    EXPECT_EQ(file.filePath().left(project.size() + 12), project + "/data/dance_");
    const std::vector<char> bytes = fileBytes(file.filePath().toStdString());
    std::vector<std::size_t> starts;
    EXPECT_EQ(frameRecords(bytes, starts), std::stoi(run("orvaneRecord -query -frames")));
    EXPECT_EQ(bytes[starts.back() + 8], 2) << "the end record closes the file";
    EXPECT_EQ(keyCount(host::legalNodeName(tracker::currentScene().subjects[0].markerNames[0]), "translateX"), 0u);

    // A take of the same name started at once (within the second of its stamp) keeps the first one's file.
    toggleConnection();
    ASSERT_EQ(box()->text(), "Online");
    run("orvaneRecord -start -name dance; orvaneRecord -cancel");
    EXPECT_NE(run("orvaneRecord -query -file"), file.filePath().toStdString());
    EXPECT_EQ(fileBytes(file.filePath().toStdString()), bytes);
}

// The menu the module adds to the main window; a host without the menu commands only warns, and one without
// its interface (mayabatch) gets none.
TEST_F(Record, MenuComesAndGoesWithTheModule) {
    ASSERT_TRUE(host::loadPlugin(ORVANE_PLUGIN_PATH)) << host::logText();
    if (!host::isCommandRegistered("menu") && !host::execute("menu -exists orvaneMocapMenu"))
        GTEST_SKIP() << "this host has no menu command";
    EXPECT_EQ(run("menu -exists orvaneMocapMenu"), "1");
    ASSERT_TRUE(host::unloadPlugin("workspaceControlCmd"));
    EXPECT_EQ(run("menu -exists orvaneMocapMenu"), "0");

    host::setBatchMode(true);
    EXPECT_TRUE(host::loadPlugin(ORVANE_PLUGIN_PATH)) << host::logText();
    EXPECT_EQ(run("menu -exists orvaneMocapMenu"), "0");
    EXPECT_TRUE(host::unloadPlugin("workspaceControlCmd"));
    host::setBatchMode(false);
    EXPECT_FALSE(logHas("Warning")) << host::logText();
}

}  // namespace
