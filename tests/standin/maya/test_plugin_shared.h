#pragma once
#include <maya/MString.h>
// Defined in the module's second translation unit, which includes MFnPlugin.h with MNoVersionString.
MString secondUnitGreeting();
