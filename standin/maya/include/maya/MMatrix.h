#pragma once
// 4x4 double matrix for row vectors: a point transforms as p * M, translation sits in row 3, and
// A * B applies A first, then B (so world = local * parentWorld).
#include <maya/MStatus.h>

OPENMAYA_NAMESPACE_OPEN

class OPENMAYA_EXPORT MMatrix {
public:
    MMatrix();
    MMatrix(const double m[4][4]);
    MMatrix(const float m[4][4]);
    MMatrix(const MMatrix& other) = default;
    MMatrix& operator=(const MMatrix& other) = default;

    double operator()(unsigned int row, unsigned int col) const { return matrix[row][col]; }
    double& operator()(unsigned int row, unsigned int col) { return matrix[row][col]; }
    const double* operator[](unsigned int row) const { return matrix[row]; }
    double* operator[](unsigned int row) { return matrix[row]; }
    MStatus get(double dest[4][4]) const;

    MMatrix operator*(const MMatrix& right) const;
    MMatrix& operator*=(const MMatrix& right);
    MMatrix operator+(const MMatrix& right) const;
    MMatrix operator-(const MMatrix& right) const;
    MMatrix operator*(double s) const;
    bool operator==(const MMatrix& other) const;
    bool operator!=(const MMatrix& other) const { return !(*this == other); }

    MMatrix transpose() const;
    MMatrix inverse() const;
    MMatrix& setToIdentity();
    double det4x4() const;
    double det3x3() const;
    bool isEquivalent(const MMatrix& other, double tolerance = 1.0e-10) const;
    bool isSingular() const;

    static const MMatrix identity;

    double matrix[4][4];
};

OPENMAYA_NAMESPACE_CLOSE
