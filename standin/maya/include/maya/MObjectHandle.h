#pragma once
// Tells whether the node an MObject refers to still exists.
#include <maya/MObject.h>

OPENMAYA_NAMESPACE_OPEN

class OPENMAYA_EXPORT MObjectHandle {
public:
    MObjectHandle() {}
    MObjectHandle(const MObject& object) : fObject(object) {}
    MObject object() const { return fObject; }
    const MObject& objectRef() const { return fObject; }
    bool isValid() const { return !fObject.isNull(); }
    bool isAlive() const { return !fObject.isNull(); }
    unsigned int hashCode() const;
    bool operator==(const MObjectHandle& other) const { return fObject == other.fObject; }
    bool operator!=(const MObjectHandle& other) const { return fObject != other.fObject; }

private:
    MObject fObject;
};

OPENMAYA_NAMESPACE_CLOSE
