#include "SceneChangeWatch.h"

#include <maya/MGlobal.h>
#include <maya/MMessage.h>
#include <maya/MSceneMessage.h>
#include <maya/MString.h>

namespace orvane {
namespace panel {

SceneChangeWatch::SceneChangeWatch(std::function<void()> sceneGoing, std::function<void()> sceneArrived)
    : sceneGoing_(std::move(sceneGoing)), sceneArrived_(std::move(sceneArrived)), changing_(0) {
    const struct {
        MSceneMessage::Message message;
        MMessage::MBasicFunction function;
    } callbacks[] = {{MSceneMessage::kBeforeNew, beforeChange},
                     {MSceneMessage::kBeforeOpen, beforeChange},
                     {MSceneMessage::kAfterNew, afterChange},
                     {MSceneMessage::kAfterOpen, afterChange}};
    for (const auto& callback : callbacks) {
        MStatus status;
        const MCallbackId id = MSceneMessage::addCallback(callback.message, callback.function, this, &status);
        if (status)
            callbacks_.append(id);
        else
            MGlobal::displayWarning(MString("The panel cannot follow scene changes: ") + status.errorString());
    }
}

SceneChangeWatch::~SceneChangeWatch() { MMessage::removeCallbacks(callbacks_); }

void SceneChangeWatch::beforeChange(void* clientData) {
    SceneChangeWatch& watch = *static_cast<SceneChangeWatch*>(clientData);
    ++watch.changing_;
    watch.sceneGoing_();
}

void SceneChangeWatch::afterChange(void* clientData) {
    SceneChangeWatch& watch = *static_cast<SceneChangeWatch*>(clientData);
    // An end without a beginning (a watch made during a scene change) still builds.
    if (watch.changing_ > 0) --watch.changing_;
    if (watch.changing_ == 0) watch.sceneArrived_();
}

}  // namespace panel
}  // namespace orvane
