#pragma once
// The command "OrvanePluginWindow": opens the panel in the workspace control "customWorkspaceControl",
// restores the control when it exists, and with -reload (the control's rebuild script) puts a new panel
// into the host's current parent. UI thread only.

#include <maya/MArgList.h>
#include <maya/MPxCommand.h>
#include <maya/MStatus.h>
#include <maya/MSyntax.h>

class WorkspaceControlCmd : public MPxCommand {
public:
    WorkspaceControlCmd();
    ~WorkspaceControlCmd() override;

    MStatus doIt(const MArgList& args) override;

    static void* creator();
    static MSyntax newSyntax();
};

// Closes at once the workspace control that holds the panel, if one is open, and deletes the panel if it
// survived that; does nothing when neither exists.
void closeWorkspaceControl();
