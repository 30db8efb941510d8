// Evaluation contexts and MTransformationMatrix.
#include <maya/MDGContext.h>
#include <maya/MDGContextGuard.h>
#include <maya/MEulerRotation.h>
#include <maya/MMatrix.h>
#include <maya/MQuaternion.h>
#include <maya/MTransformationMatrix.h>
#include <maya/MVector.h>
#include "Internal.h"

#include <cmath>

using mayastandin::detail::eulerOrder;
using mayastandin::detail::transformOrder;

OPENMAYA_NAMESPACE_OPEN

// ---- Contexts: this host has the normal context only, so every context is normal and current. ----
bool MDGContext::isNormal(MStatus* rs) const {
    if (rs) *rs = MStatus::kSuccess;
    return true;
}
const MDGContext MDGContext::current() { return fsNormal; }
bool MDGContext::isCurrent(MStatus* rs) const { return isNormal(rs); }

MDGContextGuard::MDGContextGuard(const MDGContext&) {}
MDGContextGuard::~MDGContextGuard() {}

// ---- MTransformationMatrix ----
const MTransformationMatrix MTransformationMatrix::identity;

MTransformationMatrix::~MTransformationMatrix() {}
MTransformationMatrix::MTransformationMatrix()
    : fScale{1.0, 1.0, 1.0}, fRotation{0.0, 0.0, 0.0}, fOrder(MEulerRotation::kXYZ), fTranslation{0.0, 0.0, 0.0} {}
MTransformationMatrix::MTransformationMatrix(const MTransformationMatrix& src) = default;
MTransformationMatrix::MTransformationMatrix(const MMatrix& src) : MTransformationMatrix() { *this = src; }
MTransformationMatrix& MTransformationMatrix::operator=(const MTransformationMatrix& src) = default;
MTransformationMatrix& MTransformationMatrix::operator=(const MMatrix& src) {
    MMatrix rotation;
    for (int row = 0; row < 3; ++row) {
        const MVector axis(src.matrix[row][0], src.matrix[row][1], src.matrix[row][2]);
        fScale[row] = axis.length();
        for (int col = 0; col < 3; ++col)
            rotation.matrix[row][col] = fScale[row] > 0.0 ? src.matrix[row][col] / fScale[row] : 0.0;
    }
    // A mirroring matrix keeps a proper rotation: the sign goes to the scale.
    if (rotation.det3x3() < 0.0) {
        fScale[0] = -fScale[0];
        for (int col = 0; col < 3; ++col) rotation.matrix[0][col] = -rotation.matrix[0][col];
    }
    rotateTo(MEulerRotation::decompose(rotation, MEulerRotation::kXYZ));
    for (int k = 0; k < 3; ++k) fTranslation[k] = src.matrix[3][k];
    return *this;
}

MMatrix MTransformationMatrix::asMatrix() const {
    MMatrix scale;
    for (int k = 0; k < 3; ++k) scale.matrix[k][k] = fScale[k];
    MMatrix result = scale * eulerRotation().asMatrix();
    for (int k = 0; k < 3; ++k) result.matrix[3][k] = fTranslation[k];
    return result;
}
MStatus MTransformationMatrix::getScale(double scale[3], MSpace::Space) const {
    for (int k = 0; k < 3; ++k) scale[k] = fScale[k];
    return MStatus::kSuccess;
}
MStatus MTransformationMatrix::setScale(const double scale[3], MSpace::Space) {
    for (int k = 0; k < 3; ++k) fScale[k] = scale[k];
    return MStatus::kSuccess;
}
MQuaternion MTransformationMatrix::rotation() const { return eulerRotation().asQuaternion(); }
MTransformationMatrix& MTransformationMatrix::rotateTo(const MQuaternion& q) {
    MEulerRotation e(0.0, 0.0, 0.0, static_cast<MEulerRotation::RotationOrder>(fOrder));
    e = q;
    return rotateTo(e);
}
MEulerRotation MTransformationMatrix::eulerRotation() const {
    return MEulerRotation(fRotation[0], fRotation[1], fRotation[2], static_cast<MEulerRotation::RotationOrder>(fOrder));
}
MTransformationMatrix& MTransformationMatrix::rotateTo(const MEulerRotation& e) {
    fRotation[0] = e.x;
    fRotation[1] = e.y;
    fRotation[2] = e.z;
    fOrder = e.order;
    return *this;
}
MStatus MTransformationMatrix::getRotation(double rotation[3], RotationOrder& order) const {
    for (int k = 0; k < 3; ++k) rotation[k] = fRotation[k];
    order = transformOrder(static_cast<MEulerRotation::RotationOrder>(fOrder));
    return MStatus::kSuccess;
}
MStatus MTransformationMatrix::setRotation(const double rotation[3], RotationOrder order) {
    if (order <= kInvalid || order >= kLast) return MStatus::kInvalidParameter;
    rotateTo(MEulerRotation(rotation[0], rotation[1], rotation[2], eulerOrder(order)));
    return MStatus::kSuccess;
}
MTransformationMatrix::RotationOrder MTransformationMatrix::rotationOrder(MStatus* rs) const {
    if (rs) *rs = MStatus::kSuccess;
    return transformOrder(static_cast<MEulerRotation::RotationOrder>(fOrder));
}
MStatus MTransformationMatrix::reorderRotation(const RotationOrder& order) {
    if (order <= kInvalid || order >= kLast) return MStatus::kInvalidParameter;
    rotateTo(eulerRotation().reorder(eulerOrder(order)));
    return MStatus::kSuccess;
}
MVector MTransformationMatrix::getTranslation(MSpace::Space, MStatus* rs) const {
    if (rs) *rs = MStatus::kSuccess;
    return MVector(fTranslation[0], fTranslation[1], fTranslation[2]);
}
MStatus MTransformationMatrix::setTranslation(const MVector& v, MSpace::Space) {
    fTranslation[0] = v.x;
    fTranslation[1] = v.y;
    fTranslation[2] = v.z;
    return MStatus::kSuccess;
}
bool MTransformationMatrix::isEquivalent(const MTransformationMatrix& other, double tolerance) const {
    return asMatrix().isEquivalent(other.asMatrix(), tolerance);
}
bool MTransformationMatrix::operator==(const MTransformationMatrix& other) const {
    return asMatrix() == other.asMatrix();
}
bool MTransformationMatrix::operator!=(const MTransformationMatrix& other) const { return !(*this == other); }

OPENMAYA_NAMESPACE_CLOSE
