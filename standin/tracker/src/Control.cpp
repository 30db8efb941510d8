#include "orvane/tracker/Control.h"

#include <cstdlib>
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
ClientStatus clientStatus() { return ClientManager::get().clientStatus(); }
void resetForTests() { ClientManager::get().resetForTests(); }

namespace {

NetworkHooks networkHooks;  // constant-initialised, so set before or after this file's dynamic initialisation alike

constexpr const char* kServerVariable = "ORVANE_TRACKER_SERVER";

// Stands for a server the library cannot reach at all: initClient fails with the reason.
class UnavailableSource final : public FrameSource {
public:
    explicit UnavailableSource(std::string reason) : reason_(std::move(reason)) {}
    Kind kind() const override { return Kind::Pushed; }
    std::string open(SDKVER, ConnectionType, SceneDef&) override { return reason_; }
    std::string description() const override { return "no source"; }

private:
    std::string reason_;
};

// ORVANE_TRACKER_SERVER, read once when the library loads. Set, even to an empty or malformed value, it makes the
// network receiver for that address the default source, so a mistyped address is an initClient error naming the
// variable and never a quiet fall-back to the in-process performers. The receiver registers its hooks from a
// static initialiser of its own, which has run by the time initClient creates the source.
struct ServerFromEnvironment {
    ServerFromEnvironment() {
        const char* value = std::getenv(kServerVariable);
        if (!value) return;
        const std::string hostPort = value;
        setDefaultSource([hostPort]() -> std::unique_ptr<FrameSource> {
            if (networkHooks.factory) return networkHooks.factory(hostPort, kServerVariable)();
            return std::unique_ptr<FrameSource>(
                new UnavailableSource(std::string(kServerVariable) + "=\"" + hostPort +
                                      "\" names a tracking server, but this SDK build has no network receiver"));
        });
    }
} serverFromEnvironment;

}  // namespace

void registerNetworkHooks(const NetworkHooks& hooks) { networkHooks = hooks; }

void useNetworkSource(const std::string& hostPort) {
    if (!networkHooks.factory) throw std::logic_error("useNetworkSource: this build has no network receiver");
    ClientManager::get().chooseSource(networkHooks.factory(hostPort, "useNetworkSource"), std::nullopt);
}

NetworkStats networkStats() { return networkHooks.stats ? networkHooks.stats() : NetworkStats{}; }

}  // namespace tracker
}  // namespace orvane
