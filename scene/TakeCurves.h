#pragma once
// A baked take put into the scene as animation curves, as one undoable step: for each node the take drove,
// one curve per channel the panel drives (locators: translate X/Y/Z; joints: translate and rotate X/Y/Z;
// bones hidden during the take: visibility, stepped). A channel keyed already keeps its keys outside the
// take's time range; those inside are replaced. Afterwards the playback range covers the take, inside the
// animation range. UI thread only.

#include <memory>
#include <string>
#include <vector>

#include <maya/MAnimCurveChange.h>
#include <maya/MDGModifier.h>
#include <maya/MTime.h>

#include "SceneBuilder.h"
#include "TakeBake.h"
#include "TakeFile.h"

namespace orvane {
namespace scene {

// The nodes of a take, by its layout's ordinals: markerNodes[group][marker], jointNodes[chain][bone].
struct TakeNodes {
    NodeLists markerNodes, jointNodes;
};

// Each node of the layout: the handle given for it when it is still valid (the panel's lists of the take's
// own connection; either list may be null or shorter), else the node found under the name a scene build gives
// the description, of the kind the build makes. Null handles for nodes found neither way.
TakeNodes resolveTakeNodes(const take::TakeLayout& layout, const NodeLists* markerNodes, const NodeLists* jointNodes);

class TakeCurves {
public:
    TakeCurves();
    ~TakeCurves();
    TakeCurves(const TakeCurves&) = delete;
    TakeCurves& operator=(const TakeCurves&) = delete;

    // Keys every track into the curves of its node (made when the channel has none). A track whose node is
    // gone is skipped, and its node's name (from the layout) added to `skipped`. Once only.
    void bake(const BakeResult& keys, const take::TakeLayout& layout, const TakeNodes& nodes,
              std::vector<std::string>& skipped);

    // What bake did, taken back (key changes, then the curves made, then the time slider) and done again.
    void undoIt();
    void redoIt();

    int curvesCreated() const { return created_; }
    int curvesKeyed() const { return keyed_; }

private:
    struct Range {
        MTime minTime, maxTime, startTime, endTime;
    };
    static Range currentRange();
    static void setRange(const Range& range);

    MDGModifier modifier_;
    std::unique_ptr<MAnimCurveChange> change_;
    Range before_, after_;
    int created_ = 0, keyed_ = 0;
};

}  // namespace scene
}  // namespace orvane
