#pragma once
// The tracking-server simulator: describes its subjects and streams frames over UDP to the clients that say
// HELLO, unicast to each or multicast to one group, in the protocol version each asks for.
//
// Subjects are synthetic performers (stream frame n = SyntheticPerformers::sample(n), n counting from 1) or a
// capture file replayed in a loop (stream frame n = clip frame n mod clip length; a skeleton-only capture gets a
// virtual marker "<joint>_marker" at every joint's world position). Frames are paced against
// absolute deadlines on one server thread, which also answers the clients; start() and stop() are for one
// controlling thread, stats() and the accessors for any thread.
//
// Multicast is refused unless a group is configured; outgoing multicast gets TTL 0 and stays on this host.

#include <orvane/tracker/Model.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace orvane {
namespace tracker {
namespace sim {

struct ServerOptions {
    std::string bindAddress = "127.0.0.1";
    std::uint16_t port = 0;  // 0: the system picks a free one (see TrackerServer::port)
    double rateHz = 0;       // 0: the replayed file's own rate, or 120 for synthetic performers
    int performers = 1;
    unsigned seed = 1;                // synthetic performers, and the fault injection
    std::string replayFile;           // .bvh, .c3d or .trc; empty: synthetic performers
    double bvhUnitMm = 0;             // millimetres per file unit for the replay; 0: the reader's own rule
    std::string multicastGroup;       // e.g. "239.255.42.99"; empty: multicast clients are refused
    std::uint16_t multicastPort = 0;  // 0: the server's port
    // Fault injection on FRAME datagrams, shares 0..1 (seeded): lost, one byte altered, sent twice, or held back
    // and sent after the next one.
    double drop = 0, corrupt = 0, duplicate = 0, reorder = 0;
    double pauseAfterSec = 0, pauseForSec = 0;  // no frames for pauseForSec from pauseAfterSec after start
    double clientTimeoutSec = 3;                // a client silent for this long is dropped
};

struct ServerStats {
    int clients = 0;
    long long frames = 0;  // frames produced (sent to at least the clients there were)
    long long datagramsSent = 0;
    long long dropped = 0, corrupted = 0, duplicated = 0, reordered = 0;  // injected faults
    long long corruptSent = 0;  // altered datagrams put on the wire (one sent twice counts twice)
    long long sendErrors = 0;
    double rateHz = 0;  // frames in the last full second
};

class ServerError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class TrackerServer {
public:
    // Checks the options and loads the replay file. Throws ServerError (or CaptureError for a bad file).
    explicit TrackerServer(const ServerOptions& options);
    ~TrackerServer();  // stop()
    TrackerServer(const TrackerServer&) = delete;
    TrackerServer& operator=(const TrackerServer&) = delete;

    // Binds and starts the server thread. Throws ServerError when the address cannot be bound.
    void start();
    // Ends the thread; with sayGoodbye every client gets a BYE first. Idempotent.
    void stop(bool sayGoodbye = true);
    bool running() const { return running_; }

    std::uint16_t port() const { return port_; }
    std::string address() const;  // "127.0.0.1:PORT" once started
    double rateHz() const;
    const SceneDef& scene() const;
    // What stream frame n holds (frameNumber and timeSeconds set, send time 0).
    FrameSample frameAt(long long frameNumber) const;
    // What the replay file's reader accepted with a warning (empty for synthetic performers).
    const std::vector<std::string>& replayWarnings() const;
    ServerStats stats() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
    std::thread thread_;
    std::atomic<bool> running_{false};
    std::atomic<std::uint16_t> port_{0};
};

}  // namespace sim
}  // namespace tracker
}  // namespace orvane
