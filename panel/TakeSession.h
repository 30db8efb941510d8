#pragma once
// The take being recorded, and what is known of the last one: the recorder the panel hands every frame to on
// the SDK's thread, the take's file, name and layout, and the panel's node handles when it started. One per
// module, so that the last take's figures still answer once the panel that recorded it is gone.
//
// Threads: recordFrameV2/V1 on the SDK's thread (they do nothing while no take runs); everything else on the
// UI thread.

#include <string>

#include "SceneBuilder.h"
#include "TakeFile.h"
#include "TakeRecorder.h"

namespace orvane {
namespace panel {

class TakeSession {
public:
    // Opens `path` and starts taking frames. False, with `error`, when recording already or the file cannot be
    // made. The node lists are the panel's when the take starts, by the layout's ordinals.
    bool start(const take::TakeLayout& layout, const std::string& path, const scene::NodeLists& markerNodes,
               const scene::NodeLists& jointNodes, std::string& error);
    // Ends the take: every frame taken is written and the file closed. A second stop returns the same.
    take::TakeSummary stop();

    void recordFrameV2(const sFrameOfMocapData& frame) { recorder_.recordFrameV2(frame); }
    void recordFrameV1(const sFrameOfData& frame) { recorder_.recordFrameV1(frame); }

    bool isRecording() const { return recorder_.isRecording(); }
    // The running take's figures, or the last take's once it ended.
    long long frames() const;
    long long dropped() const;
    double seconds() const;
    const std::string& path() const { return path_; }
    const take::TakeLayout& layout() const { return layout_; }
    const scene::NodeLists& markerNodes() const { return markerNodes_; }
    const scene::NodeLists& jointNodes() const { return jointNodes_; }

private:
    take::TakeRecorder recorder_;
    take::TakeLayout layout_;
    std::string path_;
    scene::NodeLists markerNodes_, jointNodes_;
    take::TakeSummary summary_;
};

// The module's one session.
TakeSession& takeSession();

}  // namespace panel
}  // namespace orvane
