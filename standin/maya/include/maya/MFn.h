#pragma once
// Function-set type tags. hasFn follows the node-type hierarchy (a joint is also a transform and a DAG node).
#include <maya/MTypes.h>

OPENMAYA_NAMESPACE_OPEN

class OPENMAYA_EXPORT MFn {
public:
    enum Type {
        kInvalid = 0,
        kBase,
        kNamedObject,
        kDependencyNode,
        kDagNode,
        kWorld,
        kTransform,
        kJoint,
        kShape,
        kLocator,
        kPluginTransformNode,
        kPluginDependNode,
        kPlugin,
        kAttribute,
        kNumericAttribute,
        kCamera,
        kAnimCurve,
        kAnimCurveTimeToAngular,
        kAnimCurveTimeToDistance,
        kAnimCurveTimeToUnitless,
        kLast
    };
};

OPENMAYA_NAMESPACE_CLOSE
