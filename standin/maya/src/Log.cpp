// The host's message log and MGlobal's display functions. Thread-safe.
#include <maya/MGlobal.h>
#include <mayastandin/Host.h>
#include "Internal.h"

#include <cstdio>
#include <mutex>

namespace mayastandin {
namespace detail {
namespace {
struct LogState {
    std::mutex mutex;
    std::vector<std::string> lines;
    bool echo = false;
    int fd = 2;
};
LogState& state() {
    static LogState* s = new LogState();  // never destroyed: plug-ins may log during static teardown
    return *s;
}
}  // namespace

namespace log {
void raw(const std::string& line) {
    LogState& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.lines.push_back(line);
    if (s.echo) {
        FILE* f = s.fd == 1 ? stdout : stderr;
        std::fprintf(f, "%s\n", line.c_str());
        std::fflush(f);
    }
}
void error(const std::string& text) { raw("// Error: " + text); }
void warning(const std::string& text) { raw("// Warning: " + text); }
void info(const std::string& text) { raw(text); }
}  // namespace log
}  // namespace detail

std::vector<std::string> logLines() {
    auto& s = detail::state();
    std::lock_guard<std::mutex> lock(s.mutex);
    return s.lines;
}
std::string logText() {
    auto& s = detail::state();
    std::lock_guard<std::mutex> lock(s.mutex);
    std::string out;
    for (const auto& l : s.lines) {
        out += l;
        out += '\n';
    }
    return out;
}
void clearLog() {
    auto& s = detail::state();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.lines.clear();
}
void setLogEcho(bool echo) {
    auto& s = detail::state();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.echo = echo;
}
void setLogStream(int fd) {
    auto& s = detail::state();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.fd = fd == 1 ? 1 : 2;
}
}  // namespace mayastandin

OPENMAYA_NAMESPACE_OPEN

void MGlobal::displayInfo(const MString& m) { mayastandin::detail::log::info(m.asChar()); }
void MGlobal::displayWarning(const MString& m) { mayastandin::detail::log::warning(m.asChar()); }
void MGlobal::displayError(const MString& m) { mayastandin::detail::log::error(m.asChar()); }
MGlobal::MMayaState MGlobal::mayaState(MStatus* rs) {
    if (rs) *rs = MStatus::kSuccess;
    return kInteractive;
}
int MGlobal::apiVersion() { return MAYA_API_VERSION; }
MString MGlobal::mayaVersion() { return "2018"; }

OPENMAYA_NAMESPACE_CLOSE
