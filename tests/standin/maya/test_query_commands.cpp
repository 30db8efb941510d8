// The commands a user inspects a scene with (xform, getAttr, listRelatives, ls -type, select), against scenes
// whose answers are worked out by hand, each with its error for bad input; and the host's notifications.
#include "test_support.h"

#include <maya/MEulerRotation.h>
#include <maya/MFnTransform.h>

#include <cstdlib>
#include <sstream>

using mayastandin::execute;
using mayastandin::executeList;

namespace {

std::vector<double> numbers(const std::vector<std::string>& items) {
    std::vector<double> out;
    for (const auto& item : items) out.push_back(std::atof(item.c_str()));
    return out;
}

class QueryTest : public StandinTest {
protected:
    // |rig (translate 10 0 0, rotate 0 90 0)
    //   |rig|hip (joint, translate 0 0 5)
    //     |rig|hip|knee (joint, translate 0 -40 0)
    //   |rig|marker (locator: transform + shape, translate 1 2 3)
    // |other (empty transform)
    void SetUp() override {
        StandinTest::SetUp();
        rig = make("transform", "rig");
        hip = make("joint", "hip", rig);
        knee = make("joint", "knee", hip);
        marker = make("locator", "marker");
        MDagModifier parent;
        parent.reparentNode(marker, rig);
        ASSERT_TRUE(parent.doIt());
        other = make("transform", "other");
        MFnTransform(rig).setTranslation(MVector(10, 0, 0), MSpace::kTransform);
        MFnTransform(rig).setRotation(MEulerRotation(0, 90 * kRadians, 0));
        MFnTransform(hip).setTranslation(MVector(0, 0, 5), MSpace::kTransform);
        MFnTransform(knee).setTranslation(MVector(0, -40, 0), MSpace::kTransform);
        MFnTransform(marker).setTranslation(MVector(1, 2, 3), MSpace::kTransform);
        mayastandin::clearLog();
    }
    static std::vector<std::string> list(const std::string& mel) {
        std::vector<std::string> out;
        EXPECT_TRUE(executeList(mel, &out)) << mel << "\n" << mayastandin::logText();
        return out;
    }
    static std::string single(const std::string& mel) {
        std::string out;
        EXPECT_TRUE(execute(mel, &out)) << mel << "\n" << mayastandin::logText();
        return out;
    }
    // The command fails with exactly this error and leaves it in the log.
    static void expectError(const std::string& mel, const std::string& error) {
        mayastandin::clearLog();
        EXPECT_FALSE(execute(mel)) << mel;
        EXPECT_EQ(mayastandin::logText(), "// Error: " + error + "\n") << mel;
    }
    static void expectNear(const std::vector<double>& got, const std::vector<double>& want) {
        ASSERT_EQ(got.size(), want.size());
        for (std::size_t i = 0; i < got.size(); ++i) EXPECT_NEAR(got[i], want[i], 1e-9) << "value " << i;
    }
    static constexpr double kRadians = 3.14159265358979323846 / 180.0;
    MObject rig, hip, knee, marker, other;
};

TEST_F(QueryTest, XformAnswersTranslationRotationAndMatrixInBothSpaces) {
    // Rotating +90 degrees about Y takes +Z to +X: the hip's offset (0 0 5) lands at (5 0 0) from the rig.
    expectNear(numbers(list("xform -q -ws -t hip")), {15, 0, 0});
    expectNear(numbers(list("xform -q -worldSpace -translation rig|hip|knee")), {15, -40, 0});
    EXPECT_EQ(list("xform -q -t hip"), (std::vector<std::string>{"0", "0", "5"}));
    expectNear(numbers(list("xform -q -ws -ro knee")), {0, 90, 0});
    EXPECT_EQ(list("xform -q -ro knee"), (std::vector<std::string>{"0", "0", "0"}));
    const std::vector<double> world = numbers(list("xform -q -ws -m hip"));
    // Row vectors: the X axis row becomes (0 0 -1), translation is the last row.
    expectNear(world, {0, 0, -1, 0, 0, 1, 0, 0, 1, 0, 0, 0, 15, 0, 0, 1});
    EXPECT_EQ(list("xform -q -m hip"), (std::vector<std::string>{"1", "0", "0", "0", "0", "1", "0", "0", "0", "0", "1",
                                                                 "0", "0", "0", "5", "1"}));
    // Several objects: their answers one after the other.
    EXPECT_EQ(list("xform -q -t hip marker").size(), 6u);
}

TEST_F(QueryTest, XformSetsInEitherSpaceAndRefusesBadInput) {
    ASSERT_TRUE(execute("xform -ws -t 1 -2 3.5 knee"));
    expectNear(numbers(list("xform -q -ws -t knee")), {1, -2, 3.5});
    ASSERT_TRUE(execute("xform -r -t 0 1 0 other; xform -r -t 0 1 0 other"));
    EXPECT_EQ(list("xform -q -t other"), (std::vector<std::string>{"0", "2", "0"}));
    ASSERT_TRUE(execute("xform -ro 0 0 45 other"));
    EXPECT_EQ(single("getAttr other.rz"), "45");

    expectError("xform -q -ws -t nosuch", "xform: No object matches name: nosuch");
    expectError("xform -q -t -ro hip", "xform: Query exactly one of -translation, -rotation, -rotateAxis and -matrix");
    expectError("xform -q -t markerShape", "xform: 'markerShape' is not a transform");
    expectError("xform -t 1 2 hip", "xform: Flag '-t' expects three numbers");
    expectError("xform -t 1 nan 2 hip", "xform: Flag '-t' expects three numbers");
    expectError("xform -m 1 0 0 0 hip", "xform: Flag '-m' can only be queried");
    expectError("xform -q -t -bogus hip", "xform: Invalid flag '-bogus'");
    expectError("xform -q -t", "xform: No objects specified");
    expectNear(numbers(list("xform -q -ws -t knee")), {1, -2, 3.5});  // nothing above changed it
}

TEST_F(QueryTest, GetAttrReadsTranslateRotateVisibilityAndNamesWhatIsMissing) {
    EXPECT_EQ(list("getAttr hip.translate"), (std::vector<std::string>{"0", "0", "5"}));
    EXPECT_EQ(single("getAttr knee.ty"), "-40");
    EXPECT_EQ(single("getAttr marker.translateZ"), "3");
    EXPECT_EQ(list("getAttr rig.rotate"), (std::vector<std::string>{"0", "90", "0"}));
    EXPECT_EQ(single("getAttr rig.rotateY"), "90");
    EXPECT_EQ(single("getAttr rig.visibility"), "1");
    ASSERT_TRUE(execute("hide rig"));
    EXPECT_EQ(single("getAttr rig.v"), "0");
    EXPECT_EQ(single("getAttr markerShape.visibility"), "1");  // hidden by its ancestor, not itself

    expectError("getAttr nosuch.translate", "getAttr: No object matches name: nosuch.translate");
    expectError("getAttr hip.bogus", "getAttr: No object matches name: hip.bogus");
    expectError("getAttr markerShape.translate", "getAttr: No object matches name: markerShape.translate");
    expectError("getAttr hip", "getAttr: No attribute was specified in 'hip'");
    expectError("getAttr hip.t knee.t", "getAttr: Expected one attribute, as node.attribute");
}

TEST_F(QueryTest, ListRelativesWalksChildrenParentsAndDescendants) {
    EXPECT_EQ(list("listRelatives rig"), (std::vector<std::string>{"hip", "marker"}));
    EXPECT_EQ(list("listRelatives -c marker"), (std::vector<std::string>{"markerShape"}));
    EXPECT_EQ(list("listRelatives -p knee"), (std::vector<std::string>{"hip"}));
    EXPECT_EQ(list("listRelatives -p -f knee"), (std::vector<std::string>{"|rig|hip"}));
    EXPECT_TRUE(list("listRelatives -p rig").empty());
    EXPECT_EQ(list("listRelatives -p hip marker"), (std::vector<std::string>{"rig"}));  // one parent, once
    // Every node after the nodes below it.
    EXPECT_EQ(list("listRelatives -ad rig"), (std::vector<std::string>{"markerShape", "marker", "knee", "hip"}));
    EXPECT_EQ(list("listRelatives -ad -type joint -f rig"), (std::vector<std::string>{"|rig|hip|knee", "|rig|hip"}));
    EXPECT_EQ(list("listRelatives -s marker"), (std::vector<std::string>{"markerShape"}));
    EXPECT_TRUE(list("listRelatives other").empty());

    expectError("listRelatives nosuch", "listRelatives: No object matches name: nosuch");
    expectError("listRelatives -p -c rig", "listRelatives: Use only one of -children, -parent and -allDescendents");
    expectError("listRelatives -type nosuchtype rig", "listRelatives: Unknown object type: nosuchtype");
}

TEST_F(QueryTest, LsTypeFollowsTheTypeHierarchy) {
    EXPECT_EQ(list("ls -type joint"), (std::vector<std::string>{"hip", "knee"}));
    EXPECT_EQ(list("ls -type transform"), (std::vector<std::string>{"rig", "hip", "knee", "marker", "other"}));
    EXPECT_EQ(list("ls -exactType transform"), (std::vector<std::string>{"rig", "marker", "other"}));
    EXPECT_EQ(list("ls -type locator -l"), (std::vector<std::string>{"|rig|marker|markerShape"}));
    EXPECT_EQ(list("ls -type joint -type locator"), (std::vector<std::string>{"hip", "knee", "markerShape"}));
    EXPECT_EQ(list("ls -type shape \"*Shape\""), (std::vector<std::string>{"markerShape"}));
    expectError("ls -type nosuchtype", "ls: Unknown object type: nosuchtype");
}

TEST_F(QueryTest, SelectReplacesAddsTogglesAndClearsAndListsWithLsSl) {
    ASSERT_TRUE(execute("select hip knee"));
    EXPECT_EQ(list("ls -sl"), (std::vector<std::string>{"hip", "knee"}));
    ASSERT_TRUE(execute("select -add other; select -d hip"));
    EXPECT_EQ(list("ls -sl -l"), (std::vector<std::string>{"|rig|hip|knee", "|other"}));
    ASSERT_TRUE(execute("select -tgl knee rig"));
    EXPECT_EQ(list("ls -sl"), (std::vector<std::string>{"other", "rig"}));
    EXPECT_EQ(list("ls -sl -type transform \"o*\""), (std::vector<std::string>{"other"}));
    // Commands without objects work on the selection.
    EXPECT_EQ(list("listRelatives"), (std::vector<std::string>{"hip", "marker"}));
    ASSERT_TRUE(execute("select \"k*\""));
    EXPECT_EQ(list("ls -sl"), (std::vector<std::string>{"knee"}));

    expectError("select knee nosuch", "select: No object matches name: nosuch");
    EXPECT_EQ(list("ls -sl"), (std::vector<std::string>{"knee"}));  // unchanged
    expectError("select", "select: No objects specified");
    expectError("select -add -d knee", "select: Use only one of -replace, -add, -addFirst, -deselect and -toggle");

    ASSERT_TRUE(execute("delete hip"));  // takes knee along
    EXPECT_TRUE(list("ls -sl").empty());
    ASSERT_TRUE(execute("select rig; select -cl"));
    EXPECT_TRUE(mayastandin::selection().empty());
}

TEST_F(QueryTest, ListenersHearStructureChangesButNotTransformWrites) {
    std::vector<std::string> heard;
    const int id = mayastandin::addSceneListener([&](mayastandin::SceneChange change, const MObject& node) {
        static const char* const names[] = {"created", "renamed", "reparented", "deleting", "selection"};
        heard.push_back(std::string(names[static_cast<int>(change)]) + " " +
                        (node.isNull() ? std::string("-") : pathOf(node)));
    });
    const std::uint64_t structure = mayastandin::structureRevision();
    std::uint64_t revision = mayastandin::sceneRevision();
    MFnTransform(knee).setTranslation(MVector(1, 1, 1), MSpace::kTransform);
    EXPECT_TRUE(heard.empty());
    EXPECT_EQ(mayastandin::structureRevision(), structure);
    EXPECT_NE(mayastandin::sceneRevision(), revision);
    revision = mayastandin::sceneRevision();
    ASSERT_TRUE(execute("hide knee"));
    EXPECT_NE(mayastandin::sceneRevision(), revision);  // drawn differently, same structure
    EXPECT_TRUE(heard.empty());

    ASSERT_TRUE(
        execute("createNode transform -n extra; rename extra spare; parent spare rig; select spare; "
                "delete rig"));
    mayastandin::removeSceneListener(id);
    ASSERT_TRUE(execute("createNode transform -n unheard"));
    EXPECT_EQ(heard, (std::vector<std::string>{"created |extra", "renamed |spare", "reparented |rig|spare",
                                               "selection -", "deleting |rig"}));
    EXPECT_GT(mayastandin::structureRevision(), structure);
}

}  // namespace
