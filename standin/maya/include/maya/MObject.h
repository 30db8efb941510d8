#pragma once
// Handle to a host object (a scene node or a plug-in). As in Maya it is not checked: once its node is destroyed
// (the undo queue flushed, New or Open Scene) it dangles, and any call given it stops the process. Hold an
// MObjectHandle to ask whether the node still exists. Copy freely; it does not own anything.
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
    // True only for an object that refers to nothing: it does not tell that a node was deleted.
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
