#pragma once
// 3D double vector. Row-vector convention: v * M transforms v (no translation). v * w is the dot product,
// v ^ w the cross product.
#include <maya/MStatus.h>

OPENMAYA_NAMESPACE_OPEN

class OPENMAYA_EXPORT MVector {
public:
    enum Axis { kXaxis, kYaxis, kZaxis, kWaxis };

    MVector() : x(0.0), y(0.0), z(0.0) {}
    MVector(double xx, double yy, double zz = 0.0) : x(xx), y(yy), z(zz) {}
    MVector(const double d[3]) : x(d[0]), y(d[1]), z(d[2]) {}
    MVector(const float f[3]) : x(f[0]), y(f[1]), z(f[2]) {}
    MVector(const MPoint& p);
    MVector(const MVector& other) = default;
    MVector& operator=(const MVector& other) = default;

    double operator()(unsigned int i) const { return i == 0 ? x : (i == 1 ? y : z); }
    double operator[](unsigned int i) const { return i == 0 ? x : (i == 1 ? y : z); }
    double& operator[](unsigned int i) { return i == 0 ? x : (i == 1 ? y : z); }

    MVector operator+(const MVector& o) const { return MVector(x + o.x, y + o.y, z + o.z); }
    MVector operator-(const MVector& o) const { return MVector(x - o.x, y - o.y, z - o.z); }
    MVector operator-() const { return MVector(-x, -y, -z); }
    MVector& operator+=(const MVector& o) {
        x += o.x;
        y += o.y;
        z += o.z;
        return *this;
    }
    MVector& operator-=(const MVector& o) {
        x -= o.x;
        y -= o.y;
        z -= o.z;
        return *this;
    }
    MVector operator*(double s) const { return MVector(x * s, y * s, z * s); }
    MVector operator/(double s) const { return MVector(x / s, y / s, z / s); }
    MVector& operator*=(double s) {
        x *= s;
        y *= s;
        z *= s;
        return *this;
    }
    MVector& operator/=(double s) {
        x /= s;
        y /= s;
        z /= s;
        return *this;
    }
    double operator*(const MVector& o) const { return x * o.x + y * o.y + z * o.z; }
    MVector operator^(const MVector& o) const {
        return MVector(y * o.z - z * o.y, z * o.x - x * o.z, x * o.y - y * o.x);
    }
    MVector operator*(const MMatrix& m) const;
    MVector& operator*=(const MMatrix& m);
    bool operator==(const MVector& o) const { return x == o.x && y == o.y && z == o.z; }
    bool operator!=(const MVector& o) const { return !(*this == o); }

    MVector rotateBy(const MQuaternion& q) const;
    double length() const;
    MVector normal() const;
    MStatus normalize();
    double angle(const MVector& other) const;
    bool isEquivalent(const MVector& other, double tolerance = 1.0e-10) const;
    bool isParallel(const MVector& other, double tolerance = 1.0e-10) const;
    MStatus get(double dest[3]) const {
        dest[0] = x;
        dest[1] = y;
        dest[2] = z;
        return MStatus::kSuccess;
    }

    static const MVector zero;
    static const MVector one;
    static const MVector xAxis;
    static const MVector yAxis;
    static const MVector zAxis;
    static const MVector xNegAxis;
    static const MVector yNegAxis;
    static const MVector zNegAxis;

    double x;
    double y;
    double z;
};

inline MVector operator*(double s, const MVector& v) { return v * s; }

OPENMAYA_NAMESPACE_CLOSE
