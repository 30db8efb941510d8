#pragma once
// Procedurally walking performers: a 22-bone skeleton and 41 markers each, deterministic for a seed.
// Frame n is the pose at time n / rateHz. Millimetres, Y up, degrees; poses follow the row-vector
// convention (world = local * parentWorld, local rotation from Euler X then Y then Z).

#include "orvane/tracker/Export.h"
#include "orvane/tracker/Model.h"

namespace orvane {
namespace tracker {

struct SyntheticOptions {
    int performers = 1;
    double rateHz = 120;
    unsigned seed = 1;
    bool rawNames = false;     // names as capture software writes them: "Performer 1:Hips", "1st-marker"
    double markerDropout = 0;  // share of markers unseen in each frame, 0..1
    double boneDropout = 0;    // chance of a non-root bone being untracked for a 30-frame window, 0..1
};

class ORVANE_TRACKER_API SyntheticPerformers {
public:
    // Throws std::invalid_argument for a rate <= 0, a negative performer count or a dropout outside 0..1.
    explicit SyntheticPerformers(const SyntheticOptions& options);

    const SyntheticOptions& options() const { return options_; }
    SceneDef scene() const { return scene_; }

    // Pure: the same frame number always gives the same sample. sampleInto reuses out's vectors.
    FrameSample sample(long long frameNumber) const;
    void sampleInto(long long frameNumber, FrameSample& out) const;

private:
    void samplePerformer(int performer, long long frameNumber, double t, SubjectSample& out) const;

    SyntheticOptions options_;
    SceneDef scene_;
};

}  // namespace tracker
}  // namespace orvane
