#include "NodeNames.h"

namespace orvane {
namespace scene {

std::string hostNodeName(const RecordName& rawName) {
    std::string name;
    name.reserve(rawName.length + 1);
    for (std::size_t i = 0; i < rawName.length; ++i) {
        const char c = rawName.data[i];
        const bool legal = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
        name.push_back(legal ? c : '_');
    }
    if (!name.empty() && name[0] >= '0' && name[0] <= '9') name.insert(name.begin(), '_');
    return name;
}

}  // namespace scene
}  // namespace orvane
