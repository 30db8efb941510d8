// A copy of the descriptions builds the same scene as the SDK's records it was made from, after those records
// are gone (as they are when the scene is rebuilt at New or Open Scene). Under AddressSanitizer a copy that still
// points into the original is a use after free.

#include <climits>
#include <functional>

#include <maya/MDagModifier.h>

#include "DescriptionCopy.h"
#include "SceneBuilder.h"
#include "SceneFixtures.h"

namespace {

using namespace fixtures;
using orvane::scene::DescriptionCopy;

// What a build made: each list's node paths, and the table's rows.
struct Built {
    std::vector<std::vector<std::string>> joints, markers;
    std::vector<std::string> rows;
    bool operator==(const Built& o) const { return joints == o.joints && markers == o.markers && rows == o.rows; }
};

Built build(const sDataDescriptions* v2, const sBodyDefs* v1) {
    mayastandin::resetScene();
    MDagModifier modifier;
    orvane::scene::NodeLists joints, markers;
    MemoryTable table;
    orvane::scene::SceneBuilder builder(modifier, joints, markers, table);
    v2 ? builder.buildV2(v2) : builder.buildV1(v1);
    Built built;
    for (const auto& list : joints) {
        built.joints.emplace_back();
        for (const MObjectHandle& node : list) built.joints.back().push_back(pathOf(node));
    }
    for (const auto& list : markers) {
        built.markers.emplace_back();
        for (const MObjectHandle& node : list) built.markers.back().push_back(pathOf(node));
    }
    for (const MemoryTable::Row& row : table.rows) built.rows.push_back(row.name);
    return built;
}

// Each case builds from its records, then returns a copy of them; the records go when it returns.
struct Case {
    const char* what;
    std::function<DescriptionCopy(Built& fromOriginal)> copyAfterBuild;
};

DescriptionCopy builtV2(DescriptionsV2& d, Built& built) {
    built = build(d.get(), nullptr);
    return DescriptionCopy(d.get());
}

DescriptionCopy builtV1(BodyDefsV1& d, Built& built) {
    built = build(nullptr, d.get());
    return DescriptionCopy(d.get());
}

const Case kCases[] = {
    {"version 2: skeleton, marker set, rigid body",
     [](Built& b) {
         DescriptionsV2 d;
         d.addSkeleton("S", {{"Hips", 0}, {"Spine", 1}, {"Head", 2}, {"LeftArm", 2}});
         d.addOther(Descriptor_RigidBody);
         d.addMarkerSet("Performer 1", {"1st marker", "L.Knee", "L.Knee"});
         return builtV2(d, b);
     }},
    {"version 2: malformed counts, null records and names",
     [](Built& b) {
         DescriptionsV2 d;
         d.addMarkerSet("M", {"a", "b", "c"});
         d.set(0).markerNames[1] = nullptr;
         d.addMarkerSet("N", {"x"});
         std::memset(d.set(1).name, 'Z', sizeof d.set(1).name);  // no NUL
         d.set(1).markerCount = INT_MAX;
         d.set(1).markerNames = nullptr;
         d.addSkeleton("S", {{"r", 0}, {"late", 9}, {"neg", -4}});
         std::memset(d.skeleton(0).bones[2].name, 'B', sizeof d.skeleton(0).bones[2].name);
         d.addOther(Descriptor_Skeleton);  // a skeleton without a record keeps its ordinal
         d.get()->descriptions[3].data = nullptr;
         d.get()->descriptionCount = INT_MAX;
         return builtV2(d, b);
     }},
    {"version 1: bodies with segments",
     [](Built& b) {
         BodyDefsV1 d;
         d.addBody("Body", {"m1", "m2"}, {"root", "child", "tip"}, {-1, 0, 1});
         d.addBody("Other", {"o1"}, {"s"}, {-1});
         return builtV1(d, b);
     }},
    {"version 1: null names, arrays and parents",
     [](Built& b) {
         BodyDefsV1 d;
         d.addBody("B", {"m", "n"}, {"s", "t"}, {-1, 0});
         d.get()->bodyDefs[0].segmentParents = nullptr;
         d.get()->bodyDefs[0].markerNames[0] = nullptr;
         d.addBody("C", {"x"}, {"u"}, {5});
         d.get()->bodyDefs[1].markerNames = nullptr;
         d.get()->bodyDefs[1].markerCount = 1 << 20;
         d.get()->bodyDefCount = INT_MAX;  // the entries past the real ones are empty
         d.get()->bodyDefs[2].name = nullptr;
         return builtV1(d, b);
     }},
};

class DescriptionCopyBuild : public SceneTest {};

TEST_F(DescriptionCopyBuild, BuildsWhatTheOriginalBuiltAfterTheOriginalIsGone) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.what);
        Built fromOriginal;
        DescriptionCopy copy = c.copyAfterBuild(fromOriginal);
        DescriptionCopy moved(std::move(copy));  // a moved copy keeps its records where they are
        EXPECT_TRUE(build(moved.descriptionsV2(), moved.bodyDefsV1()) == fromOriginal);
        EXPECT_FALSE(fromOriginal.rows.empty());
    }
    EXPECT_EQ(DescriptionCopy(static_cast<const sDataDescriptions*>(nullptr)).descriptionsV2(), nullptr);
    EXPECT_EQ(DescriptionCopy(static_cast<const sBodyDefs*>(nullptr)).bodyDefsV1(), nullptr);
}

}  // namespace
