// The operating system's load entry of the module, on Windows: it records the module's instance handle and
// reports success. Everything else happens in the host's entry points (initializePlugin, uninitializePlugin).
#if defined(_WIN32)
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

#include "ModuleObjects.h"

BOOL WINAPI DllMain(HINSTANCE instance, DWORD /*reason*/, LPVOID /*reserved*/) {
    orvane::plugin::moduleInstance = instance;
    return TRUE;
}
#endif
