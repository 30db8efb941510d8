#pragma once
// Helpers shared by the capture readers: error reporting and locale-independent number parsing.

#include <orvane/tracker/capture/Capture.h>

#include <string>

namespace orvane {
namespace tracker {
namespace capture_detail {

[[noreturn]] void fail(const std::string& fileName, const std::string& what);

std::string fileStem(const std::string& fileName);  // "dir/01_01.bvh" -> "01_01"

// The whole of 'token' as a finite number; false for anything else (no partial parses, no NaN or infinity).
bool parseNumber(const std::string& token, double& value);

std::string toLower(std::string s);
std::string trim(const std::string& s);  // drops blanks, tabs, CR and NULs at both ends

// Millimetres per unit for "mm", "cm", "m" (any case); 0 for anything else.
double unitToMm(const std::string& unit);

// Lengths and positions stream as single-precision floats (version 2 poses, markers): a value a reader produces
// is usable when it is finite and within float range after scaling to millimetres.
bool inFloatRange(double v);
inline bool inFloatRange(const Vec3& v) { return inFloatRange(v.x) && inFloatRange(v.y) && inFloatRange(v.z); }

// Names that fit the SDK's inline name buffers (at most 255 bytes).
constexpr std::size_t kMaxNameBytes = 255;
// Markers per subject the SDK can describe.
constexpr std::size_t kMaxMarkers = 512;

}  // namespace capture_detail
}  // namespace tracker
}  // namespace orvane
