#pragma once
// Rotation matrices in column-vector convention (v' = R v), and their conversions to the model's Euler X-Y-Z
// degrees (X applied first: R = Rz * Ry * Rx) and to unit quaternions.

#include <orvane/tracker/Model.h>

namespace orvane {
namespace tracker {
namespace rotation {

struct Mat3 {
    double m[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
};

Mat3 axisRotation(int axis, double degrees);  // axis 0, 1, 2 = X, Y, Z
Mat3 multiply(const Mat3& a, const Mat3& b);
Vec3 apply(const Mat3& r, const Vec3& v);
Vec3 eulerXYZDegrees(const Mat3& r);  // inverse of Rz * Ry * Rx; Y in [-90, 90]
Quat quaternion(const Mat3& r);       // w >= 0

}  // namespace rotation
}  // namespace tracker
}  // namespace orvane
