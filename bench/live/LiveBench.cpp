// live_bench: the stand-in host with the plug-in loaded and its panel connected to the in-process tracking-server
// simulator over loopback, measured from the host's side with FrameProbe (the plug-in is not asked anything).
//
// P3: for each rate, N seconds with 3 performers (version 2): latency from the server's send time to the moment
//     the frame's nodes had moved (median, 99th percentile), and the shares of delivered frames applied and
//     skipped. Reference measured in the same run: the SDK's own latency, send time to the data handler.
// P5: N seconds at 1,000 Hz with the UI thread stalled for S seconds in the middle: resident memory and the SDK's
//     live frame copies, sampled every 20 ms, against the process before connecting; and after disconnecting.
//
//   live_bench [--seconds 30] [--rates 120,240,360,1000] [--performers 3] [--p5-seconds 30] [--stall 5]
//              [--only p3|p5] [--plugin PATH]

#include <QtCore/QCommandLineParser>
#include <QtCore/QElapsedTimer>
#include <QtCore/QEventLoop>
#include <QtCore/QThread>
#include <QtCore/QTimer>
#include <QtWidgets/QApplication>
#include <QtWidgets/QCheckBox>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QMainWindow>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include <unistd.h>

#include <mayastandin/Host.h>
#include <orvane/tracker/Control.h>
#include <orvane/tracker/sim/TrackerServer.h>

#include "BenchCsv.h"
#include "FrameProbe.h"

namespace {

namespace host = mayastandin;
namespace tracker = orvane::tracker;

void runEvents(int milliseconds) {
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

double residentMb() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

double percentileMs(std::vector<long long> values, double percent) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const std::size_t index = static_cast<std::size_t>(percent / 100.0 * static_cast<double>(values.size() - 1) + 0.5);
    return static_cast<double>(values[std::min(index, values.size() - 1)]) / 1000.0;
}

// The SDK's own latency (server send time to its data handler call) over the frames in its delivery log.
std::vector<long long> sdkLatenciesUs() {
    std::vector<long long> out;
    for (const tracker::DeliveryRecord& r : tracker::recentDeliveries())
        out.push_back(r.handlerStartUs - r.serverSendTimeUs);
    return out;
}

class Panel {
public:
    explicit Panel(QWidget* widget) : widget_(widget) {
        connect_ = widget->findChild<QCheckBox*>("checkboxConnect");
        version_ = widget->findChild<QComboBox*>("comboBoxSDKVersion");
    }
    bool connectTo(const std::string& server) {
        tracker::useNetworkSource(server);
        version_->setCurrentIndex(1);  // V2.0
        if (!connect_->isChecked()) connect_->click();
        return connect_->text() == "Online";
    }
    void disconnect() {
        if (connect_->isChecked()) connect_->click();
    }

private:
    QWidget* widget_;
    QCheckBox* connect_ = nullptr;
    QComboBox* version_ = nullptr;
};

tracker::sim::ServerOptions serverOptions(double rateHz, int performers) {
    tracker::sim::ServerOptions options;
    options.rateHz = rateHz;
    options.performers = performers;
    options.clientTimeoutSec = 30;  // a stalled host must not be dropped
    return options;
}

void runP3(Panel& panel, double rateHz, int performers, int seconds) {
    tracker::sim::TrackerServer server(serverOptions(rateHz, performers));
    server.start();
    if (!panel.connectTo(server.address())) {
        std::fprintf(stderr, "live_bench: could not connect to %s\n", server.address().c_str());
        return;
    }
    orvane::probe::FrameProbe probe;
    runEvents(1000);  // warm-up
    probe.takeInterval();
    runEvents(seconds * 1000);
    const std::vector<orvane::probe::AppliedFrame> frames = probe.frames();
    const orvane::probe::IntervalStats stats = probe.takeInterval();
    const std::vector<long long> sdk = sdkLatenciesUs();
    panel.disconnect();
    server.stop();

    char caseName[64];
    std::snprintf(caseName, sizeof caseName, "rate:%g/performers:%d", rateHz, performers);
    const double delivered = static_cast<double>(std::max(1LL, stats.delivered));
    benchcsv::row("P3", caseName, "latency_median", stats.latencyMedianMs, "ms", "SDK send->handler median",
                  percentileMs(sdk, 50));
    benchcsv::row("P3", caseName, "latency_p99", stats.latencyP99Ms, "ms", "SDK send->handler p99",
                  percentileMs(sdk, 99));
    benchcsv::row("P3", caseName, "latency_p99", stats.latencyP99Ms, "ms", "goal", 8.0);
    benchcsv::row("P3", caseName, "applied_share", static_cast<double>(stats.applied) / delivered, "");
    benchcsv::row("P3", caseName, "skipped_share", static_cast<double>(stats.skipped) / delivered, "");
    benchcsv::row("P3", caseName, "delivered_per_s", static_cast<double>(stats.delivered) / stats.seconds, "1/s");
    benchcsv::row("P3", caseName, "applied_per_s", static_cast<double>(stats.applied) / stats.seconds, "1/s");
    (void)frames;
}

void runP5(Panel& panel, int performers, int seconds, int stallSeconds) {
    const double baselineMb = residentMb();
    tracker::sim::TrackerServer server(serverOptions(1000, performers));
    server.start();
    if (!panel.connectTo(server.address())) {
        std::fprintf(stderr, "live_bench: could not connect to %s\n", server.address().c_str());
        return;
    }
    const double connectedMb = residentMb();
    std::atomic<bool> sampling{true};
    double peakMb = 0;
    long long peakCopies = 0, peakCopiesStalled = 0;
    std::atomic<bool> stalled{false};
    std::thread sampler([&] {
        while (sampling.load()) {
            peakMb = std::max(peakMb, residentMb());
            const long long copies = tracker::liveFrameCopies();
            peakCopies = std::max(peakCopies, copies);
            if (stalled.load()) peakCopiesStalled = std::max(peakCopiesStalled, copies);
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    });
    const int before = (seconds - stallSeconds) / 2;
    runEvents(before * 1000);
    stalled.store(true);
    QThread::sleep(static_cast<unsigned long>(stallSeconds));  // the UI thread processes nothing
    stalled.store(false);
    runEvents((seconds - stallSeconds - before) * 1000);
    const double streamingMb = residentMb();
    panel.disconnect();
    server.stop();
    runEvents(200);
    const long long copiesAfter = tracker::liveFrameCopies();
    sampling.store(false);
    sampler.join();
    const double afterMb = residentMb();

    char caseName[64];
    std::snprintf(caseName, sizeof caseName, "rate:1000/performers:%d/stall:%ds", performers, stallSeconds);
    benchcsv::row("P5", caseName, "rss_peak", peakMb, "MB", "before connecting", baselineMb);
    benchcsv::row("P5", caseName, "rss_connected", connectedMb, "MB", "before connecting", baselineMb);
    benchcsv::row("P5", caseName, "rss_streaming_end", streamingMb, "MB", "before connecting", baselineMb);
    benchcsv::row("P5", caseName, "rss_after_disconnect", afterMb, "MB", "before connecting", baselineMb);
    // Bound: the queue's 20, 2 in flight, 1 being copied, and while a pass releases the older copies it took
    // out (at most 19) the queue may refill.
    benchcsv::row("P5", caseName, "live_copies_peak", static_cast<double>(peakCopies), "", "bound 20+2+1+19", 42);
    benchcsv::row("P5", caseName, "live_copies_peak_stalled", static_cast<double>(peakCopiesStalled), "",
                  "bound 20+2+1+19", 42);
    benchcsv::row("P5", caseName, "live_copies_after_disconnect", static_cast<double>(copiesAfter), "");
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QCommandLineParser options;
    options.setApplicationDescription("End-to-end figures of the plug-in in the stand-in host (P3, P5).");
    options.addHelpOption();
    options.addOption({"plugin", "Plug-in module to load.", "path", ORVANE_DEFAULT_PLUGIN});
    options.addOption({"seconds", "Measured seconds per rate (P3).", "n", "30"});
    options.addOption({"rates", "Camera rates (P3), comma-separated.", "list", "120,240,360,1000"});
    options.addOption({"performers", "Performers.", "n", "3"});
    options.addOption({"p5-seconds", "Seconds of the memory run (P5).", "n", "30"});
    options.addOption({"stall", "Seconds the UI thread stalls in the memory run (P5).", "n", "5"});
    options.addOption({"only", "Run only p3 or p5.", "figure"});
    options.process(app);

    QMainWindow mainWindow;
    mainWindow.resize(900, 600);
    mainWindow.show();
    host::setMainWindow(&mainWindow);
    if (!host::loadPlugin(options.value("plugin").toStdString())) return 1;
    if (!host::execute("OrvanePluginWindow")) return 1;
    QWidget* layout = host::controlInfo("customWorkspaceControl").layout;
    QWidget* widget = layout ? layout->findChild<QWidget*>("QPluginPanelClass") : nullptr;
    if (widget == nullptr) {
        std::fprintf(stderr, "live_bench: the panel did not open\n");
        return 1;
    }
    Panel panel(widget);
    const int performers = options.value("performers").toInt();
    const QString only = options.value("only");
    if (only.isEmpty() || only == "p3")
        for (const QString& rate : options.value("rates").split(','))
            if (rate.toDouble() > 0) runP3(panel, rate.toDouble(), performers, options.value("seconds").toInt());
    if (only.isEmpty() || only == "p5")
        runP5(panel, performers, options.value("p5-seconds").toInt(), options.value("stall").toInt());
    host::shutdown();
    return 0;
}
