// The synthetic performers: determinism, kinematic consistency, plausibility and names.

#include <set>

#include "TestSupport.h"

namespace {

std::vector<int> parentsOf(const trk::SubjectDef& subject) {
    std::vector<int> parents;
    for (const auto& bone : subject.bones) parents.push_back(bone.parent);
    return parents;
}

int boneIndex(const trk::SubjectDef& subject, const std::string& suffix) {
    for (size_t b = 0; b < subject.bones.size(); ++b)
        if (subject.bones[b].name.size() >= suffix.size() &&
            subject.bones[b].name.compare(subject.bones[b].name.size() - suffix.size(), suffix.size(), suffix) == 0)
            return static_cast<int>(b);
    return -1;
}

bool sameSample(const trk::FrameSample& a, const trk::FrameSample& b) {
    if (a.subjects.size() != b.subjects.size()) return false;
    for (size_t s = 0; s < a.subjects.size(); ++s) {
        const auto &x = a.subjects[s], &y = b.subjects[s];
        if (x.markerSeen != y.markerSeen || x.markers.size() != y.markers.size() || x.bones.size() != y.bones.size())
            return false;
        for (size_t m = 0; m < x.markers.size(); ++m)
            if (refDistance(x.markers[m], y.markers[m]) != 0) return false;
        for (size_t k = 0; k < x.bones.size(); ++k)
            if (refDistance(x.bones[k].worldPosition, y.bones[k].worldPosition) != 0 ||
                x.bones[k].tracked != y.bones[k].tracked)
                return false;
    }
    return true;
}

}  // namespace

TEST(SyntheticPerformers, SceneHasSkeletonMarkersAndUniqueNames) {
    trk::SyntheticOptions options;
    options.performers = 3;
    const trk::SceneDef scene = trk::SyntheticPerformers(options).scene();
    ASSERT_EQ(scene.subjects.size(), 3u);
    std::set<std::string> names;
    for (const auto& subject : scene.subjects) {
        EXPECT_GE(subject.bones.size(), 18u);
        EXPECT_GE(subject.markerNames.size(), 36u);
        for (size_t b = 0; b < subject.bones.size(); ++b) EXPECT_LT(subject.bones[b].parent, static_cast<int>(b));
        names.insert(subject.name);
        names.insert(subject.skeletonName);
        for (const auto& bone : subject.bones) names.insert(bone.name);
        for (const auto& marker : subject.markerNames) names.insert(marker);
    }
    size_t total = 0;
    for (const auto& subject : scene.subjects) total += 2 + subject.bones.size() + subject.markerNames.size();
    EXPECT_EQ(names.size(), total) << "every name is unique across performers";

    const auto& second = scene.subjects[1];
    EXPECT_EQ(second.name, "Performer2");
    EXPECT_EQ(second.skeletonName, "Performer2_Skeleton");
    EXPECT_EQ(second.bones[0].name, "Performer2_Hips");
    EXPECT_EQ(second.bones[0].parent, -1);
    EXPECT_EQ(second.markerNames[0], "Performer2_LFHD");
    for (const char* limb : {"_Head", "_LeftHand", "_RightHand", "_LeftToeBase", "_RightToeBase", "_LeftForeArm"})
        EXPECT_GE(boneIndex(second, limb), 0) << limb;
}

TEST(SyntheticPerformers, RawNamesLookLikeCaptureSoftware) {
    trk::SyntheticOptions options;
    options.performers = 2;
    options.rawNames = true;
    const trk::SceneDef scene = trk::SyntheticPerformers(options).scene();
    EXPECT_EQ(scene.subjects[0].name, "Performer 1");
    EXPECT_EQ(scene.subjects[0].bones[0].name, "Performer 1:Hips");
    const auto& markers = scene.subjects[0].markerNames;
    EXPECT_EQ(markers[0], "1st-marker");
    EXPECT_EQ(markers[1], "2nd-marker");
    EXPECT_EQ(markers[2], "3rd-marker");
    EXPECT_EQ(markers[10], "11th-marker");
    EXPECT_EQ(markers[11], "12th-marker");
    EXPECT_EQ(markers[12], "13th-marker");
    EXPECT_EQ(markers[20], "21st-marker");
    EXPECT_EQ(markers[21], "22nd-marker");
    std::set<std::string> all(markers.begin(), markers.end());
    all.insert(scene.subjects[1].markerNames.begin(), scene.subjects[1].markerNames.end());
    EXPECT_EQ(all.size(), 2 * markers.size());
}

TEST(SyntheticPerformers, InvalidOptionsAreRejected) {
    trk::SyntheticOptions zeroRate;
    zeroRate.rateHz = 0;
    EXPECT_THROW(trk::SyntheticPerformers{zeroRate}, std::invalid_argument);
    trk::SyntheticOptions negative;
    negative.performers = -1;
    EXPECT_THROW(trk::SyntheticPerformers{negative}, std::invalid_argument);
    trk::SyntheticOptions share;
    share.markerDropout = 1.5;
    EXPECT_THROW(trk::SyntheticPerformers{share}, std::invalid_argument);
}

TEST(SyntheticPerformers, SamplesArePureFunctionsOfSeedAndFrame) {
    trk::SyntheticOptions options;
    options.performers = 2;
    options.seed = 7;
    options.markerDropout = 0.2;
    options.boneDropout = 0.2;
    const trk::SyntheticPerformers a(options), b(options);
    const trk::FrameSample later = a.sample(500);
    for (long long n : {1LL, 2LL, 499LL, 0LL, -3LL}) EXPECT_TRUE(sameSample(a.sample(n), b.sample(n))) << n;
    EXPECT_TRUE(sameSample(a.sample(500), later)) << "order of calls does not matter";
    EXPECT_DOUBLE_EQ(later.timeSeconds, 500 / 120.0);

    options.seed = 8;
    EXPECT_FALSE(sameSample(trk::SyntheticPerformers(options).sample(500), later));
}

TEST(SyntheticPerformers, WorldPoseIsForwardKinematicsOfLocalPose) {
    trk::SyntheticOptions options;
    options.performers = 2;
    const trk::SyntheticPerformers performers(options);
    const trk::SceneDef scene = performers.scene();
    for (long long n = 0; n < 400; n += 7) {
        const trk::FrameSample sample = performers.sample(n);
        for (size_t s = 0; s < scene.subjects.size(); ++s) {
            const auto& bones = sample.subjects[s].bones;
            std::vector<trk::Vec3> translations, eulers;
            for (const auto& bone : bones)
                translations.push_back(bone.localTranslation), eulers.push_back(bone.localEulerXYZ);
            const auto world = refForwardKinematics(parentsOf(scene.subjects[s]), translations, eulers);
            for (size_t b = 0; b < bones.size(); ++b) {
                // Tolerances: double rounding over a 6-deep chain of millimetre-scale offsets.
                EXPECT_LT(refDistance(bones[b].worldPosition, world[b].position), 1e-6)
                    << "frame " << n << " bone " << b;
                const auto& q = bones[b].worldOrientation;
                EXPECT_NEAR(q.x * q.x + q.y * q.y + q.z * q.z + q.w * q.w, 1.0, 1e-12);
                EXPECT_LT(refMaxDifference(refQuat(q.x, q.y, q.z, q.w), world[b].rotation), 1e-9)
                    << "frame " << n << " bone " << b;
            }
        }
    }
}

TEST(SyntheticPerformers, WalkIsPlausible) {
    trk::SyntheticOptions options;
    options.performers = 2;
    const trk::SyntheticPerformers performers(options);
    const trk::SubjectDef subject = performers.scene().subjects[0];
    const int hips = boneIndex(subject, "_Hips");
    const int toes[] = {boneIndex(subject, "_LeftToeBase"), boneIndex(subject, "_RightToeBase")};
    const trk::FrameSample first = performers.sample(0);

    double lowestToeEver = 1e9;
    for (long long n = 0; n < 1200; n += 3) {  // ten seconds
        const trk::FrameSample sample = performers.sample(n);
        for (size_t s = 0; s < 2; ++s) {
            const auto& bones = sample.subjects[s].bones;
            // Rigid bones: the distance to the parent equals the rest offset's length.
            for (size_t b = 1; b < bones.size(); ++b) {
                const trk::Vec3& offset = subject.bones[b].offset;
                EXPECT_NEAR(refDistance(bones[b].worldPosition, bones[subject.bones[b].parent].worldPosition),
                            refDistance(offset, {}), 1e-6);
            }
            // Nothing below the floor, one foot close to it, hips at walking height.
            for (const auto& bone : bones) EXPECT_GT(bone.worldPosition.y, -1e-6);
            const double lowestToe = std::min(bones[toes[0]].worldPosition.y, bones[toes[1]].worldPosition.y);
            EXPECT_LT(lowestToe, 80.0) << "frame " << n;
            lowestToeEver = std::min(lowestToeEver, lowestToe);
            EXPECT_GT(bones[hips].worldPosition.y, 800.0);
            EXPECT_LT(bones[hips].worldPosition.y, 1000.0);
            for (const auto& marker : sample.subjects[s].markers) EXPECT_GT(marker.y, -20.0);
        }
        // Performers keep apart.
        EXPECT_GT(
            refDistance(sample.subjects[0].bones[hips].worldPosition, sample.subjects[1].bones[hips].worldPosition),
            1000.0);
    }
    EXPECT_LT(lowestToeEver, 1.0) << "the feet touch the ground";

    // Walking pace: between 0.8 and 1.6 m/s along the path, measured over a quarter second.
    const trk::FrameSample later = performers.sample(30);
    const trk::Vec3 a = first.subjects[0].bones[hips].worldPosition, b = later.subjects[0].bones[hips].worldPosition;
    const double horizontal = std::hypot(b.x - a.x, b.z - a.z);
    EXPECT_GT(horizontal, 200.0);
    EXPECT_LT(horizontal, 400.0);
}

TEST(SyntheticPerformers, DropoutHidesTheChosenShare) {
    trk::SyntheticOptions options;
    options.markerDropout = 0.3;
    options.boneDropout = 0.25;
    const trk::SyntheticPerformers performers(options);
    long long markers = 0, unseen = 0, bones = 0, untracked = 0;
    for (long long n = 0; n < 3000; ++n) {
        const auto subject = performers.sample(n).subjects[0];
        for (bool seen : subject.markerSeen) ++markers, unseen += !seen;
        EXPECT_TRUE(subject.bones[0].tracked) << "the root is always tracked";
        for (const auto& bone : subject.bones) ++bones, untracked += !bone.tracked;
        if (n % 30 != 0) {  // untracked bones stay so for a whole window
            const auto previous = performers.sample(n - 1).subjects[0];
            for (size_t b = 0; b < subject.bones.size(); ++b)
                EXPECT_EQ(subject.bones[b].tracked, previous.bones[b].tracked);
        }
    }
    EXPECT_NEAR(static_cast<double>(unseen) / markers, 0.3, 0.02);
    // 21 of 22 bones may drop out, with 100 windows the share is coarse.
    EXPECT_NEAR(static_cast<double>(untracked) / bones, 0.25 * 21 / 22, 0.05);

    const auto clean = trk::SyntheticPerformers(trk::SyntheticOptions{}).sample(42).subjects[0];
    for (bool seen : clean.markerSeen) EXPECT_TRUE(seen);
    for (const auto& bone : clean.bones) EXPECT_TRUE(bone.tracked);
}
