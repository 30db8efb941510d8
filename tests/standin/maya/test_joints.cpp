// Joints as the host composes them ([S][RA][R][JO][IS][T]) and transforms ([S][RA][R][T]), held against
// products of elementary matrices built here; their attributes through getAttr, setAttr and xform; and the
// function sets: MFnIkJoint sees the orient, MFnTransform does not.
#include "test_support.h"

#include <maya/MEulerRotation.h>
#include <maya/MFnIkJoint.h>
#include <maya/MFnTransform.h>
#include <maya/MGlobal.h>
#include <maya/MMatrix.h>
#include <maya/MQuaternion.h>
#include <maya/MSelectionList.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <map>
#include <sstream>
#include <vector>

#include "ReferenceRotation.h"

using mayastandin::execute;
using reference::Rot;

namespace {

// Double arithmetic over a few chained products and the "%g" text of getAttr answers (six digits).
constexpr double kTol = 1e-9;
constexpr double kTextTol = 1e-4;

std::vector<double> numbersOf(const std::string& mel) {
    std::vector<std::string> items;
    EXPECT_TRUE(mayastandin::executeList(mel, &items)) << mel << "\n" << mayastandin::logText();
    std::vector<double> out;
    for (const auto& item : items) out.push_back(std::atof(item.c_str()));
    return out;
}

std::string answer(const std::string& mel) {
    std::string out;
    EXPECT_TRUE(execute(mel, &out)) << mel << "\n" << mayastandin::logText();
    return out;
}

MMatrix matrixOf(const std::vector<double>& sixteen) {
    MMatrix m;
    for (int k = 0; k < 16 && k < static_cast<int>(sixteen.size()); ++k) m.matrix[k / 4][k % 4] = sixteen[k];
    return m;
}

using JointTest = StandinTest;

struct Composition {
    const char* what;
    const char* type;        // "joint" or "transform"
    const char* parentType;  // of the node above it
    std::array<double, 3> parentScale, scale, rotateAxis, rotate, jointOrient, translate;
};

TEST_F(JointTest, LocalMatrixComposesScaleAxisRotateOrientInverseParentScaleAndTranslate) {
    const Composition cases[] = {
        {"plain transform",
         "transform",
         "transform",
         {1, 1, 1},
         {1, 1, 1},
         {0, 0, 0},
         {10, 20, 30},
         {0, 0, 0},
         {1, 2, 3}},
        {"transform with a rotate axis",
         "transform",
         "transform",
         {2, 2, 2},
         {1, 2, 3},
         {30, 0, 45},
         {10, 20, 30},
         {0, 0, 0},
         {1, 2, 3}},
        {"joint with an orient",
         "joint",
         "transform",
         {1, 1, 1},
         {1, 1, 1},
         {0, 0, 0},
         {0, 0, 0},
         {0, 0, 90},
         {4, 0, 0}},
        {"joint with everything",
         "joint",
         "transform",
         {1, 1, 1},
         {1, 2, 0.5},
         {-20, 35, 10},
         {15, -40, 70},
         {90, -30, 12},
         {4, 5, 6}},
        {"joint under a scaled joint",
         "joint",
         "joint",
         {2, 4, 0.5},
         {1, 1, 3},
         {5, 0, 0},
         {0, 60, 0},
         {0, 0, 45},
         {1, 1, 1}},
        {"joint under a scaled transform: no inverse scale",
         "joint",
         "transform",
         {2, 4, 0.5},
         {1, 1, 1},
         {0, 0, 0},
         {0, 60, 0},
         {0, 0, 45},
         {1, 1, 1}},
    };
    for (const Composition& c : cases) {
        SCOPED_TRACE(c.what);
        mayastandin::resetScene();
        MObject parent = make(c.parentType, "up");
        make(c.type, "n", parent);
        std::ostringstream mel;
        auto set = [&](const char* plug, const std::array<double, 3>& v) {
            mel << "setAttr " << plug << " " << v[0] << " " << v[1] << " " << v[2] << ";";
        };
        set("up.scale", c.parentScale);
        set("n.scale", c.scale);
        set("n.rotateAxis", c.rotateAxis);
        set("n.rotate", c.rotate);
        set("n.translate", c.translate);
        if (std::string(c.type) == "joint") set("n.jointOrient", c.jointOrient);
        ASSERT_TRUE(execute(mel.str())) << mayastandin::logText();

        Rot expected =
            reference::scaleRows(c.scale, reference::eulerXYZ(c.rotateAxis[0], c.rotateAxis[1], c.rotateAxis[2]));
        expected = reference::product(expected, reference::eulerXYZ(c.rotate[0], c.rotate[1], c.rotate[2]));
        expected =
            reference::product(expected, reference::eulerXYZ(c.jointOrient[0], c.jointOrient[1], c.jointOrient[2]));
        if (std::string(c.type) == "joint" && std::string(c.parentType) == "joint")
            expected =
                reference::scaleColumns(expected, {1 / c.parentScale[0], 1 / c.parentScale[1], 1 / c.parentScale[2]});

        const MMatrix local = matrixOf(numbersOf("xform -q -m n"));
        EXPECT_LT(reference::maxDifference(local, expected), kTextTol);
        for (int k = 0; k < 3; ++k) EXPECT_NEAR(local(3, k), c.translate[k], kTextTol);
        // World: local times the parent's scale (its only transform here).
        const MMatrix world = matrixOf(numbersOf("xform -q -ws -m n"));
        EXPECT_LT(reference::maxDifference(world, reference::scaleColumns(expected, c.parentScale)), kTextTol);
    }
}

TEST_F(JointTest, AttributesAnswerInDegreesWholeOrPerAxisAndRefuseWhatANodeLacks) {
    make("joint", "j");
    make("transform", "t");
    ASSERT_TRUE(execute("setAttr j.jointOrient 10 20 30; setAttr j.rax 5; setAttr -type double3 t.ra 1 2 3"));
    const std::pair<const char*, const char*> answers[] = {
        {"getAttr j.jointOrient", "10 20 30"}, {"getAttr j.jo", "10 20 30"},
        {"getAttr j.jointOrientY", "20"},      {"getAttr j.joz", "30"},
        {"getAttr j.rotateAxis", "5 0 0"},     {"getAttr t.rotateAxis", "1 2 3"},
        {"xform -q -ra t", "1 2 3"},           {"getAttr j.rotate", "0 0 0"},
        {"getAttr t.rotateAxisZ", "3"},
    };
    for (const auto& a : answers) EXPECT_EQ(answer(a.first), a.second) << a.first;

    const std::pair<const char*, const char*> errors[] = {
        {"getAttr t.jointOrient", "getAttr: No object matches name: t.jointOrient"},
        {"setAttr t.jo 1 2 3", "setAttr: No object matches name: t.jo"},
        {"setAttr j.jointOrient 1 2", "setAttr: 'j.jointOrient' takes 3 values, got 2"},
        {"setAttr j.jox 1 2", "setAttr: 'j.jox' takes 1 value, got 2"},
        {"setAttr j.jo 1 two 3", "setAttr: Not a number: 'two'"},
        {"setAttr j.rotateOrder 6", "setAttr: rotateOrder is 0 to 5, got 6"},
    };
    for (const auto& e : errors) {
        mayastandin::clearLog();
        EXPECT_FALSE(execute(e.first)) << e.first;
        EXPECT_EQ(mayastandin::logText(), "// Error: " + std::string(e.second) + "\n");
    }
    EXPECT_EQ(answer("getAttr j.jointOrient"), "10 20 30");  // the failures changed nothing
}

// The orient belongs to MFnIkJoint; MFnTransform reads and writes the rotate value alone, in world space too,
// while xform's world-space rotation is the node's whole world orientation.
TEST_F(JointTest, OnlyMFnIkJointAndXformSeeTheOrient) {
    MObject root = make("joint", "root");
    MObject j = make("joint", "j", root);
    MFnTransform(root).setRotation(MEulerRotation(0, 0.5, 0));
    MStatus status;
    MFnIkJoint joint(j, &status);
    ASSERT_TRUE(status);
    const MQuaternion orient = MEulerRotation(0, 0, 3.14159265358979323846 / 2).asQuaternion();
    ASSERT_TRUE(joint.setOrientation(orient));
    EXPECT_EQ(answer("getAttr j.jointOrient"), "0 0 90");
    MQuaternion back;
    ASSERT_TRUE(joint.getOrientation(back));
    EXPECT_TRUE(back.isEquivalent(orient, kTol));
    ASSERT_TRUE(joint.setScaleOrientation(MEulerRotation(0.25, 0, 0).asQuaternion()));
    EXPECT_NEAR(numbersOf("getAttr j.rotateAxisX").at(0), 0.25 * 180 / 3.14159265358979323846, kTextTol);

    MFnIkJoint notJoint(make("transform", "t"), &status);
    EXPECT_EQ(status.statusCode(), MStatus::kInvalidParameter);

    // MFnTransform's world rotation leaves out the axis and orient: it does not reach what it was given.
    const MQuaternion target = MEulerRotation(0.3, -0.2, 1.1).asQuaternion();
    MFnTransform(j).setRotation(target, MSpace::kWorld);
    MQuaternion read;
    MFnTransform(j).getRotation(read, MSpace::kWorld);
    EXPECT_TRUE(read.isEquivalent(target, kTol) || read.isEquivalent(-target, kTol));
    MDagPath path;
    MFnDagNode(j).getPath(path);
    const Rot wanted = reference::quaternion(target.x, target.y, target.z, target.w);
    EXPECT_GT(reference::maxDifference(path.inclusiveMatrix(), wanted), 0.1);

    // xform sets and answers the whole world orientation.
    ASSERT_TRUE(execute("xform -ws -ro 30 -20 60 j"));
    const Rot xformWanted = reference::eulerXYZ(30, -20, 60);
    EXPECT_LT(reference::maxDifference(path.inclusiveMatrix(), xformWanted), kTol);
    const std::vector<double> world = numbersOf("xform -q -ws -ro j");
    ASSERT_EQ(world.size(), 3u);
    const Rot answered = reference::eulerXYZ(world[0], world[1], world[2]);
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) EXPECT_NEAR(answered[r][c], xformWanted[r][c], kTextTol);
}

// hide and showHidden act on the objects given, or on the selection when there are none, a `ls` that
// found nothing included; with nothing selected they do nothing.
TEST_F(JointTest, VisibilityCommandsWithoutObjectsActOnTheSelection) {
    struct Case {
        const char* what;
        std::vector<const char*> hiddenFirst, selected;
        const char* command;
        std::vector<const char*> hiddenAfter;
    };
    const Case cases[] = {
        {"hide, two selected", {}, {"a", "b"}, "hide", {"a", "b"}},
        {"hide of an empty ls", {}, {"a"}, "hide `ls -an |nothing`;", {"a"}},
        {"showHidden of an empty ls", {"a", "c"}, {"a"}, "showHidden  `ls -an |nothing`;", {"c"}},
        {"named object, not the selection", {}, {"a"}, "hide c", {"c"}},
        {"nothing selected", {}, {}, "hide `ls -an |nothing`;", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        mayastandin::resetScene();
        std::map<std::string, MObject> nodes;
        for (const char* name : {"a", "b", "c"}) nodes[name] = make("transform", name);
        for (const char* name : c.hiddenFirst) ASSERT_TRUE(execute(std::string("hide ") + name));
        std::vector<MObject> selection;
        for (const char* name : c.selected) selection.push_back(nodes[name]);
        mayastandin::setSelection(selection);
        EXPECT_TRUE(execute(c.command)) << mayastandin::logText();
        for (const auto& n : nodes) {
            const bool hidden = std::find_if(c.hiddenAfter.begin(), c.hiddenAfter.end(),
                                             [&](const char* h) { return n.first == h; }) != c.hiddenAfter.end();
            MDagPath path;
            MFnDagNode(n.second).getPath(path);
            EXPECT_EQ(path.isVisible(), !hidden) << n.first;
        }
    }
}

TEST_F(JointTest, ActiveSelectionListReadsAndAdjustsTheSelection) {
    MObject a = make("transform", "a"), b = make("transform", "b"), c = make("transform", "c");
    struct Case {
        MGlobal::ListAdjustment adjustment;
        std::vector<MObject> given, expected;
    };
    const Case cases[] = {
        {MGlobal::kReplaceList, {c}, {c}},           {MGlobal::kAddToList, {c, a}, {a, b, c}},
        {MGlobal::kAddToHeadOfList, {c}, {c, a, b}}, {MGlobal::kRemoveFromList, {a, c}, {b}},
        {MGlobal::kXORWithList, {a, c}, {b, c}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(static_cast<int>(k.adjustment));
        mayastandin::setSelection({a, b});
        MSelectionList given;
        for (const MObject& o : k.given) given.add(o);
        ASSERT_TRUE(MGlobal::setActiveSelectionList(given, k.adjustment));
        MSelectionList now;
        ASSERT_TRUE(MGlobal::getActiveSelectionList(now));
        ASSERT_EQ(now.length(), k.expected.size());
        for (unsigned int i = 0; i < now.length(); ++i) {
            MObject o;
            now.getDependNode(i, o);
            EXPECT_TRUE(o == k.expected[i]) << i;
        }
    }
}

}  // namespace
