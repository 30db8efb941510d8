// Baking takes: keys against the synthetic performers' own local poses (streamed through the SDK stand-in,
// recorded and read back from the take file), against the scene the live frame applier leaves
// after each frame, the capture grid against arrival times with known jitter and losses, the Euler filter,
// and resampling against trajectories known in closed form.

#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include <maya/MDagModifier.h>
#include <maya/MPlug.h>

#include "FrameApplier.h"
#include "FrameRecords.h"
#include "SceneBuilder.h"
#include "SceneFixtures.h"
#include "StreamedTake.h"
#include "TakeBake.h"
#include "orvane/tracker/SyntheticPerformers.h"

namespace {

using namespace orvane::scene;
namespace take = orvane::take;
namespace tracker = orvane::tracker;

// Positions: the stream's floats through double arithmetic; rotations: single-precision quaternions composed
// over a chain of a few bones.
const double kCm = 1e-4;
const double kDeg = 1e-4;
const double kDegreesPerRadian = 57.29577951308232;

double degreesApart(double a, double b) { return std::fabs(std::remainder(a - b, 360.0)); }

// The same rotation, whichever Euler triple gives it: the angle between the two, in degrees.
double rotationApart(const double* a, const double* b) {
    const auto q = [](const double* e) {
        return MEulerRotation(e[0] / kDegreesPerRadian, e[1] / kDegreesPerRadian, e[2] / kDegreesPerRadian)
            .asQuaternion();
    };
    const MQuaternion qa = q(a), qb = q(b);
    const double dot = std::min(1.0, std::fabs(qa.x * qb.x + qa.y * qb.y + qa.z * qb.z + qa.w * qb.w));
    return 2 * std::acos(dot) * kDegreesPerRadian;
}

const NodeTrack* findTrack(const BakeResult& result, bool joint, int list, int element) {
    for (const NodeTrack& t : result.tracks)
        if (t.joint == joint && t.list == list && t.element == element) return &t;
    return nullptr;
}

// The largest step between consecutive rotation keys of any joint, in degrees.
double largestRotationStep(const BakeResult& result) {
    double step = 0;
    for (const NodeTrack& t : result.tracks)
        for (std::size_t i = 3; i < t.rotate.size(); ++i)
            step = std::max(step, std::fabs(t.rotate[i] - t.rotate[i - 3]));
    return step;
}

// ---------------------------------------------------------------- a capture streamed, recorded and baked

class BakeStreamedCapture : public ::testing::TestWithParam<SDKVER> {};

// Every key of the take against the performers' own poses at the frame's number.
TEST_P(BakeStreamedCapture, EveryKeyIsTheStreamedPose) {
    tracker::SyntheticOptions options;
    options.performers = 2;
    options.rateHz = 240;
    options.seed = 7;
    const int frames = 120;
    const std::string path = streamedtake::tempPath("bake");
    streamedtake::StreamedTake streamed;
    streamed.run(GetParam(), options, frames, path);
    streamed.recorder.stop();

    take::TakeData data;
    take::TakeReadReport report;
    ASSERT_TRUE(take::readTakeFile(path, data, report)) << report.message;
    const BakeResult result = bakeTake(data, BakeOptions());
    EXPECT_EQ(2u * (41 + 22), result.tracks.size());
    EXPECT_EQ(static_cast<std::size_t>(frames), result.times.size());
    for (std::size_t i = 1; i < result.times.size(); ++i) ASSERT_LT(result.times[i - 1], result.times[i]);
    EXPECT_LT(largestRotationStep(result), 30.0);
    std::remove(path.c_str());
    const tracker::SyntheticPerformers performers(options);
    for (const NodeTrack& t : result.tracks) {
        ASSERT_EQ(data.frames.size(), t.keys.size()) << "every frame keys every node";
        for (std::size_t i = 0; i < t.keys.size(); ++i) {
            const tracker::SubjectSample subject =
                performers.sample(data.frames[t.keys[i]].frameNumber).subjects[t.list];
            const tracker::BonePose* bone = t.joint ? &subject.bones[t.element] : nullptr;
            tracker::Vec3 want = bone ? bone->localTranslation : subject.markers[t.element];
            if (!bone && !subject.markerSeen[t.element]) want = tracker::Vec3();
            const double* got = &t.translate[3 * i];
            ASSERT_TRUE(std::fabs(want.x * 0.1 - got[0]) <= kCm && std::fabs(want.y * 0.1 - got[1]) <= kCm &&
                        std::fabs(want.z * 0.1 - got[2]) <= kCm)
                << (bone ? "bone " : "marker ") << t.element << " key " << i;
            if (!bone) continue;
            const double* r = &t.rotate[3 * i];
            ASSERT_TRUE(degreesApart(bone->localEulerXYZ.x, r[0]) <= kDeg &&
                        degreesApart(bone->localEulerXYZ.y, r[1]) <= kDeg &&
                        degreesApart(bone->localEulerXYZ.z, r[2]) <= kDeg)
                << "bone " << t.element << " key " << i;
        }
    }
}

INSTANTIATE_TEST_CASE_P(Versions, BakeStreamedCapture, ::testing::Values(SDKVER_V2, SDKVER_V1),
                        [](const ::testing::TestParamInfo<SDKVER>& info) {
                            return std::string(info.param == SDKVER_V2 ? "V2" : "V1");
                        });

// ---------------------------------------------------------------- against the live applier's scene

// The value a stepped curve holds at key index `k`.
int steppedAt(const NodeTrack& t, std::uint32_t k) {
    int value = -1;
    for (std::size_t i = 0; i < t.visibilityKeys.size() && t.visibilityKeys[i] <= k; ++i) value = t.visible[i];
    return value;
}

class BakeAgainstScene : public fixtures::SceneTest {};

TEST_F(BakeAgainstScene, JointKeysAndVisibilityAreWhatTheLiveApplierLeavesAfterEachFrame) {
    tracker::SyntheticOptions options;
    options.performers = 1;
    options.boneDropout = 0.4;  // parents untracked under tracked children
    options.seed = 3;
    const tracker::SyntheticPerformers source(options);
    tracker::FrameRecordsV2 records;
    records.prepare(source.scene());
    fixtures::DescriptionsV2 descriptions;
    for (const tracker::SubjectDef& s : source.scene().subjects) {
        descriptions.addMarkerSet(s.name, s.markerNames);
        std::vector<std::pair<std::string, int>> bones;
        for (const tracker::BoneDef& b : s.bones) bones.emplace_back(b.name, b.parent + 1);
        descriptions.addSkeleton(s.skeletonName, bones);
    }
    MDagModifier modifier;
    NodeLists joints, markerNodes;
    fixtures::MemoryTable table;
    SceneBuilder(modifier, joints, markerNodes, table).buildV2(descriptions.get());

    take::TakeData data;
    data.layout = take::layoutFromDescriptionsV2(*descriptions.get());
    std::vector<char> payload(data.layout.maxFrameRecordSize());
    const int frames = 150;
    // After each frame: every joint's local translation and rotation in the scene, and its own visibility
    // attribute (what hide and showHidden set).
    std::vector<std::vector<std::array<double, 7>>> scene(frames);
    for (int f = 0; f < frames; ++f) {
        const sFrameOfMocapData& frame = *records.fill(source.sample(f), 0, 0);
        const std::size_t size = take::encodeFrameV2(data.layout, frame, f * 8333333LL, 0, payload.data());
        ASSERT_TRUE(data.appendFrame(payload.data(), size));
        applyFrameV2(frame, joints, markerNodes, table);
        for (const MObjectHandle& entry : joints[0]) {
            const MObject joint = entry.object();
            MFnTransform fn(joint);
            const MVector t = fn.getTranslation(MSpace::kTransform);
            MEulerRotation r;
            fn.getRotation(r);
            const bool shown = MFnDependencyNode(joint).findPlug("visibility", true).asBool();
            scene[f].push_back({{t.x, t.y, t.z, r.x * kDegreesPerRadian, r.y * kDegreesPerRadian,
                                 r.z * kDegreesPerRadian, shown ? 1.0 : 0.0}});
        }
    }
    const BakeResult result = bakeTake(data, BakeOptions());
    int hiddenSeen = 0, checked = 0;
    for (std::size_t l = 0; l < joints[0].size(); ++l) {
        const NodeTrack* t = findTrack(result, true, 0, static_cast<int>(l));
        ASSERT_NE(nullptr, t);
        std::size_t key = 0;
        for (int f = 0; f < frames; ++f) {
            const std::array<double, 7>& want = scene[f][l];
            const bool keyed = key < t->keys.size() && t->keys[key] == static_cast<std::uint32_t>(f);
            EXPECT_EQ(want[6] != 0, keyed) << "bone " << l << " frame " << f << ": keyed exactly when shown";
            if (!t->visibilityKeys.empty()) {
                EXPECT_EQ(static_cast<int>(want[6]), steppedAt(*t, static_cast<std::uint32_t>(f))) << "bone " << l;
                hiddenSeen += want[6] == 0;
            }
            if (!keyed) continue;
            for (int c = 0; c < 3; ++c) ASSERT_NEAR(want[c], t->translate[3 * key + c], kCm) << "bone " << l;
            ASSERT_LE(rotationApart(&want[3], &t->rotate[3 * key]), kDeg) << "bone " << l << " frame " << f;
            ++key;
            ++checked;
        }
        EXPECT_EQ(t->keys.size(), key);
    }
    EXPECT_GT(hiddenSeen, 0);
    EXPECT_GT(checked, frames * 10);
}

// ---------------------------------------------------------------- the capture grid

TEST(CaptureGridTest, JitterDoesNotMoveKeysAndLostFramesLeaveGaps) {
    struct Case {
        const char* name;
        double rateHz;
        int frames;
        double jitter;    // share of a period, uniform either way
        double lateOnly;  // share of a period, uniform, late only
        std::vector<int> lost;
        std::vector<int> bunched;  // frames delivered together with the last of them
    } cases[] = {
        {"jitter 0.4 period", 360, 5000, 0.4, 0, {}, {}},
        {"late up to 0.45 period", 120, 3000, 0, 0.45, {}, {}},
        {"lost frames", 240, 1000, 0.2, 0, {1, 10, 50, 51, 52, 998}, {}},
        {"bunched delivery", 360, 1000, 0.1, 0, {}, {300, 301, 302, 303, 600, 601}},
        {"60 s at 119.97 Hz", 119.97, 7198, 0.3, 0, {5000}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::mt19937 random(42);
        std::uniform_real_distribution<double> unit(0, 1);
        const double period = 1.0 / c.rateHz;
        std::vector<std::int64_t> arrivals;
        std::vector<int> sent;
        for (int n = 0; n < c.frames; ++n) {
            const double jitter = c.jitter * (2 * unit(random) - 1) + c.lateOnly * unit(random);
            if (std::find(c.lost.begin(), c.lost.end(), n) != c.lost.end()) continue;
            int at = n;
            while (std::find(c.bunched.begin(), c.bunched.end(), at) != c.bunched.end()) ++at;
            // A bunch arrives just before the frame after it.
            const double t = 0.5 + (at == n ? n + jitter : at - 0.2) * period;
            arrivals.push_back(static_cast<std::int64_t>(std::llround(t * 1e9)));
            sent.push_back(n);
        }
        const CaptureGrid grid = captureGrid(arrivals);
        ASSERT_EQ(sent.size(), grid.frameSlots.size());
        for (std::size_t i = 0; i < sent.size(); ++i)
            ASSERT_EQ(sent[i] - sent[0], grid.frameSlots[i]) << "frame " << sent[i];
        EXPECT_NEAR(period, grid.period, period * 1e-4);
    }
    EXPECT_TRUE(captureGrid({}).frameSlots.empty());
    const CaptureGrid one = captureGrid({123});
    EXPECT_EQ(std::vector<std::int64_t>{0}, one.frameSlots);
    EXPECT_EQ(0.0, one.period);
    EXPECT_EQ((std::vector<std::int64_t>{0, 1, 2}), captureGrid({5, 5, 5}).frameSlots);
}

// ---------------------------------------------------------------- rotations

TEST(EulerFilterTest, PicksTheEquivalentTripleNearestThePreviousKey) {
    struct Case {
        Euler previous, input, want;
    } cases[] = {
        {{170, 0, 0}, {-170, 0, 0}, {190, 0, 0}},
        {{0, 0, -179}, {0, 0, 179}, {0, 0, -181}},
        {{725, 0, 0}, {5, 0, 0}, {725, 0, 0}},
        {{10, 80, 20}, {-170, 100, -160}, {10, 80, 20}},  // the other triple of the same rotation
        {{0, 95, 0}, {180, 85, 180}, {0, 95, 0}},         // past 90 degrees in Y, continuously
        {{30, 40, 50}, {31, 41, 49}, {31, 41, 49}},       // already nearest: unchanged
    };
    for (const Case& c : cases) {
        const Euler got = filterEuler(c.input, c.previous);
        EXPECT_TRUE(std::fabs(c.want.x - got.x) < 1e-9 && std::fabs(c.want.y - got.y) < 1e-9 &&
                    std::fabs(c.want.z - got.z) < 1e-9)
            << got.x << " " << got.y << " " << got.z;
    }
}

// A version 2 chain: a root spinning at a constant rate about one axis, a child at a fixed local pose.
take::TakeData spinningTake(const double axis[3], double degreesPerFrame, int frames, double rateHz,
                            const std::vector<int>& untrackedChildFrames = {}) {
    take::TakeData data;
    data.layout.chains.push_back(take::ChainLayout{"Skel", {"root", "child"}, {-1, 0}});
    std::vector<char> payload(data.layout.maxFrameRecordSize());
    std::unique_ptr<sFrameOfMocapData> frame(new sFrameOfMocapData());
    std::vector<sBodyPose> bones(2, sBodyPose());
    frame->skeletonCount = 1;
    frame->skeletons[0].boneCount = 2;
    frame->skeletons[0].bones = bones.data();
    const MQuaternion childLocal = MEulerRotation(0.5, 0, 0).asQuaternion();  // about 28.6 degrees about X
    for (int f = 0; f < frames; ++f) {
        const double angle = degreesPerFrame * f / kDegreesPerRadian;
        const MQuaternion root(angle, MVector(axis[0], axis[1], axis[2]));
        const MQuaternion child = childLocal * root;  // world = local * parent world
        const MVector rootAt(10.0 * f, 20, -5);
        const MVector childAt = rootAt + MVector(0, 100, 0).rotateBy(root);
        const auto pose = [](const MVector& at, const MQuaternion& q) {
            sBodyPose p = sBodyPose();
            p.x = float(at.x), p.y = float(at.y), p.z = float(at.z);
            p.qx = float(q.x), p.qy = float(q.y), p.qz = float(q.z), p.qw = float(q.w);
            return p;
        };
        bones[0] = pose(rootAt, root);
        const bool untracked =
            std::find(untrackedChildFrames.begin(), untrackedChildFrames.end(), f) != untrackedChildFrames.end();
        bones[1] = untracked ? sBodyPose() : pose(childAt, child);
        const std::int64_t arrival = static_cast<std::int64_t>(std::llround(f / rateHz * 1e9));
        const std::size_t size = take::encodeFrameV2(data.layout, *frame, arrival, 0, payload.data());
        EXPECT_TRUE(data.appendFrame(payload.data(), size));
    }
    return data;
}

TEST(BakeRotationTest, SpinsPastHalfATurnStayContinuousAndEqualTheirAngle) {
    struct Case {
        const char* name;
        double axis[3];
        int component;  // the Euler angle that carries the spin
        double step;
    } cases[] = {
        {"about X", {1, 0, 0}, 0, 7.3},
        {"about Z backwards", {0, 0, 1}, 2, -11.1},
        {"about Y", {0, 1, 0}, 1, 5.9},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const int frames = 150;  // several whole turns
        const BakeResult result = bakeTake(spinningTake(c.axis, c.step, frames, 100), BakeOptions());
        const NodeTrack* root = findTrack(result, true, 0, 0);
        const NodeTrack* child = findTrack(result, true, 0, 1);
        ASSERT_TRUE(root && child);
        ASSERT_EQ(static_cast<std::size_t>(frames), root->keys.size());
        for (int f = 0; f < frames; ++f) {
            for (int a = 0; a < 3; ++a) {
                ASSERT_NEAR(a == c.component ? c.step * f : 0.0, root->rotate[3 * f + a], 1e-3) << f << " " << a;
                ASSERT_NEAR(a == 0 ? 28.64788975654116 : 0.0, child->rotate[3 * f + a], 1e-4) << f << " " << a;
            }
            ASSERT_NEAR(10.0, child->translate[3 * f + 1], kCm);
        }
    }
}

// ---------------------------------------------------------------- resampling

TEST(BakeResampleTest, PositionsLinearlyRotationsBySlerpAndNothingAcrossAnUntrackedSpan) {
    const double axis[3] = {0, 0, 1};
    // 100 Hz, 3 degrees and 1 cm a frame: at 30 Hz the keys fall between frames.
    std::vector<int> untracked;
    for (int f = 40; f < 50; ++f) untracked.push_back(f);
    const take::TakeData data = spinningTake(axis, 3, 101, 100, untracked);
    BakeOptions options;
    options.startSeconds = 2;
    options.rate = 30;
    const BakeResult result = bakeTake(data, options);
    ASSERT_EQ(31u, result.times.size());  // 1 s at 30 Hz, both ends
    EXPECT_NEAR(3.0, result.times.back(), 1e-9);
    const NodeTrack* root = findTrack(result, true, 0, 0);
    ASSERT_EQ(31u, root->keys.size());
    for (std::size_t i = 0; i < root->keys.size(); ++i) {
        const double frame = (result.times[root->keys[i]] - 2) * 100;  // in capture frames
        EXPECT_NEAR(frame * 1.0, root->translate[3 * i], 1e-4);
        EXPECT_NEAR(frame * 3.0, root->rotate[3 * i + 2], 1e-4);
    }
    // The child: keys only where both neighbouring frames saw it; hidden at 40, shown again at 50.
    const NodeTrack* child = findTrack(result, true, 0, 1);
    for (std::uint32_t k : child->keys) {
        const double frame = (result.times[k] - 2) * 100;
        EXPECT_TRUE(frame <= 39 + 1e-6 || frame >= 50 - 1e-6) << frame;
    }
    EXPECT_EQ(31u - 3u, child->keys.size());  // grid times at frames 40, 43.3 and 46.7 fall in the gap
    ASSERT_EQ((std::vector<std::uint8_t>{1, 0, 1}), child->visible);
    EXPECT_NEAR(2.4, result.times[child->visibilityKeys[1]], 1e-9);  // frame 40: hidden
    EXPECT_NEAR(2.5, result.times[child->visibilityKeys[2]], 1e-9);  // frame 50: shown again

    // Two frames a day apart (no recorder writes that) at 6000 FPS: refused, not half a billion keys.
    options.rate = 6000;
    const BakeResult refused = bakeTake(spinningTake(axis, 3, 2, 1.0 / 86400, {}), options);
    EXPECT_FALSE(refused.error.empty());
    EXPECT_TRUE(refused.times.empty() && refused.tracks.empty());
}

}  // namespace
