#pragma once
// The command "OrvanePluginStats": what the panel saw since connecting, printed to the script editor for a
// technician checking in the host itself whether frames keep to half the UI thread: frames received, applied
// and skipped, the median and 99th percentile of one application's cost, and the UI thread's share spent
// applying. Its result is those six numbers, in that order (costs in milliseconds, the share in percent).
// UI thread only.

#include <maya/MArgList.h>
#include <maya/MPxCommand.h>
#include <maya/MStatus.h>
#include <maya/MString.h>

class PluginStatsCmd : public MPxCommand {
public:
    MStatus doIt(const MArgList& args) override;

    static void* creator();
    static const MString name;  // "OrvanePluginStats"
};
