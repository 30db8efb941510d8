#pragma once
// Function set for transforms (transform, joint, plug-in transforms). Local matrix = S * RA * R * T for row
// vectors (RA the rotate axis; a joint adds its orient: see MFnIkJoint); world = local * parent's world. The
// rotation calls read and write R alone, in world space too. Angles in radians. setTranslation takes no
// default space.
#include <maya/MFnDagNode.h>
#include <maya/MVector.h>
#include <maya/MQuaternion.h>
#include <maya/MEulerRotation.h>
#include <maya/MTransformationMatrix.h>

OPENMAYA_NAMESPACE_OPEN

class OPENMAYA_EXPORT MFnTransform : public MFnDagNode {
public:
    MFnTransform() {}
    MFnTransform(MObject& object, MStatus* ret = NULL);
    MFnTransform(const MObject& object, MStatus* ret = NULL);
    MFnTransform(const MDagPath& object, MStatus* ret = NULL);
    virtual ~MFnTransform() {}
    MFn::Type type() const override { return MFn::kTransform; }

    MVector getTranslation(MSpace::Space space, MStatus* ReturnStatus = nullptr) const;
    // kTransform sets the local value; kWorld places the node at that world position under its parents'
    // current transforms.
    MStatus setTranslation(const MVector& vec, MSpace::Space space);
    MStatus translateBy(const MVector& vec, MSpace::Space space);

    MStatus getRotation(MQuaternion& quaternion, MSpace::Space space = MSpace::kTransform) const;
    MStatus setRotation(const MQuaternion& quaternion, MSpace::Space space = MSpace::kTransform);
    MStatus getRotation(MEulerRotation& rotation) const;
    // Also sets the node's rotation order to the rotation's.
    MStatus setRotation(const MEulerRotation& rotation);
    // The order takes MTransformationMatrix's values (kInvalid first), not MEulerRotation's.
    MTransformationMatrix::RotationOrder rotationOrder(MStatus* ReturnStatus = nullptr) const;
    // With reorder true the node keeps its orientation; otherwise it keeps its three angles.
    MStatus setRotationOrder(MTransformationMatrix::RotationOrder order, bool reorder);

    MStatus getScale(double scale[3]) const;
    MStatus setScale(const double scale[3]);

protected:
    bool accepts(const MObject& object) const override;
};

OPENMAYA_NAMESPACE_CLOSE
