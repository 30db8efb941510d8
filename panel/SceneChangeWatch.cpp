#include "SceneChangeWatch.h"

#include <maya/MDagModifier.h>
#include <maya/MGlobal.h>
#include <maya/MMessage.h>
#include <maya/MSceneMessage.h>
#include <maya/MString.h>

namespace orvane {
namespace panel {
namespace {

// The table as it stands: a rebuild lists no group a second time.
class ListedTable : public scene::MarkerGroupTable {
public:
    void appendMarkerGroup(const RecordName&, const std::vector<RecordName>&) override {}
    int rowCount() const override { return 0; }
    int headingRow(const RecordName&) const override { return -1; }
    bool refreshEnabled() const override { return false; }
    void setMarkerCoordinates(int, double, double, double) override {}
};

}  // namespace

SceneChangeWatch::SceneChangeWatch(QMutex& sceneMutex, scene::NodeLists& jointNodeLists,
                                   scene::NodeLists& markerNodeLists, std::function<void()> clearNodeLists,
                                   std::function<HeldDescriptions()> descriptions)
    : sceneMutex_(sceneMutex),
      jointNodeLists_(jointNodeLists),
      markerNodeLists_(markerNodeLists),
      clearNodeLists_(std::move(clearNodeLists)),
      descriptions_(std::move(descriptions)),
      changing_(0) {
    const struct {
        MSceneMessage::Message message;
        MMessage::MBasicFunction function;
    } callbacks[] = {{MSceneMessage::kBeforeNew, sceneGoing},
                     {MSceneMessage::kBeforeOpen, sceneGoing},
                     {MSceneMessage::kAfterNew, sceneArrived},
                     {MSceneMessage::kAfterOpen, sceneArrived}};
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

void SceneChangeWatch::sceneGoing(void* clientData) {
    SceneChangeWatch& watch = *static_cast<SceneChangeWatch*>(clientData);
    ++watch.changing_;
    // Every node the lists hold is about to be destroyed: from here no handle of them is used.
    const QMutexLocker lock(&watch.sceneMutex_);
    watch.clearNodeLists_();
}

void SceneChangeWatch::sceneArrived(void* clientData) {
    SceneChangeWatch& watch = *static_cast<SceneChangeWatch*>(clientData);
    // An end without a beginning (a watch made during a scene change) still builds.
    if (watch.changing_ > 0) --watch.changing_;
    if (watch.changing_ == 0) watch.rebuild();
}

void SceneChangeWatch::rebuild() {
    const QMutexLocker lock(&sceneMutex_);
    clearNodeLists_();
    const HeldDescriptions held = descriptions_();
    if (held.bodyDefs == nullptr && held.dataDescriptions == nullptr) return;  // not connected
    // A modifier of its own: the nodes of the last build are gone, and nothing of them may be touched.
    MDagModifier modifier;
    ListedTable table;
    scene::SceneBuilder builder(modifier, jointNodeLists_, markerNodeLists_, table);
    if (held.dataDescriptions != nullptr)
        builder.buildV2(held.dataDescriptions);
    else
        builder.buildV1(held.bodyDefs);
}

}  // namespace panel
}  // namespace orvane
