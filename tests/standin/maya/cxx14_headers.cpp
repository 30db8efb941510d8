// Every product-facing header, compiled as C++14 in the order the product must use: Qt first.
#include <QtCore/QPointer>
#include <QtWidgets/QWidget>

#include <maya/MAnimControl.h>
#include <maya/MAnimCurveChange.h>
#include <maya/MApiNamespace.h>
#include <maya/MArgDatabase.h>
#include <maya/MArgList.h>
#include <maya/MArgParser.h>
#include <maya/MDGContext.h>
#include <maya/MDGModifier.h>
#include <maya/MDagModifier.h>
#include <maya/MDagPath.h>
#include <maya/MDataBlock.h>
#include <maya/MDataHandle.h>
#include <maya/MEulerRotation.h>
#include <maya/MFn.h>
#include <maya/MFnBase.h>
#include <maya/MFnAnimCurve.h>
#include <maya/MFnDagNode.h>
#include <maya/MFnDependencyNode.h>
#include <maya/MFnIkJoint.h>
#include <maya/MFnTransform.h>
#include <maya/MGlobal.h>
#include <maya/MItDag.h>
#include <maya/MMatrix.h>
#include <maya/MObject.h>
#include <maya/MObjectHandle.h>
#include <maya/MPlug.h>
#include <maya/MPoint.h>
#include <maya/MPxCommand.h>
#include <maya/MPxNode.h>
#include <maya/MPxTransform.h>
#include <maya/MPxTransformationMatrix.h>
#include <maya/MQuaternion.h>
#include <maya/MSelectionList.h>
#include <maya/MStatus.h>
#include <maya/MString.h>
#include <maya/MStringArray.h>
#include <maya/MSyntax.h>
#include <maya/MTypeId.h>
#include <maya/MTime.h>
#include <maya/MTypes.h>
#include <maya/MVector.h>
#define MNoVersionString
#include <maya/MFnPlugin.h>
#include <maya/MQtUtil.h>

#include <type_traits>

static_assert(__cplusplus == 201402L, "this unit checks the headers as C++14");
// The operator meanings the product relies on.
static_assert(std::is_same<decltype(MVector() * MVector()), double>::value, "MVector * MVector is the dot product");
static_assert(std::is_same<decltype(MVector() ^ MVector()), MVector>::value, "^ is the cross product");
static_assert(std::is_same<decltype(MVector() * MMatrix()), MVector>::value, "row vector times matrix");
static_assert(std::is_same<decltype(MVector() * 0.1f), MVector>::value, "scaling by a float");
static_assert(!std::is_copy_constructible<MDagModifier>::value, "MDagModifier is not copyable");
