#include <QtCore/QAbstractEventDispatcher>
#include <QtCore/QCoreApplication>
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
    // The timer only wakes the event loop up once the rate allows the next refresh; onIdle refreshes.
    wakeTimer_.setTimerType(Qt::PreciseTimer);
    wakeTimer_.setSingleShot(true);
    connect(&wakeTimer_, &QTimer::timeout, this, [] {});
    // The dispatcher is about to wait for events: everything queued until now has been processed.
    if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance(thread()))
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, &Viewport::onIdle);
}

void Viewport::onIdle() {
    if (!isVisible() || mayastandin::sceneRevision() == drawnRevision_) return;
    // Some event dispatchers announce the wait before looking for what is ready: idle means nothing is.
    QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance(thread());
    if (dispatcher && dispatcher->hasPendingEvents()) return;
    const qint64 periodNs = 1000000000LL / kMaxRefreshPerSecond;
    if (sinceRefresh_.isValid() && sinceRefresh_.nsecsElapsed() < periodNs) {
        if (!wakeTimer_.isActive())
            wakeTimer_.start(static_cast<int>((periodNs - sinceRefresh_.nsecsElapsed()) / 1000000 + 1));
        return;
    }
    if (drawing_) {
        repaint();
        return;
    }
    QElapsedTimer clock;
    clock.start();
    drawnRevision_ = mayastandin::sceneRevision();
    refreshed(clock);
}

void Viewport::refreshed(const QElapsedTimer& clock) {
    const qint64 costNs = static_cast<qint64>(redrawCostMs_ * 1e6);
    while (clock.nsecsElapsed() < costNs) {
    }
    ++redraws_;
    lastRedrawMs_ = clock.nsecsElapsed() / 1e6;
    sinceRefresh_.start();
}

void Viewport::paintEvent(QPaintEvent*) {
    QElapsedTimer clock;
    clock.start();
    drawnRevision_ = mayastandin::sceneRevision();
    QPainter painter(this);
    if (drawing_)
        paintViewport(painter, size(), camera_, readScene());
    else
        painter.fillRect(rect(), viewportColors::kBackgroundBottom);
    refreshed(clock);
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
