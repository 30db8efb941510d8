// A take file as `orvaneRecord -bake FILE` meets it: any bytes. The first byte picks how they go in: as they are
// (damage then mostly stops at a record's checksum), or with every record's checksum made right, so that damage
// inside a record reaches the header and frame decoders; and a resampling rate for the bake (none, or one of a
// few, up to the finest time unit). What reads is baked into keys.
//
// Properties: a read keeps whole records only (what it kept and discarded add up to the input); frames arrive in
// order from the take's start; every frame's groups and chains lie inside the value arrays and within the
// layout's counts; a bake that is not refused has finite key times in order from the take's start, and each
// track's keys index them, with values for each key.

#include <cmath>
#include <cstring>
#include <string>

#include "FuzzSupport.h"
#include "TakeBake.h"
#include "TakeFile.h"

namespace take = orvane::take;
namespace scene = orvane::scene;

namespace {

const std::size_t kPreamble = 16;

// Each record's CRC recomputed over the payload its length gives, as far as the bytes go.
std::string withChecksums(std::string bytes) {
    std::size_t at = kPreamble;
    while (at + take::kRecordFrameSize <= bytes.size()) {
        std::uint32_t size = 0;
        std::memcpy(&size, &bytes[at], sizeof size);
        if (size == 0 || size > bytes.size() - at - take::kRecordFrameSize) break;
        take::frameRecord(&bytes[at + take::kRecordFrameSize], size, &bytes[at]);
        at += take::kRecordFrameSize + size;
    }
    return bytes;
}

void checkRead(const take::TakeData& data, const take::TakeReadReport& report, std::size_t size) {
    fuzz::check(report.bytesKept + report.bytesDiscarded == size, "kept and discarded bytes add up to the file");
    fuzz::check(report.framesKept == static_cast<std::int64_t>(data.frames.size()), "frames kept are counted");
    const take::TakeLayout& layout = data.layout;
    fuzz::check(data.poses.size() == 7 * data.tracked.size(), "seven values a bone");
    for (std::size_t f = 0; f < data.frames.size(); ++f) {
        const take::TakeData::Frame& frame = data.frames[f];
        fuzz::check(frame.arrivalNs >= (f == 0 ? 0 : data.frames[f - 1].arrivalNs), "frames arrive in order");
        fuzz::check(frame.groupCount <= layout.markerGroups.size() && frame.chainCount <= layout.chains.size(),
                    "a frame holds no more groups and chains than the layout");
        for (std::size_t g = 0; g < frame.groupCount; ++g) {
            const take::TakeData::GroupSpan* span = data.group(f, g);
            fuzz::check(span->markerCount <= layout.markerGroups[g].markerNames.size() &&
                            span->firstValue + 3 * span->markerCount <= data.markerValues.size(),
                        "a group's markers lie inside the values");
        }
        for (std::size_t c = 0; c < frame.chainCount; ++c) {
            const take::TakeData::ChainSpan* span = data.chain(f, c);
            fuzz::check(span->boneCount <= layout.chains[c].boneNames.size() &&
                            span->firstBone + span->boneCount <= data.tracked.size(),
                        "a chain's bones lie inside the poses");
        }
    }
}

void checkBake(const scene::BakeResult& keys, const scene::BakeOptions& options, std::size_t frames) {
    if (!keys.error.empty()) return;
    fuzz::check(frames == 0 || !keys.times.empty(), "a take with frames bakes keys");
    double previous = options.startSeconds;
    for (double t : keys.times) {
        fuzz::check(std::isfinite(t) && t >= previous, "key times are finite and in order from the start");
        previous = t;
    }
    for (const scene::NodeTrack& track : keys.tracks) {
        for (std::uint32_t k : track.keys) fuzz::check(k < keys.times.size(), "a key indexes a time");
        for (std::uint32_t k : track.visibilityKeys) fuzz::check(k < keys.times.size(), "a key indexes a time");
        fuzz::check(track.translate.size() == 3 * track.keys.size(), "a translation for each key");
        fuzz::check(track.rotate.size() == (track.joint ? 3 * track.keys.size() : 0), "a rotation for each key");
        fuzz::check(track.visible.size() == track.visibilityKeys.size(), "a visibility for each key");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::FuzzInput in(data, size);
    const std::uint8_t mode = in.u8();
    const std::string raw = in.rest();
    const std::string bytes = (mode & 1) != 0 ? withChecksums(raw) : raw;
    static const double kRates[] = {0, 24, 120, 6000};

    take::TakeData read;
    take::TakeReadReport report;
    if (!take::readTake(bytes.data(), bytes.size(), read, report)) return 0;
    checkRead(read, report, bytes.size());
    scene::BakeOptions options;
    options.startSeconds = (mode & 2) != 0 ? 10.5 : 0;
    options.rate = kRates[(mode >> 2) & 3];
    checkBake(scene::bakeTake(read, options), options, read.frames.size());
    return 0;
}
