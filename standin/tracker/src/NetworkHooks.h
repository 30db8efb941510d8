#pragma once
// How the network receiver (compiled in from standin/tracker/net when that part is built) plugs into Control.h.
// It registers once from a static initialiser; without it useNetworkSource throws and networkStats is empty.

#include <string>

#include "orvane/tracker/Control.h"

namespace orvane {
namespace tracker {

struct NetworkHooks {
    // 'origin' names where the address came from ("ORVANE_TRACKER_SERVER" or "useNetworkSource"), for the
    // error that initClient reports when the address is unusable.
    SourceFactory (*factory)(const std::string& hostPort, const std::string& origin) = nullptr;
    NetworkStats (*stats)() = nullptr;
};

void registerNetworkHooks(const NetworkHooks& hooks);

}  // namespace tracker
}  // namespace orvane
