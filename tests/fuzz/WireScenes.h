#pragma once
// The scene the datagram fuzzer checks FRAMEs against until DESCRIPTIONS have been assembled (revision 1), and
// the frames its seeds carry.

#include <orvane/tracker/Model.h>

#include <string>

namespace fuzz {

inline orvane::tracker::SceneDef builtInWireScene() {
    using namespace orvane::tracker;
    SceneDef scene;
    for (int s = 0; s < 2; ++s) {
        SubjectDef subject;
        subject.name = "Performer" + std::to_string(s + 1);
        subject.skeletonName = subject.name + "_Skeleton";
        for (int m = 0; m < 3; ++m) subject.markerNames.push_back(subject.name + "_M" + std::to_string(m));
        for (int b = 0; b < 2; ++b) subject.bones.push_back(BoneDef{"Bone" + std::to_string(b), b - 1, {1, 2, 3}});
        scene.subjects.push_back(subject);
    }
    return scene;
}

// Marker 1 of each subject unseen and bone 1 untracked; the other values are exact in a float.
inline orvane::tracker::FrameSample wireSeedFrame(const orvane::tracker::SceneDef& scene, long long number) {
    using namespace orvane::tracker;
    FrameSample frame;
    frame.frameNumber = number;
    frame.timeSeconds = static_cast<double>(number) / 120.0;
    frame.serverSendTimeUs = 1700000000000000LL + number * 8333;
    for (const SubjectDef& def : scene.subjects) {
        SubjectSample s;
        for (std::size_t m = 0; m < def.markerNames.size(); ++m) {
            s.markerSeen.push_back(m != 1);
            s.markers.push_back(m != 1 ? Vec3{100.5 + static_cast<double>(m), -20.25, 1500.0} : Vec3{});
        }
        for (std::size_t b = 0; b < def.bones.size(); ++b) {
            BonePose pose;
            pose.tracked = b != 1;
            if (pose.tracked) {
                pose.worldPosition = {10.0 * static_cast<double>(b), 950.5, -3.0};
                pose.worldOrientation = {0.0, 0.0, 0.0, 1.0};
                pose.localTranslation = {0.0, 100.0, 0.0};
                pose.localEulerXYZ = {90.0, -45.5, 0.0};
            }
            s.bones.push_back(pose);
        }
        frame.subjects.push_back(s);
    }
    return frame;
}

}  // namespace fuzz
