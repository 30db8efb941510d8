#pragma once
// A take recorded from the SDK stand-in's synthetic performers, streamed through the SDK as the panel receives
// them, with what each recorded frame held as the test's handler saw it. Waits are bounded polls.
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "OrvanePluginSDK.h"
#include "TakeFile.h"
#include "TakeRecorder.h"
#include "orvane/tracker/Control.h"

namespace streamedtake {

template <typename F>
bool waitUntil(F done) {
    for (int i = 0; i < 20000 && !done(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return done();
}

inline std::string tempPath(const char* name) {
    return (::testing::TempDir() + "take_" + std::to_string(::getpid()) + "_") + name + ".take";
}

// What a frame held, read straight from the SDK's record as the handler receives it.
struct SeenFrame {
    int frameNumber = 0;
    std::vector<std::vector<float>> markers;         // per group: x, y, z per marker
    std::vector<std::vector<double>> poses;          // per chain: 7 values per bone (zeros when untracked)
    std::vector<std::vector<std::uint8_t>> tracked;  // per chain
};

// Records the first `wanted` frames the SDK delivers into a take file. One at a time: the handlers are static.
struct StreamedTake {
    orvane::take::TakeRecorder recorder;
    std::vector<SeenFrame> seen;
    std::atomic<int> count{0};
    int wanted = 0;

    static StreamedTake*& current() {
        static StreamedTake* take = nullptr;
        return take;
    }
    static bool more() { return current()->count.load() < current()->wanted; }
    void noted(SeenFrame& s) {
        seen.push_back(s);
        ++count;
    }

    static void onV2(sFrameOfMocapData* frame, void*) {
        if (!more()) return;
        current()->recorder.recordFrameV2(*frame);
        SeenFrame s;
        s.frameNumber = frame->frameNumber;
        for (int i = 0; i < frame->markerSetCount; ++i) {
            const sMarkerSetFrame& set = frame->markerSets[i];
            s.markers.emplace_back(&set.markers[0][0], &set.markers[0][0] + 3 * set.markerCount);
        }
        for (int k = 0; k < frame->skeletonCount; ++k) {
            s.poses.emplace_back();
            s.tracked.emplace_back();
            for (int l = 0; l < frame->skeletons[k].boneCount; ++l) {
                const sBodyPose& b = frame->skeletons[k].bones[l];
                const bool zero = b.x == 0 && b.y == 0 && b.z == 0 && b.qx == 0 && b.qy == 0 && b.qz == 0 && b.qw == 0;
                s.tracked.back().push_back(l == 0 || !zero);
                s.poses.back().insert(s.poses.back().end(), {b.x, b.y, b.z, b.qx, b.qy, b.qz, b.qw});
            }
        }
        current()->noted(s);
    }

    static void onV1(sFrameOfData* frame) {
        if (!more()) return;
        current()->recorder.recordFrameV1(*frame);
        SeenFrame s;
        s.frameNumber = frame->frameNumber;
        for (int i = 0; i < frame->bodyCount; ++i) {
            const sBodyFrame& body = frame->bodies[i];
            s.markers.emplace_back(&body.markers[0][0], &body.markers[0][0] + 3 * body.markerCount);
            s.poses.emplace_back();
            s.tracked.emplace_back(body.segmentCount, 1);
            for (const sSegmentPose* g = body.segments; g != body.segments + body.segmentCount; ++g)
                s.poses.back().insert(s.poses.back().end(), {g->x, g->y, g->z, g->rx, g->ry, g->rz, 0.0});
        }
        current()->noted(s);
    }

    // Streams `frames` frames of the given version into the take file at `path`, named "take 1" and started at
    // 2.5 s of the host's time.
    void run(SDKVER version, const orvane::tracker::SyntheticOptions& options, int frames, const std::string& path) {
        namespace take = orvane::take;
        COrvaneSDKClientManager* sdk = COrvaneSDKClientManager::instance();
        current() = this;
        wanted = frames;
        orvane::tracker::resetForTests();
        orvane::tracker::useSyntheticSource(options);
        sdk->setVersion(version);
        sdk->setDataHandlerV2(&StreamedTake::onV2);
        sdk->setDataHandlerV1(&StreamedTake::onV1);
        ASSERT_EQ(0, sdk->createClient());
        ASSERT_EQ(0, sdk->initClient());
        take::TakeLayout layout;
        if (version == SDKVER_V2) {
            sDataDescriptions* descriptions = nullptr;
            sdk->getDataDescriptionsV2(&descriptions);
            ASSERT_NE(nullptr, descriptions);
            layout = take::layoutFromDescriptionsV2(*descriptions);
            sdk->freeDataDescriptionsV2(descriptions);
        } else {
            sBodyDefs* defs = sdk->getDataDescriptionsV1();
            ASSERT_NE(nullptr, defs);
            layout = take::layoutFromDescriptionsV1(*defs);
            sdk->freeDataDescriptionsV1(defs);
        }
        layout.takeName = "take 1";
        layout.hostStartSeconds = 2.5;
        std::string error;
        ASSERT_TRUE(recorder.start(layout, take::createTakeFile(path, error), error)) << error;
        ASSERT_EQ(0, sdk->startClient());
        ASSERT_TRUE(waitUntil([this] { return count.load() == wanted; })) << count.load();
        sdk->stopClient();
        sdk->releaseClient();
        orvane::tracker::resetForTests();
    }
};

}  // namespace streamedtake
