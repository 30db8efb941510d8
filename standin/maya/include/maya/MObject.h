#pragma once
// Handle to a host object (a scene node or a plug-in). Generation-checked: a handle to a deleted node reads
// as null and never dangles. Copy freely; it does not own anything.
#include <maya/MFn.h>
#include <cstdint>

OPENMAYA_NAMESPACE_OPEN

class OPENMAYA_EXPORT MObject {
public:
    MObject() : fKind(0), fIndex(0), fGeneration(0) {}
    MObject(const MObject& other) = default;
    MObject& operator=(const MObject& other) = default;
    ~MObject() = default;

    bool hasFn(MFn::Type fs) const;
    // True for a default object and for the handle of a node since deleted.
    bool isNull() const;
    MFn::Type apiType() const;
    const char* apiTypeStr() const;
    bool operator==(const MObject& other) const {
        return fKind == other.fKind && fIndex == other.fIndex && fGeneration == other.fGeneration;
    }
    bool operator!=(const MObject& other) const { return !(*this == other); }

    // Not const, as in the devkit: it is the default of out-parameters such as a component (never written).
    static MObject kNullObj;

private:
    friend class MStandinAccess;
    std::uint32_t fKind;
    std::uint32_t fIndex;
    std::uint32_t fGeneration;
};

OPENMAYA_NAMESPACE_CLOSE
