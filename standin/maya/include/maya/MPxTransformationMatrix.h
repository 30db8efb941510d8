#pragma once
// Base of plug-in transformation matrix classes. Owned by the node it is given to; the host deletes it
// with the node.
#include <maya/MMatrix.h>
#include <maya/MTypeId.h>
#include <maya/MObject.h>

OPENMAYA_NAMESPACE_OPEN

class OPENMAYA_EXPORT MPxTransformationMatrix {
public:
    MPxTransformationMatrix();
    virtual ~MPxTransformationMatrix();
    virtual MMatrix asMatrix() const;
    virtual MTypeId typeId() const;
    static MPxTransformationMatrix* creator();

    static MTypeId baseTransformationMatrixId;

private:
    friend class MStandinAccess;
    MObject fNode;
};

OPENMAYA_NAMESPACE_CLOSE
