#include "OrbitCamera.h"

#include <QtCore/QtMath>
#include <QtGui/QVector4D>

#include <algorithm>
#include <cmath>

OrbitCamera::OrbitCamera()
    : target_(0.0f, 80.0f, 0.0f), distance_(1000.0f), yawDegrees_(35.0f), pitchDegrees_(-22.0f) {}

QVector3D OrbitCamera::eye() const {
    const float yaw = qDegreesToRadians(yawDegrees_);
    const float pitch = qDegreesToRadians(pitchDegrees_);
    // Direction from the eye to the target.
    const QVector3D forward(-std::sin(yaw) * std::cos(pitch), std::sin(pitch), -std::cos(yaw) * std::cos(pitch));
    return target_ - forward * distance_;
}

QMatrix4x4 OrbitCamera::view() const {
    QMatrix4x4 m;
    m.lookAt(eye(), target_, QVector3D(0.0f, 1.0f, 0.0f));
    return m;
}

QMatrix4x4 OrbitCamera::projection(const QSize& viewport) const {
    QMatrix4x4 m;
    const float aspect = viewport.height() > 0 ? float(viewport.width()) / float(viewport.height()) : 1.0f;
    m.perspective(kVerticalFovDegrees, aspect, kNear, kFar);
    return m;
}

namespace {
QPointF toPixel(const QVector4D& clip, const QSize& viewport) {
    const float x = clip.x() / clip.w(), y = clip.y() / clip.w();
    return QPointF((x + 1.0f) * 0.5f * viewport.width(), (1.0f - y) * 0.5f * viewport.height());
}
}  // namespace

bool OrbitCamera::project(const QVector3D& world, const QSize& viewport, QPointF* pixel) const {
    const QVector3D c = view().map(world);
    if (-c.z() < kNear) return false;
    *pixel = toPixel(projection(viewport) * QVector4D(c, 1.0f), viewport);
    return true;
}

bool OrbitCamera::projectSegment(const QVector3D& a, const QVector3D& b, const QSize& viewport, QPointF* pa,
                                 QPointF* pb) const {
    const QMatrix4x4 v = view();
    QVector3D ca = v.map(a), cb = v.map(b);
    const float da = -ca.z() - kNear, db = -cb.z() - kNear;  // >= 0: in front of the near plane
    if (da < 0.0f && db < 0.0f) return false;
    if (da < 0.0f) ca = ca + (cb - ca) * (da / (da - db));
    if (db < 0.0f) cb = cb + (ca - cb) * (db / (db - da));
    const QMatrix4x4 p = projection(viewport);
    *pa = toPixel(p * QVector4D(ca, 1.0f), viewport);
    *pb = toPixel(p * QVector4D(cb, 1.0f), viewport);
    return true;
}

void OrbitCamera::orbit(float dxPixels, float dyPixels) {
    yawDegrees_ = std::fmod(yawDegrees_ - dxPixels * 0.4f, 360.0f);
    pitchDegrees_ = std::max(-89.0f, std::min(89.0f, pitchDegrees_ - dyPixels * 0.4f));
}

void OrbitCamera::pan(float dxPixels, float dyPixels, const QSize& viewport) {
    // Centimetres per pixel at the target's depth.
    const float perPixel =
        2.0f * distance_ * std::tan(qDegreesToRadians(kVerticalFovDegrees) * 0.5f) / std::max(1, viewport.height());
    const QMatrix4x4 v = view();
    const QVector3D right(v(0, 0), v(0, 1), v(0, 2));
    const QVector3D up(v(1, 0), v(1, 1), v(1, 2));
    target_ += (-right * dxPixels + up * dyPixels) * perPixel;
}

void OrbitCamera::dolly(float amountPixels) {
    distance_ = std::max(10.0f, std::min(kFar * 0.5f, distance_ * std::exp(-amountPixels * 0.005f)));
}

void OrbitCamera::frame(const QVector3D& boxMin, const QVector3D& boxMax, const QSize& viewport) {
    target_ = (boxMin + boxMax) * 0.5f;
    const float radius = std::max(25.0f, (boxMax - boxMin).length() * 0.5f);
    const float aspect = viewport.height() > 0 ? float(viewport.width()) / float(viewport.height()) : 1.0f;
    const float halfFov = qDegreesToRadians(kVerticalFovDegrees) * 0.5f;
    const float narrowest = aspect < 1.0f ? std::atan(std::tan(halfFov) * aspect) : halfFov;
    distance_ = std::min(kFar * 0.5f, radius / std::sin(narrowest) * 1.05f);
}
