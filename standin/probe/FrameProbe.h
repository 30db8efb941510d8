#pragma once
// What the host sees of a live stream, measured from the outside: which streamed frame each scene update
// shows, how long after the server sent it the frame's nodes had moved, and which delivered frames never
// reached the scene. It watches the host's transform writes and matches them with the tracking stand-in's
// delivery log; the plug-in is not asked anything.
//
// The watched node is the locator of the probe marker (the first marker of the first subject with markers).
// A version 2 update is matched by that locator's new position (the streamed point times 0.1, in world space);
// a version 1 update is the frame whose handler is running, since version 1 handlers wait until it is applied.
// A frame counts as moved at the last transform write before control returns to the event loop.
//
// Main (UI) thread only. One probe at a time: it installs itself as the host's transform-write listener.

#include <QtCore/QObject>

#include <cstdint>
#include <string>
#include <vector>

#include <maya/MObject.h>
#include <maya/MObjectHandle.h>

namespace orvane {
namespace probe {

// One streamed frame as it reached the scene.
struct AppliedFrame {
    long long frameNumber = -1;
    long long serverSendTimeUs = 0;  // microseconds since the Unix epoch
    long long movedUs = 0;           // same clock: the frame's last node write
    long long latencyUs() const { return movedUs - serverSendTimeUs; }
};

// A summary over an interval (see FrameProbe::takeInterval).
struct IntervalStats {
    double seconds = 0;
    long long applied = 0;    // frames whose nodes moved
    long long delivered = 0;  // frames the SDK handed to the plug-in
    long long skipped = 0;    // delivered frames older than an applied one that never reached the scene
    long long unmatched = 0;  // probe updates that matched no delivered frame (probe marker unseen, replay loops)
    double latencyMedianMs = 0, latencyP99Ms = 0, latencyMaxMs = 0;  // 0 when nothing was applied
};

class FrameProbe : public QObject {
public:
    explicit FrameProbe(QObject* parent = nullptr);
    ~FrameProbe() override;

    // Every frame seen since the last takeInterval (oldest first).
    const std::vector<AppliedFrame>& frames() const { return frames_; }
    // Summarises and forgets the frames since the last call.
    IntervalStats takeInterval();
    // Frames applied since construction.
    long long appliedTotal() const { return appliedTotal_; }
    // The scene node of the probe marker, once a frame has moved it (empty before).
    const std::string& probeName() const { return probeName_; }

    // Latency percentile (0..100) over a set of frames, in milliseconds; 0 for none.
    static double percentileMs(const std::vector<AppliedFrame>& frames, double percent);

private:
    void onWrite(const MObject& node);
    void resolveProbe(int subject);
    void finish();  // closes the pending frame

    MObjectHandle probeNode_;  // may outlive its node: New Scene, a flushed undo queue
    int probeSubject_ = -1;
    std::string probeName_;
    std::uint64_t checkedStructure_ = ~std::uint64_t(0);  // structure revision at which probeName_ still named it
    long long lastFrame_ = -1;                            // newest frame applied so far
    bool pending_ = false;
    bool finishPosted_ = false;
    AppliedFrame current_;
    std::vector<AppliedFrame> frames_;
    long long skipped_ = 0;
    long long unmatched_ = 0;
    long long appliedTotal_ = 0;
    long long deliveredMark_ = 0;
    long long intervalStartUs_ = 0;
};

}  // namespace probe
}  // namespace orvane
