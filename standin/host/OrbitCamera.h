#pragma once
// The viewport's perspective camera, moved the way Maya's is: it orbits (tumbles) around a target point, pans
// (tracks) in its view plane and dollies towards the target. World units are centimetres, Y is up. Plain
// value type; the same camera projects for the widget and for an offscreen snapshot.

#include <QtCore/QPointF>
#include <QtCore/QSize>
#include <QtGui/QMatrix4x4>
#include <QtGui/QVector3D>

class OrbitCamera {
public:
    // Sees a 10 m square floor around the origin, like a stage, from a raised front-right corner.
    OrbitCamera();

    QVector3D target() const { return target_; }
    QVector3D eye() const;
    float distance() const { return distance_; }

    // The world-to-camera matrix (camera looks down its -Z, Y up) and the camera-to-clip projection.
    QMatrix4x4 view() const;
    QMatrix4x4 projection(const QSize& viewport) const;

    // A world point in viewport pixels (origin top left); false when it lies behind the near plane.
    bool project(const QVector3D& world, const QSize& viewport, QPointF* pixel) const;
    // A world segment clipped to the near plane, in pixels; false when nothing of it is in front of the camera.
    bool projectSegment(const QVector3D& a, const QVector3D& b, const QSize& viewport, QPointF* pa, QPointF* pb) const;

    // Mouse moves in pixels: orbit turns about the target (horizontal: about world Y), pan keeps the point under
    // the cursor under it, dolly moves towards the target (positive: closer).
    void orbit(float dxPixels, float dyPixels);
    void pan(float dxPixels, float dyPixels, const QSize& viewport);
    void dolly(float amountPixels);
    // Looks at the box from the current direction, from just far enough to see all of it.
    void frame(const QVector3D& boxMin, const QVector3D& boxMax, const QSize& viewport);

    static constexpr float kVerticalFovDegrees = 40.0f;
    static constexpr float kNear = 1.0f;      // cm
    static constexpr float kFar = 100000.0f;  // cm

private:
    QVector3D target_;
    float distance_;
    float yawDegrees_;    // about world Y, 0 looks along -Z
    float pitchDegrees_;  // negative looks down
};
