// Malformed descriptions and frames never crash the host or read outside their records: counts out of
// range, null arrays, unterminated names. Run under AddressSanitizer to make "outside" visible.

#include <climits>
#include <random>

#include <maya/MDagModifier.h>

#include "FrameApplier.h"
#include "SceneBuilder.h"
#include "SceneFixtures.h"

namespace {

using namespace fixtures;
using orvane::scene::NodeLists;
using orvane::scene::SceneBuilder;

class MalformedInput : public SceneTest {};

TEST_F(MalformedInput, DescriptionsWithBadCountsNullArraysAndUnterminatedNames) {
    const int badCounts[] = {-1, INT_MIN, INT_MAX, kMaxDescriptions + 1, 1 << 20};
    for (int count : badCounts) {
        DescriptionsV2 d;
        d.addMarkerSet("M", {"a", "b"});
        d.addSkeleton("S", {{"r", 0}, {"c", 1}});
        d.get()->descriptionCount = count;  // entries past the two real ones are zero: type 0, null data
        d.set(0).markerCount = count;
        d.set(0).markerNames = count > 2 ? nullptr : d.set(0).markerNames;
        d.skeleton(0).boneCount = count;
        std::memset(d.skeleton(0).bones[0].name, 'X', sizeof d.skeleton(0).bones[0].name);  // no NUL
        std::memset(d.set(0).name, 'Y', sizeof d.set(0).name);

        MDagModifier modifier;
        NodeLists joints, markers;
        MemoryTable table;
        SceneBuilder(modifier, joints, markers, table).buildV2(d.get());
        for (const auto& list : markers) EXPECT_LE(list.size(), 2u);
        for (const auto& list : joints) EXPECT_LE(list.size(), static_cast<std::size_t>(kMaxBonesPerSkeleton));
        if (!table.rows.empty()) {
            EXPECT_EQ(table.rows[0].name, std::string(256, 'Y'));
        }
    }

    BodyDefsV1 v1;
    v1.addBody("B", {"m"}, {"s"}, {-1});
    v1.get()->bodyDefs[0].segmentParents = nullptr;  // roots
    v1.get()->bodyDefs[0].markerNames = nullptr;     // count 1, no array: empty
    v1.get()->bodyDefCount = INT_MAX;
    v1.get()->bodyDefs[1].name = nullptr;
    MDagModifier modifier;
    NodeLists joints, markers;
    MemoryTable table;
    SceneBuilder(modifier, joints, markers, table).buildV1(v1.get());
    ASSERT_EQ(joints.size(), static_cast<std::size_t>(kMaxBodyDefs));
    EXPECT_EQ(joints[0].size(), 1u);
    EXPECT_TRUE(markers[0].empty());
}

// Random frames against a small built scene: whatever the counts and names, application stays in bounds.
TEST_F(MalformedInput, RandomFramesNeverReadOutOfBounds) {
    DescriptionsV2 d;
    d.addMarkerSet("M", {"a", "b", "c"});
    d.addSkeleton("S", {{"r", 0}, {"k", 1}});
    MDagModifier modifier;
    NodeLists joints, markers;
    MemoryTable table;
    table.refresh = true;
    SceneBuilder(modifier, joints, markers, table).buildV2(d.get());

    std::mt19937 random(1234);
    const int counts[] = {-5, 0, 1, 2, 3, 4, 200, 201, INT_MAX, INT_MIN};
    std::unique_ptr<sFrameOfMocapData> frame(new sFrameOfMocapData());
    MarkerData points[3] = {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}};
    sBodyPose poses[2] = {};
    for (int round = 0; round < 300; ++round) {
        std::memset(frame.get(), 0, sizeof *frame);
        frame->markerSetCount = counts[random() % 10];
        frame->skeletonCount = counts[random() % 10];
        std::memset(frame->markerSets[0].name, random() % 2 ? 'M' : 'Q', sizeof frame->markerSets[0].name);
        if (random() % 2) std::strcpy(frame->markerSets[0].name, "M");
        frame->markerSets[0].markerCount = counts[random() % 10];
        frame->markerSets[0].markers = random() % 4 ? points : nullptr;
        frame->skeletons[0].boneCount = counts[random() % 10];
        frame->skeletons[0].bones = random() % 4 ? poses : nullptr;
        // With counts above the arrays' real sizes the node lists bound the reads.
        orvane::scene::applyFrameV2(*frame, joints, markers, table);
    }

    std::unique_ptr<sFrameOfData> v1(new sFrameOfData());
    sSegmentPose segments[2] = {};
    for (int round = 0; round < 300; ++round) {
        std::memset(v1.get(), 0, sizeof *v1);
        v1->bodyCount = counts[random() % 10];
        std::strcpy(v1->bodies[0].name, "M");
        v1->bodies[0].markerCount = counts[random() % 10];
        v1->bodies[0].markers = random() % 4 ? points : nullptr;
        v1->bodies[0].segmentCount = counts[random() % 10];
        v1->bodies[0].segments = random() % 4 ? segments : nullptr;
        orvane::scene::applyFrameV1(*v1, joints, markers, table);
    }
    SUCCEED();
}

}  // namespace
