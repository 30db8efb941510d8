#pragma once
// Shared by the stress tests: the sizes of a run, what the process holds (threads, descriptors, frame copies,
// resident memory), a watchdog that turns a hang into a failure that names the step, the figures line each test
// prints, the host and the plug-in driven the way a user drives them, and the simulator as a child process.
//
// Sizes come from the environment so that CTest runs a reduced form and scripts/stress.sh the full one:
// ORVANE_STRESS_CYCLES (connect/disconnect cycles per version), ORVANE_STRESS_LOADS (load/unload rounds),
// ORVANE_STRESS_KILLS (server kills), ORVANE_STRESS_LOSS_SECONDS (seconds of a lossy stream).

#include <QtCore/QCoreApplication>
#include <QtCore/QElapsedTimer>
#include <QtCore/QThread>
#include <QtTest/QTest>
#include <QtWidgets/QAbstractButton>
#include <QtWidgets/QApplication>
#include <QtWidgets/QCheckBox>
#include <QtWidgets/QComboBox>

#include <dirent.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include <mayastandin/Host.h>

#include "TestApplication.h"
#include "EventSpin.h"
#include "orvane/tracker/Control.h"

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define ORVANE_STRESS_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define ORVANE_STRESS_SANITIZED 1
#endif
#endif

extern char** environ;

namespace stress {

namespace host = mayastandin;
namespace tracker = orvane::tracker;

const char* const kControl = "customWorkspaceControl";
const char* const kPlugin = "workspaceControlCmd";

// A size of this run: the environment's value when set, else the reduced size CTest runs.
inline int size(const char* variable, int reduced) {
    const char* value = std::getenv(variable);
    if (value == nullptr || *value == '\0') return reduced;
    const int parsed = std::atoi(value);
    return parsed > 0 ? parsed : reduced;
}

// Resident memory is checked only without a sanitizer: their allocators keep freed memory in quarantine.
inline bool residentMemoryIsMeaningful() {
#ifdef ORVANE_STRESS_SANITIZED
    return false;
#else
    return true;
#endif
}

inline QApplication& app() { return testsupport::testApplication("stress_tests"); }

// A test's start: no main window, message boxes dismissed and logged, the SDK stand-in, the scene and the log
// as a fresh process has them.
inline void startFresh() {
    app();
    host::setMainWindow(nullptr);
    host::setDismissMessageBoxes(true);
    tracker::resetForTests();
    host::resetScene();
    host::clearLog();
}

// Processes events (deferred deletes too) until the condition holds.
inline bool spinUntil(const std::function<bool()>& done, int boundMs = 30000) {
    return testsupport::spinUntil(done, boundMs, testsupport::DeferredDeletes::Deliver);
}

inline void spinFor(int ms) { testsupport::spinFor(ms, testsupport::DeferredDeletes::Deliver); }

// A real mouse click on a check box's indicator.
inline void clickIndicator(QAbstractButton* button) {
    QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, QPoint(8, button->height() / 2));
}

// ---------------------------------------------------------------- what the process holds

inline int countEntries(const char* folder) {
    DIR* dir = ::opendir(folder);
    if (dir == nullptr) return -1;
    int count = 0;
    while (const dirent* entry = ::readdir(dir))
        if (entry->d_name[0] != '.') ++count;
    ::closedir(dir);
    return count;
}

struct Resources {
    int threads = 0;
    int descriptors = 0;      // without the one that reads /proc/self/fd
    long long sdkCopies = 0;  // frame copies the SDK made and was not asked to free
    long long residentKb = 0;

    static Resources now() {
        Resources r;
        r.threads = countEntries("/proc/self/task");
        r.descriptors = countEntries("/proc/self/fd") - 1;
        r.sdkCopies = tracker::liveFrameCopies();
        std::ifstream statm("/proc/self/statm");
        long long pages = 0, resident = 0;
        statm >> pages >> resident;
        r.residentKb = resident * (::sysconf(_SC_PAGESIZE) / 1024);
        return r;
    }
    std::string text() const {
        std::ostringstream out;
        out << "threads=" << threads << " fds=" << descriptors << " copies=" << sdkCopies << " rss_kb=" << residentKb;
        return out.str();
    }
};

// Resident memory may grow this much over a run (allocator caches, Qt's font and style caches); a frame copy
// leaked per cycle is 149 KiB, so 200 cycles leaking one each would be 29 MiB.
const long long kResidentSlackKb = 8 * 1024;

// The state after a run against the baseline: no more threads and descriptors, no frame copy, resident memory
// within the slack. Waits (processing events) for threads that are on their way out.
inline void expectBackToBaseline(const Resources& baseline, const char* what) {
    Resources end = Resources::now();
    spinUntil(
        [&] {
            end = Resources::now();
            return end.threads <= baseline.threads && end.descriptors <= baseline.descriptors && end.sdkCopies == 0;
        },
        10000);
    // At most the baseline's: a baseline taken between rounds may still count a thread of the previous round on
    // its way out (an SDK thread, a disconnection's stopClient), which a leak never makes fewer.
    EXPECT_LE(end.threads, baseline.threads) << what;
    EXPECT_LE(end.descriptors, baseline.descriptors) << what;
    EXPECT_EQ(end.sdkCopies, 0) << what;
    if (residentMemoryIsMeaningful()) {
        EXPECT_LE(end.residentKb, baseline.residentKb + kResidentSlackKb) << what;
    }
    std::printf("stress: %s baseline %s | end %s\n", what, baseline.text().c_str(), end.text().c_str());
    std::fflush(stdout);
}

// ---------------------------------------------------------------- hangs

// Aborts the process, naming the step, when a step makes no progress for the bound: a deadlock shows as a
// failure that says where, not as a run that never ends.
class Watchdog {
public:
    explicit Watchdog(int boundSeconds = 120) : bound_(boundSeconds), thread_([this] { run(); }) {}
    ~Watchdog() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stop_ = true;
        }
        wake_.notify_all();
        thread_.join();
    }
    void step(const std::string& name) {
        std::lock_guard<std::mutex> lock(mutex_);
        step_ = name;
        last_ = std::chrono::steady_clock::now();
    }

private:
    void run() {
        std::unique_lock<std::mutex> lock(mutex_);
        while (!stop_) {
            wake_.wait_for(lock, std::chrono::seconds(1));
            if (!stop_ && std::chrono::steady_clock::now() - last_ > std::chrono::seconds(bound_)) {
                std::fprintf(stderr, "stress: no progress for %d s at step '%s': deadlock\n", bound_, step_.c_str());
                std::fflush(stderr);
                std::abort();
            }
        }
    }

    const int bound_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stop_ = false;
    std::string step_ = "start";
    std::chrono::steady_clock::time_point last_ = std::chrono::steady_clock::now();
    std::thread thread_;
};

// ---------------------------------------------------------------- the plug-in as a user drives it

inline QWidget* panelIn(QWidget* layout) { return layout ? layout->findChild<QWidget*>("QPluginPanelClass") : nullptr; }

// The docked panel of the loaded module, opened by its command.
inline QWidget* openPanel() {
    if (!host::execute("OrvanePluginWindow")) return nullptr;
    QWidget* panel = panelIn(host::controlInfo(kControl).layout);
    if (panel != nullptr) panel->show();
    return panel;
}

inline QCheckBox* connectBox(QWidget* panel) { return panel->findChild<QCheckBox*>("checkboxConnect"); }
inline QComboBox* versionBox(QWidget* panel) { return panel->findChild<QComboBox*>("comboBoxSDKVersion"); }
inline QCheckBox* smoothBox(QWidget* panel) { return panel->findChild<QCheckBox*>("checkBoxSmooth"); }

inline bool isOnline(QWidget* panel) { return connectBox(panel)->text() == "Online"; }

// The panel's refresh thread makes its event dispatcher (an eventfd on Linux) once it runs, some time after the
// panel's construction has returned: a baseline of descriptors is taken only after that.
inline bool refreshThreadRunning(QWidget* panel) {
    const QList<QThread*> threads = panel->findChildren<QThread*>();
    if (threads.isEmpty()) return false;
    for (QThread* thread : threads)
        if (thread->eventDispatcher() == nullptr) return false;
    return true;
}

// Picks the protocol version in the panel (0 "V1.6", 1 "V2.0"); version 1 with smoothing on.
inline void chooseVersion(QWidget* panel, int index) {
    versionBox(panel)->setCurrentIndex(index);
    QCheckBox* smooth = smoothBox(panel);
    if (index == 0 && !smooth->isChecked()) clickIndicator(smooth);
}

// ---------------------------------------------------------------- the simulator as a program

// tracker-sim in a child process of its own (posix_spawn), quiet after its first line, which names the address.
class SimulatorProcess {
public:
    SimulatorProcess(const std::string& program, const std::vector<std::string>& options) {
        int fds[2];
        if (::pipe(fds) != 0) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
        posix_spawn_file_actions_addclose(&actions, fds[0]);
        posix_spawn_file_actions_addclose(&actions, fds[1]);
        std::vector<std::string> args{program, "--quiet"};
        args.insert(args.end(), options.begin(), options.end());
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(&a[0]);
        argv.push_back(nullptr);
        if (::posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        ::close(fds[1]);
        out_ = fds[0];
        const std::string first = readLine();
        const std::string prefix = "listening on ";
        if (first.compare(0, prefix.size(), prefix) == 0) address_ = first.substr(prefix.size());
    }
    ~SimulatorProcess() {
        kill(SIGKILL);
        if (out_ >= 0) ::close(out_);
    }
    SimulatorProcess(const SimulatorProcess&) = delete;
    SimulatorProcess& operator=(const SimulatorProcess&) = delete;

    const std::string& address() const { return address_; }  // "127.0.0.1:PORT", empty when it did not start
    std::string port() const { return address_.substr(address_.rfind(':') + 1); }
    // Sends the signal and reaps the process; returns its wait status.
    int kill(int signal) {
        if (pid_ <= 0 || reaped_) return status_;
        ::kill(pid_, signal);
        ::waitpid(pid_, &status_, 0);
        reaped_ = true;
        return status_;
    }

private:
    std::string readLine() {
        std::string line;
        char c;
        while (out_ >= 0 && ::read(out_, &c, 1) == 1 && c != '\n') line += c;
        return line;
    }

    pid_t pid_ = -1;
    int out_ = -1;
    bool reaped_ = false;
    int status_ = 0;
    std::string address_;
};

}  // namespace stress
