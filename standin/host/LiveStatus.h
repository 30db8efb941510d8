#pragma once
// What the host observes of a live stream, once a second: frames applied and their rate, frames skipped, and
// the latency from the server's send time to the moment a frame's nodes moved (median and 99th percentile over
// that second), measured by the frame probe from the host's own transform writes, never asked of the plug-in.
// Also the scene's node count and the world positions of watched nodes. Main (UI) thread only; one at a time
// (the probe is the host's only transform-write listener).

#include <QtCore/QElapsedTimer>
#include <QtCore/QObject>
#include <QtCore/QTimer>

#include <functional>
#include <string>
#include <vector>

#include "FrameProbe.h"

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
};

class LiveStatus : public QObject {
public:
    explicit LiveStatus(QObject* parent = nullptr);

    // Nodes (names or paths) whose world position each second reports.
    void watch(const std::string& nodeName) { watched_.push_back(nodeName); }
    // Called once a second with what the second brought.
    void onSecond(std::function<void(const LiveSecond&)> listener) { listeners_.push_back(std::move(listener)); }

    // One line for a terminal: "[  3s] applied 360 frames, 120/s, skipped 0, latency median 0.9 ms ...".
    static std::string summaryLine(const LiveSecond& second);
    // The status bar's text (the node count has its own field there).
    static std::string statusText(const LiveSecond& second);

private:
    void tick();

    orvane::probe::FrameProbe probe_;
    QTimer timer_;
    QElapsedTimer clock_;
    std::vector<std::string> watched_;
    std::vector<std::function<void(const LiveSecond&)>> listeners_;
};
