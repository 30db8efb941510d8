#include "orvane/tracker/Control.h"

#include "ClientManager.h"
#include "SyntheticSource.h"

namespace orvane {
namespace tracker {

void useSyntheticSource(const SyntheticOptions& options) {
    ClientManager::get().chooseSource(
        [options] { return std::unique_ptr<FrameSource>(new SyntheticSource(options)); }, options);
}

void useSource(SourceFactory factory) { ClientManager::get().chooseSource(std::move(factory), std::nullopt); }

void setDefaultSource(SourceFactory factory) {
    ClientManager::get().chooseDefaultSource(std::move(factory), std::nullopt);
}

void failNextCall(const std::string& call, const std::string& message) {
    ClientManager::get().failNextCall(call, message);
}

void loseConnection() { ClientManager::get().loseConnection(); }
void holdStream(bool held) { ClientManager::get().holdStream(held); }
long long deliveredFrames() { return ClientManager::get().deliveredFrames(); }
long long lastDeliveredFrameNumber() { return ClientManager::get().lastDeliveredFrameNumber(); }
FrameSample groundTruth(long long frameNumber) { return ClientManager::get().groundTruth(frameNumber); }
SceneDef currentScene() { return ClientManager::get().currentScene(); }
long long liveFrameCopies() { return ClientManager::get().liveFrameCopies(); }
void resetForTests() { ClientManager::get().resetForTests(); }

}  // namespace tracker
}  // namespace orvane
