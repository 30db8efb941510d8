// Client lifecycle of the SDK stand-in: call order, failure texts, start/stop cycles, stopping while a
// handler runs, a lost connection, holding the stream and the messages.

#include <future>
#include <mutex>
#include <string>
#include <vector>

#include "TestSupport.h"

namespace {

std::atomic<long long> framesSeen{0};
std::atomic<bool> inHandler{false};
std::atomic<bool> handlerBlocks{false};
std::atomic<bool> handlerEntered{false};
std::atomic<int> stopFromHandlerResult{-1};

void countFrameV2(sFrameOfMocapData*, void*) {
    inHandler = true;
    ++framesSeen;
    inHandler = false;
}

// Stands for the panel's blocking hand-over to the UI thread: waits until the test lets it go.
void blockingFrameV1(sFrameOfData*) {
    inHandler = true;
    ++framesSeen;
    handlerEntered = true;
    while (handlerBlocks) std::this_thread::yield();
    inHandler = false;
}

void stoppingFrameV2(sFrameOfMocapData*, void*) {
    if (stopFromHandlerResult < 0) stopFromHandlerResult = sdk()->stopClient();
}

struct Message {
    int level;
    std::string text;
    long long framesBefore;
};
std::mutex messagesMutex;
std::vector<Message> messages;

void recordMessage(int level, char* text) {
    std::lock_guard<std::mutex> lock(messagesMutex);
    messages.push_back({level, text, framesSeen.load()});
}

bool hasMessage(const std::string& part, Message* found = nullptr) {
    std::lock_guard<std::mutex> lock(messagesMutex);
    for (const Message& m : messages)
        if (m.text.find(part) != std::string::npos) {
            if (found) *found = m;
            return true;
        }
    return false;
}

class Lifecycle : public SdkTest {
protected:
    void SetUp() override {
        SdkTest::SetUp();
        framesSeen = 0;
        inHandler = handlerBlocks = handlerEntered = false;
        stopFromHandlerResult = -1;
        std::lock_guard<std::mutex> lock(messagesMutex);
        messages.clear();
    }
};

}  // namespace

TEST_F(Lifecycle, CallsOutOfOrderFailAndSayWhere) {
    EXPECT_NE(sdk()->initClient(), 0);
    EXPECT_NE(lastError().find("initClient"), std::string::npos) << lastError();
    EXPECT_NE(lastError().find("createClient"), std::string::npos) << "names the missing step: " << lastError();
    EXPECT_NE(sdk()->startClient(), 0);
    EXPECT_NE(lastError().find("startClient"), std::string::npos) << lastError();
    EXPECT_NE(sdk()->releaseClient(), 0);
    EXPECT_NE(lastError().find("releaseClient"), std::string::npos) << lastError();

    ASSERT_EQ(sdk()->createClient(), 0);
    EXPECT_EQ(sdk()->createClient(), 0) << "creating again reuses the client";
    EXPECT_NE(sdk()->startClient(), 0) << "start before init";
    EXPECT_NE(lastError().find("initClient"), std::string::npos) << lastError();
    EXPECT_FALSE(sdk()->isConnected());

    ASSERT_EQ(sdk()->initClient(), 0) << lastError();
    ASSERT_EQ(sdk()->startClient(), 0) << lastError();
    EXPECT_TRUE(sdk()->isConnected());
    EXPECT_NE(sdk()->startClient(), 0) << "start twice";
    EXPECT_NE(sdk()->initClient(), 0) << "init while streaming";
    EXPECT_TRUE(sdk()->isConnected());

    EXPECT_EQ(sdk()->releaseClient(), 0) << "release stops a running client";
    EXPECT_FALSE(sdk()->isConnected());
    EXPECT_EQ(sdk()->createClient(), 0) << "a released client can be created again";
    EXPECT_EQ(sdk()->resetClient(), 0);
    EXPECT_EQ(sdk()->initClient(), 0) << lastError();
}

TEST_F(Lifecycle, InjectedFailuresCarryTheirTextOnce) {
    trk::failNextCall("createClient", "license server unreachable");
    EXPECT_NE(sdk()->createClient(), 0);
    EXPECT_EQ(lastError(), "license server unreachable");
    ASSERT_EQ(sdk()->createClient(), 0) << "the failure applies once";

    trk::failNextCall("initClient", "no answer from 10.0.0.5:3884");
    EXPECT_NE(sdk()->initClient(), 0);
    EXPECT_EQ(lastError(), "no answer from 10.0.0.5:3884");
    EXPECT_FALSE(sdk()->isConnected());
    sDataDescriptions* descriptions = nullptr;
    ASSERT_EQ(sdk()->getDataDescriptionsV2(&descriptions), 0);
    EXPECT_EQ(descriptions->descriptionCount, 0) << "a failed init leaves no descriptions";
    sdk()->freeDataDescriptionsV2(descriptions);

    ASSERT_EQ(sdk()->initClient(), 0) << lastError();
    trk::failNextCall("startClient", "stream refused");
    EXPECT_NE(sdk()->startClient(), 0);
    EXPECT_FALSE(sdk()->isConnected());
    EXPECT_EQ(sdk()->startClient(), 0) << lastError();
    EXPECT_TRUE(sdk()->isConnected());

    trk::failNextCall("getDataDescriptionsV2", "descriptions lost");
    sDataDescriptions* kept = nullptr;
    EXPECT_NE(sdk()->getDataDescriptionsV2(&kept), 0);
    EXPECT_EQ(kept, nullptr);
    EXPECT_EQ(lastError(), "descriptions lost");
    trk::failNextCall("getDataDescriptionsV1", "no bodies");
    EXPECT_EQ(sdk()->getDataDescriptionsV1(), nullptr);
    EXPECT_EQ(lastError(), "no bodies");

    EXPECT_THROW(trk::failNextCall("connect", "x"), std::invalid_argument);
}

TEST_F(Lifecycle, SourceFailuresSurfaceAsInitErrors) {
    trk::SyntheticOptions badRate;
    badRate.rateHz = -5;
    trk::useSyntheticSource(badRate);
    ASSERT_EQ(sdk()->createClient(), 0);
    EXPECT_NE(sdk()->initClient(), 0);
    EXPECT_EQ(lastError().rfind("initClient: ", 0), 0u) << lastError();
    EXPECT_NE(lastError().find("rate"), std::string::npos) << lastError();

    useScripted(trk::SceneDef{}, "server at 10.1.1.1 did not answer");
    EXPECT_NE(sdk()->initClient(), 0);
    EXPECT_EQ(lastError(), "initClient: server at 10.1.1.1 did not answer");
}

TEST_F(Lifecycle, HundredStopStartCyclesEachDeliverAndStopCleanly) {
    trk::SyntheticOptions options;
    options.rateHz = 2000;
    trk::useSyntheticSource(options);
    sdk()->setDataHandlerV2(countFrameV2);
    ASSERT_EQ(sdk()->createClient(), 0);
    ASSERT_EQ(sdk()->initClient(), 0) << lastError();
    for (int cycle = 0; cycle < 100; ++cycle) {
        const long long before = framesSeen;
        ASSERT_EQ(sdk()->startClient(), 0) << "cycle " << cycle << ": " << lastError();
        ASSERT_TRUE(sdk()->isConnected());
        ASSERT_TRUE(waitUntil([&] { return framesSeen > before; })) << "cycle " << cycle;
        ASSERT_EQ(sdk()->stopClient(), 0);
        ASSERT_FALSE(inHandler) << "stopClient returned while a handler ran";
        ASSERT_FALSE(sdk()->isConnected());
        ASSERT_EQ(sdk()->stopClient(), 0) << "a second stop is harmless";
    }
    EXPECT_EQ(framesSeen, trk::deliveredFrames());
}

TEST_F(Lifecycle, StopFromWorkerWaitsForTheRunningHandler) {
    sdk()->setVersion(SDKVER_V1);
    sdk()->setDataHandlerV1(blockingFrameV1);
    handlerBlocks = true;
    connect();
    ASSERT_TRUE(waitUntil([] { return handlerEntered.load(); }));

    // The panel stops on a worker thread while its UI thread keeps going.
    std::future<int> stopped = std::async(std::launch::async, [] { return sdk()->stopClient(); });
    EXPECT_EQ(stopped.wait_for(std::chrono::milliseconds(50)), std::future_status::timeout)
        << "stopClient must not return while a handler runs";
    EXPECT_TRUE(inHandler);
    handlerBlocks = false;  // the UI thread processed the blocked hand-over
    EXPECT_EQ(stopped.get(), 0);
    EXPECT_FALSE(inHandler);
    EXPECT_FALSE(sdk()->isConnected());
    EXPECT_EQ(sdk()->releaseClient(), 0);
}

TEST_F(Lifecycle, StopFromInsideAHandlerFailsInsteadOfDeadlocking) {
    sdk()->setDataHandlerV2(stoppingFrameV2);
    connect();
    ASSERT_TRUE(waitUntil([] { return stopFromHandlerResult >= 0; }));
    EXPECT_NE(stopFromHandlerResult, 0);
    EXPECT_NE(lastError().find("stopClient"), std::string::npos) << lastError();
    EXPECT_TRUE(sdk()->isConnected());
    EXPECT_EQ(sdk()->stopClient(), 0);
}

TEST_F(Lifecycle, LostConnectionEndsDeliveryAndReports) {
    sdk()->setDataHandlerV2(countFrameV2);
    sdk()->setMsgCallbackV2(recordMessage);
    connect();
    ASSERT_TRUE(waitUntil([] { return framesSeen >= 3; }));
    trk::loseConnection();
    EXPECT_FALSE(sdk()->isConnected());
    Message lost{};
    ASSERT_TRUE(waitUntil([&] { return hasMessage("connection lost", &lost); }));
    EXPECT_EQ(lost.level, 3) << "an error in version 2 numbering";
    ASSERT_EQ(sdk()->stopClient(), 0);
    EXPECT_EQ(framesSeen, lost.framesBefore) << "no frame after the loss was reported";
    EXPECT_EQ(sdk()->releaseClient(), 0);

    // Reconnecting works as usual.
    connect();
    EXPECT_TRUE(sdk()->isConnected());
    EXPECT_TRUE(waitUntil([&] { return framesSeen > lost.framesBefore; }));
}

TEST_F(Lifecycle, HeldStreamStaysConnectedAndResumesWithTheNextFrame) {
    sdk()->setDataHandlerV2(countFrameV2);
    connect();
    ASSERT_TRUE(waitUntil([] { return trk::deliveredFrames() >= 5; }));
    trk::holdStream(true);
    const long long delivered = trk::deliveredFrames();
    const long long last = trk::lastDeliveredFrameNumber();
    EXPECT_EQ(last, delivered) << "frames are numbered from 1 without gaps";
    ASSERT_TRUE(waitUntil([&] { return framesSeen == delivered; })) << "the frame in hand completes";
    EXPECT_TRUE(sdk()->isConnected());
    std::this_thread::sleep_for(std::chrono::milliseconds(30));  // would give a broken hold time to deliver
    EXPECT_EQ(trk::deliveredFrames(), delivered);
    EXPECT_EQ(framesSeen, delivered);

    trk::holdStream(false);
    ASSERT_TRUE(waitUntil([&] { return trk::deliveredFrames() > delivered; }));
    EXPECT_GE(trk::lastDeliveredFrameNumber(), last + 1);
    EXPECT_EQ(trk::lastDeliveredFrameNumber() - last, trk::deliveredFrames() - delivered) << "no frame skipped";
}

TEST_F(Lifecycle, ConnectedMessageUsesTheVersionsLevels) {
    trk::SyntheticOptions options;
    options.performers = 2;
    options.rateHz = 240;
    trk::useSyntheticSource(options);
    sdk()->setMsgCallbackV2(recordMessage);
    sdk()->setMsgCallbackV1(recordMessage);
    connect();
    Message connected{};
    ASSERT_TRUE(waitUntil([&] { return hasMessage("connected to", &connected); }));
    EXPECT_EQ(connected.text, "connected to in-process source (2 performers at 240 Hz)\n");
    EXPECT_EQ(connected.level, 4) << "version 2 has no info level; debug";
    ASSERT_EQ(sdk()->releaseClient(), 0);
    {
        std::lock_guard<std::mutex> lock(messagesMutex);
        messages.clear();
    }
    sdk()->setVersion(SDKVER_V1);
    connect();
    ASSERT_TRUE(waitUntil([&] { return hasMessage("connected to", &connected); }));
    EXPECT_EQ(connected.level, 3) << "info in version 1 numbering";
}

// What the plug-in's tests read back: the client's existence (a lost connection keeps it started until
// stopClient), the handlers set, and every lifecycle call counted, failed ones too.
TEST_F(Lifecycle, ClientStatusFollowsCallsHandlersAndLoss) {
    EXPECT_FALSE(trk::clientStatus().exists);
    sdk()->setDataHandlerV2(countFrameV2);
    sdk()->setMsgCallbackV1(recordMessage);
    connect();
    trk::loseConnection();
    trk::ClientStatus status = trk::clientStatus();
    EXPECT_TRUE(status.exists);
    EXPECT_TRUE(status.started);
    EXPECT_TRUE(status.dataHandlerV2);
    EXPECT_TRUE(status.msgCallbackV1);
    EXPECT_FALSE(status.dataHandlerV1);
    EXPECT_FALSE(status.msgCallbackV2);
    ASSERT_EQ(sdk()->stopClient(), 0);
    EXPECT_FALSE(trk::clientStatus().started);
    ASSERT_EQ(sdk()->releaseClient(), 0);
    EXPECT_NE(sdk()->releaseClient(), 0);
    sdk()->setDataHandlerV2(nullptr);
    status = trk::clientStatus();
    EXPECT_FALSE(status.exists);
    EXPECT_FALSE(status.dataHandlerV2);
    EXPECT_EQ(status.createCalls, 1);
    EXPECT_EQ(status.initCalls, 1);
    EXPECT_EQ(status.startCalls, 1);
    EXPECT_EQ(status.stopCalls, 1);
    EXPECT_EQ(status.releaseCalls, 2);
    trk::resetForTests();
    EXPECT_EQ(trk::clientStatus().releaseCalls, 0);
}
