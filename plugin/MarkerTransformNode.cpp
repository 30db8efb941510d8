#include "MarkerTransformNode.h"

#include <maya/MGlobal.h>

MarkerTransformMatrix::MarkerTransformMatrix() {}

MarkerTransformMatrix::~MarkerTransformMatrix() {}

MPxTransformationMatrix* MarkerTransformMatrix::creator() { return new MarkerTransformMatrix; }

MarkerTransformNode::MarkerTransformNode() {}

MarkerTransformNode::~MarkerTransformNode() {}

void* MarkerTransformNode::creator() { return new MarkerTransformNode; }

MStatus MarkerTransformNode::initialize() { return MStatus::kSuccess; }

void MarkerTransformNode::postConstructor() {
    MPxTransform::postConstructor();
    if (baseTransformationMatrix == nullptr) {
        MGlobal::displayWarning("NULL baseTransformationMatrix found!");
        baseTransformationMatrix = new MPxTransformationMatrix();
    }
}

MStatus MarkerTransformNode::compute(const MPlug& plug, MDataBlock& data) { return MPxTransform::compute(plug, data); }

MPxTransformationMatrix* MarkerTransformNode::createTransformationMatrix() { return new MPxTransformationMatrix(); }

void MarkerTransformNode::resetTransformation(MPxTransformationMatrix* matrix) {
    MPxTransform::resetTransformation(matrix);
}

void MarkerTransformNode::resetTransformation(const MMatrix& matrix) { MPxTransform::resetTransformation(matrix); }

MStatus MarkerTransformNode::validateAndSetValue(const MPlug& plug, const MDataHandle& handle) {
    return MPxTransform::validateAndSetValue(plug, handle);
}
