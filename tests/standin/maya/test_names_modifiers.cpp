// Node naming (legal names, sibling clashes, shapes) and MDagModifier timing.
#include "test_support.h"

#include <maya/MFnTransform.h>
#include <maya/MObjectHandle.h>

using mayastandin::findNode;
using mayastandin::legalNodeName;

using NamesTest = StandinTest;
using ModifierTest = StandinTest;

TEST_F(NamesTest, IllegalBytesBecomeUnderscoresAndLeadingDigitIsPrefixed) {
    EXPECT_EQ(legalNodeName("Hip_01"), "Hip_01");
    EXPECT_EQ(legalNodeName("left hand"), "left_hand");
    EXPECT_EQ(legalNodeName("7th"), "_7th");
    EXPECT_EQ(legalNodeName("a|b;c`d\"e$f"), "a_b_c_d_e_f");
    EXPECT_EQ(legalNodeName("-an"), "_an");
    EXPECT_EQ(legalNodeName("caf\xc3\xa9"), "caf__");  // one '_' per byte of a UTF-8 character
    EXPECT_EQ(legalNodeName(""), "");
}

TEST_F(NamesTest, SiblingClashGetsNextFreeNumber) {
    MObject a = make("transform", "A");
    MObject a1 = make("transform", "A");
    MObject a2 = make("transform", "A");
    EXPECT_EQ(nameOf(a), "A");
    EXPECT_EQ(nameOf(a1), "A1");
    EXPECT_EQ(nameOf(a2), "A2");
    // "A1" is taken: its trailing number goes on counting.
    MObject other = make("transform", "A1");
    EXPECT_EQ(nameOf(other), "A3");
    // The same name under another parent is no clash.
    MObject child = make("transform", "A", a);
    EXPECT_EQ(nameOf(child), "A");
    EXPECT_EQ(pathOf(child), "|A|A");
    // Renaming a node to its own name keeps it.
    MDagModifier modifier;
    modifier.renameNode(a1, "A1");
    ASSERT_TRUE(modifier.doIt());
    EXPECT_EQ(nameOf(a1), "A1");
}

TEST_F(NamesTest, DefaultNamesCountPerType) {
    MDagModifier modifier;
    EXPECT_EQ(nameOf(modifier.createNode("transform")), "transform1");
    EXPECT_EQ(nameOf(modifier.createNode("transform")), "transform2");
    EXPECT_EQ(nameOf(modifier.createNode("joint")), "joint1");
}

TEST_F(NamesTest, LocatorIsATransformWithAShapeThatFollowsRenames) {
    MDagModifier modifier;
    MObject locator = modifier.createNode("locator");
    ASSERT_TRUE(locator.hasFn(MFn::kTransform));
    MFnDagNode fn(locator);
    EXPECT_EQ(fn.name(), "locator1");
    ASSERT_EQ(fn.childCount(), 1u);
    MObject shape = fn.child(0);
    EXPECT_TRUE(shape.hasFn(MFn::kLocator));
    EXPECT_EQ(nameOf(shape), "locatorShape1");

    modifier.renameNode(locator, "Marker7");
    ASSERT_TRUE(modifier.doIt());
    EXPECT_EQ(nameOf(shape), "MarkerShape7");
    modifier.renameNode(locator, "Hip");
    ASSERT_TRUE(modifier.doIt());
    EXPECT_EQ(nameOf(shape), "HipShape");
    EXPECT_EQ(mayastandin::dagNodeCount(), 2u);
}

TEST_F(ModifierTest, CreateRenameAndReparentWaitForDoIt) {
    MDagModifier modifier;
    MObject parent = modifier.createNode("transform");
    MObject child = modifier.createNode("joint");
    // Both exist at once, with default names, but the scene gets them only at doIt.
    EXPECT_EQ(mayastandin::dagNodeCount(), 0u);
    EXPECT_EQ(nameOf(child), "joint1");
    EXPECT_TRUE(MObjectHandle(child).isAlive());
    EXPECT_FALSE(MObjectHandle(child).isValid());
    MDagPath path;
    EXPECT_FALSE(MFnDagNode(child).getPath(path));
    EXPECT_TRUE(findNode("joint1").isNull());
    ASSERT_TRUE(modifier.renameNode(parent, "Set"));
    ASSERT_TRUE(modifier.renameNode(child, "Bone"));
    ASSERT_TRUE(modifier.reparentNode(child, parent));
    EXPECT_EQ(nameOf(child), "joint1");
    EXPECT_TRUE(findNode("Set").isNull());

    ASSERT_TRUE(modifier.doIt());
    EXPECT_EQ(pathOf(child), "|Set|Bone");
    EXPECT_EQ(findNode("|Set|Bone"), child);
    // A second doIt does not repeat what was done.
    modifier.renameNode(child, "Bone2");
    ASSERT_TRUE(modifier.doIt());
    EXPECT_EQ(pathOf(child), "|Set|Bone2");
}

TEST_F(ModifierTest, OperationsApplyInCallOrder) {
    MObject a = make("transform", "a");
    MObject b = make("transform", "b");
    MObject node = make("transform", "n");
    MDagModifier modifier;
    modifier.renameNode(node, "first");
    modifier.reparentNode(node, a);
    modifier.renameNode(node, "second");
    modifier.reparentNode(node, b);
    ASSERT_TRUE(modifier.doIt());
    EXPECT_EQ(pathOf(node), "|b|second");
}

TEST_F(ModifierTest, FailingOperationIsReportedAndTheRestStillRuns) {
    MObject top = make("transform", "top");
    MObject mid = make("transform", "mid", top);
    MObject other = make("transform", "other");
    MDagModifier modifier;
    modifier.reparentNode(top, mid);     // under its own descendant: fails
    modifier.renameNode(other, "");      // empty name: refused, name kept
    modifier.renameNode(mid, "middle");  // still applied
    EXPECT_FALSE(modifier.doIt());
    EXPECT_EQ(pathOf(top), "|top");
    EXPECT_EQ(nameOf(other), "other");
    EXPECT_EQ(pathOf(mid), "|top|middle");
    EXPECT_TRUE(logContains("// Error: "));
}

TEST_F(ModifierTest, ReparentKeepsLocalValuesAndResolvesClashes) {
    MObject parent = make("transform", "P");
    make("transform", "C", parent);
    MFnTransform(parent).setTranslation(MVector(10, 0, 0), MSpace::kTransform);
    MObject child = make("transform", "C");
    MFnTransform(child).setTranslation(MVector(1, 2, 3), MSpace::kTransform);

    MDagModifier modifier;
    modifier.reparentNode(child, parent);
    ASSERT_TRUE(modifier.doIt());
    EXPECT_EQ(pathOf(child), "|P|C1");
    MFnTransform fn(child);
    EXPECT_TRUE(fn.getTranslation(MSpace::kTransform).isEquivalent(MVector(1, 2, 3)));
    EXPECT_TRUE(fn.getTranslation(MSpace::kWorld).isEquivalent(MVector(11, 2, 3)));

    // Back to the world with a null parent.
    modifier.reparentNode(child);
    ASSERT_TRUE(modifier.doIt());
    EXPECT_EQ(pathOf(child), "|C1");
}

TEST_F(ModifierTest, UndoRevertsRenamesReparentsAndCreations) {
    MObject keep = make("transform", "keep");
    MDagModifier modifier;
    MObject created = modifier.createNode("transform");
    modifier.renameNode(keep, "renamed");
    modifier.reparentNode(keep, created);
    ASSERT_TRUE(modifier.doIt());
    ASSERT_EQ(pathOf(keep), "|" + nameOf(created) + "|renamed");
    ASSERT_TRUE(modifier.undoIt());
    EXPECT_EQ(pathOf(keep), "|keep");
    const MObjectHandle handle(created);
    EXPECT_TRUE(handle.isAlive());  // the modifier holds it for a later doIt
    EXPECT_FALSE(handle.isValid());
    // doIt after undoIt does it all again, with the same node.
    ASSERT_TRUE(modifier.doIt());
    EXPECT_TRUE(handle.isValid());
    EXPECT_EQ(pathOf(keep), "|" + nameOf(created) + "|renamed");
}
