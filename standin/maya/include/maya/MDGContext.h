#pragma once
// Evaluation context. This host evaluates in the normal context only: every context is normal and current.
#include <maya/MStatus.h>

OPENMAYA_NAMESPACE_OPEN

class OPENMAYA_EXPORT MDGContext {
public:
    MDGContext() {}
    MDGContext(const MDGContext& in) = default;
    ~MDGContext() {}
    MDGContext& operator=(const MDGContext& other) = default;

    static MDGContext fsNormal;
    bool isNormal(MStatus* ReturnStatus = NULL) const;

    // The context evaluations use when none is named; MDGContextGuard changes it for a scope.
    static const MDGContext current();
    bool isCurrent(MStatus* ReturnStatus = NULL) const;
};

OPENMAYA_NAMESPACE_CLOSE
