#pragma once
// Rotation helpers in the row-vector convention the host uses: a point maps as p' = p * M, Euler X-Y-Z
// composes as Rx * Ry * Rz, and a child's world rotation is local * parentWorld. Angles in degrees.

#include <cmath>

#include "orvane/tracker/Model.h"

namespace orvane {
namespace tracker {
namespace kin {

struct Mat3 {
    double m[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
};

inline Mat3 multiply(const Mat3& a, const Mat3& b) {
    Mat3 r;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) r.m[i][j] = a.m[i][0] * b.m[0][j] + a.m[i][1] * b.m[1][j] + a.m[i][2] * b.m[2][j];
    return r;
}

inline Vec3 transform(const Vec3& v, const Mat3& a) {
    return {v.x * a.m[0][0] + v.y * a.m[1][0] + v.z * a.m[2][0], v.x * a.m[0][1] + v.y * a.m[1][1] + v.z * a.m[2][1],
            v.x * a.m[0][2] + v.y * a.m[1][2] + v.z * a.m[2][2]};
}

inline double radians(double degrees) { return degrees * 3.14159265358979323846 / 180.0; }

inline Mat3 eulerXYZ(const Vec3& degrees) {
    const double cx = std::cos(radians(degrees.x)), sx = std::sin(radians(degrees.x));
    const double cy = std::cos(radians(degrees.y)), sy = std::sin(radians(degrees.y));
    const double cz = std::cos(radians(degrees.z)), sz = std::sin(radians(degrees.z));
    Mat3 rx, ry, rz;
    rx.m[1][1] = cx, rx.m[1][2] = sx, rx.m[2][1] = -sx, rx.m[2][2] = cx;
    ry.m[0][0] = cy, ry.m[0][2] = -sy, ry.m[2][0] = sy, ry.m[2][2] = cy;
    rz.m[0][0] = cz, rz.m[0][1] = sz, rz.m[1][0] = -sz, rz.m[1][1] = cz;
    return multiply(multiply(rx, ry), rz);
}

// The unit quaternion (x, y, z, w) of a rotation matrix, w >= 0.
inline Quat toQuat(const Mat3& a) {
    const auto& m = a.m;
    Quat q;
    const double trace = m[0][0] + m[1][1] + m[2][2];
    if (trace > 0) {
        const double s = 2 * std::sqrt(1 + trace);
        q.w = s / 4, q.x = (m[1][2] - m[2][1]) / s, q.y = (m[2][0] - m[0][2]) / s, q.z = (m[0][1] - m[1][0]) / s;
    } else if (m[0][0] > m[1][1] && m[0][0] > m[2][2]) {
        const double s = 2 * std::sqrt(1 + m[0][0] - m[1][1] - m[2][2]);
        q.x = s / 4, q.w = (m[1][2] - m[2][1]) / s, q.y = (m[0][1] + m[1][0]) / s, q.z = (m[2][0] + m[0][2]) / s;
    } else if (m[1][1] > m[2][2]) {
        const double s = 2 * std::sqrt(1 + m[1][1] - m[0][0] - m[2][2]);
        q.y = s / 4, q.w = (m[2][0] - m[0][2]) / s, q.x = (m[0][1] + m[1][0]) / s, q.z = (m[1][2] + m[2][1]) / s;
    } else {
        const double s = 2 * std::sqrt(1 + m[2][2] - m[0][0] - m[1][1]);
        q.z = s / 4, q.w = (m[0][1] - m[1][0]) / s, q.x = (m[2][0] + m[0][2]) / s, q.y = (m[1][2] + m[2][1]) / s;
    }
    if (q.w < 0) q.x = -q.x, q.y = -q.y, q.z = -q.z, q.w = -q.w;
    return q;
}

}  // namespace kin
}  // namespace tracker
}  // namespace orvane
