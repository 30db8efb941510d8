#pragma once
// Loads a recorded capture (BVH skeleton, C3D or TRC markers) into the tracker's neutral model, for replay by
// the tracking-server simulator. Every file becomes one subject named after the file (without extension).

#include <orvane/tracker/Model.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace orvane {
namespace tracker {

// A malformed, truncated or inconsistent capture file; what() names the file and the fault.
class CaptureError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct CaptureOptions {
    // Millimetres per unit of the file. 0 keeps each format's own rule: C3D and TRC follow their unit header
    // (mm, cm, m); BVH has no unit, so it is read as centimetres (x10). CMU BVH files use 1/0.45 inch per unit:
    // pass kCmuBvhUnitMm for those. A non-zero value replaces the file's own unit.
    double lengthScaleToMm = 0;
};

constexpr double kCmuBvhUnitMm = 25.4 / 0.45;

struct CaptureClip {
    SceneDef scene;                   // one subject
    double frameRate = 0;             // frames per second
    std::vector<FrameSample> frames;  // frameNumber counts from 0; timeSeconds = frameNumber / frameRate
    std::string sourceFile;
    // Departures from the format that the reader accepted, as other readers do, each named once with the file
    // (e.g. a BVH with more motion rows than "Frames:" declares). For the caller to show.
    std::vector<std::string> warnings;
};

// Chooses the reader by extension (.bvh, .c3d, .trc, any case). Throws CaptureError; never returns a partial clip.
CaptureClip loadCapture(const std::string& path, const CaptureOptions& options = CaptureOptions());

// Readers of an in-memory file. 'name' is the file name: it labels the errors, its stem names the subject.
CaptureClip readBvh(const std::string& text, const std::string& name, const CaptureOptions& options = CaptureOptions());
CaptureClip readC3d(const std::vector<unsigned char>& bytes, const std::string& name,
                    const CaptureOptions& options = CaptureOptions());
CaptureClip readTrc(const std::string& text, const std::string& name, const CaptureOptions& options = CaptureOptions());

}  // namespace tracker
}  // namespace orvane
