// The whole road in one process on the stand-in host, headless: load the module, open the docked
// panel, connect with a real click, stream both protocol versions into the scene, disconnect, reconnect,
// unload while streaming. Waits are bounded polls on conditions.

#include <QtCore/QElapsedTimer>
#include <QtCore/QMetaType>
#include <QtCore/QTemporaryDir>
#include <QtCore/QThread>
#include <QtCore/QTimer>
#include <QtTest/QTest>
#include <QtWidgets/QApplication>
#include <QtWidgets/QCheckBox>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QMessageBox>
#include <QtWidgets/QTableWidget>

#include <cmath>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <maya/MDagPath.h>
#include <maya/MEulerRotation.h>
#include <maya/MFnDagNode.h>
#include <maya/MFnDependencyNode.h>
#include <maya/MFnTransform.h>
#include <maya/MMatrix.h>
#include <maya/MQuaternion.h>
#include <mayastandin/Host.h>

#include "TestApplication.h"
#include "EventSpin.h"
#include "OrvanePluginSDK.h"
#include "orvane/tracker/Control.h"
#ifdef ORVANE_WITH_SIMULATOR
#include "orvane/tracker/sim/TrackerServer.h"
#endif

namespace {

namespace host = mayastandin;
namespace tracker = orvane::tracker;

const char* const kControl = "customWorkspaceControl";

QApplication& app() { return testsupport::testApplication("plugin_tests"); }

bool spinUntil(const std::function<bool()>& done, int boundMs = 30000) {
    return testsupport::spinUntil(done, boundMs, testsupport::DeferredDeletes::Deliver);
}

bool hasLine(const std::string& prefix) {
    for (const std::string& line : host::logLines())
        if (line.compare(0, prefix.size(), prefix) == 0) return true;
    return false;
}

// A real mouse click on a check box's indicator (the middle of a wide box is outside its hit area).
void clickIndicator(QAbstractButton* button) {
    QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, QPoint(8, button->height() / 2));
}

QWidget* panelIn(QWidget* layout) { return layout ? layout->findChild<QWidget*>("QPluginPanelClass") : nullptr; }

int panelsIn(QWidget* layout) {
    int count = 0;
    if (!layout) return 0;
    for (QWidget* w : layout->findChildren<QWidget*>())
        if (std::string(w->metaObject()->className()) == "QPluginPanel") ++count;
    return count;
}

MVector world(const std::string& name) {
    MObject node = host::findNode(name);
    MDagPath path;
    MFnDagNode(node).getPath(path);
    return MFnTransform(path).getTranslation(MSpace::kWorld);
}

class Plugin : public testing::Test {
protected:
    void SetUp() override {
        app();
        host::setMainWindow(nullptr);
        tracker::resetForTests();
        host::resetScene();
        host::clearLog();
    }
    void TearDown() override {
        if (host::isPluginLoaded("workspaceControlCmd")) {
            EXPECT_TRUE(host::unloadPlugin("workspaceControlCmd"));
        }
        spinUntil([] { return false; }, 10);
        tracker::resetForTests();
    }
    void load() { ASSERT_TRUE(host::loadPlugin(ORVANE_PLUGIN_PATH)) << host::logText(); }
    QWidget* openPanel() {
        EXPECT_TRUE(host::execute("OrvanePluginWindow"));
        QWidget* panel = panelIn(host::controlInfo(kControl).layout);
        if (panel) panel->show();
        return panel;
    }
    QCheckBox* connectBox(QWidget* panel) { return panel->findChild<QCheckBox*>("checkboxConnect"); }
};

TEST_F(Plugin, LoadingRegistersTheCommandAndTheNodeType) {
    load();
    EXPECT_TRUE(host::isCommandRegistered("OrvanePluginWindow"));
    EXPECT_EQ(host::nodeTypeId("MarkerTransform"), 0x81109u);
    EXPECT_EQ(host::nodeTypeMatrixId("MarkerTransform"), 0x8110Au);
    const host::PluginInfo info = host::pluginInfo("workspaceControlCmd");
    EXPECT_EQ(info.vendor, "Velmora");
    EXPECT_EQ(info.version, "2018");
    EXPECT_EQ(info.apiVersion, "Any");

    // Unloading with no control open runs no workspace-control command and deregisters both.
    host::clearLog();
    ASSERT_TRUE(host::unloadPlugin("workspaceControlCmd"));
    EXPECT_FALSE(host::isCommandRegistered("OrvanePluginWindow"));
    EXPECT_FALSE(host::isNodeTypeRegistered("MarkerTransform"));
    EXPECT_FALSE(hasLine("// Error: "));
}

TEST_F(Plugin, RefusedCommandRegistrationIsReportedAndStopsTheLoad) {
    ASSERT_TRUE(host::loadPlugin(ORVANE_SQUATTER_PATH));
    EXPECT_FALSE(host::loadPlugin(ORVANE_PLUGIN_PATH));
    EXPECT_TRUE(hasLine("// Error: workspaceControlCmd - could not register 'OrvanePluginWindow' command: "))
        << host::logText();
    EXPECT_FALSE(host::isNodeTypeRegistered("MarkerTransform"));
    EXPECT_TRUE(host::unloadPlugin("squatter"));
}

TEST_F(Plugin, MarkerTransformMovesRotatesAndScalesLikeATransform) {
    load();
    ASSERT_TRUE(host::execute("createNode MarkerTransform -n mt"));
    ASSERT_TRUE(host::execute("createNode transform -n child -p mt"));
    MObject node = host::findNode("mt");
    ASSERT_FALSE(node.isNull());
    EXPECT_EQ(MFnDependencyNode(node).typeId().id(), 0x81109u);
    EXPECT_EQ(std::string(MFnDependencyNode(node).typeName().asChar()), "MarkerTransform");
    MFnTransform transform(node);
    transform.setTranslation(MVector(1, 2, 3), MSpace::kTransform);
    transform.setRotation(MEulerRotation(0, 0, M_PI / 2));
    const double scale[3] = {2, 2, 2};
    transform.setScale(scale);
    MObject child = host::findNode("child");
    MFnTransform(child).setTranslation(MVector(1, 0, 0), MSpace::kTransform);
    // (1, 0, 0) scaled by 2 is (2, 0, 0), turned 90 degrees about Z is (0, 2, 0), moved to (1, 4, 3).
    const MVector got = world("child");
    EXPECT_NEAR(got.x, 1, 1e-9);
    EXPECT_NEAR(got.y, 4, 1e-9);
    EXPECT_NEAR(got.z, 3, 1e-9);
    host::resetScene();  // the type can go only when no node of it is left
}

TEST_F(Plugin, WindowCommandOpensRestoresAndReopensTheDockedPanel) {
    load();
    QWidget* panel = openPanel();
    ASSERT_NE(panel, nullptr);
    host::ControlInfo info = host::controlInfo(kControl);
    EXPECT_TRUE(info.exists);
    EXPECT_EQ(info.label, "OrvanePluginWindow");
    EXPECT_TRUE(info.floating);
    EXPECT_EQ(info.width, 400);
    EXPECT_EQ(info.height, 200);
    EXPECT_FALSE(info.retain);
    EXPECT_EQ(info.uiScript, "OrvanePluginWindow -reload");
    EXPECT_EQ(info.requiredPlugin, "workspaceControlCmd");
    EXPECT_EQ(panelsIn(info.layout), 1);

    ASSERT_TRUE(host::execute("OrvanePluginWindow"));  // restores only
    EXPECT_EQ(panelsIn(host::controlInfo(kControl).layout), 1);
    ASSERT_TRUE(host::execute("OrvanePluginWindow -reload"));  // the same while the control exists
    EXPECT_EQ(panelsIn(host::controlInfo(kControl).layout), 1);

    QPointer<QWidget> watched(panel);
    host::userCloseControl(kControl);
    ASSERT_TRUE(spinUntil([&] { return watched.isNull() && !host::controlInfo(kControl).exists; }));

    QWidget* second = openPanel();
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(panelsIn(host::controlInfo(kControl).layout), 1);

    // The host rebuilding the control's contents runs the rebuild script into the same layout.
    ASSERT_TRUE(host::rebuildControl(kControl));
    EXPECT_EQ(panelsIn(host::controlInfo(kControl).layout), 1);
}

TEST_F(Plugin, ReloadWithoutAControlPutsAPanelIntoTheCurrentParent) {
    load();
    ASSERT_TRUE(host::execute("workspaceControl -label \"Other\" -retain false otherControl"));
    ASSERT_TRUE(host::execute("OrvanePluginWindow -reload"));
    EXPECT_FALSE(host::controlInfo(kControl).exists);
    EXPECT_EQ(panelsIn(host::controlInfo("otherControl").layout), 1);
    EXPECT_EQ(host::controlInfo("otherControl").uiScript, "");
    ASSERT_TRUE(host::execute("workspaceControl -e -deleteLater false -close otherControl"));
}

// The host rebuilt another control with the panel's command (its -reload), so the panel lives there.
// Unloading must close the control that holds the panel, or, when that control only hides (retained),
// delete the panel: nothing of the module may outlive it, no panel, no refresh thread, no SDK handler.
TEST_F(Plugin, UnloadEndsAPanelReloadedIntoAnotherControl) {
    for (const char* retain : {"false", "true"}) {
        SCOPED_TRACE(std::string("-retain ") + retain);
        load();
        ASSERT_TRUE(
            host::execute(std::string("workspaceControl -label \"Other\" -retain ") + retain + " otherControl"));
        ASSERT_TRUE(host::execute("OrvanePluginWindow -reload"));
        QWidget* panel = panelIn(host::controlInfo("otherControl").layout);
        ASSERT_NE(panel, nullptr);
        clickIndicator(connectBox(panel));
        ASSERT_EQ(connectBox(panel)->text(), "Online");
        QPointer<QWidget> watched(panel);
        QPointer<QThread> refresh(panel->findChild<QThread*>());
        ASSERT_FALSE(refresh.isNull());

        ASSERT_TRUE(host::unloadPlugin("workspaceControlCmd"));
        EXPECT_TRUE(watched.isNull());
        EXPECT_TRUE(refresh.isNull());
        EXPECT_EQ(host::controlInfo("otherControl").exists, std::string(retain) == "true");
        const tracker::ClientStatus status = tracker::clientStatus();
        EXPECT_FALSE(status.exists);
        EXPECT_FALSE(status.dataHandlerV1 || status.msgCallbackV1 || status.dataHandlerV2 || status.msgCallbackV2);
        if (host::controlInfo("otherControl").exists) {
            ASSERT_TRUE(host::execute("workspaceControl -e -retain false -close otherControl"));
        }
        spinUntil([] { return !host::controlInfo("otherControl").exists; });
    }
}

MQuaternion worldRotation(const std::string& name) {
    MObject node = host::findNode(name);
    MDagPath path;
    MFnDagNode(node).getPath(path);
    MQuaternion q;
    MFnTransform(path).getRotation(q, MSpace::kWorld);
    return q;
}

bool visible(const std::string& name) {
    MObject node = host::findNode(name);
    MDagPath path;
    MFnDagNode(node).getPath(path);
    return path.isVisible();
}

// Positions arrive as floats in millimetres and are scaled by the single-precision 0.1: within 1e-3 cm.
const double kCm = 1e-3;

// Every locator and joint of the scene against what the source holds for the last delivered frame.
// Version 2 joints take world poses; untracked bones (and their descendants) are hidden. Version 1 with
// smoothing: each locator is the mean of its marker's last seven positions; joints follow the segments.
// The nodes named in `gone` must not be in the scene.
void expectSceneMatchesSource(bool version1Smoothed, const std::set<std::string>& gone = {}) {
    const tracker::SceneDef scene = tracker::currentScene();
    const long long last = tracker::lastDeliveredFrameNumber();
    const tracker::FrameSample truth = tracker::groundTruth(last);
    const auto isGone = [&gone](const std::string& name) {
        const bool listed = gone.count(name) != 0;
        EXPECT_TRUE(!listed || host::findNode(name).isNull()) << name << " is still in the scene";
        return listed;
    };
    for (std::size_t s = 0; s < scene.subjects.size(); ++s) {
        const tracker::SubjectDef& subject = scene.subjects[s];
        for (std::size_t j = 0; j < subject.markerNames.size(); ++j) {
            tracker::Vec3 expected;
            if (version1Smoothed) {
                for (long long n = last - 6; n <= last; ++n) {
                    const tracker::Vec3 p = tracker::groundTruth(n).subjects[s].markers[j];
                    expected.x += float(p.x) / 7.0, expected.y += float(p.y) / 7.0, expected.z += float(p.z) / 7.0;
                }
            } else if (truth.subjects[s].markerSeen[j]) {
                expected = truth.subjects[s].markers[j];
            }
            const std::string name = host::legalNodeName(subject.markerNames[j]);
            if (isGone(name)) continue;
            const MVector got = world(name);
            EXPECT_NEAR(got.x, expected.x * 0.1, kCm) << subject.markerNames[j];
            EXPECT_NEAR(got.y, expected.y * 0.1, kCm) << subject.markerNames[j];
            EXPECT_NEAR(got.z, expected.z * 0.1, kCm) << subject.markerNames[j];
        }
        for (std::size_t k = 0; k < subject.bones.size(); ++k) {
            const std::string name = host::legalNodeName(subject.bones[k].name);
            if (isGone(name)) continue;
            const tracker::BonePose& bone = truth.subjects[s].bones[k];
            if (!version1Smoothed) {
                bool shown = true;
                for (int b = static_cast<int>(k); b > 0; b = subject.bones[b].parent)
                    shown = shown && truth.subjects[s].bones[b].tracked;
                EXPECT_EQ(visible(name), shown) << name;
                if (!bone.tracked && k != 0) continue;  // hidden, keeps an earlier pose
            }
            const MQuaternion q = worldRotation(name);
            const tracker::Quat& t = bone.worldOrientation;
            EXPECT_NEAR(std::fabs(q.x * t.x + q.y * t.y + q.z * t.z + q.w * t.w), 1.0, 1e-5) << name;
            const MVector got = world(name);
            const double tolerance = version1Smoothed ? 1e-2 : kCm;  // version 1: composed down the chain
            EXPECT_NEAR(got.x, bone.worldPosition.x * 0.1, tolerance) << name;
            EXPECT_NEAR(got.y, bone.worldPosition.y * 0.1, tolerance) << name;
            EXPECT_NEAR(got.z, bone.worldPosition.z * 0.1, tolerance) << name;
        }
    }
}

// Waits until the last delivered frame has reached the scene: the subject's first marker is where it should be.
bool lastFrameApplied(bool version1Smoothed, std::size_t subject = 0) {
    const tracker::SceneDef scene = tracker::currentScene();
    const long long last = tracker::lastDeliveredFrameNumber();
    double expected = 0;
    if (version1Smoothed) {
        for (long long n = last - 6; n <= last; ++n)
            expected += float(tracker::groundTruth(n).subjects[subject].markers[0].x) / 7.0;
    } else {
        expected = tracker::groundTruth(last).subjects[subject].markers[0].x;
    }
    const std::string name = host::legalNodeName(scene.subjects[subject].markerNames[0]);
    return spinUntil([&] { return std::fabs(world(name).x - expected * 0.1) < kCm; });
}

// Connect by a real click, stream version 2 then version 1 with smoothing, compare with the source.
TEST_F(Plugin, ConnectStreamDisconnectAndReconnectThroughTheDockedPanel) {
    tracker::SyntheticOptions options;
    options.performers = 2;
    options.rawNames = true;  // names the host must change: "Performer 1:Hips"
    options.boneDropout = 0.3;
    tracker::useSyntheticSource(options);
    load();
    QWidget* panel = openPanel();
    ASSERT_NE(panel, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(panel->window()));
    QCheckBox* box = connectBox(panel);

    clickIndicator(box);
    ASSERT_EQ(box->text(), "Online");
    const std::size_t nodes = host::dagNodeCount();
    ASSERT_TRUE(spinUntil([] { return tracker::deliveredFrames() > 30; }));
    tracker::holdStream(true);
    ASSERT_TRUE(lastFrameApplied(false));
    expectSceneMatchesSource(false);

    clickIndicator(box);  // untick: nodes stay
    EXPECT_EQ(box->text(), "Offline");
    EXPECT_EQ(host::dagNodeCount(), nodes);

    tracker::holdStream(false);
    clickIndicator(box);  // reconnect: every node found again
    ASSERT_EQ(box->text(), "Online");
    EXPECT_EQ(host::dagNodeCount(), nodes);
    clickIndicator(box);

    tracker::SyntheticOptions plain = options;
    plain.boneDropout = 0;  // version 1 cannot say "untracked"
    tracker::useSyntheticSource(plain);
    panel->findChild<QComboBox*>("comboBoxSDKVersion")->setCurrentIndex(0);
    clickIndicator(panel->findChild<QCheckBox*>("checkBoxSmooth"));
    clickIndicator(box);
    ASSERT_EQ(box->text(), "Online");
    EXPECT_EQ(host::dagNodeCount(), nodes);  // version 1 names the same subjects: every node reused
    ASSERT_TRUE(spinUntil([] { return tracker::deliveredFrames() > 30; }));
    tracker::holdStream(true);
    ASSERT_TRUE(lastFrameApplied(true));
    expectSceneMatchesSource(true);
    clickIndicator(box);
    EXPECT_EQ(box->text(), "Offline");
}

// The stats command a technician runs in the host: once the stream rests, every frame received since connecting
// was applied or skipped, for both protocols.
TEST_F(Plugin, StatsCommandAccountsForEveryFrameReceivedSinceConnecting) {
    load();
    QWidget* panel = openPanel();
    ASSERT_NE(panel, nullptr);
    for (int version : {2, 1}) {
        tracker::SyntheticOptions options;
        options.rateHz = 240;
        tracker::useSyntheticSource(options);
        panel->findChild<QComboBox*>("comboBoxSDKVersion")->setCurrentIndex(version == 1 ? 0 : 1);
        clickIndicator(connectBox(panel));
        ASSERT_TRUE(spinUntil([] { return tracker::deliveredFrames() > 60; }));
        tracker::holdStream(true);
        spinUntil([] { return false; }, 200);  // a frame the refresh thread still holds is handed on
        std::vector<std::string> figures;      // received, applied, skipped, median, p99, share
        ASSERT_TRUE(host::executeList("OrvanePluginStats", &figures));
        ASSERT_EQ(figures.size(), 6u);
        EXPECT_GT(std::stod(figures[0]), 0) << version;  // frames delivered before the panel attached are not seen
        EXPECT_LE(std::stod(figures[0]), static_cast<double>(tracker::deliveredFrames())) << version;
        EXPECT_EQ(std::stod(figures[1]) + std::stod(figures[2]), std::stod(figures[0])) << version;
        EXPECT_GE(std::stod(figures[4]), std::stod(figures[3])) << version;
        clickIndicator(connectBox(panel));
        tracker::holdStream(false);
    }
}

#ifdef ORVANE_WITH_SIMULATOR
// The same road over the network: the SDK stand-in receives from the simulator on loopback.
TEST_F(Plugin, StreamsFromTheSimulatorOverTheNetwork) {
    orvane::tracker::sim::ServerOptions serverOptions;
    serverOptions.performers = 2;
    serverOptions.rateHz = 240;
    orvane::tracker::sim::TrackerServer server(serverOptions);
    server.start();
    ASSERT_EQ(server.address().compare(0, 10, "127.0.0.1:"), 0);
    tracker::useNetworkSource(server.address());
    load();
    QWidget* panel = openPanel();
    ASSERT_NE(panel, nullptr);
    QCheckBox* box = connectBox(panel);
    clickIndicator(box);
    ASSERT_EQ(box->text(), "Online");
    ASSERT_TRUE(spinUntil([] { return tracker::deliveredFrames() > 60; }));
    tracker::holdStream(true);
    const long long last = tracker::lastDeliveredFrameNumber();
    const tracker::FrameSample truth = server.frameAt(last);
    const tracker::SceneDef& scene = server.scene();
    const std::string first = host::legalNodeName(scene.subjects[0].markerNames[0]);
    ASSERT_TRUE(spinUntil([&] { return std::fabs(world(first).x - truth.subjects[0].markers[0].x * 0.1) < kCm; }));
    for (std::size_t s = 0; s < scene.subjects.size(); ++s) {
        for (std::size_t j = 0; j < scene.subjects[s].markerNames.size(); ++j) {
            const MVector got = world(host::legalNodeName(scene.subjects[s].markerNames[j]));
            EXPECT_NEAR(got.y, truth.subjects[s].markers[j].y * 0.1, kCm) << scene.subjects[s].markerNames[j];
        }
        for (std::size_t k = 0; k < scene.subjects[s].bones.size(); ++k) {
            const MVector got = world(host::legalNodeName(scene.subjects[s].bones[k].name));
            EXPECT_NEAR(got.y, truth.subjects[s].bones[k].worldPosition.y * 0.1, kCm)
                << scene.subjects[s].bones[k].name;
        }
    }
    clickIndicator(box);
    EXPECT_EQ(box->text(), "Offline");
    server.stop();
}
#endif

TEST_F(Plugin, FailedConnectionShowsTheErrorBoxAndCreatesNoNode) {
    load();
    QWidget* panel = openPanel();
    ASSERT_NE(panel, nullptr);
    tracker::failNextCall("initClient", "initClient: no answer from 127.0.0.1:7001");
    QString title;
    std::function<void()> poll = [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            title = box->windowTitle();
            box->done(QMessageBox::Ok);
        } else {
            QTimer::singleShot(5, poll);
        }
    };
    QTimer::singleShot(0, poll);
    clickIndicator(connectBox(panel));
    EXPECT_EQ(title, "Init Client");
    EXPECT_EQ(connectBox(panel)->text(), "Offline");
    EXPECT_EQ(host::dagNodeCount(), 8u);  // the new scene's default cameras alone
}

// The user closes the control while unticking waits for a slow stopClient: the UI thread processes
// events during that wait, so the host deletes the panel there, under the waiting call. The panel may go
// only once its connection is stopped and released, once, and nothing may touch it afterwards
// (AddressSanitizer reports any such access).
TEST_F(Plugin, ControlClosedDuringTheDisconnectionWait) {
    load();
    QWidget* panel = openPanel();
    ASSERT_NE(panel, nullptr);
    QCheckBox* box = connectBox(panel);
    clickIndicator(box);
    ASSERT_EQ(box->text(), "Online");
    ASSERT_TRUE(spinUntil([] { return tracker::deliveredFrames() > 5; }));

    bool clickReturned = false, destroyedDuringWait = false;
    tracker::ClientStatus atDestruction;
    QObject::connect(panel, &QObject::destroyed, [&] {
        destroyedDuringWait = !clickReturned;
        atDestruction = tracker::clientStatus();
    });
    tracker::slowNextStop(1000);
    QTimer::singleShot(0, [] { host::userCloseControl(kControl); });  // runs at the wait's first event pass
    clickIndicator(box);
    clickReturned = true;

    ASSERT_TRUE(destroyedDuringWait);
    EXPECT_EQ(atDestruction.stopCalls, 1);
    EXPECT_EQ(atDestruction.releaseCalls, 1) << "the panel went before its connection was released";
    EXPECT_FALSE(atDestruction.exists);
    const tracker::ClientStatus after = tracker::clientStatus();
    EXPECT_EQ(after.stopCalls, 1);
    EXPECT_EQ(after.releaseCalls, 1);
    EXPECT_FALSE(host::controlInfo(kControl).exists);
    EXPECT_FALSE(COrvaneSDKClientManager::instance()->isConnected());
}

// A connection the SDK lost on its own shows only at the next click. Unticking then stops and releases
// the client, once, so the next connection starts from a fresh one; a lost connection is ended the same
// way when the module unloads (its control closes and the panel goes), and no handler stays behind.
TEST_F(Plugin, ConnectionLostByTheSdkIsEndedByUntickingAndByUnloading) {
    load();
    QWidget* panel = openPanel();
    ASSERT_NE(panel, nullptr);
    QCheckBox* box = connectBox(panel);
    clickIndicator(box);
    ASSERT_EQ(box->text(), "Online");
    tracker::loseConnection();
    ASSERT_TRUE(spinUntil([] { return !COrvaneSDKClientManager::instance()->isConnected(); }));
    EXPECT_EQ(box->text(), "Online");

    clickIndicator(box);
    EXPECT_EQ(box->text(), "Offline");
    tracker::ClientStatus status = tracker::clientStatus();
    EXPECT_FALSE(status.exists) << "the lost client was left to the SDK";
    EXPECT_EQ(status.stopCalls, 1);
    EXPECT_EQ(status.releaseCalls, 1);

    clickIndicator(box);
    ASSERT_EQ(box->text(), "Online");
    ASSERT_TRUE(spinUntil([] { return tracker::deliveredFrames() > 5; })) << "the fresh client streams";
    tracker::loseConnection();
    ASSERT_TRUE(spinUntil([] { return !COrvaneSDKClientManager::instance()->isConnected(); }));
    ASSERT_TRUE(host::unloadPlugin("workspaceControlCmd"));
    status = tracker::clientStatus();
    EXPECT_FALSE(status.exists);
    EXPECT_EQ(status.createCalls, 2);
    EXPECT_EQ(status.stopCalls, 2);
    EXPECT_EQ(status.releaseCalls, 2);
    EXPECT_FALSE(status.dataHandlerV1 || status.msgCallbackV1 || status.dataHandlerV2 || status.msgCallbackV2);
}

// Nothing the module registers with Qt's meta-type system may outlive it: a type it registered keeps its
// construction and destruction functions in the module's code, which QMetaType::create would call after the
// module is gone (or reloaded at another address). The frame pointers cross threads as plain pointers.
TEST_F(Plugin, NoMetaTypeOfTheModuleOutlivesIt) {
    for (int versionIndex : {1, 0}) {
        load();
        QWidget* panel = openPanel();
        ASSERT_NE(panel, nullptr);
        panel->findChild<QComboBox*>("comboBoxSDKVersion")->setCurrentIndex(versionIndex);
        clickIndicator(connectBox(panel));
        ASSERT_EQ(connectBox(panel)->text(), "Online");
        ASSERT_TRUE(spinUntil([] { return tracker::deliveredFrames() > 30; }));
        ASSERT_TRUE(host::unloadPlugin("workspaceControlCmd"));
    }
    for (const char* name : {"sFrameOfMocapData*", "sFrameOfData*"})
        EXPECT_EQ(QMetaType::type(name), QMetaType::UnknownType) << name << " is still registered by the module";
}

// Unloading while connected and streaming: the control closes, the panel disconnects, both
// registrations go, no frame copy is left behind.
TEST_F(Plugin, UnloadWhileStreamingClosesEverything) {
    tracker::SyntheticOptions options;
    options.rateHz = 500;
    options.performers = 3;
    tracker::useSyntheticSource(options);
    load();
    QWidget* panel = openPanel();
    ASSERT_NE(panel, nullptr);
    clickIndicator(connectBox(panel));
    ASSERT_EQ(connectBox(panel)->text(), "Online");
    ASSERT_TRUE(spinUntil([] { return tracker::deliveredFrames() > 100; }));

    QPointer<QWidget> watched(panel);
    ASSERT_TRUE(host::unloadPlugin("workspaceControlCmd"));
    EXPECT_TRUE(watched.isNull());
    EXPECT_FALSE(host::controlInfo(kControl).exists);
    EXPECT_FALSE(COrvaneSDKClientManager::instance()->isConnected());
    EXPECT_FALSE(host::isCommandRegistered("OrvanePluginWindow"));
    EXPECT_FALSE(host::isNodeTypeRegistered("MarkerTransform"));
    EXPECT_EQ(tracker::liveFrameCopies(), 0);
    EXPECT_GT(host::dagNodeCount(), 0u);  // the scene keeps its nodes
}

// What a scene change leaves for the checks that follow it: the nodes that must be gone, and how many DAG
// nodes the scene must hold (none created or lost by the plug-in).
struct AfterChange {
    std::set<std::string> gone;
    std::size_t nodes;
};

// A node and every node below it in the scene.
std::set<std::string> nodeAndBelow(const std::string& name) {
    std::vector<std::string> below;
    EXPECT_TRUE(host::executeList("listRelatives -ad " + name, &below));
    below.push_back(name);
    return std::set<std::string>(below.begin(), below.end());
}

void streamOn(long long frames) {
    const long long from = tracker::deliveredFrames();
    ASSERT_TRUE(spinUntil([&] { return tracker::deliveredFrames() > from + frames; }));
}

struct SceneChangeRow {
    const char* what;
    // Runs while the panel streams; fills in what the scene must look like afterwards.
    std::function<void(AfterChange& after, bool version1)> change;
    bool unloads;  // the module is unloaded as part of the change
};

const SceneChangeRow kSceneChangeRows[] = {
    {"New Scene", [](AfterChange&, bool) { ASSERT_TRUE(host::execute("file -force -new")) << host::logText(); }, false},
    {"Open Scene of a saved file that holds the performers",
     [](AfterChange& after, bool) {
         QTemporaryDir dir;
         ASSERT_TRUE(dir.isValid());
         const std::string file = dir.filePath("performers.ma").toStdString();
         ASSERT_TRUE(host::execute("file -rename \"" + file + "\"")) << host::logText();
         ASSERT_TRUE(host::execute("file -save")) << host::logText();
         after.nodes = host::dagNodeCount();
         streamOn(10);  // the saved poses are left behind
         ASSERT_TRUE(host::execute("file -force -open \"" + file + "\"")) << host::logText();
     },
     false},
    {"Delete a bone, then undo",
     [](AfterChange&, bool version1) {
         const std::string bone = host::legalNodeName(tracker::currentScene().subjects[0].bones[2].name);
         const std::set<std::string> deleted = nodeAndBelow(bone);
         ASSERT_TRUE(host::execute("delete " + bone));
         streamOn(10);
         tracker::holdStream(true);
         ASSERT_TRUE(lastFrameApplied(version1, 1));
         expectSceneMatchesSource(version1, deleted);  // skipped, the rest driven
         tracker::holdStream(false);
         ASSERT_TRUE(host::execute("undo")) << host::logText();
     },
     false},
    {"Delete the marker set's group, for good",
     [](AfterChange& after, bool) {
         const std::string group = host::legalNodeName(tracker::currentScene().subjects[0].name);
         after.gone = nodeAndBelow(group);
         ASSERT_TRUE(host::execute("delete " + group));
         ASSERT_TRUE(host::execute("flushUndo"));  // the deleted nodes are destroyed: their handles are dead
         after.nodes = host::dagNodeCount();
     },
     false},
    {"Unload right after a scene change",
     [](AfterChange&, bool) {
         ASSERT_TRUE(host::execute("file -force -new")) << host::logText();
         ASSERT_TRUE(host::unloadPlugin("workspaceControlCmd")) << host::logText();
     },
     true},
};

// New Scene, Open Scene and deletions while the docked panel streams: the panel stays connected, never touches
// a node that is gone, drives the new scene's nodes (found by name, created when missing) and lists the same
// groups in its table.
// Any use of a destroyed node's MObject stops the process; a callback left behind fails the unload.
void runSceneChangesWhileStreaming(bool version1) {
    tracker::SyntheticOptions options;
    options.performers = 2;
    options.rateHz = 240;
    for (const SceneChangeRow& row : kSceneChangeRows) {
        SCOPED_TRACE(row.what);
        tracker::resetForTests();
        tracker::useSyntheticSource(options);
        ASSERT_TRUE(host::execute("file -force -new"));
        host::clearLog();
        ASSERT_TRUE(host::loadPlugin(ORVANE_PLUGIN_PATH)) << host::logText();
        ASSERT_TRUE(host::execute("OrvanePluginWindow"));
        QWidget* panel = panelIn(host::controlInfo(kControl).layout);
        ASSERT_NE(panel, nullptr);
        const QPointer<QWidget> watched(panel);
        if (version1) {
            panel->findChild<QComboBox*>("comboBoxSDKVersion")->setCurrentIndex(0);
            clickIndicator(panel->findChild<QCheckBox*>("checkBoxSmooth"));
        }
        QCheckBox* box = panel->findChild<QCheckBox*>("checkboxConnect");
        clickIndicator(box);
        ASSERT_EQ(box->text(), "Online");
        const int rows = panel->findChild<QTableWidget*>("tableWidget")->rowCount();
        AfterChange after{{}, host::dagNodeCount()};
        streamOn(20);

        row.change(after, version1);
        if (testing::Test::HasFatalFailure()) return;
        if (row.unloads) {
            EXPECT_TRUE(watched.isNull());
            EXPECT_FALSE(COrvaneSDKClientManager::instance()->isConnected());
            EXPECT_FALSE(hasLine("// Error: ")) << host::logText();
            continue;
        }
        EXPECT_EQ(box->text(), "Online");
        EXPECT_EQ(panel->findChild<QTableWidget*>("tableWidget")->rowCount(), rows) << "the table's groups changed";
        streamOn(20);
        tracker::holdStream(true);
        ASSERT_TRUE(lastFrameApplied(version1, 1));
        expectSceneMatchesSource(version1, after.gone);
        EXPECT_EQ(host::dagNodeCount(), after.nodes);
        EXPECT_FALSE(hasLine("// Error: ")) << host::logText();
        tracker::holdStream(false);
        ASSERT_TRUE(host::unloadPlugin("workspaceControlCmd")) << host::logText();
    }
}

TEST_F(Plugin, SceneChangesWhileStreamingVersion2) { runSceneChangesWhileStreaming(false); }

TEST_F(Plugin, SceneChangesWhileStreamingVersion1) { runSceneChangesWhileStreaming(true); }

}  // namespace
