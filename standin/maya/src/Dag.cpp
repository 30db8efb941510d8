// MObject, MDagPath, the DAG function sets, MItDag and the modifiers: thin layers over Scene.
#include <maya/MObject.h>
#include <maya/MObjectHandle.h>
#include <maya/MDagPath.h>
#include <maya/MFnBase.h>
#include <maya/MFnDependencyNode.h>
#include <maya/MFnDagNode.h>
#include <maya/MFnTransform.h>
#include <maya/MItDag.h>
#include <maya/MPlug.h>
#include <maya/MDGModifier.h>
#include <maya/MDagModifier.h>
#include <maya/MPoint.h>
#include "Anim.h"
#include "Internal.h"

#include <cstring>

using mayastandin::detail::fatal;
using mayastandin::detail::kNoNode;
using mayastandin::detail::Scene;

OPENMAYA_NAMESPACE_OPEN

namespace {
Scene& scene() { return Scene::instance(); }
void setStatus(MStatus* s, MStatus value) {
    if (s) *s = value;
}
bool typeHasFn(const mayastandin::detail::Node& n, MFn::Type fs, bool isWorld) {
    const auto& t = *n.type;
    switch (fs) {
        case MFn::kBase:
        case MFn::kNamedObject:
        case MFn::kDependencyNode: return true;
        case MFn::kDagNode: return t.isDag;
        case MFn::kAnimCurve:
            return t.fnType == MFn::kAnimCurveTimeToAngular || t.fnType == MFn::kAnimCurveTimeToDistance ||
                   t.fnType == MFn::kAnimCurveTimeToUnitless;
        case MFn::kWorld: return isWorld;
        case MFn::kTransform: return t.isTransform && !isWorld;
        case MFn::kShape: return t.isShape;
        case MFn::kPluginTransformNode: return t.fnType == MFn::kPluginTransformNode;
        case MFn::kInvalid: return false;
        default: return t.fnType == fs;
    }
}
}  // namespace

// ---- MObject ----
MObject MObject::kNullObj;

bool MObject::isNull() const {
    if (fKind == mayastandin::detail::kNodeKind) return false;
    if (fKind == mayastandin::detail::kAttributeKind) return fIndex == mayastandin::detail::kNoAttribute;
    if (fKind == mayastandin::detail::kPluginKind)
        return mayastandin::detail::Plugins::instance().fromObject(*this) == nullptr;
    return true;
}
MFn::Type MObject::apiType() const {
    if (fKind == mayastandin::detail::kPluginKind) return isNull() ? MFn::kInvalid : MFn::kPlugin;
    if (fKind == mayastandin::detail::kAttributeKind) return isNull() ? MFn::kInvalid : MFn::kNumericAttribute;
    const std::uint32_t i = scene().checkedExisting(*this, "MObject::apiType");
    if (i == kNoNode) return MFn::kInvalid;
    return scene().node(i).type->fnType;
}
bool MObject::hasFn(MFn::Type fs) const {
    if (fKind == mayastandin::detail::kPluginKind) return !isNull() && (fs == MFn::kPlugin || fs == MFn::kBase);
    if (fKind == mayastandin::detail::kAttributeKind)
        return !isNull() && (fs == MFn::kNumericAttribute || fs == MFn::kAttribute || fs == MFn::kBase);
    const std::uint32_t i = scene().checkedExisting(*this, "MObject::hasFn");
    if (i == kNoNode) return false;
    return typeHasFn(scene().node(i), fs, i == scene().world());
}
const char* MObject::apiTypeStr() const {
    switch (apiType()) {
        case MFn::kWorld: return "kWorld";
        case MFn::kTransform: return "kTransform";
        case MFn::kJoint: return "kJoint";
        case MFn::kLocator: return "kLocator";
        case MFn::kCamera: return "kCamera";
        case MFn::kPluginTransformNode: return "kPluginTransformNode";
        case MFn::kPlugin: return "kPlugin";
        case MFn::kAnimCurveTimeToAngular: return "kAnimCurveTimeToAngular";
        case MFn::kAnimCurveTimeToDistance: return "kAnimCurveTimeToDistance";
        case MFn::kAnimCurveTimeToUnitless: return "kAnimCurveTimeToUnitless";
        default: return "kInvalid";
    }
}
// A handle tells alive from valid for nodes; for other objects both mean not null.
MObjectHandle::MObjectHandle(const MObject& object) : fObject(object) {
    if (scene().isDestroyed(object)) fatal("MObjectHandle::MObjectHandle given a destroyed node");
}
MObjectHandle& MObjectHandle::operator=(const MObject& object) {
    if (scene().isDestroyed(object)) fatal("MObjectHandle::operator= given a destroyed node");
    fObject = object;
    return *this;
}
bool MObjectHandle::isAlive() const {
    if (MStandinAccess::kind(fObject) == mayastandin::detail::kNodeKind)
        return scene().existingIndex(fObject) != kNoNode;
    return !fObject.isNull();
}
bool MObjectHandle::isValid() const {
    if (MStandinAccess::kind(fObject) == mayastandin::detail::kNodeKind) return scene().isValid(fObject);
    return !fObject.isNull();
}
MObject MObjectHandle::object() const { return isValid() ? fObject : MObject(); }
const MObject& MObjectHandle::objectRef() const { return isValid() ? fObject : MObject::kNullObj; }
unsigned int MObjectHandle::hashCode() const {
    if (!isAlive()) return 0;
    const unsigned int h = (MStandinAccess::index(fObject) + 1) * 2654435761u ^ MStandinAccess::generation(fObject);
    return h == 0 ? 1 : h;
}

// ---- MDagPath ----
namespace {
std::uint32_t pathIndex(const MDagPath& p, MStatus* rs) {
    const std::uint32_t i = scene().indexOf(MStandinAccess::pathNode(p));
    setStatus(rs, i == kNoNode
                      ? MStandinAccess::status(MStatus::kInvalidParameter, "(kInvalidParameter): Object is invalid")
                      : MStatus(MStatus::kSuccess));
    return i;
}
}  // namespace

MStatus MDagPath::getAPathTo(const MObject& node, MDagPath& path) {
    const std::uint32_t i = scene().validIndex(node, "MDagPath::getAPathTo");
    if (i == kNoNode || !scene().node(i).type->isDag) {
        path = MDagPath();
        return MStandinAccess::status(MStatus::kInvalidParameter, "(kInvalidParameter): Object is invalid");
    }
    path = MStandinAccess::makePath(node);
    return MStatus::kSuccess;
}
bool MDagPath::hasFn(MFn::Type type, MStatus* rs) const { return pathIndex(*this, rs) != kNoNode && fNode.hasFn(type); }
MFn::Type MDagPath::apiType(MStatus* rs) const {
    return pathIndex(*this, rs) == kNoNode ? MFn::kInvalid : fNode.apiType();
}
bool MDagPath::isValid(MStatus* rs) const {
    setStatus(rs, MStatus::kSuccess);
    return scene().isValid(fNode);
}
MObject MDagPath::node(MStatus* rs) const { return pathIndex(*this, rs) == kNoNode ? MObject() : fNode; }
MObject MDagPath::transform(MStatus* rs) const {
    std::uint32_t i = pathIndex(*this, rs);
    if (i == kNoNode) return MObject();
    if (scene().node(i).type->isShape) i = scene().node(i).parent;
    return scene().handle(i);
}
unsigned int MDagPath::length(MStatus* rs) const {
    const std::uint32_t i = pathIndex(*this, rs);
    return i == kNoNode ? 0 : scene().depth(i);
}
unsigned int MDagPath::childCount(MStatus* rs) const {
    const std::uint32_t i = pathIndex(*this, rs);
    return i == kNoNode ? 0 : static_cast<unsigned int>(scene().children(i).size());
}
MObject MDagPath::child(unsigned int c, MStatus* rs) const {
    const std::uint32_t i = pathIndex(*this, rs);
    if (i == kNoNode) return MObject();
    const auto& ch = scene().children(i);
    if (c >= ch.size()) {
        setStatus(rs, MStatus::kInvalidParameter);
        return MObject();
    }
    return scene().handle(ch[c]);
}
MStatus MDagPath::push(const MObject& child) {
    const std::uint32_t i = scene().indexOf(fNode);
    const std::uint32_t c = scene().validIndex(child, "MDagPath::push");
    if (c == kNoNode || (i != kNoNode && scene().node(c).parent != i)) return MStatus::kInvalidParameter;
    fNode = child;
    return MStatus::kSuccess;
}
MStatus MDagPath::pop(unsigned int num) {
    std::uint32_t i = scene().indexOf(fNode);
    if (i == kNoNode) return MStatus::kInvalidParameter;
    for (unsigned int k = 0; k < num; ++k) {
        if (i == scene().world()) return MStatus::kInvalidParameter;
        i = scene().node(i).parent;
    }
    fNode = scene().handle(i);
    return MStatus::kSuccess;
}
MStatus MDagPath::extendToShape() {
    const std::uint32_t i = scene().indexOf(fNode);
    if (i == kNoNode) return MStatus::kInvalidParameter;
    if (scene().node(i).type->isShape) return MStatus::kSuccess;
    for (std::uint32_t c : scene().children(i))
        if (scene().node(c).type->isShape) {
            fNode = scene().handle(c);
            return MStatus::kSuccess;
        }
    return MStatus::kFailure;
}
MString MDagPath::fullPathName(MStatus* rs) const {
    const std::uint32_t i = pathIndex(*this, rs);
    return i == kNoNode ? MString() : MString(scene().fullPath(i).c_str());
}
MString MDagPath::partialPathName(MStatus* rs) const {
    const std::uint32_t i = pathIndex(*this, rs);
    return i == kNoNode ? MString() : MString(scene().partialPath(i).c_str());
}
MMatrix MDagPath::inclusiveMatrix(MStatus* rs) const {
    const std::uint32_t i = pathIndex(*this, rs);
    return i == kNoNode ? MMatrix() : scene().worldMatrix(i);
}
MMatrix MDagPath::exclusiveMatrix(MStatus* rs) const {
    const std::uint32_t i = pathIndex(*this, rs);
    return i == kNoNode || i == scene().world() ? MMatrix() : scene().worldMatrix(scene().node(i).parent);
}
MMatrix MDagPath::inclusiveMatrixInverse(MStatus* rs) const {
    const std::uint32_t i = pathIndex(*this, rs);
    return i == kNoNode ? MMatrix() : scene().worldInverseMatrix(i);
}
MMatrix MDagPath::exclusiveMatrixInverse(MStatus* rs) const {
    const std::uint32_t i = pathIndex(*this, rs);
    return i == kNoNode || i == scene().world() ? MMatrix() : scene().worldInverseMatrix(scene().node(i).parent);
}
bool MDagPath::isVisible(MStatus* rs) const {
    const std::uint32_t i = pathIndex(*this, rs);
    return i != kNoNode && scene().isVisible(i);
}

// ---- function sets ----
bool MFnBase::hasObj(MFn::Type type) const { return fObject.hasFn(type); }
bool MFnBase::hasObj(const MObject& object) const { return accepts(object); }
MObject MFnBase::object(MStatus* rs) const {
    setStatus(rs, MStatus::kSuccess);
    return fObject;
}
MStatus MFnBase::setObject(MObject& object) { return setObject(static_cast<const MObject&>(object)); }
MStatus MFnBase::setObject(const MObject& object) {
    if (!accepts(object)) {
        fObject = MObject();
        return MStandinAccess::status(MStatus::kInvalidParameter,
                                      "(kInvalidParameter): Object is incompatible with this method");
    }
    fObject = object;
    return MStatus::kSuccess;
}

namespace {
// The node a function set is attached to: in the DAG (fnIndex), or existing at all, in the undo queue
// included (fnNode). A destroyed node stops the process, naming the call.
std::uint32_t status(std::uint32_t i, MStatus* rs) {
    setStatus(rs, i == kNoNode
                      ? MStandinAccess::status(MStatus::kInvalidParameter, "(kInvalidParameter): Object is invalid")
                      : MStatus(MStatus::kSuccess));
    return i;
}
std::uint32_t fnIndex(const MObject& o, MStatus* rs, const char* call) {
    return status(scene().validIndex(o, call), rs);
}
std::uint32_t fnNode(const MObject& o, MStatus* rs, const char* call) {
    return status(scene().checkedExisting(o, call), rs);
}
}  // namespace

MFnDependencyNode::MFnDependencyNode(MObject& o, MStatus* rs) { setStatus(rs, setObject(o)); }
MFnDependencyNode::MFnDependencyNode(const MObject& o, MStatus* rs) { setStatus(rs, setObject(o)); }
bool MFnDependencyNode::accepts(const MObject& o) const {
    return scene().checkedExisting(o, "MFnDependencyNode::setObject") != kNoNode;
}
MString MFnDependencyNode::name(MStatus* rs) const {
    const std::uint32_t i = fnNode(fObject, rs, "MFnDependencyNode::name");
    return i == kNoNode ? MString() : MString(scene().node(i).name.c_str());
}
MString MFnDependencyNode::setName(const MString& name, bool, MStatus* rs) {
    const std::uint32_t i = fnNode(fObject, rs, "MFnDependencyNode::setName");
    if (i == kNoNode) return MString();
    const std::string error = scene().rename(i, name.asChar());
    if (!error.empty()) setStatus(rs, MStandinAccess::status(MStatus::kInvalidParameter, error.c_str()));
    return MString(scene().node(i).name.c_str());
}
MTypeId MFnDependencyNode::typeId(MStatus* rs) const {
    const std::uint32_t i = fnNode(fObject, rs, "MFnDependencyNode::typeId");
    return i == kNoNode ? MTypeId() : MTypeId(scene().node(i).type->typeId);
}
MString MFnDependencyNode::typeName(MStatus* rs) const {
    const std::uint32_t i = fnNode(fObject, rs, "MFnDependencyNode::typeName");
    return i == kNoNode ? MString() : MString(scene().node(i).type->name.c_str());
}
MPlug MFnDependencyNode::findPlug(const MString& attrName, bool, MStatus* rs) const {
    const std::uint32_t i = fnNode(fObject, rs, "MFnDependencyNode::findPlug");
    if (i == kNoNode) return MPlug();
    const char* name = attrName.asChar();
    const mayastandin::anim::Channel channel = mayastandin::anim::channelNamed(name);
    if (channel != mayastandin::anim::kChannelEnd && scene().node(i).type->isTransform && i != scene().world())
        return MPlug(fObject, MStandinAccess::makeObject(mayastandin::detail::kAttributeKind, channel, 0));
    if (i == scene().world() || (std::strcmp(name, "visibility") != 0 && std::strcmp(name, "v") != 0)) {
        setStatus(rs, MStandinAccess::status(MStatus::kInvalidParameter, "(kInvalidParameter): No such attribute"));
        return MPlug();
    }
    return MPlug(fObject, MStandinAccess::makeObject(mayastandin::detail::kAttributeKind,
                                                     mayastandin::detail::kVisibilityAttribute, 0));
}
bool MPlug::asBool(MStatus* rs) const {
    const std::uint32_t i = scene().checkedExisting(fNode, "MPlug::asBool");
    const bool visibility = MStandinAccess::kind(fAttribute) == mayastandin::detail::kAttributeKind &&
                            MStandinAccess::index(fAttribute) == mayastandin::detail::kVisibilityAttribute;
    if (i == kNoNode || !visibility) {
        setStatus(rs, MStandinAccess::status(MStatus::kInvalidParameter, "(kInvalidParameter): Plug is invalid"));
        return false;
    }
    setStatus(rs, MStatus::kSuccess);
    return scene().node(i).visible;
}
bool MPlug::asBool(const MDGContext&, MStatus* rs) const { return asBool(rs); }
MPxNode* MFnDependencyNode::userNode(MStatus* rs) const {
    const std::uint32_t i = fnNode(fObject, rs, "MFnDependencyNode::userNode");
    return i == kNoNode ? nullptr : scene().node(i).user;
}

MFnDagNode::MFnDagNode(MObject& o, MStatus* rs) { setStatus(rs, setObject(o)); }
MFnDagNode::MFnDagNode(const MObject& o, MStatus* rs) { setStatus(rs, setObject(o)); }
MFnDagNode::MFnDagNode(const MDagPath& p, MStatus* rs) { setStatus(rs, setObject(p)); }
bool MFnDagNode::accepts(const MObject& o) const {
    const std::uint32_t i = scene().checkedExisting(o, "MFnDagNode::setObject");
    return i != kNoNode && scene().node(i).type->isDag;
}
// A path holds its nodes as Maya's does: one whose node is gone is merely not valid.
MStatus MFnDagNode::setObject(const MDagPath& path) {
    if (!path.isValid()) {
        fObject = MObject();
        return MStandinAccess::status(MStatus::kInvalidParameter, "(kInvalidParameter): The path is not valid");
    }
    return MFnBase::setObject(MStandinAccess::pathNode(path));
}
// Parents and children also of a node out of the DAG (in the undo queue, or before its modifier's doIt): the
// root of such a subtree has no parent.
unsigned int MFnDagNode::parentCount(MStatus* rs) const {
    const std::uint32_t i = fnNode(fObject, rs, "MFnDagNode::parentCount");
    return i == kNoNode || scene().node(i).parent == kNoNode ? 0 : 1;
}
MObject MFnDagNode::parent(unsigned int p, MStatus* rs) const {
    const std::uint32_t i = fnNode(fObject, rs, "MFnDagNode::parent");
    if (i == kNoNode || scene().node(i).parent == kNoNode || p != 0) {
        setStatus(rs, MStatus::kInvalidParameter);
        return MObject();
    }
    return scene().handle(scene().node(i).parent);
}
unsigned int MFnDagNode::childCount(MStatus* rs) const {
    const std::uint32_t i = fnNode(fObject, rs, "MFnDagNode::childCount");
    return i == kNoNode ? 0 : static_cast<unsigned int>(scene().children(i).size());
}
MObject MFnDagNode::child(unsigned int c, MStatus* rs) const {
    const std::uint32_t i = fnNode(fObject, rs, "MFnDagNode::child");
    if (i == kNoNode) return MObject();
    const auto& ch = scene().children(i);
    if (c >= ch.size()) {
        setStatus(rs, MStatus::kInvalidParameter);
        return MObject();
    }
    return scene().handle(ch[c]);
}
bool MFnDagNode::isChildOf(const MObject& node, MStatus* rs) const {
    const std::uint32_t i = fnIndex(fObject, rs, "MFnDagNode::isChildOf");
    const std::uint32_t p = scene().validIndex(node, "MFnDagNode::isChildOf");
    return i != kNoNode && p != kNoNode && scene().node(i).parent == p;
}
bool MFnDagNode::isParentOf(const MObject& node, MStatus* rs) const {
    const std::uint32_t i = fnIndex(fObject, rs, "MFnDagNode::isParentOf");
    const std::uint32_t c = scene().validIndex(node, "MFnDagNode::isParentOf");
    return i != kNoNode && c != kNoNode && scene().node(c).parent == i;
}
MStatus MFnDagNode::getPath(MDagPath& path) const {
    if (scene().validIndex(fObject, "MFnDagNode::getPath") == kNoNode) {
        path = MDagPath();
        return MStandinAccess::status(MStatus::kInvalidParameter, "(kInvalidParameter): Object is not in the scene");
    }
    return MDagPath::getAPathTo(fObject, path);
}
MDagPath MFnDagNode::dagPath(MStatus* rs) const {
    MDagPath p;
    setStatus(rs, getPath(p));
    return p;
}
MString MFnDagNode::fullPathName(MStatus* rs) const {
    const std::uint32_t i = fnIndex(fObject, rs, "MFnDagNode::fullPathName");
    return i == kNoNode ? MString() : MString(scene().fullPath(i).c_str());
}
MString MFnDagNode::partialPathName(MStatus* rs) const {
    const std::uint32_t i = fnIndex(fObject, rs, "MFnDagNode::partialPathName");
    return i == kNoNode ? MString() : MString(scene().partialPath(i).c_str());
}
MMatrix MFnDagNode::transformationMatrix(MStatus* rs) const {
    const std::uint32_t i = fnIndex(fObject, rs, "MFnDagNode::transformationMatrix");
    return i == kNoNode || !scene().node(i).type->isTransform ? MMatrix() : scene().localMatrix(i);
}

// ---- MFnTransform ----
MFnTransform::MFnTransform(MObject& o, MStatus* rs) { setStatus(rs, setObject(o)); }
MFnTransform::MFnTransform(const MObject& o, MStatus* rs) { setStatus(rs, setObject(o)); }
MFnTransform::MFnTransform(const MDagPath& p, MStatus* rs) { setStatus(rs, setObject(p)); }
bool MFnTransform::accepts(const MObject& o) const {
    const std::uint32_t i = scene().checkedExisting(o, "MFnTransform::setObject");
    return i != kNoNode && i != scene().world() && scene().node(i).type->isTransform;
}

namespace {
std::uint32_t xformIndex(const MObject& o, MStatus* rs, const char* call) {
    const std::uint32_t i = scene().validIndex(o, call);
    const bool ok = i != kNoNode && i != scene().world() && scene().node(i).type->isTransform;
    setStatus(rs, ok ? MStatus(MStatus::kSuccess)
                     : MStandinAccess::status(MStatus::kInvalidParameter,
                                              "(kInvalidParameter): Object is not a valid transform"));
    return ok ? i : kNoNode;
}
MQuaternion parentRotation(std::uint32_t i) {
    MQuaternion q;
    q = scene().worldMatrix(scene().node(i).parent);
    return q;
}
}  // namespace

MVector MFnTransform::getTranslation(MSpace::Space space, MStatus* rs) const {
    const std::uint32_t i = xformIndex(fObject, rs, "MFnTransform::getTranslation");
    if (i == kNoNode) return MVector();
    if (space == MSpace::kWorld) {
        const MMatrix m = scene().worldMatrix(i);
        return MVector(m.matrix[3][0], m.matrix[3][1], m.matrix[3][2]);
    }
    return scene().node(i).translation;
}
MStatus MFnTransform::setTranslation(const MVector& v, MSpace::Space space) {
    MStatus s;
    const std::uint32_t i = xformIndex(fObject, &s, "MFnTransform::setTranslation");
    if (i == kNoNode) return s;
    if (space == MSpace::kWorld) {
        const MPoint local = MPoint(v) * scene().worldInverseMatrix(scene().node(i).parent);
        scene().node(i).translation = MVector(local.x, local.y, local.z);
    } else {
        scene().node(i).translation = v;
    }
    scene().countTransformWrite(i);
    return MStatus::kSuccess;
}
MStatus MFnTransform::translateBy(const MVector& v, MSpace::Space space) {
    MStatus s;
    const MVector now = getTranslation(space, &s);
    if (!s) return s;
    return setTranslation(now + v, space);
}
MStatus MFnTransform::getRotation(MQuaternion& q, MSpace::Space space) const {
    MStatus s;
    const std::uint32_t i = xformIndex(fObject, &s, "MFnTransform::getRotation");
    if (i == kNoNode) return s;
    q = scene().node(i).rotation.asQuaternion();
    if (space == MSpace::kWorld) q = q * parentRotation(i);
    return MStatus::kSuccess;
}
MStatus MFnTransform::setRotation(const MQuaternion& q, MSpace::Space space) {
    MStatus s;
    const std::uint32_t i = xformIndex(fObject, &s, "MFnTransform::setRotation");
    if (i == kNoNode) return s;
    MQuaternion local = q.normal();
    if (space == MSpace::kWorld) local = local * parentRotation(i).inverse();
    auto& r = scene().node(i).rotation;
    r = MEulerRotation::decompose(local.asMatrix(), r.order);
    scene().countTransformWrite(i);
    return MStatus::kSuccess;
}
MStatus MFnTransform::getRotation(MEulerRotation& e) const {
    MStatus s;
    const std::uint32_t i = xformIndex(fObject, &s, "MFnTransform::getRotation");
    if (i == kNoNode) return s;
    e = scene().node(i).rotation;
    return MStatus::kSuccess;
}
MStatus MFnTransform::setRotation(const MEulerRotation& e) {
    MStatus s;
    const std::uint32_t i = xformIndex(fObject, &s, "MFnTransform::setRotation");
    if (i == kNoNode) return s;
    scene().node(i).rotation = e;
    scene().countTransformWrite(i);
    return MStatus::kSuccess;
}
MTransformationMatrix::RotationOrder MFnTransform::rotationOrder(MStatus* rs) const {
    const std::uint32_t i = xformIndex(fObject, rs, "MFnTransform::rotationOrder");
    return i == kNoNode ? MTransformationMatrix::kInvalid
                        : mayastandin::detail::transformOrder(scene().node(i).rotation.order);
}
MStatus MFnTransform::setRotationOrder(MTransformationMatrix::RotationOrder transformOrder, bool reorder) {
    MStatus s;
    const std::uint32_t i = xformIndex(fObject, &s, "MFnTransform::setRotationOrder");
    if (i == kNoNode) return s;
    if (transformOrder <= MTransformationMatrix::kInvalid || transformOrder >= MTransformationMatrix::kLast)
        return MStandinAccess::status(MStatus::kInvalidParameter, "(kInvalidParameter): Invalid rotation order");
    const MEulerRotation::RotationOrder order = mayastandin::detail::eulerOrder(transformOrder);
    auto& r = scene().node(i).rotation;
    if (reorder)
        r = r.reorder(order);
    else
        r.order = order;
    scene().transformChanged(i);
    return MStatus::kSuccess;
}
MStatus MFnTransform::getScale(double scale[3]) const {
    MStatus s;
    const std::uint32_t i = xformIndex(fObject, &s, "MFnTransform::getScale");
    if (i == kNoNode) return s;
    for (int k = 0; k < 3; ++k) scale[k] = scene().node(i).scale[k];
    return MStatus::kSuccess;
}
MStatus MFnTransform::setScale(const double scale[3]) {
    MStatus s;
    const std::uint32_t i = xformIndex(fObject, &s, "MFnTransform::setScale");
    if (i == kNoNode) return s;
    for (int k = 0; k < 3; ++k) scene().node(i).scale[k] = scale[k];
    scene().scaleChanged(i);
    return MStatus::kSuccess;
}

// ---- MItDag ----
MItDag::MItDag(TraversalType type, MFn::Type filter, MStatus* rs)
    : fType(type == kBreadthFirst ? kBreadthFirst : kDepthFirst),
      fFilter(filter),
      fQueueHead(0),
      fCurrent(0),
      fDone(false) {
    reset();
    setStatus(rs, MStatus::kSuccess);
}
MItDag::~MItDag() {}
bool MItDag::matches() const {
    if (fFilter == MFn::kInvalid) return true;
    return typeHasFn(scene().node(fCurrent), fFilter, fCurrent == scene().world());
}
MStatus MItDag::reset() {
    fStack.clear();
    fQueue.clear();
    fQueueHead = 0;
    fDone = false;
    fCurrent = scene().world();
    if (fType == kDepthFirst)
        fStack.push_back(Frame{fCurrent, 0});
    else
        fQueue.push_back(fCurrent), fQueueHead = 1;
    if (!matches()) advance(false);
    return MStatus::kSuccess;
}
void MItDag::advance(bool skipChildren) {
    do {
        if (fType == kDepthFirst) {
            if (skipChildren && !fStack.empty()) fStack.pop_back();
            skipChildren = false;
            bool found = false;
            while (!fStack.empty()) {
                Frame& top = fStack.back();
                const auto& ch = scene().node(top.node).children;
                while (top.nextChild < ch.size() && ch[top.nextChild] == kNoNode) ++top.nextChild;
                if (top.nextChild < ch.size()) {
                    fCurrent = ch[top.nextChild++];
                    fStack.push_back(Frame{fCurrent, 0});
                    found = true;
                    break;
                }
                fStack.pop_back();
            }
            if (!found) {
                fDone = true;
                return;
            }
        } else {
            if (!skipChildren)
                for (std::uint32_t c : scene().node(fCurrent).children)
                    if (c != kNoNode) fQueue.push_back(c);
            skipChildren = false;
            if (fQueueHead >= fQueue.size()) {
                fDone = true;
                return;
            }
            fCurrent = fQueue[fQueueHead++];
        }
    } while (!matches());
}
bool MItDag::isDone(MStatus* rs) const {
    setStatus(rs, MStatus::kSuccess);
    return fDone;
}
MObject MItDag::currentItem(MStatus* rs) {
    setStatus(rs, fDone ? MStatus::kFailure : MStatus::kSuccess);
    return fDone ? MObject() : scene().handle(fCurrent);
}
MStatus MItDag::next() {
    if (fDone) return MStatus::kFailure;
    advance(false);
    return MStatus::kSuccess;
}
MStatus MItDag::prune() {
    if (fDone) return MStatus::kFailure;
    advance(true);
    return MStatus::kSuccess;
}
MStatus MItDag::getPath(MDagPath& path) const {
    if (fDone) {
        path = MDagPath();
        return MStatus::kFailure;
    }
    path = MStandinAccess::makePath(scene().handle(fCurrent));
    return MStatus::kSuccess;
}
MString MItDag::fullPathName(MStatus* rs) const {
    setStatus(rs, MStatus::kSuccess);
    return fDone ? MString() : MString(scene().fullPath(fCurrent).c_str());
}
MString MItDag::partialPathName(MStatus* rs) const {
    setStatus(rs, MStatus::kSuccess);
    return fDone ? MString() : MString(scene().partialPath(fCurrent).c_str());
}
unsigned int MItDag::depth(MStatus* rs) const {
    setStatus(rs, MStatus::kSuccess);
    return fDone ? 0 : scene().depth(fCurrent);
}
MObject MItDag::root(MStatus* rs) {
    setStatus(rs, MStatus::kSuccess);
    return scene().handle(scene().world());
}

// ---- modifiers ----
namespace {
enum OperationKind { kCreate = 1, kRename, kReparent, kDelete };
// The owner token of the nodes a modifier holds out of the DAG.
std::uintptr_t holder(const MDGModifier* m) { return reinterpret_cast<std::uintptr_t>(m); }
MStatus invalidObject() {
    return MStandinAccess::status(MStatus::kInvalidParameter, "(kInvalidParameter): Object is invalid");
}
}  // namespace

MDGModifier::MDGModifier() : fNextPending(0) {}
// The nodes it created and never added, or deleted, are its own and go with it.
MDGModifier::~MDGModifier() {
    for (const Operation& op : fOperations)
        if (op.kind == kCreate || op.kind == kDelete) scene().destroyHeld(op.node, holder(this));
}

void MStandinAccess::recordCreated(MDGModifier* m, const MObject& node) {
    const bool nonePending = m->fNextPending == m->fOperations.size();
    m->fOperations.push_back(MDGModifier::Operation{kCreate, node, MObject(), std::string(), true});
    if (nonePending) m->fNextPending = m->fOperations.size();
}

// A dependency node waits out of the scene for doIt; a DAG node needs MDagModifier.
MObject MDGModifier::createNode(const MString& type, MStatus* rs) {
    auto t = scene().findType(type.asChar());
    if (t && !t->isDag) {
        std::string error;
        const std::uint32_t i = scene().createDependencyNode(t->name, std::string(), &error);
        scene().takeOut(i, holder(this));
        const MObject node = scene().handle(i);
        fOperations.push_back(Operation{kCreate, node, MObject(), std::string(), false});
        setStatus(rs, MStatus::kSuccess);
        return node;
    }
    setStatus(rs, MStandinAccess::status(MStatus::kInvalidParameter,
                                         t ? "(kInvalidParameter): DAG node types are created with MDagModifier"
                                           : "(kInvalidParameter): Unknown node type"));
    return MObject();
}
MObject MDGModifier::createNode(const MTypeId& typeId, MStatus* rs) {
    auto t = scene().findTypeById(typeId.id());
    if (t && !t->isDag) return createNode(MString(t->name.c_str()), rs);
    setStatus(rs, MStandinAccess::status(MStatus::kInvalidParameter,
                                         "(kInvalidParameter): DAG node types are created with MDagModifier"));
    return MObject();
}
MStatus MDGModifier::renameNode(const MObject& node, const MString& newName) {
    if (scene().checkedExisting(node, "MDGModifier::renameNode") == kNoNode) return invalidObject();
    fOperations.push_back(Operation{kRename, node, MObject(), newName.asChar(), false});
    return MStatus::kSuccess;
}
MStatus MDGModifier::deleteNode(const MObject& node) {
    if (scene().checkedExisting(node, "MDGModifier::deleteNode") == kNoNode) return invalidObject();
    fOperations.push_back(Operation{kDelete, node, MObject(), std::string(), false});
    return MStatus::kSuccess;
}

MStatus MDGModifier::doIt() {
    bool failed = false;
    auto fail = [&](const std::string& text) {
        mayastandin::detail::log::error(text);
        failed = true;
    };
    for (; fNextPending < fOperations.size(); ++fNextPending) {
        Operation& op = fOperations[fNextPending];
        const std::uint32_t i = scene().checkedExisting(op.node, "MDGModifier::doIt");
        if (i == kNoNode) {
            fail("Cannot edit a node that no longer exists");
            continue;
        }
        if (op.kind == kCreate) {
            if (scene().node(i).inDag || scene().node(i).owner != holder(this)) continue;
            scene().checkedExisting(scene().node(i).homeParent, "MDagModifier::doIt");
            scene().putBack(i);
            op.done = true;
        } else if (op.kind == kRename) {
            const std::string previous = scene().node(i).name;
            const std::string error = scene().rename(i, op.name);
            if (!error.empty()) {
                fail(error);
                continue;
            }
            op.name = previous;
            op.done = true;
        } else if (op.kind == kReparent) {
            const bool toWorld = MStandinAccess::kind(op.parent) == mayastandin::detail::kNullKind;
            const std::uint32_t p = toWorld ? scene().world() : scene().validIndex(op.parent, "MDagModifier::doIt");
            if (!scene().node(i).inDag || p == kNoNode) {
                fail("Cannot parent '" + scene().node(i).name + "': it or its new parent is not in the scene");
                continue;
            }
            const std::uint32_t previous = scene().node(i).parent;
            const std::string error = scene().reparent(i, p);
            if (!error.empty()) {
                fail(error);
                continue;
            }
            op.parent = previous == scene().world() ? MObject() : scene().handle(previous);
            op.done = true;
        } else if (op.kind == kDelete) {
            if (!scene().node(i).inDag) {
                fail("Cannot delete '" + scene().node(i).name + "': it is not in the scene");
                continue;
            }
            if (scene().isDefaultCamera(i)) {
                fail("Cannot delete the default camera '" + scene().node(i).name + "'");
                continue;
            }
            scene().takeOut(i, holder(this));
            op.done = true;
        }
    }
    return failed ? MStandinAccess::status(MStatus::kFailure, "(kFailure): One or more operations failed")
                  : MStatus(MStatus::kSuccess);
}

// Reverts what doIt did (and the curves recorded as done), newest first; a later doIt does it all again.
MStatus MDGModifier::undoIt() {
    for (std::size_t k = fOperations.size(); k-- > 0;) {
        Operation& op = fOperations[k];
        if (!op.done) continue;
        op.done = false;
        const std::uint32_t i = scene().checkedExisting(op.node, "MDGModifier::undoIt");
        if (i == kNoNode) continue;
        if (op.kind == kCreate) {
            scene().takeOut(i, holder(this));
        } else if (op.kind == kRename) {
            const std::string now = scene().node(i).name;
            scene().rename(i, op.name);
            op.name = now;
        } else if (op.kind == kReparent) {
            const bool toWorld = MStandinAccess::kind(op.parent) == mayastandin::detail::kNullKind;
            const std::uint32_t p = toWorld ? scene().world() : scene().validIndex(op.parent, "MDGModifier::undoIt");
            const std::uint32_t now = scene().node(i).parent;
            if (p != kNoNode && scene().node(i).inDag) scene().reparent(i, p);
            op.parent = now == scene().world() ? MObject() : scene().handle(now);
        } else if (op.kind == kDelete) {
            if (scene().node(i).owner == holder(this)) scene().putBack(i);
        }
    }
    fNextPending = 0;
    return MStatus::kSuccess;
}

MObject MDagModifier::createNode(const MString& type, const MObject& parent, MStatus* rs) {
    std::uint32_t p = scene().world();
    if (MStandinAccess::kind(parent) != mayastandin::detail::kNullKind) {
        p = scene().checkedExisting(parent, "MDagModifier::createNode");
        if (p == kNoNode) {
            setStatus(rs, MStandinAccess::status(MStatus::kInvalidParameter,
                                                 "(kInvalidParameter): Parent object is invalid"));
            return MObject();
        }
    }
    std::string error;
    const std::uint32_t i = scene().createNode(type.asChar(), p, std::string(), &error, true, holder(this));
    if (i == kNoNode) {
        setStatus(rs, MStandinAccess::status(MStatus::kInvalidParameter, ("(kInvalidParameter): " + error).c_str()));
        return MObject();
    }
    MObject node = scene().handle(i);
    fOperations.push_back(Operation{kCreate, node, MObject(), std::string(), false});
    setStatus(rs, MStatus::kSuccess);
    return node;
}
MObject MDagModifier::createNode(const MTypeId& typeId, const MObject& parent, MStatus* rs) {
    auto t = scene().findTypeById(typeId.id());
    if (!t) {
        setStatus(rs, MStandinAccess::status(MStatus::kInvalidParameter, "(kInvalidParameter): Unknown node type id"));
        return MObject();
    }
    return createNode(MString(t->name.c_str()), parent, rs);
}
MStatus MDagModifier::reparentNode(const MObject& node, const MObject& newParent) {
    if (scene().checkedExisting(node, "MDagModifier::reparentNode") == kNoNode) return invalidObject();
    if (MStandinAccess::kind(newParent) != mayastandin::detail::kNullKind &&
        scene().checkedExisting(newParent, "MDagModifier::reparentNode") == kNoNode)
        return MStandinAccess::status(MStatus::kInvalidParameter, "(kInvalidParameter): Parent object is invalid");
    fOperations.push_back(Operation{kReparent, node, newParent, std::string(), false});
    return MStatus::kSuccess;
}

OPENMAYA_NAMESPACE_CLOSE
