// Frames delivered by the SDK stand-in in both versions, compared with the source's ground truth;
// frame copies; pushed sources.

#include <algorithm>
#include <cstring>
#include <mutex>
#include <vector>

#include "TestSupport.h"

namespace {

constexpr size_t kFramesToKeep = 40;

long long wallClockUs() {
    using namespace std::chrono;
    return duration_cast<microseconds>(system_clock::now().time_since_epoch()).count();
}

// ---- version 2: the handler keeps copies the way the plug-in does.
std::mutex keptMutex;
std::vector<sFrameOfMocapData*> keptV2;
std::vector<const void*> sourceMarkerArrays;

void keepFrameV2(sFrameOfMocapData* frame, void*) {
    std::lock_guard<std::mutex> lock(keptMutex);
    if (keptV2.size() >= kFramesToKeep) return;
    auto* copy = new sFrameOfMocapData;
    for (sBodyPose& pose : copy->bodyPoses) {
        pose.attachedPoints = nullptr, pose.attachedIds = nullptr, pose.attachedSizes = nullptr;
        pose.params = 0;
    }
    ASSERT_EQ(sdk()->copyFrameV2(frame, copy), 0);
    keptV2.push_back(copy);
    sourceMarkerArrays.push_back(frame->markerSetCount ? frame->markerSets[0].markers : nullptr);
}

void releaseKeptV2() {
    std::lock_guard<std::mutex> lock(keptMutex);
    for (sFrameOfMocapData* copy : keptV2) {
        EXPECT_EQ(sdk()->freeFrameV2(copy), 0);
        delete copy;
    }
    keptV2.clear();
    sourceMarkerArrays.clear();
}

size_t keptCountV2() {
    std::lock_guard<std::mutex> lock(keptMutex);
    return keptV2.size();
}

// ---- version 1: the frame lives only during the call, so the handler copies what the test needs.
struct BodyV1 {
    std::string name;
    std::vector<float> markers;
    std::vector<sSegmentPose> segments;
};
struct FrameV1 {
    int frameNumber;
    long long sendUs, receiveUs;
    std::vector<BodyV1> bodies;
};
std::vector<FrameV1> keptV1;

void keepFrameV1(sFrameOfData* frame) {
    std::lock_guard<std::mutex> lock(keptMutex);
    if (keptV1.size() >= kFramesToKeep) return;
    FrameV1 kept{frame->frameNumber, frame->serverSendTimeUs, frame->receiveTimeUs, {}};
    for (int b = 0; b < frame->bodyCount; ++b) {
        const sBodyFrame& body = frame->bodies[b];
        BodyV1 copy{body.name, {}, {}};
        const float* xyz = body.markerCount ? &body.markers[0][0] : nullptr;
        copy.markers.assign(xyz, xyz + 3 * body.markerCount);
        copy.segments.assign(body.segments, body.segments + body.segmentCount);
        kept.bodies.push_back(std::move(copy));
        // The handler may rewrite markers in place; the next frame must not see it.
        if (body.markerCount) body.markers[0][0] = -99999.0f;
    }
    keptV1.push_back(std::move(kept));
}

size_t keptCountV1() {
    std::lock_guard<std::mutex> lock(keptMutex);
    return keptV1.size();
}

class Delivery : public SdkTest {
protected:
    void SetUp() override {
        SdkTest::SetUp();
        std::lock_guard<std::mutex> lock(keptMutex);
        keptV1.clear();
    }
    void TearDown() override {
        sdk()->stopClient();
        releaseKeptV2();
        SdkTest::TearDown();
    }
};

// Float tolerance: single precision at up to ~20 m is finer than 0.01 mm.
constexpr double kMm = 0.01;

}  // namespace

TEST_F(Delivery, Version2FramesAreConsecutiveAndEqualTheGroundTruth) {
    trk::SyntheticOptions options;
    options.performers = 2;
    options.rateHz = 480;
    trk::useSyntheticSource(options);
    sdk()->setDataHandlerV2(keepFrameV2);
    const long long startUs = wallClockUs();
    connect();
    ASSERT_TRUE(waitUntil([] { return keptCountV2() == kFramesToKeep; }));
    ASSERT_EQ(sdk()->stopClient(), 0);
    const long long endUs = wallClockUs();
    EXPECT_EQ(trk::liveFrameCopies(), static_cast<long long>(kFramesToKeep));

    const trk::SceneDef scene = trk::currentScene();
    ASSERT_EQ(scene.subjects.size(), 2u);
    std::lock_guard<std::mutex> lock(keptMutex);
    for (size_t i = 0; i < keptV2.size(); ++i) {
        const sFrameOfMocapData& frame = *keptV2[i];
        ASSERT_EQ(frame.frameNumber, static_cast<int>(i) + 1) << "consecutive from 1";
        EXPECT_GE(frame.serverSendTimeUs, startUs);
        EXPECT_LE(frame.serverSendTimeUs, endUs);
        EXPECT_EQ(frame.receiveTimeUs, frame.serverSendTimeUs);
        EXPECT_NE(static_cast<const void*>(frame.markerSets[0].markers), sourceMarkerArrays[i]) << "deep copy";

        const trk::FrameSample truth = trk::groundTruth(frame.frameNumber);
        ASSERT_EQ(frame.markerSetCount, 2);
        ASSERT_EQ(frame.skeletonCount, 2);
        for (int s = 0; s < 2; ++s) {
            const sMarkerSetFrame& set = frame.markerSets[s];
            EXPECT_STREQ(set.name, scene.subjects[s].name.c_str());
            ASSERT_EQ(set.markerCount, static_cast<int>(truth.subjects[s].markers.size()));
            for (int m = 0; m < set.markerCount; ++m) {
                const trk::Vec3& p = truth.subjects[s].markers[m];
                EXPECT_NEAR(set.markers[m][0], p.x, kMm);
                EXPECT_NEAR(set.markers[m][1], p.y, kMm);
                EXPECT_NEAR(set.markers[m][2], p.z, kMm);
            }
            const sSkeletonFrame& skeleton = frame.skeletons[s];
            ASSERT_EQ(skeleton.boneCount, static_cast<int>(truth.subjects[s].bones.size()));
            for (int b = 0; b < skeleton.boneCount; ++b) {
                const sBodyPose& pose = skeleton.bones[b];
                const trk::BonePose& expected = truth.subjects[s].bones[b];
                EXPECT_EQ(pose.id, b + 1);
                EXPECT_NEAR(pose.x, expected.worldPosition.x, kMm);
                EXPECT_NEAR(pose.y, expected.worldPosition.y, kMm);
                EXPECT_NEAR(pose.z, expected.worldPosition.z, kMm);
                EXPECT_NEAR(pose.qx, expected.worldOrientation.x, 1e-6);
                EXPECT_NEAR(pose.qy, expected.worldOrientation.y, 1e-6);
                EXPECT_NEAR(pose.qz, expected.worldOrientation.z, 1e-6);
                EXPECT_NEAR(pose.qw, expected.worldOrientation.w, 1e-6);
                EXPECT_EQ(pose.attachedPoints, nullptr);
            }
        }
    }
}

TEST_F(Delivery, Version1SegmentsAreLocalPosesWhoseChainGivesTheWorldPose) {
    trk::SyntheticOptions options;
    options.performers = 2;
    options.rateHz = 480;
    trk::useSyntheticSource(options);
    sdk()->setVersion(SDKVER_V1);
    sdk()->setDataHandlerV1(keepFrameV1);
    connect();
    ASSERT_TRUE(waitUntil([] { return keptCountV1() == kFramesToKeep; }));
    ASSERT_EQ(sdk()->stopClient(), 0);

    const trk::SceneDef scene = trk::currentScene();
    std::lock_guard<std::mutex> lock(keptMutex);
    for (size_t i = 0; i < keptV1.size(); ++i) {
        const FrameV1& frame = keptV1[i];
        ASSERT_EQ(frame.frameNumber, static_cast<int>(i) + 1);
        EXPECT_EQ(frame.receiveUs, frame.sendUs);
        const trk::FrameSample truth = trk::groundTruth(frame.frameNumber);
        ASSERT_EQ(frame.bodies.size(), 2u);
        for (size_t s = 0; s < 2; ++s) {
            const BodyV1& body = frame.bodies[s];
            const trk::SubjectDef& subject = scene.subjects[s];
            EXPECT_EQ(body.name, subject.name);
            ASSERT_EQ(body.markers.size(), 3 * subject.markerNames.size());
            for (size_t m = 0; m < subject.markerNames.size(); ++m) {
                EXPECT_NEAR(body.markers[3 * m], truth.subjects[s].markers[m].x, kMm)
                    << "frame " << i << " marker " << m;
                EXPECT_NEAR(body.markers[3 * m + 2], truth.subjects[s].markers[m].z, kMm);
            }
            ASSERT_EQ(body.segments.size(), subject.bones.size());
            std::vector<int> parents;
            std::vector<trk::Vec3> translations, eulers;
            for (size_t b = 0; b < body.segments.size(); ++b) {
                const sSegmentPose& seg = body.segments[b];
                parents.push_back(subject.bones[b].parent);
                translations.push_back({seg.x, seg.y, seg.z});
                eulers.push_back({seg.rx, seg.ry, seg.rz});
            }
            const auto world = refForwardKinematics(parents, translations, eulers);
            for (size_t b = 0; b < world.size(); ++b) {
                const trk::BonePose& expected = truth.subjects[s].bones[b];
                EXPECT_LT(refDistance(world[b].position, expected.worldPosition), 1e-6) << "bone " << b;
                const trk::Quat& q = expected.worldOrientation;
                EXPECT_LT(refMaxDifference(world[b].rotation, refQuat(q.x, q.y, q.z, q.w)), 1e-9) << "bone " << b;
            }
        }
    }
}

TEST_F(Delivery, UnseenMarkersAndUntrackedBonesStreamAsZeros) {
    trk::SyntheticOptions options;
    options.rateHz = 480;
    options.markerDropout = 0.4;
    options.boneDropout = 0.5;
    options.seed = 3;
    trk::useSyntheticSource(options);
    sdk()->setDataHandlerV2(keepFrameV2);
    connect();
    ASSERT_TRUE(waitUntil([] { return keptCountV2() == kFramesToKeep; }));
    ASSERT_EQ(sdk()->stopClient(), 0);

    int unseen = 0, untracked = 0;
    std::lock_guard<std::mutex> lock(keptMutex);
    for (const sFrameOfMocapData* frame : keptV2) {
        const trk::SubjectSample truth = trk::groundTruth(frame->frameNumber).subjects[0];
        const sMarkerSetFrame& set = frame->markerSets[0];
        for (int m = 0; m < set.markerCount; ++m) {
            if (truth.markerSeen[m]) continue;
            ++unseen;
            EXPECT_EQ(set.markers[m][0], 0.0f);
            EXPECT_EQ(set.markers[m][1], 0.0f);
            EXPECT_EQ(set.markers[m][2], 0.0f);
        }
        for (int b = 0; b < frame->skeletons[0].boneCount; ++b) {
            const sBodyPose& pose = frame->skeletons[0].bones[b];
            const float seven[] = {pose.x, pose.y, pose.z, pose.qx, pose.qy, pose.qz, pose.qw};
            const bool allZero = std::all_of(std::begin(seven), std::end(seven), [](float v) { return v == 0.0f; });
            EXPECT_EQ(allZero, !truth.bones[b].tracked) << "bone " << b;
            untracked += !truth.bones[b].tracked;
        }
    }
    EXPECT_GT(unseen, 0);
    EXPECT_GT(untracked, 0);
}

TEST_F(Delivery, Version1HandlerMayRewriteMarkersWithoutAffectingLaterFrames) {
    sdk()->setVersion(SDKVER_V1);
    sdk()->setDataHandlerV1(keepFrameV1);  // overwrites marker 0 of every body
    connect();
    ASSERT_TRUE(waitUntil([] { return keptCountV1() >= 5; }));
    ASSERT_EQ(sdk()->stopClient(), 0);
    std::lock_guard<std::mutex> lock(keptMutex);
    for (const FrameV1& frame : keptV1) EXPECT_NE(frame.bodies[0].markers[0], -99999.0f);
}

TEST_F(Delivery, PushedSamplesArriveWithTheirNumbersAndMissingDataAsZeros) {
    trk::SceneDef scene;
    trk::SubjectDef subject;
    subject.name = "Rig";
    subject.skeletonName = "Rig_Skeleton";
    subject.markerNames = {"a", "b", "c"};
    subject.bones = {{"root", -1, {}}, {"tip", 0, {0, 100, 0}}};
    scene.subjects.push_back(subject);
    useScripted(scene);
    sdk()->setDataHandlerV2(keepFrameV2);
    connect();
    ASSERT_TRUE(waitUntil([] { return ScriptedSource::current.load() != nullptr; }));

    trk::FrameSample sample;
    sample.serverSendTimeUs = 1234567;
    sample.subjects.resize(1);
    sample.subjects[0].markers = {{1, 2, 3}, {4, 5, 6}};  // one marker and one bone short of the scene
    sample.subjects[0].markerSeen = {true, true};
    trk::BonePose root;
    root.worldPosition = {10, 20, 30};
    root.worldOrientation = {0, 0, 0, 1};
    sample.subjects[0].bones = {root};
    for (long long n : {10, 11, 12}) {
        sample.frameNumber = n;
        ScriptedSource::current.load()->pushSample(sample);
        ASSERT_TRUE(waitUntil([&] { return trk::lastDeliveredFrameNumber() == n; }));
    }
    ASSERT_TRUE(waitUntil([] { return keptCountV2() == 3; }));
    ASSERT_EQ(sdk()->stopClient(), 0);
    EXPECT_EQ(ScriptedSource::current.load(), nullptr) << "the source was stopped";

    std::lock_guard<std::mutex> lock(keptMutex);
    for (size_t i = 0; i < 3; ++i) {
        const sFrameOfMocapData& frame = *keptV2[i];
        EXPECT_EQ(frame.frameNumber, 10 + static_cast<int>(i));
        EXPECT_EQ(frame.serverSendTimeUs, 1234567);
        EXPECT_GT(frame.receiveTimeUs, frame.serverSendTimeUs);
        ASSERT_EQ(frame.markerSets[0].markerCount, 3);
        EXPECT_EQ(frame.markerSets[0].markers[1][2], 6.0f);
        EXPECT_EQ(frame.markerSets[0].markers[2][0], 0.0f);
        ASSERT_EQ(frame.skeletons[0].boneCount, 2);
        EXPECT_EQ(frame.skeletons[0].bones[0].y, 20.0f);
        EXPECT_EQ(frame.skeletons[0].bones[0].qw, 1.0f);
        EXPECT_EQ(frame.skeletons[0].bones[1].qw, 0.0f) << "a missing bone is untracked";
    }
}

TEST_F(Delivery, PushedSourceCanReportALostConnection) {
    useScripted(trk::SceneDef{});
    connect();
    ASSERT_TRUE(waitUntil([] { return ScriptedSource::current.load() != nullptr; }));
    ScriptedSource::current.load()->connectionLost("socket closed by peer");
    EXPECT_FALSE(sdk()->isConnected());
    EXPECT_EQ(sdk()->stopClient(), 0);
}
