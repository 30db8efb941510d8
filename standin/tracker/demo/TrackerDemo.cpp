// tracker-demo: connects to the SDK stand-in like the plug-in does and prints a line per second.
//   tracker-demo [--seconds N] [--version 1|2] [--performers N] [--rate HZ]
// Runs until SIGINT unless --seconds is given.

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>

#include "OrvanePluginSDK.h"
#include "orvane/tracker/Control.h"

namespace {

std::atomic<bool> interrupted{false};
std::atomic<long long> framesReceived{0};

struct Latest {
    std::mutex mutex;
    int frameNumber = 0;
    float marker[3] = {0, 0, 0};
    double bone[3] = {0, 0, 0};
} latest;

void onFrameV2(sFrameOfMocapData* frame, void*) {
    ++framesReceived;
    std::lock_guard<std::mutex> lock(latest.mutex);
    latest.frameNumber = frame->frameNumber;
    if (frame->markerSetCount > 0 && frame->markerSets[0].markerCount > 0)
        std::memcpy(latest.marker, frame->markerSets[0].markers[0], sizeof(latest.marker));
    if (frame->skeletonCount > 0 && frame->skeletons[0].boneCount > 0) {
        const sBodyPose& hips = frame->skeletons[0].bones[0];
        latest.bone[0] = hips.x, latest.bone[1] = hips.y, latest.bone[2] = hips.z;
    }
}

void onFrameV1(sFrameOfData* frame) {
    ++framesReceived;
    std::lock_guard<std::mutex> lock(latest.mutex);
    latest.frameNumber = frame->frameNumber;
    if (frame->bodyCount > 0 && frame->bodies[0].markerCount > 0)
        std::memcpy(latest.marker, frame->bodies[0].markers[0], sizeof(latest.marker));
    if (frame->bodyCount > 0 && frame->bodies[0].segmentCount > 0) {
        const sSegmentPose& root = frame->bodies[0].segments[0];
        latest.bone[0] = root.x, latest.bone[1] = root.y, latest.bone[2] = root.z;
    }
}

void onMessage(int level, char* text) { std::printf("  [sdk %d] %s", level, text); }

int check(int result, const char* call) {
    if (result != 0) {
        std::string error;
        COrvaneSDKClientManager::instance()->getLastErrorMsg(error);
        std::fprintf(stderr, "%s failed: %s\n", call, error.c_str());
    }
    return result;
}

}  // namespace

int main(int argc, char** argv) {
    double seconds = -1;
    int version = 2;
    orvane::tracker::SyntheticOptions options;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string flag = argv[i];
        if (flag == "--seconds")
            seconds = std::atof(argv[i + 1]);
        else if (flag == "--version")
            version = std::atoi(argv[i + 1]);
        else if (flag == "--performers")
            options.performers = std::atoi(argv[i + 1]);
        else if (flag == "--rate")
            options.rateHz = std::atof(argv[i + 1]);
        else {
            std::fprintf(stderr, "usage: %s [--seconds N] [--version 1|2] [--performers N] [--rate HZ]\n", argv[0]);
            return 2;
        }
    }
    std::signal(SIGINT, [](int) { interrupted = true; });
    orvane::tracker::useSyntheticSource(options);

    COrvaneSDKClientManager* sdk = COrvaneSDKClientManager::instance();
    sdk->setVersion(version == 1 ? SDKVER_V1 : SDKVER_V2);
    sdk->setDataHandlerV1(onFrameV1);
    sdk->setMsgCallbackV1(onMessage);
    sdk->setDataHandlerV2(onFrameV2);
    sdk->setMsgCallbackV2(onMessage);
    if (check(sdk->createClient(), "createClient") || check(sdk->initClient(), "initClient") ||
        check(sdk->startClient(), "startClient"))
        return 1;

    const auto begin = std::chrono::steady_clock::now();
    auto nextReport = begin + std::chrono::seconds(1);
    while (!interrupted && sdk->isConnected()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        const auto now = std::chrono::steady_clock::now();
        if (now >= nextReport) {
            nextReport += std::chrono::seconds(1);
            std::lock_guard<std::mutex> lock(latest.mutex);
            std::printf("frames %lld  last #%d  marker0 (%.1f, %.1f, %.1f)  root (%.1f, %.1f, %.1f) mm\n",
                        framesReceived.load(), latest.frameNumber, latest.marker[0], latest.marker[1], latest.marker[2],
                        latest.bone[0], latest.bone[1], latest.bone[2]);
            std::fflush(stdout);
        }
        if (seconds >= 0 && now - begin >= std::chrono::duration<double>(seconds)) break;
    }
    sdk->stopClient();
    sdk->releaseClient();
    std::printf("received %lld frames\n", framesReceived.load());
    return 0;
}
