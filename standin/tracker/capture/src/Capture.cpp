#include "ReaderSupport.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <fstream>
#include <iterator>
#include <limits>

namespace orvane {
namespace tracker {
namespace capture_detail {

void fail(const std::string& fileName, const std::string& what) { throw CaptureError(fileName + ": " + what); }

std::string fileStem(const std::string& fileName) {
    const std::size_t slash = fileName.find_last_of("/\\");
    std::string base = slash == std::string::npos ? fileName : fileName.substr(slash + 1);
    const std::size_t dot = base.find_last_of('.');
    if (dot != std::string::npos && dot > 0) base.resize(dot);
    return base;
}

bool parseNumber(const std::string& token, double& value) {
    const char* first = token.data();
    const char* last = first + token.size();
    if (first != last && *first == '+') ++first;
    if (first == last) return false;
    double v = 0;
    const auto result = std::from_chars(first, last, v);
    if (result.ec != std::errc() || result.ptr != last || !std::isfinite(v)) return false;
    value = v;
    return true;
}

bool inFloatRange(double v) { return std::abs(v) <= std::numeric_limits<float>::max(); }

std::string toLower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::string trim(const std::string& s) {
    const char* blanks = " \t\r\n";
    std::size_t b = 0, e = s.size();
    auto blank = [&](char c) { return c == '\0' || std::char_traits<char>::find(blanks, 4, c) != nullptr; };
    while (b < e && blank(s[b])) ++b;
    while (e > b && blank(s[e - 1])) --e;
    return s.substr(b, e - b);
}

double unitToMm(const std::string& unit) {
    const std::string u = toLower(trim(unit));
    if (u == "mm") return 1.0;
    if (u == "cm") return 10.0;
    if (u == "m") return 1000.0;
    return 0.0;
}

}  // namespace capture_detail

CaptureClip loadCapture(const std::string& path, const CaptureOptions& options) {
    using namespace capture_detail;
    const std::size_t slash = path.find_last_of("/\\");
    const std::string fileName = slash == std::string::npos ? path : path.substr(slash + 1);
    const std::size_t dot = fileName.find_last_of('.');
    const std::string ext = dot == std::string::npos ? std::string() : toLower(fileName.substr(dot + 1));
    if (ext != "bvh" && ext != "c3d" && ext != "trc")
        fail(fileName, "unknown capture format '." + ext + "' (expected .bvh, .c3d or .trc)");
    if (!(options.lengthScaleToMm >= 0) || !std::isfinite(options.lengthScaleToMm))
        fail(fileName, "length scale must be a finite number >= 0");

    std::ifstream in(path, std::ios::binary);
    if (!in) fail(fileName, "cannot open " + path);
    std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) fail(fileName, "read error");

    CaptureClip clip;
    if (ext == "c3d") {
        clip = readC3d(bytes, fileName, options);
    } else {
        const std::string text(bytes.begin(), bytes.end());
        clip = ext == "bvh" ? readBvh(text, fileName, options) : readTrc(text, fileName, options);
    }
    clip.sourceFile = path;
    return clip;
}

}  // namespace tracker
}  // namespace orvane
