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
