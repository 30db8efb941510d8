// Recording takes: frames streamed by the SDK stand-in, recorded and read back from the take file; files cut
// or damaged mid-record; a writer that falls behind; malformed frames. Waits are bounded polls, never timings.

#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <mutex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "StreamedTake.h"
#include "TestFrames.h"

namespace {

using namespace orvane::take;
using streamedtake::tempPath;

using streamedtake::waitUntil;

// Markers and bones dropping out, several performers: version 2 keeps untracked bones as such, version 1 has none.
class TakeRoundTrip : public ::testing::TestWithParam<SDKVER> {};

TEST_P(TakeRoundTrip, EveryStreamedValueReadsBackFromTheFile) {
    const bool v2 = GetParam() == SDKVER_V2;
    orvane::tracker::SyntheticOptions options;
    options.performers = 2;
    options.rateHz = 1000;
    options.markerDropout = 0.2;
    options.boneDropout = 0.5;
    options.rawNames = true;
    const std::string path = tempPath(v2 ? "v2" : "v1");
    streamedtake::StreamedTake take;
    take.run(GetParam(), options, 150, path);
    const std::string error = take.recorder.stop().error;
    EXPECT_TRUE(error.empty()) << error;

    TakeData data;
    TakeReadReport report;
    ASSERT_TRUE(readTakeFile(path, data, report)) << report.message;
    EXPECT_TRUE(report.complete);
    EXPECT_EQ(0u, report.bytesDiscarded);
    EXPECT_EQ("take 1", data.layout.takeName);
    EXPECT_EQ(2.5, data.layout.hostStartSeconds);
    EXPECT_EQ(v2 ? 1 : 0, data.layout.protocol);
    ASSERT_EQ(2u, data.layout.markerGroups.size());
    ASSERT_EQ(2u, data.layout.chains.size());
    EXPECT_EQ("Performer 1:Hips", data.layout.chains[0].boneNames[0]);
    EXPECT_EQ(-1, data.layout.chains[0].parents[0]);
    EXPECT_EQ(0, data.layout.chains[0].parents[1]);

    ASSERT_EQ(take.seen.size(), data.frames.size());
    bool sawUntracked = false;
    for (std::size_t f = 0; f < data.frames.size(); ++f) {
        const streamedtake::SeenFrame& s = take.seen[f];
        SCOPED_TRACE("frame " + std::to_string(f));
        EXPECT_EQ(s.frameNumber, data.frames[f].frameNumber);
        ASSERT_EQ(s.markers.size(), data.frames[f].groupCount);
        for (std::size_t g = 0; g < s.markers.size(); ++g) {
            const float* read = &data.markerValues[data.group(f, g)->firstValue];
            EXPECT_EQ(s.markers[g], std::vector<float>(read, read + 3 * data.group(f, g)->markerCount));
        }
        ASSERT_EQ(s.poses.size(), data.frames[f].chainCount);
        for (std::size_t k = 0; k < s.poses.size(); ++k) {
            const TakeData::ChainSpan& span = *data.chain(f, k);
            const std::uint8_t* tracked = &data.tracked[span.firstBone];
            EXPECT_EQ(s.tracked[k], std::vector<std::uint8_t>(tracked, tracked + span.boneCount));
            for (std::size_t v = 0; v < 7 * span.boneCount; ++v) {
                sawUntracked = sawUntracked || !tracked[v / 7];
                if (!tracked[v / 7]) continue;
                ASSERT_EQ(s.poses[k][v], data.poses[7 * span.firstBone + v]) << "bone " << v / 7;
            }
        }
    }
    EXPECT_EQ(v2, sawUntracked);
    std::remove(path.c_str());
}

INSTANTIATE_TEST_CASE_P(Versions, TakeRoundTrip, ::testing::Values(SDKVER_V2, SDKVER_V1),
                        [](const ::testing::TestParamInfo<SDKVER>& info) {
                            return std::string(info.param == SDKVER_V2 ? "V2" : "V1");
                        });

// ---------------------------------------------------------------- torn and damaged files

// A take of `frames` hand-built frames, in memory, with the offsets where each record starts.
struct MemoryTake {
    std::vector<char> bytes;
    std::vector<std::size_t> recordStarts;  // frame records, then the end record

    explicit MemoryTake(int frames) {
        TakeLayout layout;
        layout.markerGroups.push_back(MarkerGroupLayout{"Set", {"a", "b", "c"}});
        bytes = encodeHeader(layout);
        std::vector<char> payload(layout.maxFrameRecordSize());
        for (int n = 0; n < frames; ++n) {
            testframes::FrameV2 frame(n, 3);
            const std::size_t size = encodeFrameV2(layout, *frame.frame, n * 1000, 0, payload.data());
            append(payload.data(), size);
        }
        const std::vector<char> end = encodeEnd(frames, 0);
        append(end.data(), end.size());
    }
    void append(const char* payload, std::size_t size) {
        recordStarts.push_back(bytes.size());
        char framing[kRecordFrameSize];
        frameRecord(payload, static_cast<std::uint32_t>(size), framing);
        bytes.insert(bytes.end(), framing, framing + kRecordFrameSize);
        bytes.insert(bytes.end(), payload, payload + size);
    }
};

TEST(TakeFileDamage, ATornOrDamagedRecordKeepsEveryFrameBeforeIt) {
    const MemoryTake take(10);
    const std::size_t record6 = take.recordStarts[6];
    const std::size_t endRecord = take.recordStarts[10];
    struct Case {
        const char* name;
        std::size_t cut;     // the file's length
        std::size_t damage;  // a byte flipped, or 0
        bool checksummed;    // record 6's checksum made right again after the damage
        std::int64_t kept;
        bool complete;
    } cases[] = {
        {"whole", take.bytes.size(), 0, false, 10, true},
        {"end record torn", endRecord + 5, 0, false, 10, false},
        {"end record missing", endRecord, 0, false, 10, false},
        {"cut inside the framing", record6 + 3, 0, false, 6, false},
        {"cut inside the payload", record6 + kRecordFrameSize + 10, 0, false, 6, false},
        {"cut one byte short", take.recordStarts[7] - 1, 0, false, 6, false},
        {"payload byte damaged", take.bytes.size(), record6 + kRecordFrameSize + 30, false, 6, false},
        {"length damaged", take.bytes.size(), record6 + 3, false, 6, false},
        // Frame 6's arrival, 6000 ns, made 1904 ns (before frame 5's) under a checksum that holds.
        {"arrival before the frame before it", take.bytes.size(), record6 + kRecordFrameSize + 9, true, 6, false},
    };
    const std::string path = tempPath("damage");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<char> bytes = take.bytes;
        if (c.damage != 0) bytes[c.damage] = static_cast<char>(bytes[c.damage] ^ (c.checksummed ? 0x10 : 0x40));
        if (c.checksummed) {
            const std::size_t size = take.recordStarts[7] - record6 - kRecordFrameSize;
            frameRecord(&bytes[record6 + kRecordFrameSize], static_cast<std::uint32_t>(size), &bytes[record6]);
        }
        std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(c.cut));
        TakeData data;
        TakeReadReport report;
        ASSERT_TRUE(readTakeFile(path, data, report)) << report.message;
        EXPECT_EQ(c.kept, report.framesKept);
        EXPECT_EQ(c.complete, report.complete);
        EXPECT_EQ(c.complete || c.cut == endRecord, report.message.empty()) << report.message;
        const std::size_t keptEnd = c.complete ? c.cut : take.recordStarts[static_cast<std::size_t>(c.kept)];
        EXPECT_EQ(keptEnd, report.bytesKept);
        EXPECT_EQ(c.cut - keptEnd, report.bytesDiscarded);
        ASSERT_EQ(static_cast<std::size_t>(c.kept), data.frames.size());
        EXPECT_EQ(9u * data.frames.size(), data.markerValues.size()) << "values of a frame not kept";
        for (std::size_t f = 0; f < data.frames.size(); ++f) {
            EXPECT_EQ(static_cast<int>(f), data.frames[f].frameNumber);
            EXPECT_EQ(static_cast<float>(f), data.markerValues[data.group(f, 0)->firstValue]);
        }
    }
    std::remove(path.c_str());
}

TEST(TakeFileDamage, AFileWithoutAWholeHeaderIsRefused) {
    const MemoryTake take(2);
    for (std::size_t cut : {std::size_t(0), std::size_t(7), kPreambleSize, take.recordStarts[0] - 1}) {
        TakeData data;
        TakeReadReport report;
        EXPECT_FALSE(readTake(take.bytes.data(), cut, data, report)) << cut;
        EXPECT_FALSE(report.message.empty());
    }
    std::vector<char> otherVersion = take.bytes;
    otherVersion[8] = 9;
    TakeData data;
    TakeReadReport report;
    EXPECT_FALSE(readTake(otherVersion.data(), otherVersion.size(), data, report));
    EXPECT_FALSE(readTakeFile(tempPath("absent"), data, report));
}

// ---------------------------------------------------------------- the writer falling behind

// Keeps the take in memory; while closed, write blocks (a disk that stalls) or fails.
class GatedOutput : public TakeOutput {
public:
    struct State {
        std::mutex mutex;
        std::condition_variable opened;
        bool closed = false;
        bool failing = false;
        int blockedWrites = 0;
        std::vector<char> bytes;

        void set(bool& flag, bool value) {
            std::lock_guard<std::mutex> lock(mutex);
            flag = value;
            opened.notify_all();
        }
    };
    explicit GatedOutput(State& state) : s_(state) {}
    bool write(const char* data, std::size_t size) override {
        std::unique_lock<std::mutex> lock(s_.mutex);
        if (s_.failing) return false;
        if (s_.closed) ++s_.blockedWrites;
        s_.opened.wait(lock, [this] { return !s_.closed; });
        s_.bytes.insert(s_.bytes.end(), data, data + size);
        return true;
    }
    bool flush() override { return !s_.failing; }

private:
    State& s_;
};

TEST(TakeRecorderBuffer, AWriterFallingBehindCountsEveryFrameItDrops) {
    TakeLayout layout;
    layout.markerGroups.push_back(MarkerGroupLayout{"Set", {"a", "b"}});
    GatedOutput::State state;
    RecorderOptions options;
    options.bufferFrames = 8;
    TakeRecorder recorder;
    std::string error;
    ASSERT_TRUE(recorder.start(layout, std::unique_ptr<TakeOutput>(new GatedOutput(state)), error, options));
    state.set(state.closed, true);
    for (int n = 0; n < 50; ++n) recorder.recordFrameV2(*testframes::FrameV2(n, 2).frame);
    EXPECT_EQ(8, recorder.framesRecorded());
    EXPECT_EQ(42, recorder.framesDropped());
    state.set(state.closed, false);
    ASSERT_TRUE(waitUntil([&recorder] { return recorder.framesWritten() == 8; }));
    recorder.recordFrameV2(*testframes::FrameV2(50, 2).frame);
    const TakeSummary summary = recorder.stop();
    EXPECT_EQ(9, summary.framesWritten);
    EXPECT_EQ(42, summary.framesDropped);
    EXPECT_EQ(summary.framesWritten, recorder.stop().framesWritten);  // a second stop changes nothing

    TakeData data;
    TakeReadReport report;
    ASSERT_TRUE(readTake(state.bytes.data(), state.bytes.size(), data, report)) << report.message;
    EXPECT_TRUE(report.complete);
    EXPECT_EQ(42, report.framesDropped);
    ASSERT_EQ(9u, data.frames.size());
    for (int n = 0; n < 9; ++n) {  // a take cut before its end record still tells of the drops
        EXPECT_EQ(n < 8 ? n : 50, data.frames[n].frameNumber);
        EXPECT_EQ(n < 8 ? 0u : 42u, data.frames[n].droppedBefore);
    }
}

TEST(TakeRecorderBuffer, FailedWritesAndMisuseAreReportedNotSilent) {
    TakeLayout layout;
    layout.markerGroups.push_back(MarkerGroupLayout{"Set", {"a"}});
    GatedOutput::State state;
    TakeRecorder recorder;
    std::string error;
    EXPECT_FALSE(recorder.start(layout, nullptr, error));
    EXPECT_FALSE(error.empty());
    recorder.recordFrameV2(*testframes::FrameV2(0, 1).frame);  // not recording: nothing happens
    EXPECT_EQ(0, recorder.stop().framesWritten);

    ASSERT_TRUE(recorder.start(layout, std::unique_ptr<TakeOutput>(new GatedOutput(state)), error));
    error.clear();
    EXPECT_FALSE(recorder.start(layout, std::unique_ptr<TakeOutput>(new GatedOutput(state)), error));
    EXPECT_FALSE(error.empty());
    recorder.recordFrameV2(*testframes::FrameV2(0, 1).frame);
    ASSERT_TRUE(waitUntil([&recorder] { return recorder.framesWritten() == 1; }));
    state.set(state.failing, true);
    for (int n = 1; n < 4; ++n) recorder.recordFrameV2(*testframes::FrameV2(n, 1).frame);
    const TakeSummary summary = recorder.stop();
    EXPECT_EQ(1, summary.framesWritten);
    EXPECT_EQ(3, summary.framesDropped);
    EXPECT_FALSE(summary.error.empty());

    std::string createError;
    EXPECT_EQ(nullptr, createTakeFile("/nonexistent-dir/x.take", createError));
    EXPECT_NE(std::string::npos, createError.find("/nonexistent-dir/x.take"));
}

// ---------------------------------------------------------------- malformed frames

TEST(TakeFrameEncoding, MalformedFramesKeepOnlyWhatTheApplierWouldApply) {
    TakeLayout layout;
    layout.markerGroups.push_back(MarkerGroupLayout{"Set", {"a", "b", "c"}});
    layout.markerGroups.push_back(MarkerGroupLayout{"Other", {"d"}});
    layout.chains.push_back(ChainLayout{"Skel", {"root", "arm"}, {-1, 0}});
    struct Case {
        const char* name;
        int markerSetCount, markerCount;
        bool nullMarkers;
        const char* setName;
        int skeletonCount, boneCount;
        bool nullBones;
        unsigned keptGroups, keptMarkers, keptChains, keptBones;
    } cases[] = {
        {"well formed", 1, 3, false, "Set", 1, 2, false, 1, 3, 1, 2},
        {"negative counts", -4, -1, false, "Set", -2, -5, false, 0, 0, 0, 0},
        {"negative marker count", 1, -1, false, "Set", 1, 2, false, 1, 0, 1, 2},
        {"counts above the layout", 1, 900, false, "Set", 1, 1000, false, 1, 3, 1, 2},
        {"sets and skeletons above the layout", 5000, 3, false, "Set", 5000, 2, false, 2, 3, 1, 2},
        {"null arrays", 1, 3, true, "Set", 1, 2, true, 1, 0, 1, 0},
        {"unknown set name", 1, 3, false, "Stranger", 1, 2, false, 1, 0, 1, 2},
        {"another group's name", 1, 3, false, "Other", 0, 0, false, 1, 3, 0, 0},
    };
    std::vector<char> payload(layout.maxFrameRecordSize());
    sBodyPose unit = sBodyPose();
    unit.qw = 1;
    std::vector<sBodyPose> bones(2, unit);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        testframes::FrameV2 frame(7, 3);
        for (sMarkerSetFrame& set : frame.frame->markerSets) {  // every slot a valid set, as far as counts go
            std::strcpy(set.name, c.setName);
            set.markerCount = c.markerCount;
            set.markers = c.nullMarkers ? nullptr : testframes::points(frame.markers);
        }
        frame.frame->markerSetCount = c.markerSetCount;
        for (sSkeletonFrame& skeleton : frame.frame->skeletons) {
            skeleton.boneCount = c.boneCount;
            skeleton.bones = c.nullBones ? nullptr : bones.data();
        }
        frame.frame->skeletonCount = c.skeletonCount;
        const std::size_t size = encodeFrameV2(layout, *frame.frame, 0, 0, payload.data());
        ASSERT_LE(size + kRecordFrameSize, layout.maxFrameRecordSize());
        TakeData data;
        data.layout = layout;
        ASSERT_TRUE(data.appendFrame(payload.data(), size));
        EXPECT_EQ(c.keptGroups, data.frames[0].groupCount);
        EXPECT_EQ(c.keptChains, data.frames[0].chainCount);
        EXPECT_EQ(c.keptMarkers, c.keptGroups > 0 ? data.group(0, 0)->markerCount : 0u);
        EXPECT_EQ(c.keptBones, c.keptChains > 0 ? data.chain(0, 0)->boneCount : 0u);
        EXPECT_FALSE(data.appendFrame(payload.data(), size - 1));  // a short payload does not decode
        EXPECT_EQ(1u, data.frames.size());
    }
}

TEST(TakeLayoutFromDescriptions, FollowsTheSceneBuildersRules) {
    sMarkerSetDesc set = sMarkerSetDesc();
    std::strcpy(set.name, "Set");
    char a[] = "a";
    char* names[] = {a};
    set.markerCount = 1;
    set.markerNames = names;
    std::unique_ptr<sSkeletonDesc> skeleton(new sSkeletonDesc());
    std::strcpy(skeleton->name, "Skel");
    skeleton->boneCount = 3;
    const int parentIds[] = {0, 1, 3};  // root, child of the first, a parent that is not earlier: a root
    for (int k = 0; k < 3; ++k) {
        std::snprintf(skeleton->bones[k].name, sizeof skeleton->bones[k].name, "b%d", k);
        skeleton->bones[k].parentId = parentIds[k];
    }
    std::unique_ptr<sDataDescriptions> descriptions(new sDataDescriptions());
    descriptions->descriptionCount = 3;
    descriptions->descriptions[0].type = Descriptor_MarkerSet;  // null: keeps ordinal 0
    descriptions->descriptions[1].type = Descriptor_MarkerSet;
    descriptions->descriptions[1].markerSetDescription = &set;
    descriptions->descriptions[2].type = Descriptor_Skeleton;
    descriptions->descriptions[2].skeletonDescription = skeleton.get();
    const TakeLayout layout = layoutFromDescriptionsV2(*descriptions);
    ASSERT_EQ(2u, layout.markerGroups.size());
    EXPECT_TRUE(layout.markerGroups[0].markerNames.empty());
    EXPECT_EQ("Set", layout.markerGroups[1].name);
    ASSERT_EQ(1u, layout.chains.size());
    EXPECT_EQ((std::vector<int>{-1, 0, -1}), layout.chains[0].parents);

    TakeLayout back;
    const std::vector<char> header = encodeHeader(layout);
    ASSERT_TRUE(decodeHeader(header.data() + kPreambleSize + kRecordFrameSize,
                             header.size() - kPreambleSize - kRecordFrameSize, back));
    EXPECT_EQ(layout.chains[0].boneNames, back.chains[0].boneNames);
    EXPECT_EQ(layout.chains[0].parents, back.chains[0].parents);
    EXPECT_EQ(layout.markerGroups[1].markerNames, back.markerGroups[1].markerNames);
}

}  // namespace
