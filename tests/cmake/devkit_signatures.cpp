// The Maya headers' declarations as the 2018 devkit has them, for the members the product calls: each
// ORVANE_SIGNATURE picks the one overload of exactly that type (parameters, constness, return), so a
// stand-in declaration that differs, or is missing, fails to compile here. ORVANE_DEFAULTS calls with the
// arguments left to their defaults. ORVANE_ABSENT names what the devkit does not have: a stand-in that
// offers it would let the product use it and still build. Deprecated calls are in
// tests/standin/maya/rejected_usage.cpp (they must fail under -Werror, not compile).
#include <type_traits>
#include <utility>

#include <QtCore/QObject>
#include <QtWidgets/QWidget>

#include <maya/MAnimControl.h>
#include <maya/MAnimCurveChange.h>
#include <maya/MArgList.h>
#include <maya/MArgParser.h>
#include <maya/MDGContext.h>
#include <maya/MDGContextGuard.h>
#include <maya/MDGModifier.h>
#include <maya/MDagModifier.h>
#include <maya/MDagPath.h>
#include <maya/MEulerRotation.h>
#include <maya/MFnDagNode.h>
#include <maya/MFnDependencyNode.h>
#include <maya/MFnIkJoint.h>
#define MNoVersionString
#include <maya/MFnPlugin.h>
#include <maya/MFnTransform.h>
#include <maya/MGlobal.h>
#include <maya/MItDag.h>
#include <maya/MObject.h>
#include <maya/MPlug.h>
#include <maya/MPxCommand.h>
#include <maya/MPxTransform.h>
#include <maya/MPxTransformationMatrix.h>
#include <maya/MQuaternion.h>
#include <maya/MSelectionList.h>
#include <maya/MStatus.h>
#include <maya/MString.h>
#include <maya/MStringArray.h>
#include <maya/MSyntax.h>
#include <maya/MTransformationMatrix.h>
#include <maya/MTypeId.h>
#include <maya/MVector.h>
#include <maya/MQtUtil.h>

#define ORVANE_SIGNATURE(member, ...) \
    static_assert(std::is_same<decltype(static_cast<__VA_ARGS__>(&member)), __VA_ARGS__>::value, #member)

// Member functions.
ORVANE_SIGNATURE(MStatus::errorString, MString (MStatus::*)() const);
ORVANE_SIGNATURE(MStatus::perror, void (MStatus::*)(const char*) const);
ORVANE_SIGNATURE(MStatus::perror, void (MStatus::*)(const MString&) const);
ORVANE_SIGNATURE(MString::asChar, const char* (MString::*)() const);
ORVANE_SIGNATURE(MString::length, unsigned int (MString::*)() const);
ORVANE_SIGNATURE(MString::set, MStatus (MString::*)(const char*));
ORVANE_SIGNATURE(MString::set, MStatus (MString::*)(double));
ORVANE_SIGNATURE(MString::toLowerCase, MString& (MString::*)());
ORVANE_SIGNATURE(MString::toUpperCase, MString& (MString::*)());
ORVANE_SIGNATURE(MString::operator+, MString (MString::*)(const MString&) const);
ORVANE_SIGNATURE(MString::operator+, MString (MString::*)(const char*) const);
ORVANE_SIGNATURE(MString::operator+, MString (MString::*)(double) const);
ORVANE_SIGNATURE(MString::operator+=, MString& (MString::*)(int));
ORVANE_SIGNATURE(MString::operator=, MString& (MString::*)(double));
ORVANE_SIGNATURE(MStringArray::length, unsigned int (MStringArray::*)() const);
ORVANE_SIGNATURE(MStringArray::operator[], MString (MStringArray::*)(unsigned int) const);
ORVANE_SIGNATURE(MStringArray::operator[], MString& (MStringArray::*)(unsigned int));
ORVANE_SIGNATURE(MTypeId::id, unsigned int (MTypeId::*)(MStatus*) const);
ORVANE_SIGNATURE(MObject::isNull, bool (MObject::*)() const);
ORVANE_SIGNATURE(MDagPath::isValid, bool (MDagPath::*)(MStatus*) const);
ORVANE_SIGNATURE(MDagPath::node, MObject (MDagPath::*)(MStatus*) const);
ORVANE_SIGNATURE(MDagPath::length, unsigned int (MDagPath::*)(MStatus*) const);
ORVANE_SIGNATURE(MDagPath::pop, MStatus (MDagPath::*)(unsigned int));
ORVANE_SIGNATURE(MDagPath::fullPathName, MString (MDagPath::*)(MStatus*) const);
ORVANE_SIGNATURE(MDagPath::operator==, bool (MDagPath::*)(const MDagPath&) const);
ORVANE_SIGNATURE(MFnBase::setObject, MStatus (MFnBase::*)(MObject&));
ORVANE_SIGNATURE(MFnBase::setObject, MStatus (MFnBase::*)(const MObject&));
ORVANE_SIGNATURE(MFnBase::object, MObject (MFnBase::*)(MStatus*) const);
ORVANE_SIGNATURE(MFnDependencyNode::name, MString (MFnDependencyNode::*)(MStatus*) const);
ORVANE_SIGNATURE(MFnDependencyNode::typeName, MString (MFnDependencyNode::*)(MStatus*) const);
ORVANE_SIGNATURE(MFnDependencyNode::findPlug, MPlug (MFnDependencyNode::*)(const MString&, bool, MStatus*) const);
ORVANE_SIGNATURE(MFnDagNode::setObject, MStatus (MFnDagNode::*)(const MDagPath&));
ORVANE_SIGNATURE(MFnDagNode::parentCount, unsigned int (MFnDagNode::*)(MStatus*) const);
ORVANE_SIGNATURE(MFnDagNode::parent, MObject (MFnDagNode::*)(unsigned int, MStatus*) const);
ORVANE_SIGNATURE(MFnDagNode::childCount, unsigned int (MFnDagNode::*)(MStatus*) const);
ORVANE_SIGNATURE(MFnDagNode::child, MObject (MFnDagNode::*)(unsigned int, MStatus*) const);
ORVANE_SIGNATURE(MFnDagNode::getPath, MStatus (MFnDagNode::*)(MDagPath&) const);
ORVANE_SIGNATURE(MFnDagNode::fullPathName, MString (MFnDagNode::*)(MStatus*) const);
ORVANE_SIGNATURE(MFnTransform::getTranslation, MVector (MFnTransform::*)(MSpace::Space, MStatus*) const);
ORVANE_SIGNATURE(MFnTransform::setTranslation, MStatus (MFnTransform::*)(const MVector&, MSpace::Space));
ORVANE_SIGNATURE(MFnTransform::setRotation, MStatus (MFnTransform::*)(const MQuaternion&, MSpace::Space));
ORVANE_SIGNATURE(MFnTransform::setRotation, MStatus (MFnTransform::*)(const MEulerRotation&));
ORVANE_SIGNATURE(MFnTransform::rotationOrder, MTransformationMatrix::RotationOrder (MFnTransform::*)(MStatus*) const);
ORVANE_SIGNATURE(MFnTransform::setRotationOrder, MStatus (MFnTransform::*)(MTransformationMatrix::RotationOrder, bool));
ORVANE_SIGNATURE(MTransformationMatrix::rotationOrder,
                 MTransformationMatrix::RotationOrder (MTransformationMatrix::*)(MStatus*) const);
ORVANE_SIGNATURE(MPlug::asBool, bool (MPlug::*)(MStatus*) const);
ORVANE_SIGNATURE(MPlug::isNull, bool (MPlug::*)(MStatus*) const);
ORVANE_SIGNATURE(MDGContext::current, const MDGContext (*)());
ORVANE_SIGNATURE(MDGContext::isNormal, bool (MDGContext::*)(MStatus*) const);
ORVANE_SIGNATURE(MDGModifier::renameNode, MStatus (MDGModifier::*)(const MObject&, const MString&));
ORVANE_SIGNATURE(MDGModifier::doIt, MStatus (MDGModifier::*)());
ORVANE_SIGNATURE(MDagModifier::createNode, MObject (MDagModifier::*)(const MString&, const MObject&, MStatus*));
ORVANE_SIGNATURE(MDagModifier::createNode, MObject (MDagModifier::*)(const MTypeId&, const MObject&, MStatus*));
ORVANE_SIGNATURE(MDagModifier::reparentNode, MStatus (MDagModifier::*)(const MObject&, const MObject&));
ORVANE_SIGNATURE(MItDag::isDone, bool (MItDag::*)(MStatus*) const);
ORVANE_SIGNATURE(MItDag::currentItem, MObject (MItDag::*)(MStatus*));
ORVANE_SIGNATURE(MItDag::next, MStatus (MItDag::*)());
ORVANE_SIGNATURE(MItDag::getPath, MStatus (MItDag::*)(MDagPath&) const);
ORVANE_SIGNATURE(MSelectionList::length, unsigned int (MSelectionList::*)(MStatus*) const);
ORVANE_SIGNATURE(MSelectionList::getDagPath, MStatus (MSelectionList::*)(unsigned int, MDagPath&, MObject&) const);
ORVANE_SIGNATURE(MGlobal::executeCommand, MStatus (*)(const MString&, bool, bool));
ORVANE_SIGNATURE(MGlobal::executeCommand, MStatus (*)(const MString&, int&, bool, bool));
ORVANE_SIGNATURE(MGlobal::executeCommand, MStatus (*)(const MString&, MString&, bool, bool));
ORVANE_SIGNATURE(MGlobal::executeCommand, MStatus (*)(const MString&, MStringArray&, bool, bool));
ORVANE_SIGNATURE(MGlobal::getSelectionListByName, MStatus (*)(const MString&, MSelectionList&));
ORVANE_SIGNATURE(MGlobal::displayError, void (*)(const MString&));
ORVANE_SIGNATURE(MGlobal::displayWarning, void (*)(const MString&));
ORVANE_SIGNATURE(MGlobal::mayaState, MGlobal::MMayaState (*)(MStatus*));
ORVANE_SIGNATURE(MQtUtil::getCurrentParent, QWidget* (*)());
ORVANE_SIGNATURE(MQtUtil::addWidgetToMayaLayout, MString (*)(QWidget*, QWidget*, const MString&));
ORVANE_SIGNATURE(MQtUtil::fullName, MString (*)(const QObject*));
ORVANE_SIGNATURE(MArgParser::isFlagSet, bool (MArgParser::*)(const char*, MStatus*) const);
ORVANE_SIGNATURE(MSyntax::addFlag,
                 MStatus (MSyntax::*)(const char*, const char*, MSyntax::MArgType, MSyntax::MArgType, MSyntax::MArgType,
                                      MSyntax::MArgType, MSyntax::MArgType, MSyntax::MArgType));
ORVANE_SIGNATURE(MSyntax::useSelectionAsDefault, void (MSyntax::*)(bool));
ORVANE_SIGNATURE(MPxCommand::doIt, MStatus (MPxCommand::*)(const MArgList&));
ORVANE_SIGNATURE(MPxCommand::syntax, MSyntax (MPxCommand::*)() const);
ORVANE_SIGNATURE(MPxCommand::displayError, void (*)(const MString&, bool));
ORVANE_SIGNATURE(MPxNode::thisMObject, MObject (MPxNode::*)() const);
ORVANE_SIGNATURE(MPxTransform::postConstructor, void (MPxTransform::*)());
ORVANE_SIGNATURE(MPxTransform::createTransformationMatrix, MPxTransformationMatrix* (MPxTransform::*)());
ORVANE_SIGNATURE(MPxTransform::resetTransformation, void (MPxTransform::*)(const MMatrix&));
ORVANE_SIGNATURE(MPxTransform::resetTransformation, void (MPxTransform::*)(MPxTransformationMatrix*));
ORVANE_SIGNATURE(MPxTransform::compute, MStatus (MPxTransform::*)(const MPlug&, MDataBlock&));
ORVANE_SIGNATURE(MPxTransform::validateAndSetValue, MStatus (MPxTransform::*)(const MPlug&, const MDataHandle&));
ORVANE_SIGNATURE(MPxTransformationMatrix::creator, MPxTransformationMatrix* (*)());
ORVANE_SIGNATURE(MFnPlugin::registerCommand,
                 MStatus (MFnPlugin::*)(const MString&, MCreatorFunction, MCreateSyntaxFunction));
ORVANE_SIGNATURE(MFnPlugin::deregisterCommand, MStatus (MFnPlugin::*)(const MString&));
ORVANE_SIGNATURE(MFnPlugin::registerTransform,
                 MStatus (MFnPlugin::*)(const MString&, const MTypeId&, MCreatorFunction, MInitializeFunction,
                                        MCreateXformMatrixFunction, const MTypeId&, const MString*));
ORVANE_SIGNATURE(MFnPlugin::deregisterNode, MStatus (MFnPlugin::*)(const MTypeId&));
ORVANE_SIGNATURE(MPxTransformationMatrix::baseTransformationMatrixId, MTypeId*);
ORVANE_SIGNATURE(MFnIkJoint::getOrientation, MStatus (MFnIkJoint::*)(MEulerRotation&) const);
ORVANE_SIGNATURE(MFnIkJoint::getScaleOrientation, MStatus (MFnIkJoint::*)(MQuaternion&) const);
ORVANE_SIGNATURE(MAnimControl::currentTime, MTime (*)());
ORVANE_SIGNATURE(MAnimControl::setCurrentTime, MStatus (*)(const MTime&));
ORVANE_SIGNATURE(MAnimControl::minTime, MTime (*)());
ORVANE_SIGNATURE(MAnimControl::maxTime, MTime (*)());
ORVANE_SIGNATURE(MAnimControl::setMinMaxTime, MStatus (*)(MTime, MTime));
ORVANE_SIGNATURE(MAnimControl::animationStartTime, MTime (*)());
ORVANE_SIGNATURE(MAnimControl::animationEndTime, MTime (*)());
ORVANE_SIGNATURE(MAnimControl::setAnimationStartEndTime, MStatus (*)(MTime, MTime));
ORVANE_SIGNATURE(MAnimControl::playbackBy, double (*)());
ORVANE_SIGNATURE(MAnimCurveChange::undoIt, MStatus (MAnimCurveChange::*)());
ORVANE_SIGNATURE(MAnimCurveChange::redoIt, MStatus (MAnimCurveChange::*)());

// Calls with every defaulted argument left out.
#define ORVANE_DEFAULTS(object, call) \
    static_assert(std::is_void<decltype(void(std::declval<object>().call))>::value, #object "." #call)
ORVANE_DEFAULTS(const MDagPath&, fullPathName());
ORVANE_DEFAULTS(const MDagPath&, isValid());
ORVANE_DEFAULTS(MDagPath&, pop());
ORVANE_DEFAULTS(const MTypeId&, id());
ORVANE_DEFAULTS(const MDGContext&, isNormal());
ORVANE_DEFAULTS(const MFnDependencyNode&, name());
ORVANE_DEFAULTS(const MFnDagNode&, child(0));
ORVANE_DEFAULTS(const MFnTransform&, rotationOrder());
ORVANE_DEFAULTS(MDagModifier&, createNode(MString()));
ORVANE_DEFAULTS(MDagModifier&, reparentNode(MObject()));
ORVANE_DEFAULTS(const MSelectionList&, getDagPath(0, std::declval<MDagPath&>()));
ORVANE_DEFAULTS(MItDag&, currentItem());
ORVANE_DEFAULTS(const MArgParser&, isFlagSet("-r"));
ORVANE_DEFAULTS(MSyntax&, addFlag("-r", "-reload"));
ORVANE_DEFAULTS(MSyntax&, useSelectionAsDefault());
ORVANE_DEFAULTS(const MPlug&, asBool());
static_assert(std::is_same<decltype(MGlobal::executeCommand(MString())), MStatus>::value, "flags default");
static_assert(std::is_same<decltype(MGlobal::mayaState()), MGlobal::MMayaState>::value, "status defaults");
static_assert(std::is_default_constructible<MAnimCurveChange>::value, "MAnimCurveChange(MStatus* = NULL)");
static_assert(std::is_same<decltype(MQtUtil::addWidgetToMayaLayout(nullptr, nullptr)), MString>::value, "ui type");

// Enumerations whose values the devkit fixes.
static_assert(MGlobal::kInteractive == 0 && MGlobal::kBatch == 1 && MGlobal::kLibraryApp == 2 &&
                  MGlobal::kBaseUIMode == 3,
              "MGlobal::MMayaState");
static_assert(MTransformationMatrix::kInvalid == 0 && MTransformationMatrix::kXYZ == 1 &&
                  MTransformationMatrix::kZYX == 6 && MTransformationMatrix::kLast == 7,
              "MTransformationMatrix::RotationOrder");
static_assert(MEulerRotation::kXYZ == 0 && MEulerRotation::kZYX == 5, "MEulerRotation::RotationOrder");
static_assert(MSpace::kObject == MSpace::kPreTransform && MSpace::kWorld == 4, "MSpace::Space");

// Construction rules.
static_assert(!std::is_default_constructible<MFnBase>::value, "MFnBase's constructor is protected");
static_assert(!std::is_default_constructible<MDataBlock>::value, "data blocks come from the host");
static_assert(std::is_constructible<MDGContextGuard, const MDGContext&>::value, "MDGContextGuard(context)");
static_assert(!std::is_default_constructible<MDGContextGuard>::value, "MDGContextGuard needs a context");
static_assert(!std::is_copy_constructible<MDGContextGuard>::value, "MDGContextGuard is not copied");
static_assert(!std::is_copy_constructible<MDagModifier>::value, "MDagModifier is not copied");
static_assert(std::is_constructible<MFnPlugin, MObject&, const char*, const char*, const char*>::value,
              "MFnPlugin(MObject&, ...)");
static_assert(!std::is_destructible<MGlobal>::value, "MGlobal is never an object");

// What the devkit does not declare.
#define ORVANE_ABSENT(Name, expression) \
    template <class T, class = void>    \
    struct Name : std::false_type {};   \
    template <class T>                  \
    struct Name<T, decltype(void(expression))> : std::true_type {};
ORVANE_ABSENT(HasIsEmpty, std::declval<const T&>().isEmpty())
ORVANE_ABSENT(HasLess, std::declval<const T&>() < std::declval<const T&>())
ORVANE_ABSENT(HasNotEqual, std::declval<const T&>() != std::declval<const T&>())
ORVANE_ABSENT(HasClear, std::declval<T&>().clear())
ORVANE_ABSENT(HasParseError, std::declval<const T&>().parseError())
ORVANE_ABSENT(HasIntPlus, static_cast<T (T::*)(int) const>(&T::operator+))
ORVANE_ABSENT(HasUnsignedPlus, static_cast<T (T::*)(unsigned int) const>(&T::operator+))
ORVANE_ABSENT(HasMessageStatus, T(T::kFailure, "message"))
static_assert(!HasIsEmpty<MString>::value, "MString::isEmpty");
static_assert(!HasLess<MString>::value, "MString::operator<");
static_assert(!HasIntPlus<MString>::value, "MString::operator+(int)");
static_assert(!HasUnsignedPlus<MString>::value, "MString::operator+(unsigned int)");
static_assert(!HasNotEqual<MDagPath>::value, "MDagPath::operator!=");
static_assert(!HasClear<MSyntax>::value, "MSyntax::clear");
static_assert(!HasParseError<MArgParser>::value, "MArgParser::parseError");
static_assert(!HasMessageStatus<MStatus>::value, "MStatus(code, message)");
