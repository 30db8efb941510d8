#pragma once
// Host-wide services: running MEL and the host's message display. executeCommand runs on the main thread
// only; the display functions may be called from any thread.
#include <maya/MString.h>
#include <maya/MStringArray.h>

OPENMAYA_NAMESPACE_OPEN

class OPENMAYA_EXPORT MGlobal {
public:
    enum MMayaState { kInteractive, kBatch, kLibraryApp, kBaseUIMode };

    static MStatus executeCommand(const MString& command, bool displayEnabled = false, bool undoEnabled = false);
    static MStatus executeCommand(const MString& command, MString& result, bool displayEnabled = false,
                                  bool undoEnabled = false);
    static MStatus executeCommand(const MString& command, MStringArray& result, bool displayEnabled = false,
                                  bool undoEnabled = false);
    static MStatus executeCommand(const MString& command, int& result, bool displayEnabled = false,
                                  bool undoEnabled = false);
    static MStatus executeCommand(const MString& command, double& result, bool displayEnabled = false,
                                  bool undoEnabled = false);
    static MString executeCommandStringResult(const MString& command, bool displayEnabled = false,
                                              bool undoEnabled = false, MStatus* ReturnStatus = NULL);

    enum ListAdjustment { kReplaceList, kXORWithList, kAddToList, kRemoveFromList, kAddToHeadOfList };
    // The selection, in selection order, as `select` sets it.
    static MStatus getActiveSelectionList(MSelectionList& dest, bool orderedSelectionIfAvailable = false);
    static MStatus setActiveSelectionList(const MSelectionList& src, ListAdjustment = kReplaceList);

    // Adds every object whose name matches `name` (a name, a partial or full path, or a pattern with '*' and
    // '?'), in no particular order; fails when none does.
    static MStatus getSelectionListByName(const MString& name, MSelectionList& list);

    static void displayInfo(const MString& theMessage);
    static void displayWarning(const MString& theWarning);
    static void displayError(const MString& theError);

    static MMayaState mayaState(MStatus* ReturnStatus = NULL);
    static int apiVersion();
    static MString mayaVersion();

private:
    ~MGlobal();
};

OPENMAYA_NAMESPACE_CLOSE
