#pragma once
// Basic types, export macro, creator function types and the coordinate-space enum.
#include <maya/MApiNamespace.h>
#include <cstddef>

#define MAYA_API_VERSION 20180000

#if defined(_WIN32)
#define PLUGIN_EXPORT __declspec(dllexport)
#else
#define PLUGIN_EXPORT __attribute__((visibility("default")))
#endif

// Windows handle types without windows.h. A plug-in unit (NT_PLUGIN) sees the module's instance handle,
// which MFnPlugin.h defines and its DllMain sets.
#if defined(_WIN32)
typedef unsigned long DWORD;
#define OPENMAYA_DECLARE_HANDLE(name) \
    struct name##__;                  \
    typedef struct name##__* name
OPENMAYA_DECLARE_HANDLE(HINSTANCE);
OPENMAYA_DECLARE_HANDLE(HWND);
#if defined(NT_PLUGIN) && !defined(NT_APP)
extern HINSTANCE MhInstPlugin;
#endif
#endif

#if defined(_WIN32)
#define OPENMAYA_EXPORT __declspec(dllimport)
#else
#define OPENMAYA_EXPORT __attribute__((visibility("default")))
#endif

#ifndef NULL
#define NULL 0
#endif

// An unsigned integer as wide as a pointer (callback ids are of this type).
typedef std::size_t MUintPtrSz;

OPENMAYA_NAMESPACE_OPEN

typedef void* (*MCreatorFunction)();
typedef MSyntax (*MCreateSyntaxFunction)();
typedef MStatus (*MInitializeFunction)();
typedef MPxTransformationMatrix* (*MCreateXformMatrixFunction)();

// Coordinate space for transform queries and edits.
class OPENMAYA_EXPORT MSpace {
public:
    enum Space {
        kInvalid = 0,
        kTransform = 1,
        kPreTransform = 2,
        kPostTransform = 3,
        kWorld = 4,
        kLast = 5,
        kObject = kPreTransform
    };
};

OPENMAYA_NAMESPACE_CLOSE

using Autodesk::Maya::OpenMaya20180000::MCreateSyntaxFunction;
using Autodesk::Maya::OpenMaya20180000::MCreateXformMatrixFunction;
using Autodesk::Maya::OpenMaya20180000::MCreatorFunction;
using Autodesk::Maya::OpenMaya20180000::MInitializeFunction;
