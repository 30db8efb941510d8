// MFnPlugin.h's Windows load entry, compiled here as a Windows build would see it: with NT_PLUGIN the unit
// that includes it gets DllMain and MhInstPlugin, and with MNoPluginEntry as well it gets neither.
// ENTRY_CASE 0 must compile; 1 refers to DllMain after MNoPluginEntry and must not.
#include <type_traits>

// What windows.h and the compiler bring on Windows, as far as the header needs it.
#define __stdcall
struct HINSTANCE__;
typedef HINSTANCE__* HINSTANCE;
typedef unsigned long DWORD;

#define NT_PLUGIN
#define MNoVersionString
#if ENTRY_CASE == 1
#define MNoPluginEntry
#endif
#include <maya/MFnPlugin.h>

static_assert(std::is_same<decltype(MhInstPlugin), HINSTANCE>::value, "MhInstPlugin is the module's handle");
static_assert(std::is_same<decltype(&DllMain), int (*)(HINSTANCE, DWORD, void*)>::value, "DllMain");

int recordsTheHandle() {
    HINSTANCE module = reinterpret_cast<HINSTANCE>(&recordsTheHandle);
    return DllMain(module, 1, nullptr) == 1 && MhInstPlugin == module ? 0 : 1;
}
