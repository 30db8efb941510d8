#pragma once
// Node names as the host gives them. The host turns every byte outside ASCII letters, digits and '_'
// into '_' and puts '_' before a leading digit; searching under the raw name of a description such as
// "Performer 1:Hips" would never find the node the host made for it, and every reconnection would add
// a duplicate set of nodes. So descriptions are searched, created and renamed under this name.

#include <string>

#include "RecordAccess.h"

namespace orvane {
namespace scene {

std::string hostNodeName(const RecordName& rawName);

}  // namespace scene
}  // namespace orvane
