// A plug-in that takes the panel command's name first, so the real one's registration is refused.
#include <maya/MFnPlugin.h>
#include <maya/MPxCommand.h>

namespace {
class Squatter : public MPxCommand {
public:
    MStatus doIt(const MArgList&) override { return MStatus::kSuccess; }
    static void* creator() { return new Squatter; }
};
}  // namespace

PLUGIN_EXPORT MStatus initializePlugin(MObject obj) {
    MFnPlugin plugin(obj, "Tests", "1.0", "Any");
    return plugin.registerCommand("OrvanePluginWindow", Squatter::creator);
}

PLUGIN_EXPORT MStatus uninitializePlugin(MObject obj) {
    MFnPlugin plugin(obj, "Tests", "1.0", "Any");
    return plugin.deregisterCommand("OrvanePluginWindow");
}
