// The SDK callbacks: message formats on standard output, and version 1 smoothing in place, one history
// per marker.

#include <cstdio>
#include <deque>
#include <string>

#include <gtest/gtest.h>

#include "OrvanePluginSDK.h"
#include "OrvaneSubject.h"
#include "SdkCallbacks.h"
#include "TestFrames.h"
#include "orvane/tracker/Control.h"

namespace {

std::string printed(void (*callback)(int, char*), int level, const char* text) {
    std::string buffer(text);
    testing::internal::CaptureStdout();
    callback(level, &buffer[0]);
    std::fflush(stdout);
    return testing::internal::GetCapturedStdout();
}

TEST(MessageCallbacks, Version2PrefixesByLevelWithoutNewline) {
    EXPECT_EQ(printed(msgCallbackV2, 0, "quiet"), "");
    EXPECT_EQ(printed(msgCallbackV2, 1, "quiet"), "");
    EXPECT_EQ(printed(msgCallbackV2, 2, "w"), "[WARN] w");
    EXPECT_EQ(printed(msgCallbackV2, 3, "e"), "[ERROR] e");
    EXPECT_EQ(printed(msgCallbackV2, 4, "d"), "[DEBUG] d");
    EXPECT_EQ(printed(msgCallbackV2, 9, "odd"), "[?????] odd");
    EXPECT_EQ(printed(msgCallbackV2, 2, "100% %s %n"), "[WARN] 100% %s %n");  // text is never a format
}

TEST(MessageCallbacks, Version1NamesLevelsAndEndsTheLine) {
    EXPECT_EQ(printed(msgCallbackV1, 0, "t"), "    : t\n");
    EXPECT_EQ(printed(msgCallbackV1, 1, "t"), "    Error: t\n");
    EXPECT_EQ(printed(msgCallbackV1, 2, "t"), "    Warning: t\n");
    EXPECT_EQ(printed(msgCallbackV1, 3, "t"), "    Info: t\n");
    EXPECT_EQ(printed(msgCallbackV1, 4, "t"), "    Debug: t\n");
    EXPECT_EQ(printed(msgCallbackV1, 9, "t"), "    : t\n");
    testing::internal::CaptureStdout();
    msgCallbackV1(1, nullptr);
    msgCallbackV2(3, nullptr);
    std::fflush(stdout);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "    Error: \n[ERROR] ");
}

// Reference smoother: the mean of the last seven points fed to it.
struct Window {
    std::deque<float> xs, ys, zs;
    void push(float x, float y, float z) {
        xs.push_back(x), ys.push_back(y), zs.push_back(z);
        if (xs.size() > 7) xs.pop_front(), ys.pop_front(), zs.pop_front();
    }
    static float mean(const std::deque<float>& v) {
        double sum = 0;
        for (float f : v) sum += f;
        return static_cast<float>(sum / v.size());
    }
};

class Smoothing : public testing::Test {
protected:
    void SetUp() override {
        orvane::tracker::resetForTests();
        orvane::resetSmoothing();  // as every connection does
    }
    void TearDown() override { COrvaneSDKClientManager::instance()->setSmoothEnabled(false); }
};

// Each marker is smoothed against its own history only. A single shared smoother would blend the two
// bodies' markers (at x = 0 and x = 1000) together.
TEST_F(Smoothing, EachMarkerIsSmoothedInPlaceAgainstItsOwnHistory) {
    COrvaneSDKClientManager::instance()->setSmoothEnabled(true);
    testframes::FrameV1 frame({2, 1});
    Window reference[3];
    for (int n = 0; n < 12; ++n) {
        const float raw[3][3] = {{float(n), float(2 * n), 5}, {1000.0f + n * n, -3, 0.5f}, {-7, float(n % 3), 1e4f}};
        frame.set(0, 0, raw[0][0], raw[0][1], raw[0][2]);
        frame.set(0, 1, raw[1][0], raw[1][1], raw[1][2]);
        frame.set(1, 0, raw[2][0], raw[2][1], raw[2][2]);
        for (int m = 0; m < 3; ++m) reference[m].push(raw[m][0], raw[m][1], raw[m][2]);
        dataHandlerV1(frame.frame.get());

        const float* got[3] = {frame.markers[0][0].data(), frame.markers[0][1].data(), frame.markers[1][0].data()};
        for (int m = 0; m < 3; ++m) {
            EXPECT_NEAR(got[m][0], Window::mean(reference[m].xs), 1e-3) << "frame " << n << " marker " << m;
            EXPECT_NEAR(got[m][1], Window::mean(reference[m].ys), 1e-3) << "frame " << n << " marker " << m;
            EXPECT_NEAR(got[m][2], Window::mean(reference[m].zs), 1e-2) << "frame " << n << " marker " << m;
        }
    }
}

TEST_F(Smoothing, OffLeavesMarkersUntouchedAndFramesStillReachObservers) {
    struct Seen : OrvaneObserver {
        int frames = 0;
        float x = 0;
        void onFrameV2(sFrameOfMocapData*) override {}
        void onFrameV1(sFrameOfData* f) override {
            ++frames;
            x = f->bodies[0].markers[0][0];
        }
    } seen;
    OrvaneSystem::instance()->attach(&seen);
    testframes::FrameV1 frame({1});
    frame.set(0, 0, 42.5f, 1, 2);
    dataHandlerV1(frame.frame.get());
    dataHandlerV1(nullptr);
    OrvaneSystem::instance()->detach(&seen);
    EXPECT_EQ(seen.frames, 1);
    EXPECT_EQ(seen.x, 42.5f);
}

// Malformed version 1 frames: counts out of range and null arrays are read within bounds and still
// notified.
TEST_F(Smoothing, MalformedFramesAreReadWithinBounds) {
    COrvaneSDKClientManager::instance()->setSmoothEnabled(true);
    struct Seen : OrvaneObserver {
        int frames = 0;
        void onFrameV2(sFrameOfMocapData*) override {}
        void onFrameV1(sFrameOfData*) override { ++frames; }
    } seen;
    OrvaneSystem::instance()->attach(&seen);

    testframes::FrameV1 frame({1, 1});
    frame.frame->bodyCount = -3;
    dataHandlerV1(frame.frame.get());
    frame.frame->bodyCount = 1 << 30;  // clamped to the array's capacity; bodies past 2 have no markers
    dataHandlerV1(frame.frame.get());
    frame.frame->bodyCount = 2;
    frame.frame->bodies[0].markerCount = 5;
    frame.frame->bodies[0].markers = nullptr;  // null array: empty
    frame.frame->bodies[1].markerCount = -1;
    dataHandlerV1(frame.frame.get());

    OrvaneSystem::instance()->detach(&seen);
    EXPECT_EQ(seen.frames, 3);
}

}  // namespace
