#pragma once
// A transform's components: scale, rotation (Euler angles with an order) and translation; asMatrix() is
// S * R * T for row vectors, as MFnTransform composes a transform node. RotationOrder starts at kInvalid,
// so its values are one above MEulerRotation's: convert by name, never by value.
#include <maya/MStatus.h>

OPENMAYA_NAMESPACE_OPEN

class OPENMAYA_EXPORT MTransformationMatrix {
public:
    enum RotationOrder { kInvalid, kXYZ, kYZX, kZXY, kXZY, kYXZ, kZYX, kLast };

    ~MTransformationMatrix();
    MTransformationMatrix();
    MTransformationMatrix(const MTransformationMatrix& src);
    // Decomposes a matrix without shear into scale, rotation (order kXYZ) and translation.
    MTransformationMatrix(const MMatrix& src);
    MTransformationMatrix& operator=(const MTransformationMatrix& src);
    MTransformationMatrix& operator=(const MMatrix& src);

    MMatrix asMatrix() const;
    MStatus getScale(double scale[3], MSpace::Space space) const;
    MStatus setScale(const double scale[3], MSpace::Space space);
    MQuaternion rotation() const;
    MTransformationMatrix& rotateTo(const MQuaternion& q);
    MEulerRotation eulerRotation() const;
    MTransformationMatrix& rotateTo(const MEulerRotation& e);
    MStatus getRotation(double rotation[3], RotationOrder& order) const;
    MStatus setRotation(const double rotation[3], RotationOrder order);
    RotationOrder rotationOrder(MStatus* ReturnStatus = NULL) const;
    // Keeps the orientation and expresses it in the new order.
    MStatus reorderRotation(const RotationOrder& order);
    MVector getTranslation(MSpace::Space, MStatus* ReturnStatus = NULL) const;
    MStatus setTranslation(const MVector& vector, MSpace::Space);
    bool isEquivalent(const MTransformationMatrix& other, double tolerance = 1.0e-10) const;
    bool operator==(const MTransformationMatrix& other) const;
    bool operator!=(const MTransformationMatrix& other) const;

    static const MTransformationMatrix identity;

private:
    double fScale[3];
    double fRotation[3];
    int fOrder;  // an MEulerRotation::RotationOrder
    double fTranslation[3];
};

OPENMAYA_NAMESPACE_CLOSE
