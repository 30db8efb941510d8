#pragma once
// The tracking stand-in's neutral model of what it streams: subjects (a marker set and a skeleton each) and
// per-frame samples. Sources (synthetic performers, capture replays, the network receiver) produce it; the
// SDK turns it into the version 1 or version 2 records. Lengths in millimetres, angles in degrees.

#include <string>
#include <vector>

namespace orvane {
namespace tracker {

struct Vec3 {
    double x = 0, y = 0, z = 0;
};

struct Quat {  // unit quaternion, scalar last
    double x = 0, y = 0, z = 0, w = 1;
};

struct BoneDef {
    std::string name;
    int parent = -1;  // 0-based index of the parent bone in the same subject, -1 for a root; parents come first
    Vec3 offset;      // rest offset from the parent, in the parent's space
};

struct SubjectDef {
    std::string name;          // version 1 body name and version 2 marker-set name
    std::string skeletonName;  // version 2 skeleton name
    std::vector<std::string> markerNames;
    std::vector<BoneDef> bones;  // may be empty (marker-only captures)
};

struct SceneDef {
    std::vector<SubjectDef> subjects;
};

struct BonePose {
    Vec3 worldPosition;     // version 2: world space
    Quat worldOrientation;  // version 2: world space
    Vec3 localTranslation;  // version 1: relative to the parent bone, in the parent's space
    Vec3 localEulerXYZ;     // version 1: degrees, applied X then Y then Z, relative to the parent
    bool tracked = true;    // an untracked bone streams an all-zero version 2 pose
};

struct SubjectSample {
    std::vector<Vec3> markers;     // world positions
    std::vector<bool> markerSeen;  // an unseen marker streams as exactly (0, 0, 0)
    std::vector<BonePose> bones;
};

struct FrameSample {
    long long frameNumber = 0;
    double timeSeconds = 0;          // capture time of the sample
    long long serverSendTimeUs = 0;  // when the server sent it (microseconds since the Unix epoch)
    long long receiveTimeUs = 0;     // when the SDK received it (same clock); 0 = at delivery
    std::vector<SubjectSample> subjects;
};

}  // namespace tracker
}  // namespace orvane
