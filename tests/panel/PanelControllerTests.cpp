// The panel as a user drives it, on the stand-in SDK's synthetic performers and the stand-in host's
// scene: initial state, settings, connect by a real click, frames applied against the source's ground
// truth, disconnect, reconnect, failure paths and teardown. Waits are bounded polls; nothing is timed.

#include <QtCore/QElapsedTimer>
#include <QtCore/QMetaMethod>
#include <QtCore/QPointer>
#include <QtCore/QTimer>
#include <QtTest/QTest>
#include <QtWidgets/QCheckBox>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QRadioButton>

#include <atomic>
#include <functional>
#include <cmath>
#include <cstring>
#include <thread>
#include <memory>

#include <gtest/gtest.h>

#include <maya/MDagPath.h>
#include <maya/MFnDagNode.h>
#include <maya/MFnTransform.h>
#include <maya/MObjectHandle.h>
#include <maya/MQuaternion.h>
#include <mayastandin/Host.h>

#include "FrameQueue.h"
#include "HangRescue.h"
#include "OrvanePluginSDK.h"
#include "OrvaneSubject.h"
#include "PanelTestSupport.h"
#include "QMarkerTableWidget.h"
#include "QPluginPanel.h"
#include "SdkCallbacks.h"
#include "orvane/tracker/Control.h"

namespace {

using namespace panelsupport;
namespace tracker = orvane::tracker;

COrvaneSDKClientManager* sdk() { return COrvaneSDKClientManager::instance(); }

class PanelController : public testing::Test {
protected:
    void SetUp() override {
        app();
        tracker::resetForTests();
        mayastandin::resetScene();
        mayastandin::clearLog();
        panel.reset(new QPluginPanel());
        panel->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(panel.get()));
    }
    void TearDown() override {
        panel.reset();
        tracker::resetForTests();
        EXPECT_EQ(orvane::liveFrameCopyCount(), 0);
        EXPECT_EQ(tracker::liveFrameCopies(), 0);
    }

    const QPluginPanelUi& ui() const { return panel->form(); }
    void click(QAbstractButton* button) { clickIndicator(button); }
    void clickConnect() { click(ui().checkboxConnect); }

    // Holds the stream and lets every frame already on its way reach the scene. A frame counted before the
    // hold may still be on its way to the SDK's handler: the queue is looked at once the stream has settled.
    long long drain() {
        tracker::holdStream(true);
        UIThread* refresh = panel->findChild<UIThread*>();
        EXPECT_TRUE(spinUntil([&] {
            if (!streamSettled()) return false;
            orvane::FrameQueueLocker lock;
            return frameQueue.isEmpty() && refresh->inFlightCount() == 0;
        }));
        QCoreApplication::processEvents();
        return tracker::lastDeliveredFrameNumber();
    }

    std::unique_ptr<QPluginPanel> panel;
};

MVector world(const MObjectHandle& handle) {
    MObject node = handle.object();
    MDagPath path;
    MFnDagNode(node).getPath(path);
    return MFnTransform(path).getTranslation(MSpace::kWorld);
}

MQuaternion worldRotation(const MObjectHandle& handle) {
    MObject node = handle.object();
    MDagPath path;
    MFnDagNode(node).getPath(path);
    MQuaternion q;
    MFnTransform(path).getRotation(q, MSpace::kWorld);
    return q;
}

bool isVisible(const MObjectHandle& handle) {
    MObject node = handle.object();
    MDagPath path;
    MFnDagNode(node).getPath(path);
    return path.isVisible();
}

// Positions arrive as floats in millimetres and are scaled by the single-precision 0.1: within 1e-3 cm.
const double kCm = 1e-3;

TEST_F(PanelController, NewPanelShowsTheDefaults) {
    EXPECT_EQ(ui().checkboxConnect->text(), "Offline");
    EXPECT_FALSE(ui().checkboxConnect->isChecked());
    EXPECT_EQ(ui().comboBoxSDKVersion->currentText(), "V2.0");
    EXPECT_TRUE(ui().radioUnicast->isChecked());
    EXPECT_FALSE(ui().radioMulticast->isChecked());
    EXPECT_FALSE(ui().checkBoxSmooth->isChecked());
    EXPECT_FALSE(ui().checkBoxSmooth->isEnabled());
    EXPECT_EQ(ui().tableWidget->rowCount(), 0);
    EXPECT_EQ(sdk()->getVersion(), SDKVER_V2);
    EXPECT_EQ(sdk()->getConnectionType(), ConnectionType_Unicast);  // agrees with the checked radio
    EXPECT_FALSE(sdk()->getSmoothEnabled());
    EXPECT_STREQ(panel->metaObject()->className(), "QPluginPanel");
    EXPECT_EQ(panel->qt_metacast("OrvaneObserver"), static_cast<void*>(static_cast<OrvaneObserver*>(panel.get())));
}

TEST_F(PanelController, FindOrCreateNodeReusesOnlyANodeOfTheKindWanted) {
    ASSERT_TRUE(mayastandin::execute("createNode joint -n Hips; createNode joint -n LFHD"));
    EXPECT_TRUE(panel->findOrCreateNode("Hips", "joint") == mayastandin::findNode("Hips"));
    EXPECT_FALSE(panel->findOrCreateNode("LFHD", "locator") == mayastandin::findNode("LFHD"));
}

TEST_F(PanelController, VersionAndConnectionTypeFollowTheWidgets) {
    ui().comboBoxSDKVersion->setCurrentIndex(0);
    EXPECT_EQ(sdk()->getVersion(), SDKVER_V1);
    EXPECT_TRUE(ui().checkBoxSmooth->isEnabled());
    click(ui().checkBoxSmooth);
    EXPECT_TRUE(sdk()->getSmoothEnabled());
    ui().comboBoxSDKVersion->setCurrentIndex(1);
    EXPECT_EQ(sdk()->getVersion(), SDKVER_V2);
    EXPECT_FALSE(ui().checkBoxSmooth->isEnabled());
    EXPECT_TRUE(ui().checkBoxSmooth->isChecked());  // kept, like the SDK's flag
    EXPECT_TRUE(sdk()->getSmoothEnabled());

    click(ui().radioMulticast);
    EXPECT_EQ(sdk()->getConnectionType(), ConnectionType_Multicast);
    EXPECT_FALSE(ui().radioUnicast->isChecked());
    click(ui().radioUnicast);
    EXPECT_EQ(sdk()->getConnectionType(), ConnectionType_Unicast);
    sdk()->setConnectionType(ConnectionType_Multicast);
    click(ui().radioUnicast);  // already checked: still sets unicast
    EXPECT_EQ(sdk()->getConnectionType(), ConnectionType_Unicast);
}

// Version 2: a real click connects, the scene is built, frames move every locator and joint to the
// source's ground truth times 0.1, untracked bones are hidden; unticking keeps the nodes and a
// reconnection creates none.
TEST_F(PanelController, Version2StreamsGroundTruthIntoTheScene) {
    tracker::SyntheticOptions options;
    options.performers = 2;
    options.rawNames = true;
    options.boneDropout = 0.3;
    options.rateHz = 240;
    tracker::useSyntheticSource(options);

    clickConnect();
    ASSERT_EQ(ui().checkboxConnect->text(), "Online");
    EXPECT_TRUE(ui().checkboxConnect->isChecked());
    EXPECT_FALSE(ui().comboBoxSDKVersion->isEnabled());
    EXPECT_FALSE(ui().radioUnicast->isEnabled());
    EXPECT_FALSE(ui().checkBoxSmooth->isEnabled());

    const tracker::SceneDef scene = tracker::currentScene();
    ASSERT_EQ(panel->markerNodes().size(), scene.subjects.size());
    ASSERT_EQ(panel->jointNodes().size(), scene.subjects.size());
    const std::size_t nodes = mayastandin::dagNodeCount();
    // Bound again while connected (as for a new scene): the same nodes and rows, and the frames still arrive.
    const int rows = ui().tableWidget->rowCount();
    panel->buildSceneFromDescriptions();
    EXPECT_EQ(ui().tableWidget->rowCount(), rows);
    EXPECT_EQ(mayastandin::dagNodeCount(), nodes);
    ASSERT_EQ(panel->markerNodes().size(), scene.subjects.size());

    ASSERT_TRUE(spinUntil([] { return tracker::deliveredFrames() > 60; }));
    const long long last = drain();
    const tracker::FrameSample truth = tracker::groundTruth(last);
    int hidden = 0;
    for (std::size_t s = 0; s < scene.subjects.size(); ++s) {
        const auto& markers = panel->markerNodes()[s];
        ASSERT_EQ(markers.size(), scene.subjects[s].markerNames.size());
        for (std::size_t j = 0; j < markers.size(); ++j) {
            const tracker::Vec3 p = truth.subjects[s].markerSeen[j] ? truth.subjects[s].markers[j] : tracker::Vec3();
            const MVector got = world(markers[j]);
            EXPECT_NEAR(got.x, p.x * 0.1, kCm) << "subject " << s << " marker " << j;
            EXPECT_NEAR(got.y, p.y * 0.1, kCm);
            EXPECT_NEAR(got.z, p.z * 0.1, kCm);
        }
        const auto& joints = panel->jointNodes()[s];
        for (std::size_t k = 0; k < joints.size(); ++k) {
            const tracker::BonePose& bone = truth.subjects[s].bones[k];
            // Shown exactly when the bone and every bone above it (but the always-shown root) is tracked.
            bool shown = true;
            for (int b = static_cast<int>(k); b > 0; b = scene.subjects[s].bones[b].parent)
                shown = shown && truth.subjects[s].bones[b].tracked;
            EXPECT_EQ(isVisible(joints[k]), shown) << "subject " << s << " bone " << k;
            if (!bone.tracked && k != 0) {
                ++hidden;
                continue;
            }
            const MVector got = world(joints[k]);
            EXPECT_NEAR(got.x, bone.worldPosition.x * 0.1, kCm) << "subject " << s << " bone " << k;
            EXPECT_NEAR(got.y, bone.worldPosition.y * 0.1, kCm);
            EXPECT_NEAR(got.z, bone.worldPosition.z * 0.1, kCm);
            const MQuaternion q = worldRotation(joints[k]);
            const tracker::Quat& t = bone.worldOrientation;
            EXPECT_NEAR(std::fabs(q.x * t.x + q.y * t.y + q.z * t.z + q.w * t.w), 1.0, 1e-5) << "bone " << k;
        }
    }
    EXPECT_GT(hidden, 0) << "the dropout should leave some bone untracked in this frame";

    clickConnect();  // untick
    EXPECT_EQ(ui().checkboxConnect->text(), "Offline");
    EXPECT_TRUE(panel->markerNodes().empty());
    EXPECT_TRUE(panel->jointNodes().empty());
    EXPECT_EQ(ui().tableWidget->rowCount(), 0);
    EXPECT_EQ(mayastandin::dagNodeCount(), nodes);
    EXPECT_FALSE(sdk()->isConnected());

    tracker::holdStream(false);
    clickConnect();
    ASSERT_EQ(ui().checkboxConnect->text(), "Online");
    EXPECT_EQ(mayastandin::dagNodeCount(), nodes);  // every node reused
    clickConnect();
}

// Version 1 with smoothing: each locator is the mean of its marker's last seven positions, each joint
// follows the segments' parent-relative poses.
TEST_F(PanelController, Version1WithSmoothingStreamsIntoTheScene) {
    ui().comboBoxSDKVersion->setCurrentIndex(0);
    click(ui().checkBoxSmooth);
    ASSERT_TRUE(sdk()->getSmoothEnabled());
    clickConnect();
    ASSERT_EQ(ui().checkboxConnect->text(), "Online");
    ASSERT_TRUE(spinUntil([] { return tracker::deliveredFrames() > 30; }));
    const long long last = drain();

    const tracker::SceneDef scene = tracker::currentScene();
    const auto& markers = panel->markerNodes()[0];
    ASSERT_EQ(markers.size(), scene.subjects[0].markerNames.size());
    for (std::size_t j = 0; j < markers.size(); ++j) {
        double mean[3] = {0, 0, 0};
        for (long long n = last - 6; n <= last; ++n) {
            const tracker::Vec3 p = tracker::groundTruth(n).subjects[0].markers[j];
            mean[0] += float(p.x), mean[1] += float(p.y), mean[2] += float(p.z);
        }
        const MVector got = world(markers[j]);
        EXPECT_NEAR(got.x, mean[0] / 7 * 0.1, kCm) << "marker " << j;
        EXPECT_NEAR(got.y, mean[1] / 7 * 0.1, kCm);
        EXPECT_NEAR(got.z, mean[2] / 7 * 0.1, kCm);
    }
    const tracker::FrameSample truth = tracker::groundTruth(last);
    const auto& joints = panel->jointNodes()[0];
    ASSERT_EQ(joints.size(), truth.subjects[0].bones.size());
    for (std::size_t k = 0; k < joints.size(); ++k) {
        const MVector got = world(joints[k]);
        const tracker::Vec3& p = truth.subjects[0].bones[k].worldPosition;
        EXPECT_NEAR(got.x, p.x * 0.1, 1e-2) << "bone " << k;  // doubles composed down the chain
        EXPECT_NEAR(got.y, p.y * 0.1, 1e-2);
        EXPECT_NEAR(got.z, p.z * 0.1, 1e-2);
    }
    clickConnect();  // disconnecting while version 1 frames block the SDK's thread must not deadlock
    EXPECT_EQ(ui().checkboxConnect->text(), "Offline");
}

// A version 1 frame is applied on the UI thread while the SDK's thread waits in onFrameV1: the frame
// stays valid for the whole application and is never read after the SDK has taken it back.
TEST_F(PanelController, Version1DeliveryBlocksTheSdkThreadUntilTheUiThreadApplied) {
    ui().comboBoxSDKVersion->setCurrentIndex(0);
    clickConnect();
    ASSERT_EQ(ui().checkboxConnect->text(), "Online");
    tracker::holdStream(true);
    spinFor(30);  // let a delivery already under way finish
    const tracker::SceneDef scene = tracker::currentScene();
    const MObjectHandle locator = panel->markerNodes()[0][0];

    std::unique_ptr<sFrameOfData> frame(new sFrameOfData());
    float point[3] = {1230, 4560, 7890};
    frame->bodyCount = 1;
    std::strncpy(frame->bodies[0].name, scene.subjects[0].name.c_str(), sizeof frame->bodies[0].name - 1);
    frame->bodies[0].markerCount = 1;
    frame->bodies[0].markers = reinterpret_cast<MarkerData*>(point);

    std::atomic<bool> returned{false};
    std::thread sdkThread([&] {
        static_cast<OrvaneObserver*>(panel.get())->onFrameV1(frame.get());
        returned.store(true);
    });
    // Without the UI thread processing events the SDK's thread cannot get past the emission.
    QThread::msleep(50);
    EXPECT_FALSE(returned.load());
    ASSERT_TRUE(spinUntil([&] { return returned.load(); }));
    sdkThread.join();
    EXPECT_NEAR(world(locator).x, 123.0, kCm);  // applied before the SDK's thread went on
    EXPECT_NEAR(world(locator).z, 789.0, kCm);
    tracker::holdStream(false);
    clickConnect();
}

// Every failing step of a connection takes the same road: its box with the SDK's text, "Offline", no node or row
// built, no registration left, and the client the attempt created released.
TEST_F(PanelController, FailedConnectionStepsShowTheErrorReleaseTheClientAndBuildNothing) {
    const std::size_t nodes = mayastandin::dagNodeCount();
    const struct {
        const char* call;
        const char* title;
        int versionIndex;
    } steps[] = {{"createClient", "Create Client", 1},
                 {"initClient", "Init Client", 1},
                 {"getDataDescriptionsV2", "Data Descriptions", 1},
                 {"getDataDescriptionsV1", "Data Descriptions", 0},
                 {"startClient", "Start Client", 1}};
    for (const auto& step : steps) {
        SCOPED_TRACE(step.call);
        ui().comboBoxSDKVersion->setCurrentIndex(step.versionIndex);
        tracker::failNextCall(step.call, std::string("no server at 127.0.0.1 (") + step.call + ")");
        ModalCatcher catcher;
        catcher.arm();
        clickConnect();
        ASSERT_EQ(catcher.seen, 1);
        EXPECT_EQ(catcher.title, step.title);
        EXPECT_EQ(catcher.text.toStdString(), std::string("no server at 127.0.0.1 (") + step.call + ")");
        EXPECT_EQ(ui().checkboxConnect->text(), "Offline");
        EXPECT_FALSE(ui().checkboxConnect->isChecked());
        EXPECT_EQ(mayastandin::dagNodeCount(), nodes);
        EXPECT_EQ(ui().tableWidget->rowCount(), 0);
        EXPECT_FALSE(tracker::clientStatus().exists) << "the attempt's client was left behind";
        EXPECT_EQ(observerRegistry().count(OrvaneSystem::instance()), 0u);
    }
}

// After a failed createClient or initClient the panel shows "Offline", whatever the SDK reports: here the
// SDK is connected by someone else while the error box is up.
TEST_F(PanelController, FailedCreateOrInitShowsOfflineEvenWhenTheSdkReportsAConnection) {
    for (const char* call : {"createClient", "initClient"}) {
        tracker::failNextCall(call, "refused");
        int boxes = 0;
        std::function<void()> poll = [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box == nullptr) return QTimer::singleShot(5, poll);
            ++boxes;
            sdk()->createClient();
            sdk()->initClient();
            sdk()->startClient();
            box->done(QMessageBox::Ok);
        };
        QTimer::singleShot(0, poll);
        clickConnect();
        ASSERT_EQ(boxes, 1) << call;
        EXPECT_TRUE(sdk()->isConnected()) << call;
        EXPECT_EQ(ui().checkboxConnect->text(), "Offline") << call;
        EXPECT_FALSE(ui().checkboxConnect->isChecked()) << call;
        EXPECT_TRUE(ui().comboBoxSDKVersion->isEnabled()) << call;
        sdk()->stopClient();
        sdk()->releaseClient();
    }
}

// The panel's slots and signals are declared without parameter names, so the meta-object records none.
TEST_F(PanelController, SlotsAndSignalsCarryNoParameterNames) {
    const QMetaObject& meta = QPluginPanel::staticMetaObject;
    int methods = 0;
    for (int i = meta.methodOffset(); i < meta.methodCount(); ++i, ++methods) {
        const QMetaMethod method = meta.method(i);
        for (const QByteArray& name : method.parameterNames())
            EXPECT_TRUE(name.isEmpty()) << method.methodSignature().constData() << " names a parameter "
                                        << name.constData();
    }
    EXPECT_EQ(methods, 9) << "two signals and seven slots";
}

// A connection the SDK loses on its own shows only at the next click, which then ends it.
TEST_F(PanelController, LostConnectionShowsAtTheNextClick) {
    clickConnect();
    ASSERT_EQ(ui().checkboxConnect->text(), "Online");
    tracker::loseConnection();
    ASSERT_TRUE(spinUntil([] { return !sdk()->isConnected(); }));
    spinFor(20);
    EXPECT_EQ(ui().checkboxConnect->text(), "Online");
    clickConnect();
    EXPECT_EQ(ui().checkboxConnect->text(), "Offline");
    EXPECT_TRUE(panel->markerNodes().empty());
    EXPECT_EQ(ui().tableWidget->rowCount(), 0);
    EXPECT_TRUE(panel->findChild<UIThread*>()->isPaused());
}

// A click handled while the disconnection waits for the SDK (the UI thread keeps processing events)
// does nothing: without the guard it would start a connection inside the disconnection.
TEST_F(PanelController, ClickDuringTheDisconnectionWaitIsIgnored) {
    clickConnect();
    ASSERT_EQ(ui().checkboxConnect->text(), "Online");
    ASSERT_TRUE(spinUntil([] { return tracker::deliveredFrames() > 5; }));
    tracker::holdStream(true);
    const long long delivered = tracker::deliveredFrames();  // a new connection would start counting anew
    tracker::slowNextStop(400);
    int clicksDuringWait = 0;
    QTimer::singleShot(150, [&] {
        ++clicksDuringWait;
        click(ui().checkboxConnect);  // the stream has stopped, stopClient has not returned yet
    });
    clickConnect();
    EXPECT_EQ(clicksDuringWait, 1);
    EXPECT_EQ(ui().checkboxConnect->text(), "Offline");
    EXPECT_FALSE(ui().checkboxConnect->isChecked());
    EXPECT_FALSE(sdk()->isConnected());
    EXPECT_EQ(tracker::deliveredFrames(), delivered) << "a connection was started inside the disconnection";
    EXPECT_EQ(observerRegistry().count(OrvaneSystem::instance()), 0u);
    EXPECT_EQ(ui().tableWidget->rowCount(), 0);
}

// An attempt that ends not connected must not leave a registration or a client behind for the next one.
TEST_F(PanelController, RepeatedAttemptsHoldOneRegistration) {
    for (int attempt = 0; attempt < 3; ++attempt) {
        tracker::failNextCall("startClient", "refused");
        ModalCatcher catcher;
        catcher.arm();
        clickConnect();
        EXPECT_EQ(ui().checkboxConnect->text(), "Offline");
        EXPECT_EQ(observerRegistry().count(OrvaneSystem::instance()), 0u);
    }
    clickConnect();
    ASSERT_EQ(ui().checkboxConnect->text(), "Online");
    EXPECT_EQ(observerRegistry().count(OrvaneSystem::instance()), 1u);
    clickConnect();
    EXPECT_EQ(observerRegistry().count(OrvaneSystem::instance()), 0u);
    EXPECT_EQ(tracker::clientStatus().releaseCalls, 4);
}

// Copies of a version 2 session still queued, or already handed to a stalled UI thread, when the panel goes
// not connected must never reach the lists of the next session: applied to a version 1 session's joints,
// their all-zero bones would hide joints that the version 1 path never shows again.
TEST_F(PanelController, FramesOfAnEndedSessionNeverReachTheNextOne) {
    tracker::SyntheticOptions untracked;
    untracked.boneDropout = 1.0;  // every bone but the roots all-zero
    untracked.rateHz = 500;
    tracker::useSyntheticSource(untracked);
    clickConnect();
    ASSERT_EQ(ui().checkboxConnect->text(), "Online");
    ASSERT_TRUE(spinUntil([] { return tracker::deliveredFrames() > 20; }));

    // The UI thread stalls: the refresh thread posts what its budget lets it (both slots for cheap frames, one
    // once the frames' measured cost paces it) and the queue fills behind them.
    UIThread* refresh = panel->findChild<UIThread*>();
    QElapsedTimer stall;
    stall.start();
    while (stall.elapsed() < 10000) {
        orvane::FrameQueueLocker lock;
        if (refresh->inFlightCount() >= 1 && frameQueue.size() > 2) break;
        lock.unlock();
        QThread::msleep(1);
    }
    ASSERT_GE(refresh->inFlightCount(), 1);
    tracker::holdStream(true);
    clickConnect();  // untick
    ASSERT_EQ(ui().checkboxConnect->text(), "Offline");

    // Version 1 with other names: its joints are other nodes than the version 2 session's.
    tracker::SyntheticOptions tracked;
    tracked.rawNames = true;
    tracker::useSyntheticSource(tracked);
    ui().comboBoxSDKVersion->setCurrentIndex(0);
    tracker::holdStream(false);
    clickConnect();
    ASSERT_EQ(ui().checkboxConnect->text(), "Online");
    ASSERT_TRUE(spinUntil([] { return tracker::deliveredFrames() > 10; }));
    spinFor(20);
    ASSERT_FALSE(panel->jointNodes().empty());
    for (const std::vector<MObjectHandle>& joints : panel->jointNodes())
        for (std::size_t k = 0; k < joints.size(); ++k) EXPECT_TRUE(isVisible(joints[k])) << "joint " << k;
    EXPECT_EQ(refresh->inFlightCount(), 0);
    clickConnect();
    EXPECT_EQ(orvane::liveFrameCopyCount(), 0);
    EXPECT_EQ(tracker::liveFrameCopies(), 0);
}

// Destroying a connected, streaming panel disconnects first; no copy outlives it (TearDown counts).
TEST_F(PanelController, DestroyingAConnectedPanelDisconnectsAndReleasesEveryCopy) {
    tracker::SyntheticOptions options;
    options.rateHz = 1000;
    tracker::useSyntheticSource(options);
    clickConnect();
    ASSERT_TRUE(spinUntil([] { return tracker::deliveredFrames() > 100; }));
    panel.reset();
    EXPECT_FALSE(sdk()->isConnected());
    EXPECT_EQ(observerRegistry().count(OrvaneSystem::instance()), 0u);
}

}  // namespace

namespace {

// Runs its function for the first event it receives, inside the event dispatch that delivers it.
class EventRunner : public QObject {
public:
    explicit EventRunner(std::function<void()> run) : run_(std::move(run)) {}
    bool event(QEvent*) override {
        if (run_) run_();
        run_ = nullptr;
        return true;
    }

private:
    std::function<void()> run_;
};

// The host deletes a connected version 1 panel from a posted event (as when the user closes its control: a
// deferred deletion) while the SDK's thread waits on the UI thread with a frame whose event is queued behind.
// The destructor's disconnection must not wait for that frame to be applied: inside the dispatch of posted
// events no nested loop delivers posted events, so it would wait for ever.
TEST_F(PanelController, DeletedFromAPostedEventWhileAVersion1DeliveryWaitsEndsTheConnection) {
    tracker::SyntheticOptions options;
    options.rateHz = 1000;
    tracker::useSyntheticSource(options);
    ui().comboBoxSDKVersion->setCurrentIndex(0);
    clickConnect();
    ASSERT_EQ(ui().checkboxConnect->text(), "Online");
    ASSERT_TRUE(spinUntil([] { return tracker::deliveredFrames() > 10; }));
    QElapsedTimer waited;
    waited.start();
    while (!tracker::deliveryInProgress(nullptr) && waited.elapsed() < 10000) QThread::msleep(1);
    ASSERT_TRUE(tracker::deliveryInProgress(nullptr)) << "no delivery waited for the UI thread";

    const QPointer<QPluginPanel> watched(panel.get());
    QPluginPanel* going = panel.release();
    EventRunner deleter([going] { delete going; });
    // Ahead of the waiting frame's event.
    QCoreApplication::postEvent(&deleter, new QEvent(QEvent::User), Qt::HighEventPriority);
    {
        // A destructor that waits for the frame to be applied would wait for ever: dropping the frame's event
        // from here lets it go on, and the test fails instead of hanging.
        testsupport::HangRescue rescue(20000,
                                       [going] { QCoreApplication::removePostedEvents(going, QEvent::MetaCall); });
        ASSERT_TRUE(spinUntil([&] { return watched.isNull(); }));
        rescue.disarm();
        EXPECT_FALSE(rescue.fired()) << "the destructor waited for the UI thread to apply a version 1 frame";
    }
    EXPECT_FALSE(sdk()->isConnected());
    EXPECT_FALSE(tracker::clientStatus().exists);
    EXPECT_EQ(observerRegistry().count(OrvaneSystem::instance()), 0u);
}

// The panel is deleted while one of its error boxes is up (a timer, a script or the host's own command closes
// its control from inside the box's loop). The box goes with the panel, the flow below the box touches nothing
// of it afterwards, and the client is released all the same. AddressSanitizer reports any access to the freed
// panel or a second deletion of the box.
TEST_F(PanelController, DeletedWhileAnErrorBoxIsUpReleasesEverything) {
    for (const char* call : {"createClient", "initClient", "startClient", "stopClient"}) {
        SCOPED_TRACE(call);
        panel.reset(new QPluginPanel());
        panel->show();
        if (std::string(call) == "stopClient") {
            clickConnect();
            ASSERT_EQ(ui().checkboxConnect->text(), "Online");
        }
        tracker::failNextCall(call, "refused");
        QPointer<QPluginPanel> watched(panel.get());
        QAbstractButton* box = ui().checkboxConnect;
        QPluginPanel* going = panel.release();
        ModalCatcher catcher;
        catcher.onBox = [going](QMessageBox*) { delete going; };
        catcher.arm();
        clickIndicator(box);
        ASSERT_EQ(catcher.seen, 1);
        EXPECT_TRUE(watched.isNull());
        const tracker::ClientStatus status = tracker::clientStatus();
        EXPECT_FALSE(status.exists);
        EXPECT_EQ(status.releaseCalls, call == std::string("createClient") ? 0 : 1);
        EXPECT_EQ(observerRegistry().count(OrvaneSystem::instance()), 0u);
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
        tracker::resetForTests();
    }
}

// stopClient fails while the stream runs. The release still ends the stream without waiting on the SDK's
// thread from the UI thread (a version 1 frame holds that thread until the UI thread applies it), and the
// failure is reported: in a box when the user unticks, as a warning when the panel is being destroyed.
TEST_F(PanelController, AFailedStopIsReportedAndTheReleaseNeverWaitsOnTheUiThread) {
    for (int versionIndex : {0, 1}) {
        for (bool destroy : {false, true}) {
            SCOPED_TRACE(testing::Message() << "version index " << versionIndex << (destroy ? ", destroyed" : ""));
            tracker::resetForTests();
            mayastandin::clearLog();
            tracker::SyntheticOptions options;
            options.rateHz = 1000;
            tracker::useSyntheticSource(options);
            panel.reset(new QPluginPanel());
            panel->show();
            ui().comboBoxSDKVersion->setCurrentIndex(versionIndex);
            clickConnect();
            ASSERT_EQ(ui().checkboxConnect->text(), "Online");
            ASSERT_TRUE(spinUntil([] { return tracker::deliveredFrames() > 10; }));
            if (versionIndex == 0) {
                // A frame waits for this thread, which processes no event until the stop.
                QElapsedTimer waited;
                waited.start();
                while (!tracker::deliveryInProgress(nullptr) && waited.elapsed() < 10000) QThread::msleep(1);
                ASSERT_TRUE(tracker::deliveryInProgress(nullptr));
            }
            tracker::failNextCall("stopClient", "server did not acknowledge");
            testsupport::HangRescue rescue(
                20000, [target = panel.get()] { QCoreApplication::removePostedEvents(target, QEvent::MetaCall); });
            ModalCatcher catcher;
            catcher.arm();
            destroy ? panel.reset() : clickConnect();
            rescue.disarm();
            EXPECT_FALSE(rescue.fired()) << "the release waited on a thread that waited on the UI thread";
            if (destroy) {
                EXPECT_EQ(catcher.seen, 0);
                EXPECT_NE(mayastandin::logText().find("// Warning: Stop Client: server did not acknowledge"),
                          std::string::npos)
                    << mayastandin::logText();
            } else {
                EXPECT_EQ(catcher.seen, 1);
                EXPECT_EQ(catcher.title, "Stop Client");
                EXPECT_EQ(catcher.text, "server did not acknowledge");
                EXPECT_EQ(ui().checkboxConnect->text(), "Offline");
                EXPECT_EQ(observerRegistry().count(OrvaneSystem::instance()), 0u);
            }
            EXPECT_FALSE(tracker::clientStatus().exists);
            EXPECT_FALSE(sdk()->isConnected());
        }
    }
}

// Version 1 smoothing keeps no history across connections: the first frame of a new connection is applied as
// it came, not averaged with the previous connection's last positions (which would put it at 714.3).
TEST_F(PanelController, Version1SmoothingStartsAfreshWithEachConnection) {
    ui().comboBoxSDKVersion->setCurrentIndex(0);
    click(ui().checkBoxSmooth);
    tracker::holdStream(true);  // only the test's frames reach the smoother
    std::unique_ptr<sFrameOfData> frame(new sFrameOfData());
    float point[3] = {0, 0, 0};
    frame->bodyCount = 1;
    const std::string body = tracker::currentScene().subjects[0].name;
    std::strncpy(frame->bodies[0].name, body.c_str(), sizeof frame->bodies[0].name - 1);
    frame->bodies[0].markerCount = 1;
    const auto deliver = [&](float x) {
        point[0] = x;
        frame->bodies[0].markers = reinterpret_cast<MarkerData*>(point);
        std::atomic<bool> returned{false};
        std::thread sdkThread([&] {
            dataHandlerV1(frame.get());
            returned.store(true);
        });
        const bool done = spinUntil([&] { return returned.load(); });
        sdkThread.join();
        return done;
    };
    for (float x : {1000.0f, -1000.0f}) {
        SCOPED_TRACE(x);
        clickConnect();
        ASSERT_EQ(ui().checkboxConnect->text(), "Online");
        const MObjectHandle locator = panel->markerNodes()[0][0];
        for (int n = 0; n < 7; ++n) {
            ASSERT_TRUE(deliver(x));
            EXPECT_NEAR(world(locator).x, x * 0.1, kCm) << "frame " << n;
        }
        clickConnect();
    }
}

}  // namespace
