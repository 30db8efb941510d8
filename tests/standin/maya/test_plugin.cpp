// A small plug-in module for the tests: one command with flags, one undoable command that makes a node through a
// modifier, one custom transform node type, and scene message callbacks it removes when unloaded (unless told
// to leave them behind).
#include <QtWidgets/QLabel>

#include <maya/MArgParser.h>
#include <maya/MCallbackIdArray.h>
#include <maya/MDagModifier.h>
#include <maya/MSceneMessage.h>
#include <maya/MFnPlugin.h>
#include <maya/MGlobal.h>
#include <maya/MPxCommand.h>
#include <maya/MPxTransform.h>
#include <maya/MPxTransformationMatrix.h>
#include <maya/MQtUtil.h>
#include <maya/MSyntax.h>

#include "test_plugin_shared.h"

namespace {

const char* const kCommandName = "standinTestCmd";
// Filled by initializePlugin with the outcome of registering the command a second time.
MStatus duplicateRegistration;
int liveTransforms = 0;
int liveUndoCommands = 0;
int afterNewCalls = 0;
bool leaveCallbacks = false;
MCallbackIdArray callbacks;

void onAfterNew(void*) { ++afterNewCalls; }

// Makes a transform of the given name; undone and redone through its modifier, as a command in the queue is.
class UndoCommand : public MPxCommand {
public:
    UndoCommand() { ++liveUndoCommands; }
    ~UndoCommand() override { --liveUndoCommands; }
    static void* creator() { return new UndoCommand(); }
    MStatus doIt(const MArgList& args) override {
        if (args.length() != 1) return MS::kInvalidParameter;
        modifier_.renameNode(modifier_.createNode("transform"), args.asString(0));
        return redoIt();
    }
    MStatus redoIt() override { return modifier_.doIt(); }
    MStatus undoIt() override { return modifier_.undoIt(); }
    bool isUndoable() const override { return true; }

private:
    MDagModifier modifier_;
};

class TestCommand : public MPxCommand {
public:
    static void* creator() { return new TestCommand(); }
    static MSyntax newSyntax() {
        MSyntax syntax;
        syntax.addFlag("-rl", "-reload");
        syntax.addFlag("-v", "-value", MSyntax::kString);
        syntax.addFlag("-aw", "-addWidget", MSyntax::kString);
        syntax.addFlag("-dup", "-duplicateRegistration");
        syntax.addFlag("-lt", "-liveTransforms");
        syntax.addFlag("-lu", "-liveUndoCommands");
        syntax.addFlag("-cb", "-callback");
        syntax.addFlag("-anc", "-afterNewCalls");
        syntax.addFlag("-lcb", "-leaveCallbacks");
        return syntax;
    }
    MStatus doIt(const MArgList& args) override {
        MStatus status;
        MArgParser parser(syntax(), args, &status);
        if (!status) return status;
        if (parser.isFlagSet("-dup")) {
            setResult(MString(duplicateRegistration ? "ok" : "failed: ") + duplicateRegistration.errorString());
        } else if (parser.isFlagSet("-liveTransforms")) {
            setResult(liveTransforms);
        } else if (parser.isFlagSet("-liveUndoCommands")) {
            setResult(liveUndoCommands);
        } else if (parser.isFlagSet("-callback")) {
            callbacks.append(MSceneMessage::addCallback(MSceneMessage::kAfterNew, onAfterNew));
        } else if (parser.isFlagSet("-afterNewCalls")) {
            setResult(afterNewCalls);
        } else if (parser.isFlagSet("-leaveCallbacks")) {
            leaveCallbacks = true;
        } else if (parser.isFlagSet("-aw")) {
            // Puts a label into the host's current parent, as a panel command does.
            QLabel* label = new QLabel(QString::fromUtf8(parser.flagArgumentString("-aw", 0).asChar()));
            label->setObjectName(QString::fromUtf8(parser.flagArgumentString("-aw", 0).asChar()));
            const MString name = MQtUtil::addWidgetToMayaLayout(label, MQtUtil::getCurrentParent());
            if (name.length() == 0) delete label;
            setResult(name);
        } else if (parser.isFlagSet("-rl")) {
            setResult("reload");
        } else if (parser.isFlagSet("-v")) {
            setResult(parser.flagArgumentString("-v", 0));
        } else {
            setResult(secondUnitGreeting());
        }
        return MS::kSuccess;
    }
};

class TestMatrix : public MPxTransformationMatrix {
public:
    static MPxTransformationMatrix* creator() { return new TestMatrix(); }
};

class TestTransform : public MPxTransform {
public:
    TestTransform() { ++liveTransforms; }
    ~TestTransform() override { --liveTransforms; }
    static void* creator() { return new TestTransform(); }
    static MStatus initialize() { return MS::kSuccess; }
    void postConstructor() override {
        MPxTransform::postConstructor();
        if (baseTransformationMatrix == NULL) MGlobal::displayWarning("no matrix before postConstructor");
    }
    MPxTransformationMatrix* createTransformationMatrix() override { return new TestMatrix(); }
};

}  // namespace

MStatus initializePlugin(MObject obj) {
    MStatus status;
    MFnPlugin plugin(obj, "Test Vendor", "3.1", "Any", &status);
    if (!status) return status;
    status = plugin.registerCommand(kCommandName, TestCommand::creator, TestCommand::newSyntax);
    if (!status) return status;
    duplicateRegistration = plugin.registerCommand(kCommandName, TestCommand::creator, TestCommand::newSyntax);
    status = plugin.registerCommand("standinUndoCmd", UndoCommand::creator);
    if (!status) return status;
    return plugin.registerTransform("standinTestTransform", MTypeId(0x70001), TestTransform::creator,
                                    TestTransform::initialize, TestMatrix::creator, MTypeId(0x70002));
}

MStatus uninitializePlugin(MObject obj) {
    MFnPlugin plugin(obj, "Test Vendor", "3.1", "Any");
    MStatus status = plugin.deregisterCommand(kCommandName);
    if (!status) return status;
    status = plugin.deregisterCommand("standinUndoCmd");
    if (!status) return status;
    if (!leaveCallbacks) MMessage::removeCallbacks(callbacks);
    callbacks.clear();
    return plugin.deregisterNode(MTypeId(0x70001));
}
