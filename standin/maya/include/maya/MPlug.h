#pragma once
// Attribute plug: a node and one of its attributes. This host keeps transform values on the node itself;
// the one attribute with a plug to read is the DAG node's own "visibility" (what hide and showHidden set).
#include <maya/MDGContext.h>
#include <maya/MDeprecate.h>
#include <maya/MObject.h>
#include <maya/MString.h>

OPENMAYA_NAMESPACE_OPEN

class OPENMAYA_EXPORT MPlug {
public:
    MPlug() {}
    MPlug(const MObject& node, const MObject& attribute) : fNode(node), fAttribute(attribute) {}
    bool isNull(MStatus* /*ReturnStatus*/ = NULL) const { return fNode.isNull(); }
    MObject node(MStatus* /*ReturnStatus*/ = NULL) const { return fNode; }
    MObject attribute(MStatus* /*ReturnStatus*/ = NULL) const { return fAttribute; }
    bool operator==(const MPlug& other) const { return fNode == other.fNode && fAttribute == other.fAttribute; }

    // The attribute's value in the normal context; false with kInvalidParameter for a null plug or a
    // deleted node.
    bool asBool(MStatus* ReturnStatus = NULL) const;
    OPENMAYA_DEPRECATED(2018, "Use asBool(MStatus*) instead. If needed, use MDGContextGuard to switch the context.")
    bool asBool(const MDGContext& ctx, MStatus* ReturnStatus = NULL) const;

private:
    MObject fNode;
    MObject fAttribute;
};

OPENMAYA_NAMESPACE_CLOSE
