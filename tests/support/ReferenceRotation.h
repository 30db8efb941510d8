#pragma once
// Rotations as plain 3x3 arrays for row vectors (p' = p * R; a * b applies a first), built from first
// principles: the reference the joint tests hold the host's composition and the plug-in's results against.
#include <array>
#include <cmath>

namespace reference {

using Rot = std::array<std::array<double, 3>, 3>;

inline Rot product(const Rot& a, const Rot& b) {
    Rot out{};
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            for (int k = 0; k < 3; ++k) out[r][c] += a[r][k] * b[k][c];
    return out;
}

// Right-handed rotation about axis 0, 1 or 2 (x, y, z).
inline Rot about(int axis, double degrees) {
    const double a = degrees * 3.14159265358979323846 / 180.0, c = std::cos(a), s = std::sin(a);
    const int i = (axis + 1) % 3, j = (axis + 2) % 3;
    Rot out{};
    out[axis][axis] = 1;
    out[i][i] = c, out[i][j] = s;
    out[j][i] = -s, out[j][j] = c;
    return out;
}

// X first, then Y, then Z.
inline Rot eulerXYZ(double x, double y, double z) { return product(product(about(0, x), about(1, y)), about(2, z)); }

// The rotation of a quaternion (x, y, z, w), normalised first.
inline Rot quaternion(double x, double y, double z, double w) {
    const double n = std::sqrt(x * x + y * y + z * z + w * w);
    x /= n, y /= n, z /= n, w /= n;
    return Rot{{{1 - 2 * (y * y + z * z), 2 * (x * y + z * w), 2 * (x * z - y * w)},
                {2 * (x * y - z * w), 1 - 2 * (x * x + z * z), 2 * (y * z + x * w)},
                {2 * (x * z + y * w), 2 * (y * z - x * w), 1 - 2 * (x * x + y * y)}}};
}

// diag(s) * a: row r scaled by s[r].
inline Rot scaleRows(const std::array<double, 3>& s, Rot a) {
    for (int r = 0; r < 3; ++r)
        for (double& v : a[r]) v *= s[r];
    return a;
}

// a * diag(s): column c scaled by s[c].
inline Rot scaleColumns(Rot a, const std::array<double, 3>& s) {
    for (auto& row : a)
        for (int c = 0; c < 3; ++c) row[c] *= s[c];
    return a;
}

// The largest difference between the upper-left 3x3 of a row-major 4x4 and a reference.
template <class Matrix>
double maxDifference(const Matrix& m, const Rot& expected) {
    double worst = 0;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) worst = std::fmax(worst, std::fabs(m(r, c) - expected[r][c]));
    return worst;
}

}  // namespace reference
