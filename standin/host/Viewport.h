#pragma once
// The 3D view of the scene. It refreshes as Maya's viewport does: from idle processing (the UI thread has
// nothing else queued), after the scene changed, at most 60 times a second; never from a timer that runs
// regardless, and never once per applied frame. Alt + left/middle/right drag orbits, pans and dollies as in
// Maya, the wheel dollies, and "f" frames everything drawn. Main (UI) thread only.

#include <QtCore/QElapsedTimer>
#include <QtCore/QTimer>
#include <QtGui/QImage>
#include <QtWidgets/QWidget>

#include <cstdint>

#include "OrbitCamera.h"

class Viewport : public QWidget {
public:
    explicit Viewport(QWidget* parent = nullptr);

    OrbitCamera& camera() { return camera_; }
    const OrbitCamera& camera() const { return camera_; }

    // The view as it would be drawn at this size, rendered offscreen by the same drawing code.
    QImage snapshot(const QSize& size) const;
    // Aims the camera at everything drawn (as "f" does), for the widget or for a snapshot of another size;
    // false when nothing is drawn.
    bool frameAll();
    bool frameAll(const QSize& size);

    // Redraws so far and the time the last one took (scene read and painting, and the modelled cost), for the
    // status bar.
    std::uint64_t redraws() const { return redraws_; }
    double lastRedrawMs() const { return lastRedrawMs_; }

    // What each refresh costs at least, spent on the UI thread (Maya's redraw of a heavy scene); 0 for none.
    void setRedrawCostMs(double ms) { redrawCostMs_ = ms > 0 ? ms : 0; }
    // Without drawing (a headless host), a refresh paints nothing nobody sees, but still happens when it would,
    // spends its cost and counts.
    void setDrawing(bool drawing) { drawing_ = drawing; }

    // The fastest refresh rate.
    enum { kMaxRefreshPerSecond = 60 };

    QSize sizeHint() const override { return QSize(800, 560); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void onIdle();
    void refreshed(const QElapsedTimer& clock);  // counts a refresh and spends the rest of its cost

    enum class Drag { kNone, kOrbit, kPan, kDolly };
    OrbitCamera camera_;
    QTimer wakeTimer_;  // armed only while a refresh waits for the rate limit
    QElapsedTimer sinceRefresh_;
    std::uint64_t drawnRevision_ = ~std::uint64_t(0);
    std::uint64_t redraws_ = 0;
    double lastRedrawMs_ = 0.0;
    double redrawCostMs_ = 0.0;
    bool drawing_ = true;
    Drag drag_ = Drag::kNone;
    QPoint lastMouse_;
};
