// Applying frames: positions scaled by 0.1 into world space, version 1 segments relative to their
// parents with Euler degrees, version 2 bones in world space with quaternions, the hide rule and the
// table refresh. Expected values are computed here by hand, not by the code under test.

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include <maya/MDagModifier.h>
#include <maya/MGlobal.h>
#include <maya/MItDag.h>
#include <maya/MPlug.h>
#include <maya/MString.h>

#include "FrameApplier.h"
#include "SceneBuilder.h"
#include "SceneFixtures.h"
#include "EveryVisibilityCommand.h"
#include "ReferenceRotation.h"

namespace {

using namespace fixtures;
using orvane::scene::NodeLists;
using orvane::scene::SceneBuilder;

// A built scene plus the frame records that drive it.
struct Rig {
    MDagModifier modifier;
    NodeLists joints, markers;
    MemoryTable table;
    std::unique_ptr<sFrameOfMocapData> v2{new sFrameOfMocapData()};
    std::unique_ptr<sFrameOfData> v1{new sFrameOfData()};
    std::vector<std::vector<std::array<float, 3>>> points{8};
    std::vector<std::vector<sBodyPose>> bones{8};
    std::vector<std::vector<sSegmentPose>> segments{8};

    void build(DescriptionsV2& d) { SceneBuilder(modifier, joints, markers, table).buildV2(d.get()); }
    void build(BodyDefsV1& d) { SceneBuilder(modifier, joints, markers, table).buildV1(d.get()); }

    void markerSet(int i, const char* name, std::vector<std::array<float, 3>> xyz) {
        v2->markerSetCount = std::max(v2->markerSetCount, i + 1);
        std::strcpy(v2->markerSets[i].name, name);
        points[i].resize(xyz.size());
        for (std::size_t j = 0; j < xyz.size(); ++j)
            for (int c = 0; c < 3; ++c) points[i][j][c] = xyz[j][c];
        v2->markerSets[i].markerCount = static_cast<int>(xyz.size());
        v2->markerSets[i].markers = reinterpret_cast<MarkerData*>(points[i].data());
    }
    void skeleton(int k, std::vector<sBodyPose> poses) {
        v2->skeletonCount = std::max(v2->skeletonCount, k + 1);
        bones[k] = std::move(poses);
        v2->skeletons[k].boneCount = static_cast<int>(bones[k].size());
        v2->skeletons[k].bones = bones[k].data();
    }
    void body(int i, const char* name, std::vector<std::array<float, 3>> xyz, std::vector<sSegmentPose> poses) {
        v1->bodyCount = std::max(v1->bodyCount, i + 1);
        std::strcpy(v1->bodies[i].name, name);
        points[i].resize(xyz.size());
        for (std::size_t j = 0; j < xyz.size(); ++j)
            for (int c = 0; c < 3; ++c) points[i][j][c] = xyz[j][c];
        v1->bodies[i].markerCount = static_cast<int>(xyz.size());
        v1->bodies[i].markers = reinterpret_cast<MarkerData*>(points[i].data());
        segments[i] = std::move(poses);
        v1->bodies[i].segmentCount = static_cast<int>(segments[i].size());
        v1->bodies[i].segments = segments[i].data();
    }
    void applyV2() { orvane::scene::applyFrameV2(*v2, joints, markers, table); }
    void applyV1() { orvane::scene::applyFrameV1(*v1, joints, markers, table); }
};

sBodyPose pose(float x, float y, float z, float qx, float qy, float qz, float qw) {
    sBodyPose p = {};
    p.x = x, p.y = y, p.z = z, p.qx = qx, p.qy = qy, p.qz = qz, p.qw = qw;
    return p;
}

sSegmentPose segment(double x, double y, double z, double rx, double ry, double rz) {
    return sSegmentPose{x, y, z, rx, ry, rz, 0};
}

class FrameApply : public SceneTest {};

TEST_F(FrameApply, LocatorsLandAtStreamPositionsTimesOneTenthInWorldSpace) {
    DescriptionsV2 d;
    d.addMarkerSet("M", {"a", "b"});
    Rig rig;
    rig.build(d);
    // Move the set's transform: locators are placed in world space regardless.
    MDagPath setPath = orvane::scene::findDagPathByName("M");
    MFnTransform(setPath).setTranslation(MVector(5, 6, 7), MSpace::kTransform);
    MFnTransform(setPath).setRotation(MQuaternion(0, 0.7071067811865476, 0, 0.7071067811865476), MSpace::kTransform);

    rig.table.refresh = true;
    rig.markerSet(0, "M", {{1234.5f, -20.0f, 0.25f}, {0, 0, 0}});
    rig.applyV2();
    expectNear(worldTranslation(rig.markers[0][0]), 123.45, -2.0, 0.025, "marker a");
    expectNear(worldTranslation(rig.markers[0][1]), 0, 0, 0, "marker b");
    EXPECT_EQ(rig.table.rows[1].x, std::to_string(1234.5));
    EXPECT_EQ(rig.table.rows[1].z, std::to_string(0.25));
}

TEST_F(FrameApply, TableKeepsItsTextsWhenRefreshIsOffWhileLocatorsStillMove) {
    DescriptionsV2 d;
    d.addMarkerSet("M", {"a"});
    Rig rig;
    rig.build(d);
    rig.markerSet(0, "M", {{10, 20, 30}});
    rig.applyV2();
    EXPECT_EQ(rig.table.rows[1].x, "0.0");
    expectNear(worldTranslation(rig.markers[0][0]), 1, 2, 3, "marker");
}

// Version 2 bones carry world poses: each joint's world translation and rotation equal its bone's,
// whatever its parent does.
TEST_F(FrameApply, Version2BonesTakeWorldPositionsAndOrientations) {
    DescriptionsV2 d;
    d.addSkeleton("S", {{"hip", 0}, {"knee", 1}, {"foot", 2}});
    Rig rig;
    rig.build(d);
    const double h = std::sqrt(0.5);
    rig.skeleton(0, {pose(0, 900, 0, 0, 0, float(h), float(h)), pose(100, 500, 0, float(h), 0, 0, float(h)),
                     pose(150, 80, 40, 0, 0, 0, 1)});
    rig.applyV2();
    expectNear(worldTranslation(rig.joints[0][0]), 0, 90, 0, "hip");
    expectNear(worldTranslation(rig.joints[0][1]), 10, 50, 0, "knee");
    expectNear(worldTranslation(rig.joints[0][2]), 15, 8, 4, "foot");
    expectSameRotation(worldRotation(rig.joints[0][0]), 0, 0, h, h, "hip");
    expectSameRotation(worldRotation(rig.joints[0][1]), h, 0, 0, h, "knee");
    expectSameRotation(worldRotation(rig.joints[0][2]), 0, 0, 0, 1, "foot");
}

// Version 1 segments are relative to their parents. A root at (10, 0, 0) mm turned 90 degrees about X
// carries a child at (0, 20, 0) mm in its own space to world (1, 0, 2) cm: +Y turns into +Z.
TEST_F(FrameApply, Version1SegmentsAreRelativeToTheirParentsInEulerDegrees) {
    BodyDefsV1 d;
    d.addBody("Body", {"m"}, {"root", "child"}, {-1, 0});
    Rig rig;
    rig.build(d);
    rig.body(0, "Body", {{0, 0, 0}}, {segment(10, 0, 0, 90, 0, 0), segment(0, 20, 0, 0, 0, 0)});
    rig.applyV1();
    expectNear(worldTranslation(rig.joints[0][0]), 1, 0, 0, "root");
    expectNear(worldTranslation(rig.joints[0][1]), 1, 0, 2, "child");

    MEulerRotation euler;
    MFnTransform(dagPathOf(rig.joints[0][0])).getRotation(euler);
    EXPECT_NEAR(euler.x, M_PI / 2, 1e-9);
    EXPECT_EQ(euler.order, MEulerRotation::kXYZ);

    // X first, then Y: (0, 2, 0) turns into (0, 0, 2) about X, then into (2, 0, 0) about Y.
    rig.body(0, "Body", {{0, 0, 0}}, {segment(0, 0, 0, 90, 90, 0), segment(0, 20, 0, 0, 0, 0)});
    rig.applyV1();
    expectNear(worldTranslation(rig.joints[0][1]), 2, 0, 0, "child under X-then-Y");
}

TEST_F(FrameApply, HideRuleSparesTheFirstBoneAndCountsNegativeZeroButNotNaN) {
    DescriptionsV2 d;
    d.addSkeleton("S", {{"b0", 0}, {"b1", 1}, {"b2", 1}, {"b3", 1}});
    Rig rig;
    rig.build(d);
    rig.skeleton(0, {pose(10, 10, 10, 0, 0, 0, 1), pose(20, 0, 0, 0, 0, 0, 1), pose(30, 0, 0, 0, 0, 0, 1),
                     pose(40, 0, 0, 0, 0, 0, 1)});
    rig.applyV2();
    expectNear(worldTranslation(rig.joints[0][1]), 2, 0, 0, "b1 before");

    const float nan = std::nanf("");
    rig.skeleton(0, {pose(0, 0, 0, 0, 0, 0, 0), pose(-0.0f, 0, 0, 0, -0.0f, 0, 0), pose(0, 0, 0, 0, 0, 0, nan),
                     pose(0, 0, 0, 0, 0, 0, 1)});
    rig.applyV2();
    EXPECT_TRUE(visible(rig.joints[0][0]));  // first bone: never hidden
    expectNear(worldTranslation(rig.joints[0][0]), 0, 0, 0, "b0 moved to the origin");
    EXPECT_FALSE(visible(rig.joints[0][1]));  // -0.0 counts as zero
    // Hidden, b1 keeps its local transform: world (2, 0, 0) under b0 at (1, 1, 1) was local (1, -1, -1).
    expectNear(MFnTransform(dagPathOf(rig.joints[0][1])).getTranslation(MSpace::kTransform), 1, -1, -1,
               "b1 keeps its transform");
    EXPECT_TRUE(visible(rig.joints[0][2]));  // NaN counts as tracked
    EXPECT_TRUE(visible(rig.joints[0][3]));  // qw = 1: shown and moved to the origin
    expectNear(worldTranslation(rig.joints[0][3]), 0, 0, 0, "b3");

    rig.skeleton(0, {pose(0, 0, 0, 0, 0, 0, 1), pose(5, 0, 0, 0, 0, 0, 1), pose(0, 0, 0, 0, 0, 0, 1),
                     pose(0, 0, 0, 0, 0, 0, 1)});
    rig.applyV2();
    EXPECT_TRUE(visible(rig.joints[0][1]));  // shown again by the next tracked pose
    expectNear(worldTranslation(rig.joints[0][1]), 0.5, 0, 0, "b1 after");
}

// Every DAG node's path, own visibility, visibility in the viewport and local transform, in walk order.
std::vector<std::string> sceneState() {
    std::vector<std::string> state;
    for (MItDag it; !it.isDone(); it.next()) {
        MDagPath path;
        it.getPath(path);
        MObject node = it.currentItem();
        if (node.hasFn(MFn::kWorld)) continue;
        const bool own = MFnDependencyNode(node).findPlug("visibility", true).asBool();
        const MVector t = MFnTransform(path).getTranslation(MSpace::kTransform);
        MQuaternion q;
        MFnTransform(path).getRotation(q, MSpace::kTransform);
        char line[512];
        std::snprintf(line, sizeof line, "%s own=%d shown=%d t=(%.9g %.9g %.9g) q=(%.9g %.9g %.9g %.9g)",
                      path.fullPathName().asChar(), own, path.isVisible(), t.x, t.y, t.z, q.x, q.y, q.z, q.w);
        state.push_back(line);
    }
    return state;
}

// Running the visibility commands only where they change something leaves the scene exactly as running them
// for every bone of every frame: bones dropping out and coming back, a zero root, -0.0 and NaN poses, and a
// bone the user hides or shows by hand between frames.
TEST_F(FrameApply, SkippingUnneededVisibilityCommandsLeavesTheSameScene) {
    const float nan = std::nanf("");
    const sBodyPose on = pose(10, 20, 30, 0, 0, 0, 1), zero = pose(0, 0, 0, 0, 0, 0, 0);
    const sBodyPose negativeZero = pose(-0.0f, 0, 0, 0, 0, -0.0f, 0), notANumber = pose(0, 0, 0, 0, 0, 0, nan);
    const std::vector<std::vector<sBodyPose>> frames = {
        {on, on, on, on, on},
        {on, zero, on, zero, on},
        {on, zero, on, zero, on},  // the same again: nothing to change
        {zero, on, negativeZero, zero, notANumber},
        {on, on, on, on, on},  // before this frame the user hides bone 2 and shows bone 3 by hand
        {on, zero, zero, zero, zero},
        {pose(5, 5, 5, 0, 0, 0, 1), on, on, zero, on},
    };
    const int userEditBefore = 4;

    std::vector<std::vector<std::string>> states[2];
    for (int everyCommand = 0; everyCommand < 2; ++everyCommand) {
        mayastandin::resetScene();
        DescriptionsV2 d;
        d.addMarkerSet("M", {"m"});
        d.addSkeleton("S", {{"root", 0}, {"spine", 1}, {"head", 2}, {"arm", 2}, {"hand", 4}});
        Rig rig;
        rig.build(d);
        rig.markerSet(0, "M", {{1, 2, 3}});
        for (std::size_t f = 0; f < frames.size(); ++f) {
            if (static_cast<int>(f) == userEditBefore) {
                ASSERT_TRUE(mayastandin::execute("hide " + pathOf(rig.joints[0][2])));
                ASSERT_TRUE(mayastandin::execute("showHidden " + pathOf(rig.joints[0][3])));
            }
            rig.skeleton(0, frames[f]);
            rig.applyV2();
            if (everyCommand) runEveryVisibilityCommand(*rig.v2, rig.joints);
            states[everyCommand].push_back(sceneState());
        }
        EXPECT_TRUE(visible(rig.joints[0][1])) << "shown again by the last frame";
        EXPECT_FALSE(visible(rig.joints[0][3]));
    }
    for (std::size_t f = 0; f < frames.size(); ++f) EXPECT_EQ(states[0][f], states[1][f]) << "after frame " << f;
}

// The skeleton pass runs once per frame after the marker sets, even when no marker set is found in
// the table.
TEST_F(FrameApply, SkeletonsMoveWithoutAnyMarkerSetInTheTable) {
    DescriptionsV2 d;
    d.addSkeleton("S", {{"root", 0}});
    Rig rig;
    rig.build(d);
    rig.skeleton(0, {pose(100, 200, 300, 0, 0, 0, 1)});
    rig.applyV2();
    expectNear(worldTranslation(rig.joints[0][0]), 10, 20, 30, "root");
}

// A group is located by its heading row: a marker named like a later set, or a set named like a
// coordinate text, must not be mistaken for the heading.
TEST_F(FrameApply, GroupsAreLocatedByTheirHeadingRowOnly) {
    DescriptionsV2 d;
    d.addMarkerSet("A", {"B"});
    d.addMarkerSet("B", {"b1"});
    d.addMarkerSet("0.0", {"z1"});
    Rig rig;
    rig.build(d);
    rig.table.refresh = true;
    rig.markerSet(0, "A", {{1, 1, 1}});
    rig.markerSet(1, "B", {{2, 2, 2}});
    rig.markerSet(2, "0.0", {{3, 3, 3}});
    rig.applyV2();
    EXPECT_EQ(rig.table.rows[1].x, std::to_string(1.0));  // A's marker "B"
    EXPECT_EQ(rig.table.rows[3].x, std::to_string(2.0));  // B's b1
    EXPECT_EQ(rig.table.rows[5].x, std::to_string(3.0));  // 0.0's z1
    expectNear(worldTranslation(rig.markers[1][0]), 0.2, 0.2, 0.2, "b1");
}

TEST_F(FrameApply, SurplusEntriesAreIgnoredAndUnknownGroupsDriveNothing) {
    DescriptionsV2 d;
    d.addMarkerSet("M", {"a"});
    d.addSkeleton("S", {{"r", 0}});
    Rig rig;
    rig.build(d);
    rig.markerSet(0, "M", {{10, 0, 0}, {20, 0, 0}});  // one marker more than described
    rig.markerSet(1, "Extra", {{1, 1, 1}});           // a set more than described
    rig.skeleton(0, {pose(10, 0, 0, 0, 0, 0, 1), pose(5, 5, 5, 0, 0, 0, 1)});
    rig.skeleton(1, {pose(1, 1, 1, 0, 0, 0, 1)});
    rig.applyV2();
    expectNear(worldTranslation(rig.markers[0][0]), 1, 0, 0, "a");
    expectNear(worldTranslation(rig.joints[0][0]), 1, 0, 0, "r");

    rig.markerSet(0, "Renamed", {{50, 0, 0}});
    rig.applyV2();
    expectNear(worldTranslation(rig.markers[0][0]), 1, 0, 0, "a stays: its set's name is not in the table");
}

TEST_F(FrameApply, Version1NeedsMoreThanOneTableRowAndAKnownBody) {
    BodyDefsV1 d;
    d.addBody("Body", {}, {"j"}, {-1});
    Rig rig;
    rig.build(d);
    ASSERT_EQ(rig.table.rows.size(), 1u);
    rig.body(0, "Body", {}, {segment(100, 0, 0, 0, 0, 0)});
    rig.applyV1();
    expectNear(worldTranslation(rig.joints[0][0]), 0, 0, 0, "a table of one row ignores the frame");
}

// A rig built on the streamed joints and then oriented (joint orient, rotate axis) still ends at the streamed
// pose: the world pose in version 2, the rotation relative to the parent in version 1, each built here from
// the pose's quaternion or Euler angles. The joints the build creates have no orient of their own.
TEST_F(FrameApply, OrientedJointsEndAtTheStreamedPoseInBothVersions) {
    const char* orients[] = {"0 0 0; setAttr ^1s.ra 0 0 0", "0 0 90; setAttr ^1s.ra 0 0 0",
                             "0 0 0; setAttr ^1s.ra 0 90 0", "30 -45 60; setAttr ^1s.ra 10 20 -15"};
    const double h = std::sqrt(0.5), tolerance = 1e-6;  // float poses through double matrices
    const sBodyPose poses[] = {pose(0, 900, 0, 0, 0, float(h), float(h)), pose(100, 500, 0, float(h), 0, 0, float(h)),
                               pose(150, 80, 40, 0.1f, -0.7f, 0.3f, 0.5f)};
    const sSegmentPose segments[] = {segment(10, 0, 0, 90, 0, 0), segment(0, 20, 0, 30, -60, 45),
                                     segment(5, 5, 0, -10, 170, 80)};
    for (const char* orient : orients) {
        for (int version = 1; version <= 2; ++version) {
            SCOPED_TRACE(std::string(orient) + (version == 1 ? ", version 1" : ", version 2"));
            mayastandin::resetScene();
            Rig rig;
            DescriptionsV2 d2;
            d2.addSkeleton("S", {{"hip", 0}, {"knee", 1}, {"foot", 2}});
            BodyDefsV1 d1;
            d1.addBody("Body", {"m"}, {"hip", "knee", "foot"}, {-1, 0, 1});
            version == 1 ? rig.build(d1) : rig.build(d2);
            for (const char* joint : {"hip", "knee", "foot"}) {
                std::string made;
                ASSERT_TRUE(mayastandin::execute(std::string("getAttr ") + joint + ".jointOrient", &made));
                EXPECT_EQ(made, "0 0 0");
                MString mel;
                mel.format(MString("setAttr ^1s.jo ") + orient, joint);
                ASSERT_TRUE(mayastandin::execute(mel.asChar()));
            }
            version == 1 ? rig.body(0, "Body", {{0, 0, 0}}, {segments[0], segments[1], segments[2]})
                         : rig.skeleton(0, {poses[0], poses[1], poses[2]});
            version == 1 ? rig.applyV1() : rig.applyV2();
            for (int k = 0; k < 3; ++k) {
                const MDagPath path = dagPathOf(rig.joints[0][k]);
                const sBodyPose& p = poses[k];
                const sSegmentPose& s = segments[k];
                if (version == 2)
                    EXPECT_LT(
                        reference::maxDifference(path.inclusiveMatrix(), reference::quaternion(p.qx, p.qy, p.qz, p.qw)),
                        tolerance)
                        << k;
                else
                    EXPECT_LT(reference::maxDifference(path.inclusiveMatrix() * path.exclusiveMatrixInverse(),
                                                       reference::eulerXYZ(s.rx, s.ry, s.rz)),
                              tolerance)
                        << k;
            }
        }
    }
}

// hide and showHidden act on the selection when their `ls` finds nothing. A bone that goes missing, before
// the frame or while its command runs (deleted or renamed by whatever runs then), leaves the artist's
// selected nodes as they were, and selected.
TEST_F(FrameApply, BonesThatGoMissingNeverChangeTheSelectedNodes) {
    struct Case {
        const char* what;
        bool beforeTheFrame, rename;
        bool show;  // the bone was hidden and is tracked again: showHidden, with the user's nodes hidden
    };
    const Case cases[] = {{"deleted before the frame", true, false, false},
                          {"deleted as hide runs", false, false, false},
                          {"renamed as hide runs", false, true, false},
                          {"deleted as showHidden runs", false, false, true},
                          {"renamed as showHidden runs", false, true, true}};
    const sBodyPose tracked = pose(10, 20, 30, 0, 0, 0, 1), untracked = pose(0, 0, 0, 0, 0, 0, 0);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        mayastandin::resetScene();
        DescriptionsV2 d;
        d.addSkeleton("S", {{"root", 0}, {"arm", 1}});
        Rig rig;
        rig.build(d);
        ASSERT_TRUE(mayastandin::execute("createNode transform -n userA; createNode transform -n userB"));
        const std::vector<MObject> selected = {mayastandin::findNode("userB"), mayastandin::findNode("userA")};
        if (c.show) {
            rig.skeleton(0, {tracked, untracked});
            rig.applyV2();
            ASSERT_TRUE(mayastandin::execute("hide userA userB"));
        }
        mayastandin::setSelection(selected);
        bool tookAway = false;
        auto takeAway = [&] {
            tookAway = true;
            MDagModifier modifier;
            const MObject bone = rig.joints[0][1].object();
            c.rename ? modifier.renameNode(bone, "gone") : modifier.deleteNode(bone);
            modifier.doIt();
        };
        if (c.beforeTheFrame) takeAway();
        const int listener = mayastandin::addMelListener([&](mayastandin::MelEvent event, const std::string& text) {
            if (event == mayastandin::MelEvent::kText && !tookAway && text.find("`ls -an ") != std::string::npos)
                takeAway();
        });
        rig.skeleton(0, {tracked, c.show ? tracked : untracked});
        rig.applyV2();
        mayastandin::removeMelListener(listener);
        EXPECT_TRUE(tookAway);
        for (const MObject& node : selected) EXPECT_EQ(visible(node), !c.show) << nameOf(node);
        EXPECT_TRUE(mayastandin::selection() == selected);
    }
}

TEST_F(FrameApply, DeletedNodesAreSkipped) {
    DescriptionsV2 d;
    d.addMarkerSet("M", {"a", "b"});
    d.addSkeleton("S", {{"r", 0}, {"c", 1}});
    Rig rig;
    rig.build(d);
    mayastandin::resetScene();  // every node the lists hold is destroyed: using one stops the process
    const std::size_t cameras = mayastandin::dagNodeCount();
    rig.markerSet(0, "M", {{1, 2, 3}, {4, 5, 6}});
    rig.skeleton(0, {pose(1, 1, 1, 0, 0, 0, 1), pose(0, 0, 0, 0, 0, 0, 0)});
    rig.applyV2();  // must not crash or touch anything
    EXPECT_EQ(mayastandin::dagNodeCount(), cameras);
}

}  // namespace
