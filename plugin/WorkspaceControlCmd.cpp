// Qt headers (the panel's among them) come before any Maya header: MQtUtil.h pulls in the window
// system's header, after which Qt's headers no longer compile.
#include <QtWidgets/QWidget>

#include "ModuleObjects.h"
#include "QPluginPanel.h"
#include "WorkspaceControlCmd.h"

#include <maya/MArgParser.h>
#include <maya/MGlobal.h>
#include <maya/MQtUtil.h>
#include <maya/MString.h>

using orvane::plugin::workspaceWidget;

namespace {
const char* const kReloadShort = "-rl";
const char* const kReloadLong = "-reload";
}  // namespace

WorkspaceControlCmd::WorkspaceControlCmd() {}

WorkspaceControlCmd::~WorkspaceControlCmd() {}

void* WorkspaceControlCmd::creator() { return new WorkspaceControlCmd; }

MSyntax WorkspaceControlCmd::newSyntax() {
    MSyntax syntax;
    syntax.addFlag(kReloadShort, kReloadLong, MSyntax::kNoArg, MSyntax::kNoArg, MSyntax::kNoArg, MSyntax::kNoArg,
                   MSyntax::kNoArg, MSyntax::kNoArg);
    return syntax;
}

MStatus WorkspaceControlCmd::doIt(const MArgList& args) {
    if (!workspaceWidget.isNull()) {
        MGlobal::executeCommand("workspaceControl -e -restore customWorkspaceControl", false, false);
        return MStatus::kSuccess;
    }

    MArgParser parser(syntax(), args);
    const bool reload = parser.isFlagSet(kReloadShort);

    if (!reload) {
        MString create("workspaceControl -label ");
        create += "\"";
        create += orvane::plugin::commandName;
        create += "\"";
        create +=
            " -retain false -loadImmediately true -floating true -initialWidth 400 -initialHeight 200 "
            "-requiredPlugin ";
        create += "\"";
        create += "workspaceControlCmd";
        create += "\"";
        create += " customWorkspaceControl";
        MGlobal::executeCommand(create, false, false);
    }

    workspaceWidget = MQtUtil::getCurrentParent();

    // The host layout owns the panel from here on. Without a layout nobody would own it, so none is made;
    // one the host refuses is deleted again.
    if (!workspaceWidget.isNull()) {
        QPluginPanel* panel = new QPluginPanel(nullptr);
        MQtUtil::addWidgetToMayaLayout(panel, workspaceWidget, MString());
        if (panel->parentWidget() == nullptr) delete panel;
    }

    if (!reload) {
        MString script("workspaceControl -e -uiScript ");
        script += "\"";
        script += orvane::plugin::commandName;
        script += " -reload";
        script += "\"";
        script += " customWorkspaceControl";
        MGlobal::executeCommand(script, false, false);
    }
    return MStatus::kSuccess;
}

void closeWorkspaceControl() {
    if (workspaceWidget.isNull()) return;
    MGlobal::executeCommand("workspaceControl -e -deleteLater false -close customWorkspaceControl", false, false);
}
