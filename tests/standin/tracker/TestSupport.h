#pragma once
// Shared helpers for the SDK stand-in tests: a fixture that resets the stand-in, bounded polls, a scripted
// source, and reference kinematics written independently of the library (column-vector matrices).

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <functional>
#include <thread>

#include "OrvanePluginSDK.h"
#include "orvane/tracker/Control.h"

namespace trk = orvane::tracker;

inline COrvaneSDKClientManager* sdk() { return COrvaneSDKClientManager::instance(); }

inline std::string lastError() {
    std::string text;
    sdk()->getLastErrorMsg(text);
    return text;
}

// Polls until the condition holds; gives up after a generous bound (a failure, not a timing assumption).
inline bool waitUntil(const std::function<bool()>& condition, std::chrono::seconds bound = std::chrono::seconds(20)) {
    const auto end = std::chrono::steady_clock::now() + bound;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

class SdkTest : public ::testing::Test {
protected:
    void SetUp() override { trk::resetForTests(); }
    void TearDown() override { trk::resetForTests(); }

    void connect() {
        ASSERT_EQ(sdk()->createClient(), 0) << lastError();
        ASSERT_EQ(sdk()->initClient(), 0) << lastError();
        ASSERT_EQ(sdk()->startClient(), 0) << lastError();
    }
};

// A pushed source with a fixed scene; the test pushes samples through the sink it was started with.
class ScriptedSource : public trk::FrameSource {
public:
    explicit ScriptedSource(trk::SceneDef scene, std::string openError = {})
        : scene_(std::move(scene)), openError_(std::move(openError)) {}
    Kind kind() const override { return Kind::Pushed; }
    std::string open(SDKVER, ConnectionType, trk::SceneDef& scene) override {
        scene = scene_;
        return openError_;
    }
    std::string description() const override { return "scripted source"; }
    std::string start(trk::FrameSink& sink) override {
        current = &sink;
        return {};
    }
    void stop() override { current = nullptr; }

    static inline std::atomic<trk::FrameSink*> current{nullptr};  // the sink while started

private:
    trk::SceneDef scene_;
    std::string openError_;
};

inline void useScripted(const trk::SceneDef& scene, const std::string& openError = {}) {
    trk::useSource(
        [scene, openError] { return std::unique_ptr<trk::FrameSource>(new ScriptedSource(scene, openError)); });
}

// ---------------------------------------------------------------- reference kinematics
// Column-vector convention: p' = R p, Euler X-Y-Z applied X first, so R = Rz * Ry * Rx.
struct RefMat {
    double a[3][3];
};

inline RefMat refMul(const RefMat& l, const RefMat& r) {
    RefMat o{};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            for (int k = 0; k < 3; ++k) o.a[i][j] += l.a[i][k] * r.a[k][j];
    return o;
}

inline RefMat refAxis(int axis, double degrees) {
    const double t = degrees * M_PI / 180, c = std::cos(t), s = std::sin(t);
    if (axis == 0) return {{{1, 0, 0}, {0, c, -s}, {0, s, c}}};
    if (axis == 1) return {{{c, 0, s}, {0, 1, 0}, {-s, 0, c}}};
    return {{{c, -s, 0}, {s, c, 0}, {0, 0, 1}}};
}

inline RefMat refEuler(double x, double y, double z) {
    return refMul(refAxis(2, z), refMul(refAxis(1, y), refAxis(0, x)));
}

inline RefMat refQuat(double x, double y, double z, double w) {
    return {{{1 - 2 * (y * y + z * z), 2 * (x * y - z * w), 2 * (x * z + y * w)},
             {2 * (x * y + z * w), 1 - 2 * (x * x + z * z), 2 * (y * z - x * w)},
             {2 * (x * z - y * w), 2 * (y * z + x * w), 1 - 2 * (x * x + y * y)}}};
}

inline trk::Vec3 refApply(const RefMat& r, const trk::Vec3& v) {
    return {r.a[0][0] * v.x + r.a[0][1] * v.y + r.a[0][2] * v.z, r.a[1][0] * v.x + r.a[1][1] * v.y + r.a[1][2] * v.z,
            r.a[2][0] * v.x + r.a[2][1] * v.y + r.a[2][2] * v.z};
}

struct RefPose {
    trk::Vec3 position;
    RefMat rotation;
};

// World poses from local translations and Euler angles, parents first.
inline std::vector<RefPose> refForwardKinematics(const std::vector<int>& parents,
                                                 const std::vector<trk::Vec3>& translations,
                                                 const std::vector<trk::Vec3>& eulers) {
    std::vector<RefPose> world(parents.size());
    for (size_t b = 0; b < parents.size(); ++b) {
        const RefMat local = refEuler(eulers[b].x, eulers[b].y, eulers[b].z);
        if (parents[b] < 0) {
            world[b] = {translations[b], local};
        } else {
            const RefPose& p = world[parents[b]];
            const trk::Vec3 d = refApply(p.rotation, translations[b]);
            world[b] = {{p.position.x + d.x, p.position.y + d.y, p.position.z + d.z}, refMul(p.rotation, local)};
        }
    }
    return world;
}

inline double refDistance(const trk::Vec3& a, const trk::Vec3& b) {
    return std::sqrt((a.x - b.x) * (a.x - b.x) + (a.y - b.y) * (a.y - b.y) + (a.z - b.z) * (a.z - b.z));
}

inline double refMaxDifference(const RefMat& a, const RefMat& b) {
    double m = 0;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) m = std::max(m, std::fabs(a.a[i][j] - b.a[i][j]));
    return m;
}
