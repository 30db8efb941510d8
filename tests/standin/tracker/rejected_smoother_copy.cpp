// Uses of the SDK's smoother that its header rejects; REJECTED_CASE picks one (0 = none, must compile).
// The SDK promises only construction, Cache and Smooth: a smoother is never copied or moved.
#include <memory>
#include <vector>

#include "OrvanePluginSDK.h"

void rejectedSmootherUsage(SmoothFramePointArray& smoother) {
    std::vector<std::unique_ptr<SmoothFramePointArray>> held;
    held.push_back(std::unique_ptr<SmoothFramePointArray>(new SmoothFramePointArray(7)));
    float x = 1, y = 2, z = 3;
    held.back()->Cache(x, y, z);
    held.back()->Smooth(x, y, z);
    (void)smoother;
#if REJECTED_CASE == 1
    SmoothFramePointArray copy(smoother);
#elif REJECTED_CASE == 2
    SmoothFramePointArray other(7);
    other = smoother;
#elif REJECTED_CASE == 3
    std::vector<SmoothFramePointArray> inPlace;
    inPlace.push_back(SmoothFramePointArray(7));  // a growing vector copies or moves its elements
#endif
}
