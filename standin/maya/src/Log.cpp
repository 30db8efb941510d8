// The host's message log and MGlobal's display functions. Thread-safe.
#include <maya/MGlobal.h>
#include <mayastandin/Host.h>
#include "Internal.h"

#include <atomic>
#include <cstdio>
#include <functional>
#include <mutex>

namespace mayastandin {
namespace detail {
namespace {
struct LogState {
    // Recursive: listeners run under it; one that logs by mistake recurses instead of deadlocking.
    std::recursive_mutex mutex;
    std::vector<std::string> lines;
    bool echo = false;
    int fd = 2;
    std::vector<std::pair<int, std::function<void(const std::string&)>>> listeners;
    int nextListenerId = 1;
};
LogState& state() {
    static LogState* s = new LogState();  // never destroyed: plug-ins may log during static teardown
    return *s;
}
}  // namespace

namespace log {
void raw(const std::string& line) {
    LogState& s = state();
    std::lock_guard<std::recursive_mutex> lock(s.mutex);
    s.lines.push_back(line);
    if (s.echo) {
        FILE* f = s.fd == 1 ? stdout : stderr;
        std::fprintf(f, "%s\n", line.c_str());
        std::fflush(f);
    }
    for (std::size_t i = 0; i < s.listeners.size(); ++i) s.listeners[i].second(line);
}
void error(const std::string& text) { raw("// Error: " + text); }
void warning(const std::string& text) { raw("// Warning: " + text); }
void info(const std::string& text) { raw(text); }
}  // namespace log
std::atomic<bool> batchMode{false};
}  // namespace detail

void setBatchMode(bool batch) { detail::batchMode.store(batch); }

std::vector<std::string> logLines() {
    auto& s = detail::state();
    std::lock_guard<std::recursive_mutex> lock(s.mutex);
    return s.lines;
}
std::string logText() {
    auto& s = detail::state();
    std::lock_guard<std::recursive_mutex> lock(s.mutex);
    std::string out;
    for (const auto& l : s.lines) {
        out += l;
        out += '\n';
    }
    return out;
}
void clearLog() {
    auto& s = detail::state();
    std::lock_guard<std::recursive_mutex> lock(s.mutex);
    s.lines.clear();
}
void setLogEcho(bool echo) {
    auto& s = detail::state();
    std::lock_guard<std::recursive_mutex> lock(s.mutex);
    s.echo = echo;
}
int addLogListener(std::function<void(const std::string&)> listener) {
    auto& s = detail::state();
    std::lock_guard<std::recursive_mutex> lock(s.mutex);
    s.listeners.emplace_back(s.nextListenerId, std::move(listener));
    return s.nextListenerId++;
}
void removeLogListener(int id) {
    auto& s = detail::state();
    std::lock_guard<std::recursive_mutex> lock(s.mutex);
    for (auto it = s.listeners.begin(); it != s.listeners.end(); ++it)
        if (it->first == id) {
            s.listeners.erase(it);
            return;
        }
}
void setLogStream(int fd) {
    auto& s = detail::state();
    std::lock_guard<std::recursive_mutex> lock(s.mutex);
    s.fd = fd == 1 ? 1 : 2;
}
}  // namespace mayastandin

OPENMAYA_NAMESPACE_OPEN

void MGlobal::displayInfo(const MString& m) { mayastandin::detail::log::info(m.asChar()); }
void MGlobal::displayWarning(const MString& m) { mayastandin::detail::log::warning(m.asChar()); }
void MGlobal::displayError(const MString& m) { mayastandin::detail::log::error(m.asChar()); }
MGlobal::MMayaState MGlobal::mayaState(MStatus* rs) {
    if (rs) *rs = MStatus::kSuccess;
    return mayastandin::detail::batchMode.load() ? kBatch : kInteractive;
}
int MGlobal::apiVersion() { return MAYA_API_VERSION; }
MString MGlobal::mayaVersion() { return "2018"; }

OPENMAYA_NAMESPACE_CLOSE
