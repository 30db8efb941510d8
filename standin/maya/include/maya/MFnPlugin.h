#pragma once
// Plug-in registration. Including this header defines the module's exported MApiVersion string (define
// MNoVersionString first in every other translation unit of the module) and declares the entry points the
// host looks up: initializePlugin and uninitializePlugin. On Windows (NT_PLUGIN) it also defines the DLL's
// load entry, DllMain, which records the module's instance handle in MhInstPlugin: a module defines no
// DllMain of its own, and every other unit that includes this header defines MNoPluginEntry first.
#include <maya/MFnBase.h>
#include <maya/MString.h>
#include <maya/MTypeId.h>

#ifndef MNoVersionString
extern "C" {
PLUGIN_EXPORT char MApiVersion[] = "20180000";
}
#endif

#if !defined(MNoPluginEntry) && defined(NT_PLUGIN)
HINSTANCE MhInstPlugin;

extern "C" int __stdcall DllMain(HINSTANCE hInstance, DWORD /*dwReason*/, void* /*lpReserved*/) {
    MhInstPlugin = hInstance;
    return 1;
}
#endif

PLUGIN_EXPORT MStatus initializePlugin(MObject obj);
PLUGIN_EXPORT MStatus uninitializePlugin(MObject obj);

OPENMAYA_NAMESPACE_OPEN

// Construct it from the MObject the host passed to the entry point (a non-const MObject).
class OPENMAYA_EXPORT MFnPlugin : public MFnBase {
public:
    MFnPlugin();
    MFnPlugin(MObject& object, const char* vendor = "Unknown", const char* version = "Unknown",
              const char* requiredApiVersion = "Any", MStatus* ReturnStatus = 0L);
    virtual ~MFnPlugin();
    MFn::Type type() const override { return MFn::kPlugin; }

    MString vendor(MStatus* ReturnStatus = NULL) const;
    MString version(MStatus* ReturnStatus = NULL) const;
    MString apiVersion(MStatus* ReturnStatus = NULL) const;
    MString name(MStatus* ReturnStatus = NULL) const;
    MString loadPath(MStatus* ReturnStatus = NULL) const;
    MStatus setName(const MString& newName, bool allowRename = true);
    MStatus setVersion(const MString& newVersion);

    MStatus registerCommand(const MString& commandName, MCreatorFunction creatorFunction,
                            MCreateSyntaxFunction createSyntaxFunction = NULL);
    MStatus deregisterCommand(const MString& commandName);

    MStatus registerTransform(const MString& typeName, const MTypeId& typeId, MCreatorFunction creatorFunction,
                              MInitializeFunction initFunction, MCreateXformMatrixFunction xformCreatorFunction,
                              const MTypeId& xformId, const MString* classification = NULL);
    // Obsolete form with an untyped matrix creator.
    MStatus registerTransform(const MString& typeName, const MTypeId& typeId, MCreatorFunction creatorFunction,
                              MInitializeFunction initFunction, MCreatorFunction xformCreatorFunction,
                              const MTypeId& xformId, const MString* classification = NULL);
    MStatus deregisterNode(const MTypeId& typeId);

protected:
    bool accepts(const MObject& object) const override;

private:
    MFnPlugin(const MObject& object, const char* vendor = "Unknown", const char* version = "Unknown",
              const char* requiredApiVersion = "Any", MStatus* ReturnStatus = 0L);
};

OPENMAYA_NAMESPACE_CLOSE
