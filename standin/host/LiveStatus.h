#pragma once
// What the host observes of a live stream, once a second: frames applied and their rate, frames skipped, and
// the latency from the server's send time to the moment a frame's nodes moved (median and 99th percentile over
// that second), measured by the frame probe from the host's own transform writes, never asked of the plug-in.
// Also the scene's node count and the world positions of watched nodes, and what the UI thread went through:
// its share spent in the plug-ins' frame application, the viewport's refreshes and how long a click waited.
// Main (UI) thread only; one at a time (the probe is the host's only transform-write listener).

#include <QtCore/QElapsedTimer>
#include <QtCore/QObject>
#include <QtCore/QTimer>

#include <functional>
#include <string>
#include <vector>

#include "FrameProbe.h"
#include "InputProbe.h"

struct LiveSecond {
    long long secondsSinceStart = 0;
    orvane::probe::IntervalStats stats;
    long long appliedTotal = 0;
    std::size_t nodes = 0;
    struct Watched {
        std::string name;
        bool found = false;
        double position[3] = {0, 0, 0};  // world, cm
    };
    std::vector<Watched> watched;  // the probe marker first (when known), then the watched names
    double uiFramesShare = 0;      // 0..1 of the second in the plug-ins' frame application (HostApplication)
    double redrawsPerSecond = 0;   // viewport refreshes
    double inputP99Ms = 0;         // a click's wait for the UI thread (InputProbe)
    struct Recording {
        bool active = false;
        double seconds = 0;
        long long frames = 0;
    };
    Recording recording;  // a take being recorded, as the module's orvaneRecord -query answers
};

class LiveStatus : public QObject {
public:
    explicit LiveStatus(QObject* parent = nullptr);

    // Nodes (names or paths) whose world position each second reports.
    void watch(const std::string& nodeName) { watched_.push_back(nodeName); }
    // Called once a second with what the second brought.
    void onSecond(std::function<void(const LiveSecond&)> listener) { listeners_.push_back(std::move(listener)); }
    // The viewport's refresh count, read once a second.
    void countRedraws(std::function<std::uint64_t()> redraws) { redraws_ = std::move(redraws); }

    // One line for a terminal: "[  3s] applied 360 frames, 120/s, skipped 0, latency median 0.9 ms ...", the
    // UI thread's fields last: "... | ui frames 12% | redraws 60/s | input p99 0.4 ms".
    static std::string summaryLine(const LiveSecond& second);
    // The status bar's text (the node count has its own field there).
    static std::string statusText(const LiveSecond& second);
    // Whether a take is being recorded, asked of orvaneRecord when a loaded module registers it (nothing is run
    // or logged otherwise). The status bar's text for it: "REC 12.5 s 4500 frames", or "" when not recording.
    static LiveSecond::Recording recording();
    static std::string recordingText(const LiveSecond::Recording& recording);

private:
    void tick();

    orvane::probe::FrameProbe probe_;
    InputProbe input_;
    QTimer timer_;
    QElapsedTimer clock_;
    qint64 lastTickNs_ = 0;
    qint64 lastPluginCallNs_ = 0;
    std::uint64_t lastRedraws_ = 0;
    std::function<std::uint64_t()> redraws_;
    std::vector<std::string> watched_;
    std::vector<std::function<void(const LiveSecond&)>> listeners_;
};
