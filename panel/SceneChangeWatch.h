#pragma once
// Keeps the panel's node lists on the scene across New Scene and Open Scene, which destroy every node the
// lists hold. Before the scene goes the lists are emptied, so frames arriving meanwhile drive nothing; once
// the new scene is in they are built again from the descriptions the connection holds, finding nodes by name
// as a connection does (an opened scene that holds the performers is driven as it stands). The marker table
// already lists those descriptions and is left as it is.
//
// UI thread only. The host callbacks are removed when the watch is destroyed, which must happen before the
// module's code goes.

#include <QtCore/QMutex>

#include <functional>

#include <maya/MCallbackIdArray.h>

#include "OrvaneRecords.h"
#include "SceneBuilder.h"

namespace orvane {
namespace panel {

// The descriptions of the current connection, owned by the panel; both null when it is not connected.
struct HeldDescriptions {
    const sBodyDefs* bodyDefs;
    const sDataDescriptions* dataDescriptions;
};

class SceneChangeWatch {
public:
    // clearNodeLists empties both lists and ends the frames queued for them; descriptions tells what to build.
    // Both are called with the scene lock held.
    SceneChangeWatch(QMutex& sceneMutex, scene::NodeLists& jointNodeLists, scene::NodeLists& markerNodeLists,
                     std::function<void()> clearNodeLists, std::function<HeldDescriptions()> descriptions);
    ~SceneChangeWatch();

private:
    SceneChangeWatch(const SceneChangeWatch&);
    SceneChangeWatch& operator=(const SceneChangeWatch&);

    static void sceneGoing(void* clientData);
    static void sceneArrived(void* clientData);
    void rebuild();

    QMutex& sceneMutex_;
    scene::NodeLists& jointNodeLists_;
    scene::NodeLists& markerNodeLists_;
    std::function<void()> clearNodeLists_;
    std::function<HeldDescriptions()> descriptions_;
    MCallbackIdArray callbacks_;
    // Scene changes begun and not ended: an Open Scene may carry a New Scene inside it, and the nodes are
    // built once, when the outermost one ends.
    int changing_;
};

}  // namespace panel
}  // namespace orvane
