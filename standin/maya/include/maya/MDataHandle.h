#pragma once
// Handle to one value in a data block (placeholder).
#include <maya/MTypes.h>

OPENMAYA_NAMESPACE_OPEN

class OPENMAYA_EXPORT MDataHandle {
public:
    MDataHandle() {}
};

OPENMAYA_NAMESPACE_CLOSE
