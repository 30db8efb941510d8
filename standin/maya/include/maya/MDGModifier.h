#pragma once
// Batch of scene edits. Every operation waits for doIt(), which applies the pending ones in call order; a
// failing operation is reported and doIt goes on with the rest, returning kFailure. undoIt() reverts everything
// done so far, newest first; a later doIt() does it again. The modifier holds the nodes it created or deleted
// while they are out of the scene, and destroys them when it goes. MFnAnimCurve::create given a modifier records
// the curve it made in it as done: undoIt takes the curve out, a later doIt brings the same one back.
// Main thread only.
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
    friend class MStandinAccess;
    MDGModifier(const MDGModifier& other);
    MDGModifier& operator=(const MDGModifier& rhs);

    struct Operation {
        int kind;  // see Dag.cpp
        MObject node;
        MObject parent;    // reparent target; previous parent once done
        std::string name;  // rename target; previous name once done
        bool done;
    };
    std::vector<Operation> fOperations;
    std::size_t fNextPending;
};

OPENMAYA_NAMESPACE_CLOSE
