#pragma once
// Tells what became of the node an MObject refers to. Alive: the node exists, in the scene or in the undo
// queue (deleted by a command that can still be undone). Valid: alive and in the scene. A handle made while
// its node existed can be asked after the node is destroyed (undo queue flushed, New or Open Scene); making
// one from the MObject of a destroyed node is the crash it is meant to prevent.
#include <maya/MObject.h>

OPENMAYA_NAMESPACE_OPEN

class OPENMAYA_EXPORT MObjectHandle {
public:
    MObjectHandle() {}
    MObjectHandle(const MObject& object);
    MObjectHandle(const MObjectHandle& handle) = default;
    ~MObjectHandle() {}
    // MObject::kNullObj when the object is not valid.
    MObject object() const;
    const MObject& objectRef() const;
    // 0 for a null object or one no longer alive; otherwise non-zero, the same for every handle of the node.
    unsigned int hashCode() const;
    bool isValid() const;
    bool isAlive() const;
    bool operator==(const MObject& object) const { return fObject == object; }
    bool operator==(const MObjectHandle& object) const { return fObject == object.fObject; }
    bool operator!=(const MObject& object) const { return !(fObject == object); }
    bool operator!=(const MObjectHandle& object) const { return !(fObject == object.fObject); }
    MObjectHandle& operator=(const MObject& object);
    MObjectHandle& operator=(const MObjectHandle& other) = default;

private:
    MObject fObject;
};

OPENMAYA_NAMESPACE_CLOSE
