// A second unit of the test module: MFnPlugin.h again, without a second MApiVersion definition.
#define MNoVersionString
#include <maya/MFnPlugin.h>
#include "test_plugin_shared.h"

MString secondUnitGreeting() { return "hello from the second unit"; }
