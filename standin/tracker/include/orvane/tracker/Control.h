#pragma once
// Control of the SDK stand-in for tests and the stand-in host; the product never includes this.
// Everything here is thread-safe. Settings apply from the next initClient.

#include <cstddef>
#include <string>
#include <vector>

#include "orvane/tracker/Export.h"
#include "orvane/tracker/FrameSource.h"
#include "orvane/tracker/Model.h"
#include "orvane/tracker/SyntheticPerformers.h"

namespace orvane {
namespace tracker {

// Stream synthetic performers (the default source, with default options).
ORVANE_TRACKER_API void useSyntheticSource(const SyntheticOptions& options);

// The next call named call ("createClient", "initClient", "startClient", "stopClient", "releaseClient",
// "getDataDescriptionsV1" or "getDataDescriptionsV2") fails with exactly message in getLastErrorMsg, without
// changing state: a lifecycle call returns nonzero, getDataDescriptionsV1 returns null, getDataDescriptionsV2
// returns nonzero and leaves its out-pointer as it was. Throws std::invalid_argument for any other name.
ORVANE_TRACKER_API void failNextCall(const std::string& call, const std::string& message);

// The next copyFrameV2 fails (nonzero, with a message in getLastErrorMsg) without writing a byte of its
// destination, like an SDK that gives up before it starts copying.
ORVANE_TRACKER_API void failNextCopy();

// The next stopClient stops the stream, then takes this long to return, like a server slow to acknowledge
// the end of the stream. Throws std::invalid_argument for a negative delay.
ORVANE_TRACKER_API void slowNextStop(int milliseconds);

// As if the server went away: delivery ends, isConnected() turns false and an error message goes through the
// message callback. stopClient/releaseClient still work as usual. No effect when not started.
ORVANE_TRACKER_API void loseConnection();

// While held nothing is delivered but the client stays connected. A frame counted before the hold is still
// handed over; once holdStream(true) returns, deliveredFrames and lastDeliveredFrameNumber stay put.
// After release a paced source goes on with the next frame number.
ORVANE_TRACKER_API void holdStream(bool held);

// Frames handed to a data handler since initClient (counted just before the call), and the last one's number
// (-1 when none).
ORVANE_TRACKER_API long long deliveredFrames();
ORVANE_TRACKER_API long long lastDeliveredFrameNumber();

// What the active synthetic source streams as frame n, and its scene; the chosen synthetic options when no
// client is initialised. Empty when a non-synthetic source is in use.
ORVANE_TRACKER_API FrameSample groundTruth(long long frameNumber);
ORVANE_TRACKER_API SceneDef currentScene();

// One frame handed to a data handler, as the host's status and the benchmarks see it. The probe is the first
// marker of the first subject that has markers, as the SDK wrote it into the record (before the receiver's own
// smoothing of version 1 points); an unseen marker reads (0, 0, 0).
struct DeliveryRecord {
    long long frameNumber = -1;
    long long serverSendTimeUs = 0;  // the server's clock when it sent the frame (microseconds, Unix epoch)
    long long receiveTimeUs = 0;     // when the SDK received it (same clock)
    long long handlerStartUs = 0;    // when the data handler was called (same clock)
    bool version2 = true;
    int probeSubject = -1;  // index of the subject (marker set or body) that holds the probe; -1 when none
    float probe[3] = {0, 0, 0};
};
// The last `max` frames handed to a data handler, oldest first. The log keeps the last kDeliveryLogSize frames and
// is cleared by initClient.
enum { kDeliveryLogSize = 4096 };
ORVANE_TRACKER_API std::vector<DeliveryRecord> recentDeliveries(std::size_t max = kDeliveryLogSize);
// The frame whose data handler runs right now, if any. A version 1 handler returns only once the receiver has
// applied the frame, so while a version 1 frame is being applied this names it. Without a record it tells
// whether a counted frame is still on its way to its handler or in it: after holdStream(true), false means
// every counted frame has been handled.
ORVANE_TRACKER_API bool deliveryInProgress(DeliveryRecord* record);
// The client as the SDK holds it now, the handlers set, and the lifecycle calls made since the last reset
// (every call is counted, failed ones too).
struct ClientStatus {
    bool exists = false;   // created and not released since
    bool started = false;  // started and not stopped since (a lost connection stays started)
    bool dataHandlerV1 = false, msgCallbackV1 = false, dataHandlerV2 = false, msgCallbackV2 = false;  // non-null
    int createCalls = 0, initCalls = 0, startCalls = 0, stopCalls = 0, releaseCalls = 0;
};
ORVANE_TRACKER_API ClientStatus clientStatus();

// Frames filled by a successful copyFrameV2 and not yet given to freeFrameV2, since the last reset. Freeing a
// frame that no copy filled (a failed copy) does not count.
ORVANE_TRACKER_API long long liveFrameCopies();

// Stream from a tracking server (tracker-sim) at "host:port", an IPv4 address or "localhost". Without a call the
// default source is the server named by the environment variable ORVANE_TRACKER_SERVER ("host:port", read once
// when the library loads) when it is set, else the synthetic performers. A malformed address, or an empty
// variable, fails the next initClient with a message naming it. Throws std::logic_error when the library was
// built without the network receiver.
ORVANE_TRACKER_API void useNetworkSource(const std::string& hostPort);

// Counters of the network receiver since its last initClient (all zero when no network source was opened).
// Datagrams are counted as read from the sockets; a frame is "delivered" when it is handed to the SDK's
// delivery queue (deliveredFrames() counts what reached the handler).
struct NetworkStats {
    long long received = 0;        // datagrams read, of any kind
    long long delivered = 0;       // frames passed on for delivery
    long long corrupt = 0;         // datagrams that failed a check (size, magic, checksum, counts ...) and were dropped
    long long duplicateOrOld = 0;  // frames not newer than the last one passed on, dropped
    long long missing = 0;         // frame numbers skipped between frames passed on (lost on the way)
    long long foreign = 0;         // datagrams from an address other than the server's, dropped
    long long keepalivesSent = 0;
    long long keepalivesAnswered = 0;  // pongs received
    long long lastFrameNumber = -1;
    std::string server;          // the server's address, "127.0.0.1:7001"
    std::string localAddress;    // the address the receiver's socket is bound to
    std::string multicastGroup;  // "group:port" when receiving multicast, else empty
};
ORVANE_TRACKER_API NetworkStats networkStats();

// Stops and releases any client, forgets handlers and injected failures, and restores the defaults:
// version 2, multicast, smoothing off, the default source, not held, counters at zero.
ORVANE_TRACKER_API void resetForTests();

}  // namespace tracker
}  // namespace orvane
