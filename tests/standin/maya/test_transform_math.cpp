// Transform math against an independent reference: Rodrigues rotations of plain arrays, applied in the
// order the host's conventions describe (scale, then rotate, then translate; child before parent).
#include "test_support.h"

#include <maya/MDagModifier.h>
#include <maya/MEulerRotation.h>
#include <maya/MFnDagNode.h>
#include <maya/MFnTransform.h>
#include <maya/MMatrix.h>
#include <maya/MPoint.h>
#include <maya/MQuaternion.h>
#include <maya/MString.h>
#include <maya/MVector.h>

#include <array>
#include <cmath>
#include <random>
#include <vector>

namespace {

// Tolerance for double arithmetic over a few chained 4x4 products: far below any real error.
constexpr double kTol = 1e-9;
constexpr double kPi = 3.14159265358979323846;

using Vec = std::array<double, 3>;

// Right-handed rotation of v about a unit axis by angle (Rodrigues).
Vec rotate(const Vec& v, const Vec& axis, double angle) {
    const double c = std::cos(angle), s = std::sin(angle);
    const double d = v[0] * axis[0] + v[1] * axis[1] + v[2] * axis[2];
    const Vec cross = {axis[1] * v[2] - axis[2] * v[1], axis[2] * v[0] - axis[0] * v[2],
                       axis[0] * v[1] - axis[1] * v[0]};
    Vec out;
    for (int i = 0; i < 3; ++i) out[i] = v[i] * c + cross[i] * s + axis[i] * d * (1 - c);
    return out;
}
const Vec kAxes[3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};

// Axis indices of each order, first applied first.
const int kOrder[6][3] = {{0, 1, 2}, {1, 2, 0}, {2, 0, 1}, {0, 2, 1}, {1, 0, 2}, {2, 1, 0}};

Vec rotateEuler(const Vec& v, const double angles[3], int order) {
    Vec out = v;
    for (int k = 0; k < 3; ++k) out = rotate(out, kAxes[kOrder[order][k]], angles[kOrder[order][k]]);
    return out;
}

void expectNear(const MVector& actual, const Vec& expected, double tol = kTol) {
    EXPECT_NEAR(actual.x, expected[0], tol);
    EXPECT_NEAR(actual.y, expected[1], tol);
    EXPECT_NEAR(actual.z, expected[2], tol);
}

Vec toVec(const MVector& v) { return {v.x, v.y, v.z}; }

}  // namespace

using TransformTest = StandinTest;

TEST(VectorMath, OperatorsFollowHostSemantics) {
    const MVector a(1, 2, 3), b(4, -5, 6);
    EXPECT_DOUBLE_EQ(a * b, 4 - 10 + 18);
    expectNear(a ^ b, {2 * 6 - 3 * -5, 3 * 4 - 1 * 6, 1 * -5 - 2 * 4});
    expectNear(a * 0.5, {0.5, 1, 1.5});
    MMatrix m;  // translation must not move a vector, but must move a point
    m[3][0] = 10;
    m[0][1] = 1;  // x feeds y: row-vector convention
    expectNear(a * m, {1, 2 + 1, 3});
    const MPoint p = MPoint(a) * m;
    EXPECT_NEAR(p.x, 11, kTol);
    EXPECT_NEAR(p.y, 3, kTol);
}

TEST(VectorMath, QuaternionProductComposesLikeMatrices) {
    const MQuaternion a(0.3, MVector(1, 2, 0.5)), b(-1.1, MVector(0, 1, 1));
    EXPECT_TRUE((a * b).asMatrix().isEquivalent(a.asMatrix() * b.asMatrix(), kTol));
    // a * b rotates by a first, then by b.
    const Vec v = {0.2, -0.7, 1.3};
    const Vec expected =
        rotate(rotate(v, toVec(MVector(1, 2, 0.5).normal()), 0.3), toVec(MVector(0, 1, 1).normal()), -1.1);
    expectNear(MVector(0.2, -0.7, 1.3).rotateBy(a * b), expected);
    EXPECT_TRUE((a * a.conjugate()).isEquivalent(MQuaternion::identity, kTol));
    // The all-zero quaternion reads as no rotation.
    EXPECT_TRUE(MQuaternion(0, 0, 0, 0).asMatrix().isEquivalent(MMatrix::identity));
}

TEST(VectorMath, EulerOrdersMatchQuaternionEquivalents) {
    const double angles[3] = {0.4, -1.1, 0.9};  // each within the range decomposition returns
    const Vec v = {0.3, 1.7, -0.9};
    for (int order = 0; order < 6; ++order) {
        SCOPED_TRACE(order);
        const auto ord = static_cast<MEulerRotation::RotationOrder>(order);
        const MEulerRotation e(angles[0], angles[1], angles[2], ord);
        const Vec expected = rotateEuler(v, angles, order);
        expectNear(MVector(v[0], v[1], v[2]) * e.asMatrix(), expected);
        expectNear(MVector(v[0], v[1], v[2]).rotateBy(e.asQuaternion()), expected);
        // The same rotation built from axis quaternions, first axis first.
        MQuaternion q;
        for (int k = 0; k < 3; ++k) {
            const int axis = kOrder[order][k];
            q = q * MQuaternion(angles[axis], MVector(kAxes[axis][0], kAxes[axis][1], kAxes[axis][2]));
        }
        EXPECT_TRUE(q.isEquivalent(e.asQuaternion(), kTol));
        // Back from the quaternion to angles in the same order, and to every other order.
        MEulerRotation back(0, 0, 0, ord);
        back = q;
        EXPECT_TRUE(back.isEquivalent(e, 1e-9));
        for (int other = 0; other < 6; ++other)
            EXPECT_TRUE(e.reorder(static_cast<MEulerRotation::RotationOrder>(other))
                            .asMatrix()
                            .isEquivalent(e.asMatrix(), kTol));
    }
}

// An Euler rotation's matrix is the product of its three axis rotations, first applied first, to the bit;
// a transform's matrix times its inverse is the identity, and a matrix that is not a transform's inverts too.
TEST(VectorMath, EulerMatricesAndInversesAreExact) {
    std::mt19937 random(11);
    std::uniform_real_distribution<double> angle(-7.0, 7.0), value(-3.0, 3.0);
    for (int i = 0; i < 2000; ++i) {
        const double a[3] = {angle(random), angle(random), angle(random)};
        const int order = static_cast<int>(random() % 6);
        MMatrix expected;
        for (int step = 0; step < 3; ++step) {
            const int axis = kOrder[order][step];
            double one[3] = {0, 0, 0};
            one[axis] = a[axis];
            const MMatrix single = MEulerRotation(one[0], one[1], one[2]).asMatrix();
            expected = step == 0 ? single : expected * single;
        }
        ASSERT_TRUE(MEulerRotation(a[0], a[1], a[2], static_cast<MEulerRotation::RotationOrder>(order)).asMatrix() ==
                    expected)
            << i;

        MMatrix m = expected;
        for (int r = 0; r < 3; ++r) {
            for (int c = 0; c < 3; ++c) m.matrix[r][c] *= 1.0 + r;  // scaled
            m.matrix[3][r] = value(random);                         // and moved
        }
        MMatrix general = m;
        general.matrix[0][3] = 0.25;  // not a transform's
        for (const MMatrix& x : {m, general}) {
            const MMatrix product = x * x.inverse();
            for (int r = 0; r < 4; ++r)
                for (int c = 0; c < 4; ++c) ASSERT_NEAR(product.matrix[r][c], r == c ? 1.0 : 0.0, 1e-10) << i;
        }
    }
}

TEST(VectorMath, EulerDecompositionSurvivesGimbalLock) {
    for (int order = 0; order < 6; ++order) {
        SCOPED_TRACE(order);
        const auto ord = static_cast<MEulerRotation::RotationOrder>(order);
        double angles[3] = {0.7, 0.7, 0.7};
        angles[kOrder[order][1]] = kPi / 2;  // the middle axis at 90 degrees
        const MEulerRotation e(angles[0], angles[1], angles[2], ord);
        const MEulerRotation back = MEulerRotation::decompose(e.asMatrix(), ord);
        EXPECT_TRUE(back.asMatrix().isEquivalent(e.asMatrix(), 1e-7));
    }
}

TEST(StringFormat, ReplacesNumberedArgumentsAndLeavesUnusedEmpty) {
    MString command;
    command.format("hide `ls -an ^1s`;", "|set|bone");
    EXPECT_EQ(command, "hide `ls -an |set|bone`;");
    command.format("showHidden  `ls -an ^1s`;", "|a");
    EXPECT_EQ(command, "showHidden  `ls -an |a`;");
    command.format("^2s-^1s-^10s[^3s]", "one", "two");
    EXPECT_EQ(command, "two-one-[]");
}

TEST_F(TransformTest, WorldTranslationUnderMovedRotatedScaledParent) {
    MObject parent = make("transform", "parent");
    MObject child = make("joint", "child", parent);
    MFnTransform p(parent);
    const double angles[3] = {0.5, -0.25, 1.2};
    const double scale[3] = {2.0, 0.5, 3.0};
    ASSERT_TRUE(p.setTranslation(MVector(10, -2, 5), MSpace::kTransform));
    ASSERT_TRUE(p.setRotation(MEulerRotation(angles[0], angles[1], angles[2], MEulerRotation::kYZX)));
    ASSERT_TRUE(p.setScale(scale));

    // Reference: the child's local position, scaled, rotated and moved by the parent.
    auto toWorld = [&](const Vec& local) {
        Vec s = {local[0] * scale[0], local[1] * scale[1], local[2] * scale[2]};
        Vec r = rotateEuler(s, angles, MEulerRotation::kYZX);
        return Vec{r[0] + 10, r[1] - 2, r[2] + 5};
    };
    MFnTransform c(child);
    ASSERT_TRUE(c.setTranslation(MVector(1, 2, 3), MSpace::kTransform));
    expectNear(c.getTranslation(MSpace::kWorld), toWorld({1, 2, 3}));

    // Setting a world position finds the local value that lands there.
    ASSERT_TRUE(c.setTranslation(MVector(-4, 7, 0.5), MSpace::kWorld));
    expectNear(c.getTranslation(MSpace::kWorld), {-4, 7, 0.5});
    expectNear(MVector(toWorld(toVec(c.getTranslation(MSpace::kTransform)))[0],
                       toWorld(toVec(c.getTranslation(MSpace::kTransform)))[1],
                       toWorld(toVec(c.getTranslation(MSpace::kTransform)))[2]),
               {-4, 7, 0.5});
    MDagPath path;
    ASSERT_TRUE(MFnDagNode(child).getPath(path));
    const MMatrix world = path.inclusiveMatrix();
    expectNear(MVector(world(3, 0), world(3, 1), world(3, 2)), {-4, 7, 0.5});
}

TEST_F(TransformTest, WorldRotationUnderRotatedParentChain) {
    MObject top = make("transform", "top");
    MObject mid = make("transform", "mid", top);
    MObject leaf = make("joint", "leaf", mid);
    MFnTransform(top).setRotation(MQuaternion(0.8, MVector(0, 0, 1)), MSpace::kTransform);
    MFnTransform(mid).setRotation(MEulerRotation(0.3, 0.0, -0.6, MEulerRotation::kZXY));
    const double uniform[3] = {2, 2, 2};
    MFnTransform(mid).setScale(uniform);

    const MQuaternion wanted(1.3, MVector(1, -1, 2));
    MFnTransform fn(leaf);
    ASSERT_TRUE(fn.setRotation(wanted, MSpace::kWorld));
    MQuaternion got;
    ASSERT_TRUE(fn.getRotation(got, MSpace::kWorld));
    EXPECT_TRUE(got.isEquivalent(wanted, kTol));

    // The world matrix maps each axis as the wanted rotation does, times the uniform scale of 2.
    MDagPath path;
    MFnDagNode(leaf).getPath(path);
    const MMatrix world = path.inclusiveMatrix();
    for (int i = 0; i < 3; ++i) {
        const Vec expected = rotate(kAxes[i], toVec(MVector(1, -1, 2).normal()), 1.3);
        expectNear(MVector(world(i, 0), world(i, 1), world(i, 2)) / 2.0, expected);
    }
    // The local rotation was stored as Euler angles in the node's order.
    MEulerRotation local;
    ASSERT_TRUE(fn.getRotation(local));
    EXPECT_EQ(local.order, MEulerRotation::kXYZ);
}

TEST_F(TransformTest, InclusiveAndExclusiveMatricesCompose) {
    MObject a = make("transform", "a");
    MObject b = make("transform", "b", a);
    MFnTransform(a).setTranslation(MVector(1, 0, 0), MSpace::kTransform);
    MFnTransform(a).setRotation(MEulerRotation(0, 0, kPi / 2));
    MFnTransform(b).setTranslation(MVector(0, 3, 0), MSpace::kTransform);
    MDagPath pb;
    MFnDagNode(b).getPath(pb);
    // b's origin: (0,3,0) rotated 90 degrees about Z is (-3,0,0), then moved by (1,0,0).
    const MPoint origin = MPoint::origin * pb.inclusiveMatrix();
    EXPECT_NEAR(origin.x, -2, kTol);
    EXPECT_NEAR(origin.y, 0, kTol);
    EXPECT_TRUE(pb.exclusiveMatrix().isEquivalent(MFnDagNode(a).transformationMatrix(), kTol));
    EXPECT_TRUE(pb.inclusiveMatrix().isEquivalent(MFnDagNode(b).transformationMatrix() * pb.exclusiveMatrix(), kTol));
}

TEST_F(TransformTest, ScaleAndRotationOrderRoundTrip) {
    MObject node = make("transform", "n");
    MFnTransform fn(node);
    const double s[3] = {1.5, 2.5, -1.0};
    ASSERT_TRUE(fn.setScale(s));
    double back[3] = {0, 0, 0};
    ASSERT_TRUE(fn.getScale(back));
    EXPECT_EQ(back[0], 1.5);
    EXPECT_EQ(back[2], -1.0);
    fn.setRotation(MEulerRotation(0.1, 0.2, 0.3, MEulerRotation::kXYZ));
    const MMatrix before = fn.transformationMatrix();
    ASSERT_TRUE(fn.setRotationOrder(MTransformationMatrix::kZYX, true));
    EXPECT_EQ(fn.rotationOrder(), MTransformationMatrix::kZYX);
    EXPECT_TRUE(fn.transformationMatrix().isEquivalent(before, kTol));
}

TEST_F(TransformTest, TransformFunctionSetRefusesShapes) {
    MDagModifier modifier;
    MObject locator = modifier.createNode("locator");
    MStatus status;
    MFnTransform fn(MFnDagNode(locator).child(0), &status);
    EXPECT_FALSE(status);
    EXPECT_FALSE(fn.setTranslation(MVector(1, 1, 1), MSpace::kWorld));
}

// World matrices are kept between queries and must follow every change that moves a node or any ancestor:
// translation and rotation in either space, scale, rotation order, reparenting,
// deletion and a node created in a freed slot. After each of a long run of random edits, every node's
// inclusive matrix equals the product of the local matrices along its path, computed here from the world
// down (local times the parent's world), exactly, and so does its inverse.
TEST_F(TransformTest, KeptWorldMatricesFollowEveryEdit) {
    std::mt19937 random(7);
    std::uniform_real_distribution<double> value(-2.0, 2.0);
    std::vector<MObject> nodes;
    MDagModifier modifier;
    for (int i = 0; i < 12; ++i)
        nodes.push_back(modifier.createNode("transform", i < 3 ? MObject::kNullObj : nodes[random() % nodes.size()]));
    auto expectFreshWorldMatrices = [&](int step) {
        for (MObject& node : nodes) {
            if (node.isNull()) continue;
            MDagPath path;
            MDagPath::getAPathTo(node, path);
            std::vector<MObject> along;
            for (MDagPath p = path; p.length() > 0; p.pop()) along.push_back(p.node());
            MMatrix expected;
            for (auto it = along.rbegin(); it != along.rend(); ++it)
                expected = MFnDagNode(*it).transformationMatrix() * expected;
            ASSERT_TRUE(path.inclusiveMatrix() == expected) << "step " << step << ", " << path.fullPathName().asChar();
            ASSERT_TRUE(path.inclusiveMatrixInverse() == expected.inverse()) << "step " << step;
        }
    };
    for (int step = 0; step < 600; ++step) {
        MObject& node = nodes[random() % nodes.size()];
        if (node.isNull()) node = modifier.createNode("transform", MObject::kNullObj);
        MFnTransform fn(node);
        const MSpace::Space space = random() % 2 ? MSpace::kWorld : MSpace::kTransform;
        switch (random() % 8) {
            case 0: fn.setTranslation(MVector(value(random), value(random), value(random)), space); break;
            case 1:
                fn.setRotation(MQuaternion(value(random), value(random), value(random), value(random)), space);
                break;
            case 2: fn.setRotation(MEulerRotation(value(random), value(random), value(random))); break;
            case 3: {
                const double scale[3] = {value(random), 1.5, value(random)};
                fn.setScale(scale);
                break;
            }
            case 4:
                fn.setRotationOrder(
                    static_cast<MTransformationMatrix::RotationOrder>(MTransformationMatrix::kXYZ + random() % 6),
                    random() % 2);
                break;
            case 5: {
                MObject parent = nodes[random() % nodes.size()];
                modifier.reparentNode(node, random() % 4 == 0 ? MObject::kNullObj : parent);
                modifier.doIt();  // refused for a cycle: nothing changes then
                break;
            }
            case 6:
                if (random() % 6 == 0) {
                    modifier.deleteNode(node);
                    modifier.doIt();
                    for (MObject& n : nodes)
                        if (n.isNull()) n = modifier.createNode("transform", MObject::kNullObj);
                }
                break;
            default: break;  // only a query
        }
        expectFreshWorldMatrices(step);
    }
}
