#pragma once
// Subject-observer dispatch of streamed frames. A subject's observers live in one process-wide registry,
// keyed by the subject's address, in the order they were attached; the same observer may be attached
// more than once and is then notified once per attachment.
//
// Threads: attach/detach run on the UI thread, notifications on the SDK's thread, and they may overlap.
// A notification works on a snapshot of the observers taken under a short lock and calls them with no
// lock held, so an observer may block (waiting for the UI thread) while the UI thread detaches it. A
// frame whose notification began before a detach may still reach the detached observer.

#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "OrvaneObserver.h"

struct sDataDescriptions;
struct sBodyDefs;
class OrvaneSubject;

class ObserverRegistry {
public:
    typedef std::vector<OrvaneObserver*> Observers;

    ObserverRegistry();

    // Adds a pair after every pair the subject already has.
    void add(const OrvaneSubject* subject, OrvaneObserver* observer);
    // Removes the subject's first pair with this observer; returns whether there was one.
    bool removeFirst(const OrvaneSubject* subject, OrvaneObserver* observer);
    // Removes every pair of the subject.
    void removeSubject(const OrvaneSubject* subject);

    // Calls f(observer) for each of the subject's observers, in order, without any lock held and
    // without allocating.
    template <typename F>
    void forEach(const OrvaneSubject* subject, F f) const {
        const std::shared_ptr<const Map> snapshot = current();
        const Map::const_iterator it = snapshot->find(subject);
        if (it == snapshot->end()) return;
        for (OrvaneObserver* observer : it->second) f(observer);
    }

    std::size_t count(const OrvaneSubject* subject) const;

private:
    typedef std::unordered_map<const OrvaneSubject*, Observers> Map;

    std::shared_ptr<const Map> current() const;

    mutable std::mutex mutex_;
    std::shared_ptr<const Map> map_;  // replaced, never modified, once published
};

// The process-wide registry; created on first use and kept until releaseDispatchObjects.
ObserverRegistry& observerRegistry();
// Deletes OrvaneSystem and the registry, for a module being unloaded: call it only when nothing can use them
// any more (no panel, no handler of ours left with the SDK). A later use creates them anew.
void releaseDispatchObjects();

class OrvaneSubject {
public:
    OrvaneSubject() {}
    virtual ~OrvaneSubject();  // drops the subject's pairs, so a later subject at this address starts empty
    virtual void attach(OrvaneObserver* observer);
    virtual void detach(OrvaneObserver* observer);
    virtual void notifyFrameV2(sFrameOfMocapData* frame);
    virtual void notifyFrameV1(sFrameOfData* frame);

private:
    OrvaneSubject(const OrvaneSubject&);
    OrvaneSubject& operator=(const OrvaneSubject&);
};

// The one subject the SDK callbacks notify, destroyed only by releaseDispatchObjects. Also forwards the SDK's
// description calls.
class OrvaneSystem : public OrvaneSubject {
public:
    static OrvaneSystem* instance();
    ~OrvaneSystem() override;

    int getDataDescriptionsV2(sDataDescriptions** descriptions);
    sBodyDefs* getDataDescriptionsV1();
    void freeDataDescriptionsV1(sBodyDefs* descriptions);
    void freeDataDescriptionsV2(sDataDescriptions* descriptions);

private:
    OrvaneSystem() {}
    static OrvaneSystem* make();
};
