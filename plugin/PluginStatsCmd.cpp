#include "PluginStatsCmd.h"

#include <sstream>
#include <string>

#include "FrameStats.h"

const MString PluginStatsCmd::name("OrvanePluginStats");

void* PluginStatsCmd::creator() { return new PluginStatsCmd; }

MStatus PluginStatsCmd::doIt(const MArgList&) {
    const orvane::FrameStats::Report report = orvane::frameStats().report();
    std::istringstream lines(orvane::FrameStats::describe(report));
    for (std::string line; std::getline(lines, line);) displayInfo(MString(line.c_str()));
    clearResult();
    const double figures[] = {static_cast<double>(report.received),
                              static_cast<double>(report.applied),
                              static_cast<double>(report.skipped),
                              report.applyMedianMs,
                              report.applyP99Ms,
                              100.0 * report.uiShare};
    for (double figure : figures) appendToResult(figure);
    return MStatus::kSuccess;
}
