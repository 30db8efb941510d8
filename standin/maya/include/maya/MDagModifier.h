#pragma once
// DAG edits. createNode returns the node at once (default name like "transform1"), usable in this modifier's
// renameNode and reparentNode, but adds it to the scene only at doIt: until then the node is alive and not
// valid, and no path leads to it. reparentNode keeps the node's local transform values. Not copyable.
#include <maya/MDGModifier.h>

OPENMAYA_NAMESPACE_OPEN

class OPENMAYA_EXPORT MDagModifier : public MDGModifier {
public:
    MDagModifier() {}
    virtual ~MDagModifier() {}

    MObject createNode(const MString& type, const MObject& parent = MObject::kNullObj, MStatus* ReturnStatus = NULL);
    MObject createNode(const MTypeId& typeId, const MObject& parent = MObject::kNullObj, MStatus* ReturnStatus = NULL);
    MStatus reparentNode(const MObject& node, const MObject& newParent = MObject::kNullObj);

protected:
    MDagModifier(const MDagModifier& other);
    MDagModifier& operator=(const MDagModifier& rhs);
};

OPENMAYA_NAMESPACE_CLOSE
