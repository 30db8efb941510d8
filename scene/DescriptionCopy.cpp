#include "DescriptionCopy.h"

#include <algorithm>
#include <cstring>

namespace orvane {
namespace scene {

DescriptionCopy::DescriptionCopy() {}

DescriptionCopy::DescriptionCopy(DescriptionCopy&& other) = default;

DescriptionCopy& DescriptionCopy::operator=(DescriptionCopy&& other) = default;

DescriptionCopy::~DescriptionCopy() {}

char* DescriptionCopy::keepName(const RecordName& name) {
    names_.emplace_back(new char[name.length + 1]);
    char* kept = names_.back().get();
    std::copy(name.data, name.data + name.length, kept);
    kept[name.length] = '\0';
    return kept;
}

char** DescriptionCopy::keepNames(char* const* names, int count) {
    if (names == nullptr) return nullptr;
    nameArrays_.emplace_back(new char*[std::max(count, 1)]);
    char** kept = nameArrays_.back().get();
    for (int i = 0; i < count; ++i) kept[i] = names[i] == nullptr ? nullptr : keepName(pointerName(names[i]));
    return kept;
}

DescriptionCopy::DescriptionCopy(const sDataDescriptions* descriptions) {
    if (descriptions == nullptr) return;
    v2_.reset(new sDataDescriptions());
    const int count = clampCount(descriptions->descriptionCount, kMaxDescriptions);
    v2_->descriptionCount = count;
    for (int d = 0; d < count; ++d) {
        const sDescriptionEntry& entry = descriptions->descriptions[d];
        sDescriptionEntry& kept = v2_->descriptions[d];
        kept.type = entry.type;
        kept.data = nullptr;  // an entry a build skips keeps only its place
        if (entry.type == Descriptor_MarkerSet && entry.markerSetDescription != nullptr) {
            const sMarkerSetDesc& set = *entry.markerSetDescription;
            markerSets_.emplace_back(new sMarkerSetDesc());
            sMarkerSetDesc& copy = *markerSets_.back();
            std::memcpy(copy.name, set.name, sizeof copy.name);
            copy.markerCount = clampCount(set.markerCount, set.markerNames);
            copy.markerNames = keepNames(set.markerNames, copy.markerCount);
            kept.markerSetDescription = &copy;
        } else if (entry.type == Descriptor_Skeleton && entry.skeletonDescription != nullptr) {
            // Bones are held inline: the record copies as it stands.
            skeletons_.emplace_back(new sSkeletonDesc(*entry.skeletonDescription));
            kept.skeletonDescription = skeletons_.back().get();
        }
    }
}

DescriptionCopy::DescriptionCopy(const sBodyDefs* bodyDefs) {
    if (bodyDefs == nullptr) return;
    v1_.reset(new sBodyDefs());
    const int count = clampCount(bodyDefs->bodyDefCount, kMaxBodyDefs);
    v1_->bodyDefCount = count;
    for (int i = 0; i < count; ++i) {
        const sBodyDefEntry& body = bodyDefs->bodyDefs[i];
        sBodyDefEntry& copy = v1_->bodyDefs[i];
        copy.name = body.name == nullptr ? nullptr : keepName(pointerName(body.name));
        copy.bodyId = body.bodyId;
        copy.markerCount = clampCount(body.markerCount, body.markerNames);
        copy.markerNames = keepNames(body.markerNames, copy.markerCount);
        copy.segmentCount = clampCount(body.segmentCount, body.segmentNames);
        copy.segmentNames = keepNames(body.segmentNames, copy.segmentCount);
        if (body.segmentParents != nullptr) {
            parentArrays_.emplace_back(new int[std::max(copy.segmentCount, 1)]);
            std::copy(body.segmentParents, body.segmentParents + copy.segmentCount, parentArrays_.back().get());
            copy.segmentParents = parentArrays_.back().get();
        }
    }
}

}  // namespace scene
}  // namespace orvane
