#pragma once
// Function set for DAG nodes: parents, children and paths.
#include <maya/MFnDependencyNode.h>
#include <maya/MDagPath.h>

OPENMAYA_NAMESPACE_OPEN

class OPENMAYA_EXPORT MFnDagNode : public MFnDependencyNode {
public:
    MFnDagNode() {}
    MFnDagNode(MObject& object, MStatus* ret = NULL);
    MFnDagNode(const MObject& object, MStatus* ret = NULL);
    MFnDagNode(const MDagPath& object, MStatus* ret = NULL);
    virtual ~MFnDagNode() {}
    MFn::Type type() const override { return MFn::kDagNode; }

    using MFnDependencyNode::setObject;
    virtual MStatus setObject(const MDagPath& path);

    unsigned int parentCount(MStatus* ReturnStatus = NULL) const;
    MObject parent(unsigned int i, MStatus* ReturnStatus = NULL) const;
    unsigned int childCount(MStatus* ReturnStatus = NULL) const;
    MObject child(unsigned int i, MStatus* ReturnStatus = NULL) const;
    bool isChildOf(const MObject& node, MStatus* ReturnStatus = NULL) const;
    bool isParentOf(const MObject& node, MStatus* ReturnStatus = NULL) const;
    MStatus getPath(MDagPath& path) const;
    MDagPath dagPath(MStatus* ReturnStatus = NULL) const;
    MString fullPathName(MStatus* ReturnStatus = NULL) const;
    MString partialPathName(MStatus* ReturnStatus = NULL) const;
    MMatrix transformationMatrix(MStatus* ReturnStatus = NULL) const;

protected:
    bool accepts(const MObject& object) const override;
};

OPENMAYA_NAMESPACE_CLOSE
