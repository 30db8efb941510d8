// Readers checked against values read from the sample files by other means: tests/standin/capture/c3d_reference.py
// (Python struct) for the C3D files, the text cells themselves for TRC and BVH, and hand-computed poses for
// small hand-made BVH files.

#include "CaptureTestSupport.h"

#include <orvane/tracker/net/WireCodec.h>

#include <cmath>
#include <cstring>

using namespace orvane::tracker;
using capture_test::sample;

namespace {

// Samples are stored as 32-bit floats (C3D) or 5-decimal text (TRC); compare to 1e-3 mm.
constexpr double kMm = 1e-3;

void expectMarker(const FrameSample& frame, std::size_t marker, double x, double y, double z) {
    const SubjectSample& s = frame.subjects.at(0);
    ASSERT_TRUE(s.markerSeen.at(marker)) << "marker " << marker;
    EXPECT_NEAR(s.markers[marker].x, x, kMm);
    EXPECT_NEAR(s.markers[marker].y, y, kMm);
    EXPECT_NEAR(s.markers[marker].z, z, kMm);
}

void expectUnseen(const FrameSample& frame, std::size_t marker) {
    const SubjectSample& s = frame.subjects.at(0);
    EXPECT_FALSE(s.markerSeen.at(marker));
    EXPECT_EQ(s.markers[marker].x, 0.0);
    EXPECT_EQ(s.markers[marker].y, 0.0);
    EXPECT_EQ(s.markers[marker].z, 0.0);
}

}  // namespace

// ------------------------------------------------------------------------------------------------- C3D

TEST(C3dReader, FullBody36MatchesIndependentRead) {
    const std::string path = sample("fullbody36_mocap.c3d");
    REQUIRE_FILE(path);
    const CaptureClip clip = loadCapture(path);
    ASSERT_EQ(clip.scene.subjects.size(), 1u);
    const SubjectDef& subject = clip.scene.subjects[0];
    EXPECT_EQ(subject.name, "fullbody36_mocap");
    ASSERT_EQ(subject.markerNames.size(), 36u);
    EXPECT_EQ(subject.markerNames[0], "Skeleton_Hip2");
    EXPECT_EQ(subject.markerNames[35], "Skeleton_RFoot2");
    EXPECT_TRUE(subject.bones.empty());
    EXPECT_EQ(clip.frameRate, 100.0);
    ASSERT_EQ(clip.frames.size(), 1380u);
    expectMarker(clip.frames[0], 0, -138.3683319091797, 24.722885131835938, 973.5464477539062);
    expectMarker(clip.frames[100], 5, 83.32823181152344, 187.3231658935547, 1260.715087890625);
    expectMarker(clip.frames[500], 35, -121.69248962402344, 1420.582275390625, 168.7196807861328);
    expectUnseen(clip.frames[1151], 0);  // first negative residual in the file
    EXPECT_NEAR(capture_test::invalidShare(clip), 8244.0 / 49680.0, 1e-12);
    EXPECT_NEAR(clip.frames[500].timeSeconds, 5.0, 1e-12);
}

TEST(C3dReader, Sample01SkipsAnalogSamplesAndScalesNothingForFloats) {
    const std::string path = sample("c3dorg_sample01_Eb015pr.c3d");
    REQUIRE_FILE(path);
    const CaptureClip clip = loadCapture(path);
    const SubjectDef& subject = clip.scene.subjects.at(0);
    ASSERT_EQ(subject.markerNames.size(), 26u);
    EXPECT_EQ(subject.markerNames[0], "RFT1");
    EXPECT_EQ(subject.markerNames[25], "pv4");
    EXPECT_EQ(clip.frameRate, 50.0);
    ASSERT_EQ(clip.frames.size(), 450u);
    expectMarker(clip.frames[0], 0, 248.58334350585938, 226.83334350585938, 37.41666793823242);
    // Frame 100 sits after 100 frames of 64 analog samples: a wrong analog stride lands elsewhere.
    expectMarker(clip.frames[100], 5, -64.75, 431.0833435058594, 34.75);
    expectUnseen(clip.frames[0], 3);
    expectUnseen(clip.frames[449], 25);
    EXPECT_NEAR(capture_test::invalidShare(clip), 226.0 / 11700.0, 1e-12);
}

namespace {

// A hand-made C3D with 2 points, 2 frames, 1 analog sample per frame, in the byte order and float format of
// 'processor' (84 Intel, 85 DEC, 86 MIPS). Float or integer storage; POINT:UNITS as given.
std::vector<unsigned char> makeC3d(int processor, bool floats, const std::string& units) {
    std::vector<unsigned char> b(512 * 3, 0);
    const bool big = processor == 86;
    auto put16 = [&](std::size_t at, int v) {
        const unsigned u = static_cast<unsigned>(v) & 0xffff;
        b[at + (big ? 1 : 0)] = u & 0xff;
        b[at + (big ? 0 : 1)] = u >> 8;
    };
    auto putFloat = [&](std::size_t at, float v) {
        unsigned char raw[4];
        std::memcpy(raw, &v, 4);  // this machine is little-endian
        if (processor == 86) {
            for (int i = 0; i < 4; ++i) b[at + i] = raw[3 - i];
        } else if (processor == 85) {  // VAX F: IEEE bits of 4*v with the 16-bit words swapped
            const float vax = v * 4.0f;
            std::memcpy(raw, &vax, 4);
            b[at] = raw[2], b[at + 1] = raw[3], b[at + 2] = raw[0], b[at + 3] = raw[1];
        } else {
            std::memcpy(&b[at], raw, 4);
        }
    };
    const float scale = floats ? -0.5f : 0.5f;
    b[0] = 2;
    b[1] = 0x50;
    put16(2, 2);  // points
    put16(4, 1);  // analog samples per frame
    put16(6, 1);  // first frame
    put16(8, 2);  // last frame
    putFloat(12, scale);
    put16(16, 3);  // data start block
    putFloat(20, 60.0f);
    // Parameter section.
    std::size_t p = 512;
    b[p + 2] = 1;
    b[p + 3] = static_cast<unsigned char>(processor);
    p += 4;
    auto group = [&](int id, const std::string& name) {
        b[p] = static_cast<unsigned char>(name.size());
        b[p + 1] = static_cast<unsigned char>(-id);
        std::memcpy(&b[p + 2], name.data(), name.size());
        const std::size_t q = p + 2 + name.size();
        put16(q, 3);
        b[q + 2] = 0;  // description length
        p = q + 3;
    };
    auto param = [&](int gid, const std::string& name, int type, std::vector<int> dims, const void* data,
                     bool last = false) {
        b[p] = static_cast<unsigned char>(name.size());
        b[p + 1] = static_cast<unsigned char>(gid);
        std::memcpy(&b[p + 2], name.data(), name.size());
        const std::size_t q = p + 2 + name.size();
        std::size_t n = 1;
        for (int d : dims) n *= static_cast<std::size_t>(d);
        const std::size_t size = n * static_cast<std::size_t>(std::abs(type));
        b[q + 2] = static_cast<unsigned char>(type);
        b[q + 3] = static_cast<unsigned char>(dims.size());
        for (std::size_t i = 0; i < dims.size(); ++i) b[q + 4 + i] = static_cast<unsigned char>(dims[i]);
        const std::size_t at = q + 4 + dims.size();
        if (type == 2) {
            put16(at, *static_cast<const int*>(data));
        } else if (type == 4) {
            putFloat(at, *static_cast<const float*>(data));
        } else {
            std::memcpy(&b[at], data, size);
        }
        b[at + size] = 0;  // description length
        put16(q, last ? 0 : static_cast<int>(at + size + 1 - q));
        p = at + size + 1;
    };
    group(1, "POINT");
    const int used = 2;
    param(1, "USED", 2, {}, &used);
    param(1, "SCALE", 4, {}, &scale);
    param(1, "LABELS", -1, {4, 2}, "LA  B   ");
    param(1, "UNITS", -1, {static_cast<int>(units.size())}, units.data(), true);
    // Data: frame 0 both seen, frame 1 point B unseen.
    const float values[2][2][4] = {{{10, -20, 30.5f, 2}, {1, 2, 3, 0}}, {{-4, 5, -6, 1}, {7, 8, 9, -1}}};
    std::size_t at = 1024;
    for (auto& frame : values) {
        for (auto& point : frame)
            for (int k = 0; k < 4; ++k) {
                if (floats) {
                    putFloat(at, point[k]);
                    at += 4;
                } else {  // integer coordinates are multiples of POINT:SCALE; the residual word is not scaled
                    put16(at, static_cast<int>(k < 3 ? point[k] / scale : point[k]));
                    at += 2;
                }
            }
        if (floats) {
            putFloat(at, 99.0f), at += 4;  // analog sample
        } else {
            put16(at, 99), at += 2;
        }
    }
    return b;
}

}  // namespace

TEST(C3dReader, EveryProcessorAndStorageGivesTheSameSamples) {
    struct Case {
        int processor;
        bool floats;
    } cases[] = {{84, true}, {84, false}, {85, true}, {85, false}, {86, true}, {86, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE("processor " + std::to_string(c.processor) + (c.floats ? " float" : " integer"));
        const CaptureClip clip = readC3d(makeC3d(c.processor, c.floats, "mm"), "made.c3d");
        EXPECT_EQ(clip.frameRate, 60.0);
        ASSERT_EQ(clip.frames.size(), 2u);
        EXPECT_EQ(clip.scene.subjects.at(0).markerNames, (std::vector<std::string>{"LA", "B"}));
        expectMarker(clip.frames[0], 0, 10, -20, 30.5);
        expectMarker(clip.frames[0], 1, 1, 2, 3);  // residual 0 is seen
        expectMarker(clip.frames[1], 0, -4, 5, -6);
        expectUnseen(clip.frames[1], 1);
    }
}

TEST(C3dReader, UnitsBecomeMillimetresUnlessOverridden) {
    const CaptureClip metres = readC3d(makeC3d(84, true, "m"), "made.c3d");
    expectMarker(metres.frames[0], 0, 10000, -20000, 30500);
    CaptureOptions options;
    options.lengthScaleToMm = 2.0;
    const CaptureClip overridden = readC3d(makeC3d(84, true, "m"), "made.c3d", options);
    expectMarker(overridden.frames[0], 0, 20, -40, 61);
    EXPECT_THROW(readC3d(makeC3d(84, true, "ft"), "made.c3d"), CaptureError);
}

TEST(C3dReader, ErrorsNameTheFileAndTheFault) {
    std::vector<unsigned char> bytes = makeC3d(84, true, "mm");
    bytes.resize(1024 + 20);
    try {
        readC3d(bytes, "made.c3d");
        FAIL() << "a truncated data section must be rejected";
    } catch (const CaptureError& e) {
        EXPECT_NE(std::string(e.what()).find("made.c3d: data section truncated"), std::string::npos) << e.what();
    }
    bytes.resize(560);
    try {
        readC3d(bytes, "made.c3d");
        FAIL() << "a truncated parameter section must be rejected";
    } catch (const CaptureError& e) {
        EXPECT_NE(std::string(e.what()).find("made.c3d: parameter section truncated at byte 560"), std::string::npos)
            << e.what();
    }
}

// ------------------------------------------------------------------------------------------------- TRC

TEST(TrcReader, MotekBalletMatchesItsTextCells) {
    const std::string path = sample("motek_ballet_reduced.trc");
    REQUIRE_FILE(path);
    const CaptureClip clip = loadCapture(path);
    const SubjectDef& subject = clip.scene.subjects.at(0);
    EXPECT_EQ(subject.name, "motek_ballet_reduced");
    ASSERT_EQ(subject.markerNames.size(), 41u);
    EXPECT_EQ(subject.markerNames[0], "RFHD");
    EXPECT_EQ(subject.markerNames[3], "C7");
    EXPECT_EQ(subject.markerNames[40], "LFHD");
    EXPECT_EQ(clip.frameRate, 30.0);
    ASSERT_EQ(clip.frames.size(), 100u);
    expectMarker(clip.frames[0], 0, 93.08053, 1542.35255, -121.98482);
    expectMarker(clip.frames[0], 40, 167.49502, 1548.34566, -29.77828);
    expectMarker(clip.frames[99], 0, -68.85837, 1595.47900, -80.09546);
    expectMarker(clip.frames[99], 40, -2.99656, 1576.06381, 16.54349);
    EXPECT_EQ(capture_test::invalidShare(clip), 0.0);
}

namespace {
const char* const kTrcHeader =
    "PathFileType\t4\t(X/Y/Z)\tmade.trc\n"
    "DataRate\tCameraRate\tNumFrames\tNumMarkers\tUnits\tOrigDataRate\n"
    "200\t200\t3\t2\tm\t200\n"
    "Frame#\tTime\tA\t\t\tB\t\t\n"
    "\t\tX1\tY1\tZ1\tX2\tY2\tZ2\n"
    "\n";
}

TEST(TrcReader, GapsAreUnseenAndMetresBecomeMillimetres) {
    const std::string text = std::string(kTrcHeader) +
                             "1\t0.000\t0.1\t0.2\t0.3\t\t\t\n"  // B missing
                             "2\t0.005\t\t\t\t1\t2\t3\n"        // A missing
                             "3\t0.010\t-1\t-2\t-3\n";          // trailing cells dropped: B missing
    const CaptureClip clip = readTrc(text, "made.trc");
    EXPECT_EQ(clip.frameRate, 200.0);
    ASSERT_EQ(clip.frames.size(), 3u);
    expectMarker(clip.frames[0], 0, 100, 200, 300);
    expectUnseen(clip.frames[0], 1);
    expectUnseen(clip.frames[1], 0);
    expectMarker(clip.frames[1], 1, 1000, 2000, 3000);
    expectUnseen(clip.frames[2], 1);
    EXPECT_NEAR(clip.frames[2].timeSeconds, 0.010, 1e-12);
}

TEST(TrcReader, InconsistentFilesAreRejected) {
    const std::string rows = "1\t0\t1\t2\t3\t4\t5\t6\n2\t0\t1\t2\t3\t4\t5\t6\n";
    EXPECT_NO_THROW(readTrc(std::string(kTrcHeader) + rows + "3\t0\t1\t2\t3\t4\t5\t6\n", "made.trc"));
    EXPECT_THROW(readTrc(std::string(kTrcHeader) + rows, "made.trc"), CaptureError);  // fewer rows than NumFrames
    EXPECT_THROW(readTrc(std::string(kTrcHeader) + rows + "3\t0\t1\t2\t3\t4\t5\t6\t7\n", "made.trc"), CaptureError);
    EXPECT_THROW(readTrc(std::string(kTrcHeader) + rows + "3\t0\t1\tx\t3\t4\t5\t6\n", "made.trc"), CaptureError);
    EXPECT_THROW(readTrc(std::string(kTrcHeader) + rows + "3\t0\t1\t\t3\t4\t5\t6\n", "made.trc"), CaptureError);
    std::string wrongCount = kTrcHeader;
    wrongCount.replace(wrongCount.find("\t3\t2\tm"), 6, "\t3\t5\tm");
    EXPECT_THROW(readTrc(wrongCount + rows, "made.trc"), CaptureError);
}

// ------------------------------------------------------------------------------------------------- BVH

namespace {

// Hand computation helpers (column vectors), independent of the reader.
struct M3 {
    double a[3][3];
};
M3 rot(char axis, double deg) {
    const double r = deg * 3.14159265358979323846 / 180, c = std::cos(r), s = std::sin(r);
    if (axis == 'X') return {{{1, 0, 0}, {0, c, -s}, {0, s, c}}};
    if (axis == 'Y') return {{{c, 0, s}, {0, 1, 0}, {-s, 0, c}}};
    return {{{c, -s, 0}, {s, c, 0}, {0, 0, 1}}};
}
M3 mul(const M3& x, const M3& y) {
    M3 r{};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            for (int k = 0; k < 3; ++k) r.a[i][j] += x.a[i][k] * y.a[k][j];
    return r;
}
Vec3 rotateByQuat(const Quat& q, const Vec3& v) {  // v + 2w(u x v) + 2u x (u x v)
    const Vec3 u{q.x, q.y, q.z};
    const Vec3 t{2 * (u.y * v.z - u.z * v.y), 2 * (u.z * v.x - u.x * v.z), 2 * (u.x * v.y - u.y * v.x)};
    return {v.x + q.w * t.x + (u.y * t.z - u.z * t.y), v.y + q.w * t.y + (u.z * t.x - u.x * t.z),
            v.z + q.w * t.z + (u.x * t.y - u.y * t.x)};
}

std::string twoJointBvh(const std::string& rootChannels, const std::string& motion) {
    return "HIERARCHY\nROOT Hips\n{\n  OFFSET 0 0 0\n  CHANNELS " + rootChannels +
           "\n  JOINT Arm\n  {\n    OFFSET 0 0 1\n    CHANNELS 3 Zrotation Xrotation Yrotation\n"
           "    End Site\n    {\n      OFFSET 0 1 0\n    }\n  }\n}\nMOTION\nFrames: 1\nFrame Time: .01\n" +
           motion + "\n";
}

constexpr double kTol = 1e-9;  // double arithmetic on exact inputs

}  // namespace

TEST(BvhReader, RotationChannelsComposeInTheirListedOrder) {
    CaptureOptions unit;
    unit.lengthScaleToMm = 1.0;
    // Root "Xrotation 90, Yrotation 90": R = Rx(90) * Ry(90) sends the child offset (0,0,1) to (1,0,0).
    // The opposite composition would give (0,-1,0).
    const CaptureClip clip = readBvh(
        twoJointBvh("5 Xposition Yposition Xrotation Yrotation Zposition", "7 8 90 90 9 0 0 0"), "made.bvh", unit);
    const auto& bones = clip.frames.at(0).subjects.at(0).bones;
    ASSERT_EQ(bones.size(), 2u);
    EXPECT_NEAR(bones[0].worldPosition.x, 7, kTol);
    EXPECT_NEAR(bones[0].worldPosition.y, 8, kTol);
    EXPECT_NEAR(bones[0].worldPosition.z, 9, kTol);
    EXPECT_NEAR(bones[1].worldPosition.x, 8, kTol);
    EXPECT_NEAR(bones[1].worldPosition.y, 8, kTol);
    EXPECT_NEAR(bones[1].worldPosition.z, 9, kTol);
    EXPECT_NEAR(bones[1].localTranslation.z, 1, kTol);
    EXPECT_EQ(clip.frameRate, 100.0);
    EXPECT_EQ(clip.scene.subjects.at(0).bones.at(1).parent, 0);
}

TEST(BvhReader, LocalEulerXYZReproducesTheChannelRotation) {
    CaptureOptions unit;
    unit.lengthScaleToMm = 1.0;
    const double a = 30, b = -50, c = 120;  // root channels X, Y, Z in that order: R = Rx(a) Ry(b) Rz(c)
    const CaptureClip clip =
        readBvh(twoJointBvh("3 Xrotation Yrotation Zrotation", "30 -50 120  10 20 -35"), "made.bvh", unit);
    const auto& bones = clip.frames.at(0).subjects.at(0).bones;
    const M3 expected[2] = {mul(mul(rot('X', a), rot('Y', b)), rot('Z', c)),
                            mul(mul(rot('Z', 10), rot('X', 20)), rot('Y', -35))};
    for (int j = 0; j < 2; ++j) {
        const Vec3 e = bones[static_cast<std::size_t>(j)].localEulerXYZ;
        // X applied first, then Y, then Z: column-vector R = Rz * Ry * Rx.
        const M3 got = mul(mul(rot('Z', e.z), rot('Y', e.y)), rot('X', e.x));
        for (int r = 0; r < 3; ++r)
            for (int k = 0; k < 3; ++k) EXPECT_NEAR(got.a[r][k], expected[j].a[r][k], 1e-12) << "bone " << j;
    }
    // World quaternion of the root rotates the child's offset onto the child's world position.
    const Vec3 d = rotateByQuat(bones[0].worldOrientation, {0, 0, 1});
    EXPECT_NEAR(bones[1].worldPosition.x, d.x, kTol);
    EXPECT_NEAR(bones[1].worldPosition.y, d.y, kTol);
    EXPECT_NEAR(bones[1].worldPosition.z, d.z, kTol);
}

TEST(BvhReader, CmuFileFiguresAndHandComputedPose) {
    const std::string path = sample("cmu_01_01_reduced.bvh");
    REQUIRE_FILE(path);
    CaptureOptions cmu;
    cmu.lengthScaleToMm = kCmuBvhUnitMm;
    const CaptureClip clip = loadCapture(path, cmu);
    const SubjectDef& subject = clip.scene.subjects.at(0);
    EXPECT_EQ(subject.name, "cmu_01_01_reduced");
    ASSERT_EQ(subject.bones.size(), 31u);
    EXPECT_EQ(subject.bones[0].name, "Hips");
    EXPECT_EQ(subject.bones[3].name, "LeftLeg");
    EXPECT_EQ(subject.bones[3].parent, 2);
    EXPECT_TRUE(subject.markerNames.empty());
    EXPECT_EQ(clip.frameRate, 120.0);
    ASSERT_EQ(clip.frames.size(), 300u);  // the first 300 of the original's 2752
    // Frame 0: root at (9.3722, 17.8693, -17.3198), unrotated; LHipJoint unrotated with zero offset; LeftUpLeg
    // offset (1.36306, -1.79463, 0.83929) and Zrotation -17; LeftLeg offset (2.44811, -6.72613, 0).
    // By hand: LeftLeg = LeftUpLeg + Rz(-17) * offset = (11.1098691, 8.9266818, -16.48051) file units.
    const auto& bones = clip.frames[0].subjects.at(0).bones;
    const double u = kCmuBvhUnitMm;
    EXPECT_NEAR(bones[2].worldPosition.x, 10.73526 * u, 1e-6);
    EXPECT_NEAR(bones[2].worldPosition.y, 16.07467 * u, 1e-6);
    EXPECT_NEAR(bones[3].worldPosition.x, 11.1098691 * u, 1e-5);
    EXPECT_NEAR(bones[3].worldPosition.y, 8.9266818 * u, 1e-5);
    EXPECT_NEAR(bones[3].worldPosition.z, -16.48051 * u, 1e-5);
    EXPECT_NEAR(bones[2].localEulerXYZ.z, -17, 1e-9);
    EXPECT_NEAR(bones[2].localEulerXYZ.x, 0, 1e-9);
}

TEST(BvhReader, DefaultScaleReadsCentimetres) {
    const CaptureClip clip = readBvh(twoJointBvh("3 Xposition Yposition Zposition", "1 2 3 0 0 0"), "made.bvh");
    const auto& bones = clip.frames.at(0).subjects.at(0).bones;
    EXPECT_NEAR(bones[1].worldPosition.z, 40, kTol);
    EXPECT_NEAR(clip.scene.subjects[0].bones[1].offset.z, 10, kTol);
}

TEST(BvhReader, MalformedFilesAreRejected) {
    const std::string good = twoJointBvh("3 Xrotation Yrotation Zrotation", "1 2 3 4 5 6");
    EXPECT_NO_THROW(readBvh(good, "made.bvh"));
    auto broken = [&](const std::string& from, const std::string& to) {
        std::string s = good;
        s.replace(s.find(from), from.size(), to);
        return s;
    };
    EXPECT_THROW(readBvh(broken("4 5 6", "4 5"), "made.bvh"), CaptureError);      // short motion
    EXPECT_THROW(readBvh(broken("4 5 6", "4 5 6 7"), "made.bvh"), CaptureError);  // extra motion
    EXPECT_THROW(readBvh(broken("Frame Time: .01", "Frame Time: 0"), "made.bvh"), CaptureError);
    EXPECT_THROW(readBvh(broken("Xrotation Yrotation", "Xrotation Xrotation"), "made.bvh"), CaptureError);
    EXPECT_THROW(readBvh(broken("JOINT Arm", "JOINT"), "made.bvh"), CaptureError);
    EXPECT_THROW(readBvh(broken("OFFSET 0 0 1", "OFFSET 0 0"), "made.bvh"), CaptureError);
    // Without channels, frames would come from the declared count alone: 70 bytes asking for 10^8 frames.
    const std::string still =
        "HIERARCHY\nROOT a\n{\nOFFSET 0 0 0\nCHANNELS 0\n}\nMOTION\nFrames: 99999999\nFrame Time: 1\n";
    EXPECT_THROW(readBvh(still, "made.bvh"), CaptureError);
}

// ------------------------------------------------------------------------------------------------- limits
// Whatever loads must stream: the simulator encodes every scene and frame on its sending thread, where the
// encoder's refusal would end the program. Positions travel as floats; a subject has at most 512 markers.

namespace {

void expectStreams(const CaptureClip& clip) {
    EXPECT_NO_THROW(net::encodeDescriptions(clip.scene, 1, net::Envelope{}));
    for (const FrameSample& frame : clip.frames)
        for (int version = 1; version <= 2; ++version)
            EXPECT_NO_THROW(net::encodeFrame(frame, clip.scene, version, 1)) << "version " << version;
}

// A TRC in millimetres with 'markers' markers and one frame whose cells are all 'value'.
std::string trcWith(std::size_t markers, const std::string& value) {
    std::string names = "Frame#\tTime", axes = "\t", row = "1\t0";
    for (std::size_t m = 0; m < markers; ++m) {
        names += "\tM" + std::to_string(m) + "\t\t";
        axes += "\tX\tY\tZ";
        row += "\t" + value + "\t" + value + "\t" + value;
    }
    return "PathFileType\t4\t(X/Y/Z)\tmade.trc\nDataRate\tNumFrames\tNumMarkers\tUnits\n100\t1\t" +
           std::to_string(markers) + "\tmm\n" + names + "\n" + axes + "\n\n" + row + "\n";
}

}  // namespace

TEST(CaptureLimits, PositionsBeyondFloatRangeAreRejectedAndTheLargestStream) {
    const std::string flt = "340282346638528859811704183484516925440";  // the largest float, in millimetres
    const CaptureClip largest = readTrc(trcWith(2, flt), "made.trc");
    EXPECT_EQ(largest.frames.at(0).subjects.at(0).markers[1].y, 340282346638528859811704183484516925440.0);
    expectStreams(largest);
    EXPECT_THROW(readTrc(trcWith(2, "3.5e38"), "made.trc"), CaptureError);

    // BVH at the default centimetre scale: 1e38 units are 1e39 mm, in the motion or in an OFFSET.
    const std::string root = "3 Xposition Yposition Zposition";
    EXPECT_THROW(readBvh(twoJointBvh(root, "1e38 0 0 0 0 0"), "made.bvh"), CaptureError);
    std::string offset = twoJointBvh(root, "0 0 0 0 0 0");
    offset.replace(offset.find("OFFSET 0 0 1"), 12, "OFFSET 0 0 1e38");
    EXPECT_THROW(readBvh(offset, "made.bvh"), CaptureError);
    expectStreams(readBvh(twoJointBvh(root, "3e37 0 0 0 0 0"), "made.bvh"));

    // C3D in metres: a stored float of 1e37 is 1e40 mm.
    std::vector<unsigned char> c3d = makeC3d(84, true, "m");
    const float big = 1e37f;
    std::memcpy(&c3d[1024], &big, 4);  // frame 0, point A, x
    EXPECT_THROW(readC3d(c3d, "made.c3d"), CaptureError);
    expectStreams(readC3d(makeC3d(84, true, "m"), "made.c3d"));
}

TEST(CaptureLimits, MoreMarkersThanASubjectStreamsAreRejected) {
    expectStreams(readTrc(trcWith(512, "1.5"), "made.trc"));
    EXPECT_THROW(readTrc(trcWith(513, "1.5"), "made.trc"), CaptureError);
}

// Writers often leave one motion row more than "Frames:" declares: read, with one warning. Fewer stays an error.
TEST(BvhReader, RowsBeyondTheDeclaredCountAreReadWithAWarning) {
    CaptureOptions unit;
    unit.lengthScaleToMm = 1.0;
    const std::string oneExtra = twoJointBvh("3 Xposition Yposition Zposition", "1 2 3 0 0 0\n4 5 6 0 0 0");
    const CaptureClip clip = readBvh(oneExtra, "made.bvh", unit);
    ASSERT_EQ(clip.frames.size(), 2u);
    EXPECT_EQ(clip.frames[1].frameNumber, 1);
    EXPECT_NEAR(clip.frames[1].timeSeconds, 0.01, 1e-12);
    EXPECT_NEAR(clip.frames[1].subjects.at(0).bones.at(0).worldPosition.y, 5, kTol);
    ASSERT_EQ(clip.warnings.size(), 1u);
    EXPECT_EQ(clip.warnings[0], "made.bvh: 1 more motion row than 'Frames: 1' declares; all 2 are read");
    EXPECT_TRUE(readBvh(twoJointBvh("3 Xposition Yposition Zposition", "1 2 3 0 0 0"), "made.bvh").warnings.empty());

    std::string declaresThree = oneExtra;
    declaresThree.replace(declaresThree.find("Frames: 1"), 9, "Frames: 3");
    EXPECT_THROW(readBvh(declaresThree, "made.bvh"), CaptureError);
}

TEST(LoadCapture, RejectsUnknownExtensionsAndMissingFiles) {
    EXPECT_THROW(loadCapture("clip.fbx"), CaptureError);
    try {
        loadCapture("/nonexistent/take.C3D");  // extension matched case-insensitively, then the open fails
        FAIL();
    } catch (const CaptureError& e) {
        EXPECT_EQ(std::string(e.what()).rfind("take.C3D: cannot open", 0), 0u) << e.what();
    }
}
