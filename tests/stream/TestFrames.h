#pragma once
// Hand-built SDK records for the stream tests.

#include <array>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "OrvaneRecords.h"

namespace testframes {

inline MarkerData* points(std::vector<std::array<float, 3>>& v) {
    static_assert(sizeof(std::array<float, 3>) == sizeof(MarkerData), "same layout");
    return reinterpret_cast<MarkerData*>(v.data());
}

// A version 2 frame with one marker set of `markerCount` markers, tagged by frame number.
struct FrameV2 {
    std::unique_ptr<sFrameOfMocapData> frame{new sFrameOfMocapData()};
    std::vector<std::array<float, 3>> markers;

    FrameV2(int frameNumber, int markerCount) : markers(markerCount) {
        frame->frameNumber = frameNumber;
        frame->markerSetCount = 1;
        std::strcpy(frame->markerSets[0].name, "Set");
        frame->markerSets[0].markerCount = markerCount;
        frame->markerSets[0].markers = points(markers);
        for (int j = 0; j < markerCount; ++j) {
            markers[j][0] = static_cast<float>(frameNumber);
            markers[j][1] = static_cast<float>(j);
            markers[j][2] = 1.0f;
        }
    }
};

// A version 1 frame with bodies of the given marker counts.
struct FrameV1 {
    std::unique_ptr<sFrameOfData> frame{new sFrameOfData()};
    std::vector<std::vector<std::array<float, 3>>> markers;

    explicit FrameV1(const std::vector<int>& markerCounts) : markers(markerCounts.size()) {
        frame->bodyCount = static_cast<int>(markerCounts.size());
        for (std::size_t i = 0; i < markerCounts.size(); ++i) {
            markers[i].resize(markerCounts[i]);
            std::snprintf(frame->bodies[i].name, sizeof frame->bodies[i].name, "Body%zu", i);
            frame->bodies[i].markerCount = markerCounts[i];
            frame->bodies[i].markers = points(markers[i]);
        }
    }
    void set(int body, int marker, float x, float y, float z) {
        markers[body][marker][0] = x;
        markers[body][marker][1] = y;
        markers[body][marker][2] = z;
    }
};

}  // namespace testframes
