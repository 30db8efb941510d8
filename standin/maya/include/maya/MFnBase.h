#pragma once
// Base of the function sets: a function set operates on the object it is attached to.
#include <maya/MObject.h>
#include <maya/MStatus.h>

OPENMAYA_NAMESPACE_OPEN

class OPENMAYA_EXPORT MFnBase {
public:
    virtual ~MFnBase() {}
    virtual MFn::Type type() const { return MFn::kBase; }
    bool hasObj(MFn::Type type) const;
    bool hasObj(const MObject& object) const;
    MObject object(MStatus* ReturnStatus = NULL) const;
    virtual MStatus setObject(MObject& object);
    virtual MStatus setObject(const MObject& object);

protected:
    MFnBase() {}
    // Which objects this function set accepts.
    virtual bool accepts(const MObject& /*object*/) const { return true; }
    MObject fObject;

private:
    MFnBase(const MFnBase&);
    MFnBase& operator=(const MFnBase&);
};

OPENMAYA_NAMESPACE_CLOSE
