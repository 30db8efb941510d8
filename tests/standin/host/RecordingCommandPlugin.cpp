// A plug-in with a recording command that answers the status bar's queries: -start records, -stop ends, and
// -query -recording/-seconds/-frames answer fixed figures while recording.
#include <maya/MArgList.h>
#include <maya/MFnPlugin.h>
#include <maya/MPxCommand.h>

namespace {

bool recording = false;

class RecordCommand : public MPxCommand {
public:
    static void* creator() { return new RecordCommand(); }
    MStatus doIt(const MArgList& args) override {
        bool query = false;
        for (unsigned i = 0; i < args.length(); ++i) {
            const MString flag = args.asString(i);
            if (flag == "-start") recording = true;
            if (flag == "-stop") recording = false;
            if (flag == "-query") query = true;
            if (query && flag == "-recording") setResult(recording ? 1 : 0);
            if (query && flag == "-seconds") setResult(recording ? 12.5 : 0.0);
            if (query && flag == "-frames") setResult(recording ? 4500 : 0);
        }
        return MS::kSuccess;
    }
};

}  // namespace

MStatus initializePlugin(MObject obj) {
    MFnPlugin plugin(obj, "Test Vendor", "1.0", "Any");
    return plugin.registerCommand("orvaneRecord", RecordCommand::creator);
}

MStatus uninitializePlugin(MObject obj) {
    MFnPlugin plugin(obj, "Test Vendor", "1.0", "Any");
    recording = false;
    return plugin.deregisterCommand("orvaneRecord");
}
