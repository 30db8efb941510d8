#pragma once
// What the panel saw of the stream since connecting, for a technician in the host (the module's stats
// command), where nothing else can measure: frames received, applied and skipped, the median and 99th
// percentile of one application's cost on the UI thread, and the UI thread's share spent applying.
//
// Threads: received and skipped frames are counted on any thread; applications are counted, and the report
// is read, on the UI thread. One instance for the process: frameStats().

#include <atomic>
#include <cstdint>
#include <string>

namespace orvane {

class FrameStats {
public:
    // Apply costs are kept in buckets 2 % apart from 1 us up (to about ten minutes): the percentiles are
    // exact to within that.
    enum { kCostBuckets = 1024 };

    FrameStats();

    // Starts counting afresh (at a connection). UI thread.
    void restart();
    void countReceived() { received_.fetch_add(1, std::memory_order_relaxed); }
    void countSkipped(long long frames) { skipped_.fetch_add(frames, std::memory_order_relaxed); }
    // One frame applied, at this cost. UI thread.
    void countApplied(std::int64_t costNs);

    struct Report {
        bool started = false;  // a connection was made since the module was loaded
        double seconds = 0;    // since connecting
        long long received = 0, applied = 0, skipped = 0;
        double applyMedianMs = 0, applyP99Ms = 0;
        double uiShare = 0;  // 0..1
    };
    // Version 2 frames the transport released unapplied (a newer one was handed on, or the connection's scene
    // was built after them) count as skipped, besides those counted here.
    // UI thread.
    Report report() const;
    // The report as lines for the host's script editor.
    static std::string describe(const Report& report);

private:
    FrameStats(const FrameStats&);
    FrameStats& operator=(const FrameStats&);

    double percentileMs(double percent) const;

    std::atomic<long long> received_;
    std::atomic<long long> skipped_;
    // UI thread only:
    bool started_;
    std::int64_t startNs_;
    long long transportSkippedMark_;
    long long applied_;
    std::int64_t applyNs_;
    long long costBuckets_[kCostBuckets];
};

FrameStats& frameStats();

}  // namespace orvane
