// MFnIkJoint: a joint's orient and rotate axis, both kept as XYZ Euler angles as the attributes hold them.
#include <maya/MFnIkJoint.h>
#include "Internal.h"

using mayastandin::detail::kNoNode;
using mayastandin::detail::Scene;

OPENMAYA_NAMESPACE_OPEN

namespace {

Scene& scene() { return Scene::instance(); }

std::uint32_t jointIndex(const MObject& o, MStatus* rs) {
    const std::uint32_t i = scene().indexOf(o);
    const bool ok = i != kNoNode && scene().node(i).type->fnType == MFn::kJoint;
    if (rs)
        *rs =
            ok ? MStatus(MStatus::kSuccess)
               : MStandinAccess::status(MStatus::kInvalidParameter, "(kInvalidParameter): Object is not a valid joint");
    return ok ? i : kNoNode;
}

MEulerRotation xyzOf(const MQuaternion& q) {
    return MEulerRotation::decompose(q.normal().asMatrix(), MEulerRotation::kXYZ);
}

// Reads or writes one of the joint's XYZ rotations.
MStatus getAngles(const MObject& o, MEulerRotation mayastandin::detail::Node::*field, MEulerRotation& out) {
    MStatus s;
    const std::uint32_t i = jointIndex(o, &s);
    if (i != kNoNode) out = scene().node(i).*field;
    return s;
}

MStatus setAngles(const MObject& o, MEulerRotation mayastandin::detail::Node::*field, const MEulerRotation& value) {
    MStatus s;
    const std::uint32_t i = jointIndex(o, &s);
    if (i == kNoNode) return s;
    scene().node(i).*field = value.order == MEulerRotation::kXYZ ? value : value.reorder(MEulerRotation::kXYZ);
    scene().transformChanged(i);
    return s;
}

}  // namespace

MFnIkJoint::MFnIkJoint(MObject& o, MStatus* rs) {
    const MStatus s = setObject(o);
    if (rs) *rs = s;
}
MFnIkJoint::MFnIkJoint(const MObject& o, MStatus* rs) {
    const MStatus s = setObject(o);
    if (rs) *rs = s;
}
MFnIkJoint::MFnIkJoint(const MDagPath& p, MStatus* rs) {
    const MStatus s = setObject(p);
    if (rs) *rs = s;
}
bool MFnIkJoint::accepts(const MObject& o) const { return jointIndex(o, nullptr) != kNoNode; }

MStatus MFnIkJoint::getOrientation(MQuaternion& q) const {
    MEulerRotation e;
    const MStatus s = getAngles(fObject, &mayastandin::detail::Node::jointOrient, e);
    if (s) q = e.isZero(0.0) ? MQuaternion() : e.asQuaternion();
    return s;
}
MStatus MFnIkJoint::setOrientation(const MQuaternion& q) {
    return setAngles(fObject, &mayastandin::detail::Node::jointOrient, xyzOf(q));
}
MStatus MFnIkJoint::getOrientation(MEulerRotation& e) const {
    return getAngles(fObject, &mayastandin::detail::Node::jointOrient, e);
}
MStatus MFnIkJoint::setOrientation(const MEulerRotation& e) {
    return setAngles(fObject, &mayastandin::detail::Node::jointOrient, e);
}
MStatus MFnIkJoint::getScaleOrientation(MQuaternion& q) const {
    MEulerRotation e;
    const MStatus s = getAngles(fObject, &mayastandin::detail::Node::rotateAxis, e);
    if (s) q = e.isZero(0.0) ? MQuaternion() : e.asQuaternion();
    return s;
}
MStatus MFnIkJoint::setScaleOrientation(const MQuaternion& q) {
    return setAngles(fObject, &mayastandin::detail::Node::rotateAxis, xyzOf(q));
}

OPENMAYA_NAMESPACE_CLOSE
