#include "TakeSession.h"

namespace orvane {
namespace panel {

bool TakeSession::start(const take::TakeLayout& layout, const std::string& path, const scene::NodeLists& markerNodes,
                        const scene::NodeLists& jointNodes, std::string& error) {
    if (recorder_.isRecording()) {
        error = "a take is being recorded already";
        return false;
    }
    std::unique_ptr<take::TakeOutput> output = take::createTakeFile(path, error);
    if (!output || !recorder_.start(layout, std::move(output), error)) return false;
    layout_ = layout;
    path_ = path;
    markerNodes_ = markerNodes;
    jointNodes_ = jointNodes;
    summary_ = take::TakeSummary();
    return true;
}

take::TakeSummary TakeSession::stop() {
    if (recorder_.isRecording()) summary_ = recorder_.stop();
    return summary_;
}

long long TakeSession::frames() const { return isRecording() ? recorder_.framesRecorded() : summary_.framesWritten; }
long long TakeSession::dropped() const { return isRecording() ? recorder_.framesDropped() : summary_.framesDropped; }
double TakeSession::seconds() const { return isRecording() ? recorder_.seconds() : summary_.seconds; }

TakeSession& takeSession() {
    static TakeSession session;
    return session;
}

}  // namespace panel
}  // namespace orvane
