// Streams 10 synthetic performers at 1,000 Hz from an in-process tracker server to the SDK over loopback and
// prints the sustained rate at the handler and the latency from the server's send stamp to the handler call
// (and to the receiver's arrival stamp). Usage: net_stream_bench [seconds] [rateHz] [performers]

#include <orvane/tracker/Control.h>
#include <orvane/tracker/sim/TrackerServer.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <vector>

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

}  // namespace

int main(int argc, char** argv) {
    namespace trk = orvane::tracker;
    const double seconds = argc > 1 ? std::atof(argv[1]) : 5;
    orvane::tracker::sim::ServerOptions options;
    options.rateHz = argc > 2 ? std::atof(argv[2]) : 1000;
    options.performers = argc > 3 ? std::atoi(argv[3]) : 10;
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
    return 0;
}
