// Has the entry points but no MApiVersion: the host must refuse to load it.
#define MNoVersionString
#include <maya/MFnPlugin.h>

MStatus initializePlugin(MObject) { return MS::kSuccess; }
MStatus uninitializePlugin(MObject) { return MS::kSuccess; }
