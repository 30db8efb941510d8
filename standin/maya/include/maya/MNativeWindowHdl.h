#pragma once
// Native window handle. On Linux the host's header pulls in Xlib, which #defines these words; they are
// reproduced here (without X11) so that a Qt header included afterwards fails as it would with the host.
#include <maya/MTypes.h>

#ifndef Bool
#define Bool int
#endif
#ifndef Status
#define Status int
#endif
#ifndef True
#define True 1
#endif
#ifndef False
#define False 0
#endif
#ifndef None
#define None 0L
#endif

typedef unsigned long MNativeWindowHdl;

// On Windows the header is windows.h, which also defines min and max as function-like macros unless
// NOMINMAX is defined. The window-system macro check (tests/cmake) asks for them with
// MAYASTANDIN_WINDOWS_MINMAX, so that a std::min or std::max after this header fails as it would there.
#if defined(MAYASTANDIN_WINDOWS_MINMAX) && !defined(NOMINMAX)
#ifndef min
#define min(a, b) (((a) < (b)) ? (a) : (b))
#endif
#ifndef max
#define max(a, b) (((a) > (b)) ? (a) : (b))
#endif
#endif
