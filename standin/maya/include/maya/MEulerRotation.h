#pragma once
// Euler rotation in radians. The order names the axes in the order they are applied: kXYZ rotates about
// X first, then Y, then Z (matrix Rx * Ry * Rz for row vectors).
#include <maya/MStatus.h>

OPENMAYA_NAMESPACE_OPEN

class OPENMAYA_EXPORT MEulerRotation {
public:
    enum RotationOrder { kXYZ, kYZX, kZXY, kXZY, kYXZ, kZYX };

    MEulerRotation() : x(0.0), y(0.0), z(0.0), order(kXYZ) {}
    MEulerRotation(double xx, double yy, double zz, RotationOrder ord = kXYZ) : x(xx), y(yy), z(zz), order(ord) {}
    MEulerRotation(const MVector& v, RotationOrder ord = kXYZ);
    MEulerRotation(const MEulerRotation& other) = default;
    MEulerRotation& operator=(const MEulerRotation& other) = default;
    MEulerRotation& operator=(const MQuaternion& q);
    MEulerRotation& operator=(const MMatrix& m);

    MEulerRotation& setValue(double xx, double yy, double zz, RotationOrder ord = kXYZ);
    MQuaternion asQuaternion() const;
    MMatrix asMatrix() const;
    MVector asVector() const;

    double operator[](unsigned int i) const { return i == 0 ? x : (i == 1 ? y : z); }
    double& operator[](unsigned int i) { return i == 0 ? x : (i == 1 ? y : z); }
    MEulerRotation operator+(const MEulerRotation& o) const;
    MEulerRotation operator-(const MEulerRotation& o) const;
    MEulerRotation operator-() const;
    MEulerRotation operator*(const MEulerRotation& o) const;
    MEulerRotation operator*(double s) const;
    bool operator==(const MEulerRotation& o) const;
    bool operator!=(const MEulerRotation& o) const { return !(*this == o); }
    bool isEquivalent(const MEulerRotation& other, double tolerance = 1.0e-10) const;
    bool isZero(double tolerance = 1.0e-10) const;

    // Same rotation, expressed in another order.
    MEulerRotation reorder(RotationOrder ord) const;
    MEulerRotation& reorderIt(RotationOrder ord);
    MEulerRotation inverse() const;
    MEulerRotation& invertIt();
    MEulerRotation bound() const;
    MEulerRotation& boundIt();

    static MEulerRotation decompose(const MMatrix& matrix, RotationOrder ord);

    static const MEulerRotation identity;

    double x;
    double y;
    double z;
    RotationOrder order;
};

OPENMAYA_NAMESPACE_CLOSE
