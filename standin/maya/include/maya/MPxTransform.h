#pragma once
// Base of plug-in transform nodes. Before postConstructor runs the host fills baseTransformationMatrix from
// createTransformationMatrix(); the host deletes that matrix and the node together.
#include <maya/MPxNode.h>
#include <maya/MPxTransformationMatrix.h>
#include <maya/MDataHandle.h>
#include <maya/MDGContext.h>
#include <maya/MDeprecate.h>

OPENMAYA_NAMESPACE_OPEN

class OPENMAYA_EXPORT MPxTransform : public MPxNode {
public:
    MPxTransform();
    virtual ~MPxTransform();
    void postConstructor() override;
    Type type() const override;
    virtual MPxTransformationMatrix* createTransformationMatrix();
    virtual void resetTransformation(const MMatrix& matrix);
    virtual void resetTransformation(MPxTransformationMatrix* resetMatrix);
    MStatus compute(const MPlug& plug, MDataBlock& data) override;
    virtual MStatus validateAndSetValue(const MPlug& plug, const MDataHandle& handle);
    OPENMAYA_DEPRECATED(2018,
                        "Override validateAndSetValue(const MPlug&, const MDataHandle&) instead. If needed, use "
                        "MDGContext::current() to get the context.")
    virtual MStatus validateAndSetValue(const MPlug& plug, const MDataHandle& handle, const MDGContext& context);
    MPxTransformationMatrix* transformationMatrixPtr() const { return baseTransformationMatrix; }

protected:
    MPxTransformationMatrix* baseTransformationMatrix;

private:
    friend class MStandinAccess;
};

OPENMAYA_NAMESPACE_CLOSE
