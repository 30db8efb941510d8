#pragma once
// The keys a take bakes into: for every locator and joint the frames drove, its channels' keys as the live
// frame application would have left the node at each frame. Pure arithmetic on a read take; nothing here
// calls the host, so it runs anywhere and is checked against references of its own.
//
// Units: seconds for times, centimetres for translations (the stream's millimetres times the single-precision
// 0.1 the applier uses), degrees for rotations (XYZ Euler angles, the plug-in's joints' rotate order, with
// zero joint orients), 0 or 1 for visibility.

#include <cstdint>
#include <string>
#include <vector>

#include "TakeFile.h"

namespace orvane {
namespace scene {

// The capture grid of a take: each frame's slot on a uniform grid whose period is the capture rate's.
struct CaptureGrid {
    double period = 0;                     // seconds; 0 when the take has fewer than two distinct slots
    std::vector<std::int64_t> frameSlots;  // one per frame, rising; the first frame is slot 0
};

// The rate is first estimated as the median of the intervals between arrivals; each frame then takes the slot
// nearest its arrival on a line fitted to the frames before it, so arrival jitter below half a period does not
// move a frame, and a frame lost on the way leaves its slot empty. Frames that arrive bunched up (delivered
// late together) go back to the free slots before them. The period is then fitted to all frames.
CaptureGrid captureGrid(const std::vector<std::int64_t>& arrivalNs);

// Euler angles in degrees, X then Y then Z.
struct Euler {
    double x, y, z;
};

// The equivalent of `e` closest to `previous`: each angle unrolled by whole turns, and of the two triples that
// give the same rotation, (x, y, z) and (x + 180, 180 - y, z + 180), the one nearer. What keeps rotation keys
// continuous, with no flip at +-180 degrees.
Euler filterEuler(const Euler& e, const Euler& previous);

struct BakeOptions {
    double startSeconds = 0;  // the host's time of the take's first frame
    double rate = 0;          // frames per second to resample to; 0 keeps one key per recorded frame
};

// The keys of one node: translation (and, for joints, rotation) keyed together at `keys`, visibility on its own
// keys, stepped. A node keyed at no frame has no track.
struct NodeTrack {
    bool joint = false;  // a joint of chain `list`, else a locator of marker group `list`
    int list = 0;
    int element = 0;                            // the marker or bone index
    std::vector<std::uint32_t> keys;            // indices into BakeResult::times, rising
    std::vector<double> translate;              // x, y, z per key
    std::vector<double> rotate;                 // x, y, z per key, joints only, Euler filtered
    std::vector<std::uint32_t> visibilityKeys;  // hidden or shown during the take (version 2 bones only)
    std::vector<std::uint8_t> visible;
};

struct BakeResult {
    double captureRate = 0;     // frames per second, from the arrival times; 0 when it cannot be told
    std::vector<double> times;  // key times in seconds: one per recorded frame, or the resampling grid
    std::vector<NodeTrack> tracks;
    double startSeconds = 0, endSeconds = 0;
    std::string error;  // why the take cannot be baked as asked; nothing else is set then
};

// A resampling grid longer than a million times has at most this many for each frame recorded (6000 FPS, the
// finest time unit, over a 120 Hz take is 50): a longer one could only come from arrival times no recorder
// writes, and is refused rather than allocated.
const double kMaxResampledKeysPerFrame = 64;
const double kResampledKeysAlwaysAllowed = 1e6;

// Version 2 bones are world poses: a joint's keys are its pose relative to its parent as the parent stands
// after the same frame (an untracked parent stays where its own parent leaves it). Before the first frame
// every joint is taken to be at rest (no translation, no rotation) relative to its parent.
BakeResult bakeTake(const take::TakeData& take, const BakeOptions& options);

}  // namespace scene
}  // namespace orvane
