// Behaviour behind the declarations the stand-in shares with the 2018 devkit: rotation orders given as
// MTransformationMatrix values, MTransformationMatrix itself, strings changed in place, and names of
// any Qt object.
#include "test_support.h"

#include <QtCore/QObject>

#include <maya/MDGContext.h>
#include <maya/MDGContextGuard.h>
#include <maya/MEulerRotation.h>
#include <maya/MFnTransform.h>
#include <maya/MMatrix.h>
#include <maya/MString.h>
#include <maya/MTransformationMatrix.h>
#include <maya/MVector.h>
#include <maya/MQtUtil.h>

namespace {
constexpr double kTol = 1e-9;

struct OrderPair {
    MTransformationMatrix::RotationOrder transform;
    MEulerRotation::RotationOrder euler;
};
const OrderPair kOrders[] = {
    {MTransformationMatrix::kXYZ, MEulerRotation::kXYZ}, {MTransformationMatrix::kYZX, MEulerRotation::kYZX},
    {MTransformationMatrix::kZXY, MEulerRotation::kZXY}, {MTransformationMatrix::kXZY, MEulerRotation::kXZY},
    {MTransformationMatrix::kYXZ, MEulerRotation::kYXZ}, {MTransformationMatrix::kZYX, MEulerRotation::kZYX},
};
}  // namespace

using DevkitDeclarationsTest = StandinTest;

// The two enumerations name the same orders with values one apart: the transform takes the order by name.
TEST_F(DevkitDeclarationsTest, TransformRotationOrderIsTakenByName) {
    for (const OrderPair& order : kOrders) {
        MObject node = make("transform", "ordered");
        MFnTransform fn(node);
        ASSERT_TRUE(fn.setRotation(MEulerRotation(0.1, 0.2, 0.3, MEulerRotation::kXYZ)));
        ASSERT_TRUE(fn.setRotationOrder(order.transform, false)) << order.transform;
        EXPECT_EQ(fn.rotationOrder(), order.transform);
        MEulerRotation rotation;
        ASSERT_TRUE(fn.getRotation(rotation));
        EXPECT_EQ(rotation.order, order.euler) << order.transform;
        EXPECT_NEAR(rotation.y, 0.2, kTol);
    }
    MObject node = make("transform", "unordered");
    MFnTransform fn(node);
    for (MTransformationMatrix::RotationOrder invalid : {MTransformationMatrix::kInvalid, MTransformationMatrix::kLast})
        EXPECT_EQ(fn.setRotationOrder(invalid, true).statusCode(), MStatus::kInvalidParameter);
    EXPECT_EQ(fn.rotationOrder(), MTransformationMatrix::kXYZ);
}

TEST(TransformationMatrix, ComponentsRoundTripThroughTheMatrix) {
    const double scales[][3] = {{1, 1, 1}, {2, 0.5, 3}, {-1, 2, 2}};
    for (const OrderPair& order : kOrders)
        for (const auto& scale : scales) {
            MTransformationMatrix built;
            const double angles[3] = {0.3, -0.7, 1.1};
            ASSERT_TRUE(built.setRotation(angles, order.transform));
            ASSERT_TRUE(built.setScale(scale, MSpace::kTransform));
            ASSERT_TRUE(built.setTranslation(MVector(4, 5, 6), MSpace::kTransform));

            const MMatrix expected = [&] {
                MMatrix s;
                for (int k = 0; k < 3; ++k) s(k, k) = scale[k];
                MMatrix m = s * MEulerRotation(angles[0], angles[1], angles[2], order.euler).asMatrix();
                m(3, 0) = 4, m(3, 1) = 5, m(3, 2) = 6;
                return m;
            }();
            EXPECT_TRUE(built.asMatrix().isEquivalent(expected, kTol)) << order.transform;

            const MTransformationMatrix decomposed(built.asMatrix());
            EXPECT_TRUE(decomposed.isEquivalent(built, kTol)) << order.transform;
            EXPECT_TRUE(decomposed.getTranslation(MSpace::kTransform).isEquivalent(MVector(4, 5, 6), kTol));

            MTransformationMatrix reordered(built);
            ASSERT_TRUE(reordered.reorderRotation(MTransformationMatrix::kZXY));
            EXPECT_EQ(reordered.rotationOrder(), MTransformationMatrix::kZXY);
            EXPECT_TRUE(reordered.asMatrix().isEquivalent(built.asMatrix(), kTol)) << order.transform;
        }
    MTransformationMatrix m;
    const double angles[3] = {0, 0, 0};
    EXPECT_FALSE(m.setRotation(angles, MTransformationMatrix::kInvalid));
    EXPECT_TRUE(m.asMatrix().isEquivalent(MMatrix(), kTol));
}

TEST(StringsInPlace, CaseAndSetChangeTheStringItself) {
    MString text("Bone_01");
    MString& lowered = text.toLowerCase();
    EXPECT_EQ(&lowered, &text);
    EXPECT_STREQ(text.asChar(), "bone_01");
    EXPECT_STREQ(text.toUpperCase().asChar(), "BONE_01");
    EXPECT_STREQ(text.asChar(), "BONE_01");

    EXPECT_EQ(text.set("hips"), MStatus::kSuccess);
    EXPECT_STREQ(text.asChar(), "hips");
    EXPECT_STREQ((MString("frame ") + 12).asChar(), "frame 12");
}

TEST(QtNames, FullNameFollowsAnyObjectsParents) {
    QObject window;
    window.setObjectName("window1");
    QObject unnamed(&window);
    QObject layout(&unnamed);
    layout.setObjectName("columnLayout1");
    EXPECT_STREQ(MQtUtil::fullName(&layout).asChar(), "window1|columnLayout1");
}

TEST(EvaluationContext, TheNormalContextIsCurrentInsideAGuard) {
    EXPECT_TRUE(MDGContext::current().isNormal());
    {
        MDGContextGuard outer(MDGContext::fsNormal);
        MDGContextGuard inner(MDGContext::current());
        EXPECT_TRUE(MDGContext::fsNormal.isCurrent());
    }
    EXPECT_TRUE(MDGContext::current().isNormal());
}
