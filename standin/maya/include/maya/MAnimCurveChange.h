#pragma once
// Keeps the key edits (MFnAnimCurve::addKey, remove, setValue) made with it, so that undoIt reverts them all,
// newest first, and redoIt applies them again, oldest first. Pass the same change to every edit of one command.
// It refers to its curves by MObject: an edit of a curve destroyed since (undo queue flushed, New Scene) is
// skipped. Not copyable here (copying the devkit's shares its cache, which both copies then free).
#include <maya/MStatus.h>
#include <maya/MTypes.h>

OPENMAYA_NAMESPACE_OPEN

class OPENMAYA_EXPORT MAnimCurveChange {
public:
    MAnimCurveChange(MStatus* ReturnStatus = NULL);
    ~MAnimCurveChange();
    MStatus undoIt();
    MStatus redoIt();

    bool isInteractive() const;
    void setInteractive(bool value);

    static const char* className();

private:
    MAnimCurveChange(const MAnimCurveChange&) = delete;
    MAnimCurveChange& operator=(const MAnimCurveChange&) = delete;
    friend class MFnAnimCurve;
    void* data;
};

OPENMAYA_NAMESPACE_CLOSE

using Autodesk::Maya::OpenMaya20180000::MAnimCurveChange;
