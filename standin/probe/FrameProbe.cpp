#include "FrameProbe.h"

#include <QtCore/QTimer>

#include <algorithm>
#include <chrono>
#include <cmath>

#include <maya/MDagPath.h>
#include <maya/MFnDagNode.h>
#include <maya/MFnTransform.h>
#include <maya/MVector.h>
#include <mayastandin/Host.h>

#include "orvane/tracker/Control.h"

namespace orvane {
namespace probe {
namespace {

namespace tracker = orvane::tracker;

long long nowUs() {
    using namespace std::chrono;
    return duration_cast<microseconds>(system_clock::now().time_since_epoch()).count();
}

// The plug-in scales stream positions by the single-precision 0.1.
bool sameScaledPoint(const MVector& scene, const float probe[3]) {
    const float scale = 0.1f;
    const double expected[3] = {probe[0] * scale, probe[1] * scale, probe[2] * scale};
    const double got[3] = {scene.x, scene.y, scene.z};
    for (int k = 0; k < 3; ++k)
        if (std::fabs(got[k] - expected[k]) > 1e-6 * std::max(1.0, std::fabs(expected[k]))) return false;
    return true;
}

}  // namespace

FrameProbe::FrameProbe(QObject* parent) : QObject(parent) {
    deliveredMark_ = tracker::deliveredFrames();
    intervalStartUs_ = nowUs();
    mayastandin::setTransformWriteListener([this](const MObject& node) { onWrite(node); });
}

FrameProbe::~FrameProbe() { mayastandin::setTransformWriteListener(nullptr); }

void FrameProbe::resolveProbe(int subject) {
    probeSubject_ = subject;
    probeNode_ = MObjectHandle();
    const tracker::SceneDef scene = tracker::currentScene();
    if (subject < 0 || subject >= static_cast<int>(scene.subjects.size())) return;
    const std::vector<std::string>& markers = scene.subjects[subject].markerNames;
    if (markers.empty()) return;
    probeName_ = mayastandin::legalNodeName(markers.front());
    probeNode_ = mayastandin::findNode(probeName_);
}

void FrameProbe::onWrite(const MObject& node) {
    const long long now = nowUs();
    if (pending_) current_.movedUs = now;
    if (!probeNode_.isValid() || !(probeNode_ == node)) {
        // The probe is resolved lazily: on the first write after a (re)connection, or when its node went away.
        // Names only change with the structure, so the lookup runs once per structure change, not per write.
        if (probeNode_.isValid()) {
            const std::uint64_t structure = mayastandin::structureRevision();
            if (structure == checkedStructure_) return;
            if (!mayastandin::findNode(probeName_).isNull()) {
                checkedStructure_ = structure;
                return;
            }
        }
        const std::vector<tracker::DeliveryRecord> newest = tracker::recentDeliveries(1);
        if (newest.empty()) return;
        resolveProbe(newest.back().probeSubject);
        if (!probeNode_.isValid() || !(probeNode_ == node)) return;
    }

    // A new session numbers its frames from the start again.
    const std::vector<tracker::DeliveryRecord> newest = tracker::recentDeliveries(1);
    if (!newest.empty() && newest.back().frameNumber < lastFrame_) lastFrame_ = -1;

    tracker::DeliveryRecord match;
    bool found = false;
    tracker::DeliveryRecord running;
    std::vector<tracker::DeliveryRecord> recent;
    if (tracker::deliveryInProgress(&running) && !running.version2) {
        match = running;
        found = true;
        // The frames delivered since the last one shown, up to this one: a version 1 frame is delivered only
        // while the one before it is not waited for, so those in between were skipped.
        if (lastFrame_ >= 0 && match.frameNumber > lastFrame_)
            recent = tracker::recentDeliveries(static_cast<std::size_t>(
                std::min<long long>(match.frameNumber - lastFrame_, tracker::kDeliveryLogSize)));
    } else {
        MDagPath path;
        MFnDagNode(probeNode_.objectRef()).getPath(path);
        if (!path.isValid()) return;
        const MVector position = MFnTransform(path).getTranslation(MSpace::kWorld);
        // Newest first; the frame shown is normally among the last few delivered, so look there first.
        for (std::size_t window = 32; !found; window *= 8) {
            recent = tracker::recentDeliveries(window);
            for (auto it = recent.rbegin(); it != recent.rend() && it->frameNumber > lastFrame_; ++it) {
                if (it->probeSubject == probeSubject_ && sameScaledPoint(position, it->probe)) {
                    match = *it;
                    found = true;
                    break;
                }
            }
            const bool reachedLast = recent.empty() || recent.front().frameNumber <= lastFrame_;
            if (reachedLast || recent.size() < window || window >= tracker::kDeliveryLogSize) break;
        }
        if (found && lastFrame_ >= 0) {
            // Every entry newer than the last frame shown is in a window of (newest - last) entries, since
            // frame numbers only grow.
            const long long span = recent.back().frameNumber - lastFrame_;
            if (span > static_cast<long long>(recent.size()))
                recent = tracker::recentDeliveries(
                    static_cast<std::size_t>(std::min<long long>(span, tracker::kDeliveryLogSize)));
        }
    }
    if (found && lastFrame_ >= 0)
        for (const tracker::DeliveryRecord& r : recent)
            if (r.frameNumber > lastFrame_ && r.frameNumber < match.frameNumber) ++skipped_;
    if (!found || match.frameNumber <= lastFrame_) {
        if (!found) ++unmatched_;
        return;
    }
    if (pending_) finish();
    pending_ = true;
    current_ = AppliedFrame();
    current_.frameNumber = match.frameNumber;
    current_.serverSendTimeUs = match.serverSendTimeUs;
    current_.movedUs = now;
    lastFrame_ = match.frameNumber;
    if (!finishPosted_) {
        finishPosted_ = true;
        QTimer::singleShot(0, this, [this] {
            finishPosted_ = false;
            if (pending_) finish();
        });
    }
}

void FrameProbe::finish() {
    pending_ = false;
    frames_.push_back(current_);
    ++appliedTotal_;
}

double FrameProbe::percentileMs(const std::vector<AppliedFrame>& frames, double percent) {
    if (frames.empty()) return 0.0;
    std::vector<long long> latencies;
    latencies.reserve(frames.size());
    for (const AppliedFrame& f : frames) latencies.push_back(f.latencyUs());
    std::sort(latencies.begin(), latencies.end());
    const double rank = percent / 100.0 * static_cast<double>(latencies.size() - 1);
    const std::size_t index = static_cast<std::size_t>(std::lround(rank));
    return static_cast<double>(latencies[std::min(index, latencies.size() - 1)]) / 1000.0;
}

IntervalStats FrameProbe::takeInterval() {
    if (pending_) finish();
    IntervalStats stats;
    const long long now = nowUs();
    stats.seconds = static_cast<double>(now - intervalStartUs_) / 1e6;
    stats.applied = static_cast<long long>(frames_.size());
    const long long delivered = tracker::deliveredFrames();
    stats.delivered = delivered >= deliveredMark_ ? delivered - deliveredMark_ : delivered;
    stats.skipped = skipped_;
    stats.unmatched = unmatched_;
    stats.latencyMedianMs = percentileMs(frames_, 50);
    stats.latencyP99Ms = percentileMs(frames_, 99);
    stats.latencyMaxMs = percentileMs(frames_, 100);
    frames_.clear();
    skipped_ = unmatched_ = 0;
    deliveredMark_ = delivered;
    intervalStartUs_ = now;
    return stats;
}

}  // namespace probe
}  // namespace orvane
