#include "Descriptions.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "FrameRecords.h"

namespace orvane {
namespace tracker {
namespace {

char* duplicate(const std::string& text) {
    char* copy = new char[text.size() + 1];
    std::memcpy(copy, text.c_str(), text.size() + 1);
    return copy;
}

char** duplicateAll(const std::vector<std::string>& names) {
    if (names.empty()) return nullptr;
    char** list = new char*[names.size()];
    for (size_t i = 0; i < names.size(); ++i) list[i] = duplicate(names[i]);
    return list;
}

void freeAll(char** list, int count) {
    if (!list) return;
    for (int i = 0; i < count; ++i) delete[] list[i];
    delete[] list;
}

}  // namespace

sDataDescriptions* buildDescriptionsV2(const SceneDef& scene) {
    auto* descriptions = new sDataDescriptions();
    int count = 0;
    for (size_t s = 0; s < scene.subjects.size() && count < kMaxDescriptions; ++s) {
        const SubjectDef& subject = scene.subjects[s];
        auto* markerSet = new sMarkerSetDesc();
        copyName(markerSet->name, sizeof(markerSet->name), subject.name);
        markerSet->markerCount = static_cast<int>(subject.markerNames.size());
        markerSet->markerNames = duplicateAll(subject.markerNames);
        descriptions->descriptions[count].type = Descriptor_MarkerSet;
        descriptions->descriptions[count++].markerSetDescription = markerSet;

        if (subject.bones.empty() || count >= kMaxDescriptions) continue;
        auto* skeleton = new sSkeletonDesc();
        copyName(skeleton->name, sizeof(skeleton->name), subject.skeletonName);
        skeleton->skeletonId = static_cast<int>(s) + 1;
        skeleton->boneCount = std::min<int>(static_cast<int>(subject.bones.size()), kMaxBonesPerSkeleton);
        for (int b = 0; b < skeleton->boneCount; ++b) {
            const BoneDef& bone = subject.bones[b];
            sBoneDesc& out = skeleton->bones[b];
            copyName(out.name, sizeof(out.name), bone.name);
            out.id = b + 1;
            out.parentId = bone.parent + 1;
            out.offsetX = static_cast<float>(bone.offset.x);
            out.offsetY = static_cast<float>(bone.offset.y);
            out.offsetZ = static_cast<float>(bone.offset.z);
        }
        descriptions->descriptions[count].type = Descriptor_Skeleton;
        descriptions->descriptions[count++].skeletonDescription = skeleton;
    }
    descriptions->descriptionCount = count;
    return descriptions;
}

void freeDescriptionsV2(sDataDescriptions* descriptions) {
    if (!descriptions) return;
    const int count = std::min(descriptions->descriptionCount, static_cast<int>(kMaxDescriptions));
    for (int i = 0; i < count; ++i) {
        sDescriptionEntry& entry = descriptions->descriptions[i];
        if (entry.type == Descriptor_MarkerSet && entry.markerSetDescription) {
            freeAll(entry.markerSetDescription->markerNames, entry.markerSetDescription->markerCount);
            delete entry.markerSetDescription;
        } else if (entry.type == Descriptor_Skeleton) {
            delete entry.skeletonDescription;
        }
    }
    delete descriptions;
}

sBodyDefs* buildDescriptionsV1(const SceneDef& scene) {
    auto* defs = new sBodyDefs();
    const int count = std::min<int>(static_cast<int>(scene.subjects.size()), kMaxBodyDefs);
    for (int s = 0; s < count; ++s) {
        const SubjectDef& subject = scene.subjects[s];
        sBodyDefEntry& entry = defs->bodyDefs[s];
        entry.name = duplicate(subject.name);
        entry.markerCount = static_cast<int>(subject.markerNames.size());
        entry.markerNames = duplicateAll(subject.markerNames);
        entry.segmentCount = static_cast<int>(subject.bones.size());
        std::vector<std::string> segmentNames;
        for (const BoneDef& bone : subject.bones) segmentNames.push_back(bone.name);
        entry.segmentNames = duplicateAll(segmentNames);
        entry.segmentParents = subject.bones.empty() ? nullptr : new int[subject.bones.size()];
        for (size_t b = 0; b < subject.bones.size(); ++b) entry.segmentParents[b] = subject.bones[b].parent;
        entry.bodyId = s + 1;
    }
    defs->bodyDefCount = count;
    return defs;
}

void freeDescriptionsV1(sBodyDefs* descriptions) {
    if (!descriptions) return;
    const int count = std::min(descriptions->bodyDefCount, static_cast<int>(kMaxBodyDefs));
    for (int s = 0; s < count; ++s) {
        sBodyDefEntry& entry = descriptions->bodyDefs[s];
        delete[] entry.name;
        freeAll(entry.markerNames, entry.markerCount);
        freeAll(entry.segmentNames, entry.segmentCount);
        delete[] entry.segmentParents;
    }
    delete descriptions;
}

}  // namespace tracker
}  // namespace orvane
