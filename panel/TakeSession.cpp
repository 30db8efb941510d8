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
    ended_ = false;
    summary_ = take::TakeSummary();
    return true;
}

take::TakeSummary TakeSession::stop() {
    if (recorder_.isRecording()) {
        summary_ = recorder_.stop();
        ended_ = true;
    }
    return summary_;
}

long long TakeSession::frames() const { return ended_ ? summary_.framesWritten : recorder_.framesRecorded(); }
long long TakeSession::dropped() const { return ended_ ? summary_.framesDropped : recorder_.framesDropped(); }
double TakeSession::seconds() const { return ended_ ? summary_.seconds : recorder_.seconds(); }

TakeSession& takeSession() {
    static TakeSession session;
    return session;
}

}  // namespace panel
}  // namespace orvane
