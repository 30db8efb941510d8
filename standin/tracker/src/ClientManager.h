#pragma once
// The SDK stand-in's client manager: the lifecycle state machine, the delivery thread and the control
// hooks behind Control.h.
//
// Locks: lifecycleMutex_ serialises the lifecycle calls and is held by stopClient while it joins the
// delivery thread, so the delivery thread (and any handler) must never take it. deliveryMutex_ guards what
// the delivery thread shares (flags, message and sample queues, counters) and is never held while a
// handler or callback runs. Settings read on the delivery thread are atomics.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <unordered_set>
#include <utility>
#include <vector>

#include "FrameRecords.h"
#include "OrvanePluginSDK.h"
#include "orvane/tracker/Control.h"
#include "orvane/tracker/FrameSource.h"
#include "orvane/tracker/SyntheticPerformers.h"

namespace orvane {
namespace tracker {

class ClientManager final : public COrvaneSDKClientManager, private FrameSink {
public:
    static ClientManager& get();

    int createClient() override;
    int initClient() override;
    int startClient() override;
    int stopClient() override;
    int resetClient() override;
    int releaseClient() override;

    void setVersion(SDKVER version) override { version_ = version; }
    SDKVER getVersion() const override { return version_; }
    void setConnectionType(ConnectionType type) override { connectionType_ = type; }
    ConnectionType getConnectionType() const override { return connectionType_; }
    void setSmoothEnabled(bool enabled) override { smooth_ = enabled; }
    bool getSmoothEnabled() const override { return smooth_; }

    void setDataHandlerV1(DataHandlerV1 handler) override { dataV1_ = handler; }
    void setMsgCallbackV1(MsgCallback callback) override { messageV1_ = callback; }
    void setDataHandlerV2(DataHandlerV2 handler) override { dataV2_ = handler; }
    void setMsgCallbackV2(MsgCallback callback) override { messageV2_ = callback; }

    bool isConnected() const override { return connected_; }
    int getLastErrorMsg(std::string& message) const override;

    sBodyDefs* getDataDescriptionsV1() override;
    void freeDataDescriptionsV1(sBodyDefs* descriptions) override;
    int getDataDescriptionsV2(sDataDescriptions** descriptions) override;
    void freeDataDescriptionsV2(sDataDescriptions* descriptions) override;

    int copyFrameV2(const sFrameOfMocapData* source, sFrameOfMocapData* destination) override;
    int freeFrameV2(sFrameOfMocapData* frame) override;

    // Control.h
    void chooseSource(SourceFactory factory, std::optional<SyntheticOptions> synthetic);
    void chooseDefaultSource(SourceFactory factory, std::optional<SyntheticOptions> synthetic);
    void failNextCall(const std::string& call, const std::string& message);
    void slowNextStop(int milliseconds);
    void failNextCopy() { failNextCopy_ = true; }
    void loseConnection();
    void holdStream(bool held);
    long long deliveredFrames() const;
    long long lastDeliveredFrameNumber() const;
    long long liveFrameCopies() const;
    std::vector<DeliveryRecord> recentDeliveries(std::size_t max) const;
    bool deliveryInProgress(DeliveryRecord* record) const;
    ClientStatus clientStatus();
    FrameSample groundTruth(long long frameNumber);
    SceneDef currentScene();
    void resetForTests();

private:
    enum class State { None, Created, Initialised, Started };

    ClientManager();
    ~ClientManager() override;

    // FrameSink
    void pushSample(const FrameSample& sample) override;
    void message(MessageLevel level, const std::string& text) override;
    void connectionLost(const std::string& reason) override;

    int fail(const std::string& text);
    bool takeInjectedFailure(const std::string& call);
    void stopDelivery();  // lifecycleMutex_ held
    void dropClient();    // lifecycleMutex_ held
    void deliveryLoop();
    void deliver(const FrameSample& sample);
    void logDelivery(const FrameSample& sample, long long sent, long long received, long long now);
    void emit(MessageLevel level, const std::string& text);
    bool flushMessages(std::unique_lock<std::mutex>& lock);

    // Settings, read on any thread.
    std::atomic<SDKVER> version_{SDKVER_V2};
    std::atomic<ConnectionType> connectionType_{ConnectionType_Multicast};
    std::atomic<bool> smooth_{false};
    std::atomic<DataHandlerV1> dataV1_{nullptr};
    std::atomic<DataHandlerV2> dataV2_{nullptr};
    std::atomic<MsgCallback> messageV1_{nullptr};
    std::atomic<MsgCallback> messageV2_{nullptr};
    std::atomic<bool> connected_{false};
    std::atomic<bool> failNextCopy_{false};
    // Destinations of successful copies not freed yet (any thread).
    mutable std::mutex copiesMutex_;
    std::unordered_set<const sFrameOfMocapData*> liveCopies_;

    mutable std::mutex errorMutex_;
    std::string lastError_;

    // Source choice and injected failures.
    std::mutex controlMutex_;
    SourceFactory factory_, defaultFactory_;
    std::optional<SyntheticOptions> synthetic_, defaultSynthetic_;
    std::map<std::string, std::string> injectedFailures_;
    int nextStopDelayMs_ = 0;  // controlMutex_

    // Lifecycle.
    std::mutex lifecycleMutex_;
    std::atomic<State> state_{State::None};  // written under lifecycleMutex_, read anywhere
    // Lifecycle calls since the last reset, counted on entry (any thread).
    std::atomic<int> createCalls_{0}, initCalls_{0}, startCalls_{0}, stopCalls_{0}, releaseCalls_{0};
    std::shared_ptr<FrameSource> source_;  // replaced under lifecycleMutex_ and sceneMutex_ together
    bool deliversVersion2_ = true;         // fixed by initClient
    std::thread deliveryThread_;
    std::atomic<std::thread::id> deliveryThreadId_{};
    FrameRecordsV2 recordsV2_;  // touched by the delivery thread only while it runs
    FrameRecordsV1 recordsV1_;
    FrameSample sample_;  // the delivery thread's working sample

    // The open source and its scene, for the description and ground-truth queries (any thread).
    mutable std::mutex sceneMutex_;
    std::optional<SceneDef> scene_;

    // Shared with the delivery thread.
    mutable std::mutex deliveryMutex_;
    std::condition_variable wake_;
    bool running_ = false;
    bool stop_ = false;
    bool held_ = false;
    bool lostPending_ = false;
    bool lost_ = false;
    std::string lostReason_;
    std::deque<std::pair<MessageLevel, std::string>> messages_;
    std::vector<FrameSample> pushed_;  // ring of pushed samples
    size_t pushedHead_ = 0, pushedCount_ = 0;
    long long nextFrame_ = 1;  // paced sources
    long long delivered_ = 0;
    long long lastDelivered_ = -1;
    // From the moment a frame is counted until its handler returns; set under deliveryMutex_, so a hold that
    // finds it clear has nothing left on its way.
    std::atomic<bool> handingOver_{false};

    // Delivery log for the host's status and the benchmarks: a ring of the last kDeliveryLogSize frames.
    mutable std::mutex logMutex_;
    std::vector<DeliveryRecord> log_;
    std::size_t logNext_ = 0, logCount_ = 0;
    bool inDelivery_ = false;  // logMutex_: the newest entry's handler is running

    bool explicitSource_ = false;      // controlMutex_: a source was chosen since the last reset
    std::vector<char> messageBuffer_;  // delivery thread only; the callbacks take char*
};

}  // namespace tracker
}  // namespace orvane
