#include "LiveStatus.h"

#include <maya/MDagPath.h>
#include <maya/MFnDagNode.h>
#include <maya/MGlobal.h>
#include <maya/MMatrix.h>
#include <mayastandin/Host.h>

#include <algorithm>
#include <cstdio>

#include "HostApplication.h"

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
    lastPluginCallNs_ = HostApplication::pluginCallNanoseconds();
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
    const qint64 now = clock_.nsecsElapsed();
    const double elapsedNs = static_cast<double>(std::max<qint64>(1, now - lastTickNs_));
    const qint64 pluginCalls = HostApplication::pluginCallNanoseconds();
    second.uiFramesShare = static_cast<double>(pluginCalls - lastPluginCallNs_) / elapsedNs;
    const std::uint64_t redraws = redraws_ ? redraws_() : 0;
    second.redrawsPerSecond = static_cast<double>(redraws - lastRedraws_) * 1e9 / elapsedNs;
    second.inputP99Ms = input_.takeP99Ms();
    second.recording = recording();
    lastTickNs_ = now;
    lastPluginCallNs_ = pluginCalls;
    lastRedraws_ = redraws;
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
    std::snprintf(text, sizeof text, " | ui frames %.0f%% | redraws %.0f/s | input p99 %.1f ms",
                  100.0 * s.uiFramesShare, s.redrawsPerSecond, s.inputP99Ms);
    line += text;
    return line;
}

std::string LiveStatus::statusText(const LiveSecond& s) {
    char text[384];
    std::snprintf(text, sizeof text,
                  "Frames applied: %.0f /s    Latency (median, last second): %.1f ms    Skipped: %lld    "
                  "UI frames: %.0f %%    Redraws: %.0f /s    Input p99: %.1f ms",
                  s.stats.seconds > 0 ? s.stats.applied / s.stats.seconds : 0.0, s.stats.latencyMedianMs,
                  s.stats.skipped, 100.0 * s.uiFramesShare, s.redrawsPerSecond, s.inputP99Ms);
    return text;
}

LiveSecond::Recording LiveStatus::recording() {
    LiveSecond::Recording r;
    if (!mayastandin::isCommandRegistered("orvaneRecord")) return r;
    int active = 0, frames = 0;
    double seconds = 0;
    if (!MGlobal::executeCommand("orvaneRecord -query -recording", active, false, false) || active == 0) return r;
    MGlobal::executeCommand("orvaneRecord -query -seconds", seconds, false, false);
    MGlobal::executeCommand("orvaneRecord -query -frames", frames, false, false);
    r.active = true;
    r.seconds = seconds;
    r.frames = frames;
    return r;
}

std::string LiveStatus::recordingText(const LiveSecond::Recording& r) {
    if (!r.active) return std::string();
    char text[96];
    std::snprintf(text, sizeof text, "REC %.1f s %lld frames", r.seconds, r.frames);
    return text;
}
