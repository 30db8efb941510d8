// A small plug-in module for the tests: one command with flags and one custom transform node type.
#include <QtWidgets/QLabel>

#include <maya/MArgParser.h>
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
    return plugin.registerTransform("standinTestTransform", MTypeId(0x70001), TestTransform::creator,
                                    TestTransform::initialize, TestMatrix::creator, MTypeId(0x70002));
}

MStatus uninitializePlugin(MObject obj) {
    MFnPlugin plugin(obj, "Test Vendor", "3.1", "Any");
    MStatus status = plugin.deregisterCommand(kCommandName);
    if (!status) return status;
    return plugin.deregisterNode(MTypeId(0x70001));
}
