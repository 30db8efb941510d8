// LifecycleStress stress: the module loaded into the stand-in host, its docked panel clicked the way a user clicks
// it, while the simulator streams two performers at 360 Hz over loopback. Connect/disconnect cycles in both
// protocol versions (version 1 with smoothing, whose frames hold the SDK's thread until the UI thread has
// applied them), the version switched between cycles, the control closed while streaming, the module
// unloaded while streaming and while a disconnection waits, loaded and unloaded again and again. Each run ends
// with the process holding what it held before: threads, descriptors, frame copies and resident memory.

#include <QtCore/QPointer>
#include <QtCore/QTimer>
#include <QtWidgets/QMessageBox>

#include <memory>
#include <string>

#include "OrvanePluginSDK.h"
#include "StressSupport.h"
#include "orvane/tracker/sim/TrackerServer.h"

namespace {

using namespace stress;
namespace sim = orvane::tracker::sim;

// How a cycle's disconnection meets the stream.
enum class Moment {
    kAfterFirstFrame,  // right after a frame reached the scene
    kAfterAWhile,      // after a few milliseconds of events
    kMidDelivery       // version 1: the SDK's thread blocked on the UI thread; version 2: copies queued and
                       // in flight, the UI thread having processed nothing for a while
};

Moment momentOf(int cycle) { return static_cast<Moment>(cycle % 3); }

// Waits without processing events: the UI thread stays busy as far as the SDK's thread can tell.
bool waitWithoutEvents(const std::function<bool()>& done, int boundMs = 5000) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < boundMs) QThread::msleep(1);
    return done();
}

struct Figures {
    int cycles = 0;
    long long framesDelivered = 0;  // frames the SDK handed to the plug-in
    int midDelivery = 0;            // disconnections or unloads while a version 1 delivery waited on the UI thread
    std::uint64_t writes = host::transformWrites();  // at the start; print() reports the writes since

    void print(const char* test) const {
        std::printf("stress: %s cycles=%d frames=%lld blocked_v1=%d transform_writes=%llu\n", test, cycles,
                    framesDelivered, midDelivery, static_cast<unsigned long long>(host::transformWrites() - writes));
        std::fflush(stdout);
    }
};

class LifecycleStress : public testing::Test {
protected:
    void SetUp() override {
        startFresh();
        sim::ServerOptions options;
        options.rateHz = 360;
        options.performers = 2;
        server.reset(new sim::TrackerServer(options));
        server->start();
        tracker::useNetworkSource(server->address());
    }
    void TearDown() override {
        if (host::isPluginLoaded(kPlugin)) {
            EXPECT_TRUE(host::unloadPlugin(kPlugin));
        }
        spinFor(10);
        tracker::resetForTests();
        server.reset();
    }

    void load() { ASSERT_TRUE(host::loadPlugin(ORVANE_PLUGIN_PATH)) << host::logText(); }

    // Connects by a click and waits until frames reach the scene.
    void connectAndStream(QWidget* panel, const std::string& step) {
        watchdog.step(step + ": connect");
        clickIndicator(connectBox(panel));
        ASSERT_TRUE(isOnline(panel)) << step << ": " << host::logText();
        const std::uint64_t writes = host::transformWrites();
        watchdog.step(step + ": first frame");
        ASSERT_TRUE(spinUntil([&] { return host::transformWrites() > writes; })) << step << ": no frame arrived";
    }

    // Lets the stream go on until the moment; returns whether a version 1 delivery is waiting for this thread.
    bool reach(Moment moment, int cycle, bool version1) {
        switch (moment) {
            case Moment::kAfterFirstFrame: break;
            case Moment::kAfterAWhile: spinFor(1 + cycle % 17); break;
            case Moment::kMidDelivery:
                if (version1) return waitWithoutEvents([] { return tracker::deliveryInProgress(nullptr); });
                QThread::msleep(15);
                break;
        }
        return false;
    }

    // One connect/disconnect cycle by clicks.
    void cycle(QWidget* panel, int n, bool version1, Figures& figures) {
        const std::string step = "cycle " + std::to_string(n) + (version1 ? " (version 1)" : " (version 2)");
        connectAndStream(panel, step);
        if (reach(momentOf(n), n, version1)) ++figures.midDelivery;
        figures.framesDelivered += tracker::deliveredFrames();
        watchdog.step(step + ": disconnect");
        clickIndicator(connectBox(panel));
        ++figures.cycles;
        ASSERT_FALSE(isOnline(panel)) << step;
        const tracker::ClientStatus status = tracker::clientStatus();
        EXPECT_FALSE(status.exists) << step << ": the client was not released";
        EXPECT_FALSE(status.started) << step;
    }

    void runCycles(const char* test, const std::function<bool(int)>& version1At) {
        load();
        QWidget* panel = openPanel();
        ASSERT_NE(panel, nullptr);
        const int cycles = size("ORVANE_STRESS_CYCLES", 20);
        Figures figures;
        // The first cycles make what lives as long as the process: smoothers, Qt's caches, malloc's arenas.
        for (int n = 0; n < 3; ++n) {
            if (versionBox(panel)->currentIndex() != (version1At(n) ? 0 : 1))
                chooseVersion(panel, version1At(n) ? 0 : 1);
            cycle(panel, n, version1At(n), figures);
            if (HasFatalFailure()) return;
        }
        const Resources baseline = Resources::now();
        for (int n = 3; n < cycles + 3; ++n) {
            if (versionBox(panel)->currentIndex() != (version1At(n) ? 0 : 1))
                chooseVersion(panel, version1At(n) ? 0 : 1);
            cycle(panel, n, version1At(n), figures);
            if (HasFatalFailure()) return;
        }
        figures.print(test);
        expectBackToBaseline(baseline, test);
        if (version1At(0) || version1At(1)) {
            EXPECT_GT(figures.midDelivery, 0) << "no cycle met a blocked delivery";
        }
    }

    std::unique_ptr<sim::TrackerServer> server;
    Watchdog watchdog;
};

TEST_F(LifecycleStress, Version2ConnectDisconnectCycles) {
    runCycles("version2_cycles", [](int) { return false; });
}

TEST_F(LifecycleStress, Version1SmoothedConnectDisconnectCycles) {
    runCycles("version1_smoothed_cycles", [](int) { return true; });
}

TEST_F(LifecycleStress, VersionSwitchedBetweenCycles) {
    runCycles("version_switch_cycles", [](int n) { return n % 2 == 1; });
}

// The user closes the control while frames stream in: the panel goes with it, after ending its connection.
TEST_F(LifecycleStress, ControlClosedByTheUserWhileStreaming) {
    load();
    const int rounds = std::max(3, size("ORVANE_STRESS_CYCLES", 20) / 4);
    Figures figures;
    Resources baseline;
    for (int n = 0; n < rounds + 1; ++n) {
        if (n == 1) baseline = Resources::now();
        const std::string step = "close round " + std::to_string(n);
        QWidget* panel = openPanel();
        ASSERT_NE(panel, nullptr) << step;
        const bool version1 = n % 2 == 1;
        if (version1) chooseVersion(panel, 0);
        connectAndStream(panel, step);
        if (reach(momentOf(n), n, version1)) ++figures.midDelivery;
        figures.framesDelivered += tracker::deliveredFrames();
        QPointer<QWidget> watched(panel);
        watchdog.step(step + ": close");
        host::userCloseControl(kControl);
        ASSERT_TRUE(spinUntil([&] { return watched.isNull() && !host::controlInfo(kControl).exists; })) << step;
        ++figures.cycles;
        const tracker::ClientStatus status = tracker::clientStatus();
        EXPECT_FALSE(status.exists) << step;
        EXPECT_FALSE(status.dataHandlerV1 || status.dataHandlerV2 || status.msgCallbackV1 || status.msgCallbackV2)
            << step << ": a handler outlived the panel";
    }
    figures.print("control_closed_while_streaming");
    expectBackToBaseline(baseline, "control_closed_while_streaming");
}

// The module is unloaded from an event the UI thread processes while one of the panel's own event loops runs:
// the disconnection's wait for a slow stopClient, or the error box of a failed connection (a script, a timer, a
// menu). The panel's code is on the stack below that event, so the unload is refused and the module stays until
// the loop is over; then it unloads as usual. (Were it unmapped there, the loop would return into nothing.)
TEST_F(LifecycleStress, ModuleUnloadedWhileAPanelEventLoopRuns) {
    const int rounds = std::max(2, size("ORVANE_STRESS_LOADS", 10) / 5);
    Resources baseline;
    for (int n = 0; n < rounds + 1; ++n) {
        if (n == 1) baseline = Resources::now();
        const std::string step = "unload-in-loop round " + std::to_string(n);
        load();
        QWidget* panel = openPanel();
        ASSERT_NE(panel, nullptr);
        const bool version1 = n % 2 == 1;
        if (version1) chooseVersion(panel, 0);

        // A failed connection's error box: the unload is tried while the box is up, then the box is closed.
        tracker::failNextCall("initClient", "initClient: no answer");
        bool unloaded = true, triedUnderTheBox = false;
        std::function<void()> poll = [&] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                unloaded = host::unloadPlugin(kPlugin);
                triedUnderTheBox = true;
                box->done(QMessageBox::Ok);
            } else {
                QTimer::singleShot(5, poll);
            }
        };
        host::setDismissMessageBoxes(false);
        QTimer::singleShot(0, poll);
        watchdog.step(step + ": failed connection");
        clickIndicator(connectBox(panel));
        host::setDismissMessageBoxes(true);
        ASSERT_TRUE(triedUnderTheBox) << step;
        ASSERT_TRUE(host::isPluginLoaded(kPlugin)) << step << ": unloaded under the error box";
        EXPECT_FALSE(unloaded) << step;
        EXPECT_FALSE(isOnline(panel)) << step;

        // A disconnection waiting for a slow stopClient.
        connectAndStream(panel, step);
        const int stopCalls = tracker::clientStatus().stopCalls;
        tracker::slowNextStop(300);
        unloaded = true;
        host::clearLog();
        QTimer::singleShot(0, [&] { unloaded = host::unloadPlugin(kPlugin); });
        watchdog.step(step + ": disconnect");
        QPointer<QWidget> watched(panel);
        clickIndicator(connectBox(panel));
        EXPECT_FALSE(unloaded) << step << ": unloaded while the disconnection waited";
        ASSERT_FALSE(watched.isNull()) << step;
        EXPECT_FALSE(isOnline(panel)) << step;
        EXPECT_NE(host::logText().find("// Error: workspaceControlCmd - cannot unload while the panel waits"),
                  std::string::npos)
            << host::logText();
        const tracker::ClientStatus status = tracker::clientStatus();
        EXPECT_FALSE(status.exists) << step;
        EXPECT_EQ(status.stopCalls, stopCalls + 1) << step;

        // Once the loop is over the module unloads, and nothing of it is left behind.
        watchdog.step(step + ": unload");
        ASSERT_TRUE(host::unloadPlugin(kPlugin)) << step << ": " << host::logText();
        EXPECT_TRUE(watched.isNull()) << step;
        const tracker::ClientStatus after = tracker::clientStatus();
        EXPECT_FALSE(after.dataHandlerV1 || after.dataHandlerV2 || after.msgCallbackV1 || after.msgCallbackV2);
        ASSERT_TRUE(host::execute("createNode transform -n afterUnload" + std::to_string(n))) << step;
    }
    expectBackToBaseline(baseline, "unload_in_panel_event_loop");
}

// Loaded, connected, streaming, unloaded: again and again, in both versions, the unload meeting the stream
// at different moments.
TEST_F(LifecycleStress, ModuleLoadedAndUnloadedWhileStreaming) {
    const int rounds = size("ORVANE_STRESS_LOADS", 10);
    Figures figures;
    Resources baseline;
    for (int n = 0; n < rounds + 1; ++n) {
        if (n == 1) baseline = Resources::now();
        const std::string step = "load round " + std::to_string(n);
        load();
        QWidget* panel = openPanel();
        ASSERT_NE(panel, nullptr) << step;
        const bool version1 = n % 2 == 1;
        if (version1) chooseVersion(panel, 0);
        connectAndStream(panel, step);
        if (reach(momentOf(n / 2), n, version1)) ++figures.midDelivery;
        figures.framesDelivered += tracker::deliveredFrames();
        QPointer<QWidget> watched(panel);
        watchdog.step(step + ": unload");
        ASSERT_TRUE(host::unloadPlugin(kPlugin)) << step << ": " << host::logText();
        ++figures.cycles;
        EXPECT_TRUE(watched.isNull()) << step;
        EXPECT_FALSE(host::controlInfo(kControl).exists) << step;
        EXPECT_FALSE(host::isCommandRegistered("OrvanePluginWindow")) << step;
        EXPECT_FALSE(COrvaneSDKClientManager::instance()->isConnected()) << step;
        EXPECT_FALSE(tracker::clientStatus().exists) << step;
    }
    figures.print("load_unload_while_streaming");
    expectBackToBaseline(baseline, "load_unload_while_streaming");
    EXPECT_GT(figures.midDelivery, 0);
}

}  // namespace
