#pragma once
// Version 2 frames of the SDK stand-in's synthetic performers as the SDK writes them (world poses; an unseen
// marker and an untracked bone as zeros), built in memory without a client: for the bake tests and benchmark.
#include <array>
#include <cstring>
#include <memory>
#include <vector>

#include "OrvaneRecords.h"
#include "TakeFile.h"
#include "orvane/tracker/SyntheticPerformers.h"

namespace synthetic {

class FramesV2 {
public:
    explicit FramesV2(const orvane::tracker::SyntheticOptions& options)
        : performers_(options), scene_(performers_.scene()) {}

    const orvane::tracker::SceneDef& scene() const { return scene_; }

    // A marker group and a chain for each performer.
    orvane::take::TakeLayout layout() const {
        orvane::take::TakeLayout layout;
        for (const orvane::tracker::SubjectDef& s : scene_.subjects) {
            layout.markerGroups.push_back(orvane::take::MarkerGroupLayout{s.name, s.markerNames});
            orvane::take::ChainLayout chain{s.skeletonName, {}, {}};
            for (const orvane::tracker::BoneDef& b : s.bones)
                chain.boneNames.push_back(b.name), chain.parents.push_back(b.parent);
            layout.chains.push_back(chain);
        }
        return layout;
    }

    // Frame n, valid until the next call.
    const sFrameOfMocapData& at(long long n) {
        performers_.sampleInto(n, sample_);
        const std::size_t count = scene_.subjects.size();
        markers_.resize(count);
        bones_.resize(count);
        frame_->frameNumber = static_cast<int>(n);
        frame_->markerSetCount = frame_->skeletonCount = static_cast<int>(count);
        for (std::size_t p = 0; p < count; ++p) {
            const orvane::tracker::SubjectSample& s = sample_.subjects[p];
            std::strcpy(frame_->markerSets[p].name, scene_.subjects[p].name.c_str());
            markers_[p].assign(s.markers.size(), {{0, 0, 0}});
            for (std::size_t j = 0; j < s.markers.size(); ++j)
                if (s.markerSeen[j])
                    markers_[p][j] = {{static_cast<float>(s.markers[j].x), static_cast<float>(s.markers[j].y),
                                       static_cast<float>(s.markers[j].z)}};
            frame_->markerSets[p].markerCount = static_cast<int>(s.markers.size());
            frame_->markerSets[p].markers = reinterpret_cast<MarkerData*>(markers_[p].data());
            bones_[p].assign(s.bones.size(), sBodyPose());
            for (std::size_t l = 0; l < s.bones.size(); ++l) {
                const orvane::tracker::BonePose& b = s.bones[l];
                if (!b.tracked) continue;
                sBodyPose& out = bones_[p][l];
                out.x = static_cast<float>(b.worldPosition.x), out.y = static_cast<float>(b.worldPosition.y);
                out.z = static_cast<float>(b.worldPosition.z), out.qx = static_cast<float>(b.worldOrientation.x);
                out.qy = static_cast<float>(b.worldOrientation.y), out.qz = static_cast<float>(b.worldOrientation.z);
                out.qw = static_cast<float>(b.worldOrientation.w);
            }
            frame_->skeletons[p].boneCount = static_cast<int>(s.bones.size());
            frame_->skeletons[p].bones = bones_[p].data();
        }
        return *frame_;
    }

private:
    orvane::tracker::SyntheticPerformers performers_;
    orvane::tracker::SceneDef scene_;
    orvane::tracker::FrameSample sample_;
    std::unique_ptr<sFrameOfMocapData> frame_{new sFrameOfMocapData()};
    std::vector<std::vector<std::array<float, 3>>> markers_;
    std::vector<std::vector<sBodyPose>> bones_;
};

// Appends one framed record (length and check, then the payload) to a take file's bytes.
inline void appendRecord(std::vector<char>& bytes, const char* payload, std::size_t size) {
    char framing[orvane::take::kRecordFrameSize];
    orvane::take::frameRecord(payload, static_cast<std::uint32_t>(size), framing);
    bytes.insert(bytes.end(), framing, framing + orvane::take::kRecordFrameSize);
    bytes.insert(bytes.end(), payload, payload + size);
}

}  // namespace synthetic
