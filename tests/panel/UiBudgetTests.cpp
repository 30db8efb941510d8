// Frames take at most half the UI thread, whatever one costs: with the host's write cost set so that one frame's
// application costs about 10 ms, and frames coming at 360 Hz, the UI thread still spends at least half its time
// outside the panel's frame slots (timed from outside by the test's application object). Only counts and shares
// are checked, which a slower machine only makes easier to meet; waits are bounded polls.
#include <QtWidgets/QCheckBox>
#include <QtWidgets/QComboBox>

#include <map>
#include <memory>

#include <gtest/gtest.h>

#include <maya/MDagPath.h>
#include <maya/MFnDagNode.h>
#include <maya/MFnTransform.h>
#include <mayastandin/Host.h>

#include "PanelTestSupport.h"
#include "QPluginPanel.h"
#include "orvane/tracker/Control.h"

namespace {

using namespace panelsupport;
namespace tracker = orvane::tracker;

MVector worldPosition(const MObject& node) {
    MDagPath path;
    MFnDagNode(node).getPath(path);
    return MFnTransform(path).getTranslation(MSpace::kWorld);
}

class UiBudget : public testing::Test {
protected:
    void SetUp() override {
        app();
        tracker::resetForTests();
        mayastandin::resetScene();
        tracker::SyntheticOptions options;
        options.rateHz = 360;
        tracker::useSyntheticSource(options);
        panel.reset(new QPluginPanel());
    }
    void TearDown() override {
        mayastandin::setTransformWriteListener(nullptr);
        mayastandin::setWriteCostMicroseconds(0);
        panel.reset();
        tracker::resetForTests();
    }

    // Connects (version 1 smoothed), makes one frame's writes cost 10 ms, then streams for 2 s and holds the
    // stream. The frame slots take at most half that time, and the newest frame wins over a backlog: several
    // frames are delivered for each slot run (in version 1 the SDK's thread never waits for a skipped frame).
    void streamAtTenMillisecondsAFrame(int version) {
        panel->form().comboBoxSDKVersion->setCurrentIndex(version == 1 ? 0 : 1);
        if (version == 1) clickIndicator(panel->form().checkBoxSmooth);
        clickIndicator(panel->form().checkboxConnect);
        std::vector<SlotClockApplication::Call>& calls = app().calls;
        ASSERT_TRUE(spinUntil([&] { return calls.size() > 30; }));
        const std::size_t counted = calls.size();
        const std::uint64_t writes = mayastandin::transformWrites();
        ASSERT_TRUE(spinUntil([&] { return calls.size() >= counted + 30; }));
        const double perFrame = double(mayastandin::transformWrites() - writes) / double(calls.size() - counted);
        mayastandin::setWriteCostMicroseconds(10000 / perFrame);
        spinFor(300);  // the budget learns the cost
        calls.clear();
        const qint64 start = app().nowNs();
        delivered = tracker::deliveredFrames();
        spinFor(2000);
        const qint64 end = app().nowNs();
        delivered = tracker::deliveredFrames() - delivered;
        tracker::holdStream(true);
        ASSERT_TRUE(spinUntil(streamSettled));
        qint64 inSlots = 0;
        for (const SlotClockApplication::Call& call : calls) {
            if (call.startNs < start || call.endNs > end) continue;
            inSlots += call.endNs - call.startNs;
            ++slotCalls;
        }
        EXPECT_LE(double(inSlots) / double(end - start), 0.5) << slotCalls << " frame slots";
        EXPECT_GT(slotCalls, 10);
        EXPECT_GT(delivered, 2 * slotCalls);
    }

    std::unique_ptr<QPluginPanel> panel;
    long long slotCalls = 0, delivered = 0;
};

TEST_F(UiBudget, Version2LeavesHalfTheUiThreadAndShowsTheNewestFrame) {
    streamAtTenMillisecondsAFrame(2);

    // The last frame reaches the scene, though the budget may have held it back.
    const tracker::DeliveryRecord last = tracker::recentDeliveries(1).back();
    const MObject probe =
        mayastandin::findNode(mayastandin::legalNodeName(tracker::currentScene().subjects[0].markerNames[0]));
    EXPECT_TRUE(spinUntil([&] { return (worldPosition(probe) - MVector(last.probe) * 0.1f).length() < 1e-3; }, 5000));
}

TEST_F(UiBudget, Version1SkipsWithoutTheSdkThreadWaitingAndSmoothsEveryFrame) {
    // The probe locator's position at each application, by the frame being applied.
    std::map<long long, MVector> shown;
    const std::string probeName = mayastandin::legalNodeName(tracker::currentScene().subjects[0].markerNames[0]);
    mayastandin::setTransformWriteListener([&](const MObject& node) {
        tracker::DeliveryRecord running;
        if (node == mayastandin::findNode(probeName) && tracker::deliveryInProgress(&running))
            shown[running.frameNumber] = worldPosition(node);
    });
    streamAtTenMillisecondsAFrame(1);

    // Each frame shown is the mean of the last 7 raw points delivered (the smoothing window), skipped frames
    // included: a history with gaps would give another mean.
    std::map<long long, MVector> raw;
    for (const tracker::DeliveryRecord& r : tracker::recentDeliveries()) raw[r.frameNumber] = MVector(r.probe);
    int checked = 0;
    for (const auto& frame : shown) {
        if (frame.first < raw.begin()->first + 6) continue;  // the window may hold an earlier connection's points
        MVector mean;
        for (long long n = frame.first - 6; n <= frame.first; ++n) mean += raw.at(n) / 7.0;
        ASSERT_LT((frame.second - mean * 0.1).length(), 1e-3) << "frame " << frame.first;
        ++checked;
    }
    EXPECT_GT(checked, 10);
}

}  // namespace
