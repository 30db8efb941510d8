#pragma once
// Paced source streaming SyntheticPerformers: frame n is the generator's sample n.

#include <memory>

#include "orvane/tracker/FrameSource.h"
#include "orvane/tracker/SyntheticPerformers.h"

namespace orvane {
namespace tracker {

class SyntheticSource final : public FrameSource {
public:
    explicit SyntheticSource(const SyntheticOptions& options) : options_(options) {}

    Kind kind() const override { return Kind::Paced; }
    std::string open(SDKVER version, ConnectionType type, SceneDef& scene) override;
    std::string description() const override;
    double rateHz() const override { return options_.rateHz; }
    void sampleAt(long long frameNumber, FrameSample& out) override;
    bool groundTruth(long long frameNumber, FrameSample& out) const override;

private:
    SyntheticOptions options_;
    std::unique_ptr<const SyntheticPerformers> performers_;  // set by open, immutable afterwards
};

}  // namespace tracker
}  // namespace orvane
