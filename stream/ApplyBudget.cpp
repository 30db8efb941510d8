#include "ApplyBudget.h"

#include <algorithm>
#include <chrono>

#include "FrameStats.h"

namespace orvane {

const std::int64_t ApplyBudget::kUnpacedCostNs;

ApplyBudget::ApplyBudget()
    : lastHandOnNs_(0), lastApplyEndNs_(0), recentCostNs_(0), lastCostNs_(0), applying_(false), nextCost_(0) {
    std::fill(costs_, costs_ + kRecentCosts, std::int64_t(0));
}

std::int64_t ApplyBudget::nowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void ApplyBudget::reset() {
    std::fill(costs_, costs_ + kRecentCosts, std::int64_t(0));
    nextCost_ = 0;
    recentCostNs_.store(0, std::memory_order_release);
    lastCostNs_.store(0, std::memory_order_release);
    lastHandOnNs_.store(0, std::memory_order_release);
    lastApplyEndNs_.store(0, std::memory_order_release);
}

std::int64_t ApplyBudget::nextHandOnNs(std::int64_t minIntervalNs) const {
    const std::int64_t cost = recentCostNs();
    if (cost < kUnpacedCostNs) return lastHandOnNs_.load(std::memory_order_acquire) + minIntervalNs;
    return std::max(
        lastHandOnNs_.load(std::memory_order_acquire) + std::max(minIntervalNs, 2 * cost),
        lastApplyEndNs_.load(std::memory_order_acquire) + std::max(cost, lastCostNs_.load(std::memory_order_acquire)));
}

bool ApplyBudget::handOnV1(std::int64_t now) {
    if (now < nextHandOnNs(0)) {
        frameStats().countSkipped(1);
        return false;
    }
    handedOn(now);
    return true;
}

void ApplyBudget::applyFinished(std::int64_t costNs) {
    lastCostNs_.store(costNs, std::memory_order_release);
    lastApplyEndNs_.store(nowNs(), std::memory_order_release);
    costs_[nextCost_] = costNs;
    nextCost_ = (nextCost_ + 1) % kRecentCosts;
    // The second largest of the last few: one application slowed down once (the first of a connection, a page
    // fault, the scheduler) holds back only the hand-on after it, a lasting rise paces the stream at once.
    std::int64_t sorted[kRecentCosts];
    std::copy(costs_, costs_ + kRecentCosts, sorted);
    std::nth_element(sorted, sorted + kRecentCosts - 2, sorted + kRecentCosts);
    recentCostNs_.store(sorted[kRecentCosts - 2], std::memory_order_release);
    applying_.store(false, std::memory_order_release);
}

ApplyBudget& applyBudget() {
    static ApplyBudget budget;
    return budget;
}

ApplyScope::ApplyScope() : startNs_(ApplyBudget::nowNs()), discarded_(false) { applyBudget().applyStarted(); }

ApplyScope::~ApplyScope() {
    const std::int64_t cost = ApplyBudget::nowNs() - startNs_;
    if (discarded_) {
        applyBudget().applyDiscarded();
        return;
    }
    applyBudget().applyFinished(cost);
    frameStats().countApplied(cost);
}

void startFrameStatistics() {
    applyBudget().reset();
    frameStats().restart();
}

}  // namespace orvane
