#pragma once
// Builds the SDK's description records from a SceneDef. Each call returns a fresh heap record that the
// matching free releases completely (names, arrays, entries). The scene must have passed checkCapacity
// for the version; anything beyond the record capacities is left out rather than overflowing.

#include "OrvaneRecords.h"
#include "orvane/tracker/Model.h"

namespace orvane {
namespace tracker {

// Per subject a marker-set entry (type 0), then a skeleton entry (type 2) when it has bones. Bone ids and
// parentId are 1-based positions in the skeleton, parentId 0 for a root.
sDataDescriptions* buildDescriptionsV2(const SceneDef& scene);
void freeDescriptionsV2(sDataDescriptions* descriptions);

// One body per subject: segments are the bones, segmentParents 0-based with -1 for a root.
sBodyDefs* buildDescriptionsV1(const SceneDef& scene);
void freeDescriptionsV1(sBodyDefs* descriptions);

}  // namespace tracker
}  // namespace orvane
