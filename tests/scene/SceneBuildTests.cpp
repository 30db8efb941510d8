// Building the scene from descriptions: nodes, hierarchy, node lists, table groups, reuse on reconnect.

#include <maya/MDagModifier.h>
#include <maya/MFnDagNode.h>
#include <maya/MItDag.h>
#include <maya/MMatrix.h>

#include "FrameApplier.h"

#include "NodeNames.h"
#include "SceneBuilder.h"
#include "SceneFixtures.h"

namespace {

using namespace fixtures;
using orvane::scene::NodeLists;
using orvane::scene::SceneBuilder;

struct Build {
    MDagModifier modifier;
    NodeLists joints, markers;
    MemoryTable table;

    void v2(sDataDescriptions* d) {
        joints.clear(), markers.clear();
        SceneBuilder(modifier, joints, markers, table).buildV2(d);
    }
    void v1(sBodyDefs* d) {
        joints.clear(), markers.clear();
        SceneBuilder(modifier, joints, markers, table).buildV1(d);
    }
};

DescriptionsV2 skeletonThenMarkerSet() {
    DescriptionsV2 d;
    d.addSkeleton("S", {{"B1", 0}, {"B2", 1}});
    d.addMarkerSet("M", {"M1", "M2"});
    return d;
}

class SceneBuild : public SceneTest {};

TEST_F(SceneBuild, SkeletonAndMarkerSetMakeJointsLocatorsAndOneTableGroup) {
    DescriptionsV2 d = skeletonThenMarkerSet();
    Build b;
    b.v2(d.get());

    ASSERT_EQ(b.joints.size(), 1u);
    ASSERT_EQ(b.joints[0].size(), 2u);
    EXPECT_EQ(pathOf(b.joints[0][0]), "|B1");
    EXPECT_EQ(pathOf(b.joints[0][1]), "|B1|B2");
    MObject joint = b.joints[0][1].object();
    EXPECT_EQ(std::string(MFnDependencyNode(joint).typeName().asChar()), "joint");

    ASSERT_EQ(b.markers.size(), 1u);
    ASSERT_EQ(b.markers[0].size(), 2u);
    EXPECT_EQ(pathOf(b.markers[0][0]), "|M|M1");
    EXPECT_EQ(pathOf(b.markers[0][1]), "|M|M2");
    EXPECT_TRUE(mayastandin::findNode("S").isNull());  // no node stands for the skeleton

    ASSERT_EQ(b.table.rows.size(), 3u);
    EXPECT_TRUE(b.table.rows[0].heading);
    EXPECT_EQ(b.table.rows[0].name, "M");
    EXPECT_EQ(b.table.rows[1].name, "M1");
    EXPECT_EQ(b.table.rows[2].name, "M2");
}

TEST_F(SceneBuild, OtherDescriptionTypesLeaveNoTraceAndKeepOrdinals) {
    DescriptionsV2 d;
    d.addMarkerSet("A", {"a1"});
    d.addOther(Descriptor_RigidBody);
    d.addOther(7);
    d.addMarkerSet("B", {"b1"});
    Build b;
    const std::size_t before = mayastandin::dagNodeCount();
    b.v2(d.get());
    ASSERT_EQ(b.markers.size(), 2u);
    EXPECT_EQ(pathOf(b.markers[1][0]), "|B|b1");
    EXPECT_TRUE(b.joints.empty());
    EXPECT_EQ(b.table.rows.size(), 4u);
    // Two transforms, two locator transforms with their shapes.
    EXPECT_EQ(mayastandin::dagNodeCount() - before, 6u);
}

TEST_F(SceneBuild, EmptyMarkerSetHasItsTransformAndAHeadingOnly) {
    DescriptionsV2 d;
    d.addMarkerSet("Empty", {});
    Build b;
    b.v2(d.get());
    ASSERT_EQ(b.markers.size(), 1u);
    EXPECT_TRUE(b.markers[0].empty());
    EXPECT_FALSE(mayastandin::findNode("Empty").isNull());
    ASSERT_EQ(b.table.rows.size(), 1u);
    EXPECT_TRUE(b.table.rows[0].heading);
}

TEST_F(SceneBuild, ReconnectingReusesEveryNode) {
    DescriptionsV2 d = skeletonThenMarkerSet();
    Build first;
    first.v2(d.get());
    const std::size_t nodes = mayastandin::dagNodeCount();

    Build second;  // a new panel: a new modifier
    second.v2(d.get());
    EXPECT_EQ(mayastandin::dagNodeCount(), nodes);
    EXPECT_TRUE(second.joints[0][1] == first.joints[0][1]);
    EXPECT_TRUE(second.markers[0][0] == first.markers[0][0]);
    EXPECT_EQ(pathOf(second.joints[0][1]), "|B1|B2");
}

// Capture software names things the host cannot use as given; the nodes are searched, created and
// renamed under the host's legal name so a reconnection finds them.
TEST_F(SceneBuild, NamesTheHostWouldChangeAreStillFoundOnReconnect) {
    DescriptionsV2 d;
    d.addSkeleton("Performer 1", {{"Performer 1:Hips", 0}, {"Performer 1:Spine-01", 1}});
    d.addMarkerSet("Performer 1", {"1st marker", "L.Knee"});
    Build first;
    first.v2(d.get());
    EXPECT_EQ(pathOf(first.joints[0][1]), "|Performer_1_Hips|Performer_1_Spine_01");
    EXPECT_EQ(pathOf(first.markers[0][0]), "|Performer_1|_1st_marker");
    EXPECT_EQ(first.table.rows[0].name, "Performer 1");  // the table keeps the raw names
    EXPECT_EQ(first.table.rows[1].name, "1st marker");

    const std::size_t nodes = mayastandin::dagNodeCount();
    Build second;
    second.v2(d.get());
    EXPECT_EQ(mayastandin::dagNodeCount(), nodes);

    for (const char* raw : {"a b", "9lives", "x:y-z", "ok_1", "", "\xc3\xa9t\xc3\xa9"}) {
        const std::string name(raw);
        EXPECT_EQ(orvane::scene::hostNodeName({name.data(), name.size()}), mayastandin::legalNodeName(name))
            << "'" << name << "'";
    }
}

// Distinct names that become alike once made legal ("A:B" and "A_B", "1x" and "_1x") each keep a node of
// their own, the same one on every build: otherwise a reconnection finds the first node for both, and two
// markers drive one locator. The first in description order keeps the plain legal name; a name repeated
// as it stands is one node.
TEST_F(SceneBuild, NamesAlikeOnceLegalKeepTheirOwnNodesOnEveryBuild) {
    DescriptionsV2 d;
    d.addMarkerSet("Set", {"A:B", "A_B", "1x", "_1x", "rep", "rep", "A_B_2"});
    d.addSkeleton("S", {{"A-B", 0}, {"_1x", 1}});
    BodyDefsV1 v1;
    v1.addBody("Set", {"A:B", "A_B", "1x", "_1x", "rep", "rep", "A_B_2"}, {"A-B", "_1x"}, {-1, 0});

    for (int version = 1; version <= 2; ++version) {
        SCOPED_TRACE(version == 1 ? "version 1" : "version 2");
        mayastandin::resetScene();
        Build first;
        version == 1 ? first.v1(v1.get()) : first.v2(d.get());
        const std::vector<MObjectHandle>& markers = first.markers[0];
        const std::vector<MObjectHandle>& joints = first.joints[0];
        ASSERT_EQ(markers.size(), 7u);
        ASSERT_EQ(joints.size(), 2u);
        EXPECT_EQ(nameOf(markers[0]), "A_B");
        EXPECT_EQ(nameOf(markers[2]), "_1x");
        EXPECT_EQ(nameOf(markers[6]), "A_B_2");
        EXPECT_TRUE(markers[4] == markers[5]);
        MObject bone = joints[1].object();
        // The same raw name in a skeleton and a marker set: a joint and a locator, each under a name of its own.
        EXPECT_EQ(std::string(MFnDependencyNode(bone).typeName().asChar()), "joint");
        std::vector<MObjectHandle> distinct = {markers[0], markers[1], markers[2], markers[3],
                                               markers[4], markers[6], joints[0],  joints[1]};
        for (std::size_t i = 0; i < distinct.size(); ++i)
            for (std::size_t j = i + 1; j < distinct.size(); ++j)
                EXPECT_FALSE(distinct[i] == distinct[j]) << nameOf(distinct[i]) << " and " << nameOf(distinct[j]);

        const std::size_t nodes = mayastandin::dagNodeCount();
        Build second;
        version == 1 ? second.v1(v1.get()) : second.v2(d.get());
        EXPECT_EQ(mayastandin::dagNodeCount(), nodes);
        for (std::size_t j = 0; j < markers.size(); ++j)
            EXPECT_TRUE(second.markers[0][j] == markers[j]) << "marker " << j << ", " << nameOf(markers[j]);
        for (std::size_t k = 0; k < joints.size(); ++k)
            EXPECT_TRUE(second.joints[0][k] == joints[k]) << "joint " << k << ", " << nameOf(joints[k]);
    }
}

// A node the scene already holds under a described name is reused only if it is what the build would make
// there. Any other is left as it stands, by the build and by frames; the build's own node takes the name's
// first free fallback, and the next build finds that node again instead of adding another.
TEST_F(SceneBuild, NamesakesOfAnotherKindAreLeftAloneAndReconnectFindsTheBuildsOwnNodes) {
    struct Case {
        int version;
        const char* scene;  // MEL run before the first build; its first node is the namesake
        bool marker;        // the node checked: the first marker, else the first joint
        const char* path;   // where the build puts it
    };
    const Case cases[] = {
        {2, "createNode transform -n Hips", false, "|Hips_2"},
        {2, "createNode transform -n Hips; createNode transform -n Hips_2", false, "|Hips_3"},
        {2, "createNode locator -n persp", true, "|persp_2|LFHD"},  // a transform with a shape, as a camera
        {2, "createNode joint -n LFHD", true, "|persp|LFHD_2"},
        {2, "createNode transform -n LFHD", true, "|persp|LFHD_2"},
        {1, "createNode joint -n Body", true, "|Body_2|LFHD"},
        {2, "createNode joint -n Hips", false, "|Hips"},            // of the kind: reused
        {2, "createNode transform -n persp", true, "|persp|LFHD"},  // of the kind: reused
    };
    DescriptionsV2 v2;
    v2.addMarkerSet("persp", {"LFHD"});
    v2.addSkeleton("S", {{"Hips", 0}, {"Spine", 1}});
    BodyDefsV1 v1;
    v1.addBody("Body", {"LFHD"}, {"Hips", "Spine"}, {-1, 0});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.scene);
        mayastandin::resetScene(mayastandin::NewScene::kEmpty);
        ASSERT_TRUE(mayastandin::execute(c.scene));
        MDagPath namesake;
        MItDag walk;  // the world, then the first node made
        walk.next(), walk.getPath(namesake);
        const MMatrix before = namesake.inclusiveMatrix();
        const unsigned int children = namesake.childCount();

        Build first;
        c.version == 1 ? first.v1(v1.get()) : first.v2(v2.get());
        EXPECT_EQ(pathOf(c.marker ? first.markers[0][0] : first.joints[0][0]), c.path);
        const bool reused = std::string(c.path).find('_') == std::string::npos;
        sBodyPose poses[2] = {{100, 200, 300, 0, 0, 0, 1, 0, 0, 0, nullptr, nullptr, nullptr, 0, 0, 0},
                              {10, 20, 30, 0, 0, 0, 1, 0, 0, 0, nullptr, nullptr, nullptr, 0, 0, 0}};
        sFrameOfMocapData frame = {};
        frame.skeletonCount = 1, frame.skeletons[0].boneCount = 2, frame.skeletons[0].bones = poses;
        orvane::scene::applyFrameV2(frame, first.joints, first.markers, first.table);
        if (!reused) {
            EXPECT_EQ(namesake.length(), 1u) << "not reparented";
            EXPECT_EQ(namesake.childCount(), children);
            EXPECT_TRUE(namesake.inclusiveMatrix() == before) << "not moved";
        }

        const std::size_t nodes = mayastandin::dagNodeCount();
        Build second;
        c.version == 1 ? second.v1(v1.get()) : second.v2(v2.get());
        EXPECT_EQ(mayastandin::dagNodeCount(), nodes);
        EXPECT_TRUE(second.joints == first.joints && second.markers == first.markers);
    }
}

TEST_F(SceneBuild, Version1ChainIsNotUnderTheBodyTransform) {
    BodyDefsV1 d;
    d.addBody("Body", {"m1", "m2"}, {"root", "mid", "tip"}, {-1, 0, 1});
    Build b;
    b.v1(d.get());
    ASSERT_EQ(b.joints.size(), 1u);
    ASSERT_EQ(b.markers.size(), 1u);
    EXPECT_EQ(pathOf(b.joints[0][0]), "|root");
    EXPECT_EQ(pathOf(b.joints[0][2]), "|root|mid|tip");
    EXPECT_EQ(pathOf(b.markers[0][1]), "|Body|m2");
    EXPECT_EQ(b.table.rows.size(), 3u);
}

TEST_F(SceneBuild, NullDescriptionsBuildNothing) {
    Build b;
    const std::size_t before = mayastandin::dagNodeCount();
    b.v2(nullptr);
    b.v1(nullptr);
    EXPECT_TRUE(b.joints.empty());
    EXPECT_TRUE(b.markers.empty());
    EXPECT_TRUE(b.table.rows.empty());
    EXPECT_EQ(mayastandin::dagNodeCount(), before);
}

// A parent that is not an earlier joint of the same chain would index past the list: the joint becomes
// a root and the user is told once.
TEST_F(SceneBuild, ParentsThatAreNotEarlierJointsMakeRootsWithOneWarning) {
    DescriptionsV2 d;
    d.addSkeleton("S", {{"r", 0}, {"self", 2}, {"later", 5}, {"neg", -4}, {"ok", 1}});
    Build b;
    b.v2(d.get());
    ASSERT_EQ(b.joints[0].size(), 5u);
    EXPECT_EQ(pathOf(b.joints[0][1]), "|self");
    EXPECT_EQ(pathOf(b.joints[0][2]), "|later");
    EXPECT_EQ(pathOf(b.joints[0][3]), "|neg");
    EXPECT_EQ(pathOf(b.joints[0][4]), "|r|ok");

    BodyDefsV1 v1;
    v1.addBody("B", {}, {"a", "b", "c"}, {-1, 7, -2});
    b.v1(v1.get());
    EXPECT_EQ(pathOf(b.joints[0][1]), "|b");
    EXPECT_EQ(pathOf(b.joints[0][2]), "|c");

    int warnings = 0;
    for (const std::string& line : mayastandin::logLines())
        if (line.find("// Warning: ") == 0) ++warnings;
    EXPECT_EQ(warnings, 2);  // one per build
}

TEST_F(SceneBuild, FindDagPathByNameReturnsTheFirstDepthFirstMatch) {
    DescriptionsV2 d;
    d.addMarkerSet("A", {"x"});
    Build b;
    b.v2(d.get());
    ASSERT_TRUE(mayastandin::execute("createNode transform -n B; createNode transform -n x -p B"));  // "x" again
    EXPECT_EQ(std::string(orvane::scene::findDagPathByName("x").fullPathName().asChar()), "|A|x");
    EXPECT_FALSE(orvane::scene::findDagPathByName("nothing").isValid());
    orvane::scene::DagNameLookup lookup;
    lookup.begin();
    EXPECT_EQ(std::string(lookup.find("x").fullPathName().asChar()), "|A|x");
    EXPECT_FALSE(lookup.find("nothing").isValid());
}

// The host's name look-up lists every node of a name in no particular order; the build must still get the
// node a depth-first walk meets first, wherever the namesakes sit: nested in one another, under parents
// that part at any level, listed among their siblings in another order than they were created.
TEST_F(SceneBuild, NameLookupFindsWhatADepthFirstWalkFindsFirst) {
    ASSERT_TRUE(mayastandin::execute(
        "createNode transform -n g1; createNode transform -n g2; createNode transform -n n -p g1;"
        "createNode transform -n h -p g1; createNode transform -n n -p h; createNode transform -n k -p h;"
        "createNode transform -n n -p g2; createNode transform -n k -p g2; createNode transform -n world2;"
        "createNode transform -n deep -p world2; createNode transform -n deep -p \"|world2|deep\";"
        "createNode transform -n k"));
    // Walked: |g2|n, |g2|k, |g2|h|n, |g2|h|k, |world2|deep|deep, |world2|g1|n, |k.
    ASSERT_TRUE(mayastandin::execute("parent h g2; parent g1 world2"));
    orvane::scene::DagNameLookup lookup;
    lookup.begin();
    for (const char* name : {"n", "k", "deep", "h", "g1", "world", "world2", "nothing"}) {
        const MDagPath walked = orvane::scene::findDagPathByName(name);
        const MDagPath found = lookup.find(name);
        ASSERT_EQ(found.isValid(), walked.isValid()) << name;
        if (!walked.isValid()) continue;
        EXPECT_TRUE(found.node() == walked.node())
            << name << ": " << found.fullPathName().asChar() << " instead of " << walked.fullPathName().asChar();
    }
}

// Nodes a build creates keep the host's default names until its doIt: a later name of the same build that
// equals such a default name ("locator1") must not be taken for them.
TEST_F(SceneBuild, NodesOfTheBuildInProgressAreNotFoundByTheirDefaultNames) {
    DescriptionsV2 d;
    d.addMarkerSet("M", {"a", "locator1"});
    d.addSkeleton("S", {{"r", 0}, {"joint1", 1}, {"transform1", 1}});
    Build b;
    b.v2(d.get());
    ASSERT_EQ(b.markers[0].size(), 2u);
    EXPECT_EQ(pathOf(b.markers[0][0]), "|M|a");
    EXPECT_EQ(pathOf(b.markers[0][1]), "|M|locator1");
    EXPECT_EQ(pathOf(b.joints[0][1]), "|r|joint1");
    EXPECT_EQ(pathOf(b.joints[0][2]), "|r|transform1");

    const std::size_t nodes = mayastandin::dagNodeCount();
    Build again;
    again.v2(d.get());
    EXPECT_EQ(mayastandin::dagNodeCount(), nodes);
    for (std::size_t j = 0; j < 2; ++j) EXPECT_TRUE(again.markers[0][j] == b.markers[0][j]) << j;
    for (std::size_t k = 0; k < 3; ++k) EXPECT_TRUE(again.joints[0][k] == b.joints[0][k]) << k;
}

}  // namespace
