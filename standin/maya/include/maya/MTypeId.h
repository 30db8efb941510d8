#pragma once
// Node type id. MTypeId(prefix, id) packs a 24-bit prefix above an 8-bit id.
#include <maya/MStatus.h>

OPENMAYA_NAMESPACE_OPEN

class OPENMAYA_EXPORT MTypeId {
public:
    MTypeId() : fId(0) {}
    MTypeId(unsigned int id) : fId(id) {}
    MTypeId(unsigned int prefix, unsigned int id) : fId((prefix << 8) | (id & 0xffu)) {}
    unsigned int id(MStatus* ReturnStatus = NULL) const {
        if (ReturnStatus) *ReturnStatus = MStatus::kSuccess;
        return fId;
    }
    bool operator==(const MTypeId& other) const { return fId == other.fId; }
    bool operator!=(const MTypeId& other) const { return fId != other.fId; }

private:
    unsigned int fId;
};

OPENMAYA_NAMESPACE_CLOSE
