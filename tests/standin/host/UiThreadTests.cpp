// The host's UI thread as Maya's: writes and refreshes cost what they are told to, the viewport refreshes from
// idle processing after a change and at most 60 times a second, and the host measures from outside what a
// plug-in's frame slots and a click's wait take. Time appears here only as lower bounds a busy-wait guarantees,
// or as upper bounds on counts that a slower machine only makes easier to meet.
#include <QtCore/QElapsedTimer>
#include <QtCore/QEventLoop>
#include <QtCore/QThread>
#include <QtCore/QTimer>

#include <functional>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include <maya/MEulerRotation.h>
#include <maya/MFnTransform.h>
#include <maya/MVector.h>
#include <mayastandin/Host.h>

#include "HostApplication.h"
#include "InputProbe.h"
#include "Viewport.h"

namespace {

// Runs the event loop as the host's main loop does, waiting for events when there are none.
void runLoop(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

MObject makeTransform() {
    std::string name;
    EXPECT_TRUE(mayastandin::execute("createNode transform -n costed", &name));
    return mayastandin::findNode(name);
}

class UiThread : public ::testing::Test {
protected:
    void SetUp() override { mayastandin::resetScene(); }
    void TearDown() override { mayastandin::setWriteCostMicroseconds(0); }
};

TEST_F(UiThread, EveryWriteAndAttributeSetCostsTheCallerWhatTheHostIsTold) {
    const MObject node = makeTransform();
    const struct {
        const char* what;
        std::function<void()> write;
    } writes[] = {
        {"translation", [&] { MFnTransform(node).setTranslation(MVector(1, 2, 3), MSpace::kTransform); }},
        {"rotation", [&] { MFnTransform(node).setRotation(MEulerRotation(0.1, 0.2, 0.3)); }},
        {"visibility", [] { mayastandin::execute("hide costed"); }},
    };
    const double costUs = 3000;
    mayastandin::setWriteCostMicroseconds(costUs);
    for (const auto& w : writes) {
        QElapsedTimer clock;
        clock.start();
        w.write();
        EXPECT_GE(clock.nsecsElapsed(), static_cast<qint64>(costUs * 1000)) << w.what;
    }
}

TEST_F(UiThread, TheViewportRefreshesFromIdleOnlyAfterAChangeAndAtMost60TimesASecond) {
    Viewport view;
    view.setDrawing(false);
    view.setRedrawCostMs(20);
    view.show();
    const MObject node = makeTransform();
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

    // Changes every millisecond with idle time between them: refreshes stay at 60 a second or fewer.
    view.setRedrawCostMs(0);
    QTimer changes;
    int x = 0;
    QObject::connect(&changes, &QTimer::timeout,
                     [&] { MFnTransform(node).setTranslation(MVector(++x, 0, 0), MSpace::kTransform); });
    changes.start(1);
    const std::uint64_t beforeRate = view.redraws();
    QElapsedTimer clock;
    clock.start();
    runLoop(500);
    const double seconds = clock.nsecsElapsed() / 1e9;
    changes.stop();
    EXPECT_GT(view.redraws(), beforeRate);
    EXPECT_LE(static_cast<double>(view.redraws() - beforeRate), 60.0 * seconds + 1) << x << " changes";
}

TEST(HostApplication, APluginCallIsAQueuedCallToAWidgetInsideAWorkspaceControl) {
    QWidget control;
    control.setObjectName("customWorkspaceControlWorkspaceControl");
    QWidget layout(&control);
    QWidget panel(&layout);
    QWidget hostWidget;
    QObject plainObject;
    QEvent metaCall(QEvent::MetaCall), timer(QEvent::Timer);
    const struct {
        const char* what;
        const QObject* receiver;
        const QEvent* event;
        bool expected;
    } cases[] = {
        {"panel, queued call", &panel, &metaCall, true},
        {"the control itself, queued call", &control, &metaCall, true},
        {"panel, timer", &panel, &timer, false},
        {"host widget, queued call", &hostWidget, &metaCall, false},
        {"object, queued call", &plainObject, &metaCall, false},
    };
    for (const auto& c : cases) EXPECT_EQ(HostApplication::isPluginCall(c.receiver, c.event), c.expected) << c.what;
}

TEST(InputProbe, AClickWaitsAsLongAsTheUiThreadIsBusy) {
    InputProbe probe;
    runLoop(60);
    probe.takeP99Ms();
    QThread::msleep(80);  // the UI thread busy: events the probe posts meanwhile wait
    runLoop(60);
    EXPECT_GE(probe.delays().size(), 6u);
    EXPECT_GE(probe.takeP99Ms(), 60.0);
    EXPECT_TRUE(probe.delays().empty());
}

}  // namespace
