#include <QtGui/QLinearGradient>
#include <QtGui/QPainter>
#include <QtGui/QPen>

#include "SceneDrawing.h"

#include <maya/MDagPath.h>
#include <maya/MFn.h>
#include <maya/MItDag.h>
#include <maya/MMatrix.h>
#include <maya/MObjectHandle.h>
#include <mayastandin/Host.h>

#include "OrbitCamera.h"

#include <algorithm>
#include <unordered_map>

namespace {

QVector3D translationOf(const MMatrix& m) { return QVector3D(float(m(3, 0)), float(m(3, 1)), float(m(3, 2))); }

// The selection, to look nodes up by handle.
class SelectionSet {
public:
    SelectionSet() {
        for (const MObject& o : mayastandin::selection()) byHash_[MObjectHandle(o).hashCode()].push_back(o);
    }
    bool contains(const MObject& o) const {
        if (byHash_.empty()) return false;
        auto it = byHash_.find(MObjectHandle(o).hashCode());
        return it != byHash_.end() && std::find(it->second.begin(), it->second.end(), o) != it->second.end();
    }

private:
    std::unordered_map<unsigned, std::vector<MObject>> byHash_;
};

// What a walk knows of the ancestors of the current node, by depth.
struct Ancestor {
    bool joint = false;
    bool selected = false;
    QVector3D position;
};

}  // namespace

SceneFrame readScene() {
    SceneFrame frame;
    const SelectionSet selection;
    std::vector<Ancestor> ancestors(1);  // the world
    unsigned hiddenBelow = 0;            // depth of a hidden node whose subtree is being skipped, 0 = none
    auto grow = [&frame](const QVector3D& p) {
        if (!frame.hasBounds) {
            frame.boundsMin = frame.boundsMax = p;
            frame.hasBounds = true;
            return;
        }
        frame.boundsMin = QVector3D(std::min(frame.boundsMin.x(), p.x()), std::min(frame.boundsMin.y(), p.y()),
                                    std::min(frame.boundsMin.z(), p.z()));
        frame.boundsMax = QVector3D(std::max(frame.boundsMax.x(), p.x()), std::max(frame.boundsMax.y(), p.y()),
                                    std::max(frame.boundsMax.z(), p.z()));
    };
    for (MItDag it(MItDag::kDepthFirst); !it.isDone(); it.next()) {
        const unsigned depth = it.depth();
        if (depth == 0) continue;  // the world
        ++frame.dagNodes;
        if (hiddenBelow != 0) {
            if (depth > hiddenBelow) continue;
            hiddenBelow = 0;
        }
        MDagPath path;
        it.getPath(path);
        // Ancestors above are visible (or we would be skipping), so this tells whether the node itself is hidden.
        if (!path.isVisible()) {
            hiddenBelow = depth;
            continue;
        }
        const MObject node = it.currentItem();
        if (ancestors.size() <= depth) ancestors.resize(depth + 1);
        const Ancestor& parent = ancestors[depth - 1];
        Ancestor& self = ancestors[depth];
        self.selected = parent.selected || selection.contains(node);
        self.joint = node.hasFn(MFn::kJoint);
        if (self.joint) {
            self.position = translationOf(path.inclusiveMatrix());
            frame.joints.push_back({self.position, self.selected});
            if (parent.joint) frame.bones.push_back({parent.position, self.position, parent.selected});
            grow(self.position);
        } else if (node.hasFn(MFn::kLocator)) {
            const QVector3D p = translationOf(path.inclusiveMatrix());
            frame.locators.push_back({p, self.selected});
            grow(p);
        }
    }
    return frame;
}

namespace {

void drawGrid(QPainter& painter, const QSize& size, const OrbitCamera& camera) {
    // One line a metre over 20 m, the two axes through the origin darker.
    const int half = 10;
    const float step = 100.0f;
    QVector<QLineF> minor, axes;
    for (int i = -half; i <= half; ++i) {
        const float c = i * step, e = half * step;
        QPointF a, b;
        QVector<QLineF>& into = i == 0 ? axes : minor;
        if (camera.projectSegment(QVector3D(c, 0, -e), QVector3D(c, 0, e), size, &a, &b)) into.push_back(QLineF(a, b));
        if (camera.projectSegment(QVector3D(-e, 0, c), QVector3D(e, 0, c), size, &a, &b)) into.push_back(QLineF(a, b));
    }
    painter.setPen(QPen(QColor(150, 156, 164), 1.0));
    painter.drawLines(minor);
    painter.setPen(QPen(QColor(24, 24, 26), 1.6));
    painter.drawLines(axes);
}

// Screen directions of the world axes, for crosses that keep their size on screen.
void axisDirections(const OrbitCamera& camera, QPointF directions[3]) {
    const QMatrix4x4 v = camera.view();
    for (int k = 0; k < 3; ++k) directions[k] = QPointF(v(0, k), -v(1, k));
}

void drawAxisGizmo(QPainter& painter, const QSize& size, const OrbitCamera& camera) {
    QPointF directions[3];
    axisDirections(camera, directions);
    const QPointF origin(34, size.height() - 34);
    const QColor colors[3] = {QColor(230, 70, 60), QColor(90, 220, 90), QColor(80, 130, 255)};
    const char* const names[3] = {"X", "Y", "Z"};
    for (int k = 0; k < 3; ++k) {
        const QPointF tip = origin + directions[k] * 24.0;
        painter.setPen(QPen(colors[k], 2.0));
        painter.drawLine(origin, tip);
        painter.drawText(tip + directions[k] * 8.0 - QPointF(4, -4), names[k]);
    }
}

}  // namespace

void paintViewport(QPainter& painter, const QSize& size, const OrbitCamera& camera, const SceneFrame& frame) {
    using namespace viewportColors;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    QLinearGradient background(0, 0, 0, size.height());
    background.setColorAt(0.0, kBackgroundTop);
    background.setColorAt(1.0, kBackgroundBottom);
    painter.fillRect(QRect(QPoint(0, 0), size), background);
    drawGrid(painter, size, camera);

    QVector<QLineF> bones[2];
    for (const SceneFrame::Bone& bone : frame.bones) {
        QPointF a, b;
        if (camera.projectSegment(bone.from, bone.to, size, &a, &b)) bones[bone.selected].push_back(QLineF(a, b));
    }
    painter.setPen(QPen(kBone, 2.0));
    painter.drawLines(bones[0]);
    painter.setPen(QPen(kSelected, 2.0));
    painter.drawLines(bones[1]);

    QPointF directions[3];
    axisDirections(camera, directions);
    QVector<QLineF> crosses[2];
    for (const SceneFrame::Point& locator : frame.locators) {
        QPointF c;
        if (!camera.project(locator.position, size, &c)) continue;
        for (const QPointF& d : directions) crosses[locator.selected].push_back(QLineF(c - d * 6.0, c + d * 6.0));
    }
    painter.setPen(QPen(kLocator, 1.6));
    painter.drawLines(crosses[0]);
    painter.setPen(QPen(kSelected, 1.6));
    painter.drawLines(crosses[1]);

    painter.setPen(QPen(QColor(20, 20, 20), 1.0));
    for (const SceneFrame::Point& joint : frame.joints) {
        QPointF c;
        if (!camera.project(joint.position, size, &c)) continue;
        painter.setBrush(joint.selected ? kSelected : kJoint);
        painter.drawEllipse(c, 3.5, 3.5);
    }
    painter.setBrush(Qt::NoBrush);

    drawAxisGizmo(painter, size, camera);
    painter.setPen(QColor(235, 235, 235));
    painter.drawText(QPointF(10, 20), QStringLiteral("persp  |  Y up, grid 1 m"));
    painter.restore();
}
