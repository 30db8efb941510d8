#pragma once
// "MarkerTransform": a transform node type for users and scripts that behaves exactly like the host's
// own transform. Every override hands the work to MPxTransform. Node and matrix objects belong to the
// host once the creators return them.

#include <maya/MDataBlock.h>
#include <maya/MDataHandle.h>
#include <maya/MMatrix.h>
#include <maya/MPlug.h>
#include <maya/MPxTransform.h>
#include <maya/MPxTransformationMatrix.h>
#include <maya/MStatus.h>

class MarkerTransformMatrix : public MPxTransformationMatrix {
public:
    MarkerTransformMatrix();
    ~MarkerTransformMatrix() override;
    static MPxTransformationMatrix* creator();
};

class MarkerTransformNode : public MPxTransform {
public:
    MarkerTransformNode();
    ~MarkerTransformNode() override;

    void postConstructor() override;
    MStatus compute(const MPlug& plug, MDataBlock& data) override;
    MPxTransformationMatrix* createTransformationMatrix() override;
    void resetTransformation(MPxTransformationMatrix* matrix) override;
    void resetTransformation(const MMatrix& matrix) override;
    MStatus validateAndSetValue(const MPlug& plug, const MDataHandle& handle) override;

    static void* creator();
    static MStatus initialize();
};
