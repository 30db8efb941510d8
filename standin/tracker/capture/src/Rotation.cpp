#include "Rotation.h"

#include <algorithm>
#include <cmath>

namespace orvane {
namespace tracker {
namespace rotation {

namespace {
constexpr double kPi = 3.14159265358979323846;
constexpr double kDegrees = 180.0 / kPi;
}  // namespace

Mat3 axisRotation(int axis, double degrees) {
    const double a = degrees / kDegrees;
    const double c = std::cos(a), s = std::sin(a);
    Mat3 r;
    const int i = (axis + 1) % 3, j = (axis + 2) % 3;
    r.m[i][i] = c;
    r.m[i][j] = -s;
    r.m[j][i] = s;
    r.m[j][j] = c;
    return r;
}

Mat3 multiply(const Mat3& a, const Mat3& b) {
    Mat3 r;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) r.m[i][j] = a.m[i][0] * b.m[0][j] + a.m[i][1] * b.m[1][j] + a.m[i][2] * b.m[2][j];
    return r;
}

Vec3 apply(const Mat3& r, const Vec3& v) {
    return {r.m[0][0] * v.x + r.m[0][1] * v.y + r.m[0][2] * v.z, r.m[1][0] * v.x + r.m[1][1] * v.y + r.m[1][2] * v.z,
            r.m[2][0] * v.x + r.m[2][1] * v.y + r.m[2][2] * v.z};
}

Vec3 eulerXYZDegrees(const Mat3& r) {
    // R = Rz(g) Ry(b) Rx(a): R[2][0] = -sin b, R[2][1] = cos b sin a, R[2][2] = cos b cos a,
    // R[1][0] = sin g cos b, R[0][0] = cos g cos b.
    const double sb = std::clamp(-r.m[2][0], -1.0, 1.0);
    const double b = std::asin(sb);
    double a, g;
    if (std::abs(sb) < 1.0 - 1e-12) {
        a = std::atan2(r.m[2][1], r.m[2][2]);
        g = std::atan2(r.m[1][0], r.m[0][0]);
    } else {  // gimbal lock: only a +- g is defined; put it all in X
        g = 0;
        a = std::atan2(-r.m[1][2], r.m[1][1]);
    }
    return {a * kDegrees, b * kDegrees, g * kDegrees};
}

Quat quaternion(const Mat3& r) {
    const auto& m = r.m;
    Quat q;
    const double trace = m[0][0] + m[1][1] + m[2][2];
    if (trace > 0) {
        const double s = 2.0 * std::sqrt(1.0 + trace);
        q.w = 0.25 * s;
        q.x = (m[2][1] - m[1][2]) / s;
        q.y = (m[0][2] - m[2][0]) / s;
        q.z = (m[1][0] - m[0][1]) / s;
    } else if (m[0][0] > m[1][1] && m[0][0] > m[2][2]) {
        const double s = 2.0 * std::sqrt(1.0 + m[0][0] - m[1][1] - m[2][2]);
        q.w = (m[2][1] - m[1][2]) / s;
        q.x = 0.25 * s;
        q.y = (m[0][1] + m[1][0]) / s;
        q.z = (m[0][2] + m[2][0]) / s;
    } else if (m[1][1] > m[2][2]) {
        const double s = 2.0 * std::sqrt(1.0 + m[1][1] - m[0][0] - m[2][2]);
        q.w = (m[0][2] - m[2][0]) / s;
        q.x = (m[0][1] + m[1][0]) / s;
        q.y = 0.25 * s;
        q.z = (m[1][2] + m[2][1]) / s;
    } else {
        const double s = 2.0 * std::sqrt(1.0 + m[2][2] - m[0][0] - m[1][1]);
        q.w = (m[1][0] - m[0][1]) / s;
        q.x = (m[0][2] + m[2][0]) / s;
        q.y = (m[1][2] + m[2][1]) / s;
        q.z = 0.25 * s;
    }
    const double n = std::sqrt(q.x * q.x + q.y * q.y + q.z * q.z + q.w * q.w);
    const double sign = q.w < 0 ? -1.0 : 1.0;
    q.x *= sign / n;
    q.y *= sign / n;
    q.z *= sign / n;
    q.w *= sign / n;
    return q;
}

}  // namespace rotation
}  // namespace tracker
}  // namespace orvane
