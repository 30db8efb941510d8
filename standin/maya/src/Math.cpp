// Vectors, points, matrices, quaternions and Euler rotations, all for row vectors (v * M).
#include <maya/MVector.h>
#include <maya/MPoint.h>
#include <maya/MMatrix.h>
#include <maya/MQuaternion.h>
#include <maya/MEulerRotation.h>

#include <algorithm>
#include <cmath>
#include <cstring>

OPENMAYA_NAMESPACE_OPEN

namespace {
// Hamilton product p (x) q.
MQuaternion hamilton(const MQuaternion& p, const MQuaternion& q) {
    return MQuaternion(p.w * q.x + q.w * p.x + (p.y * q.z - p.z * q.y), p.w * q.y + q.w * p.y + (p.z * q.x - p.x * q.z),
                       p.w * q.z + q.w * p.z + (p.x * q.y - p.y * q.x),
                       p.w * q.w - (p.x * q.x + p.y * q.y + p.z * q.z));
}

// Axis of each position in an order, first applied first.
const int kOrderAxes[6][3] = {{0, 1, 2}, {1, 2, 0}, {2, 0, 1}, {0, 2, 1}, {1, 0, 2}, {2, 1, 0}};

MMatrix axisRotation(int axis, double angle) {
    MMatrix m;
    const double c = std::cos(angle), s = std::sin(angle);
    const int j = (axis + 1) % 3, k = (axis + 2) % 3;
    // Row-vector rotation: e_j -> c e_j + s e_k, e_k -> -s e_j + c e_k.
    m.matrix[j][j] = c;
    m.matrix[j][k] = s;
    m.matrix[k][j] = -s;
    m.matrix[k][k] = c;
    return m;
}

double clampUnit(double v) { return std::max(-1.0, std::min(1.0, v)); }
}  // namespace

// ---- MVector ----
const MVector MVector::zero(0.0, 0.0, 0.0);
const MVector MVector::one(1.0, 1.0, 1.0);
const MVector MVector::xAxis(1.0, 0.0, 0.0);
const MVector MVector::yAxis(0.0, 1.0, 0.0);
const MVector MVector::zAxis(0.0, 0.0, 1.0);
const MVector MVector::xNegAxis(-1.0, 0.0, 0.0);
const MVector MVector::yNegAxis(0.0, -1.0, 0.0);
const MVector MVector::zNegAxis(0.0, 0.0, -1.0);

MVector::MVector(const MPoint& p) : x(p.x), y(p.y), z(p.z) {}
MVector MVector::operator*(const MMatrix& m) const {
    return MVector(x * m.matrix[0][0] + y * m.matrix[1][0] + z * m.matrix[2][0],
                   x * m.matrix[0][1] + y * m.matrix[1][1] + z * m.matrix[2][1],
                   x * m.matrix[0][2] + y * m.matrix[1][2] + z * m.matrix[2][2]);
}
MVector& MVector::operator*=(const MMatrix& m) { return *this = *this * m; }
MVector MVector::rotateBy(const MQuaternion& q) const { return *this * q.normal().asMatrix(); }
double MVector::length() const { return std::sqrt(x * x + y * y + z * z); }
MVector MVector::normal() const {
    const double l = length();
    return l > 0.0 ? *this / l : *this;
}
MStatus MVector::normalize() {
    *this = normal();
    return MStatus::kSuccess;
}
double MVector::angle(const MVector& o) const {
    const double l = length() * o.length();
    if (l == 0.0) return 0.0;
    return std::acos(clampUnit((*this * o) / l));
}
bool MVector::isEquivalent(const MVector& o, double tol) const {
    return std::fabs(x - o.x) <= tol && std::fabs(y - o.y) <= tol && std::fabs(z - o.z) <= tol;
}
bool MVector::isParallel(const MVector& o, double tol) const {
    const double l = length() * o.length();
    if (l == 0.0) return true;
    return std::fabs(std::fabs((*this * o) / l) - 1.0) <= tol;
}

// ---- MPoint ----
const MPoint MPoint::origin(0.0, 0.0, 0.0, 1.0);
MVector MPoint::operator-(const MPoint& o) const { return MVector(x - o.x, y - o.y, z - o.z); }
MPoint MPoint::operator+(const MVector& v) const { return MPoint(x + v.x, y + v.y, z + v.z, w); }
MPoint MPoint::operator-(const MVector& v) const { return MPoint(x - v.x, y - v.y, z - v.z, w); }
MPoint& MPoint::operator+=(const MVector& v) {
    x += v.x;
    y += v.y;
    z += v.z;
    return *this;
}
MPoint MPoint::operator*(double s) const { return MPoint(x * s, y * s, z * s, w); }
MPoint MPoint::operator*(const MMatrix& m) const {
    double r[4];
    for (int c = 0; c < 4; ++c)
        r[c] = x * m.matrix[0][c] + y * m.matrix[1][c] + z * m.matrix[2][c] + w * m.matrix[3][c];
    return MPoint(r);
}
MPoint& MPoint::operator*=(const MMatrix& m) { return *this = *this * m; }
bool MPoint::operator==(const MPoint& o) const { return x == o.x && y == o.y && z == o.z && w == o.w; }
MPoint& MPoint::cartesianize() {
    if (w != 0.0 && w != 1.0) {
        x /= w;
        y /= w;
        z /= w;
        w = 1.0;
    }
    return *this;
}
double MPoint::distanceTo(const MPoint& o) const { return (*this - o).length(); }
bool MPoint::isEquivalent(const MPoint& o, double tol) const {
    return std::fabs(x - o.x) <= tol && std::fabs(y - o.y) <= tol && std::fabs(z - o.z) <= tol &&
           std::fabs(w - o.w) <= tol;
}

// ---- MMatrix ----
const MMatrix MMatrix::identity;
MMatrix::MMatrix() { setToIdentity(); }
MMatrix::MMatrix(const double m[4][4]) {
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) matrix[r][c] = m[r][c];
}
MMatrix::MMatrix(const float m[4][4]) {
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) matrix[r][c] = m[r][c];
}
MStatus MMatrix::get(double d[4][4]) const {
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) d[r][c] = matrix[r][c];
    return MStatus::kSuccess;
}
MMatrix& MMatrix::setToIdentity() {
    static const double identity[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};
    std::memcpy(matrix, identity, sizeof matrix);
    return *this;
}
MMatrix MMatrix::operator*(const MMatrix& b) const {
    double out[4][4];
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) {
            double s = 0.0;
            for (int k = 0; k < 4; ++k) s += matrix[r][k] * b.matrix[k][c];
            out[r][c] = s;
        }
    return MMatrix(out);
}
MMatrix& MMatrix::operator*=(const MMatrix& b) { return *this = *this * b; }
MMatrix MMatrix::operator+(const MMatrix& b) const {
    MMatrix out;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) out.matrix[r][c] = matrix[r][c] + b.matrix[r][c];
    return out;
}
MMatrix MMatrix::operator-(const MMatrix& b) const {
    MMatrix out;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) out.matrix[r][c] = matrix[r][c] - b.matrix[r][c];
    return out;
}
MMatrix MMatrix::operator*(double s) const {
    MMatrix out;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) out.matrix[r][c] = matrix[r][c] * s;
    return out;
}
bool MMatrix::operator==(const MMatrix& b) const {
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            if (matrix[r][c] != b.matrix[r][c]) return false;
    return true;
}
MMatrix MMatrix::transpose() const {
    MMatrix out;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) out.matrix[r][c] = matrix[c][r];
    return out;
}
// Gauss-Jordan with partial pivoting; a singular matrix gives the identity.
MMatrix MMatrix::inverse() const {
    // A transform's matrix (last column 0, 0, 0, 1): the inverse of its 3x3 part by cofactors, then the
    // translation taken back through it. Anything else, or a 3x3 part too close to singular, by elimination.
    if (matrix[0][3] == 0.0 && matrix[1][3] == 0.0 && matrix[2][3] == 0.0 && matrix[3][3] == 1.0) {
        const double(&m)[4][4] = matrix;
        const double c00 = m[1][1] * m[2][2] - m[1][2] * m[2][1], c01 = m[1][2] * m[2][0] - m[1][0] * m[2][2],
                     c02 = m[1][0] * m[2][1] - m[1][1] * m[2][0];
        const double det = m[0][0] * c00 + m[0][1] * c01 + m[0][2] * c02;
        if (std::isfinite(det) && std::fabs(det) > 1e-12) {
            const double f = 1.0 / det;
            MMatrix out;
            double(&o)[4][4] = out.matrix;
            o[0][0] = c00 * f;
            o[1][0] = c01 * f;
            o[2][0] = c02 * f;
            o[0][1] = (m[0][2] * m[2][1] - m[0][1] * m[2][2]) * f;
            o[1][1] = (m[0][0] * m[2][2] - m[0][2] * m[2][0]) * f;
            o[2][1] = (m[0][1] * m[2][0] - m[0][0] * m[2][1]) * f;
            o[0][2] = (m[0][1] * m[1][2] - m[0][2] * m[1][1]) * f;
            o[1][2] = (m[0][2] * m[1][0] - m[0][0] * m[1][2]) * f;
            o[2][2] = (m[0][0] * m[1][1] - m[0][1] * m[1][0]) * f;
            for (int c = 0; c < 3; ++c) o[3][c] = -(m[3][0] * o[0][c] + m[3][1] * o[1][c] + m[3][2] * o[2][c]);
            return out;
        }
    }
    double a[4][8];
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) {
            a[r][c] = matrix[r][c];
            a[r][c + 4] = r == c ? 1.0 : 0.0;
        }
    for (int c = 0; c < 4; ++c) {
        int pivot = c;
        for (int r = c + 1; r < 4; ++r)
            if (std::fabs(a[r][c]) > std::fabs(a[pivot][c])) pivot = r;
        if (std::fabs(a[pivot][c]) < 1e-300) return MMatrix();
        if (pivot != c)
            for (int k = 0; k < 8; ++k) std::swap(a[c][k], a[pivot][k]);
        const double inv = 1.0 / a[c][c];
        for (int k = 0; k < 8; ++k) a[c][k] *= inv;
        for (int r = 0; r < 4; ++r) {
            if (r == c) continue;
            const double f = a[r][c];
            if (f == 0.0) continue;
            for (int k = 0; k < 8; ++k) a[r][k] -= f * a[c][k];
        }
    }
    MMatrix out;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) out.matrix[r][c] = a[r][c + 4];
    return out;
}
double MMatrix::det3x3() const {
    const auto& m = matrix;
    return m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) - m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
           m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
}
double MMatrix::det4x4() const {
    double det = 0.0;
    for (int c = 0; c < 4; ++c) {
        double sub[3][3];
        for (int r = 1; r < 4; ++r) {
            int cc = 0;
            for (int k = 0; k < 4; ++k)
                if (k != c) sub[r - 1][cc++] = matrix[r][k];
        }
        const double minor = sub[0][0] * (sub[1][1] * sub[2][2] - sub[1][2] * sub[2][1]) -
                             sub[0][1] * (sub[1][0] * sub[2][2] - sub[1][2] * sub[2][0]) +
                             sub[0][2] * (sub[1][0] * sub[2][1] - sub[1][1] * sub[2][0]);
        det += (c % 2 ? -1.0 : 1.0) * matrix[0][c] * minor;
    }
    return det;
}
bool MMatrix::isEquivalent(const MMatrix& b, double tol) const {
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            if (std::fabs(matrix[r][c] - b.matrix[r][c]) > tol) return false;
    return true;
}
bool MMatrix::isSingular() const { return std::fabs(det4x4()) < 1e-12; }

// ---- MQuaternion ----
const MQuaternion MQuaternion::identity(0.0, 0.0, 0.0, 1.0);

MQuaternion::MQuaternion(double angle, const MVector& axis) : x(0), y(0), z(0), w(1) { setAxisAngle(axis, angle); }
MQuaternion::MQuaternion(const MVector& a, const MVector& b) : x(0), y(0), z(0), w(1) {
    const MVector an = a.normal(), bn = b.normal();
    const double d = clampUnit(an * bn);
    MVector axis = an ^ bn;
    if (axis.length() < 1e-12) {
        if (d > 0.0) return;  // same direction
        axis = std::fabs(an.x) < 0.9 ? an ^ MVector::xAxis : an ^ MVector::yAxis;
    }
    setAxisAngle(axis, std::acos(d));
}
MQuaternion& MQuaternion::setAxisAngle(const MVector& axis, double theta) {
    const MVector n = axis.normal();
    const double s = std::sin(theta * 0.5);
    x = n.x * s;
    y = n.y * s;
    z = n.z * s;
    w = std::cos(theta * 0.5);
    return *this;
}
bool MQuaternion::getAxisAngle(MVector& axis, double& theta) const {
    const MQuaternion q = normal();
    const double s = std::sqrt(q.x * q.x + q.y * q.y + q.z * q.z);
    theta = 2.0 * std::atan2(s, q.w);
    if (s < 1e-15) {
        axis = MVector::xAxis;
        return false;
    }
    axis = MVector(q.x / s, q.y / s, q.z / s);
    return true;
}
MQuaternion& MQuaternion::setToIdentity() { return *this = identity; }

// A zero quaternion reads as no rotation; others are normalised first.
MMatrix MQuaternion::asMatrix() const {
    const double n = std::sqrt(x * x + y * y + z * z + w * w);
    MMatrix m;
    if (n == 0.0 || !std::isfinite(n)) return m;
    const double qx = x / n, qy = y / n, qz = z / n, qw = w / n;
    m.matrix[0][0] = 1.0 - 2.0 * (qy * qy + qz * qz);
    m.matrix[0][1] = 2.0 * (qx * qy + qz * qw);
    m.matrix[0][2] = 2.0 * (qx * qz - qy * qw);
    m.matrix[1][0] = 2.0 * (qx * qy - qz * qw);
    m.matrix[1][1] = 1.0 - 2.0 * (qx * qx + qz * qz);
    m.matrix[1][2] = 2.0 * (qy * qz + qx * qw);
    m.matrix[2][0] = 2.0 * (qx * qz + qy * qw);
    m.matrix[2][1] = 2.0 * (qy * qz - qx * qw);
    m.matrix[2][2] = 1.0 - 2.0 * (qx * qx + qy * qy);
    return m;
}
MEulerRotation MQuaternion::asEulerRotation() const {
    return MEulerRotation::decompose(asMatrix(), MEulerRotation::kXYZ);
}

// Rotation part of a matrix (rows normalised, so scale is ignored).
MQuaternion& MQuaternion::operator=(const MMatrix& in) {
    double r[3][3];
    for (int i = 0; i < 3; ++i) {
        const double l = std::sqrt(in.matrix[i][0] * in.matrix[i][0] + in.matrix[i][1] * in.matrix[i][1] +
                                   in.matrix[i][2] * in.matrix[i][2]);
        for (int j = 0; j < 3; ++j) r[i][j] = l > 0.0 ? in.matrix[i][j] / l : 0.0;
    }
    // r is the transpose of the column-vector rotation matrix c: c[i][j] = r[j][i].
    auto c = [&](int i, int j) { return r[j][i]; };
    const double trace = c(0, 0) + c(1, 1) + c(2, 2);
    if (trace > 0.0) {
        const double s = 0.5 / std::sqrt(trace + 1.0);
        w = 0.25 / s;
        x = (c(2, 1) - c(1, 2)) * s;
        y = (c(0, 2) - c(2, 0)) * s;
        z = (c(1, 0) - c(0, 1)) * s;
    } else if (c(0, 0) > c(1, 1) && c(0, 0) > c(2, 2)) {
        const double s = 2.0 * std::sqrt(1.0 + c(0, 0) - c(1, 1) - c(2, 2));
        w = (c(2, 1) - c(1, 2)) / s;
        x = 0.25 * s;
        y = (c(0, 1) + c(1, 0)) / s;
        z = (c(0, 2) + c(2, 0)) / s;
    } else if (c(1, 1) > c(2, 2)) {
        const double s = 2.0 * std::sqrt(1.0 + c(1, 1) - c(0, 0) - c(2, 2));
        w = (c(0, 2) - c(2, 0)) / s;
        x = (c(0, 1) + c(1, 0)) / s;
        y = 0.25 * s;
        z = (c(1, 2) + c(2, 1)) / s;
    } else {
        const double s = 2.0 * std::sqrt(1.0 + c(2, 2) - c(0, 0) - c(1, 1));
        w = (c(1, 0) - c(0, 1)) / s;
        x = (c(0, 2) + c(2, 0)) / s;
        y = (c(1, 2) + c(2, 1)) / s;
        z = 0.25 * s;
    }
    return *this;
}
MQuaternion& MQuaternion::operator=(const MEulerRotation& e) { return *this = e.asQuaternion(); }
MQuaternion MQuaternion::operator*(const MQuaternion& rhs) const { return hamilton(rhs, *this); }
MQuaternion& MQuaternion::operator*=(const MQuaternion& rhs) { return *this = *this * rhs; }
bool MQuaternion::isEquivalent(const MQuaternion& o, double tol) const {
    auto close = [tol](const MQuaternion& a, const MQuaternion& b) {
        return std::fabs(a.x - b.x) <= tol && std::fabs(a.y - b.y) <= tol && std::fabs(a.z - b.z) <= tol &&
               std::fabs(a.w - b.w) <= tol;
    };
    return close(*this, o) || close(*this, -o);
}
MQuaternion MQuaternion::inverse() const {
    const double n = x * x + y * y + z * z + w * w;
    if (n == 0.0) return *this;
    return MQuaternion(-x / n, -y / n, -z / n, w / n);
}
MQuaternion& MQuaternion::invertIt() { return *this = inverse(); }
MQuaternion MQuaternion::normal() const {
    const double n = std::sqrt(x * x + y * y + z * z + w * w);
    if (n == 0.0) return identity;
    return MQuaternion(x / n, y / n, z / n, w / n);
}
MQuaternion& MQuaternion::normalizeIt() { return *this = normal(); }
MQuaternion operator*(double s, const MQuaternion& q) { return MQuaternion(q.x * s, q.y * s, q.z * s, q.w * s); }

// ---- MEulerRotation ----
const MEulerRotation MEulerRotation::identity;

MEulerRotation::MEulerRotation(const MVector& v, RotationOrder ord) : x(v.x), y(v.y), z(v.z), order(ord) {}
MEulerRotation& MEulerRotation::operator=(const MQuaternion& q) { return *this = decompose(q.asMatrix(), order); }
MEulerRotation& MEulerRotation::operator=(const MMatrix& m) { return *this = decompose(m, order); }
MEulerRotation& MEulerRotation::setValue(double xx, double yy, double zz, RotationOrder ord) {
    x = xx;
    y = yy;
    z = zz;
    order = ord;
    return *this;
}
// The product of the three axis rotations, first applied first, in 3x3 arithmetic: each sum runs in the order
// of a 4x4 product and ends with its fourth, zero term, so the result is the 4x4 product's to the bit.
MMatrix MEulerRotation::asMatrix() const {
    const int* axes = kOrderAxes[order];
    MMatrix m = axisRotation(axes[0], (*this)[axes[0]]);
    for (int step = 1; step < 3; ++step) {
        const MMatrix b = axisRotation(axes[step], (*this)[axes[step]]);
        double out[3][3];
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 3; ++c) {
                double sum = 0.0;
                for (int k = 0; k < 3; ++k) sum += m.matrix[r][k] * b.matrix[k][c];
                out[r][c] = sum + 0.0;
            }
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 3; ++c) m.matrix[r][c] = out[r][c];
    }
    return m;
}
MQuaternion MEulerRotation::asQuaternion() const {
    const int* axes = kOrderAxes[order];
    MQuaternion q;
    for (int i = 0; i < 3; ++i) {
        MVector axis;
        axis[static_cast<unsigned>(axes[i])] = 1.0;
        q = q * MQuaternion((*this)[static_cast<unsigned>(axes[i])], axis);
    }
    return q;
}
MVector MEulerRotation::asVector() const { return MVector(x, y, z); }
MEulerRotation MEulerRotation::operator+(const MEulerRotation& o) const {
    return MEulerRotation(x + o.x, y + o.y, z + o.z, order);
}
MEulerRotation MEulerRotation::operator-(const MEulerRotation& o) const {
    return MEulerRotation(x - o.x, y - o.y, z - o.z, order);
}
MEulerRotation MEulerRotation::operator-() const { return MEulerRotation(-x, -y, -z, order); }
MEulerRotation MEulerRotation::operator*(const MEulerRotation& o) const {
    return decompose(asMatrix() * o.asMatrix(), order);
}
MEulerRotation MEulerRotation::operator*(double s) const { return MEulerRotation(x * s, y * s, z * s, order); }
bool MEulerRotation::operator==(const MEulerRotation& o) const {
    return x == o.x && y == o.y && z == o.z && order == o.order;
}
bool MEulerRotation::isEquivalent(const MEulerRotation& o, double tol) const {
    return order == o.order && std::fabs(x - o.x) <= tol && std::fabs(y - o.y) <= tol && std::fabs(z - o.z) <= tol;
}
bool MEulerRotation::isZero(double tol) const {
    return std::fabs(x) <= tol && std::fabs(y) <= tol && std::fabs(z) <= tol;
}
MEulerRotation MEulerRotation::reorder(RotationOrder ord) const { return decompose(asMatrix(), ord); }
MEulerRotation& MEulerRotation::reorderIt(RotationOrder ord) {
    *this = reorder(ord);
    return *this;
}
// The inverse applies the negated angles in the reversed order.
MEulerRotation MEulerRotation::inverse() const {
    static const RotationOrder reversed[6] = {kZYX, kXZY, kYXZ, kYZX, kZXY, kXYZ};
    return MEulerRotation(-x, -y, -z, reversed[order]);
}
MEulerRotation& MEulerRotation::invertIt() { return *this = inverse(); }
MEulerRotation MEulerRotation::bound() const {
    auto wrap = [](double a) {
        const double twoPi = 2.0 * M_PI;
        a = std::fmod(a + M_PI, twoPi);
        if (a < 0.0) a += twoPi;
        return a - M_PI;
    };
    return MEulerRotation(wrap(x), wrap(y), wrap(z), order);
}
MEulerRotation& MEulerRotation::boundIt() { return *this = bound(); }

// M = R_a0(t0) * R_a1(t1) * R_a2(t2); p = +1 for the cyclic orders, -1 for the others.
MEulerRotation MEulerRotation::decompose(const MMatrix& in, RotationOrder ord) {
    double m[3][3];
    for (int r = 0; r < 3; ++r) {
        const double l = std::sqrt(in.matrix[r][0] * in.matrix[r][0] + in.matrix[r][1] * in.matrix[r][1] +
                                   in.matrix[r][2] * in.matrix[r][2]);
        for (int c = 0; c < 3; ++c) m[r][c] = l > 0.0 ? in.matrix[r][c] / l : 0.0;
    }
    const int i = kOrderAxes[ord][0], j = kOrderAxes[ord][1], k = kOrderAxes[ord][2];
    const double p = ord <= kZXY ? 1.0 : -1.0;
    double t0, t1, t2;
    const double s1 = clampUnit(-p * m[i][k]);
    t1 = std::asin(s1);
    if (std::fabs(s1) < 1.0 - 1e-12) {
        t0 = std::atan2(p * m[j][k], m[k][k]);
        t2 = std::atan2(p * m[i][j], m[i][i]);
    } else {
        // Gimbal lock: only t0 + t2 (or t0 - t2) is defined; put it all in t0.
        t2 = 0.0;
        t0 = std::atan2(m[j][i] * (s1 > 0 ? 1.0 : -1.0), m[j][j]);
    }
    MEulerRotation e(0.0, 0.0, 0.0, ord);
    e[static_cast<unsigned>(i)] = t0;
    e[static_cast<unsigned>(j)] = t1;
    e[static_cast<unsigned>(k)] = t2;
    return e;
}

OPENMAYA_NAMESPACE_CLOSE
