#pragma once
// The SDK's network receiver: a pushed FrameSource that talks to a tracking server (tracker-sim) over UDP.
//
// open() (initClient, caller's thread) sends HELLO, waits for WELCOME and the reassembled DESCRIPTIONS (3 s in
// all) and then starts the receive thread, which lives until the source is destroyed: it answers and sends
// keepalives from initClient on, so a caller that takes its time between initClient and startClient is not
// dropped by the server. Frames reach the sink only between start() and stop(); stop() returns with the sink
// released, so the thread never touches it afterwards.
//
// The receiver binds 127.0.0.1 for a loopback server, else the any-address, and only accepts datagrams from the
// server's address. Every datagram is checked by the codec before use; frames go on only when newer than the last.

#include <orvane/tracker/net/Udp.h>
#include <orvane/tracker/net/WireCodec.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>

#include "orvane/tracker/Control.h"
#include "orvane/tracker/FrameSource.h"

namespace orvane {
namespace tracker {
namespace net {

// Timings of the receiver, in milliseconds.
constexpr int kConnectTimeoutMs = 3000;  // HELLO to complete descriptions
constexpr int kResendMs = 250;           // HELLO and descriptions requests during open
constexpr int kKeepaliveMs = 500;        // pings to the server
constexpr int kSilenceMs = 1500;         // nothing valid from the server for this long: connection lost
constexpr int kReportMs = 1000;          // at most one report of dropped datagrams per interval

class NetworkSource final : public FrameSource {
public:
    // 'origin': where hostPort came from ("ORVANE_TRACKER_SERVER" or "useNetworkSource"), named when it is unusable.
    NetworkSource(std::string hostPort, std::string origin)
        : hostPort_(std::move(hostPort)), origin_(std::move(origin)) {}
    ~NetworkSource() override;

    Kind kind() const override { return Kind::Pushed; }
    std::string open(SDKVER version, ::ConnectionType type, SceneDef& scene) override;
    std::string description() const override;
    std::string start(FrameSink& sink) override;
    void stop() override;

private:
    std::string connectToServer(int sdkVersion, bool multicast, SceneDef& scene);
    void run();
    void handle(const std::uint8_t* data, std::size_t size, const Endpoint& from, bool multicastSocket,
                long long receiveTimeUs);
    void reject(const WireStatus& status);
    void reportRejected(long long nowMs, bool force);
    void lose(const std::string& reason);
    void sendKeepalive(bool pong, std::uint32_t token, std::int64_t echoed);

    const std::string hostPort_;
    const std::string origin_;
    Endpoint server_;
    int version_ = 2;
    bool multicast_ = false;
    Endpoint group_;
    UdpSocket socket_;       // connected to the server: control traffic and unicast frames
    UdpSocket groupSocket_;  // multicast frames
    int wakeFd_ = -1;        // eventfd that ends the receive thread
    std::thread thread_;
    std::uint32_t sceneRevision_ = 0;
    SceneDef scene_;                  // fixed once open succeeds
    std::uint32_t nextSequence_ = 1;  // receive thread once started

    std::mutex sinkMutex_;
    FrameSink* sink_ = nullptr;
    bool lost_ = false;  // sinkMutex_
    std::string lostReason_;

    // Receive thread only.
    long long lastHeardMs_ = 0, lastPingMs_ = 0, lastReportMs_ = -kReportMs;
    bool gone_ = false;  // lose() was called (it is called on the receive thread only)
    long long pendingRejected_ = 0;
    std::string lastRejection_;
    std::uint8_t buffer_[kMaxDatagramBytes + 1];
};

}  // namespace net
}  // namespace tracker
}  // namespace orvane
