#pragma once
// DAG edits: createNode makes the node at once (default name like "transform1"), reparentNode waits for
// doIt and keeps the node's local transform values. Not copyable.
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
