#pragma once
// Rotation quaternion (x, y, z, w). a * b composes like the matrices: (a * b).asMatrix() ==
// a.asMatrix() * b.asMatrix(), i.e. rotate by a first, then by b.
#include <maya/MStatus.h>

OPENMAYA_NAMESPACE_OPEN

class OPENMAYA_EXPORT MQuaternion {
public:
    MQuaternion() : x(0.0), y(0.0), z(0.0), w(1.0) {}
    MQuaternion(double xx, double yy, double zz, double ww) : x(xx), y(yy), z(zz), w(ww) {}
    MQuaternion(const double q[4]) : x(q[0]), y(q[1]), z(q[2]), w(q[3]) {}
    MQuaternion(const MVector& a, const MVector& b);
    MQuaternion(double angle, const MVector& axis);
    MQuaternion(const MQuaternion& other) = default;
    MQuaternion& operator=(const MQuaternion& other) = default;
    MQuaternion& operator=(const MMatrix& matrix);
    MQuaternion& operator=(const MEulerRotation& rotation);

    MMatrix asMatrix() const;
    MEulerRotation asEulerRotation() const;
    MQuaternion& setAxisAngle(const MVector& axis, double theta);
    bool getAxisAngle(MVector& axis, double& theta) const;
    MQuaternion& setToIdentity();

    double operator[](unsigned int i) const { return i == 0 ? x : (i == 1 ? y : (i == 2 ? z : w)); }
    double& operator[](unsigned int i) { return i == 0 ? x : (i == 1 ? y : (i == 2 ? z : w)); }
    MQuaternion operator+(const MQuaternion& o) const { return MQuaternion(x + o.x, y + o.y, z + o.z, w + o.w); }
    MQuaternion operator-(const MQuaternion& o) const { return MQuaternion(x - o.x, y - o.y, z - o.z, w - o.w); }
    MQuaternion operator-() const { return MQuaternion(-x, -y, -z, -w); }
    MQuaternion operator*(const MQuaternion& rhs) const;
    MQuaternion& operator*=(const MQuaternion& rhs);
    bool operator==(const MQuaternion& o) const { return x == o.x && y == o.y && z == o.z && w == o.w; }
    bool operator!=(const MQuaternion& o) const { return !(*this == o); }
    bool isEquivalent(const MQuaternion& other, double tolerance = 1.0e-10) const;

    MQuaternion conjugate() const { return MQuaternion(-x, -y, -z, w); }
    MQuaternion& conjugateIt() {
        x = -x;
        y = -y;
        z = -z;
        return *this;
    }
    MQuaternion inverse() const;
    MQuaternion& invertIt();
    MQuaternion normal() const;
    MQuaternion& normalizeIt();
    MQuaternion& negateIt() {
        x = -x;
        y = -y;
        z = -z;
        w = -w;
        return *this;
    }

    static const MQuaternion identity;

    double x;
    double y;
    double z;
    double w;
};

OPENMAYA_EXPORT MQuaternion operator*(double scale, const MQuaternion& q);

OPENMAYA_NAMESPACE_CLOSE
