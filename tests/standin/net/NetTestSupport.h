#pragma once
// Shared helpers for the end-to-end network tests: a recorder behind the SDK's handlers, comparisons of what
// arrived with what the server streamed, bounded polls, and child processes (the simulator program, or this
// test binary re-executed with another environment).
//
// Every address used here is on loopback (127.0.0.0/8); the one multicast test runs in a private network
// namespace of its own.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "OrvanePluginSDK.h"
#include "orvane/tracker/Control.h"
#include "orvane/tracker/sim/TrackerServer.h"

namespace nettest {

namespace trk = orvane::tracker;
namespace sim = orvane::tracker::sim;

inline COrvaneSDKClientManager* sdk() { return COrvaneSDKClientManager::instance(); }

inline std::string lastError() {
    std::string text;
    sdk()->getLastErrorMsg(text);
    return text;
}

// Polls until the condition holds; the bound only turns a hang into a failure.
inline bool waitUntil(const std::function<bool()>& condition, std::chrono::seconds bound = std::chrono::seconds(30)) {
    const auto end = std::chrono::steady_clock::now() + bound;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

// What one handler call saw, copied out of the records.
struct Captured {
    long long frameNumber = 0;
    long long sentUs = 0, receivedUs = 0;
    std::vector<std::vector<float>> markers;    // per marker set / body: x, y, z per marker
    std::vector<std::vector<float>> bones;      // version 2, per subject with bones: x y z qx qy qz qw per bone
    std::vector<std::vector<double>> segments;  // version 1, per body: x y z rx ry rz residual per segment
};

// Collects frames and messages from the SDK's thread. Keeps the first kMaxFrames frames.
class Recorder {
public:
    static constexpr std::size_t kMaxFrames = 4000;

    static Recorder& get() {
        static Recorder r;
        return r;
    }
    void clear() {
        std::lock_guard<std::mutex> lock(mutex_);
        frames_.clear();
        messages_.clear();
        calls_ = 0;
    }
    // Registers the handlers of the given version.
    static void install(SDKVER version) {
        get().clear();
        if (version == SDKVER_V2) {
            sdk()->setDataHandlerV2(&onV2);
            sdk()->setMsgCallbackV2(&onMessage);
        } else {
            sdk()->setDataHandlerV1(&onV1);
            sdk()->setMsgCallbackV1(&onMessage);
        }
    }
    std::vector<Captured> frames() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return frames_;
    }
    std::size_t frameCount() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return frames_.size();
    }
    long long calls() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return calls_;
    }
    std::vector<std::string> messages() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return messages_;
    }
    bool hasMessage(const std::string& part) const {
        for (const std::string& m : messages())
            if (m.find(part) != std::string::npos) return true;
        return false;
    }

private:
    void add(Captured&& c) {
        std::lock_guard<std::mutex> lock(mutex_);
        ++calls_;
        if (frames_.size() < kMaxFrames) frames_.push_back(std::move(c));
    }
    static void onV2(sFrameOfMocapData* f, void*) {
        Captured c;
        c.frameNumber = f->frameNumber;
        c.sentUs = f->serverSendTimeUs;
        c.receivedUs = f->receiveTimeUs;
        for (int s = 0; s < f->markerSetCount; ++s) {
            const sMarkerSetFrame& set = f->markerSets[s];
            const float* first = set.markerCount ? &set.markers[0][0] : nullptr;
            c.markers.emplace_back(first, first ? first + 3 * set.markerCount : nullptr);
        }
        for (int k = 0; k < f->skeletonCount; ++k) {
            std::vector<float> v;
            for (int b = 0; b < f->skeletons[k].boneCount; ++b) {
                const sBodyPose& p = f->skeletons[k].bones[b];
                v.insert(v.end(), {p.x, p.y, p.z, p.qx, p.qy, p.qz, p.qw});
            }
            c.bones.push_back(std::move(v));
        }
        get().add(std::move(c));
    }
    static void onV1(sFrameOfData* f) {
        Captured c;
        c.frameNumber = f->frameNumber;
        c.sentUs = f->serverSendTimeUs;
        c.receivedUs = f->receiveTimeUs;
        for (int s = 0; s < f->bodyCount; ++s) {
            const sBodyFrame& body = f->bodies[s];
            c.markers.emplace_back(body.markerCount ? &body.markers[0][0] : nullptr,
                                   body.markerCount ? &body.markers[0][0] + 3 * body.markerCount : nullptr);
            std::vector<double> v;
            for (int g = 0; g < body.segmentCount; ++g) {
                const sSegmentPose& p = body.segments[g];
                v.insert(v.end(), {p.x, p.y, p.z, p.rx, p.ry, p.rz, p.residual});
            }
            c.segments.push_back(std::move(v));
        }
        get().add(std::move(c));
    }
    static void onMessage(int, char* text) {
        Recorder& r = get();
        std::lock_guard<std::mutex> lock(r.mutex_);
        r.messages_.emplace_back(text);
    }

    mutable std::mutex mutex_;
    std::vector<Captured> frames_;
    std::vector<std::string> messages_;
    long long calls_ = 0;
};

// The frame as it must arrive: floats where the wire carries floats, unseen markers and untracked bones at zero.
inline ::testing::AssertionResult sameFrame(const Captured& got, const trk::FrameSample& truth,
                                            const trk::SceneDef& scene, SDKVER version) {
    auto fail = [&](const std::string& what) {
        return ::testing::AssertionFailure() << "frame " << got.frameNumber << ": " << what;
    };
    if (got.frameNumber != static_cast<int>(truth.frameNumber)) return fail("frame number differs from the truth's");
    if (got.markers.size() != scene.subjects.size()) return fail("wrong number of marker sets");
    std::size_t skeleton = 0;
    for (std::size_t s = 0; s < scene.subjects.size(); ++s) {
        const trk::SubjectSample& t = truth.subjects[s];
        if (got.markers[s].size() != 3 * t.markers.size())
            return fail("wrong marker count in subject " + std::to_string(s));
        for (std::size_t m = 0; m < t.markers.size(); ++m) {
            const trk::Vec3 p = t.markerSeen[m] ? t.markers[m] : trk::Vec3{};
            const float expect[3] = {float(p.x), float(p.y), float(p.z)};
            for (int k = 0; k < 3; ++k)
                if (got.markers[s][3 * m + k] != expect[k])
                    return fail("subject " + std::to_string(s) + " marker " + std::to_string(m) + " is " +
                                std::to_string(got.markers[s][3 * m + k]) + ", expected " + std::to_string(expect[k]));
        }
        if (version == SDKVER_V2) {
            if (t.bones.empty()) continue;
            if (skeleton >= got.bones.size()) return fail("missing skeleton");
            const std::vector<float>& b = got.bones[skeleton++];
            if (b.size() != 7 * t.bones.size()) return fail("wrong bone count");
            for (std::size_t i = 0; i < t.bones.size(); ++i) {
                const trk::BonePose& p = t.bones[i];
                const float expect[7] = {float(p.worldPosition.x),    float(p.worldPosition.y),
                                         float(p.worldPosition.z),    float(p.worldOrientation.x),
                                         float(p.worldOrientation.y), float(p.worldOrientation.z),
                                         float(p.worldOrientation.w)};
                for (int k = 0; k < 7; ++k)
                    if (b[7 * i + k] != (p.tracked ? expect[k] : 0.0f))
                        return fail("subject " + std::to_string(s) + " bone " + std::to_string(i) + " value " +
                                    std::to_string(k) + " is " + std::to_string(b[7 * i + k]));
            }
        } else {
            const std::vector<double>& g = got.segments[s];
            if (g.size() != 7 * t.bones.size()) return fail("wrong segment count");
            for (std::size_t i = 0; i < t.bones.size(); ++i) {
                const trk::BonePose& p = t.bones[i];
                const double expect[7] = {p.localTranslation.x,  p.localTranslation.y, p.localTranslation.z,
                                          p.localEulerXYZ.x,     p.localEulerXYZ.y,    p.localEulerXYZ.z,
                                          p.tracked ? 0.0 : -1.0};
                for (int k = 0; k < 7; ++k)
                    if (g[7 * i + k] != (p.tracked || k == 6 ? expect[k] : 0.0))
                        return fail("subject " + std::to_string(s) + " segment " + std::to_string(i) + " value " +
                                    std::to_string(k) + " is " + std::to_string(g[7 * i + k]));
            }
        }
    }
    return ::testing::AssertionSuccess();
}

inline bool onLoopback(const std::string& hostPort) { return hostPort.rfind("127.", 0) == 0; }

// Resets the stand-in around each test and checks that the receiver used loopback addresses only.
class NetTest : public ::testing::Test {
protected:
    void SetUp() override { trk::resetForTests(); }
    void TearDown() override {
        trk::resetForTests();
        const trk::NetworkStats s = trk::networkStats();
        if (!s.server.empty()) {
            EXPECT_TRUE(onLoopback(s.server)) << s.server;
        }
        if (!s.localAddress.empty()) {
            EXPECT_TRUE(onLoopback(s.localAddress)) << s.localAddress;
        }
    }

    // Connects the SDK to the server with handlers of the version installed.
    void connect(const std::string& hostPort, SDKVER version, ConnectionType type = ConnectionType_Unicast) {
        ASSERT_TRUE(onLoopback(hostPort)) << hostPort;
        trk::useNetworkSource(hostPort);
        Recorder::install(version);
        sdk()->setVersion(version);
        sdk()->setConnectionType(type);
        ASSERT_EQ(sdk()->createClient(), 0) << lastError();
        ASSERT_EQ(sdk()->initClient(), 0) << lastError();
        ASSERT_EQ(sdk()->startClient(), 0) << lastError();
        ASSERT_TRUE(sdk()->isConnected());
    }

    static bool framesAtLeast(std::size_t n) { return Recorder::get().frameCount() >= n; }
};

// Frame numbers strictly increase: nothing old, duplicated or out of order reached the handler.
inline ::testing::AssertionResult strictlyIncreasing(const std::vector<Captured>& frames) {
    for (std::size_t i = 1; i < frames.size(); ++i)
        if (frames[i].frameNumber <= frames[i - 1].frameNumber)
            return ::testing::AssertionFailure()
                   << "frame " << frames[i].frameNumber << " after " << frames[i - 1].frameNumber;
    return ::testing::AssertionSuccess();
}

// A child process with its standard output on a pipe.
class ChildProcess {
public:
    ChildProcess(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnvironment = {}) {
        int fds[2];
        if (::pipe(fds) != 0) return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(fds[1], 1);
            ::close(fds[0]);
            ::close(fds[1]);
            for (const std::string& e : extraEnvironment) ::putenv(const_cast<char*>(e.c_str()));
            std::vector<char*> args;
            for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
            args.push_back(nullptr);
            ::execv(args[0], args.data());
            ::_exit(127);
        }
        ::close(fds[1]);
        out_ = fds[0];
    }
    ~ChildProcess() {
        if (pid_ > 0 && !reaped_) {
            ::kill(pid_, SIGKILL);
            wait();
        }
        if (out_ >= 0) ::close(out_);
    }
    pid_t pid() const { return pid_; }
    // The next line of its output; empty at the end of the output.
    std::string readLine() {
        std::string line;
        char c;
        while (::read(out_, &c, 1) == 1) {
            if (c == '\n') return line;
            line += c;
        }
        return line;
    }
    std::string readAll() {
        std::string all;
        char chunk[4096];
        ssize_t n;
        while ((n = ::read(out_, chunk, sizeof chunk)) > 0) all.append(chunk, static_cast<std::size_t>(n));
        return all;
    }
    // Waits for the exit and returns the wait status.
    int wait() {
        if (!reaped_) ::waitpid(pid_, &status_, 0);
        reaped_ = true;
        return status_;
    }

private:
    pid_t pid_ = -1;
    int out_ = -1;
    bool reaped_ = false;
    int status_ = 0;
};

inline std::string selfPath() {
    char path[4096];
    const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
    return n > 0 ? std::string(path, static_cast<std::size_t>(n)) : std::string();
}

inline std::string currentTestFilter() {
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    return std::string("--gtest_filter=") + info->test_suite_name() + "." + info->name();
}

}  // namespace nettest
