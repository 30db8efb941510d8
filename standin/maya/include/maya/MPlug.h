#pragma once
// Attribute plug. This host keeps transform values on the node itself; plugs are placeholders.
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

private:
    MObject fNode;
    MObject fAttribute;
};

OPENMAYA_NAMESPACE_CLOSE
