#pragma once
// Keeps the panel's node lists on the scene across New Scene and Open Scene, which destroy every node the
// lists hold. Before the scene goes the lists are emptied, so frames arriving meanwhile drive nothing; once
// the new scene is in, the panel builds them again from the descriptions its connection holds, finding nodes
// by name as a connection does (an opened scene that holds the performers is driven as it stands).
//
// UI thread only. The host callbacks are removed when the watch is destroyed, which must happen before the
// module's code goes.

#include <functional>

#include <maya/MCallbackIdArray.h>

namespace orvane {
namespace panel {

class SceneChangeWatch {
public:
    // sceneGoing must stop every use of the scene's nodes; sceneArrived builds what the new scene needs.
    SceneChangeWatch(std::function<void()> sceneGoing, std::function<void()> sceneArrived);
    ~SceneChangeWatch();

private:
    SceneChangeWatch(const SceneChangeWatch&);
    SceneChangeWatch& operator=(const SceneChangeWatch&);

    static void beforeChange(void* clientData);
    static void afterChange(void* clientData);

    std::function<void()> sceneGoing_;
    std::function<void()> sceneArrived_;
    MCallbackIdArray callbacks_;
    // Scene changes begun and not ended: an Open Scene may carry a New Scene inside it, and the nodes are
    // built once, when the outermost one ends.
    int changing_;
};

}  // namespace panel
}  // namespace orvane
