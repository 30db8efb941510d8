#pragma once
// The tracking SDK's client interface, as the plug-in calls it. The implementation lives in the SDK's own
// shared library, OrvanePluginSDK; the plug-in never caches the manager and fetches instance() per call.
//
// Threads: data handlers and message callbacks are called on the SDK's own thread, never on the caller's.
// A frame handed to a data handler is valid only during that call; copy it with copyFrameV2 to keep it.

#include <string>

#include "OrvaneRecords.h"

#if defined(_WIN32)
#if defined(ORVANE_SDK_BUILD)
#define ORVANE_SDK_API __declspec(dllexport)
#else
#define ORVANE_SDK_API __declspec(dllimport)
#endif
#else
#define ORVANE_SDK_API __attribute__((visibility("default")))
#endif

// Protocol version: 0 is version 1 ("V1.6"), 1 is version 2 ("V2.0").
enum SDKVER : int { SDKVER_V1 = 0, SDKVER_V2 = 1 };

// 1 is unicast, 0 is multicast.
enum ConnectionType : int { ConnectionType_Multicast = 0, ConnectionType_Unicast = 1 };

// Message levels. Version 2: 2 warning, 3 error, 4 debug. Version 1: 1 error, 2 warning, 3 info, 4 debug.
typedef void (*DataHandlerV2)(sFrameOfMocapData* frame, void* userData);
typedef void (*DataHandlerV1)(sFrameOfData* frame);
typedef void (*MsgCallback)(int level, char* text);

class ORVANE_SDK_API COrvaneSDKClientManager {
public:
    static COrvaneSDKClientManager* instance();

    // Connection lifecycle; each returns 0 on success, nonzero on failure (see getLastErrorMsg).
    virtual int createClient() = 0;
    virtual int initClient() = 0;   // reaches the server and fetches the descriptions
    virtual int startClient() = 0;  // starts delivering frames on the SDK's thread
    virtual int stopClient() = 0;   // stops delivery; returns once no handler runs any more
    virtual int resetClient() = 0;  // not used by the plug-in
    virtual int releaseClient() = 0;

    virtual void setVersion(SDKVER version) = 0;
    virtual SDKVER getVersion() const = 0;
    virtual void setConnectionType(ConnectionType type) = 0;
    virtual ConnectionType getConnectionType() const = 0;
    virtual void setSmoothEnabled(bool enabled) = 0;  // may be read on the SDK's thread at any time
    virtual bool getSmoothEnabled() const = 0;

    virtual void setDataHandlerV1(DataHandlerV1 handler) = 0;
    virtual void setMsgCallbackV1(MsgCallback callback) = 0;
    virtual void setDataHandlerV2(DataHandlerV2 handler) = 0;
    virtual void setMsgCallbackV2(MsgCallback callback) = 0;

    virtual bool isConnected() const = 0;
    virtual int getLastErrorMsg(std::string& message) const = 0;

    // Descriptions: owned by the SDK until handed back to the matching free call (which accepts null).
    virtual sBodyDefs* getDataDescriptionsV1() = 0;
    virtual void freeDataDescriptionsV1(sBodyDefs* descriptions) = 0;
    virtual int getDataDescriptionsV2(sDataDescriptions** descriptions) = 0;
    virtual void freeDataDescriptionsV2(sDataDescriptions* descriptions) = 0;

    // Deep copy of a version 2 frame into a record the caller allocated; freeFrameV2 releases what the
    // copy holds (not the record itself, which the caller deletes afterwards).
    virtual int copyFrameV2(const sFrameOfMocapData* source, sFrameOfMocapData* destination) = 0;
    virtual int freeFrameV2(sFrameOfMocapData* frame) = 0;

protected:
    COrvaneSDKClientManager() {}
    virtual ~COrvaneSDKClientManager() {}

private:
    COrvaneSDKClientManager(const COrvaneSDKClientManager&);
    COrvaneSDKClientManager& operator=(const COrvaneSDKClientManager&);
};

// Point smoothing over a window: Cache adds a point to the window of the last N points (N from the
// constructor, at least 1); Smooth replaces the given point with the mean of the points in the window.
// One smoother follows one marker; it is not thread-safe. It is neither copied nor moved: the SDK promises
// only construction, Cache and Smooth, so each smoother stays where it was constructed.
class ORVANE_SDK_API SmoothFramePointArray {
public:
    explicit SmoothFramePointArray(int windowSize);
    ~SmoothFramePointArray();
    SmoothFramePointArray(const SmoothFramePointArray&) = delete;
    SmoothFramePointArray& operator=(const SmoothFramePointArray&) = delete;

    void Cache(double x, double y, double z);
    void Smooth(float& x, float& y, float& z);

    int windowSize() const { return window_; }
    int cachedCount() const { return count_; }

private:
    enum { kMaxWindow = 64 };
    int window_;
    int count_;
    int next_;
    double points_[kMaxWindow][3];
};
