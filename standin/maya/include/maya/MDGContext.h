#pragma once
// Evaluation context (placeholder: always the normal context).
#include <maya/MTypes.h>

OPENMAYA_NAMESPACE_OPEN

class OPENMAYA_EXPORT MDGContext {
public:
    MDGContext() {}
    bool isNormal() const { return true; }
    static MDGContext fsNormal;
};

OPENMAYA_NAMESPACE_CLOSE
