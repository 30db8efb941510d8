#include "FrameRecords.h"

#include <algorithm>
#include <cstring>

namespace orvane {
namespace tracker {
namespace {

const SubjectSample kEmptySubject;

// The most markers one marker set of a frame of this SDK holds (the network protocol's cap per subject).
const int kMaxCopiedMarkersPerSet = 512;

MarkerData* asMarkers(std::vector<float>& xyz) {
    return xyz.empty() ? nullptr : reinterpret_cast<MarkerData*>(xyz.data());
}

void writeMarkers(const SubjectSample& sample, std::vector<float>& xyz) {
    const size_t count = xyz.size() / 3;
    for (size_t m = 0; m < count; ++m) {
        const bool seen = m < sample.markers.size() && (m >= sample.markerSeen.size() || sample.markerSeen[m]);
        const Vec3 p = seen ? sample.markers[m] : Vec3{};
        xyz[3 * m] = static_cast<float>(p.x);
        xyz[3 * m + 1] = static_cast<float>(p.y);
        xyz[3 * m + 2] = static_cast<float>(p.z);
    }
}

}  // namespace

std::string checkCapacity(const SceneDef& scene, bool version2) {
    const int subjects = static_cast<int>(scene.subjects.size());
    int skeletons = 0;
    for (const SubjectDef& subject : scene.subjects) {
        if (!subject.bones.empty()) ++skeletons;
        for (size_t b = 0; b < subject.bones.size(); ++b) {
            const int parent = subject.bones[b].parent;
            if (parent < -1 || parent >= static_cast<int>(b))
                return "bone '" + subject.bones[b].name + "' of '" + subject.name + "' has parent " +
                       std::to_string(parent) + ", which is not an earlier bone";
        }
        if (version2 && subject.bones.size() > static_cast<size_t>(kMaxBonesPerSkeleton))
            return "'" + subject.name + "' has " + std::to_string(subject.bones.size()) +
                   " bones; a version 2 skeleton holds at most " + std::to_string(kMaxBonesPerSkeleton);
    }
    if (version2) {
        if (subjects > kMaxMarkerSetFrames)
            return std::to_string(subjects) + " subjects; a version 2 frame holds at most " +
                   std::to_string(kMaxMarkerSetFrames) + " marker sets";
        if (skeletons > kMaxSkeletonFrames)
            return std::to_string(skeletons) + " skeletons; a version 2 frame holds at most " +
                   std::to_string(kMaxSkeletonFrames);
        if (subjects + skeletons > kMaxDescriptions)
            return std::to_string(subjects + skeletons) + " descriptions; version 2 holds at most " +
                   std::to_string(kMaxDescriptions);
    } else if (subjects > kMaxBodyFrames || subjects > kMaxBodyDefs) {
        return std::to_string(subjects) + " subjects; a version 1 frame holds at most " +
               std::to_string(std::min<int>(kMaxBodyFrames, kMaxBodyDefs)) + " bodies";
    }
    return {};
}

void copyName(char* buffer, size_t size, const std::string& name) {
    size_t length = std::min(name.size(), size - 1);
    if (length < name.size()) {
        // Do not cut a multi-byte UTF-8 character: step back over continuation bytes.
        while (length > 0 && (static_cast<unsigned char>(name[length]) & 0xC0) == 0x80) --length;
    }
    std::memcpy(buffer, name.data(), length);
    std::memset(buffer + length, 0, size - length);
}

// ---------------------------------------------------------------- version 2

void FrameRecordsV2::prepare(const SceneDef& scene) {
    scene_ = scene;
    frame_.reset(new sFrameOfMocapData());
    markers_.assign(scene.subjects.size(), {});
    bones_.clear();
    skeletonSubjects_.clear();
    for (size_t s = 0; s < scene.subjects.size(); ++s) {
        markers_[s].assign(3 * scene.subjects[s].markerNames.size(), 0.0f);
        if (!scene.subjects[s].bones.empty()) {
            bones_.emplace_back(scene.subjects[s].bones.size(), sBodyPose{});
            skeletonSubjects_.push_back(static_cast<int>(s));
        }
    }
}

sFrameOfMocapData* FrameRecordsV2::fill(const FrameSample& sample, long long serverSendTimeUs,
                                        long long receiveTimeUs) {
    sFrameOfMocapData& f = *frame_;
    f.frameNumber = static_cast<int>(sample.frameNumber);
    f.markerSetCount = static_cast<int>(markers_.size());
    for (size_t s = 0; s < markers_.size(); ++s) {
        const SubjectSample& subject = s < sample.subjects.size() ? sample.subjects[s] : kEmptySubject;
        sMarkerSetFrame& set = f.markerSets[s];
        copyName(set.name, sizeof(set.name), scene_.subjects[s].name);
        set.markerCount = static_cast<int>(markers_[s].size() / 3);
        writeMarkers(subject, markers_[s]);
        set.markers = asMarkers(markers_[s]);
    }
    f.serverSendTimeUs = serverSendTimeUs;
    f.receiveTimeUs = receiveTimeUs;
    f.frameFlags = 0;
    f.skeletonCount = static_cast<int>(bones_.size());
    for (size_t k = 0; k < bones_.size(); ++k) {
        const int s = skeletonSubjects_[k];
        const SubjectSample& subject =
            static_cast<size_t>(s) < sample.subjects.size() ? sample.subjects[s] : kEmptySubject;
        sSkeletonFrame& skeleton = f.skeletons[k];
        skeleton.skeletonId = s + 1;
        skeleton.boneCount = static_cast<int>(bones_[k].size());
        skeleton.bones = bones_[k].data();
        for (size_t b = 0; b < bones_[k].size(); ++b) {
            sBodyPose& out = bones_[k][b];
            out = sBodyPose{};
            out.id = static_cast<int>(b) + 1;
            if (b >= subject.bones.size() || !subject.bones[b].tracked) continue;
            const BonePose& pose = subject.bones[b];
            out.x = static_cast<float>(pose.worldPosition.x);
            out.y = static_cast<float>(pose.worldPosition.y);
            out.z = static_cast<float>(pose.worldPosition.z);
            out.qx = static_cast<float>(pose.worldOrientation.x);
            out.qy = static_cast<float>(pose.worldOrientation.y);
            out.qz = static_cast<float>(pose.worldOrientation.z);
            out.qw = static_cast<float>(pose.worldOrientation.w);
        }
    }
    return &f;
}

// ---------------------------------------------------------------- version 1

void FrameRecordsV1::prepare(const SceneDef& scene) {
    scene_ = scene;
    frame_.reset(new sFrameOfData());
    markers_.assign(scene.subjects.size(), {});
    segments_.assign(scene.subjects.size(), {});
    for (size_t s = 0; s < scene.subjects.size(); ++s) {
        markers_[s].assign(3 * scene.subjects[s].markerNames.size(), 0.0f);
        segments_[s].assign(scene.subjects[s].bones.size(), sSegmentPose{});
    }
}

sFrameOfData* FrameRecordsV1::fill(const FrameSample& sample, long long serverSendTimeUs, long long receiveTimeUs) {
    sFrameOfData& f = *frame_;
    f.frameNumber = static_cast<int>(sample.frameNumber);
    f.frameFlags = 0;
    f.bodyCount = static_cast<int>(markers_.size());
    for (size_t s = 0; s < markers_.size(); ++s) {
        const SubjectSample& subject = s < sample.subjects.size() ? sample.subjects[s] : kEmptySubject;
        sBodyFrame& body = f.bodies[s];
        copyName(body.name, sizeof(body.name), scene_.subjects[s].name);
        body.markerCount = static_cast<int>(markers_[s].size() / 3);
        writeMarkers(subject, markers_[s]);
        body.markers = asMarkers(markers_[s]);
        body.bodyId = static_cast<int>(s) + 1;
        body.segmentCount = static_cast<int>(segments_[s].size());
        body.segments = segments_[s].empty() ? nullptr : segments_[s].data();
        body.residual = 0;
        for (size_t b = 0; b < segments_[s].size(); ++b) {
            sSegmentPose& out = segments_[s][b];
            out = sSegmentPose{};
            if (b >= subject.bones.size()) {
                out.residual = -1;
                continue;
            }
            const BonePose& pose = subject.bones[b];
            out.x = pose.localTranslation.x, out.y = pose.localTranslation.y, out.z = pose.localTranslation.z;
            out.rx = pose.localEulerXYZ.x, out.ry = pose.localEulerXYZ.y, out.rz = pose.localEulerXYZ.z;
            out.residual = pose.tracked ? 0 : -1;
        }
    }
    f.serverSendTimeUs = serverSendTimeUs;
    f.receiveTimeUs = receiveTimeUs;
    return &f;
}

// ---------------------------------------------------------------- copies

int copyFrame(const sFrameOfMocapData* source, sFrameOfMocapData* destination, std::string& error) {
    if (!destination) {
        error = "copyFrameV2: null destination";
        return 1;
    }
    destination->markerSetCount = 0;
    destination->skeletonCount = 0;
    if (!source) {
        error = "copyFrameV2: null source frame";
        return 1;
    }
    if (source->markerSetCount < 0 || source->markerSetCount > kMaxMarkerSetFrames || source->skeletonCount < 0 ||
        source->skeletonCount > kMaxSkeletonFrames) {
        error = "copyFrameV2: source frame has " + std::to_string(source->markerSetCount) + " marker sets and " +
                std::to_string(source->skeletonCount) + " skeletons, outside the record's capacity";
        return 1;
    }
    // A count above what any frame of this SDK holds cannot be trusted to match its array: refuse the frame
    // rather than read past the array.
    for (int i = 0; i < source->markerSetCount; ++i) {
        const sMarkerSetFrame& set = source->markerSets[i];
        if (set.markers && set.markerCount > kMaxCopiedMarkersPerSet) {
            error = "copyFrameV2: marker set " + std::to_string(i) + " has " + std::to_string(set.markerCount) +
                    " markers; a frame holds at most " + std::to_string(kMaxCopiedMarkersPerSet) + " per set";
            return 1;
        }
    }
    for (int k = 0; k < source->skeletonCount; ++k) {
        const sSkeletonFrame& skeleton = source->skeletons[k];
        if (skeleton.bones && skeleton.boneCount > kMaxBonesPerSkeleton) {
            error = "copyFrameV2: skeleton " + std::to_string(k) + " has " + std::to_string(skeleton.boneCount) +
                    " bones; a frame holds at most " + std::to_string(kMaxBonesPerSkeleton) + " per skeleton";
            return 1;
        }
    }
    sFrameOfMocapData& d = *destination;
    d.frameNumber = source->frameNumber;
    for (int i = 0; i < source->markerSetCount; ++i) {
        const sMarkerSetFrame& from = source->markerSets[i];
        sMarkerSetFrame& to = d.markerSets[i];
        std::memcpy(to.name, from.name, sizeof(to.name));
        to.name[sizeof(to.name) - 1] = '\0';
        const int count = from.markers ? std::max(0, from.markerCount) : 0;
        to.markerCount = count;
        to.reserved = 0;
        to.markers = count ? new MarkerData[count] : nullptr;
        if (count) std::memcpy(to.markers, from.markers, sizeof(MarkerData) * count);
    }
    d.markerSetCount = source->markerSetCount;
    d.serverSendTimeUs = source->serverSendTimeUs;
    d.receiveTimeUs = source->receiveTimeUs;
    d.frameFlags = source->frameFlags;
    d.reserved0 = 0;
    for (int k = 0; k < source->skeletonCount; ++k) {
        const sSkeletonFrame& from = source->skeletons[k];
        sSkeletonFrame& to = d.skeletons[k];
        const int count = from.bones ? std::max(0, from.boneCount) : 0;
        to.skeletonId = from.skeletonId;
        to.boneCount = count;
        to.bones = count ? new sBodyPose[count] : nullptr;
        for (int b = 0; b < count; ++b) {
            to.bones[b] = from.bones[b];
            // The copy owns no attached arrays.
            to.bones[b].attachedPoints = nullptr;
            to.bones[b].attachedIds = nullptr;
            to.bones[b].attachedSizes = nullptr;
            to.bones[b].attachedCount = 0;
        }
    }
    d.skeletonCount = source->skeletonCount;
    d.reserved1 = 0;
    return 0;
}

void freeFrame(sFrameOfMocapData* frame) {
    const int sets = std::min(std::max(frame->markerSetCount, 0), static_cast<int>(kMaxMarkerSetFrames));
    for (int i = 0; i < sets; ++i) {
        delete[] frame->markerSets[i].markers;
        frame->markerSets[i].markers = nullptr;
        frame->markerSets[i].markerCount = 0;
    }
    const int skeletons = std::min(std::max(frame->skeletonCount, 0), static_cast<int>(kMaxSkeletonFrames));
    for (int k = 0; k < skeletons; ++k) {
        delete[] frame->skeletons[k].bones;
        frame->skeletons[k].bones = nullptr;
        frame->skeletons[k].boneCount = 0;
    }
    frame->markerSetCount = 0;
    frame->skeletonCount = 0;
}

}  // namespace tracker
}  // namespace orvane
