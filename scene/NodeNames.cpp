#include "NodeNames.h"

#include <unordered_set>

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

BuildNodeNames::BuildNodeNames(const std::vector<RecordName>& rawNames) {
    std::unordered_set<std::string> plainNames;
    for (const RecordName& raw : rawNames) plainNames.insert(hostNodeName(raw));
    std::unordered_set<std::string>& given = given_;
    for (const RecordName& raw : rawNames) {
        const std::string key = raw.str();
        if (key.empty() || names_.count(key) != 0) continue;
        const std::string plain = hostNodeName(raw);
        // A suffixed name must not be another name's plain form, even one that comes later.
        std::string name = plain;
        for (unsigned long n = 2; given.count(name) != 0 || (name != plain && plainNames.count(name) != 0); ++n)
            name = plain + "_" + std::to_string(n);
        given.insert(name);
        names_.emplace(key, name);
    }
    given_.insert(plainNames.begin(), plainNames.end());
}

std::string BuildNodeNames::nameFor(const RecordName& rawName) const {
    const auto it = names_.find(rawName.str());
    return it == names_.end() ? hostNodeName(rawName) : it->second;
}

}  // namespace scene
}  // namespace orvane
