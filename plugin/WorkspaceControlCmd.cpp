// Qt headers (the panel's among them) come before any Maya header: MQtUtil.h pulls in the window
// system's header, after which Qt's headers no longer compile.
#include <QtWidgets/QWidget>

#include <string>

#include "ModuleObjects.h"
#include "QPluginPanel.h"
#include "WorkspaceControlCmd.h"

#include <maya/MArgParser.h>
#include <maya/MGlobal.h>
#include <maya/MQtUtil.h>
#include <maya/MString.h>

using orvane::plugin::panelWidget;
using orvane::plugin::workspaceWidget;

namespace {
const char* const kReloadShort = "-rl";
const char* const kReloadLong = "-reload";

// The workspace control that holds `widget`: the innermost name on the widget's full path that the host
// knows as a workspace control. Usually customWorkspaceControl, but the host may have run the command's
// rebuild script (-reload) for another control. Empty when no control holds it.
MString holdingControl(const QWidget* widget) {
    std::string path = MQtUtil::fullName(widget).asChar();
    while (!path.empty()) {
        const std::string::size_type bar = path.rfind('|');
        const std::string name = bar == std::string::npos ? path : path.substr(bar + 1);
        path.erase(bar == std::string::npos ? 0 : bar);
        if (name.empty()) continue;
        int exists = 0;
        const MString query = MString("workspaceControl -exists ") + name.c_str();
        if (MGlobal::executeCommand(query, exists, false, false) && exists != 0) return MString(name.c_str());
    }
    return MString();
}
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
        if (panel->parentWidget() == nullptr)
            delete panel;
        else
            panelWidget = panel;
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
    if (!workspaceWidget.isNull()) {
        const MString control = holdingControl(workspaceWidget);
        if (control.length() > 0) {
            // "workspaceControl -e -deleteLater false -close customWorkspaceControl" in the usual case.
            MGlobal::executeCommand(MString("workspaceControl -e -deleteLater false -close ") + control, false, false);
        }
    }
    // A retained control only hides, and a panel in no control is closed by nobody: the module made the
    // panel, so it deletes it rather than leave it (and its refresh thread) running code that is unloaded.
    if (!panelWidget.isNull()) delete panelWidget.data();
}
