// Frames take at most half the UI thread, whatever one costs. The stand-in host's write cost makes one frame's
// application cost about 10 ms, and the synthetic performers stream at 360 Hz (a frame every 2.8 ms): the UI
// thread must still spend at least half its time outside the panel's frame slots, timed from outside by the
// test's application object. Version 2 then shows the newest frame; version 1 skips frames without the SDK's
// thread waiting for them, while smoothing still sees every frame. Everything checked is a count or a share,
// both of which a slower machine only makes easier; the waits are bounded polls.

#include <QtWidgets/QCheckBox>
#include <QtWidgets/QComboBox>

#include <cmath>
#include <map>
#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include <maya/MDagPath.h>
#include <maya/MFnDagNode.h>
#include <maya/MFnTransform.h>
#include <maya/MVector.h>
#include <mayastandin/Host.h>

#include "FrameQueue.h"
#include "PanelTestSupport.h"
#include "QPluginPanel.h"
#include "orvane/tracker/Control.h"

namespace {

using namespace panelsupport;
namespace tracker = orvane::tracker;

const double kRateHz = 360;
const double kApplyCostUs = 10000;
const int kMeasuredMs = 2000;

MVector worldPosition(const MObject& node) {
    MDagPath path;
    MFnDagNode(node).getPath(path);
    return MFnTransform(path).getTranslation(MSpace::kWorld);
}

// The probe marker as the stand-in's delivery log names it: the first marker of the first subject with markers.
MObject probeNode() {
    const tracker::SceneDef scene = tracker::currentScene();
    for (const tracker::SubjectDef& subject : scene.subjects)
        if (!subject.markerNames.empty())
            return mayastandin::findNode(mayastandin::legalNodeName(subject.markerNames.front()));
    return MObject();
}

class UiBudget : public testing::Test {
protected:
    void SetUp() override {
        app();
        tracker::resetForTests();
        mayastandin::resetScene();
        mayastandin::clearLog();
        tracker::SyntheticOptions options;
        options.rateHz = kRateHz;
        tracker::useSyntheticSource(options);
        panel.reset(new QPluginPanel());
        panel->show();
    }
    void TearDown() override {
        mayastandin::setTransformWriteListener(nullptr);
        mayastandin::setWriteCostMicroseconds(0);
        panel.reset();
        tracker::resetForTests();
        EXPECT_EQ(orvane::liveFrameCopyCount(), 0);
    }

    // Connects with the version's protocol (version 1 smoothed), then makes one frame's writes cost 10 ms.
    void connectAtTenMillisecondsAFrame(int version) {
        const QPluginPanelUi& ui = panel->form();
        ui.comboBoxSDKVersion->setCurrentIndex(version == 1 ? 0 : 1);
        if (version == 1) clickIndicator(ui.checkBoxSmooth);
        clickIndicator(ui.checkboxConnect);
        ASSERT_TRUE(spinUntil([&] { return app().calls().size() > 30; })) << mayastandin::logText();
        // Writes per frame, counted over frames applied at no cost.
        const std::size_t calls = app().calls().size();
        const std::uint64_t writes = mayastandin::transformWrites();
        ASSERT_TRUE(spinUntil([&] { return app().calls().size() >= calls + 30; }));
        const double perFrame = static_cast<double>(mayastandin::transformWrites() - writes) /
                                static_cast<double>(app().calls().size() - calls);
        ASSERT_GT(perFrame, 10.0);
        mayastandin::setWriteCostMicroseconds(kApplyCostUs / perFrame);
        spinFor(300);  // the budget learns the new cost
        app().clearCalls();
    }

    struct Window {
        double slotShare;  // of the UI thread's time, in the panel's frame slots
        long long calls, delivered;
    };
    Window measure() {
        const qint64 start = app().nowNs();
        const long long delivered = tracker::deliveredFrames();
        spinFor(kMeasuredMs);
        const qint64 end = app().nowNs();
        Window w{0, 0, tracker::deliveredFrames() - delivered};
        qint64 inSlots = 0;
        for (const SlotClockApplication::Call& call : app().calls()) {
            if (call.startNs < start || call.endNs > end) continue;
            inSlots += call.endNs - call.startNs;
            ++w.calls;
        }
        w.slotShare = static_cast<double>(inSlots) / static_cast<double>(end - start);
        return w;
    }

    std::unique_ptr<QPluginPanel> panel;
};

TEST_F(UiBudget, Version2AtTenMillisecondsAFrameLeavesHalfTheUiThreadAndShowsTheNewestFrame) {
    connectAtTenMillisecondsAFrame(2);
    const Window w = measure();
    EXPECT_LE(w.slotShare, 0.5) << w.calls << " frame slots";
    EXPECT_GT(w.calls, 10);
    EXPECT_GT(w.delivered, 2 * w.calls);  // the newest frame wins over a backlog

    // Held, the stream's last frame reaches the scene: a frame held back by the budget is handed on later.
    tracker::holdStream(true);
    ASSERT_TRUE(spinUntil(streamSettled));
    const tracker::DeliveryRecord last = tracker::recentDeliveries(1).back();
    const MObject probe = probeNode();
    ASSERT_FALSE(probe.isNull());
    const auto showsLast = [&] {
        const MVector p = worldPosition(probe);
        return std::fabs(p.x - last.probe[0] * 0.1f) < 1e-3 && std::fabs(p.y - last.probe[1] * 0.1f) < 1e-3 &&
               std::fabs(p.z - last.probe[2] * 0.1f) < 1e-3;
    };
    EXPECT_TRUE(spinUntil(showsLast, 5000)) << "frame " << last.frameNumber;
}

TEST_F(UiBudget, Version1AtTenMillisecondsAFrameSkipsWithoutWaitingAndSmoothsEveryFrame) {
    // The position the probe locator showed during each application, by the frame being applied.
    std::map<long long, MVector> shown;
    MObject probe;
    mayastandin::setTransformWriteListener([&](const MObject& node) {
        tracker::DeliveryRecord running;
        if (probe.isNull() || !(node == probe) || !tracker::deliveryInProgress(&running)) return;
        shown[running.frameNumber] = worldPosition(node);
    });
    connectAtTenMillisecondsAFrame(1);
    probe = probeNode();
    ASSERT_FALSE(probe.isNull());
    const Window w = measure();
    tracker::holdStream(true);
    ASSERT_TRUE(spinUntil(streamSettled));

    // The SDK's thread waits for the applications alone, which take at most half the time, and not at all for
    // the frames it skips: it delivers several for each one applied.
    EXPECT_LE(w.slotShare, 0.5) << w.calls << " frame slots";
    EXPECT_GT(w.calls, 10);
    EXPECT_GT(w.delivered, 2 * w.calls);

    // Every frame shown is the mean of the raw points of the last 7 frames delivered (the smoothing window),
    // skipped ones included: a history with gaps would give another mean.
    std::map<long long, tracker::DeliveryRecord> raw;
    for (const tracker::DeliveryRecord& r : tracker::recentDeliveries()) raw[r.frameNumber] = r;
    ASSERT_FALSE(raw.empty());
    const long long first = raw.begin()->first;
    int checked = 0;
    for (const auto& frame : shown) {
        if (frame.first < first + 6) continue;  // the window still holds points from before this connection
        double mean[3] = {0, 0, 0};
        for (long long n = frame.first - 6; n <= frame.first; ++n) {
            ASSERT_EQ(raw.count(n), 1u) << "frame " << n << " not in the delivery log";
            for (int k = 0; k < 3; ++k) mean[k] += raw[n].probe[k] / 7.0;
        }
        const double got[3] = {frame.second.x, frame.second.y, frame.second.z};
        for (int k = 0; k < 3; ++k) ASSERT_NEAR(got[k], mean[k] * 0.1, 1e-3) << "frame " << frame.first;
        ++checked;
    }
    EXPECT_GT(checked, 10);
    EXPECT_LT(static_cast<long long>(shown.size()), static_cast<long long>(raw.size()) / 2);
}

}  // namespace
