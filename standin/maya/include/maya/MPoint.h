#pragma once
// Homogeneous point (w = 1 by default). p * M applies the full transform including translation.
#include <maya/MVector.h>

OPENMAYA_NAMESPACE_OPEN

class OPENMAYA_EXPORT MPoint {
public:
    MPoint() : x(0.0), y(0.0), z(0.0), w(1.0) {}
    MPoint(double xx, double yy, double zz = 0.0, double ww = 1.0) : x(xx), y(yy), z(zz), w(ww) {}
    MPoint(const MVector& v) : x(v.x), y(v.y), z(v.z), w(1.0) {}
    MPoint(const double d[4]) : x(d[0]), y(d[1]), z(d[2]), w(d[3]) {}
    MPoint(const MPoint& other) = default;
    MPoint& operator=(const MPoint& other) = default;

    double operator[](unsigned int i) const { return i == 0 ? x : (i == 1 ? y : (i == 2 ? z : w)); }
    double& operator[](unsigned int i) { return i == 0 ? x : (i == 1 ? y : (i == 2 ? z : w)); }
    MVector operator-(const MPoint& o) const;
    MPoint operator+(const MVector& v) const;
    MPoint operator-(const MVector& v) const;
    MPoint& operator+=(const MVector& v);
    MPoint operator*(double s) const;
    MPoint operator*(const MMatrix& m) const;
    MPoint& operator*=(const MMatrix& m);
    bool operator==(const MPoint& o) const;
    bool operator!=(const MPoint& o) const { return !(*this == o); }
    MPoint& cartesianize();
    double distanceTo(const MPoint& other) const;
    bool isEquivalent(const MPoint& other, double tolerance = 1.0e-10) const;

    static const MPoint origin;

    double x;
    double y;
    double z;
    double w;
};

OPENMAYA_NAMESPACE_CLOSE
