// The module's entry points. This is the one translation unit that includes MFnPlugin.h, which defines
// the exported MApiVersion and, on Windows, the module's load entry (DllMain, recording MhInstPlugin).
#include <QtWidgets/QWidget>

#include <maya/MFnPlugin.h>
#include <maya/MGlobal.h>
#include <maya/MObject.h>
#include <maya/MStatus.h>
#include <maya/MString.h>

#include "FrameQueue.h"
#include "MarkerTransformNode.h"
#include "ModuleObjects.h"
#include "OrvaneSubject.h"
#include "PanelEventLoops.h"
#include "PluginStatsCmd.h"
#include "RecordCmd.h"
#include "TakeSession.h"
#include "WorkspaceControlCmd.h"

using namespace orvane::plugin;

namespace {
const char* const kVendor = "Velmora";
const char* const kVersion = "2018";
const char* const kRequiredApi = "Any";

// The "Orvane Mocap" menu under the host's main window. A host that cannot make it still gets the module:
// every failing step is a warning.
const char* const kMenuCommands[] = {
    "menu -parent MayaWindow -label \"Orvane Mocap\" -tearOff true orvaneMocapMenu;",
    "menuItem -parent orvaneMocapMenu -label \"Live Panel\" -command \"OrvanePluginWindow\";",
    "menuItem -parent orvaneMocapMenu -label \"Start Recording\" -command \"orvaneRecord -start\";",
    "menuItem -parent orvaneMocapMenu -label \"Stop Recording\" -command \"orvaneRecord -stop\";"};

bool menuAdded = false;  // whether removing it is the module's business at unload

void addMenu() {
    // Without the interface (mayabatch, a render farm) there is no main window to hold a menu.
    if (MGlobal::mayaState() != MGlobal::kInteractive) return;
    menuAdded = true;
    for (const char* command : kMenuCommands) {
        if (!MGlobal::executeCommand(command, false, false)) {
            menuAdded = command != kMenuCommands[0];
            MGlobal::displayWarning(MString("workspaceControlCmd - could not add the Orvane Mocap menu: ") + command);
            return;
        }
    }
}

void removeMenu() {
    if (!menuAdded) return;
    menuAdded = false;
    int exists = 0;
    if (!MGlobal::executeCommand("menu -exists orvaneMocapMenu", exists, false, false) || exists == 0) return;
    if (!MGlobal::executeCommand("deleteUI -menu orvaneMocapMenu", false, false))
        MGlobal::displayWarning("workspaceControlCmd - could not remove the Orvane Mocap menu");
}
}  // namespace

PLUGIN_EXPORT MStatus initializePlugin(MObject obj) {
    MStatus status;
    MFnPlugin plugin(obj, kVendor, kVersion, kRequiredApi, &status);
    if (!status) {
        MGlobal::displayError(MString("workspaceControlCmd - could not initialize plugin: ") + status.errorString());
        return status;
    }

    status = plugin.registerCommand(commandName, WorkspaceControlCmd::creator, WorkspaceControlCmd::newSyntax);
    if (!status) {
        MGlobal::displayError(MString("workspaceControlCmd - could not register '") + commandName +
                              "' command: " + status.errorString());
        return status;
    }

    status = plugin.registerCommand(PluginStatsCmd::name, PluginStatsCmd::creator);
    if (!status) {
        MGlobal::displayError(MString("workspaceControlCmd - could not register '") + PluginStatsCmd::name +
                              "' command: " + status.errorString());
        return status;
    }

    status = plugin.registerCommand(RecordCmd::name, RecordCmd::creator, RecordCmd::newSyntax);
    if (!status) {
        MGlobal::displayError(MString("workspaceControlCmd - could not register '") + RecordCmd::name +
                              "' command: " + status.errorString());
        return status;
    }

    status = plugin.registerTransform("MarkerTransform", markerTransformTypeId, MarkerTransformNode::creator,
                                      MarkerTransformNode::initialize, MarkerTransformMatrix::creator,
                                      markerTransformMatrixTypeId);
    if (!status) {
        status.perror("registerNode");
        return status;
    }
    addMenu();
    return status;
}

PLUGIN_EXPORT MStatus uninitializePlugin(MObject obj) {
    MStatus status;
    MFnPlugin plugin(obj, kVendor, kVersion, kRequiredApi, &status);
    if (!status) {
        MGlobal::displayError(MString("workspaceControlCmd - could not uninitialize plugin: ") + status.errorString());
        return status;
    }

    // From inside one of the panel's own event loops the module would be unmapped under code that has still
    // to return: refuse, and leave everything as it is.
    if (orvane::panel::nestedEventLoops() > 0) {
        MGlobal::displayError(
            "workspaceControlCmd - cannot unload while the panel waits for the tracking system "
            "(a disconnection or a connection error is in progress); unload it again afterwards");
        return MStatus(MStatus::kFailure);
    }

    removeMenu();
    closeWorkspaceControl();
    // The panel ended a take it was recording; nothing else may leave the take's writer running.
    orvane::panel::takeSession().stop();
    // Copies a closed panel could not hand back, so none outlives the module.
    orvane::drainFrameQueue();
    // No panel is left and the SDK holds none of our handlers: the dispatch objects go with the module.
    releaseDispatchObjects();

    status = plugin.deregisterCommand(commandName);
    if (!status) {
        MGlobal::displayError(MString("workspaceControlCmd - could not deregister '") + commandName +
                              "' command: " + status.errorString());
        return status;
    }

    status = plugin.deregisterCommand(PluginStatsCmd::name);
    if (!status) {
        MGlobal::displayError(MString("workspaceControlCmd - could not deregister '") + PluginStatsCmd::name +
                              "' command: " + status.errorString());
        return status;
    }

    status = plugin.deregisterCommand(RecordCmd::name);
    if (!status) {
        MGlobal::displayError(MString("workspaceControlCmd - could not deregister '") + RecordCmd::name +
                              "' command: " + status.errorString());
        return status;
    }

    status = plugin.deregisterNode(markerTransformTypeId);
    if (!status) {
        status.perror("deregisterNode");
        return status;
    }
    return status;
}
