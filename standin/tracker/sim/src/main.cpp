// tracker-sim: the tracking-server simulator as a program. See --help.

#include <orvane/tracker/capture/Capture.h>
#include <orvane/tracker/sim/TrackerServer.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

namespace {

std::atomic<int> signalled{0};

void onSignal(int number) { signalled = number; }

const char* const kHelp =
    "usage: tracker-sim [options]\n"
    "Streams motion-capture frames over UDP to clients that say HELLO (protocol versions 1 and 2).\n"
    "\n"
    "  --port N              UDP port to listen on; 0 picks a free one (default 7001)\n"
    "  --bind ADDR           IPv4 address to bind (default 127.0.0.1)\n"
    "  --rate HZ             frames per second (default 120; a replay defaults to the file's rate)\n"
    "  --performers N        synthetic performers (default 1)\n"
    "  --seed N              seed of the performers and of the fault injection (default 1)\n"
    "  --replay FILE         replay a .bvh, .c3d or .trc capture in a loop instead of performers\n"
    "  --bvh-unit-mm X       millimetres per BVH unit (default: centimetres; CMU files: 56.444)\n"
    "  --multicast-group G   group for clients that ask for multicast, e.g. 239.255.42.99 (default: refuse)\n"
    "  --multicast-port N    port of the group (default: the server's port)\n"
    "  --drop P --corrupt P --duplicate P --reorder P\n"
    "                        inject faults into shares P (0..1) of the frame datagrams\n"
    "  --pause-after SEC --pause-for SEC\n"
    "                        send no frames for SEC seconds, SEC seconds after the start\n"
    "  --exit-after SEC      stop after SEC seconds\n"
    "  --client-timeout SEC  drop clients silent for this long (default 3)\n"
    "  --quiet               no status lines\n"
    "  --help                this text\n"
    "\n"
    "The first line printed is \"listening on ADDR:PORT\". A status line follows every second. SIGINT and\n"
    "SIGTERM stop the server after saying BYE to every client.\n";

[[noreturn]] void usage(const std::string& problem) {
    std::fprintf(stderr, "tracker-sim: %s\n(see tracker-sim --help)\n", problem.c_str());
    std::exit(2);
}

double number(const std::string& option, const char* text) {
    char* end = nullptr;
    const double v = std::strtod(text, &end);
    if (end == text || *end != '\0') usage(option + " takes a number, not '" + text + "'");
    return v;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace orvane::tracker;
    sim::ServerOptions options;
    options.port = 7001;
    double exitAfter = 0;
    bool quiet = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(kHelp, stdout);
            return 0;
        }
        if (arg == "--quiet") {
            quiet = true;
            continue;
        }
        if (i + 1 >= argc) usage("unknown option or missing value: " + arg);
        const char* value = argv[++i];
        if (arg == "--port") {
            const double p = number(arg, value);
            if (p < 0 || p > 65535 || p != static_cast<int>(p)) usage("--port takes 0..65535");
            options.port = static_cast<std::uint16_t>(p);
        } else if (arg == "--bind")
            options.bindAddress = value;
        else if (arg == "--rate")
            options.rateHz = number(arg, value);
        else if (arg == "--performers")
            options.performers = static_cast<int>(number(arg, value));
        else if (arg == "--seed")
            options.seed = static_cast<unsigned>(number(arg, value));
        else if (arg == "--replay")
            options.replayFile = value;
        else if (arg == "--bvh-unit-mm")
            options.bvhUnitMm = number(arg, value);
        else if (arg == "--multicast-group")
            options.multicastGroup = value;
        else if (arg == "--multicast-port")
            options.multicastPort = static_cast<std::uint16_t>(number(arg, value));
        else if (arg == "--drop")
            options.drop = number(arg, value);
        else if (arg == "--corrupt")
            options.corrupt = number(arg, value);
        else if (arg == "--duplicate")
            options.duplicate = number(arg, value);
        else if (arg == "--reorder")
            options.reorder = number(arg, value);
        else if (arg == "--pause-after")
            options.pauseAfterSec = number(arg, value);
        else if (arg == "--pause-for")
            options.pauseForSec = number(arg, value);
        else if (arg == "--exit-after")
            exitAfter = number(arg, value);
        else if (arg == "--client-timeout")
            options.clientTimeoutSec = number(arg, value);
        else
            usage("unknown option " + arg);
    }
    if (options.rateHz < 0) usage("--rate must be positive");

    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);

    try {
        sim::TrackerServer server(options);
        for (const std::string& warning : server.replayWarnings())
            std::fprintf(stderr, "tracker-sim: warning: %s\n", warning.c_str());
        server.start();
        std::printf("listening on %s\n", server.address().c_str());
        std::printf("streaming %s: %zu subject(s) at %.1f Hz\n",
                    options.replayFile.empty() ? "synthetic performers" : options.replayFile.c_str(),
                    server.scene().subjects.size(), server.rateHz());
        std::fflush(stdout);

        using Clock = std::chrono::steady_clock;
        const Clock::time_point started = Clock::now();
        Clock::time_point nextStatus = started + std::chrono::seconds(1);
        while (!signalled) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            const Clock::time_point now = Clock::now();
            if (exitAfter > 0 && now - started >= std::chrono::duration<double>(exitAfter)) break;
            if (now >= nextStatus) {
                nextStatus += std::chrono::seconds(1);
                if (quiet) continue;
                const sim::ServerStats s = server.stats();
                std::printf(
                    "clients %d, frames %lld, %.1f Hz, datagrams %lld (dropped %lld, corrupted %lld, "
                    "duplicated %lld, reordered %lld)\n",
                    s.clients, s.frames, s.rateHz, s.datagramsSent, s.dropped, s.corrupted, s.duplicated, s.reordered);
                std::fflush(stdout);
            }
        }
        server.stop(true);
        std::printf("stopped%s\n", signalled ? (signalled == SIGINT ? " (SIGINT)" : " (SIGTERM)") : "");
        std::fflush(stdout);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tracker-sim: %s\n", e.what());
        return 1;
    }
    return 0;
}
