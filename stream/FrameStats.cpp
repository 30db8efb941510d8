#include "FrameStats.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "ApplyBudget.h"
#include "FrameQueue.h"

namespace orvane {
namespace {

const double kBucketRatio = 1.02;

int bucketOf(std::int64_t costNs) {
    const double us = static_cast<double>(costNs) / 1000.0;
    if (!(us > 1.0)) return 0;
    const long index = std::lround(std::log(us) / std::log(kBucketRatio));
    return static_cast<int>(std::min<long>(index, FrameStats::kCostBuckets - 1));
}

}  // namespace

FrameStats::FrameStats()
    : received_(0), skipped_(0), started_(false), startNs_(0), transportSkippedMark_(0), applied_(0), applyNs_(0) {
    std::fill(costBuckets_, costBuckets_ + kCostBuckets, 0LL);
}

void FrameStats::restart() {
    received_.store(0);
    skipped_.store(0);
    started_ = true;
    startNs_ = ApplyBudget::nowNs();
    const FrameTransportCounters transport = frameTransportCounters();
    transportSkippedMark_ = transport.skipped + transport.discarded;
    applied_ = 0;
    applyNs_ = 0;
    std::fill(costBuckets_, costBuckets_ + kCostBuckets, 0LL);
}

void FrameStats::countApplied(std::int64_t costNs) {
    ++applied_;
    applyNs_ += costNs;
    ++costBuckets_[bucketOf(costNs)];
}

double FrameStats::percentileMs(double percent) const {
    if (applied_ == 0) return 0.0;
    // The rank of the percentile among the applications, as FrameProbe ranks latencies.
    const long long rank = std::llround(percent / 100.0 * static_cast<double>(applied_ - 1));
    long long seen = 0;
    for (int i = 0; i < kCostBuckets; ++i) {
        seen += costBuckets_[i];
        if (seen > rank) return std::pow(kBucketRatio, i) / 1000.0;
    }
    return std::pow(kBucketRatio, kCostBuckets - 1) / 1000.0;
}

FrameStats::Report FrameStats::report() const {
    Report r;
    r.started = started_;
    if (!started_) return r;
    const std::int64_t elapsed = std::max<std::int64_t>(1, ApplyBudget::nowNs() - startNs_);
    r.seconds = static_cast<double>(elapsed) / 1e9;
    r.received = received_.load();
    r.applied = applied_;
    const FrameTransportCounters transport = frameTransportCounters();
    r.skipped = skipped_.load() + (transport.skipped + transport.discarded - transportSkippedMark_);
    r.applyMedianMs = percentileMs(50);
    r.applyP99Ms = percentileMs(99);
    r.uiShare = static_cast<double>(applyNs_) / static_cast<double>(elapsed);
    return r;
}

std::string FrameStats::describe(const Report& r) {
    if (!r.started) return "No connection since the plug-in was loaded.";
    char text[512];
    std::snprintf(text, sizeof text,
                  "Since connecting (%.1f s): frames received %lld, applied %lld, skipped %lld\n"
                  "Apply cost on the UI thread: median %.2f ms, p99 %.2f ms\n"
                  "UI thread share spent applying frames: %.1f %%",
                  r.seconds, r.received, r.applied, r.skipped, r.applyMedianMs, r.applyP99Ms, 100.0 * r.uiShare);
    return text;
}

FrameStats& frameStats() {
    static FrameStats stats;
    return stats;
}

}  // namespace orvane
