#pragma once
// Node evaluation data (placeholder: this host does not evaluate a dependency graph).
#include <maya/MTypes.h>

OPENMAYA_NAMESPACE_OPEN

class OPENMAYA_EXPORT MDataBlock {
public:
    MDataBlock() {}
};

OPENMAYA_NAMESPACE_CLOSE
