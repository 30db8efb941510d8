#pragma once
// Function set for animation curves, the nodes animCurveTL (time to distance: translations, centimetres),
// animCurveTA (time to angle: rotations, radians) and animCurveTU (time to unitless: visibility). A curve made
// for a plug is named after it ("locator1_translateX") and drives that channel whenever the current time is set
// (MAnimControl::setCurrentTime); a key edit alone does not set the channel. Deleting the driven node deletes
// the curve along with it. This host interpolates between keys linearly, or holds the earlier key's value when
// its out tangent is stepped; before the first key and after the last the curve is constant. Key edits given an
// MAnimCurveChange can be undone through it.
#include <maya/MFnDependencyNode.h>
#include <maya/MPlug.h>
#include <maya/MTime.h>

OPENMAYA_NAMESPACE_OPEN

class MDGModifier;
class MAnimCurveChange;

class OPENMAYA_EXPORT MFnAnimCurve : public MFnDependencyNode {
public:
    enum AnimCurveType {
        kAnimCurveTA,
        kAnimCurveTL,
        kAnimCurveTT,
        kAnimCurveTU,
        kAnimCurveUA,
        kAnimCurveUL,
        kAnimCurveUT,
        kAnimCurveUU,
        kAnimCurveUnknown
    };
    enum TangentType {
        kTangentGlobal = 0,
        kTangentFixed,
        kTangentLinear,
        kTangentFlat,
        kTangentSmooth,
        kTangentStep,
        kTangentSlow,
        kTangentFast,
        kTangentClamped,
        kTangentPlateau,
        kTangentStepNext,
        kTangentAuto
    };

    MFnAnimCurve() {}
    MFnAnimCurve(MObject& object, MStatus* ReturnStatus = NULL);
    MFnAnimCurve(const MObject& object, MStatus* ReturnStatus = NULL);
    MFnAnimCurve(const MPlug& plug, MStatus* ReturnStatus = NULL);  // the curve driving the plug
    ~MFnAnimCurve() override {}
    MFn::Type type() const override { return MFn::kAnimCurve; }

    // A new curve connected to the plug (a transform's translate, rotate or visibility channel), of the type
    // the channel takes; fails with kInvalidParameter for another plug or one a curve drives already. With a
    // modifier, the creation is recorded in it as done (see MDGModifier).
    MObject create(const MPlug& plug, MDGModifier* modifier = NULL, MStatus* ReturnStatus = NULL);
    MObject create(const MPlug& plug, AnimCurveType type, MDGModifier* modifier = NULL, MStatus* ReturnStatus = NULL);
    // A curve connected to nothing.
    MObject create(AnimCurveType animCurveType, MDGModifier* modifier = NULL, MStatus* ReturnStatus = NULL);

    AnimCurveType animCurveType(MStatus* ReturnStatus = NULL) const;
    unsigned int numKeys(MStatus* ReturnStatus = NULL) const;
    unsigned int numKeyframes(MStatus* ReturnStatus = NULL) const;
    MTime time(unsigned int index, MStatus* ReturnStatus = NULL);
    double value(unsigned int index, MStatus* ReturnStatus = NULL);
    MStatus setValue(unsigned int index, double value, MAnimCurveChange* change = NULL);
    // Keys stay in time order; a key at the time of an existing one replaces its value. Returns the key's index.
    unsigned int addKey(const MTime& time, double value, TangentType tangentInType = kTangentGlobal,
                        TangentType tangentOutType = kTangentGlobal, MAnimCurveChange* change = NULL,
                        MStatus* ReturnStatus = NULL);
    MStatus remove(unsigned int index, MAnimCurveChange* change = NULL);
    bool find(const MTime& time, unsigned int& index, MStatus* ReturnStatus = NULL);
    double evaluate(const MTime& atTime, MStatus* ReturnStatus = NULL);
    MStatus evaluate(const MTime& atTime, double& value);
    TangentType inTangentType(unsigned int index, MStatus* ReturnStatus = NULL) const;
    TangentType outTangentType(unsigned int index, MStatus* ReturnStatus = NULL) const;

protected:
    bool accepts(const MObject& object) const override;
};

OPENMAYA_NAMESPACE_CLOSE

using Autodesk::Maya::OpenMaya20180000::MAnimCurveChange;
using Autodesk::Maya::OpenMaya20180000::MFnAnimCurve;
