// P6, the SDK stand-in alone: streams synthetic performers (1 and 10 by default) at 1,000 Hz from an
// in-process tracker server to the SDK over loopback and prints the sustained rate at the handler, the frames
// lost on the way (against the frames the server sent), and the latency from the server's send stamp to the
// handler call (and to the receiver's arrival stamp); then the cost of checking and decoding one frame
// datagram against a memcpy of the same bytes, measured in the same run.
// Usage: net_stream_bench [seconds] [rateHz] [performers,...]

#include <orvane/tracker/Control.h>
#include <orvane/tracker/SyntheticPerformers.h>
#include <orvane/tracker/net/WireCodec.h>
#include <orvane/tracker/sim/TrackerServer.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <mutex>
#include <thread>
#include <vector>

#include <benchmark/benchmark.h>

#include "BenchCsv.h"
#include "OrvanePluginSDK.h"

namespace {

std::mutex mutex;
std::vector<long long> toHandler, toArrival;
long long firstFrame = -1, lastFrame = -1, calls = 0;

long long nowUs() {
    using namespace std::chrono;
    return duration_cast<microseconds>(system_clock::now().time_since_epoch()).count();
}

void onFrame(sFrameOfMocapData* f, void*) {
    const long long now = nowUs();
    std::lock_guard<std::mutex> lock(mutex);
    toHandler.push_back(now - f->serverSendTimeUs);
    toArrival.push_back(f->receiveTimeUs - f->serverSendTimeUs);
    if (firstFrame < 0) firstFrame = f->frameNumber;
    lastFrame = f->frameNumber;
    ++calls;
}

double percentile(std::vector<long long> v, double p) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return static_cast<double>(v[static_cast<std::size_t>(p * static_cast<double>(v.size() - 1))]);
}

namespace trk = orvane::tracker;

int stream(double seconds, double rateHz, int performers) {
    orvane::tracker::sim::ServerOptions options;
    options.rateHz = rateHz;
    options.performers = performers;
    trk::sim::TrackerServer server(options);
    server.start();

    COrvaneSDKClientManager* sdk = COrvaneSDKClientManager::instance();
    trk::useNetworkSource(server.address());
    sdk->setVersion(SDKVER_V2);
    sdk->setConnectionType(ConnectionType_Unicast);
    sdk->setDataHandlerV2(&onFrame);
    std::string error;
    if (sdk->createClient() || sdk->initClient() || sdk->startClient()) {
        sdk->getLastErrorMsg(error);
        std::fprintf(stderr, "net_stream_bench: %s\n", error.c_str());
        return 1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(500));  // warm-up, not measured
    {
        std::lock_guard<std::mutex> lock(mutex);
        toHandler.clear();
        toArrival.clear();
        calls = 0;
        firstFrame = lastFrame = -1;
    }
    const auto start = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    long long handled, first, last;
    std::vector<long long> handler, arrival;
    {
        std::lock_guard<std::mutex> lock(mutex);
        handled = calls;
        first = firstFrame;
        last = lastFrame;
        handler = toHandler;
        arrival = toArrival;
    }
    const trk::NetworkStats stats = trk::networkStats();
    sdk->stopClient();
    sdk->releaseClient();
    const trk::sim::ServerStats sent = server.stats();
    server.stop();

    std::printf("net_stream_bench: %d performers at %.0f Hz for %.1f s on loopback (protocol version 2, unicast)\n",
                options.performers, options.rateHz, elapsed);
    std::printf("  handler rate     %.1f frames/s (%lld calls; frames %lld..%lld, %lld not delivered)\n",
                static_cast<double>(handled) / elapsed, handled, first, last,
                last >= first ? (last - first + 1) - handled : 0);
    std::printf("  server rate      %.1f frames/s (last second)\n", sent.rateHz);
    std::printf("  send -> arrival  median %.0f us, p99 %.0f us, max %.0f us\n", percentile(arrival, 0.5),
                percentile(arrival, 0.99), percentile(arrival, 1.0));
    std::printf("  send -> handler  median %.0f us, p99 %.0f us, max %.0f us\n", percentile(handler, 0.5),
                percentile(handler, 0.99), percentile(handler, 1.0));
    std::printf("  receiver: %lld datagrams, %lld corrupt, %lld old or duplicate, %lld missing\n", stats.received,
                stats.corrupt, stats.duplicateOrOld, stats.missing);

    char caseName[64];
    std::snprintf(caseName, sizeof caseName, "rate:%g/performers:%d", options.rateHz, options.performers);
    const long long notDelivered = last >= first ? (last - first + 1) - handled : 0;
    benchcsv::row("P6", caseName, "frames_lost", static_cast<double>(notDelivered), "", "frames sent in the span",
                  static_cast<double>(last >= first ? last - first + 1 : 0));
    benchcsv::row("P6", caseName, "receiver_missing", static_cast<double>(stats.missing), "", "datagrams received",
                  static_cast<double>(stats.received));
    benchcsv::row("P6", caseName, "handler_rate", static_cast<double>(handled) / elapsed, "1/s", "server rate",
                  options.rateHz);
    benchcsv::row("P6", caseName, "send_to_handler_p99", percentile(handler, 0.99) / 1000.0, "ms");
    return 0;
}

// Checking and decoding one version 2 frame datagram of `performers`, against copying its bytes.
void decodeCost(int performers) {
    trk::SyntheticOptions options;
    options.performers = performers;
    const trk::SyntheticPerformers source(options);
    const trk::SceneDef scene = source.scene();
    trk::FrameSample sample = source.sample(1);
    const trk::net::Bytes datagram = trk::net::encodeFrame(sample, scene, 2, 1);
    const int rounds = 20000;
    trk::net::FrameMessage message;
    using Clock = std::chrono::steady_clock;
    const Clock::time_point decodeStart = Clock::now();
    int decoded = 0;
    for (int i = 0; i < rounds; ++i) {
        trk::net::Datagram parsed;
        if (trk::net::parseDatagram(datagram.data(), datagram.size(), parsed) &&
            trk::net::decodeFrame(parsed, scene, 1, message))
            ++decoded;
    }
    const double decodeUs = std::chrono::duration<double, std::micro>(Clock::now() - decodeStart).count() / rounds;
    std::vector<std::uint8_t> copy(datagram.size());
    const Clock::time_point copyStart = Clock::now();
    for (int i = 0; i < rounds; ++i) {
        benchmark::DoNotOptimize(datagram.data());
        std::memcpy(copy.data(), datagram.data(), datagram.size());
        benchmark::DoNotOptimize(copy.data());
        benchmark::ClobberMemory();
    }
    const double copyUs = std::chrono::duration<double, std::micro>(Clock::now() - copyStart).count() / rounds;
    std::printf("net_stream_bench: decoding a %zu-byte frame datagram of %d performers: %.2f us (%d of %d decoded)\n",
                datagram.size(), performers, decodeUs, decoded, rounds);
    char caseName[64];
    std::snprintf(caseName, sizeof caseName, "performers:%d/bytes:%zu", performers, datagram.size());
    benchcsv::row("P6", caseName, "decode_per_frame", decodeUs, "us", "memcpy of the datagram", copyUs);
}

}  // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 5;
    const double rateHz = argc > 2 ? std::atof(argv[2]) : 1000;
    const std::string performers = argc > 3 ? argv[3] : "1,10";
    int result = 0;
    for (std::size_t at = 0; at < performers.size();) {
        std::size_t comma = performers.find(',', at);
        if (comma == std::string::npos) comma = performers.size();
        const int count = std::atoi(performers.substr(at, comma - at).c_str());
        if (count > 0) {
            result |= stream(seconds, rateHz, count);
            decodeCost(count);
        }
        at = comma + 1;
    }
    return result;
}
