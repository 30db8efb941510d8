#pragma once
// Makes a context current for the guard's scope; guards nest. Built from a context only, not copyable.
#include <maya/MStatus.h>

OPENMAYA_NAMESPACE_OPEN

class OPENMAYA_EXPORT MDGContextGuard {
public:
    ~MDGContextGuard();
    MDGContextGuard(const MDGContext& tempContext);

private:
    MDGContextGuard();
    MDGContextGuard(const MDGContextGuard&);
};

OPENMAYA_NAMESPACE_CLOSE
