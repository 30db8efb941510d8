#pragma once
// An owned copy of the data descriptions a scene was built from, in the SDK's record layout, so the same build
// can run again after the SDK's records have been handed back (the scene is rebuilt at New and Open Scene).
// Only what a build reads is copied, within the bounds a build applies: a malformed record copies to one that
// builds the same scene. Move-only; the records stay where they are when the copy is moved.

#include <memory>
#include <vector>

#include "OrvaneRecords.h"
#include "RecordAccess.h"

namespace orvane {
namespace scene {

class DescriptionCopy {
public:
    DescriptionCopy();
    explicit DescriptionCopy(const sDataDescriptions* descriptions);  // null copies to nothing
    explicit DescriptionCopy(const sBodyDefs* bodyDefs);              // null copies to nothing
    DescriptionCopy(DescriptionCopy&& other);
    DescriptionCopy& operator=(DescriptionCopy&& other);
    ~DescriptionCopy();

    // At most one of the two is non-null: the version the copy was made from.
    const sDataDescriptions* descriptionsV2() const { return v2_.get(); }
    const sBodyDefs* bodyDefsV1() const { return v1_.get(); }

private:
    DescriptionCopy(const DescriptionCopy&);
    DescriptionCopy& operator=(const DescriptionCopy&);

    char* keepName(const RecordName& name);
    // The first `count` entries of a name array (null stays null, as does a null entry).
    char** keepNames(char* const* names, int count);

    std::unique_ptr<sDataDescriptions> v2_;
    std::unique_ptr<sBodyDefs> v1_;
    std::vector<std::unique_ptr<sMarkerSetDesc>> markerSets_;
    std::vector<std::unique_ptr<sSkeletonDesc>> skeletons_;
    std::vector<std::unique_ptr<char[]>> names_;
    std::vector<std::unique_ptr<char*[]>> nameArrays_;
    std::vector<std::unique_ptr<int[]>> parentArrays_;
};

}  // namespace scene
}  // namespace orvane
