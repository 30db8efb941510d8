#include "OrvaneSubject.h"

#include <algorithm>
#include <atomic>

#include "OrvanePluginSDK.h"

ObserverRegistry::ObserverRegistry() : map_(std::make_shared<const Map>()) {}

std::shared_ptr<const ObserverRegistry::Map> ObserverRegistry::current() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return map_;
}

void ObserverRegistry::add(const OrvaneSubject* subject, OrvaneObserver* observer) {
    std::lock_guard<std::mutex> lock(mutex_);
    std::shared_ptr<Map> next = std::make_shared<Map>(*map_);
    (*next)[subject].push_back(observer);
    map_ = std::move(next);
}

bool ObserverRegistry::removeFirst(const OrvaneSubject* subject, OrvaneObserver* observer) {
    std::lock_guard<std::mutex> lock(mutex_);
    const Map::const_iterator it = map_->find(subject);
    if (it == map_->end()) return false;
    if (std::find(it->second.begin(), it->second.end(), observer) == it->second.end()) return false;
    std::shared_ptr<Map> next = std::make_shared<Map>(*map_);
    Observers& observers = (*next)[subject];
    observers.erase(std::find(observers.begin(), observers.end(), observer));
    if (observers.empty()) next->erase(subject);
    map_ = std::move(next);
    return true;
}

void ObserverRegistry::removeSubject(const OrvaneSubject* subject) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (map_->find(subject) == map_->end()) return;
    std::shared_ptr<Map> next = std::make_shared<Map>(*map_);
    next->erase(subject);
    map_ = std::move(next);
}

std::size_t ObserverRegistry::count(const OrvaneSubject* subject) const {
    const std::shared_ptr<const Map> snapshot = current();
    const Map::const_iterator it = snapshot->find(subject);
    return it == snapshot->end() ? 0 : it->second.size();
}

namespace {

// Created on first use, on the UI thread before any stream starts (the SDK's thread, started later, sees
// them made); deleted by releaseDispatchObjects when the module is unloaded.
std::atomic<ObserverRegistry*> registryInstance(nullptr);
std::atomic<OrvaneSystem*> systemInstance(nullptr);

template <typename T>
T* instanceOf(std::atomic<T*>& slot, T* (*make)()) {
    T* current = slot.load();
    if (current != nullptr) return current;
    T* made = make();
    if (slot.compare_exchange_strong(current, made)) return made;
    delete made;
    return current;
}

ObserverRegistry* makeRegistry() { return new ObserverRegistry; }

}  // namespace

ObserverRegistry& observerRegistry() { return *instanceOf(registryInstance, makeRegistry); }

void releaseDispatchObjects() {
    delete systemInstance.exchange(nullptr);
    delete registryInstance.exchange(nullptr);
}

OrvaneSubject::~OrvaneSubject() { observerRegistry().removeSubject(this); }

void OrvaneSubject::attach(OrvaneObserver* observer) { observerRegistry().add(this, observer); }

void OrvaneSubject::detach(OrvaneObserver* observer) { observerRegistry().removeFirst(this, observer); }

void OrvaneSubject::notifyFrameV2(sFrameOfMocapData* frame) {
    observerRegistry().forEach(this, [frame](OrvaneObserver* observer) { observer->onFrameV2(frame); });
}

void OrvaneSubject::notifyFrameV1(sFrameOfData* frame) {
    observerRegistry().forEach(this, [frame](OrvaneObserver* observer) { observer->onFrameV1(frame); });
}

OrvaneSystem* OrvaneSystem::make() { return new OrvaneSystem; }

OrvaneSystem* OrvaneSystem::instance() { return instanceOf(systemInstance, &OrvaneSystem::make); }

OrvaneSystem::~OrvaneSystem() {}

int OrvaneSystem::getDataDescriptionsV2(sDataDescriptions** descriptions) {
    return COrvaneSDKClientManager::instance()->getDataDescriptionsV2(descriptions);
}

sBodyDefs* OrvaneSystem::getDataDescriptionsV1() {
    return COrvaneSDKClientManager::instance()->getDataDescriptionsV1();
}

void OrvaneSystem::freeDataDescriptionsV1(sBodyDefs* descriptions) {
    COrvaneSDKClientManager::instance()->freeDataDescriptionsV1(descriptions);
}

void OrvaneSystem::freeDataDescriptionsV2(sDataDescriptions* descriptions) {
    COrvaneSDKClientManager::instance()->freeDataDescriptionsV2(descriptions);
}
