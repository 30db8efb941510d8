// What crosses the network arrives intact: synthetic performers, replayed capture files, and streams with
// injected faults, each compared frame by frame (by frame number) with what the server streamed.

#include <orvane/tracker/capture/Capture.h>

#include "NetTestSupport.h"

namespace nettest {
namespace {

sim::ServerOptions performers(int count, double rateHz) {
    sim::ServerOptions o;
    o.performers = count;
    o.rateHz = rateHz;
    o.seed = 7;
    return o;
}

trk::SyntheticPerformers truthFor(const sim::ServerOptions& o) {
    trk::SyntheticOptions s;
    s.performers = o.performers;
    s.rateHz = o.rateHz;
    s.seed = o.seed;
    return trk::SyntheticPerformers(s);
}

class UnicastStream : public NetTest, public ::testing::WithParamInterface<SDKVER> {};

// Same frame number, same values as the generator gives for it; also the send and arrival stamps are filled.
TEST_P(UnicastStream, FramesEqualSyntheticGroundTruth) {
    const sim::ServerOptions options = performers(3, 500);
    sim::TrackerServer server(options);
    server.start();
    connect(server.address(), GetParam());
    ASSERT_TRUE(waitUntil([] { return framesAtLeast(300); }));

    const trk::SyntheticPerformers truth = truthFor(options);
    const std::vector<Captured> frames = Recorder::get().frames();
    EXPECT_TRUE(strictlyIncreasing(frames));
    for (const Captured& c : frames) {
        ASSERT_TRUE(sameFrame(c, truth.sample(c.frameNumber), truth.scene(), GetParam()));
        EXPECT_GT(c.sentUs, 0);
        EXPECT_GT(c.receivedUs, 0);
    }
    const trk::NetworkStats stats = trk::networkStats();
    EXPECT_EQ(stats.corrupt, 0);
    EXPECT_GE(stats.delivered, static_cast<long long>(frames.size()));
    EXPECT_EQ(stats.server, server.address());
}

INSTANTIATE_TEST_SUITE_P(BothVersions, UnicastStream, ::testing::Values(SDKVER_V1, SDKVER_V2),
                         [](const ::testing::TestParamInfo<SDKVER>& p) { return p.param == SDKVER_V1 ? "V1" : "V2"; });

// The descriptions the SDK hands out are the server's scene, reassembled from its chunks.
TEST_F(NetTest, DescriptionsMatchTheServersScene) {
    sim::TrackerServer server(performers(10, 120));
    server.start();
    connect(server.address(), SDKVER_V2);
    sDataDescriptions* d = nullptr;
    ASSERT_EQ(sdk()->getDataDescriptionsV2(&d), 0);
    ASSERT_NE(d, nullptr);
    const trk::SceneDef& scene = server.scene();
    int markerSets = 0, skeletons = 0;
    for (int i = 0; i < d->descriptionCount; ++i) {
        if (d->descriptions[i].type == Descriptor_MarkerSet) {
            const sMarkerSetDesc& m = *d->descriptions[i].markerSetDescription;
            ASSERT_LT(markerSets, static_cast<int>(scene.subjects.size()));
            const trk::SubjectDef& s = scene.subjects[static_cast<std::size_t>(markerSets++)];
            EXPECT_EQ(std::string(m.name), s.name);
            ASSERT_EQ(m.markerCount, static_cast<int>(s.markerNames.size()));
            EXPECT_EQ(std::string(m.markerNames[m.markerCount - 1]), s.markerNames.back());
        } else if (d->descriptions[i].type == Descriptor_Skeleton) {
            const sSkeletonDesc& k = *d->descriptions[i].skeletonDescription;
            const trk::SubjectDef& s = scene.subjects[static_cast<std::size_t>(skeletons++)];
            EXPECT_EQ(std::string(k.name), s.skeletonName);
            ASSERT_EQ(k.boneCount, static_cast<int>(s.bones.size()));
            EXPECT_EQ(std::string(k.bones[k.boneCount - 1].name), s.bones.back().name);
            EXPECT_FLOAT_EQ(k.bones[1].offsetY, static_cast<float>(s.bones[1].offset.y));
        }
    }
    EXPECT_EQ(markerSets, 10);
    EXPECT_EQ(skeletons, 10);
    sdk()->freeDataDescriptionsV2(d);
}

// ---------------------------------------------------------------- replays

struct ReplayCase {
    const char* name;
    const char* file;
    double unitMm;
    SDKVER version;
};

// The clip as the simulator streams it: a skeleton-only capture carries a marker at every joint's world position.
trk::CaptureClip withJointMarkers(trk::CaptureClip clip) {
    trk::SubjectDef& subject = clip.scene.subjects.at(0);
    if (!subject.markerNames.empty()) return clip;
    for (const trk::BoneDef& bone : subject.bones) subject.markerNames.push_back(bone.name + "_marker");
    for (trk::FrameSample& frame : clip.frames) {
        trk::SubjectSample& sample = frame.subjects.at(0);
        for (const trk::BonePose& pose : sample.bones) {
            sample.markers.push_back(pose.worldPosition);
            sample.markerSeen.push_back(pose.tracked);
        }
    }
    return clip;
}

// Names the case in test listings (the default prints the bytes, pointers included).
void PrintTo(const ReplayCase& c, std::ostream* out) { *out << c.name; }

class Replay : public NetTest, public ::testing::WithParamInterface<ReplayCase> {};

// A replayed file arrives as the capture reader reads it: stream frame n is clip frame n mod length, occluded
// markers at exactly zero. Fast playback, so the stream also wraps around the end of the clip.
TEST_P(Replay, ArrivesEqualToTheFile) {
    const ReplayCase& c = GetParam();
    ASSERT_EQ(::access(c.file, R_OK), 0) << "project data missing: " << c.file;
    trk::CaptureOptions capture;
    capture.lengthScaleToMm = c.unitMm;
    const trk::CaptureClip clip = withJointMarkers(trk::loadCapture(c.file, capture));
    sim::ServerOptions o;
    o.replayFile = c.file;
    o.bvhUnitMm = c.unitMm;
    o.rateHz = 2000;
    sim::TrackerServer server(o);
    server.start();
    connect(server.address(), c.version);
    const long long length = static_cast<long long>(clip.frames.size());
    // Until the stream has wrapped around the clip's end, or enough frames for a long clip.
    ASSERT_TRUE(waitUntil([&] {
        return Recorder::get().frameCount() >= Recorder::kMaxFrames ||
               (Recorder::get().frameCount() > 100 && trk::networkStats().lastFrameNumber > length + 10);
    }));
    const std::vector<Captured> frames = Recorder::get().frames();
    EXPECT_TRUE(strictlyIncreasing(frames));
    std::size_t unseen = 0;
    for (const Captured& f : frames) {
        trk::FrameSample truth = clip.frames[static_cast<std::size_t>(f.frameNumber % length)];
        truth.frameNumber = f.frameNumber;
        ASSERT_TRUE(sameFrame(f, truth, clip.scene, c.version));
        for (bool seen : truth.subjects[0].markerSeen) unseen += seen ? 0 : 1;
    }
    if (std::string(c.name) == "C3dMarkers") {
        EXPECT_GT(unseen, 0u) << "the sample holds occluded markers";
    }
}

INSTANTIATE_TEST_SUITE_P(Files, Replay,
                         ::testing::Values(ReplayCase{"BvhBonesV2", ORVANE_BVH_SAMPLE, trk::kCmuBvhUnitMm, SDKVER_V2},
                                           ReplayCase{"BvhSegmentsV1", ORVANE_BVH_SAMPLE, trk::kCmuBvhUnitMm,
                                                      SDKVER_V1},
                                           ReplayCase{"C3dMarkers", ORVANE_C3D_SAMPLE, 0, SDKVER_V2}),
                         [](const ::testing::TestParamInfo<ReplayCase>& p) { return std::string(p.param.name); });

class SkeletonReplay : public NetTest, public ::testing::WithParamInterface<SDKVER> {};

// A skeleton-only capture (BVH) shows markers in both versions: one per joint, named after the joint but never
// equal to a joint's name (nodes are found by name), each at its joint's world position of the same frame.
TEST_P(SkeletonReplay, EveryJointCarriesAMarkerAtItsWorldPosition) {
    const SDKVER version = GetParam();
    trk::CaptureOptions cmu;
    cmu.lengthScaleToMm = trk::kCmuBvhUnitMm;
    const trk::CaptureClip clip = trk::loadCapture(ORVANE_BVH_SAMPLE, cmu);
    const std::vector<trk::BoneDef>& joints = clip.scene.subjects.at(0).bones;
    sim::ServerOptions o;
    o.replayFile = ORVANE_BVH_SAMPLE;
    o.bvhUnitMm = trk::kCmuBvhUnitMm;
    o.rateHz = 1000;
    sim::TrackerServer server(o);
    server.start();
    connect(server.address(), version);

    std::vector<std::string> markerNames;
    if (version == SDKVER_V2) {
        sDataDescriptions* d = nullptr;
        ASSERT_EQ(sdk()->getDataDescriptionsV2(&d), 0);
        for (int i = 0; i < d->descriptionCount; ++i)
            if (d->descriptions[i].type == Descriptor_MarkerSet) {
                const sMarkerSetDesc& set = *d->descriptions[i].markerSetDescription;
                markerNames.assign(set.markerNames, set.markerNames + set.markerCount);
            }
        sdk()->freeDataDescriptionsV2(d);
    } else {
        sBodyDefs* d = sdk()->getDataDescriptionsV1();
        ASSERT_NE(d, nullptr);
        ASSERT_EQ(d->bodyDefCount, 1);
        const sBodyDefEntry& body = d->bodyDefs[0];
        EXPECT_EQ(body.segmentCount, static_cast<int>(joints.size()));
        markerNames.assign(body.markerNames, body.markerNames + body.markerCount);
        sdk()->freeDataDescriptionsV1(d);
    }
    ASSERT_EQ(markerNames.size(), joints.size());
    for (std::size_t j = 0; j < joints.size(); ++j) {
        EXPECT_EQ(markerNames[j], joints[j].name + "_marker");
        for (const trk::BoneDef& joint : joints) EXPECT_NE(markerNames[j], joint.name);
    }

    ASSERT_TRUE(waitUntil([] { return framesAtLeast(200); }));
    const long long length = static_cast<long long>(clip.frames.size());
    for (const Captured& f : Recorder::get().frames()) {
        const auto& pose = clip.frames[static_cast<std::size_t>(f.frameNumber % length)].subjects[0].bones;
        ASSERT_EQ(f.markers.at(0).size(), 3 * joints.size());
        for (std::size_t j = 0; j < joints.size(); ++j) {
            const float expected[3] = {float(pose[j].worldPosition.x), float(pose[j].worldPosition.y),
                                       float(pose[j].worldPosition.z)};
            for (std::size_t k = 0; k < 3; ++k) {
                ASSERT_EQ(f.markers[0][3 * j + k], expected[k]) << "frame " << f.frameNumber << " joint " << j;
                if (version == SDKVER_V2) {
                    ASSERT_EQ(f.markers[0][3 * j + k], f.bones.at(0).at(7 * j + k));
                }
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(BothVersions, SkeletonReplay, ::testing::Values(SDKVER_V1, SDKVER_V2),
                         [](const ::testing::TestParamInfo<SDKVER>& p) { return p.param == SDKVER_V1 ? "V1" : "V2"; });

// ---------------------------------------------------------------- faults

// Lost, altered, doubled and reordered datagrams: the handler sees only whole, correct frames in order, and the
// receiver counts what it dropped and reports it at most once a second.
TEST_F(NetTest, InjectedFaultsNeverReachTheHandlerAndAreCounted) {
    sim::ServerOptions options = performers(2, 1000);
    options.drop = 0.05;
    options.corrupt = 0.1;
    options.duplicate = 0.1;
    options.reorder = 0.1;
    sim::TrackerServer server(options);
    server.start();
    const auto started = std::chrono::steady_clock::now();
    connect(server.address(), SDKVER_V2);
    ASSERT_TRUE(waitUntil([] {
        const trk::NetworkStats s = trk::networkStats();
        return framesAtLeast(800) && s.corrupt >= 10 && s.duplicateOrOld >= 10 && s.missing >= 10;
    }));
    ASSERT_EQ(sdk()->stopClient(), 0);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();

    const trk::SyntheticPerformers truth = truthFor(options);
    const std::vector<Captured> frames = Recorder::get().frames();
    EXPECT_TRUE(strictlyIncreasing(frames));
    for (const Captured& c : frames) ASSERT_TRUE(sameFrame(c, truth.sample(c.frameNumber), truth.scene(), SDKVER_V2));

    const sim::ServerStats sent = server.stats();
    const trk::NetworkStats got = trk::networkStats();
    EXPECT_GT(sent.corrupted, 0);
    EXPECT_LE(got.corrupt, sent.corrupted + sent.duplicated);  // nothing else was damaged on loopback
    long long reported = 0, reports = 0;
    for (const std::string& m : Recorder::get().messages()) {
        if (m.find("invalid datagram") == std::string::npos) continue;
        ++reports;
        reported += std::stoll(m.substr(m.find("dropped ") + 8));
        EXPECT_NE(m.find(server.address()), std::string::npos) << m;
    }
    EXPECT_GE(reports, 1);
    EXPECT_LE(reports, static_cast<long long>(seconds) + 2) << "reports are limited to one a second";
    EXPECT_LE(reported, got.corrupt);
}

// A server that sends no frames for longer than the silence limit still answers keepalives: the client stays
// connected and the stream goes on afterwards with later frame numbers.
TEST_F(NetTest, PausedStreamKeepsTheConnection) {
    sim::ServerOptions options = performers(1, 200);
    options.pauseAfterSec = 0.3;
    options.pauseForSec = 2.2;
    sim::TrackerServer server(options);
    server.start();
    connect(server.address(), SDKVER_V2);
    bool alwaysConnected = true;
    auto gapSeen = [&] {
        alwaysConnected = alwaysConnected && sdk()->isConnected();
        const std::vector<Captured> f = Recorder::get().frames();
        for (std::size_t i = 1; i < f.size(); ++i)
            if (f[i].sentUs - f[i - 1].sentUs > 1800000) return f.size() > i + 5;
        return false;
    };
    ASSERT_TRUE(waitUntil(gapSeen));
    EXPECT_TRUE(alwaysConnected);
    EXPECT_TRUE(sdk()->isConnected());
    EXPECT_TRUE(strictlyIncreasing(Recorder::get().frames()));
    EXPECT_GT(trk::networkStats().keepalivesAnswered, 0);
}

}  // namespace
}  // namespace nettest
