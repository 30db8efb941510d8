// Usages the window-system macro check must reject; MACRO_CASE picks one (0 = none, must compile).
#include <algorithm>

#include <QtWidgets/QWidget>

#if MACRO_CASE == 1
enum class Severity { Warning, ERROR };  // wingdi.h's ERROR
#endif
#if MACRO_CASE == 2
struct Clip {
    float near;  // windef.h's near
};
#endif

// Legal before the window-system header, as in a product file that includes MQtUtil.h later.
inline int largerBefore(int a, int b) { return std::max(a, b); }

#include <maya/MQtUtil.h>

#if MACRO_CASE == 3
inline int largerAfter(int a, int b) { return std::max(a, b); }  // windows.h's max(a, b)
#endif
