#pragma once
// Function set for joints. A joint's local matrix is [S][RO][R][JO][IS][T] for row vectors: scale, the
// rotate axis (here the scale orientation), rotate, the joint orient (here the orientation), the inverse of
// the parent joint's scale, translate. MFnTransform's rotation calls read and write [R] alone, world space
// included: on an oriented joint only this function set accounts for the orient.
#include <maya/MFnTransform.h>

#ifndef OPENMAYAANIM_EXPORT
#define OPENMAYAANIM_EXPORT OPENMAYA_EXPORT
#endif

OPENMAYA_NAMESPACE_OPEN

class OPENMAYAANIM_EXPORT MFnIkJoint : public MFnTransform {
public:
    enum Axis { kXAxis, kYAxis, kZAxis, kNone };

    MFnIkJoint() {}
    MFnIkJoint(MObject& object, MStatus* ReturnStatus = NULL);
    MFnIkJoint(const MObject& object, MStatus* ReturnStatus = NULL);
    MFnIkJoint(const MDagPath& object, MStatus* ret = NULL);
    virtual ~MFnIkJoint() {}
    MFn::Type type() const override { return MFn::kJoint; }

    // The joint orient ([JO]).
    MStatus getOrientation(MQuaternion& quaternion) const;
    MStatus setOrientation(const MQuaternion& quaternion);
    MStatus getOrientation(MEulerRotation& rotation) const;
    MStatus setOrientation(const MEulerRotation& rotation);
    // The rotate axis ([RO]).
    MStatus getScaleOrientation(MQuaternion& quaternion) const;
    MStatus setScaleOrientation(const MQuaternion& quaternion);

protected:
    bool accepts(const MObject& object) const override;
};

OPENMAYA_NAMESPACE_CLOSE
