#pragma once
// Node names as the host gives them. The host turns every byte outside ASCII letters, digits and '_'
// into '_' and puts '_' before a leading digit; searching under the raw name of a description such as
// "Performer 1:Hips" would never find the node the host made for it, and every reconnection would add
// a duplicate set of nodes. So descriptions are searched, created and renamed under this name.

#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "RecordAccess.h"

namespace orvane {
namespace scene {

std::string hostNodeName(const RecordName& rawName);

// The node names of one build. Distinct raw names can have one legal form ("A:B" and "A_B", "1x" and
// "_1x"); searched under that form, both would find the same node on every reconnection. So each distinct
// raw name gets a name of its own: the first in description order keeps the plain legal form, a later one
// gets it followed by "_2", "_3", ..., the first that is not the plain legal form of any name of the build
// and not given yet. The same descriptions get the same names on every build.
class BuildNodeNames {
public:
    BuildNodeNames() {}
    // Every name of the build, in description order; repeats are one name.
    explicit BuildNodeNames(const std::vector<RecordName>& rawNames);
    // The name given to rawName; its plain legal form for a name not passed in; empty for an empty name.
    std::string nameFor(const RecordName& rawName) const;
    // Whether `name` is given to a name of the build (or is the plain legal form of one).
    bool isGiven(const std::string& name) const { return given_.count(name) != 0; }

private:
    std::unordered_map<std::string, std::string> names_;  // raw name -> node name
    std::unordered_set<std::string> given_;
};

}  // namespace scene
}  // namespace orvane
