#pragma once
// Receiver of streamed frames. Both operations are called on the SDK's own thread; an observer must not
// attach or detach anything from inside them. The frame is valid only during the call.

struct sFrameOfMocapData;
struct sFrameOfData;

class OrvaneObserver {
public:
    virtual ~OrvaneObserver() {}
    virtual void onFrameV2(sFrameOfMocapData* frame) = 0;
    virtual void onFrameV1(sFrameOfData* frame) = 0;
};
