#pragma once
// Scenes and frames for the codec tests: deterministic values from a fixed seed.

#include <orvane/tracker/net/WireCodec.h>

#include <random>
#include <string>

namespace wire_test {

using namespace orvane::tracker;

inline SceneDef makeScene(int subjects, int markers, int bones) {
    SceneDef scene;
    for (int s = 0; s < subjects; ++s) {
        SubjectDef subject;
        subject.name = "Performer" + std::to_string(s + 1);
        subject.skeletonName = subject.name + "_Skeleton";
        for (int m = 0; m < markers; ++m) subject.markerNames.push_back(subject.name + "_M" + std::to_string(m));
        for (int b = 0; b < bones; ++b) {
            BoneDef bone;
            bone.name = "Bone" + std::to_string(b);
            bone.parent = b - 1;
            bone.offset = {b * 1.5, -b * 0.25, 100.0 / (b + 1)};
            subject.bones.push_back(bone);
        }
        scene.subjects.push_back(subject);
    }
    return scene;
}

// Every 7th marker unseen and every 5th bone untracked; values fit a float exactly where the wire uses floats.
inline FrameSample makeFrame(const SceneDef& scene, unsigned seed) {
    std::mt19937 random(seed);
    auto value = [&] { return static_cast<double>(static_cast<int>(random() % 200001) - 100000) / 64.0; };
    FrameSample frame;
    frame.frameNumber = 4294967296LL + seed;  // beyond 32 bits: the payload keeps it whole
    frame.timeSeconds = 12.345678901234;
    frame.serverSendTimeUs = 1700000000123456LL;
    for (const SubjectDef& def : scene.subjects) {
        SubjectSample s;
        for (std::size_t m = 0; m < def.markerNames.size(); ++m) {
            const bool seen = m % 7 != 3;
            s.markerSeen.push_back(seen);
            s.markers.push_back(seen ? Vec3{value(), value(), value()} : Vec3{});
        }
        for (std::size_t b = 0; b < def.bones.size(); ++b) {
            BonePose pose;
            pose.tracked = b % 5 != 2;
            if (pose.tracked) {
                pose.worldPosition = {value(), value(), value()};
                pose.worldOrientation = {0.5, -0.5, 0.5, 0.5};
                pose.localTranslation = {value() / 3, value() / 7, value() / 11};
                pose.localEulerXYZ = {value() / 13, value() / 17, value() / 19};
            }
            s.bones.push_back(pose);
        }
        frame.subjects.push_back(s);
    }
    return frame;
}

}  // namespace wire_test
