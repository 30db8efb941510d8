#pragma once
// The four plain functions registered with the tracking SDK. They run on the SDK's own thread.
// The data handlers pass frames to OrvaneSystem; the message callbacks print to standard output.

struct sFrameOfMocapData;
struct sFrameOfData;

void dataHandlerV2(sFrameOfMocapData* frame, void* userData);
// Smooths each marker in place (when the SDK's smoothing flag is on) before notifying. Every marker,
// identified by its body and marker index, has a smoother of its own that keeps its history until
// orvane::resetSmoothing.
void dataHandlerV1(sFrameOfData* frame);
void msgCallbackV2(int level, char* text);
void msgCallbackV1(int level, char* text);

namespace orvane {
// Markers per body that get a smoother of their own; markers beyond it pass unsmoothed.
const int kMaxSmoothedMarkersPerBody = 4096;
// Every marker's history starts afresh from the next version 1 frame on: a body index may name another
// performer in the next connection or the next descriptions. Any thread.
void resetSmoothing();
}  // namespace orvane
