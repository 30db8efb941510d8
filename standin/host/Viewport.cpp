#include <QtGui/QKeyEvent>
#include <QtGui/QMouseEvent>
#include <QtGui/QPainter>
#include <QtGui/QWheelEvent>

#include "Viewport.h"

#include <mayastandin/Host.h>

#include "SceneDrawing.h"

Viewport::Viewport(QWidget* parent) : QWidget(parent) {
    setObjectName("viewport");
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    setMinimumSize(200, 150);
    redrawTimer_.setTimerType(Qt::PreciseTimer);
    connect(&redrawTimer_, &QTimer::timeout, this, &Viewport::tick);
    redrawTimer_.start(16);
}

void Viewport::tick() {
    if (isVisible() && mayastandin::sceneRevision() != drawnRevision_) update();
}

void Viewport::paintEvent(QPaintEvent*) {
    QElapsedTimer clock;
    clock.start();
    drawnRevision_ = mayastandin::sceneRevision();
    const SceneFrame frame = readScene();
    QPainter painter(this);
    paintViewport(painter, size(), camera_, frame);
    ++redraws_;
    lastRedrawMs_ = clock.nsecsElapsed() / 1e6;
}

QImage Viewport::snapshot(const QSize& size) const {
    QImage image(size, QImage::Format_RGB32);
    QPainter painter(&image);
    paintViewport(painter, size, camera_, readScene());
    return image;
}

bool Viewport::frameAll() { return frameAll(size()); }

bool Viewport::frameAll(const QSize& size) {
    const SceneFrame frame = readScene();
    if (!frame.hasBounds) return false;
    camera_.frame(frame.boundsMin, frame.boundsMax, size);
    update();
    return true;
}

void Viewport::mousePressEvent(QMouseEvent* event) {
    lastMouse_ = event->pos();
    drag_ = Drag::kNone;
    if (event->modifiers() & Qt::AltModifier) {
        if (event->button() == Qt::LeftButton) drag_ = Drag::kOrbit;
        if (event->button() == Qt::MiddleButton) drag_ = Drag::kPan;
        if (event->button() == Qt::RightButton) drag_ = Drag::kDolly;
    }
    event->accept();
}

void Viewport::mouseMoveEvent(QMouseEvent* event) {
    const QPoint delta = event->pos() - lastMouse_;
    lastMouse_ = event->pos();
    switch (drag_) {
        case Drag::kOrbit: camera_.orbit(delta.x(), delta.y()); break;
        case Drag::kPan: camera_.pan(delta.x(), delta.y(), size()); break;
        case Drag::kDolly: camera_.dolly(delta.x() - delta.y()); break;
        case Drag::kNone: return;
    }
    update();
}

void Viewport::mouseReleaseEvent(QMouseEvent*) { drag_ = Drag::kNone; }

void Viewport::wheelEvent(QWheelEvent* event) {
    camera_.dolly(event->angleDelta().y() * 0.5f);
    update();
}

void Viewport::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F && event->modifiers() == Qt::NoModifier) {
        frameAll();
        return;
    }
    QWidget::keyPressEvent(event);
}
