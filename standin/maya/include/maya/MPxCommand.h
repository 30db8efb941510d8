#pragma once
// Base of plug-in commands. The host creates one object per call through the registered creator and calls doIt.
// A command whose isUndoable() is true after a successful doIt goes to the undo queue, which calls undoIt and
// redoIt and deletes it when flushed; any other command is deleted right after doIt. Run with undo off
// (MGlobal::executeCommand's default), a command is never queued.
#include <maya/MArgList.h>
#include <maya/MSyntax.h>
#include <maya/MStringArray.h>

OPENMAYA_NAMESPACE_OPEN

class OPENMAYA_EXPORT MPxCommand {
public:
    enum MResultType { kLong, kDouble, kString, kNoArg };

    MPxCommand();
    virtual ~MPxCommand();
    virtual MStatus doIt(const MArgList& args);
    virtual MStatus undoIt();
    virtual MStatus redoIt();
    virtual bool isUndoable() const;
    virtual bool hasSyntax() const;
    MSyntax syntax() const;
    bool isHistoryOn() const { return false; }
    MString commandString() const;

    static void displayInfo(const MString& theInfo);
    static void displayWarning(const MString& theWarning, bool showLineNumber = false);
    static void displayError(const MString& theError, bool showLineNumber = false);
    static void clearResult();
    static void setResult(unsigned int val);
    static void setResult(int val);
    static void setResult(double val);
    static void setResult(bool val);
    static void setResult(const char* val);
    static void setResult(const MString& val);
    static void setResult(const MStringArray& val);
    static void appendToResult(int val);
    static void appendToResult(double val);
    static void appendToResult(const char* val);
    static void appendToResult(const MString& val);

private:
    friend class MStandinAccess;
    MPxCommand(const MPxCommand&);
    MPxCommand& operator=(const MPxCommand&);
    MSyntax fSyntax;
    MString fCommandString;
};

OPENMAYA_NAMESPACE_CLOSE
