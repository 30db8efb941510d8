#include "SyntheticSource.h"

#include <sstream>
#include <stdexcept>

namespace orvane {
namespace tracker {

std::string SyntheticSource::open(SDKVER, ConnectionType, SceneDef& scene) {
    try {
        performers_ = std::make_unique<const SyntheticPerformers>(options_);
    } catch (const std::invalid_argument& e) {
        return std::string("in-process source: ") + e.what();
    }
    scene = performers_->scene();
    return {};
}

std::string SyntheticSource::description() const {
    std::ostringstream text;
    text << "in-process source (" << options_.performers << (options_.performers == 1 ? " performer" : " performers")
         << " at " << options_.rateHz << " Hz)";
    return text.str();
}

void SyntheticSource::sampleAt(long long frameNumber, FrameSample& out) {
    if (performers_) performers_->sampleInto(frameNumber, out);
}

bool SyntheticSource::groundTruth(long long frameNumber, FrameSample& out) const {
    if (!performers_) return false;
    performers_->sampleInto(frameNumber, out);
    return true;
}

}  // namespace tracker
}  // namespace orvane
