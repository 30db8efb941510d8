#pragma once
// Turns FrameSample into the SDK's frame records, for any source. Each builder owns one reusable record for
// one scene: prepare() sizes every array once, fill() then writes a sample without allocating. A sample
// with fewer subjects, markers or bones than the scene describes streams the missing ones as unseen
// markers and untracked bones; surplus entries are ignored. Not thread-safe: one delivery thread.
// FrameRecordsV2 is exported for the take tests and benchmark, which build frames as the SDK writes them.

#include <memory>
#include <string>
#include <vector>

#include "OrvaneRecords.h"
#include "orvane/tracker/Export.h"
#include "orvane/tracker/Model.h"

namespace orvane {
namespace tracker {

// "" when the scene fits the records of the version, else what does not fit.
std::string checkCapacity(const SceneDef& scene, bool version2);

// Copies name into an inline buffer of size bytes, truncated at a UTF-8 character boundary, NUL-terminated
// and zero-padded.
void copyName(char* buffer, size_t size, const std::string& name);

class ORVANE_TRACKER_API FrameRecordsV2 {
public:
    void prepare(const SceneDef& scene);
    // Valid until the next fill or prepare. Markers and bones in the description order; bones in world space,
    // an untracked bone as an all-zero pose.
    sFrameOfMocapData* fill(const FrameSample& sample, long long serverSendTimeUs, long long receiveTimeUs);

private:
    SceneDef scene_;
    std::unique_ptr<sFrameOfMocapData> frame_;
    std::vector<std::vector<float>> markers_;    // per subject, x y z per marker
    std::vector<std::vector<sBodyPose>> bones_;  // per skeleton
    std::vector<int> skeletonSubjects_;          // subject of each skeleton
};

class FrameRecordsV1 {
public:
    void prepare(const SceneDef& scene);
    // Valid until the next fill or prepare. Segments relative to their parent (translation in the parent's
    // space, Euler X-Y-Z degrees); an untracked segment keeps its pose with residual -1.
    sFrameOfData* fill(const FrameSample& sample, long long serverSendTimeUs, long long receiveTimeUs);

private:
    SceneDef scene_;
    std::unique_ptr<sFrameOfData> frame_;
    std::vector<std::vector<float>> markers_;
    std::vector<std::vector<sSegmentPose>> segments_;
};

// copyFrameV2 / freeFrameV2. The destination may hold garbage except in bodyPoses; after a failed copy it
// is left empty (counts 0, null arrays) and still safe to free. Returns 0 on success. A source with more
// marker sets or skeletons than the record holds, more than 512 markers in a set or more than
// kMaxBonesPerSkeleton bones in a skeleton is refused unread: no frame of this SDK has them, so their arrays
// cannot be trusted to be that long. Negative counts and null arrays copy as empty.
int copyFrame(const sFrameOfMocapData* source, sFrameOfMocapData* destination, std::string& error);
void freeFrame(sFrameOfMocapData* frame);

}  // namespace tracker
}  // namespace orvane
