#pragma once
// One CSV for every figure of every benchmark program: each row a figure's value with the reference it was
// measured against in the same run, and their ratio (these machines are shared; absolute times vary).
// Rows go to the file named by ORVANE_BENCH_CSV (appended; scripts/bench.sh sets it) and to standard output.
//
//   figure,case,metric,value,unit,reference,reference_value,ratio

#include <cstdio>
#include <cstdlib>
#include <string>

namespace benchcsv {

inline const char* header() { return "figure,case,metric,value,unit,reference,reference_value,ratio"; }

// reference may be empty (no reference: ratio left empty).
inline void row(const std::string& figure, const std::string& caseName, const std::string& metric, double value,
                const std::string& unit, const std::string& reference = std::string(), double referenceValue = 0) {
    char line[1024];
    char ratio[64] = "";
    if (!reference.empty() && referenceValue != 0) std::snprintf(ratio, sizeof ratio, "%.4g", value / referenceValue);
    char referenceText[64] = "";
    if (!reference.empty()) std::snprintf(referenceText, sizeof referenceText, "%.6g", referenceValue);
    std::snprintf(line, sizeof line, "%s,%s,%s,%.6g,%s,%s,%s,%s\n", figure.c_str(), caseName.c_str(), metric.c_str(),
                  value, unit.c_str(), reference.c_str(), referenceText, ratio);
    std::fputs(line, stdout);
    std::fflush(stdout);
    if (const char* path = std::getenv("ORVANE_BENCH_CSV")) {
        if (*path == '\0') return;
        if (std::FILE* file = std::fopen(path, "a")) {
            std::fputs(line, file);
            std::fclose(file);
        }
    }
}

}  // namespace benchcsv
