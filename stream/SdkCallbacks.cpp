#include "SdkCallbacks.h"

#include <atomic>
#include <cstdio>
#include <memory>
#include <vector>

#include "OrvanePluginSDK.h"
#include "OrvaneSubject.h"
#include "RecordAccess.h"

namespace {

const int kSmoothingWindow = 7;

// One smoother per (body index, marker index), grown as markers appear. Each smoother is allocated once and
// stays where it was made while the vectors around it grow: the SDK's class is never copied or moved.
// Used on the SDK's thread only.
class SmootherBank {
public:
    SmoothFramePointArray& at(int body, int marker) {
        if (static_cast<int>(bodies_.size()) <= body) bodies_.resize(body + 1);
        std::vector<std::unique_ptr<SmoothFramePointArray>>& markers = bodies_[body];
        while (static_cast<int>(markers.size()) <= marker)
            markers.push_back(std::make_unique<SmoothFramePointArray>(kSmoothingWindow));
        return *markers[marker];
    }
    void clear() { bodies_.clear(); }

private:
    std::vector<std::vector<std::unique_ptr<SmoothFramePointArray>>> bodies_;
};

// Bumped by resetSmoothing; the SDK's thread compares it with the generation its bank was filled in.
std::atomic<unsigned> smoothingGeneration(0);

const char* textOrEmpty(const char* text) { return text ? text : ""; }

}  // namespace

void dataHandlerV2(sFrameOfMocapData* frame, void* /*userData*/) {
    if (frame == nullptr) return;
    OrvaneSystem::instance()->notifyFrameV2(frame);
}

void dataHandlerV1(sFrameOfData* frame) {
    if (frame == nullptr) return;
    static SmootherBank smoothers;
    static unsigned generation = 0;
    const unsigned current = smoothingGeneration.load();
    if (current != generation) {
        smoothers.clear();
        generation = current;
    }

    const int bodyCount = orvane::clampCount(frame->bodyCount, kMaxBodyFrames);
    for (int i = 0; i < bodyCount; ++i) {
        sBodyFrame& body = frame->bodies[i];
        const int markerCount = orvane::clampCount(body.markerCount, body.markers, orvane::kMaxSmoothedMarkersPerBody);
        for (int j = 0; j < markerCount; ++j) {
            if (!COrvaneSDKClientManager::instance()->getSmoothEnabled()) continue;
            float* point = body.markers[j];
            SmoothFramePointArray& smoother = smoothers.at(i, j);
            smoother.Cache(point[0], point[1], point[2]);
            smoother.Smooth(point[0], point[1], point[2]);
        }
    }
    OrvaneSystem::instance()->notifyFrameV1(frame);
}

void orvane::resetSmoothing() { smoothingGeneration.fetch_add(1); }

void msgCallbackV2(int level, char* text) {
    if (level < 2) return;
    const char* format = "[?????] %s";
    switch (level) {
        case 2: format = "[WARN] %s"; break;
        case 3: format = "[ERROR] %s"; break;
        case 4: format = "[DEBUG] %s"; break;
        default: break;
    }
    std::printf(format, textOrEmpty(text));
}

void msgCallbackV1(int level, char* text) {
    const char* name = "";
    switch (level) {
        case 1: name = "Error"; break;
        case 2: name = "Warning"; break;
        case 3: name = "Info"; break;
        case 4: name = "Debug"; break;
        default: break;
    }
    std::printf("    %s: %s\n", name, textOrEmpty(text));
}
