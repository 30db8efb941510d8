#pragma once
// A Google Benchmark reporter that prints the usual table and writes one CSV row per benchmark (BenchCsv.h).
// A benchmark names its figure and case as "FIGURE/case..." (the first path element is the figure). Its
// value is the counter "value_us" when it sets one (manual timings), else the CPU time per iteration, in
// microseconds. Every counter named "ref:NAME" adds a row against the reference NAME (in microseconds);
// the other counters are written as rows of their own, without a reference.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "BenchCsv.h"

namespace benchcsv {

class FigureReporter : public benchmark::ConsoleReporter {
public:
    FigureReporter() : benchmark::ConsoleReporter(isatty(1) ? OO_ColorTabular : OO_Tabular) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        benchmark::ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.error_occurred || run.run_type != Run::RT_Iteration) continue;
            const std::string name = run.benchmark_name();
            const std::size_t slash = name.find('/');
            const std::string figure = name.substr(0, slash);
            std::string caseName = slash == std::string::npos ? std::string("-") : name.substr(slash + 1);
            const std::string manual = "/manual_time";
            if (caseName.size() > manual.size() &&
                caseName.compare(caseName.size() - manual.size(), manual.size(), manual) == 0)
                caseName.resize(caseName.size() - manual.size());
            for (char& c : caseName)
                if (c == ',') c = ';';
            const double toUs = 1e6 / benchmark::GetTimeUnitMultiplier(run.time_unit);
            double value = run.GetAdjustedCPUTime() * toUs;
            const auto own = run.counters.find("value_us");
            if (own != run.counters.end()) value = own->second.value;
            bool referenced = false;
            for (const auto& counter : run.counters) {
                if (counter.first.compare(0, 4, "ref:") != 0) continue;
                row(figure, caseName, "time", value, "us", counter.first.substr(4), counter.second.value);
                referenced = true;
            }
            if (!referenced) row(figure, caseName, "time", value, "us");
            for (const auto& counter : run.counters)
                if (counter.first.compare(0, 4, "ref:") != 0 && counter.first != "value_us")
                    row(figure, caseName, counter.first, counter.second.value, "");
        }
    }
};

// Runs the registered benchmarks with the reporter; for main().
inline int runAll(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    FigureReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}

}  // namespace benchcsv
