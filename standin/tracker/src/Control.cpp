#include "orvane/tracker/Control.h"

#include <stdexcept>

#include "ClientManager.h"
#include "NetworkHooks.h"
#include "SyntheticSource.h"

namespace orvane {
namespace tracker {

void useSyntheticSource(const SyntheticOptions& options) {
    ClientManager::get().chooseSource([options] { return std::unique_ptr<FrameSource>(new SyntheticSource(options)); },
                                      options);
}

void useSource(SourceFactory factory) { ClientManager::get().chooseSource(std::move(factory), std::nullopt); }

void setDefaultSource(SourceFactory factory) {
    ClientManager::get().chooseDefaultSource(std::move(factory), std::nullopt);
}

void failNextCall(const std::string& call, const std::string& message) {
    ClientManager::get().failNextCall(call, message);
}

void failNextCopy() { ClientManager::get().failNextCopy(); }

void slowNextStop(int milliseconds) { ClientManager::get().slowNextStop(milliseconds); }

void loseConnection() { ClientManager::get().loseConnection(); }
void holdStream(bool held) { ClientManager::get().holdStream(held); }
long long deliveredFrames() { return ClientManager::get().deliveredFrames(); }
long long lastDeliveredFrameNumber() { return ClientManager::get().lastDeliveredFrameNumber(); }
FrameSample groundTruth(long long frameNumber) { return ClientManager::get().groundTruth(frameNumber); }
SceneDef currentScene() { return ClientManager::get().currentScene(); }
long long liveFrameCopies() { return ClientManager::get().liveFrameCopies(); }
std::vector<DeliveryRecord> recentDeliveries(std::size_t max) { return ClientManager::get().recentDeliveries(max); }
bool deliveryInProgress(DeliveryRecord* record) { return ClientManager::get().deliveryInProgress(record); }
void resetForTests() { ClientManager::get().resetForTests(); }

namespace {
NetworkHooks networkHooks;  // constant-initialised, so set before or after this file's dynamic initialisation alike
}

void registerNetworkHooks(const NetworkHooks& hooks) { networkHooks = hooks; }

void useNetworkSource(const std::string& hostPort) {
    if (!networkHooks.factory) throw std::logic_error("useNetworkSource: this build has no network receiver");
    ClientManager::get().chooseSource(networkHooks.factory(hostPort), std::nullopt);
}

NetworkStats networkStats() { return networkHooks.stats ? networkHooks.stats() : NetworkStats{}; }

}  // namespace tracker
}  // namespace orvane
