// The host's viewport refreshes as Maya's: from idle processing, after a change, and a refresh spends its cost. Time
// appears only as a lower bound that a busy-wait guarantees.
#include <QtCore/QEventLoop>
#include <QtCore/QTimer>

#include <functional>
#include <string>

#include <gtest/gtest.h>

#include <maya/MFnTransform.h>
#include <maya/MVector.h>
#include <mayastandin/Host.h>

#include "Viewport.h"

namespace {

// Runs the event loop as the host's main loop does, waiting for events when there are none.
void runLoop(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

TEST(UiThread, TheViewportRefreshesFromIdleOnlyAfterAChange) {
    mayastandin::resetScene();
    Viewport view;
    view.setDrawing(false);
    view.setRedrawCostMs(20);
    view.show();
    ASSERT_TRUE(mayastandin::execute("createNode transform -n moved"));
    const MObject node = mayastandin::findNode("moved");
    runLoop(100);
    const std::uint64_t settled = view.redraws();
    EXPECT_GE(view.lastRedrawMs(), 20.0);  // a refresh spends its cost, drawn or not

    // Nothing changed: no refresh, however long the loop runs.
    runLoop(200);
    EXPECT_EQ(view.redraws(), settled);

    // A change refreshes once, when the loop has nothing else to do.
    MFnTransform(node).setTranslation(MVector(1, 0, 0), MSpace::kTransform);
    runLoop(100);
    EXPECT_EQ(view.redraws(), settled + 1);

    // A thread kept busy by queued work never goes idle: every step changes the scene, none sees a refresh.
    const std::uint64_t beforeBusy = view.redraws();
    int steps = 0;
    bool refreshedWhileBusy = false;
    std::function<void()> step = [&] {
        refreshedWhileBusy = refreshedWhileBusy || view.redraws() != beforeBusy;
        MFnTransform(node).setTranslation(MVector(steps, 0, 0), MSpace::kTransform);
        if (++steps < 500) QMetaObject::invokeMethod(&view, step, Qt::QueuedConnection);
    };
    QMetaObject::invokeMethod(&view, step, Qt::QueuedConnection);
    runLoop(300);
    EXPECT_EQ(steps, 500);
    EXPECT_FALSE(refreshedWhileBusy);
    EXPECT_GE(view.redraws(), beforeBusy + 1);  // once idle, the last change is shown
}

}  // namespace
