// Malformed descriptions and frames handed to a connected panel the way the SDK hands them: descriptions to
// the panel's scene building on the UI thread, frames to the data handlers on a thread of their own standing in
// for the SDK's. Unterminated names, negative and huge counts, null arrays with counts, parents out of range,
// NaN and infinite values, names full of MEL metacharacters: nothing crashes, nothing is read outside a record
// (AddressSanitizer in CI makes that visible), and the only host commands the frames lead to are the hide and
// show commands of the intended joints, by their full paths.

#include <QtTest/QTest>
#include <QtWidgets/QCheckBox>
#include <QtWidgets/QComboBox>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include <mayastandin/Host.h>

#include "../scene/SceneFixtures.h"
#include "FrameQueue.h"
#include "PanelTestSupport.h"
#include "QMarkerTableWidget.h"
#include "QPluginPanel.h"
#include "SdkCallbacks.h"
#include "orvane/tracker/Control.h"

namespace {

using namespace panelsupport;
namespace tracker = orvane::tracker;
namespace host = mayastandin;

const float kNaN = std::numeric_limits<float>::quiet_NaN();
const float kInf = std::numeric_limits<float>::infinity();

// Names a script writer would fear: statement ends, substitutions, quotes, variables, paths, a newline.
const char* const kHostileNames[] = {"Set;delete -all;", "m`file -f -new`", "m\"quoted\"", "m'single'",
                                     "m$HOME",           "m|world|x",       "m;hide -all", "m\nnewline",
                                     "m\\`escaped\\`",   "7leadingDigit"};

bool isLegalPath(const std::string& path) {
    for (char c : path)
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '|'))
            return false;
    return !path.empty();
}

// Every MEL text and command the host runs, and every structure change of the scene.
class HostWatch {
public:
    HostWatch() {
        melId_ = host::addMelListener([this](host::MelEvent event, const std::string& text) {
            (event == host::MelEvent::kText ? texts : commands).push_back(text);
        });
        sceneId_ = host::addSceneListener([this](host::SceneChange change, const MObject&) {
            if (change != host::SceneChange::kSelection) ++structureChanges;
        });
    }
    ~HostWatch() {
        host::removeMelListener(melId_);
        host::removeSceneListener(sceneId_);
    }
    void clear() {
        texts.clear();
        commands.clear();
        structureChanges = 0;
    }
    std::vector<std::string> texts, commands;
    int structureChanges = 0;

private:
    int melId_ = 0, sceneId_ = 0;
};

class MalformedStream : public testing::Test {
protected:
    void SetUp() override {
        app();
        tracker::resetForTests();
        host::resetScene();
        host::clearLog();
        panel.reset(new QPluginPanel());
        panel->show();
    }
    void TearDown() override {
        tracker::holdStream(false);
        panel.reset();
        tracker::resetForTests();
        EXPECT_EQ(orvane::liveFrameCopyCount(), 0);
        EXPECT_EQ(tracker::liveFrameCopies(), 0);
    }

    const QPluginPanelUi& ui() const { return panel->form(); }

    // Connected with the stream held: from here on only the test's frames arrive.
    void connectHeld(int versionIndex, bool smooth) {
        ui().comboBoxSDKVersion->setCurrentIndex(versionIndex);
        if (smooth) clickIndicator(ui().checkBoxSmooth);
        clickIndicator(ui().checkboxConnect);
        ASSERT_EQ(ui().checkboxConnect->text(), "Online");
        tracker::holdStream(true);
        ASSERT_TRUE(spinUntil([] { return streamSettled() && orvane::liveFrameCopyCount() == 0; }));
        spinFor(20);
    }

    // The panel's lists and table, rebuilt from the given descriptions as a connection builds them.
    template <typename Build>
    void rebuild(Build build) {
        panel->clearNodeLists();
        ui().tableWidget->clearRows();
        build();
    }

    // Hands a version 2 frame to the data handler on a thread of its own, then lets the UI thread apply it.
    void deliverV2(sFrameOfMocapData* frame) {
        std::thread sdkThread([frame] { dataHandlerV2(frame, nullptr); });
        sdkThread.join();
        ASSERT_TRUE(spinUntil([] { return orvane::liveFrameCopyCount() == 0; }));
        QCoreApplication::processEvents();
    }

    // The same for version 1: the SDK's thread waits in the handler until the UI thread has applied the frame.
    void deliverV1(sFrameOfData* frame) {
        std::atomic<bool> returned{false};
        std::thread sdkThread([frame, &returned] {
            dataHandlerV1(frame);
            returned.store(true);
        });
        const bool done = spinUntil([&] { return returned.load(); });
        sdkThread.join();
        ASSERT_TRUE(done);
    }

    std::unique_ptr<QPluginPanel> panel;
};

std::string pathOf(const MObjectHandle& node) { return fixtures::pathOf(node); }

bool ownVisibility(const std::string& path) {
    std::string value;
    EXPECT_TRUE(host::execute("getAttr " + path + ".visibility", &value)) << path;
    return value != "0" && value != "false";
}

TEST_F(MalformedStream, Version2DescriptionsAndFramesFromTheSdkThread) {
    connectHeld(1, false);
    HostWatch watch;

    // Descriptions: a marker set named with metacharacters, its markers named likewise; a set with an
    // unterminated name, a huge marker count and no name array; a skeleton whose bones have hostile and
    // unterminated names and parents before, after and outside the chain; a huge description count (the
    // entries past the real ones are empty).
    fixtures::DescriptionsV2 d;
    std::vector<std::string> markerNames(kHostileNames + 1, kHostileNames + 10);
    d.addMarkerSet(kHostileNames[0], markerNames);
    d.addMarkerSet("unterminated", {"u1"});
    std::memset(d.set(1).name, 'Z', sizeof d.set(1).name);
    d.set(1).markerCount = INT_MAX;
    d.set(1).markerNames = nullptr;
    d.addSkeleton("Skel`ls`;", {{"Hips;select -cl", 0},
                                {"Spine`delete -all`", 1},
                                {"Head\"x\"", 2},
                                {"Forward", 9},
                                {"Negative", -7},
                                {"Self", 6},
                                {"unterminated", 1}});
    std::memset(d.skeleton(0).bones[6].name, 'B', sizeof d.skeleton(0).bones[6].name);
    d.get()->descriptionCount = INT_MAX;
    rebuild([&] { panel->buildSceneV2(d.get()); });

    EXPECT_TRUE(watch.texts.empty()) << "building ran MEL: " << watch.texts.front();
    ASSERT_GE(panel->markerNodes().size(), 2u);
    ASSERT_EQ(panel->markerNodes()[0].size(), markerNames.size());
    EXPECT_TRUE(panel->markerNodes()[1].empty());
    ASSERT_GE(panel->jointNodes().size(), 1u);
    const std::vector<MObjectHandle> joints = panel->jointNodes()[0];
    ASSERT_EQ(joints.size(), 7u);
    std::set<std::string> jointPaths;
    for (const MObjectHandle& joint : joints) {
        EXPECT_TRUE(isLegalPath(pathOf(joint))) << pathOf(joint);
        jointPaths.insert(pathOf(joint));
    }
    EXPECT_EQ(jointPaths.size(), joints.size()) << "two bones share a node";
    for (const MObjectHandle& marker : panel->markerNodes()[0])
        EXPECT_TRUE(isLegalPath(pathOf(marker))) << pathOf(marker);
    watch.clear();

    // Frames, each checked for the commands it led to: only hide or show of the skeleton's joints, each by its
    // full path, hide for exactly the untracked bones other than the first.
    std::unique_ptr<sFrameOfMocapData> frame(new sFrameOfMocapData());
    std::vector<float> points(3 * 400, 1.0f);
    std::vector<sBodyPose> bones(7);
    auto reset = [&] {
        std::memset(frame.get(), 0, sizeof *frame);
        frame->markerSetCount = 2;
        std::strcpy(frame->markerSets[0].name, kHostileNames[0]);
        frame->markerSets[0].markerCount = static_cast<int>(markerNames.size());
        frame->markerSets[0].markers = reinterpret_cast<MarkerData*>(points.data());
        std::memset(frame->markerSets[1].name, 'Z', sizeof frame->markerSets[1].name);
        frame->markerSets[1].markerCount = -3;
        frame->skeletonCount = 1;
        frame->skeletons[0].boneCount = 7;
        frame->skeletons[0].bones = bones.data();
        for (std::size_t b = 0; b < bones.size(); ++b) {
            bones[b] = sBodyPose{};
            bones[b].x = 10.0f * static_cast<float>(b);
            bones[b].qw = 1.0f;
        }
    };
    auto expectOnlyVisibilityCommands = [&](const std::set<std::size_t>& untracked, const char* what) {
        for (const std::string& text : watch.texts) {
            bool known = false;
            for (std::size_t b = 0; b < joints.size(); ++b) {
                const std::string path = pathOf(joints[b]);
                const bool hidden = untracked.count(b) != 0;
                if (text == (hidden ? "hide `ls -an " : "showHidden  `ls -an ") + path + "`;") known = true;
            }
            EXPECT_TRUE(known) << what << ": unexpected MEL: " << text;
        }
        // As run, after substitution: "ls -an PATH", then "hide PATH" or "showHidden PATH".
        for (const std::string& command : watch.commands) {
            std::string target;
            for (const char* verb : {"ls -an ", "hide ", "showHidden "})
                if (command.compare(0, std::strlen(verb), verb) == 0) target = command.substr(std::strlen(verb));
            EXPECT_EQ(jointPaths.count(target), 1u) << what << ": unexpected command: " << command;
        }
        for (std::size_t b = 1; b < joints.size(); ++b)
            EXPECT_EQ(ownVisibility(pathOf(joints[b])), untracked.count(b) == 0) << what << ": bone " << b;
        EXPECT_EQ(watch.structureChanges, 0) << what << ": a frame changed the scene's structure";
        watch.clear();
    };

    // Counts past every capacity: the SDK refuses to copy such a frame; nothing is applied. So for a marker
    // count that no marker set can have, on an array shorter than it.
    reset();
    frame->markerSetCount = INT_MAX;
    frame->skeletonCount = INT_MIN;
    deliverV2(frame.get());
    reset();
    frame->markerSets[0].markerCount = 1 << 20;
    deliverV2(frame.get());
    EXPECT_TRUE(watch.texts.empty());
    EXPECT_EQ(watch.structureChanges, 0);

    // A plain frame, with bones 2 and 4 untracked.
    reset();
    bones[2] = sBodyPose{};
    bones[4] = sBodyPose{};
    deliverV2(frame.get());
    expectOnlyVisibilityCommands({2, 4}, "bones 2 and 4 untracked");
    EXPECT_NEAR(fixtures::worldTranslation(joints[1]).x, 1.0, 1e-6);

    // More markers and bones than described (arrays as long as the counts), a negative marker count and an
    // unterminated name on the second set; bone 3 untracked now, 2 and 4 back.
    reset();
    frame->markerSets[0].markerCount = 400;
    for (std::size_t i = 0; i < points.size(); ++i) points[i] = static_cast<float>(i);
    std::vector<sBodyPose> manyBones(100);
    for (sBodyPose& pose : manyBones) pose.qw = 1.0f;
    manyBones[3] = sBodyPose{};
    frame->skeletons[0].boneCount = 100;
    frame->skeletons[0].bones = manyBones.data();
    deliverV2(frame.get());
    expectOnlyVisibilityCommands({3}, "surplus markers and bones");
    fixtures::expectNear(fixtures::worldTranslation(panel->markerNodes()[0].back()), 2.4, 2.5, 2.6, "last marker");

    // NaN and infinities: a bone with a NaN counts as tracked; nothing crashes.
    reset();
    points[0] = kNaN, points[4] = kInf, points[8] = -kInf;
    bones[1].x = kNaN;
    bones[2].qx = kInf;
    bones[5] = sBodyPose{};
    bones[5].qw = -kInf;
    deliverV2(frame.get());
    expectOnlyVisibilityCommands({}, "non-finite values");

    // Null arrays with counts, and huge counts on null arrays.
    reset();
    frame->markerSets[0].markers = nullptr;
    frame->markerSets[0].markerCount = INT_MAX;
    frame->skeletons[0].bones = nullptr;
    frame->skeletons[0].boneCount = 50;
    deliverV2(frame.get());
    expectOnlyVisibilityCommands({}, "null arrays");

    // No frame reached the SDK's copy and was left behind, and the scene kept its nodes.
    EXPECT_EQ(tracker::liveFrameCopies(), 0);
    for (const MObjectHandle& joint : joints) EXPECT_TRUE(isLegalPath(pathOf(joint)));
    clickIndicator(ui().checkboxConnect);
    EXPECT_EQ(ui().checkboxConnect->text(), "Offline");
}

TEST_F(MalformedStream, Version1BodyDefinitionsAndFramesFromTheSdkThreadWithSmoothing) {
    connectHeld(0, true);
    HostWatch watch;

    fixtures::BodyDefsV1 defs;
    defs.addBody("Body;delete -all;", {"a`ls`", "b\"q\"", "c;d"}, {"root$x", "child|y", "late", "loop"}, {-1, 0, 7, 3});
    defs.addBody("noMarkerArray", {"x", "y"}, {"s"}, {-1});
    defs.get()->bodyDefs[1].markerNames = nullptr;
    defs.get()->bodyDefs[1].markerCount = 1 << 20;
    defs.get()->bodyDefs[1].segmentParents = nullptr;
    defs.get()->bodyDefCount = INT_MAX;  // the entries past the two real ones are empty: null names, no arrays
    rebuild([&] { panel->buildSceneV1(defs.get()); });
    EXPECT_TRUE(watch.texts.empty());
    ASSERT_EQ(panel->markerNodes().size(), static_cast<std::size_t>(kMaxBodyDefs));
    ASSERT_EQ(panel->markerNodes()[0].size(), 3u);
    EXPECT_TRUE(panel->markerNodes()[1].empty());
    ASSERT_EQ(panel->jointNodes()[0].size(), 4u);
    for (const MObjectHandle& joint : panel->jointNodes()[0]) EXPECT_TRUE(isLegalPath(pathOf(joint))) << pathOf(joint);
    const MObjectHandle firstMarker = panel->markerNodes()[0][0];
    watch.clear();

    std::unique_ptr<sFrameOfData> frame(new sFrameOfData());
    std::vector<float> points(3 * 100, 5.0f);
    std::vector<sSegmentPose> segments(50);
    auto reset = [&] {
        std::memset(frame.get(), 0, sizeof *frame);
        std::fill(points.begin(), points.end(), 5.0f);  // smoothing rewrites them in place
        frame->bodyCount = 2;
        std::strcpy(frame->bodies[0].name, "Body;delete -all;");
        frame->bodies[0].markerCount = 3;
        frame->bodies[0].markers = reinterpret_cast<MarkerData*>(points.data());
        frame->bodies[0].segmentCount = 4;
        frame->bodies[0].segments = segments.data();
        std::strcpy(frame->bodies[1].name, "noMarkerArray");
        for (sSegmentPose& s : segments) s = sSegmentPose{1, 2, 3, 10, 20, 30, 0};
    };

    // Seven plain frames fill the smoothers' history: the first marker settles at 5 * 0.1.
    for (int i = 0; i < 7; ++i) {
        reset();
        deliverV1(frame.get());
    }
    fixtures::expectNear(fixtures::worldTranslation(firstMarker), 0.5, 0.5, 0.5, "smoothed marker");

    // Counts past the body array, a huge marker count on a null array, more markers and segments than described
    // (arrays as long as the counts), negative segment counts, an unterminated body name.
    reset();
    frame->bodyCount = INT_MAX;
    frame->bodies[0].markerCount = 100;
    frame->bodies[0].segmentCount = 50;
    frame->bodies[1].markers = nullptr;
    frame->bodies[1].markerCount = INT_MAX;
    frame->bodies[1].segmentCount = -1;
    std::memset(frame->bodies[2].name, 'N', sizeof frame->bodies[2].name);
    frame->bodies[2].markerCount = INT_MIN;
    deliverV1(frame.get());

    // NaN and infinities in markers (they pass through the smoothers) and segments.
    reset();
    points[0] = kNaN, points[1] = kInf, points[5] = -kInf;
    segments[1].rx = std::numeric_limits<double>::quiet_NaN();
    segments[2].z = std::numeric_limits<double>::infinity();
    deliverV1(frame.get());

    // Segments and markers on null arrays with counts.
    reset();
    frame->bodies[0].markers = nullptr;
    frame->bodies[0].segments = nullptr;
    frame->bodies[0].segmentCount = 1 << 20;
    deliverV1(frame.get());

    EXPECT_TRUE(watch.texts.empty()) << "a version 1 frame ran MEL: " << watch.texts.front();
    EXPECT_EQ(watch.structureChanges, 0);
    clickIndicator(ui().checkboxConnect);
    EXPECT_EQ(ui().checkboxConnect->text(), "Offline");
}

}  // namespace
