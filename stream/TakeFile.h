#pragma once
// The take file: what a recording keeps of the stream, written as it arrives (format in docs/take-file.md).
// A header record with the take's layout, then one record per frame, each framed by its length and a CRC-32
// of its bytes, then an end record when the take was stopped cleanly. A file cut short by a crash reads up
// to its last whole record.
//
// Values are kept as the stream gave them: millimetres, version 1 angles in degrees, version 2 orientations
// as quaternions. Frames are indexed as the scene's node lists are: marker group i is the frame's marker set
// (version 2) or body (version 1) i; chain k is skeleton k (version 2) or the segments of body k (version 1).

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "OrvaneRecords.h"

namespace orvane {
namespace take {

const char kFileMagic[8] = {'O', 'R', 'V', 'T', 'A', 'K', 'E', '\n'};
const std::uint32_t kFormatVersion = 1;
const std::size_t kPreambleSize = 16;            // magic, format version, reserved
const std::size_t kRecordFrameSize = 8;          // length and CRC-32 before each record's payload
const std::uint32_t kMaxRecordSize = 64u << 20;  // a larger length is a damaged file
const int kMaxListSize = 0xffff;                 // names, markers and bones per list, as the file counts them

enum RecordKind : std::uint8_t { kHeaderRecord = 0, kFrameRecord = 1, kEndRecord = 2 };

struct MarkerGroupLayout {
    std::string name;
    std::vector<std::string> markerNames;
};

struct ChainLayout {
    std::string name;
    std::vector<std::string> boneNames;
    std::vector<int> parents;  // -1 for a root, else the index of an earlier bone of the chain
};

// What the scene was built from, as far as recording and baking need it.
struct TakeLayout {
    int protocol = 1;  // SDKVER: 0 version 1, 1 version 2
    std::string takeName;
    double hostStartSeconds = 0;        // the host's current time when the take started
    std::int64_t wallClockStartUs = 0;  // Unix epoch, for people reading the file
    std::vector<MarkerGroupLayout> markerGroups;
    std::vector<ChainLayout> chains;

    bool isVersion2() const { return protocol == 1; }
    // The most bytes a frame record of this layout can take, framing included.
    std::size_t maxFrameRecordSize() const;
};

// The layout of a build from these descriptions, with the scene builder's rules: a null marker set keeps its
// ordinal as an empty group; a parent that is not an earlier bone of the chain makes a root. Lists are cut
// at kMaxListSize.
TakeLayout layoutFromDescriptionsV2(const sDataDescriptions& descriptions);
TakeLayout layoutFromDescriptionsV1(const sBodyDefs& bodyDefs);

std::uint32_t crc32(const void* data, std::size_t size, std::uint32_t crc = 0);

// The preamble and the header record.
std::vector<char> encodeHeader(const TakeLayout& layout);
// A frame record's payload into `out` (at least layout.maxFrameRecordSize() - kRecordFrameSize bytes);
// returns its size. Keeps what the frame applier would apply: groups and chains the layout has, marker sets
// or bodies whose name is one of the layout's groups, counts clamped to the layout and the record; a version
// 2 bone other than a chain's first with an all-zero pose is kept as untracked, without a pose.
// `arrivalNs` is the arrival time after the take's start; `droppedBefore` the frames dropped so far.
std::size_t encodeFrameV2(const TakeLayout& layout, const sFrameOfMocapData& frame, std::int64_t arrivalNs,
                          std::uint32_t droppedBefore, char* out);
std::size_t encodeFrameV1(const TakeLayout& layout, const sFrameOfData& frame, std::int64_t arrivalNs,
                          std::uint32_t droppedBefore, char* out);
// The end record's payload.
std::vector<char> encodeEnd(std::int64_t framesWritten, std::int64_t framesDropped);
// Length and CRC-32 of `payload`, ready to be written before it.
void frameRecord(const char* payload, std::uint32_t size, char out[kRecordFrameSize]);

// A take as read back. Per frame: the marker groups and chains the frame held, in layout order (a frame may
// hold fewer than the layout has). A bone's pose is 7 values: x, y, z and the quaternion x, y, z, w (version
// 2) or x, y, z and the Euler angles rx, ry, rz in degrees and 0 (version 1); an untracked bone's are zero.
class TakeData {
public:
    struct Frame {
        std::int64_t arrivalNs;
        std::int32_t frameNumber;
        std::uint32_t droppedBefore;
        std::uint32_t firstGroup, groupCount;  // into the group spans
        std::uint32_t firstChain, chainCount;  // into the chain spans
    };
    struct GroupSpan {
        std::uint32_t markerCount;
        std::size_t firstValue;  // 3 floats per marker
    };
    struct ChainSpan {
        std::uint32_t boneCount;
        std::size_t firstBone;  // into tracked and poses (7 doubles per bone)
    };

    TakeLayout layout;
    std::vector<Frame> frames;
    std::vector<GroupSpan> groups;
    std::vector<ChainSpan> chains;
    std::vector<float> markerValues;
    std::vector<std::uint8_t> tracked;
    std::vector<double> poses;

    const GroupSpan* group(std::size_t frame, std::size_t g) const;  // null when the frame has no group g
    const ChainSpan* chain(std::size_t frame, std::size_t c) const;

    void clearFrames();
    // Appends one frame record's payload; false (and nothing appended) when it does not decode or arrived
    // before the take's start or the frame before it.
    bool appendFrame(const char* payload, std::size_t size);
};

// What reading a take file kept.
struct TakeReadReport {
    bool headerRead = false;
    bool complete = false;  // the end record was read: the take was stopped cleanly
    std::int64_t framesKept = 0;
    std::int64_t framesDropped = 0;    // by the recorder, as the file tells (the end record, else the last frame)
    std::uint64_t bytesKept = 0;       // up to the end of the last whole record
    std::uint64_t bytesDiscarded = 0;  // a torn or damaged tail
    std::string message;               // why reading stopped early, empty otherwise
};

// Reads a take file. Returns false only when no header could be read; a torn or damaged record ends the take
// there, with everything before it kept and the rest counted in bytesDiscarded.
bool readTakeFile(const std::string& path, TakeData& take, TakeReadReport& report);
bool readTake(const char* bytes, std::size_t size, TakeData& take, TakeReadReport& report);
// The header record's payload back into a layout.
bool decodeHeader(const char* payload, std::size_t size, TakeLayout& layout);

}  // namespace take
}  // namespace orvane
