// Joints as the host composes them ([S][RA][R][JO][IS][T]) and transforms ([S][RA][R][T]), against products of
// elementary matrices built here; their attributes; MFnIkJoint, which sees the orient, and MFnTransform,
// which does not; and hide and showHidden on the selection.
#include "test_support.h"

#include <maya/MEulerRotation.h>
#include <maya/MFnIkJoint.h>
#include <maya/MFnTransform.h>
#include <maya/MMatrix.h>
#include <maya/MQuaternion.h>

#include <array>
#include <cstdlib>
#include <map>
#include <sstream>

#include "ReferenceRotation.h"

using mayastandin::execute;

namespace {

// getAttr and xform answer in "%g" text: six digits.
constexpr double kTextTol = 1e-4;

MMatrix numbersOf(const std::string& mel) {
    std::vector<std::string> items;
    EXPECT_TRUE(mayastandin::executeList(mel, &items)) << mel << "\n" << mayastandin::logText();
    MMatrix m;
    for (std::size_t k = 0; k < 16 && k < items.size(); ++k) m.matrix[k / 4][k % 4] = std::atof(items[k].c_str());
    return m;
}

using JointTest = StandinTest;

TEST_F(JointTest, LocalMatrixComposesScaleAxisRotateOrientInverseParentScaleAndTranslate) {
    using V = std::array<double, 3>;
    struct Case {
        const char *what, *type, *parentType;
        V parentScale, scale, rotateAxis, rotate, jointOrient;
    };
    const Case cases[] = {
        {"transform", "transform", "transform", {2, 2, 2}, {1, 2, 3}, {30, 0, 45}, {10, 20, 30}, {0, 0, 0}},
        {"joint", "joint", "transform", {2, 4, 0.5}, {1, 2, 0.5}, {-20, 35, 10}, {15, -40, 70}, {90, -30, 12}},
        {"joint under a scaled joint", "joint", "joint", {2, 4, 0.5}, {1, 1, 3}, {5, 0, 0}, {0, 60, 0}, {0, 0, 45}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        mayastandin::resetScene();
        make(c.type, "n", make(c.parentType, "up"));
        std::ostringstream mel;
        auto set = [&](const char* plug, const V& v) {
            mel << "setAttr " << plug << " " << v[0] << " " << v[1] << " " << v[2] << ";";
        };
        set("up.s", c.parentScale), set("n.s", c.scale), set("n.ra", c.rotateAxis), set("n.r", c.rotate);
        set("n.t", {4, 5, 6});
        if (std::string(c.type) == "joint") set("n.jointOrient", c.jointOrient);
        ASSERT_TRUE(execute(mel.str())) << mayastandin::logText();

        using namespace reference;
        Rot expected = scaleRows(c.scale, eulerXYZ(c.rotateAxis[0], c.rotateAxis[1], c.rotateAxis[2]));
        expected = product(product(expected, eulerXYZ(c.rotate[0], c.rotate[1], c.rotate[2])),
                           eulerXYZ(c.jointOrient[0], c.jointOrient[1], c.jointOrient[2]));
        if (std::string(c.parentType) == "joint")
            expected = scaleColumns(expected, {1 / c.parentScale[0], 1 / c.parentScale[1], 1 / c.parentScale[2]});
        const MMatrix local = numbersOf("xform -q -m n");
        EXPECT_LT(maxDifference(local, expected), kTextTol);
        EXPECT_EQ(MVector(local(3, 0), local(3, 1), local(3, 2)), MVector(4, 5, 6));
        EXPECT_LT(maxDifference(numbersOf("xform -q -ws -m n"), scaleColumns(expected, c.parentScale)), kTextTol);
    }
}

TEST_F(JointTest, AttributesAnswerWholeOrPerAxisAndRefuseWhatANodeLacks) {
    make("joint", "j");
    make("transform", "t");
    ASSERT_TRUE(execute("setAttr j.jointOrient 10 20 30; setAttr j.rax 5; setAttr -type double3 t.ra 1 2 3"));
    const std::map<std::string, std::string> answers = {
        {"getAttr j.jo", "10 20 30"},
        {"getAttr j.jointOrientY", "20"},
        {"getAttr j.rotateAxis", "5 0 0"},
        {"xform -q -ra t", "1 2 3"},
        {"getAttr t.rotateAxisZ", "3"},
        {"getAttr t.jointOrient", "// Error: getAttr: No object matches name: t.jointOrient\n"},
        {"setAttr j.jointOrient 1 2", "// Error: setAttr: 'j.jointOrient' takes 3 values, got 2\n"},
        {"setAttr j.jo 1 two 3", "// Error: setAttr: Not a number: 'two'\n"},
    };
    for (const auto& a : answers) {
        mayastandin::clearLog();
        std::string out;
        const bool ok = execute(a.first, &out);
        EXPECT_EQ(ok ? out : mayastandin::logText(), a.second) << a.first;
    }
}

// MFnTransform reads and writes the rotate value alone, world space included; MFnIkJoint and xform see the
// whole joint.
TEST_F(JointTest, OnlyMFnIkJointAndXformSeeTheOrient) {
    using reference::maxDifference;
    MObject j = make("joint", "j", make("joint", "root"));
    ASSERT_TRUE(execute("setAttr root.r 0 30 0"));
    MStatus status;
    MFnIkJoint joint(j, &status);
    ASSERT_TRUE(status);
    ASSERT_TRUE(joint.setOrientation(MEulerRotation(0, 0, 1.5)));
    ASSERT_TRUE(joint.setScaleOrientation(MEulerRotation(0.25, 0, 0).asQuaternion()));
    MFnIkJoint notJoint(make("transform", "t"), &status);
    EXPECT_EQ(status.statusCode(), MStatus::kInvalidParameter);

    MDagPath path;
    MFnDagNode(j).getPath(path);
    const MQuaternion target = MEulerRotation(0.3, -0.2, 1.1).asQuaternion();
    MFnTransform(j).setRotation(target, MSpace::kWorld);
    EXPECT_GT(maxDifference(path.inclusiveMatrix(), reference::quaternion(target.x, target.y, target.z, target.w)),
              0.1);

    ASSERT_TRUE(execute("xform -ws -ro 30 -20 60 j"));
    EXPECT_LT(maxDifference(path.inclusiveMatrix(), reference::eulerXYZ(30, -20, 60)), 1e-9);
    const MMatrix answer = numbersOf("xform -q -ws -ro j");
    EXPECT_LT(maxDifference(path.inclusiveMatrix(), reference::eulerXYZ(answer(0, 0), answer(0, 1), answer(0, 2))),
              kTextTol);
}

// With no objects, a `ls` that found nothing included, hide and showHidden act on the selection, if any.
TEST_F(JointTest, VisibilityCommandsWithoutObjectsActOnTheSelection) {
    struct Case {
        const char *hiddenFirst, *selected, *command, *hiddenAfter;
    };
    const Case cases[] = {
        {"", "a b", "hide", "a b"},
        {"", "a", "hide `ls -an |nothing`;", "a"},
        {"a c", "a", "showHidden  `ls -an |nothing`;", "c"},
        {"", "a", "hide c", "c"},
        {"", "", "hide `ls -an |nothing`;", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command + std::string(", selected: ") + c.selected);
        mayastandin::resetScene();
        std::map<std::string, MObject> nodes = {
            {"a", make("transform", "a")}, {"b", make("transform", "b")}, {"c", make("transform", "c")}};
        if (*c.hiddenFirst) {
            ASSERT_TRUE(execute(std::string("hide ") + c.hiddenFirst));
        }
        std::vector<MObject> selection;
        for (const char* s = c.selected; *s; ++s)
            if (*s != ' ') selection.push_back(nodes[std::string(1, *s)]);
        mayastandin::setSelection(selection);
        EXPECT_TRUE(execute(c.command)) << mayastandin::logText();
        for (const auto& n : nodes) {
            MDagPath path;
            MFnDagNode(n.second).getPath(path);
            EXPECT_EQ(path.isVisible(), std::string(c.hiddenAfter).find(n.first) == std::string::npos) << n.first;
        }
    }
}

}  // namespace
