#include "orvane/tracker/SyntheticPerformers.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <stdexcept>
#include <string>

#include "Kinematics.h"

namespace orvane {
namespace tracker {
namespace {

constexpr double kPi = 3.14159265358979323846;

struct BoneTemplate {
    const char* name;
    int parent;
    Vec3 offset;
};

enum Bone {
    Hips,
    Spine,
    Spine1,
    Spine2,
    Neck,
    Head,
    LeftShoulder,
    LeftArm,
    LeftForeArm,
    LeftHand,
    RightShoulder,
    RightArm,
    RightForeArm,
    RightHand,
    LeftUpLeg,
    LeftLeg,
    LeftFoot,
    LeftToeBase,
    RightUpLeg,
    RightLeg,
    RightFoot,
    RightToeBase,
    kBoneCount
};

// Rest skeleton facing +Z, left on +X, arms along X (lowered by the pose), legs straight down.
const BoneTemplate kBones[kBoneCount] = {
    {"Hips", -1, {0, 0, 0}},
    {"Spine", Hips, {0, 100, 0}},
    {"Spine1", Spine, {0, 120, 0}},
    {"Spine2", Spine1, {0, 120, 0}},
    {"Neck", Spine2, {0, 150, 0}},
    {"Head", Neck, {0, 100, 0}},
    {"LeftShoulder", Spine2, {40, 110, 0}},
    {"LeftArm", LeftShoulder, {140, 0, 0}},
    {"LeftForeArm", LeftArm, {280, 0, 0}},
    {"LeftHand", LeftForeArm, {250, 0, 0}},
    {"RightShoulder", Spine2, {-40, 110, 0}},
    {"RightArm", RightShoulder, {-140, 0, 0}},
    {"RightForeArm", RightArm, {-280, 0, 0}},
    {"RightHand", RightForeArm, {-250, 0, 0}},
    {"LeftUpLeg", Hips, {90, -50, 0}},
    {"LeftLeg", LeftUpLeg, {0, -420, 0}},
    {"LeftFoot", LeftLeg, {0, -410, 0}},
    {"LeftToeBase", LeftFoot, {0, -60, 130}},
    {"RightUpLeg", Hips, {-90, -50, 0}},
    {"RightLeg", RightUpLeg, {0, -420, 0}},
    {"RightFoot", RightLeg, {0, -410, 0}},
    {"RightToeBase", RightFoot, {0, -60, 130}},
};

struct MarkerTemplate {
    const char* name;
    int bone;
    Vec3 offset;  // in the bone's space
};

const MarkerTemplate kMarkers[] = {
    {"LFHD", Head, {60, 80, 90}},
    {"RFHD", Head, {-60, 80, 90}},
    {"LBHD", Head, {60, 90, -80}},
    {"RBHD", Head, {-60, 90, -80}},
    {"C7", Neck, {0, 20, -70}},
    {"T10", Spine1, {0, 0, -110}},
    {"CLAV", Spine2, {0, 130, 80}},
    {"STRN", Spine2, {0, 30, 110}},
    {"RBAK", Spine2, {-70, 60, -100}},
    {"LSHO", LeftShoulder, {60, 40, 0}},
    {"LUPA", LeftArm, {140, 0, -40}},
    {"LELB", LeftForeArm, {0, 0, -45}},
    {"LFRM", LeftForeArm, {130, 0, -35}},
    {"LWRA", LeftForeArm, {245, 0, 30}},
    {"LWRB", LeftForeArm, {245, 0, -30}},
    {"LFIN", LeftHand, {80, 0, 0}},
    {"RSHO", RightShoulder, {-60, 40, 0}},
    {"RUPA", RightArm, {-140, 0, -40}},
    {"RELB", RightForeArm, {0, 0, -45}},
    {"RFRM", RightForeArm, {-130, 0, -35}},
    {"RWRA", RightForeArm, {-245, 0, 30}},
    {"RWRB", RightForeArm, {-245, 0, -30}},
    {"RFIN", RightHand, {-80, 0, 0}},
    {"LASI", Hips, {110, 40, 110}},
    {"RASI", Hips, {-110, 40, 110}},
    {"LPSI", Hips, {50, 60, -100}},
    {"RPSI", Hips, {-50, 60, -100}},
    {"LTHI", LeftUpLeg, {60, -200, 30}},
    {"LKNE", LeftLeg, {55, 0, 0}},
    {"LTIB", LeftLeg, {55, -200, 20}},
    {"LANK", LeftFoot, {50, 0, 0}},
    {"LHEE", LeftFoot, {0, -30, -80}},
    {"LTOE", LeftToeBase, {0, 10, 30}},
    {"LMT5", LeftToeBase, {50, 10, -20}},
    {"RTHI", RightUpLeg, {-60, -200, 30}},
    {"RKNE", RightLeg, {-55, 0, 0}},
    {"RTIB", RightLeg, {-55, -200, 20}},
    {"RANK", RightFoot, {-50, 0, 0}},
    {"RHEE", RightFoot, {0, -30, -80}},
    {"RTOE", RightToeBase, {0, 10, 30}},
    {"RMT5", RightToeBase, {-50, 10, -20}},
};
constexpr int kMarkerCount = sizeof(kMarkers) / sizeof(kMarkers[0]);

// Heel contact point below the ankle, in the foot's space.
const Vec3 kHeel{0, -70, -40};

constexpr double kPathRadius = 2500;        // each performer walks a circle of this radius
constexpr double kPerformerSpacing = 7000;  // between circle centres, along X
constexpr int kBoneDropoutWindow = 30;      // frames

uint64_t mix(uint64_t x) {
    x += 0x9e3779b97f4a7c15ull;
    x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ull;
    x = (x ^ (x >> 27)) * 0x94d049bb133111ebull;
    return x ^ (x >> 31);
}

// Uniform in [0, 1), a pure function of its keys.
double uniform(unsigned seed, uint64_t a, uint64_t b, uint64_t c) {
    const uint64_t h = mix(mix(mix(mix(seed) ^ a) ^ b) ^ c);
    return (h >> 11) * (1.0 / 9007199254740992.0);
}

std::string ordinal(int n) {
    const int lastTwo = n % 100, last = n % 10;
    const char* suffix = "th";
    if (lastTwo < 11 || lastTwo > 13) suffix = last == 1 ? "st" : last == 2 ? "nd" : last == 3 ? "rd" : "th";
    return std::to_string(n) + suffix;
}

}  // namespace

SyntheticPerformers::SyntheticPerformers(const SyntheticOptions& options) : options_(options) {
    if (!(options.rateHz > 0)) throw std::invalid_argument("synthetic performers: the rate must be positive");
    if (options.performers < 0) throw std::invalid_argument("synthetic performers: negative performer count");
    if (!(options.markerDropout >= 0 && options.markerDropout <= 1) ||
        !(options.boneDropout >= 0 && options.boneDropout <= 1))
        throw std::invalid_argument("synthetic performers: a dropout share must lie in 0..1");

    for (int p = 1; p <= options.performers; ++p) {
        const std::string number = std::to_string(p);
        SubjectDef subject;
        subject.name = options.rawNames ? "Performer " + number : "Performer" + number;
        subject.skeletonName = options.rawNames ? "Performer " + number + ":Skeleton" : subject.name + "_Skeleton";
        const std::string bonePrefix = options.rawNames ? subject.name + ":" : subject.name + "_";
        for (int m = 0; m < kMarkerCount; ++m) {
            subject.markerNames.push_back(options.rawNames ? ordinal((p - 1) * kMarkerCount + m + 1) + "-marker"
                                                           : subject.name + "_" + kMarkers[m].name);
        }
        for (const BoneTemplate& bone : kBones)
            subject.bones.push_back({bonePrefix + bone.name, bone.parent, bone.offset});
        scene_.subjects.push_back(std::move(subject));
    }
}

FrameSample SyntheticPerformers::sample(long long frameNumber) const {
    FrameSample out;
    sampleInto(frameNumber, out);
    return out;
}

void SyntheticPerformers::sampleInto(long long frameNumber, FrameSample& out) const {
    out.frameNumber = frameNumber;
    out.timeSeconds = frameNumber / options_.rateHz;
    out.serverSendTimeUs = 0;
    out.receiveTimeUs = 0;
    out.subjects.resize(scene_.subjects.size());
    for (int p = 0; p < options_.performers; ++p) samplePerformer(p, frameNumber, out.timeSeconds, out.subjects[p]);
}

void SyntheticPerformers::samplePerformer(int performer, long long frameNumber, double t, SubjectSample& out) const {
    const unsigned seed = options_.seed;
    // Per-performer character of the walk, fixed by the seed.
    const double startAngle = 2 * kPi * uniform(seed, performer, 1, 0);
    const double speed = 1100 + 300 * uniform(seed, performer, 2, 0);  // mm/s along the path
    const double cycle = 1.0 + 0.2 * uniform(seed, performer, 3, 0);   // s per gait cycle
    const double phase0 = 2 * kPi * uniform(seed, performer, 4, 0);

    const double angle = startAngle + speed * t / kPathRadius;
    const double heading = -angle * 180 / kPi;  // faces along the circle, counter-clockwise seen from above
    const Vec3 centre{performer * kPerformerSpacing, 0, 0};
    const double phase = phase0 + 2 * kPi * t / cycle;
    const double left = phase, right = phase + kPi;
    auto knee = [](double p) {
        double c = std::max(0.0, std::cos(p));
        return 5 + 55 * c * c;
    };
    auto toe = [](double p) { return 15 * std::max(0.0, -std::sin(p)); };

    Vec3 euler[kBoneCount];
    euler[Hips] = {2 * std::sin(2 * phase), heading + 5 * std::sin(phase), 0};
    euler[Spine] = {3 + 2 * std::sin(2 * phase), -4 * std::sin(phase), 0};
    euler[Spine1] = {2, -3 * std::sin(phase), 0};
    euler[Spine2] = {0, -3 * std::sin(phase), 0};
    euler[Neck] = {-5, 4 * std::sin(phase), 0};
    euler[Head] = {3 * std::sin(2 * phase), 3 * std::sin(phase), 0};
    euler[LeftShoulder] = {0, 0, -5};
    euler[LeftArm] = {0, 20 * std::sin(right), -70};
    euler[LeftForeArm] = {0, -(20 + 10 * std::sin(right)), 0};
    euler[LeftHand] = {0, 0, -5};
    euler[RightShoulder] = {0, 0, 5};
    euler[RightArm] = {0, -20 * std::sin(left), 70};
    euler[RightForeArm] = {0, 20 + 10 * std::sin(left), 0};
    euler[RightHand] = {0, 0, 5};
    euler[LeftUpLeg] = {-22 * std::sin(left), 0, 0};
    euler[LeftLeg] = {knee(left), 0, 0};
    euler[LeftFoot] = {-8 * std::sin(left), 0, 0};
    euler[LeftToeBase] = {toe(left), 0, 0};
    euler[RightUpLeg] = {-22 * std::sin(right), 0, 0};
    euler[RightLeg] = {knee(right), 0, 0};
    euler[RightFoot] = {-8 * std::sin(right), 0, 0};
    euler[RightToeBase] = {toe(right), 0, 0};

    // Forward kinematics with the root on the ground plane; then lift everything so that the lowest foot
    // contact point (a toe or a heel) touches y = 0.
    out.bones.resize(kBoneCount);
    kin::Mat3 world[kBoneCount];
    for (int b = 0; b < kBoneCount; ++b) {
        BonePose& pose = out.bones[b];
        const kin::Mat3 local = kin::eulerXYZ(euler[b]);
        pose.localEulerXYZ = euler[b];
        if (kBones[b].parent < 0) {
            pose.localTranslation = {centre.x + kPathRadius * std::cos(angle), 0,
                                     centre.z + kPathRadius * std::sin(angle)};
            world[b] = local;
            pose.worldPosition = pose.localTranslation;
        } else {
            const int parent = kBones[b].parent;
            pose.localTranslation = kBones[b].offset;
            world[b] = kin::multiply(local, world[parent]);
            const Vec3 d = kin::transform(kBones[b].offset, world[parent]);
            const Vec3& pp = out.bones[parent].worldPosition;
            pose.worldPosition = {pp.x + d.x, pp.y + d.y, pp.z + d.z};
        }
        pose.worldOrientation = kin::toQuat(world[b]);
        pose.tracked = true;
    }
    double lowest = 1e300;
    for (int foot : {LeftFoot, RightFoot}) {
        const Vec3 heel = kin::transform(kHeel, world[foot]);
        lowest = std::min(lowest, out.bones[foot].worldPosition.y + heel.y);
        lowest = std::min(lowest, out.bones[foot + 1].worldPosition.y);
    }
    out.bones[Hips].localTranslation.y -= lowest;
    for (BonePose& pose : out.bones) pose.worldPosition.y -= lowest;

    if (options_.boneDropout > 0) {
        const long long window = frameNumber >= 0 ? frameNumber / kBoneDropoutWindow
                                                  : (frameNumber - kBoneDropoutWindow + 1) / kBoneDropoutWindow;
        for (int b = 1; b < kBoneCount; ++b)
            out.bones[b].tracked =
                uniform(seed, performer, 100 + b, static_cast<uint64_t>(window)) >= options_.boneDropout;
    }

    out.markers.resize(kMarkerCount);
    out.markerSeen.resize(kMarkerCount);
    for (int m = 0; m < kMarkerCount; ++m) {
        const MarkerTemplate& marker = kMarkers[m];
        const Vec3 d = kin::transform(marker.offset, world[marker.bone]);
        const Vec3& bp = out.bones[marker.bone].worldPosition;
        out.markers[m] = {bp.x + d.x, bp.y + d.y, bp.z + d.z};
        out.markerSeen[m] =
            options_.markerDropout <= 0 ||
            uniform(seed, performer, 1000 + m, static_cast<uint64_t>(frameNumber)) >= options_.markerDropout;
    }
}

}  // namespace tracker
}  // namespace orvane
