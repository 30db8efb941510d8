#include <algorithm>
#include <cstring>

#include "OrvanePluginSDK.h"

// The window holds the last N cached points (N clamped to 1..64); Smooth writes their mean and leaves the
// point alone while nothing is cached.

SmoothFramePointArray::SmoothFramePointArray(int windowSize)
    : window_(std::min(std::max(windowSize, 1), static_cast<int>(kMaxWindow))), count_(0), next_(0) {
    std::memset(points_, 0, sizeof(points_));
}

SmoothFramePointArray::~SmoothFramePointArray() {}

void SmoothFramePointArray::Cache(double x, double y, double z) {
    points_[next_][0] = x;
    points_[next_][1] = y;
    points_[next_][2] = z;
    next_ = (next_ + 1) % window_;
    count_ = std::min(count_ + 1, window_);
}

void SmoothFramePointArray::Smooth(float& x, float& y, float& z) {
    if (count_ == 0) return;
    double sum[3] = {0, 0, 0};
    for (int i = 0; i < count_; ++i)
        for (int c = 0; c < 3; ++c) sum[c] += points_[i][c];
    x = static_cast<float>(sum[0] / count_);
    y = static_cast<float>(sum[1] / count_);
    z = static_cast<float>(sum[2] / count_);
}
