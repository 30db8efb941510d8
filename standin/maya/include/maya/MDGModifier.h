#pragma once
// Batch of scene edits. Renames (and, in MDagModifier, reparents) wait for doIt(), which applies the pending
// operations in call order; a failing operation is reported and doIt goes on with the rest, returning
// kFailure. undoIt() reverts everything done so far, newest first. Main thread only.
#include <maya/MObject.h>
#include <maya/MString.h>
#include <maya/MTypeId.h>
#include <vector>

OPENMAYA_NAMESPACE_OPEN

class OPENMAYA_EXPORT MDGModifier {
public:
    MDGModifier();
    virtual ~MDGModifier();

    MObject createNode(const MString& type, MStatus* ReturnStatus = NULL);
    MObject createNode(const MTypeId& typeId, MStatus* ReturnStatus = NULL);
    MStatus renameNode(const MObject& node, const MString& newName);
    MStatus deleteNode(const MObject& node);
    MStatus doIt();
    MStatus undoIt();

protected:
    MDGModifier(const MDGModifier& other);
    MDGModifier& operator=(const MDGModifier& rhs);

    struct Operation {
        int kind;  // see MDGModifier.cpp
        MObject node;
        MObject parent;    // reparent target; previous parent once done
        std::string name;  // rename target; previous name once done
        bool done;
    };
    std::vector<Operation> fOperations;
    std::size_t fNextPending;
    std::vector<MObject> fCreated;  // nodes made by createNode, deleted again by undoIt
};

OPENMAYA_NAMESPACE_CLOSE
