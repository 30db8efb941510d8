#pragma once
// Path from the world to a DAG node. A default path, or the path of a node no longer in the scene (deleted, even
// while the undo queue still holds it), is not valid, and isValid can always be asked. Names are read from the
// scene when asked, so they follow later renames.
#include <maya/MObject.h>
#include <maya/MString.h>
#include <maya/MMatrix.h>

OPENMAYA_NAMESPACE_OPEN

class OPENMAYA_EXPORT MDagPath {
public:
    MDagPath() {}
    MDagPath(const MDagPath& src) = default;
    MDagPath& operator=(const MDagPath& src) = default;
    virtual ~MDagPath() {}

    static MStatus getAPathTo(const MObject& node, MDagPath& path);

    bool hasFn(MFn::Type type, MStatus* ReturnStatus = nullptr) const;
    MFn::Type apiType(MStatus* ReturnStatus = nullptr) const;
    bool isValid(MStatus* ReturnStatus = nullptr) const;
    MObject node(MStatus* ReturnStatus = nullptr) const;
    MObject transform(MStatus* ReturnStatus = nullptr) const;
    unsigned int length(MStatus* ReturnStatus = nullptr) const;
    unsigned int childCount(MStatus* ReturnStatus = nullptr) const;
    MObject child(unsigned int i, MStatus* ReturnStatus = nullptr) const;
    MStatus push(const MObject& child);
    MStatus pop(unsigned int num = 1);
    MStatus extendToShape();
    MString fullPathName(MStatus* ReturnStatus = nullptr) const;
    MString partialPathName(MStatus* ReturnStatus = nullptr) const;
    MMatrix inclusiveMatrix(MStatus* ReturnStatus = nullptr) const;
    MMatrix exclusiveMatrix(MStatus* ReturnStatus = nullptr) const;
    MMatrix inclusiveMatrixInverse(MStatus* ReturnStatus = nullptr) const;
    MMatrix exclusiveMatrixInverse(MStatus* ReturnStatus = nullptr) const;
    // False when the node or any of its ancestors is hidden.
    bool isVisible(MStatus* ReturnStatus = nullptr) const;
    bool operator==(const MDagPath& other) const { return fNode == other.fNode; }

private:
    friend class MStandinAccess;
    MObject fNode;
};

OPENMAYA_NAMESPACE_CLOSE
