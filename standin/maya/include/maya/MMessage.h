#pragma once
// Base of the message classes: removes callbacks by id. A plug-in removes every callback it added before it
// is unloaded; one left behind when its module goes is a fatal error, as in Maya.
#include <maya/MStatus.h>

typedef MUintPtrSz MCallbackId;

OPENMAYA_NAMESPACE_OPEN

class OPENMAYA_EXPORT MMessage {
public:
    typedef enum { kDefaultAction, kDoNotDoAction, kDoAction } Action;
    typedef void (*MBasicFunction)(void* clientData);
    typedef void (*MCheckFunction)(bool* retCode, void* clientData);

    // kInvalidParameter for an id that is not registered (already removed, or never given out).
    static MStatus removeCallback(MCallbackId id);
    // Removes every id of the array; fails if any of them was not registered.
    static MStatus removeCallbacks(MCallbackIdArray& ids);
    // The id of the callback now running (0 outside a callback).
    static MCallbackId currentCallbackId(MStatus* ReturnStatus = NULL);
    static const char* className();
};

OPENMAYA_NAMESPACE_CLOSE
