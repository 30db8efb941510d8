#pragma once
// Node evaluation data (placeholder: this host does not evaluate a dependency graph).
#include <maya/MTypes.h>

OPENMAYA_NAMESPACE_OPEN

class OPENMAYA_EXPORT MDataBlock {
public:
    MDataBlock(const MDataBlock& in) = default;

private:
    // The host makes data blocks; a plug-in only receives them.
    friend class MStandinAccess;
    MDataBlock() {}
};

OPENMAYA_NAMESPACE_CLOSE
