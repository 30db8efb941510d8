#pragma once
// The UI thread's budget for frames: applying frames takes at most half of it, whatever one costs (Maya's own
// rule for periodic work: a timer callback that ran longer than half its period has its next run skipped).
// The frame slots time each application on the UI thread (ApplyScope) and hand the cost back through atomics,
// never a lock; whoever hands frames to the UI thread asks first: the refresh thread for version 2, the SDK's
// thread for version 1. Frames are handed on newest first, so a frame held back costs only a little latency.
//
// One budget for the process (one panel streams at a time): applyBudget().

#include <atomic>
#include <cstdint>

namespace orvane {

class ApplyBudget {
public:
    enum { kRecentCosts = 4 };
    // Applications cheaper than this are not paced: at the fastest camera rate (1,000 Hz) they take at most half
    // of the UI thread anyway, and frames the SDK delivers in a burst after a delay are all shown, as before.
    static const std::int64_t kUnpacedCostNs = 500000;

    ApplyBudget();

    // Steady clock, nanoseconds: the time every call here takes and gives.
    static std::int64_t nowNs();

    // Starts afresh at a connection: no cost measured, nothing handed on. UI thread.
    void reset();

    // When the next frame may be handed on: the last hand-on plus the larger of `minIntervalNs` and twice the
    // recent apply cost (see recentCostNs), and not before the UI thread has been free of frames since the last
    // application ended for that cost or for the last application's own, whichever is larger (an application
    // that started late, behind other work, or ran long leaves as much time after it as it took).
    std::int64_t nextHandOnNs(std::int64_t minIntervalNs) const;
    // Whether a frame slot runs on the UI thread now: the UI thread is behind, nothing more is handed on.
    bool applying() const { return applying_.load(std::memory_order_acquire); }
    // Version 2, refresh thread: the UI thread is not behind (no frame slot runs and, once frames cost enough
    // to be paced, no copy handed on is still waiting) and the pace allows a hand-on at `now`. The refresh
    // thread's 3 ms passes are the fastest pace; its bound on copies in flight still holds.
    bool mayHandOn(std::int64_t now, int copiesInFlight) const {
        if (applying() || (copiesInFlight > 0 && recentCostNs() >= kUnpacedCostNs)) return false;
        return now >= nextHandOnNs(0);
    }
    // Records a hand-on at `now`. The thread that hands frames on.
    void handedOn(std::int64_t now) { lastHandOnNs_.store(now, std::memory_order_release); }
    // Version 1, SDK's thread: whether the frame arriving now is handed on (and records it); false when the
    // budget is spent, and the frame is then skipped (counted in frameStats()).
    bool handOnV1(std::int64_t now);

    // The second largest of the last few apply costs, nanoseconds; 0 before the first two.
    std::int64_t recentCostNs() const { return recentCostNs_.load(std::memory_order_acquire); }

    // UI thread, through ApplyScope.
    void applyStarted() { applying_.store(true, std::memory_order_release); }
    void applyFinished(std::int64_t costNs);
    void applyDiscarded() { applying_.store(false, std::memory_order_release); }

private:
    ApplyBudget(const ApplyBudget&);
    ApplyBudget& operator=(const ApplyBudget&);

    std::atomic<std::int64_t> lastHandOnNs_;
    std::atomic<std::int64_t> lastApplyEndNs_;
    std::atomic<std::int64_t> recentCostNs_;
    std::atomic<std::int64_t> lastCostNs_;
    std::atomic<bool> applying_;
    std::int64_t costs_[kRecentCosts];  // UI thread only
    int nextCost_;
};

ApplyBudget& applyBudget();

// Times one frame slot on the UI thread, from construction to destruction, into applyBudget() and
// frameStats(). A frame released unapplied (its connection ended) is marked with discard(): it is neither
// counted as applied nor taken as the cost of one.
class ApplyScope {
public:
    ApplyScope();
    ~ApplyScope();
    void discard() { discarded_ = true; }

private:
    ApplyScope(const ApplyScope&);
    ApplyScope& operator=(const ApplyScope&);

    std::int64_t startNs_;
    bool discarded_;
};

// Resets applyBudget() and frameStats() at a connection. UI thread.
void startFrameStatistics();

}  // namespace orvane
