// The scene binding, in-process on the stand-in host: the input decodes into one or two connections, each a
// version 1 or version 2 description record and a few frame records, built with SceneBuilder and applied with
// the frame appliers as the panel does (one modifier for the whole input; node lists and the marker table emptied
// between connections; the scene kept, so a second connection finds the first one's nodes by name).
//
// Records carry names of any bytes (inline names may fill their buffer without a NUL), counts of any value
// (negative, above the inline capacities, above the arrays), null arrays, parents out of range and NaN, infinite
// and extreme values. Every array is allocated exactly as long as its count says, so AddressSanitizer sees any read
// past it; the exceptions are what the records cannot hold: description arrays are at most kMaxArray long (a larger
// count comes with a null array), and a frame's array with a count above kMaxFrameArray holds kMaxFrameArray
// entries, as many as any description can describe (128 inline bones). Pointer names are NUL-terminated, as the
// records require.
//
// Properties: the node lists and the table have the shape the descriptions give them, and the DAG walk reaches
// exactly the host's node count after every build and frame.

#include <maya/MDagModifier.h>
#include <maya/MItDag.h>
#include <mayastandin/Host.h>

#include <cfloat>
#include <climits>
#include <cmath>
#include <limits>
#include <memory>
#include <vector>

#include "FrameApplier.h"
#include "FuzzSupport.h"
#include "SceneBuilder.h"

using fuzz::FuzzInput;
using orvane::RecordName;
using orvane::scene::NodeLists;

namespace {

const int kMaxArray = 64;
const int kMaxFrameArray = kMaxBonesPerSkeleton;
const int kMaxConnections = 2;

// Owns every allocation of one input.
class Arena {
public:
    template <typename T>
    T* array(std::size_t n) {
        T* p = new T[n]();
        blocks_.push_back(std::shared_ptr<void>(p, [](void* q) { delete[] static_cast<T*>(q); }));
        return p;
    }
    template <typename T>
    T* one() {
        return array<T>(1);
    }

private:
    std::vector<std::shared_ptr<void>> blocks_;
};

// Names the fuzzer reaches in one byte: host default names, names the host must rewrite, a path, UTF-8.
const char* const kNamePool[] = {"",           "M",   "a",        "b",      "Hips",       "Hips1", "1st",         "a b",
                                 "x|y",        "M:a", "locator1", "joint1", "transform1", "world", "caf\xc3\xa9", "_",
                                 "Performer1", "S",   "ls -an x;"};
const std::size_t kPoolSize = sizeof kNamePool / sizeof kNamePool[0];

int countValue(FuzzInput& in) {
    const std::uint8_t b = in.u8();
    if (b < 0xE0) return b % 12;
    switch (b) {
        case 0xE0: return -1;
        case 0xE1: return INT_MIN;
        case 0xE2: return INT_MAX;
        case 0xE3: return kMaxArray;
        case 0xE4: return kMaxArray + 1;
        case 0xE5: return kMaxBonesPerSkeleton;
        case 0xE6: return kMaxBonesPerSkeleton + 1;
        case 0xE7: return kMaxMarkerSetFrames;
        case 0xE8: return kMaxMarkerSetFrames + 1;
        case 0xE9: return kMaxDescriptions;
        case 0xEA: return kMaxDescriptions + 1;
        case 0xEB: return kMaxBodyDefs;
        case 0xEC: return kMaxBodyDefs + 1;
        default: return static_cast<int>(in.u32());
    }
}

// Version 1 parents (0-based, -1 a root): -1 .. 11 in one byte, or any int. Version 2 parent ids are the same
// byte plus one (1-based, 0 a root).
int parentValue(FuzzInput& in, int base = -1) {
    const std::uint8_t b = in.u8();
    if (b < 0xF0) return b % 13 + base;
    return b == 0xF0 ? INT_MIN : b == 0xF1 ? INT_MAX : static_cast<int>(in.u32());
}

float floatValue(FuzzInput& in) {
    const std::uint8_t b = in.u8();
    if (b < 0xF0) return (static_cast<int>(b) - 120) * 12.5f;
    switch (b) {
        case 0xF0: return std::numeric_limits<float>::quiet_NaN();
        case 0xF1: return std::numeric_limits<float>::infinity();
        case 0xF2: return -std::numeric_limits<float>::infinity();
        case 0xF3: return -0.0f;
        case 0xF4: return FLT_MAX;
        case 0xF5: return -FLT_MAX;
        case 0xF6: return std::numeric_limits<float>::denorm_min();
        default: {
            const std::uint32_t bits = in.u32();
            float v;
            std::memcpy(&v, &bits, 4);
            return v;
        }
    }
}

double doubleValue(FuzzInput& in) {
    const std::uint8_t b = in.u8();
    if (b < 0xF0) return (static_cast<int>(b) - 120) * 7.5;
    switch (b) {
        case 0xF0: return std::numeric_limits<double>::quiet_NaN();
        case 0xF1: return std::numeric_limits<double>::infinity();
        case 0xF2: return -std::numeric_limits<double>::infinity();
        case 0xF3: return -0.0;
        case 0xF4: return DBL_MAX;
        case 0xF5: return -DBL_MAX;
        case 0xF6: return 1e300;
        default: {
            const std::uint64_t bits = in.u64();
            double v;
            std::memcpy(&v, &bits, 8);
            return v;
        }
    }
}

// Name bytes from the pool, from names described earlier (frames), or from the input (may hold NULs).
std::string nameText(FuzzInput& in, std::size_t maxLength, const std::vector<std::string>* described) {
    const std::uint8_t b = in.u8();
    if (b < 0x80) return kNamePool[b % kPoolSize];
    if (b < 0xC0) {
        if (described && !described->empty()) return (*described)[(b - 0x80) % described->size()];
        return kNamePool[b % kPoolSize];
    }
    return in.bytes(std::min<std::size_t>(in.u8(), maxLength));
}

// An inline name buffer: NUL-terminated, or (selector 0xFF) filled to its last byte without a NUL.
void inlineName(FuzzInput& in, char* buffer, std::size_t capacity, const std::vector<std::string>* described) {
    std::memset(buffer, 0, capacity);
    if (in.u8() == 0xFF) {
        std::string s = in.bytes(capacity);
        s.resize(capacity, 'N');
        std::memcpy(buffer, s.data(), capacity);
        return;
    }
    const std::string s = nameText(in, capacity - 1, described);
    std::memcpy(buffer, s.data(), std::min(s.size(), capacity - 1));
}

// A NUL-terminated name through a pointer, allocated to its exact length, or null (selector 0xFF).
char* pointerName(FuzzInput& in, Arena& arena, const std::vector<std::string>* described) {
    if (in.u8() == 0xFF) return nullptr;
    const std::string s = nameText(in, 255, described);
    char* p = arena.array<char>(s.size() + 1);
    std::memcpy(p, s.data(), s.size());
    return p;
}

// A description's pointer array: null when chosen or when the count is above kMaxArray.
template <typename T>
T* descriptionArray(FuzzInput& in, Arena& arena, int count) {
    if (in.u8() == 0xFF || count > kMaxArray) return nullptr;
    return arena.array<T>(count > 0 ? static_cast<std::size_t>(count) : 0);
}

// A frame's array: null when chosen, else as long as the count, at most kMaxFrameArray.
template <typename T>
T* frameArray(FuzzInput& in, Arena& arena, int count, std::size_t& length) {
    length = 0;
    if (in.u8() == 0xFF) return nullptr;
    length = count > 0 ? static_cast<std::size_t>(std::min(count, kMaxFrameArray)) : 0;
    return arena.array<T>(length);
}

// What frames may refer to: the names and counts of what was described, in frame order.
struct Described {
    std::vector<std::string> groupNames;
    std::vector<int> markerCounts;
    std::vector<int> boneCounts;
};

int frameCount(FuzzInput& in, const std::vector<int>& described, std::size_t i) {
    if ((in.u8() & 1) && i < described.size()) return described[i];
    return countValue(in);
}

sDataDescriptions* descriptionsV2(FuzzInput& in, Arena& arena, Described& out) {
    sDataDescriptions* d = arena.one<sDataDescriptions>();
    d->descriptionCount = countValue(in);
    const int filled = in.u8() % 9;
    static int otherData = 0;
    for (int e = 0; e < filled; ++e) {
        sDescriptionEntry& entry = d->descriptions[e];
        const std::uint8_t type = in.u8() % 4;
        entry.type = type == 0   ? Descriptor_MarkerSet
                     : type == 1 ? Descriptor_Skeleton
                     : type == 2 ? Descriptor_RigidBody
                                 : static_cast<int>(in.u32());
        const bool null = in.u8() == 0xFF;
        if (entry.type == Descriptor_MarkerSet && !null) {
            sMarkerSetDesc* set = arena.one<sMarkerSetDesc>();
            inlineName(in, set->name, sizeof set->name, nullptr);
            set->markerCount = countValue(in);
            set->markerNames = descriptionArray<char*>(in, arena, set->markerCount);
            if (set->markerNames)
                for (int j = 0; j < set->markerCount; ++j) set->markerNames[j] = pointerName(in, arena, nullptr);
            entry.markerSetDescription = set;
        } else if (entry.type == Descriptor_Skeleton && !null) {
            sSkeletonDesc* skeleton = arena.one<sSkeletonDesc>();
            inlineName(in, skeleton->name, sizeof skeleton->name, nullptr);
            skeleton->boneCount = countValue(in);
            const int bones = in.u8() % 12;
            for (int k = 0; k < bones; ++k) {
                inlineName(in, skeleton->bones[k].name, sizeof skeleton->bones[k].name, nullptr);
                skeleton->bones[k].parentId = parentValue(in, 0);
            }
            entry.skeletonDescription = skeleton;
        } else if (!null) {
            entry.data = &otherData;
        }
    }
    // Frame order of what was described, as the builder reads it.
    const int count = orvane::clampCount(d->descriptionCount, kMaxDescriptions);
    for (int e = 0; e < count; ++e) {
        const sDescriptionEntry& entry = d->descriptions[e];
        if (entry.type == Descriptor_MarkerSet) {
            const sMarkerSetDesc* set = entry.markerSetDescription;
            out.groupNames.push_back(set ? orvane::boundedName(set->name).str() : std::string());
            out.markerCounts.push_back(set ? orvane::clampCount(set->markerCount, set->markerNames) : 0);
        } else if (entry.type == Descriptor_Skeleton) {
            const sSkeletonDesc* skeleton = entry.skeletonDescription;
            out.boneCounts.push_back(skeleton ? orvane::clampCount(skeleton->boneCount, kMaxBonesPerSkeleton) : 0);
        }
    }
    return d;
}

sBodyDefs* descriptionsV1(FuzzInput& in, Arena& arena, Described& out) {
    sBodyDefs* d = arena.one<sBodyDefs>();
    d->bodyDefCount = countValue(in);
    const int filled = in.u8() % 5;
    for (int i = 0; i < filled; ++i) {
        sBodyDefEntry& body = d->bodyDefs[i];
        body.name = pointerName(in, arena, nullptr);
        body.markerCount = countValue(in);
        body.markerNames = descriptionArray<char*>(in, arena, body.markerCount);
        if (body.markerNames)
            for (int j = 0; j < body.markerCount; ++j) body.markerNames[j] = pointerName(in, arena, nullptr);
        body.segmentCount = countValue(in);
        body.segmentNames = descriptionArray<char*>(in, arena, body.segmentCount);
        if (body.segmentNames)
            for (int k = 0; k < body.segmentCount; ++k) body.segmentNames[k] = pointerName(in, arena, nullptr);
        body.segmentParents = descriptionArray<int>(in, arena, body.segmentCount);
        if (body.segmentParents)
            for (int k = 0; k < body.segmentCount; ++k) body.segmentParents[k] = parentValue(in);
    }
    const int count = orvane::clampCount(d->bodyDefCount, kMaxBodyDefs);
    for (int i = 0; i < count; ++i) {
        const sBodyDefEntry& body = d->bodyDefs[i];
        out.groupNames.push_back(orvane::pointerName(body.name).str());
        out.markerCounts.push_back(orvane::clampCount(body.markerCount, body.markerNames));
        out.boneCounts.push_back(orvane::clampCount(body.segmentCount, body.segmentNames));
    }
    return d;
}

sFrameOfMocapData* frameV2(FuzzInput& in, Arena& arena, const Described& described) {
    // One block for every version 2 frame, as the plug-in's copies are fixed-size blocks too: its counts are
    // clamped to its inline arrays, and a fresh 152 KB block per frame would cost more than the frame's use.
    static sFrameOfMocapData* const block = new sFrameOfMocapData();
    sFrameOfMocapData* frame = block;
    std::memset(frame, 0, sizeof *frame);
    frame->markerSetCount = countValue(in);
    const int sets = in.u8() % 4;
    for (int i = 0; i < sets; ++i) {
        sMarkerSetFrame& set = frame->markerSets[i];
        inlineName(in, set.name, sizeof set.name, &described.groupNames);
        set.markerCount = frameCount(in, described.markerCounts, static_cast<std::size_t>(i));
        std::size_t length = 0;
        set.markers = frameArray<MarkerData>(in, arena, set.markerCount, length);
        for (std::size_t j = 0; j < length; ++j)
            for (int c = 0; c < 3; ++c) set.markers[j][c] = floatValue(in);
    }
    frame->skeletonCount = countValue(in);
    const int skeletons = in.u8() % 4;
    for (int k = 0; k < skeletons; ++k) {
        sSkeletonFrame& skeleton = frame->skeletons[k];
        skeleton.boneCount = frameCount(in, described.boneCounts, static_cast<std::size_t>(k));
        std::size_t length = 0;
        skeleton.bones = frameArray<sBodyPose>(in, arena, skeleton.boneCount, length);
        for (std::size_t l = 0; l < length; ++l) {
            sBodyPose& pose = skeleton.bones[l];
            if (in.u8() & 1) continue;  // all zero: untracked
            for (float* v : {&pose.x, &pose.y, &pose.z, &pose.qx, &pose.qy, &pose.qz, &pose.qw}) *v = floatValue(in);
        }
    }
    return frame;
}

sFrameOfData* frameV1(FuzzInput& in, Arena& arena, const Described& described) {
    sFrameOfData* frame = arena.one<sFrameOfData>();
    frame->bodyCount = countValue(in);
    const int bodies = in.u8() % 5;
    for (int i = 0; i < bodies; ++i) {
        sBodyFrame& body = frame->bodies[i];
        inlineName(in, body.name, sizeof body.name, &described.groupNames);
        body.markerCount = frameCount(in, described.markerCounts, static_cast<std::size_t>(i));
        std::size_t length = 0;
        body.markers = frameArray<MarkerData>(in, arena, body.markerCount, length);
        for (std::size_t j = 0; j < length; ++j)
            for (int c = 0; c < 3; ++c) body.markers[j][c] = floatValue(in);
        body.segmentCount = frameCount(in, described.boneCounts, static_cast<std::size_t>(i));
        body.segments = frameArray<sSegmentPose>(in, arena, body.segmentCount, length);
        for (std::size_t k = 0; k < length; ++k)
            for (double* v : {&body.segments[k].x, &body.segments[k].y, &body.segments[k].z, &body.segments[k].rx,
                              &body.segments[k].ry, &body.segments[k].rz})
                *v = doubleValue(in);
    }
    return frame;
}

// The panel's table as the scene binding sees it: heading rows found by exact name, writes to rows without
// coordinate cells (headings, rows past the end) left alone, as the widget does.
class FuzzTable : public orvane::scene::MarkerGroupTable {
public:
    struct Row {
        std::string name;
        bool heading;
    };
    std::vector<Row> rows;
    bool refresh = false;

    void appendMarkerGroup(const RecordName& name, const std::vector<RecordName>& markers) override {
        rows.push_back({name.str(), true});
        for (const RecordName& m : markers) rows.push_back({m.str(), false});
    }
    int rowCount() const override { return static_cast<int>(rows.size()); }
    int headingRow(const RecordName& name) const override {
        for (std::size_t i = 0; i < rows.size(); ++i)
            if (rows[i].heading && rows[i].name == name.str()) return static_cast<int>(i);
        return -1;
    }
    bool refreshEnabled() const override { return refresh; }
    void setMarkerCoordinates(int row, double, double, double) override {
        if (row < 0 || row >= rowCount() || rows[static_cast<std::size_t>(row)].heading) return;
    }
};

void checkDagWalk() {
    std::size_t nodes = 0;
    for (MItDag it(MItDag::kDepthFirst, MFn::kInvalid); !it.isDone(); it.next()) ++nodes;
    fuzz::check(nodes == mayastandin::dagNodeCount() + 1, "the DAG walk (world included) misses or repeats nodes");
}

void checkShape(const NodeLists& joints, const NodeLists& markers, const FuzzTable& table, const Described& d,
                int version) {
    fuzz::check(markers.size() == d.markerCounts.size(), "marker lists differ from the described marker sets");
    fuzz::check(joints.size() == d.boneCounts.size(), "joint lists differ from the described skeletons");
    std::size_t rows = 0;
    for (std::size_t i = 0; i < markers.size(); ++i) {
        fuzz::check(markers[i].size() == static_cast<std::size_t>(d.markerCounts[i]),
                    "a marker list differs from its description");
        rows += 1 + markers[i].size();
    }
    for (std::size_t k = 0; k < joints.size(); ++k)
        fuzz::check(joints[k].size() == static_cast<std::size_t>(d.boneCounts[k]),
                    "a joint list differs from its description");
    // Version 2 skips the group of a marker set without a record; version 1 has one group per body.
    if (version == 1) fuzz::check(table.rows.size() == rows, "the table differs from the described groups");
    if (version == 2) fuzz::check(table.rows.size() <= rows, "the table holds more than was described");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    mayastandin::resetScene();
    mayastandin::clearLog();
    FuzzInput in(data, size);
    Arena arena;
    MDagModifier modifier;  // the panel's one modifier
    NodeLists joints, markers;
    FuzzTable table;
    for (int connection = 0; connection < kMaxConnections && !in.done(); ++connection) {
        const std::uint8_t flags = in.u8();
        const int version = flags & 1 ? 2 : 1;
        table.rows.clear();  // a disconnection empties the lists and the table
        table.refresh = flags & 2;
        joints.clear();
        markers.clear();
        Described described;
        orvane::scene::SceneBuilder builder(modifier, joints, markers, table);
        if (version == 2) {
            sDataDescriptions* d = descriptionsV2(in, arena, described);
            builder.buildV2((flags & 4) ? nullptr : d);
            if (flags & 4) described = Described();
        } else {
            sBodyDefs* d = descriptionsV1(in, arena, described);
            builder.buildV1((flags & 4) ? nullptr : d);
            if (flags & 4) described = Described();
        }
        checkShape(joints, markers, table, described, version);
        checkDagWalk();
        const int frames = in.u8() % 4;
        for (int f = 0; f < frames; ++f) {
            if (version == 2)
                orvane::scene::applyFrameV2(*frameV2(in, arena, described), joints, markers, table);
            else
                orvane::scene::applyFrameV1(*frameV1(in, arena, described), joints, markers, table);
            checkDagWalk();
        }
    }
    return 0;
}
