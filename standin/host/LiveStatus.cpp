#include "LiveStatus.h"

#include <maya/MDagPath.h>
#include <maya/MFnDagNode.h>
#include <maya/MMatrix.h>
#include <mayastandin/Host.h>

#include <cstdio>

namespace {
LiveSecond::Watched locate(const std::string& name) {
    LiveSecond::Watched w;
    w.name = name;
    const MObject node = mayastandin::findNode(name);
    if (node.isNull()) return w;
    MDagPath path;
    MFnDagNode(node).getPath(path);
    const MMatrix m = path.inclusiveMatrix();
    w.found = true;
    for (int k = 0; k < 3; ++k) w.position[k] = m(3, k);
    return w;
}
}  // namespace

LiveStatus::LiveStatus(QObject* parent) : QObject(parent) {
    clock_.start();
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &LiveStatus::tick);
    timer_.start(1000);
}

void LiveStatus::tick() {
    LiveSecond second;
    second.secondsSinceStart = (clock_.elapsed() + 500) / 1000;
    second.stats = probe_.takeInterval();
    second.appliedTotal = probe_.appliedTotal();
    second.nodes = mayastandin::dagNodeCount();
    if (!probe_.probeName().empty()) second.watched.push_back(locate(probe_.probeName()));
    for (const std::string& name : watched_) second.watched.push_back(locate(name));
    for (const auto& listener : listeners_) listener(second);
}

std::string LiveStatus::summaryLine(const LiveSecond& s) {
    char text[512];
    std::snprintf(text, sizeof text,
                  "[%3llds] applied %lld frames, %.0f/s, skipped %lld, latency median %.1f ms p99 %.1f ms | "
                  "delivered %lld/s | %zu nodes",
                  s.secondsSinceStart, s.appliedTotal, s.stats.seconds > 0 ? s.stats.applied / s.stats.seconds : 0.0,
                  s.stats.skipped, s.stats.latencyMedianMs, s.stats.latencyP99Ms, s.stats.delivered, s.nodes);
    std::string line = text;
    for (const LiveSecond::Watched& w : s.watched) {
        if (!w.found) {
            line += " | " + w.name + " (not in the scene)";
            continue;
        }
        std::snprintf(text, sizeof text, " | %s at (%.2f, %.2f, %.2f) cm", w.name.c_str(), w.position[0], w.position[1],
                      w.position[2]);
        line += text;
    }
    return line;
}

std::string LiveStatus::statusText(const LiveSecond& s) {
    char text[256];
    std::snprintf(
        text, sizeof text, "Frames applied: %.0f /s    Latency (median, last second): %.1f ms    Skipped: %lld",
        s.stats.seconds > 0 ? s.stats.applied / s.stats.seconds : 0.0, s.stats.latencyMedianMs, s.stats.skipped);
    return text;
}
