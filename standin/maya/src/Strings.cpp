// MString, MStringArray and MStatus.
#include <maya/MString.h>
#include <maya/MStringArray.h>
#include <maya/MStatus.h>
#include "Internal.h"

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <ostream>
#include <set>
#include <sstream>

OPENMAYA_NAMESPACE_OPEN

namespace {
std::string formatDouble(double v, int precision = 15) {
    std::ostringstream os;
    os.precision(precision);
    os << v;
    return os.str();
}
}  // namespace

const MString MString::argUnused;

MString::MString() {}
MString::MString(const char* s) : fData(s ? s : "") {}
MString::MString(const char* s, int len)
    : fData(s ? std::string(s, static_cast<std::size_t>(len < 0 ? 0 : len)) : "") {}
MString::MString(const MString& other) = default;
MString& MString::operator=(const MString& other) = default;
MString& MString::operator=(const char* other) {
    fData = other ? other : "";
    return *this;
}
MString& MString::operator=(double value) {
    fData = formatDouble(value);
    return *this;
}
MString::~MString() {}

MString& MString::operator+=(const MString& o) {
    fData += o.fData;
    return *this;
}
MString& MString::operator+=(const char* o) {
    if (o) fData += o;
    return *this;
}
MString& MString::operator+=(double o) {
    fData += formatDouble(o);
    return *this;
}
MString& MString::operator+=(int o) {
    fData += std::to_string(o);
    return *this;
}
MString& MString::operator+=(unsigned int o) {
    fData += std::to_string(o);
    return *this;
}
MString& MString::operator+=(float o) {
    fData += formatDouble(o, 7);
    return *this;
}
MString MString::operator+(const MString& o) const {
    MString r(*this);
    r += o;
    return r;
}
MString MString::operator+(const char* o) const {
    MString r(*this);
    r += o;
    return r;
}
MString MString::operator+(double o) const {
    MString r(*this);
    r += o;
    return r;
}
bool MString::operator==(const MString& o) const { return fData == o.fData; }
bool MString::operator==(const char* o) const { return fData == (o ? o : ""); }
bool MString::operator!=(const MString& o) const { return fData != o.fData; }
bool MString::operator!=(const char* o) const { return !(*this == o); }
const char* MString::asChar() const { return fData.c_str(); }
const char* MString::asUTF8() const { return fData.c_str(); }
unsigned int MString::length() const { return static_cast<unsigned int>(fData.size()); }
unsigned int MString::numChars() const {
    unsigned int n = 0;
    for (unsigned char c : fData)
        if ((c & 0xc0) != 0x80) ++n;
    return n;
}
void MString::clear() { fData.clear(); }
MStatus MString::set(const char* s) {
    fData = s ? s : "";
    return MStatus::kSuccess;
}
MStatus MString::set(const char* s, int len) {
    *this = MString(s, len);
    return MStatus::kSuccess;
}
MStatus MString::set(double v) {
    fData = formatDouble(v);
    return MStatus::kSuccess;
}
MStatus MString::set(double v, int precision) {
    if (precision < 0) return MStatus::kInvalidParameter;
    std::ostringstream os;
    os.setf(std::ios::fixed);
    os.precision(precision);
    os << v;
    fData = os.str();
    return MStatus::kSuccess;
}
int MString::index(char c) const {
    auto p = fData.find(c);
    return p == std::string::npos ? -1 : static_cast<int>(p);
}
int MString::rindex(char c) const {
    auto p = fData.rfind(c);
    return p == std::string::npos ? -1 : static_cast<int>(p);
}
// Inclusive range, as in the host API.
MString MString::substring(int start, int end) const {
    if (start < 0) start = 0;
    if (end >= static_cast<int>(fData.size())) end = static_cast<int>(fData.size()) - 1;
    if (end < start) return MString();
    return MString(fData.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(end - start + 1)).c_str());
}
MStatus MString::split(char c, MStringArray& out) const {
    out.clear();
    std::size_t begin = 0;
    while (begin <= fData.size()) {
        std::size_t p = fData.find(c, begin);
        if (p == std::string::npos) p = fData.size();
        if (p > begin) out.append(MString(fData.substr(begin, p - begin).c_str()));
        begin = p + 1;
    }
    return MStatus::kSuccess;
}
MString& MString::toLowerCase() {
    for (auto& ch : fData)
        if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
    return *this;
}
MString& MString::toUpperCase() {
    for (auto& ch : fData)
        if (ch >= 'a' && ch <= 'z') ch = static_cast<char>(ch - 'a' + 'A');
    return *this;
}
bool MString::isInt() const {
    if (fData.empty()) return false;
    char* end = nullptr;
    std::strtol(fData.c_str(), &end, 10);
    return *end == '\0';
}
bool MString::isDouble() const {
    if (fData.empty()) return false;
    char* end = nullptr;
    std::strtod(fData.c_str(), &end);
    return *end == '\0';
}
int MString::asInt() const { return static_cast<int>(std::strtol(fData.c_str(), nullptr, 10)); }
double MString::asDouble() const { return std::strtod(fData.c_str(), nullptr); }

MStatus MString::format(const MString& fmt, const MString& a1, const MString& a2, const MString& a3, const MString& a4,
                        const MString& a5, const MString& a6, const MString& a7, const MString& a8, const MString& a9,
                        const MString& a10) {
    const MString* args[10] = {&a1, &a2, &a3, &a4, &a5, &a6, &a7, &a8, &a9, &a10};
    const std::string& f = fmt.fData;
    std::string out;
    out.reserve(f.size() + 64);
    for (std::size_t i = 0; i < f.size(); ++i) {
        if (f[i] == '^' && i + 1 < f.size() && f[i + 1] >= '1' && f[i + 1] <= '9') {
            std::size_t j = i + 1;
            int n = f[j] - '0';
            if (n == 1 && j + 1 < f.size() && f[j + 1] == '0') {
                n = 10;
                ++j;
            }
            if (j + 1 < f.size() && f[j + 1] == 's') {
                const MString* a = args[n - 1];
                if (a != &argUnused) out += a->fData;
                i = j + 1;
                continue;
            }
        }
        out += f[i];
    }
    fData = std::move(out);
    return MStatus::kSuccess;
}

MString operator+(const char* lhs, const MString& rhs) { return MString(lhs) + rhs; }
std::ostream& operator<<(std::ostream& os, const MString& s) { return os << s.asChar(); }

MStatus MStringArray::remove(unsigned int index) {
    if (index >= fItems.size()) return MStatus::kInvalidParameter;
    fItems.erase(fItems.begin() + index);
    return MStatus::kSuccess;
}
MStatus MStringArray::insert(const MString& element, unsigned int index) {
    if (index > fItems.size()) return MStatus::kInvalidParameter;
    fItems.insert(fItems.begin() + index, element);
    return MStatus::kSuccess;
}

// Messages are interned so MStatus stays a cheap, trivially copyable value.
MStatus::MStatus(MStatusCode code, const char* message) : fStatusCode(code), fMessage(nullptr) {
    static std::mutex mutex;
    static std::set<std::string>* interned = new std::set<std::string>();
    if (message) {
        std::lock_guard<std::mutex> lock(mutex);
        fMessage = interned->insert(message).first->c_str();
    }
}

MString MStatus::errorString() const {
    if (fMessage) return MString(fMessage);
    switch (fStatusCode) {
        case kSuccess: return "(kSuccess): No error";
        case kFailure: return "(kFailure): Unexpected Internal Failure";
        case kInsufficientMemory: return "(kInsufficientMemory): Insufficient Memory";
        case kInvalidParameter: return "(kInvalidParameter): Invalid Parameter";
        case kLicenseFailure: return "(kLicenseFailure): License Failure";
        case kUnknownParameter: return "(kUnknownParameter): Unknown Parameter";
        case kNotImplemented: return "(kNotImplemented): Not Implemented";
        case kNotFound: return "(kNotFound): Not Found";
        case kEndOfFile: return "(kEndOfFile): End of File";
    }
    return "(unknown status)";
}

void MStatus::perror(const char* text) const {
    mayastandin::detail::log::error(std::string(text ? text : "") + ": " + errorString().asChar());
}
void MStatus::perror(const MString& text) const { perror(text.asChar()); }

OPENMAYA_NAMESPACE_CLOSE
