#pragma once
// Versioned API namespace. Every class lives in Autodesk::Maya::OpenMaya20180000 and is brought to global
// scope with a using declaration, so a global forward declaration such as `class MString;` is an error.

#define OPENMAYA_MAJOR_NAMESPACE OpenMaya20180000
#define OPENMAYA_NAMESPACE_OPEN \
    namespace Autodesk {        \
    namespace Maya {            \
    namespace OpenMaya20180000 {
#define OPENMAYA_NAMESPACE_CLOSE \
    }                            \
    }                            \
    }

OPENMAYA_NAMESPACE_OPEN
class MArgList;
class MCallbackIdArray;
class MArgParser;
class MArgDatabase;
class MDagModifier;
class MDagPath;
class MDataBlock;
class MDataHandle;
class MDGContext;
class MDGContextGuard;
class MDGModifier;
class MEulerRotation;
class MFn;
class MFnBase;
class MFnDagNode;
class MFnDependencyNode;
class MFnIkJoint;
class MFnPlugin;
class MFnTransform;
class MGlobal;
class MItDag;
class MMessage;
class MMatrix;
class MObject;
class MObjectHandle;
class MPlug;
class MPoint;
class MPxCommand;
class MPxNode;
class MPxTransform;
class MPxTransformationMatrix;
class MQtUtil;
class MQuaternion;
class MSceneMessage;
class MSelectionList;
class MSpace;
class MStatus;
class MString;
class MStringArray;
class MSyntax;
class MTransformationMatrix;
class MTypeId;
class MVector;
class MStandinAccess;
OPENMAYA_NAMESPACE_CLOSE

using Autodesk::Maya::OpenMaya20180000::MArgDatabase;
using Autodesk::Maya::OpenMaya20180000::MArgList;
using Autodesk::Maya::OpenMaya20180000::MArgParser;
using Autodesk::Maya::OpenMaya20180000::MCallbackIdArray;
using Autodesk::Maya::OpenMaya20180000::MDagModifier;
using Autodesk::Maya::OpenMaya20180000::MDagPath;
using Autodesk::Maya::OpenMaya20180000::MDataBlock;
using Autodesk::Maya::OpenMaya20180000::MDataHandle;
using Autodesk::Maya::OpenMaya20180000::MDGContext;
using Autodesk::Maya::OpenMaya20180000::MDGContextGuard;
using Autodesk::Maya::OpenMaya20180000::MDGModifier;
using Autodesk::Maya::OpenMaya20180000::MEulerRotation;
using Autodesk::Maya::OpenMaya20180000::MFn;
using Autodesk::Maya::OpenMaya20180000::MFnBase;
using Autodesk::Maya::OpenMaya20180000::MFnDagNode;
using Autodesk::Maya::OpenMaya20180000::MFnDependencyNode;
using Autodesk::Maya::OpenMaya20180000::MFnIkJoint;
using Autodesk::Maya::OpenMaya20180000::MFnPlugin;
using Autodesk::Maya::OpenMaya20180000::MFnTransform;
using Autodesk::Maya::OpenMaya20180000::MGlobal;
using Autodesk::Maya::OpenMaya20180000::MItDag;
using Autodesk::Maya::OpenMaya20180000::MMatrix;
using Autodesk::Maya::OpenMaya20180000::MMessage;
using Autodesk::Maya::OpenMaya20180000::MObject;
using Autodesk::Maya::OpenMaya20180000::MObjectHandle;
using Autodesk::Maya::OpenMaya20180000::MPlug;
using Autodesk::Maya::OpenMaya20180000::MPoint;
using Autodesk::Maya::OpenMaya20180000::MPxCommand;
using Autodesk::Maya::OpenMaya20180000::MPxNode;
using Autodesk::Maya::OpenMaya20180000::MPxTransform;
using Autodesk::Maya::OpenMaya20180000::MPxTransformationMatrix;
using Autodesk::Maya::OpenMaya20180000::MQtUtil;
using Autodesk::Maya::OpenMaya20180000::MQuaternion;
using Autodesk::Maya::OpenMaya20180000::MSceneMessage;
using Autodesk::Maya::OpenMaya20180000::MSelectionList;
using Autodesk::Maya::OpenMaya20180000::MSpace;
using Autodesk::Maya::OpenMaya20180000::MStatus;
using Autodesk::Maya::OpenMaya20180000::MString;
using Autodesk::Maya::OpenMaya20180000::MStringArray;
using Autodesk::Maya::OpenMaya20180000::MSyntax;
using Autodesk::Maya::OpenMaya20180000::MTransformationMatrix;
using Autodesk::Maya::OpenMaya20180000::MTypeId;
using Autodesk::Maya::OpenMaya20180000::MVector;
