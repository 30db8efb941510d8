#pragma once
// What every capture that loads must give the tracking-server simulator: one subject whose frames match its
// description, finite values, unseen markers at the origin, parents before their bones, and a scene and frames the
// wire encoder accepts in both protocol versions (the simulator encodes them on its sending thread, where a
// rejection would end the program).

#include <orvane/tracker/capture/Capture.h>
#include <orvane/tracker/net/WireCodec.h>

#include <cmath>
#include <string>

#include "FuzzSupport.h"

namespace fuzz {

inline bool finiteVec(const orvane::tracker::Vec3& v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

// Loads with 'read'; a CaptureError is a fine answer, anything else thrown or a broken property is a crash.
template <typename Read>
void checkCapture(Read read) {
    using namespace orvane::tracker;
    CaptureClip clip;
    try {
        clip = read();
    } catch (const CaptureError&) {
        return;
    }
    check(clip.scene.subjects.size() == 1, "a capture is one subject");
    check(clip.frameRate > 0 && std::isfinite(clip.frameRate), "frame rate not positive and finite");
    const SubjectDef& subject = clip.scene.subjects[0];
    for (std::size_t b = 0; b < subject.bones.size(); ++b) {
        check(subject.bones[b].parent >= -1 && subject.bones[b].parent < static_cast<int>(b),
              "bone parent does not come before the bone");
        check(finiteVec(subject.bones[b].offset), "bone offset not finite");
    }
    try {
        net::encodeDescriptions(clip.scene, 1, net::Envelope{});
    } catch (const net::WireEncodeError& e) {
        check(false, std::string("a loaded capture's scene cannot be streamed: ") + e.what());
    }
    for (std::size_t f = 0; f < clip.frames.size(); ++f) {
        const FrameSample& frame = clip.frames[f];
        check(frame.frameNumber == static_cast<long long>(f), "frame numbers count from 0");
        check(std::isfinite(frame.timeSeconds), "frame time not finite");
        check(frame.subjects.size() == 1, "a frame holds the one subject");
        const SubjectSample& s = frame.subjects[0];
        check(s.markers.size() == subject.markerNames.size() && s.markerSeen.size() == subject.markerNames.size(),
              "marker counts differ from the description");
        check(s.bones.size() == subject.bones.size(), "bone count differs from the description");
        for (std::size_t m = 0; m < s.markers.size(); ++m) {
            check(finiteVec(s.markers[m]), "marker not finite");
            if (!s.markerSeen[m])
                check(s.markers[m].x == 0 && s.markers[m].y == 0 && s.markers[m].z == 0, "unseen marker not at 0");
        }
        for (const BonePose& pose : s.bones)
            check(finiteVec(pose.worldPosition) && finiteVec(pose.localTranslation) && finiteVec(pose.localEulerXYZ) &&
                      std::isfinite(pose.worldOrientation.x) && std::isfinite(pose.worldOrientation.y) &&
                      std::isfinite(pose.worldOrientation.z) && std::isfinite(pose.worldOrientation.w),
                  "bone pose not finite");
        // Encoding costs little next to reading; the first frames and the last are enough to reach every value
        // range a reader produces.
        if (f >= 4 && f + 1 != clip.frames.size()) continue;
        for (int version = 1; version <= 2; ++version) {
            try {
                net::encodeFrame(frame, clip.scene, version, 1);
            } catch (const net::WireEncodeError& e) {
                check(false, std::string("a loaded capture's frame cannot be streamed: ") + e.what());
            }
        }
    }
}

}  // namespace fuzz
