// DAG iteration, paths, handle validity after deletion, and a scene of 100,000 nodes.
#include "test_support.h"

#include <maya/MFnTransform.h>
#include <maya/MGlobal.h>
#include <maya/MItDag.h>
#include <maya/MObjectHandle.h>
#include <maya/MSelectionList.h>

#include <algorithm>

#include <vector>

using DagTest = StandinTest;

namespace {
std::vector<std::string> walk(MItDag::TraversalType type, MFn::Type filter = MFn::kInvalid) {
    std::vector<std::string> out;
    for (MItDag it(type, filter); !it.isDone(); it.next()) {
        MDagPath path;
        EXPECT_TRUE(it.getPath(path));
        EXPECT_TRUE(path.isValid());
        out.push_back(path.fullPathName().asChar());
    }
    return out;
}
}  // namespace

TEST_F(DagTest, DepthFirstVisitsWorldThenChildrenInOrder) {
    MObject a = make("transform", "A");
    MObject a1 = make("transform", "A1", a);
    make("joint", "A1a", a1);
    make("transform", "A2", a);
    make("transform", "B");
    // The world comes first, as its empty path.
    const std::vector<std::string> expected = {"", "|A", "|A|A1", "|A|A1|A1a", "|A|A2", "|B"};
    EXPECT_EQ(walk(MItDag::kDepthFirst), expected);
    const std::vector<std::string> breadth = {"", "|A", "|B", "|A|A1", "|A|A2", "|A|A1|A1a"};
    EXPECT_EQ(walk(MItDag::kBreadthFirst), breadth);
    const std::vector<std::string> joints = {"|A|A1|A1a"};
    EXPECT_EQ(walk(MItDag::kDepthFirst, MFn::kJoint), joints);
    // kTransform includes joints, not the world.
    EXPECT_EQ(walk(MItDag::kDepthFirst, MFn::kTransform).size(), 5u);
}

TEST_F(DagTest, IterationOrderFollowsReparentingAndDeletion) {
    MObject a = make("transform", "a");
    MObject b = make("transform", "b");
    MObject c = make("transform", "c");
    MDagModifier modifier;
    modifier.reparentNode(a, c);
    modifier.deleteNode(b);
    ASSERT_TRUE(modifier.doIt());
    const std::vector<std::string> expected = {"", "|c", "|c|a"};
    EXPECT_EQ(walk(MItDag::kDepthFirst), expected);
}

TEST_F(DagTest, PathsAndHandlesOfDeletedNodesAreInvalidNotDangling) {
    MObject top = make("transform", "top");
    MObject leaf = make("joint", "leaf", top);
    MDagPath leafPath;
    ASSERT_TRUE(MFnDagNode(leaf).getPath(leafPath));
    ASSERT_TRUE(leafPath.isValid());
    EXPECT_FALSE(MDagPath().isValid());

    const MObjectHandle handle(leaf);
    {
        MDagModifier modifier;
        modifier.deleteNode(top);  // takes the leaf along
        ASSERT_TRUE(modifier.doIt());
        // The modifier holds what it deleted: alive, out of the scene, and no path leads there.
        EXPECT_FALSE(leafPath.isValid());
        EXPECT_FALSE(leaf.isNull());
        EXPECT_TRUE(handle.isAlive());
        EXPECT_FALSE(handle.isValid());
        EXPECT_TRUE(handle.object().isNull());
        EXPECT_EQ(nameOf(leaf), "leaf");
        EXPECT_EQ(mayastandin::dagNodeCount(), 0u);
    }
    EXPECT_FALSE(handle.isAlive());  // destroyed with the modifier
    EXPECT_EQ(handle.hashCode(), 0u);

    // New nodes reuse the storage; the old handles must not start naming them.
    for (int i = 0; i < 10; ++i) make("transform", "fresh");
    EXPECT_FALSE(leafPath.isValid());
    EXPECT_FALSE(handle.isAlive());
    MStatus status;
    MFnTransform fn(leafPath, &status);
    EXPECT_FALSE(status);
    EXPECT_FALSE(fn.setTranslation(MVector(1, 2, 3), MSpace::kWorld));
    EXPECT_EQ(leafPath.fullPathName(&status), "");
    EXPECT_FALSE(status);
    MDagPath fromStale;
    EXPECT_FALSE(MFnDagNode().getPath(fromStale));
    EXPECT_FALSE(fromStale.isValid());
}

TEST_F(DagTest, ResetSceneInvalidatesEverything) {
    MObject node = make("transform", "node");
    const MObjectHandle handle(node);
    MDagPath path;
    MFnDagNode(node).getPath(path);
    mayastandin::resetScene();
    EXPECT_EQ(mayastandin::dagNodeCount(), 8u);  // the default cameras, a transform and a shape each
    EXPECT_FALSE(path.isValid());
    EXPECT_FALSE(handle.isAlive());
    EXPECT_FALSE(node.isNull());  // as in Maya: the MObject dangles, it does not become null
    EXPECT_EQ(walk(MItDag::kDepthFirst).size(), 9u);
}

TEST_F(DagTest, PathNamesLengthAndVisibility) {
    MObject left = make("transform", "L");
    MObject right = make("transform", "R");
    MObject lhand = make("joint", "hand", make("joint", "arm", left));
    MObject rhand = make("joint", "hand", make("joint", "arm", right));
    MObject unique = make("joint", "head", right);
    MDagPath lp, rp, up;
    MFnDagNode(lhand).getPath(lp);
    MFnDagNode(rhand).getPath(rp);
    MFnDagNode(unique).getPath(up);
    EXPECT_EQ(lp.fullPathName(), "|L|arm|hand");
    EXPECT_EQ(lp.partialPathName(), "L|arm|hand");
    EXPECT_EQ(rp.partialPathName(), "R|arm|hand");
    EXPECT_EQ(up.partialPathName(), "head");
    EXPECT_EQ(lp.length(), 3u);
    EXPECT_EQ(mayastandin::findNode("|R|arm|hand"), rhand);
    EXPECT_EQ(mayastandin::findNode("L|arm|hand"), lhand);
    EXPECT_TRUE(mayastandin::findNode("hand").isNull());  // ambiguous
    EXPECT_TRUE(mayastandin::findNode("|arm").isNull());

    EXPECT_TRUE(lp.isVisible());
    ASSERT_EQ(mayastandin::execute("hide L"), MStatus::kSuccess);
    EXPECT_FALSE(lp.isVisible());  // hidden through its ancestor
    EXPECT_TRUE(rp.isVisible());
    MFnDagNode fn(lhand);
    EXPECT_EQ(fn.parentCount(), 1u);
    EXPECT_EQ(MFnDagNode(fn.parent(0)).name(), "arm");
    EXPECT_EQ(MFnDagNode(left).parent(0).apiType(), MFn::kWorld);
}

TEST_F(DagTest, HundredThousandNodesBuildFindAndIterate) {
    // Built as the product builds: every node at the world first, then one doIt renames and reparents.
    constexpr int kGroups = 1000, kPerGroup = 100;
    MDagModifier modifier;
    std::vector<MObject> groups;
    std::vector<MObject> leaves;
    for (int g = 0; g < kGroups; ++g) {
        MObject group = modifier.createNode("transform");
        modifier.renameNode(group, MString("set") + g);
        groups.push_back(group);
        for (int k = 0; k < kPerGroup; ++k) {
            MObject leaf = modifier.createNode("joint");
            modifier.renameNode(leaf, MString("bone") + k);
            modifier.reparentNode(leaf, group);
            leaves.push_back(leaf);
        }
    }
    ASSERT_TRUE(modifier.doIt());
    EXPECT_EQ(mayastandin::dagNodeCount(), static_cast<size_t>(kGroups * (kPerGroup + 1)));
    EXPECT_EQ(mayastandin::findNode("|set777|bone42"), leaves[777 * kPerGroup + 42]);
    EXPECT_EQ(MFnDagNode(groups[999]).childCount(), static_cast<unsigned>(kPerGroup));
    EXPECT_EQ(MFnDagNode(MFnDagNode(groups[5]).child(7)).name(), "bone7");
    size_t visited = 0;
    for (MItDag it; !it.isDone(); it.next()) ++visited;
    EXPECT_EQ(visited, mayastandin::dagNodeCount() + 1);
    // The world's children are in creation order after all the removals.
    EXPECT_EQ(MFnDagNode(MFnDagNode(groups[0]).parent(0)).child(3), groups[3]);
}

// The name look-up lists every node of a name, wherever it sits, and only those; paths and patterns too.
TEST_F(DagTest, SelectionListByNameListsEveryNamesake) {
    ASSERT_TRUE(
        mayastandin::execute("createNode transform -n a; createNode transform -n x -p a;"
                             "createNode transform -n b; createNode transform -n x -p b;"
                             "createNode transform -n x; createNode transform -n xy -p \"|x\""));
    auto listed = [](const char* name) {
        MSelectionList list;
        std::vector<std::string> paths;
        if (!MGlobal::getSelectionListByName(name, list)) return paths;
        for (unsigned int i = 0; i < list.length(); ++i) {
            MDagPath path;
            EXPECT_TRUE(list.getDagPath(i, path));
            paths.push_back(path.fullPathName().asChar());
        }
        std::sort(paths.begin(), paths.end());
        return paths;
    };
    EXPECT_EQ(listed("x"), (std::vector<std::string>{"|a|x", "|b|x", "|x"}));
    EXPECT_EQ(listed("b|x"), (std::vector<std::string>{"|b|x"}));
    EXPECT_EQ(listed("x*"), (std::vector<std::string>{"|a|x", "|b|x", "|x", "|x|xy"}));
    EXPECT_TRUE(listed("nothing").empty());
    MSelectionList list;
    EXPECT_FALSE(MGlobal::getSelectionListByName("nothing", list));
    EXPECT_TRUE(list.isEmpty());
    MDagPath path;
    EXPECT_FALSE(list.getDagPath(0, path));
}
