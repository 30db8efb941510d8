#pragma once
// Function set for any node: name, type and the plug-in's node object.
#include <maya/MFnBase.h>
#include <maya/MPlug.h>
#include <maya/MString.h>
#include <maya/MTypeId.h>

OPENMAYA_NAMESPACE_OPEN

class OPENMAYA_EXPORT MFnDependencyNode : public MFnBase {
public:
    MFnDependencyNode() {}
    MFnDependencyNode(MObject& object, MStatus* ReturnStatus = NULL);
    MFnDependencyNode(const MObject& object, MStatus* ReturnStatus = NULL);
    virtual ~MFnDependencyNode() {}
    MFn::Type type() const override { return MFn::kDependencyNode; }

    // The node's own name (not a path).
    MString name(MStatus* ReturnStatus = NULL) const;
    // Renames at once; an illegal or clashing name is changed into a legal, unique one.
    MString setName(const MString& name, bool createNamespace = false, MStatus* ReturnStatus = NULL);
    MTypeId typeId(MStatus* ReturnStatus = NULL) const;
    MString typeName(MStatus* ReturnStatus = NULL) const;
    // The plug of the attribute named attrName (long or short name); a null plug with kInvalidParameter when
    // the node has no such attribute. This host knows "visibility" ("v") on DAG nodes.
    MPlug findPlug(const MString& attrName, bool wantNetworkedPlug, MStatus* ReturnStatus = NULL) const;
    // The plug-in object behind a node of a plug-in type, else NULL. Owned by the host.
    MPxNode* userNode(MStatus* ReturnStatus = NULL) const;

protected:
    bool accepts(const MObject& object) const override;
};

OPENMAYA_NAMESPACE_CLOSE
