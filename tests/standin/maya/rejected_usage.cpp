// Usages the real devkit rejects; REJECTED_CASE picks one (0 = none, must compile).
#if REJECTED_CASE == 1
class MString;
#endif
#if REJECTED_CASE != 7
#include <QtWidgets/QWidget>
#endif
#include <maya/MString.h>
#include <maya/MFnTransform.h>
#include <maya/MDagModifier.h>
#include <maya/MPlug.h>
#include <maya/MPxTransform.h>
#define MNoVersionString
#include <maya/MFnPlugin.h>
#include <maya/MQtUtil.h>
#if REJECTED_CASE == 7
#include <QtCore/QVariant>
#endif

namespace {
MPxTransformationMatrix* makeMatrix() { return nullptr; }
void* makeNode() { return nullptr; }
MStatus initNode() { return MS::kSuccess; }
}  // namespace

// Deprecated calls (cases 8 and 9) fail as errors: the product builds with -Werror.
void rejectedUsage(MObject plugin, const MObject& constPlugin, MFnTransform& xform, MDagModifier& modifier,
                   const MPlug& plug, MPxTransform& node, const MDataHandle& handle) {
    MString text;
    text.format("^1s", "a");
    xform.setTranslation(MVector(1, 2, 3), MSpace::kTransform);
    MFnPlugin fn(plugin, "v", "1", "Any");
    fn.registerTransform("t", MTypeId(1), makeNode, initNode, makeMatrix, MTypeId(2));
    (void)constPlugin;
    (void)modifier;
    (void)plug.asBool();
    (void)node.validateAndSetValue(plug, handle);
#if REJECTED_CASE == 2
    text.format("^1s", MString::argUnused);
#elif REJECTED_CASE == 3
    xform.setTranslation(MVector(1, 2, 3));
#elif REJECTED_CASE == 4
    MFnPlugin constFn(constPlugin, "v", "1", "Any");
#elif REJECTED_CASE == 5
    fn.registerTransform("t", MTypeId(1), makeNode, initNode, NULL, MTypeId(2));
#elif REJECTED_CASE == 6
    MDagModifier copy(modifier);
#elif REJECTED_CASE == 8
    (void)plug.asBool(MDGContext::fsNormal);
#elif REJECTED_CASE == 9
    (void)node.validateAndSetValue(plug, handle, MDGContext::current());
#endif
}
