#pragma once
// What the viewport draws, and how: a snapshot of the drawable scene read through the Maya API (locators,
// joints and the bones between them, with their world positions), painted with QPainter under a perspective
// camera. The widget and the offscreen snapshot both paint through paintViewport. Main (UI) thread only.

#include <QtCore/QSize>
#include <QtGui/QColor>
#include <QtGui/QVector3D>

#include <utility>
#include <vector>

class QPainter;
class OrbitCamera;

struct SceneFrame {
    struct Point {
        QVector3D position;  // world, cm
        bool selected;       // the node or one of its ancestors is selected
    };
    struct Bone {
        QVector3D from, to;  // parent joint to child joint, world cm
        bool selected;
    };
    std::vector<Point> locators;
    std::vector<Point> joints;
    std::vector<Bone> bones;
    int dagNodes = 0;  // every DAG node, drawn or not
    bool hasBounds = false;
    QVector3D boundsMin, boundsMax;  // of what is drawn
};

// Reads the scene as it stands. A hidden node and everything below it are left out.
SceneFrame readScene();

void paintViewport(QPainter& painter, const QSize& size, const OrbitCamera& camera, const SceneFrame& frame);

// The colours things are drawn in (tests look for them).
namespace viewportColors {
const QColor kLocator(80, 210, 255);
const QColor kJoint(240, 196, 64);
const QColor kBone(222, 160, 52);
const QColor kSelected(110, 255, 150);
const QColor kBackgroundTop(112, 122, 134);
const QColor kBackgroundBottom(40, 43, 48);
}  // namespace viewportColors
