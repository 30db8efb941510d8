#pragma once
// Base of plug-in node objects. The host creates them through the registered creator, calls
// postConstructor and deletes them when the node is deleted; thisMObject() is valid from postConstructor on.
#include <maya/MObject.h>
#include <maya/MString.h>
#include <maya/MTypeId.h>
#include <maya/MPlug.h>
#include <maya/MDataBlock.h>

OPENMAYA_NAMESPACE_OPEN

class OPENMAYA_EXPORT MPxNode {
public:
    enum Type {
        kDependNode,
        kLocatorNode,
        kDeformerNode,
        kManipContainer,
        kSurfaceShape,
        kFieldNode,
        kEmitterNode,
        kSpringNode,
        kIkSolverNode,
        kHardwareShader,
        kHwShaderNode,
        kTransformNode,
        kObjectSet,
        kFluidEmitterNode,
        kImagePlaneNode,
        kParticleAttributeMapperNode,
        kCameraSetNode,
        kConstraintNode,
        kManipulatorNode,
        kMotionPathNode,
        kClientDeviceNode,
        kThreadedDeviceNode,
        kAssembly,
        kSkinCluster,
        kGeometryFilter,
        kBlendShape,
        kLast
    };

    MPxNode();
    virtual ~MPxNode();
    virtual void postConstructor();
    virtual MStatus compute(const MPlug& plug, MDataBlock& dataBlock);
    virtual Type type() const;
    virtual MObject thisMObject() const;
    virtual MTypeId typeId() const;
    virtual MString typeName() const;
    virtual MString name() const;

private:
    friend class MStandinAccess;
    MPxNode(const MPxNode&);
    MPxNode& operator=(const MPxNode&);
    MObject fThisObject;
    MTypeId fTypeId;
};

OPENMAYA_NAMESPACE_CLOSE
