#include "TakeFile.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

#include "OrvaneRecords.h"
#include "RecordAccess.h"

namespace orvane {
namespace take {
namespace {

const std::size_t kFramePrefix = 24;  // kind, reserved, dropped, arrival, frame number, group and chain counts
const std::size_t kPoseV2Size = 7 * sizeof(float);
const std::size_t kPoseV1Size = 6 * sizeof(double);

// ---------------------------------------------------------------- little-endian writing and reading
// The file is little-endian, as the SDK's records are: values are copied as the process holds them.
template <typename T>
inline char* put(char* out, T value) {
    std::memcpy(out, &value, sizeof value);
    return out + sizeof value;
}

class Writer {
public:
    template <typename T>
    void put(T value) {
        const char* p = reinterpret_cast<const char*>(&value);
        bytes.insert(bytes.end(), p, p + sizeof value);
    }
    void putString(const std::string& s) {
        put(static_cast<std::uint32_t>(s.size()));
        bytes.insert(bytes.end(), s.begin(), s.end());
    }
    std::vector<char> bytes;
};

class Reader {
public:
    Reader(const char* data, std::size_t size) : p_(data), end_(data + size) {}
    template <typename T>
    bool get(T& value) {
        if (static_cast<std::size_t>(end_ - p_) < sizeof value) return false;
        std::memcpy(&value, p_, sizeof value);
        p_ += sizeof value;
        return true;
    }
    bool getString(std::string& s) {
        std::uint32_t length = 0;
        if (!get(length) || static_cast<std::size_t>(end_ - p_) < length) return false;
        s.assign(p_, length);
        p_ += length;
        return true;
    }
    bool skip(std::size_t n) {
        if (static_cast<std::size_t>(end_ - p_) < n) return false;
        p_ += n;
        return true;
    }
    const char* here() const { return p_; }
    std::size_t left() const { return static_cast<std::size_t>(end_ - p_); }

private:
    const char* p_;
    const char* end_;
};

std::uint32_t crcTable[256];
bool makeCrcTable() {
    for (std::uint32_t n = 0; n < 256; ++n) {
        std::uint32_t c = n;
        for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xedb88320u ^ (c >> 1) : c >> 1;
        crcTable[n] = c;
    }
    return true;
}
const bool crcTableReady = makeCrcTable();

int listSize(int count) { return std::min(count, kMaxListSize); }

// Whether a frame's marker set or body of this name would be applied: the table has a group of that name.
bool isTableGroup(const TakeLayout& layout, std::size_t index, const RecordName& name) {
    const auto same = [&name](const std::string& s) {
        return s.size() == name.length && std::memcmp(s.data(), name.data, name.length) == 0;
    };
    if (index < layout.markerGroups.size() && same(layout.markerGroups[index].name)) return true;
    for (const MarkerGroupLayout& group : layout.markerGroups)
        if (same(group.name)) return true;
    return false;
}

// Parent index as the scene builder takes it: an earlier bone of the chain, else a root.
int checkedParent(int parent, int index) { return parent >= 0 && parent < index ? parent : -1; }

// All seven pose values zero, -0.0 included: their bits, sign bits aside, are all clear.
bool isUntracked(const sBodyPose& pose) {
    std::uint32_t bits[7];
    std::memcpy(bits, &pose.x, sizeof bits);
    return ((bits[0] | bits[1] | bits[2] | bits[3] | bits[4] | bits[5] | bits[6]) & 0x7fffffffu) == 0;
}

char* putMarkers(char* out, int layoutCount, int count, const MarkerData* markers) {
    const int n = std::min(clampCount(count, markers), layoutCount);
    out = put(out, static_cast<std::uint16_t>(n));
    if (n > 0) std::memcpy(out, markers, sizeof(MarkerData) * static_cast<std::size_t>(n));
    return out + sizeof(MarkerData) * static_cast<std::size_t>(n);
}

}  // namespace

std::uint32_t crc32(const void* data, std::size_t size, std::uint32_t crc) {
    const unsigned char* p = static_cast<const unsigned char*>(data);
    crc = ~crc;
    for (std::size_t i = 0; i < size; ++i) crc = crcTable[(crc ^ p[i]) & 0xff] ^ (crc >> 8);
    return ~crc;
}

std::size_t TakeLayout::maxFrameRecordSize() const {
    std::size_t size = kRecordFrameSize + kFramePrefix;
    for (const MarkerGroupLayout& group : markerGroups) size += 2 + sizeof(MarkerData) * group.markerNames.size();
    for (const ChainLayout& chain : chains) {
        const std::size_t n = chain.boneNames.size();
        size += 2 + (isVersion2() ? (n + 7) / 8 + n * kPoseV2Size : n * kPoseV1Size);
    }
    return size;
}

TakeLayout layoutFromDescriptionsV2(const sDataDescriptions& descriptions) {
    TakeLayout layout;
    layout.protocol = 1;
    const int count = clampCount(descriptions.descriptionCount, kMaxDescriptions);
    for (int d = 0; d < count; ++d) {
        const sDescriptionEntry& entry = descriptions.descriptions[d];
        if (entry.type == Descriptor_MarkerSet) {
            layout.markerGroups.emplace_back();
            const sMarkerSetDesc* set = entry.markerSetDescription;
            if (set == nullptr) continue;
            MarkerGroupLayout& group = layout.markerGroups.back();
            group.name = boundedName(set->name).str();
            const int markerCount = listSize(clampCount(set->markerCount, set->markerNames));
            for (int j = 0; j < markerCount; ++j) group.markerNames.push_back(pointerNameAt(set->markerNames, j).str());
        } else if (entry.type == Descriptor_Skeleton) {
            layout.chains.emplace_back();
            const sSkeletonDesc* skeleton = entry.skeletonDescription;
            if (skeleton == nullptr) continue;
            ChainLayout& chain = layout.chains.back();
            chain.name = boundedName(skeleton->name).str();
            const int boneCount = clampCount(skeleton->boneCount, kMaxBonesPerSkeleton);
            for (int k = 0; k < boneCount; ++k) {
                const sBoneDesc& bone = skeleton->bones[k];
                chain.boneNames.push_back(boundedName(bone.name).str());
                // parentId is 1-based, 0 for a root; guard the subtraction against the smallest int.
                chain.parents.push_back(checkedParent(bone.parentId > 0 ? bone.parentId - 1 : -1, k));
            }
        }
    }
    return layout;
}

TakeLayout layoutFromDescriptionsV1(const sBodyDefs& bodyDefs) {
    TakeLayout layout;
    layout.protocol = 0;
    const int bodyCount = clampCount(bodyDefs.bodyDefCount, kMaxBodyDefs);
    for (int i = 0; i < bodyCount; ++i) {
        const sBodyDefEntry& body = bodyDefs.bodyDefs[i];
        MarkerGroupLayout group;
        group.name = pointerName(body.name).str();
        const int markerCount = listSize(clampCount(body.markerCount, body.markerNames));
        for (int j = 0; j < markerCount; ++j) group.markerNames.push_back(pointerNameAt(body.markerNames, j).str());
        ChainLayout chain;
        chain.name = group.name;
        const int segmentCount = listSize(clampCount(body.segmentCount, body.segmentNames));
        for (int k = 0; k < segmentCount; ++k) {
            chain.boneNames.push_back(pointerName(body.segmentNames[k]).str());
            chain.parents.push_back(checkedParent(body.segmentParents ? body.segmentParents[k] : -1, k));
        }
        layout.markerGroups.push_back(std::move(group));
        layout.chains.push_back(std::move(chain));
    }
    return layout;
}

std::vector<char> encodeHeader(const TakeLayout& layout) {
    Writer w;
    w.put(kHeaderRecord);
    w.put(static_cast<std::uint8_t>(layout.protocol));
    w.put(static_cast<std::uint16_t>(0));
    w.put(static_cast<std::uint32_t>(0));
    w.put(layout.hostStartSeconds);
    w.put(layout.wallClockStartUs);
    w.putString(layout.takeName);
    w.put(static_cast<std::uint32_t>(layout.markerGroups.size()));
    for (const MarkerGroupLayout& group : layout.markerGroups) {
        w.putString(group.name);
        w.put(static_cast<std::uint32_t>(group.markerNames.size()));
        for (const std::string& name : group.markerNames) w.putString(name);
    }
    w.put(static_cast<std::uint32_t>(layout.chains.size()));
    for (const ChainLayout& chain : layout.chains) {
        w.putString(chain.name);
        w.put(static_cast<std::uint32_t>(chain.boneNames.size()));
        for (std::size_t k = 0; k < chain.boneNames.size(); ++k) {
            w.putString(chain.boneNames[k]);
            w.put(static_cast<std::int32_t>(k < chain.parents.size() ? chain.parents[k] : -1));
        }
    }

    std::vector<char> file(kFileMagic, kFileMagic + sizeof kFileMagic);
    file.resize(kPreambleSize + kRecordFrameSize, 0);
    put(file.data() + 8, kFormatVersion);
    frameRecord(w.bytes.data(), static_cast<std::uint32_t>(w.bytes.size()), file.data() + kPreambleSize);
    file.insert(file.end(), w.bytes.begin(), w.bytes.end());
    return file;
}

bool decodeHeader(const char* payload, std::size_t size, TakeLayout& layout) {
    Reader r(payload, size);
    std::uint8_t kind = 0, protocol = 0;
    std::uint32_t count = 0;
    if (!r.get(kind) || kind != kHeaderRecord || !r.get(protocol) || protocol > 1 || !r.skip(6)) return false;
    layout = TakeLayout();
    layout.protocol = protocol;
    if (!r.get(layout.hostStartSeconds) || !r.get(layout.wallClockStartUs) || !r.getString(layout.takeName))
        return false;
    // Every list entry takes at least 4 bytes, so a count larger than what is left is a damaged header.
    if (!r.get(count) || count > r.left() / 4) return false;
    layout.markerGroups.resize(count);
    for (MarkerGroupLayout& group : layout.markerGroups) {
        if (!r.getString(group.name) || !r.get(count) || count > r.left() / 4) return false;
        group.markerNames.resize(count);
        for (std::string& name : group.markerNames)
            if (!r.getString(name)) return false;
    }
    if (!r.get(count) || count > r.left() / 4) return false;
    layout.chains.resize(count);
    for (ChainLayout& chain : layout.chains) {
        if (!r.getString(chain.name) || !r.get(count) || count > r.left() / 8) return false;
        chain.boneNames.resize(count);
        chain.parents.resize(count);
        for (std::uint32_t k = 0; k < count; ++k) {
            std::int32_t parent = -1;
            if (!r.getString(chain.boneNames[k]) || !r.get(parent)) return false;
            chain.parents[k] = checkedParent(parent, static_cast<int>(k));
        }
    }
    return r.left() == 0;
}

std::size_t encodeFrameV2(const TakeLayout& layout, const sFrameOfMocapData& frame, std::int64_t arrivalNs,
                          std::uint32_t droppedBefore, char* out) {
    char* p = out;
    const int groupCount =
        std::min(clampCount(frame.markerSetCount, kMaxMarkerSetFrames), static_cast<int>(layout.markerGroups.size()));
    const int chainCount =
        std::min(clampCount(frame.skeletonCount, kMaxSkeletonFrames), static_cast<int>(layout.chains.size()));
    p = put(p, static_cast<std::uint32_t>(kFrameRecord));
    p = put(p, droppedBefore);
    p = put(p, arrivalNs);
    p = put(p, static_cast<std::int32_t>(frame.frameNumber));
    p = put(p, static_cast<std::uint16_t>(groupCount));
    p = put(p, static_cast<std::uint16_t>(chainCount));
    for (int i = 0; i < groupCount; ++i) {
        const sMarkerSetFrame& set = frame.markerSets[i];
        const bool applied = isTableGroup(layout, static_cast<std::size_t>(i), boundedName(set.name));
        const int layoutCount = applied ? static_cast<int>(layout.markerGroups[i].markerNames.size()) : 0;
        p = putMarkers(p, layoutCount, set.markerCount, set.markers);
    }
    for (int k = 0; k < chainCount; ++k) {
        const sSkeletonFrame& skeleton = frame.skeletons[k];
        const int n = std::min(clampCount(skeleton.boneCount, skeleton.bones),
                               static_cast<int>(layout.chains[k].boneNames.size()));
        p = put(p, static_cast<std::uint16_t>(n));
        char* mask = p;
        const std::size_t maskSize = (static_cast<std::size_t>(n) + 7) / 8;
        std::memset(mask, 0, maskSize);
        p += maskSize;
        // Every pose is copied and kept only when tracked: a branch per bone would cost more than the copy.
        for (int l = 0; l < n; ++l) {
            const sBodyPose& pose = skeleton.bones[l];
            std::memcpy(p, &pose.x, kPoseV2Size);  // x, y, z, qx, qy, qz, qw are contiguous
            const bool kept = l == 0 || !isUntracked(pose);
            mask[l / 8] = static_cast<char>(mask[l / 8] | (kept << (l % 8)));
            p += kept ? kPoseV2Size : 0;
        }
    }
    return static_cast<std::size_t>(p - out);
}

std::size_t encodeFrameV1(const TakeLayout& layout, const sFrameOfData& frame, std::int64_t arrivalNs,
                          std::uint32_t droppedBefore, char* out) {
    char* p = out;
    const int bodyCount = std::min(clampCount(frame.bodyCount, kMaxBodyFrames),
                                   static_cast<int>(std::min(layout.markerGroups.size(), layout.chains.size())));
    p = put(p, static_cast<std::uint32_t>(kFrameRecord));
    p = put(p, droppedBefore);
    p = put(p, arrivalNs);
    p = put(p, static_cast<std::int32_t>(frame.frameNumber));
    p = put(p, static_cast<std::uint16_t>(bodyCount));
    p = put(p, static_cast<std::uint16_t>(bodyCount));
    bool kept[kMaxBodyFrames];
    for (int i = 0; i < bodyCount; ++i) {
        const sBodyFrame& body = frame.bodies[i];
        kept[i] = isTableGroup(layout, static_cast<std::size_t>(i), boundedName(body.name));
        p = putMarkers(p, kept[i] ? static_cast<int>(layout.markerGroups[i].markerNames.size()) : 0, body.markerCount,
                       body.markers);
    }
    for (int i = 0; i < bodyCount; ++i) {
        const sBodyFrame& body = frame.bodies[i];
        const int layoutCount = kept[i] ? static_cast<int>(layout.chains[i].boneNames.size()) : 0;
        const int n = std::min(clampCount(body.segmentCount, body.segments), layoutCount);
        p = put(p, static_cast<std::uint16_t>(n));
        for (int k = 0; k < n; ++k) {
            const sSegmentPose& s = body.segments[k];
            const double values[6] = {s.x, s.y, s.z, s.rx, s.ry, s.rz};
            std::memcpy(p, values, kPoseV1Size);
            p += kPoseV1Size;
        }
    }
    return static_cast<std::size_t>(p - out);
}

std::vector<char> encodeEnd(std::int64_t framesWritten, std::int64_t framesDropped) {
    Writer w;
    w.put(static_cast<std::uint64_t>(kEndRecord));
    w.put(framesWritten);
    w.put(framesDropped);
    return w.bytes;
}

void frameRecord(const char* payload, std::uint32_t size, char out[kRecordFrameSize]) {
    put(put(out, size), crc32(payload, size));
}

// ---------------------------------------------------------------- reading
const TakeData::GroupSpan* TakeData::group(std::size_t frame, std::size_t g) const {
    const Frame& f = frames[frame];
    return g < f.groupCount ? &groups[f.firstGroup + g] : nullptr;
}

const TakeData::ChainSpan* TakeData::chain(std::size_t frame, std::size_t c) const {
    const Frame& f = frames[frame];
    return c < f.chainCount ? &chains[f.firstChain + c] : nullptr;
}

void TakeData::clearFrames() {
    frames.clear();
    groups.clear();
    chains.clear();
    markerValues.clear();
    tracked.clear();
    poses.clear();
}

bool TakeData::appendFrame(const char* payload, std::size_t size) {
    Reader r(payload, size);
    std::uint32_t kind = 0;
    std::uint16_t groupCount = 0, chainCount = 0;
    Frame frame = Frame();
    if (!r.get(kind) || kind != kFrameRecord || !r.get(frame.droppedBefore) || !r.get(frame.arrivalNs) ||
        !r.get(frame.frameNumber) || !r.get(groupCount) || !r.get(chainCount))
        return false;
    if (groupCount > layout.markerGroups.size() || chainCount > layout.chains.size()) return false;
    // The recorder stamps frames in order, on a steady clock, from the take's start.
    if (frame.arrivalNs < 0 || (!frames.empty() && frame.arrivalNs < frames.back().arrivalNs)) return false;
    const std::size_t oldGroups = groups.size(), oldChains = chains.size();
    const std::size_t oldMarkers = markerValues.size(), oldBones = tracked.size();
    const auto undo = [&]() {
        groups.resize(oldGroups);
        chains.resize(oldChains);
        markerValues.resize(oldMarkers);
        tracked.resize(oldBones);
        poses.resize(oldBones * 7);
        return false;
    };
    frame.firstGroup = static_cast<std::uint32_t>(oldGroups);
    frame.groupCount = groupCount;
    frame.firstChain = static_cast<std::uint32_t>(oldChains);
    frame.chainCount = chainCount;
    for (std::uint16_t g = 0; g < groupCount; ++g) {
        std::uint16_t n = 0;
        if (!r.get(n) || n > layout.markerGroups[g].markerNames.size() || r.left() < n * sizeof(MarkerData))
            return undo();
        groups.push_back(GroupSpan{n, markerValues.size()});
        const float* values = reinterpret_cast<const float*>(r.here());
        markerValues.resize(markerValues.size() + 3 * static_cast<std::size_t>(n));
        if (n > 0)
            std::memcpy(markerValues.data() + (markerValues.size() - 3 * static_cast<std::size_t>(n)), values,
                        n * sizeof(MarkerData));
        r.skip(n * sizeof(MarkerData));
    }
    for (std::uint16_t c = 0; c < chainCount; ++c) {
        std::uint16_t n = 0;
        if (!r.get(n) || n > layout.chains[c].boneNames.size()) return undo();
        chains.push_back(ChainSpan{n, tracked.size()});
        if (layout.isVersion2()) {
            const std::size_t maskSize = (n + 7u) / 8u;
            if (r.left() < maskSize) return undo();
            const unsigned char* mask = reinterpret_cast<const unsigned char*>(r.here());
            r.skip(maskSize);
            for (std::uint16_t l = 0; l < n; ++l) {
                const bool isTracked = (mask[l / 8] >> (l % 8)) & 1;
                float pose[7] = {0, 0, 0, 0, 0, 0, 0};
                if (isTracked && !r.get(pose)) return undo();
                tracked.push_back(isTracked ? 1 : 0);
                poses.insert(poses.end(), pose, pose + 7);
            }
        } else {
            for (std::uint16_t l = 0; l < n; ++l) {
                double pose[6];
                if (!r.get(pose)) return undo();
                tracked.push_back(1);
                poses.insert(poses.end(), pose, pose + 6);
                poses.push_back(0.0);
            }
        }
    }
    if (r.left() != 0) return undo();
    frames.push_back(frame);
    return true;
}

namespace {

// Reads record framing and payloads from a byte source; `take` gets what decodes.
template <typename Source>
bool readRecords(Source& source, TakeData& take, TakeReadReport& report) {
    report = TakeReadReport();
    take.layout = TakeLayout();
    take.clearFrames();
    char preamble[kPreambleSize];
    std::uint32_t version = 0;
    if (!source.read(preamble, kPreambleSize) || std::memcmp(preamble, kFileMagic, sizeof kFileMagic) != 0) {
        report.message = "not a take file";
        return false;
    }
    std::memcpy(&version, preamble + 8, sizeof version);
    if (version != kFormatVersion) {
        report.message = "take file format " + std::to_string(version) + " is not known";
        return false;
    }
    std::uint64_t offset = kPreambleSize;
    std::vector<char> payload;
    bool headerSeen = false;
    while (true) {
        char framing[kRecordFrameSize];
        const std::size_t got = source.readSome(framing, kRecordFrameSize);
        if (got == 0) break;  // the end of the file at a record boundary
        std::uint32_t size = 0, crc = 0;
        std::memcpy(&size, framing, 4);
        std::memcpy(&crc, framing + 4, 4);
        const char* problem = nullptr;
        if (got < kRecordFrameSize) {
            problem = "the last record is torn";
        } else if (size == 0 || size > kMaxRecordSize) {
            problem = "a record length is damaged";
        } else {
            payload.resize(size);
            if (!source.read(payload.data(), size))
                problem = "the last record is torn";
            else if (crc32(payload.data(), size) != crc)
                problem = "a record fails its checksum";
        }
        if (problem == nullptr) {
            const std::uint8_t kind = static_cast<std::uint8_t>(payload[0]);
            if (!headerSeen) {
                if (kind != kHeaderRecord || !decodeHeader(payload.data(), size, take.layout)) {
                    report.message = "the header is damaged";
                    return false;
                }
                headerSeen = true;
                report.headerRead = true;
            } else if (kind == kFrameRecord) {
                if (!take.appendFrame(payload.data(), size)) problem = "a frame record does not decode";
            } else if (kind == kEndRecord && size == 24) {
                std::int64_t dropped = 0;
                std::memcpy(&dropped, payload.data() + 16, sizeof dropped);
                report.framesDropped = dropped;
                report.complete = true;
                offset += kRecordFrameSize + size;
                break;
            } else {
                problem = "a record of unknown kind";
            }
        }
        if (problem != nullptr) {
            report.message = problem;
            break;
        }
        offset += kRecordFrameSize + size;
    }
    if (!headerSeen) {
        if (report.message.empty()) report.message = "the file has no header";
        return false;
    }
    report.framesKept = static_cast<std::int64_t>(take.frames.size());
    if (!report.complete && !take.frames.empty()) report.framesDropped = take.frames.back().droppedBefore;
    report.bytesKept = offset;
    report.bytesDiscarded = source.size() - offset;
    return true;
}

class FileSource {
public:
    explicit FileSource(std::FILE* file) : file_(file) {
        std::fseek(file_, 0, SEEK_END);
        const long end = std::ftell(file_);
        size_ = end > 0 ? static_cast<std::uint64_t>(end) : 0;
        std::fseek(file_, 0, SEEK_SET);
    }
    bool read(char* out, std::size_t n) { return std::fread(out, 1, n, file_) == n; }
    std::size_t readSome(char* out, std::size_t n) { return std::fread(out, 1, n, file_); }
    std::uint64_t size() const { return size_; }

private:
    std::FILE* file_;
    std::uint64_t size_;
};

class MemorySource {
public:
    MemorySource(const char* bytes, std::size_t size) : p_(bytes), left_(size), size_(size) {}
    bool read(char* out, std::size_t n) { return readSome(out, n) == n; }
    std::size_t readSome(char* out, std::size_t n) {
        const std::size_t got = std::min(n, left_);
        if (got != 0) std::memcpy(out, p_, got);
        p_ += got;
        left_ -= got;
        return got;
    }
    std::uint64_t size() const { return size_; }

private:
    const char* p_;
    std::size_t left_;
    std::size_t size_;
};

}  // namespace

bool readTakeFile(const std::string& path, TakeData& take, TakeReadReport& report) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!file) {
        report = TakeReadReport();
        report.message = "cannot open " + path;
        return false;
    }
    FileSource source(file.get());
    return readRecords(source, take, report);
}

bool readTake(const char* bytes, std::size_t size, TakeData& take, TakeReadReport& report) {
    MemorySource source(bytes, size);
    return readRecords(source, take, report);
}

}  // namespace take
}  // namespace orvane
