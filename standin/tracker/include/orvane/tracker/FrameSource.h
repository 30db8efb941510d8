#pragma once
// Where the SDK stand-in's frames come from. initClient creates a source with the chosen factory and opens
// it, startClient starts it, stopClient stops it, releaseClient destroys it. The client manager turns the
// samples into version 1 or version 2 records and calls the handlers on the SDK's delivery thread.
//
// Two kinds of source:
// - Paced (synthetic performers): the delivery thread calls sampleAt(n) when frame n is due (n / rateHz).
// - Pushed (a network receiver): the source runs its own threads and hands samples to the sink; the
//   delivery thread takes them from a short queue, so a slow handler never blocks the source.
// Either kind reports log messages and a lost connection through the sink, from any thread.

#include <functional>
#include <memory>
#include <string>

#include "OrvanePluginSDK.h"
#include "orvane/tracker/Export.h"
#include "orvane/tracker/Model.h"

namespace orvane {
namespace tracker {

enum class MessageLevel { Error, Warning, Info, Debug };

// The SDK side of a source. Thread-safe and never blocking; usable from FrameSource::start until
// FrameSource::stop returns.
class ORVANE_TRACKER_API FrameSink {
public:
    virtual ~FrameSink() = default;
    // Pushed sources: queues a copy for delivery (8 slots; when full the oldest is dropped). Samples
    // pushed while the stream is held are dropped. Frame numbers are delivered as pushed.
    virtual void pushSample(const FrameSample& sample) = 0;
    // Goes to the registered message callback of the delivering version, on the SDK's thread.
    virtual void message(MessageLevel level, const std::string& text) = 0;
    // Delivery ends and isConnected() turns false; the reason goes to the message callback as an error.
    virtual void connectionLost(const std::string& reason) = 0;
};

class ORVANE_TRACKER_API FrameSource {
public:
    enum class Kind { Paced, Pushed };

    virtual ~FrameSource() = default;
    virtual Kind kind() const = 0;

    // initClient, on the caller's thread: reach the server and describe the scene. Returns "" on success,
    // otherwise an error text (initClient prefixes it with "initClient: ").
    virtual std::string open(SDKVER version, ConnectionType type, SceneDef& scene) = 0;
    // Completes "connected to ..." in the first message of every start, e.g. "in-process source (...)".
    virtual std::string description() const = 0;

    // Paced only: the delivery rate, and frame n filled into out (reuse its vectors; no allocation once
    // warmed up). sampleAt is called on the SDK's delivery thread only.
    virtual double rateHz() const { return 0; }
    virtual void sampleAt(long long frameNumber, FrameSample& out) {}

    // startClient / stopClient. A pushed source starts its threads in start and joins them in stop; after
    // stop returns it must not touch the sink. Returns "" or an error text.
    virtual std::string start(FrameSink& sink) { return {}; }
    virtual void stop() {}

    // Sources that know what frame n holds (synthetic ones) fill out and answer true. Any thread.
    virtual bool groundTruth(long long frameNumber, FrameSample& out) const { return false; }
};

using SourceFactory = std::function<std::unique_ptr<FrameSource>()>;

// The source the next initClient creates; resetForTests goes back to the default.
ORVANE_TRACKER_API void useSource(SourceFactory factory);
// Replaces the default source (at first: synthetic performers with default options). A source compiled into
// the library can call this from a static initialiser.
ORVANE_TRACKER_API void setDefaultSource(SourceFactory factory);

}  // namespace tracker
}  // namespace orvane
