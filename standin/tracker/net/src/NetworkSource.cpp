#include "NetworkSource.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

#include "NetworkHooks.h"

namespace orvane {
namespace tracker {
namespace net {
namespace {

long long steadyMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// Counters of the receiver opened last; one client per process, so one set.
struct Counters {
    std::atomic<long long> received{0}, delivered{0}, corrupt{0}, duplicateOrOld{0}, missing{0}, foreign{0},
        keepalivesSent{0}, keepalivesAnswered{0}, lastFrameNumber{-1};
    std::mutex textMutex;
    std::string server, localAddress, multicastGroup;

    void reset(const std::string& serverText) {
        for (auto* c : {&received, &delivered, &corrupt, &duplicateOrOld, &missing, &foreign, &keepalivesSent,
                        &keepalivesAnswered})
            *c = 0;
        lastFrameNumber = -1;
        std::lock_guard<std::mutex> lock(textMutex);
        server = serverText;
        localAddress.clear();
        multicastGroup.clear();
    }
};

Counters& counters() {
    static Counters c;
    return c;
}

NetworkStats snapshot() {
    Counters& c = counters();
    NetworkStats s;
    s.received = c.received;
    s.delivered = c.delivered;
    s.corrupt = c.corrupt;
    s.duplicateOrOld = c.duplicateOrOld;
    s.missing = c.missing;
    s.foreign = c.foreign;
    s.keepalivesSent = c.keepalivesSent;
    s.keepalivesAnswered = c.keepalivesAnswered;
    s.lastFrameNumber = c.lastFrameNumber;
    std::lock_guard<std::mutex> lock(c.textMutex);
    s.server = c.server;
    s.localAddress = c.localAddress;
    s.multicastGroup = c.multicastGroup;
    return s;
}

SourceFactory networkFactory(const std::string& hostPort, const std::string& origin) {
    return [hostPort, origin] { return std::unique_ptr<FrameSource>(new NetworkSource(hostPort, origin)); };
}

struct Registration {
    Registration() { registerNetworkHooks(NetworkHooks{&networkFactory, &snapshot}); }
} registration;

}  // namespace

NetworkSource::~NetworkSource() {
    if (thread_.joinable()) {
        const std::uint64_t one = 1;
        if (::write(wakeFd_, &one, sizeof one) < 0) {
        }
        thread_.join();
    }
    if (wakeFd_ >= 0) ::close(wakeFd_);
    if (socket_.isOpen() && sceneRevision_ != 0) {
        const Bytes bye = encodeBye(Bye{"client released"}, Envelope{nextSequence_++, wallClockUs()});
        socket_.send(bye.data(), bye.size());
    }
}

std::string NetworkSource::description() const {
    std::string text = "tracking server " + server_.text();
    text += multicast_ ? " (multicast " + group_.text() + ")" : " (unicast)";
    return text + ", protocol version " + std::to_string(version_);
}

std::string NetworkSource::open(SDKVER version, ::ConnectionType type, SceneDef& scene) {
    std::string error;
    if (!parseEndpoint(hostPort_, server_, error)) {
        const bool variable = origin_ == "ORVANE_TRACKER_SERVER";
        if (hostPort_.empty()) error = "it is empty";
        return (variable ? origin_ + "=\"" + hostPort_ + "\"" : "\"" + hostPort_ + "\" given to " + origin_) +
               " is not a tracking server address: " + error +
               " (expected host:port, the host a dotted IPv4 address or localhost, e.g. 127.0.0.1:7001" +
               (variable ? "; unset the variable for the in-process performers)" : ")");
    }
    counters().reset(server_.text());
    version_ = version == SDKVER_V1 ? 1 : 2;
    multicast_ = type == ::ConnectionType_Multicast;
    error = connectToServer(version_, multicast_, scene);
    if (!error.empty()) {
        socket_.close();
        groupSocket_.close();
        sceneRevision_ = 0;
        return error;
    }
    wakeFd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wakeFd_ < 0) return std::string("cannot create an event descriptor: ") + std::strerror(errno);
    lastHeardMs_ = lastPingMs_ = steadyMs();
    thread_ = std::thread(&NetworkSource::run, this);
    return {};
}

std::string NetworkSource::connectToServer(int sdkVersion, bool multicast, SceneDef& scene) {
    const std::string where = "tracking server " + server_.text();
    const Endpoint local{isLoopback(server_.address) ? 0x7F000001u : 0u, 0};
    std::string error = socket_.open(local);
    if (error.empty()) error = socket_.connect(server_);
    if (!error.empty()) return error;
    socket_.setBuffers(4 << 20);
    {
        std::lock_guard<std::mutex> lock(counters().textMutex);
        counters().localAddress = socket_.local().text();
    }

    Hello hello;
    hello.sdkVersion = sdkVersion;
    hello.connection = multicast ? net::ConnectionType::Multicast : net::ConnectionType::Unicast;
    hello.receivePort = socket_.local().port;

    const long long start = steadyMs(), deadline = start + kConnectTimeoutMs;
    long long lastSend = -kResendMs;
    bool welcomed = false;
    Welcome welcome;
    DescriptionAssembler assembler;
    while (true) {
        const long long now = steadyMs();
        if (welcomed && assembler.complete() && assembler.revision() == welcome.sceneRevision) break;
        if (now >= deadline) {
            if (!welcomed)
                return "no answer from " + where + " within " + std::to_string(kConnectTimeoutMs / 1000) + " s";
            return where + " sent no complete descriptions within " + std::to_string(kConnectTimeoutMs / 1000) + " s";
        }
        if (now - lastSend >= kResendMs) {
            lastSend = now;
            const Bytes request =
                welcomed ? encodeDescriptionsRequest(DescriptionsRequest{0}, Envelope{nextSequence_++, wallClockUs()})
                         : encodeHello(hello, Envelope{nextSequence_++, wallClockUs()});
            const int sent = socket_.send(request.data(), request.size());
            if (sent == ECONNREFUSED) return where + " refused: nothing listens on that port";
        }
        pollfd p{socket_.fd(), POLLIN, 0};
        const long long wait = std::min(deadline, lastSend + kResendMs) - now;
        if (::poll(&p, 1, static_cast<int>(std::max(1LL, wait))) <= 0) continue;
        Endpoint from;
        const long n = socket_.receive(buffer_, sizeof buffer_, from);
        if (n == -ECONNREFUSED) return where + " refused: nothing listens on that port";
        if (n < 0) continue;
        ++counters().received;
        Datagram d;
        if (!parseDatagram(buffer_, static_cast<std::size_t>(n), d)) {
            ++counters().corrupt;
            continue;
        }
        if (d.type == MessageType::Welcome && !welcomed) {
            Welcome w;
            if (!decodeWelcome(d, w)) {
                ++counters().corrupt;
                continue;
            }
            if (!w.accepted)
                return where + " refused the connection" + (w.reason.empty() ? std::string() : ": " + w.reason);
            if (w.sdkVersion != sdkVersion || w.connection != hello.connection)
                return where + " answered for protocol version " + std::to_string(w.sdkVersion) +
                       (w.connection == net::ConnectionType::Multicast ? " multicast" : " unicast") + ", not the " +
                       std::to_string(sdkVersion) + (multicast ? " multicast" : " unicast") + " asked for";
            welcome = w;
            welcomed = true;
            lastSend = now - kResendMs + 2 * kResendMs / 3;  // give the chunks that follow WELCOME time to arrive
        } else if (d.type == MessageType::Descriptions) {
            if (!assembler.add(d)) ++counters().corrupt;
        } else if (d.type == MessageType::Bye) {
            Bye bye;
            if (decodeBye(d, bye)) return where + " closed the connection: " + bye.reason;
        }
    }

    if (multicast) {
        const auto& g = welcome.multicastGroup;
        group_.address = (std::uint32_t(g[0]) << 24) | (std::uint32_t(g[1]) << 16) | (std::uint32_t(g[2]) << 8) | g[3];
        group_.port = welcome.multicastPort;
        if (!isMulticast(group_.address) || group_.port == 0)
            return where + " named " + group_.text() + ", which is not a multicast group and port";
        std::string error = groupSocket_.open(group_, true);
        if (error.empty())
            error = groupSocket_.joinGroup(group_.address, isLoopback(server_.address) ? 0x7F000001u : 0u);
        if (!error.empty()) return error;
        groupSocket_.setBuffers(4 << 20);
        std::lock_guard<std::mutex> lock(counters().textMutex);
        counters().multicastGroup = group_.text();
    }
    sceneRevision_ = welcome.sceneRevision;
    scene_ = assembler.scene();
    scene = scene_;
    return {};
}

std::string NetworkSource::start(FrameSink& sink) {
    std::lock_guard<std::mutex> lock(sinkMutex_);
    if (lost_) return "lost the connection to tracking server " + server_.text() + " before start: " + lostReason_;
    sink_ = &sink;
    return {};
}

void NetworkSource::stop() {
    std::lock_guard<std::mutex> lock(sinkMutex_);
    sink_ = nullptr;
}

void NetworkSource::lose(const std::string& reason) {
    gone_ = true;
    std::lock_guard<std::mutex> lock(sinkMutex_);
    if (lost_) return;
    lost_ = true;
    lostReason_ = reason;
    if (sink_) sink_->connectionLost(reason);
}

void NetworkSource::sendKeepalive(bool pong, std::uint32_t token, std::int64_t echoed) {
    Keepalive k;
    k.pong = pong;
    k.token = token;
    k.echoedSendTimeUs = echoed;
    const Bytes bytes = encodeKeepalive(k, Envelope{nextSequence_++, wallClockUs()});
    if (socket_.send(bytes.data(), bytes.size()) == 0 && !pong) ++counters().keepalivesSent;
}

void NetworkSource::reject(const WireStatus& status) {
    ++counters().corrupt;
    ++pendingRejected_;
    lastRejection_ = std::string(wireErrorName(status.error)) + ": " + status.message;
    reportRejected(steadyMs(), false);
}

void NetworkSource::reportRejected(long long nowMs, bool force) {
    if (pendingRejected_ == 0 || (nowMs - lastReportMs_ < kReportMs && !force)) return;
    std::lock_guard<std::mutex> lock(sinkMutex_);
    // Before start (or after a loss) nobody hears it: the count waits for someone to tell.
    if (!sink_ || lost_) return;
    const std::string text = "dropped " + std::to_string(pendingRejected_) + " invalid datagram" +
                             (pendingRejected_ == 1 ? "" : "s") + " from tracking server " + server_.text() +
                             " (last: " + lastRejection_ + ")";
    pendingRejected_ = 0;
    lastReportMs_ = nowMs;
    sink_->message(MessageLevel::Warning, text);
}

void NetworkSource::run() {
    pollfd fds[3] = {{wakeFd_, POLLIN, 0}, {socket_.fd(), POLLIN, 0}, {groupSocket_.fd(), POLLIN, 0}};
    const nfds_t count = groupSocket_.isOpen() ? 3 : 2;
    while (true) {
        long long now = steadyMs();
        const long long nextTimer =
            gone_ ? lastPingMs_ + kKeepaliveMs : std::min(lastPingMs_ + kKeepaliveMs, lastHeardMs_ + kSilenceMs);
        const int wait = static_cast<int>(std::max(1LL, std::min(nextTimer - now, 100LL)));
        const int ready = ::poll(fds, count, wait);
        if (ready > 0 && (fds[0].revents & POLLIN)) return;
        for (nfds_t i = 1; ready > 0 && i < count; ++i) {
            if (!(fds[i].revents & (POLLIN | POLLERR))) continue;
            UdpSocket& socket = i == 1 ? socket_ : groupSocket_;
            for (int k = 0; k < 256; ++k) {  // bounded, so a flood cannot starve the timers
                Endpoint from;
                const long n = socket.receive(buffer_, sizeof buffer_, from);
                if (n == -EAGAIN || n == -EWOULDBLOCK) break;
                if (n == -ECONNREFUSED) {
                    lose("tracking server " + server_.text() + " is gone (its port is closed)");
                    break;
                }
                if (n < 0) break;
                handle(buffer_, static_cast<std::size_t>(n), from, i == 2, wallClockUs());
            }
        }
        now = steadyMs();
        if (now - lastPingMs_ >= kKeepaliveMs) {
            lastPingMs_ = now;
            sendKeepalive(false, static_cast<std::uint32_t>(now), 0);
        }
        if (!gone_ && now - lastHeardMs_ >= kSilenceMs)
            lose("no data and no answer from tracking server " + server_.text() + " for " +
                 std::to_string(kSilenceMs / 1000) + "." + std::to_string(kSilenceMs % 1000 / 100) + " s");
        reportRejected(now, false);
    }
}

void NetworkSource::handle(const std::uint8_t* data, std::size_t size, const Endpoint& from, bool multicastSocket,
                           long long receiveTimeUs) {
    Counters& c = counters();
    ++c.received;
    if (from != server_) {
        ++c.foreign;
        return;
    }
    Datagram d;
    if (WireStatus s = parseDatagram(data, size, d); !s) return reject(s);
    switch (d.type) {
        case MessageType::Frame: {
            if (multicastSocket != multicast_) return;  // a unicast leftover after switching, or the reverse
            FrameMessage message;
            if (WireStatus s = decodeFrame(d, scene_, sceneRevision_, message); !s) return reject(s);
            lastHeardMs_ = steadyMs();
            if (message.version != version_) return;  // another client's version on a shared group
            const long long number = message.frame.frameNumber;
            const long long last = c.lastFrameNumber;
            if (number <= last) {
                ++c.duplicateOrOld;
                return;
            }
            if (last >= 0) c.missing += number - last - 1;
            c.lastFrameNumber = number;
            message.frame.receiveTimeUs = receiveTimeUs;
            std::lock_guard<std::mutex> lock(sinkMutex_);
            if (sink_ && !lost_) {
                sink_->pushSample(message.frame);
                ++c.delivered;
            }
            return;
        }
        case MessageType::Keepalive: {
            Keepalive k;
            if (WireStatus s = decodeKeepalive(d, k); !s) return reject(s);
            lastHeardMs_ = steadyMs();
            if (k.pong)
                ++c.keepalivesAnswered;
            else
                sendKeepalive(true, k.token, d.sendTimeUs);
            return;
        }
        case MessageType::Bye: {
            Bye bye;
            if (WireStatus s = decodeBye(d, bye); !s) return reject(s);
            lose("tracking server " + server_.text() + " closed the connection" +
                 (bye.reason.empty() ? std::string() : ": " + bye.reason));
            return;
        }
        default:
            lastHeardMs_ = steadyMs();  // WELCOME or DESCRIPTIONS resent after open: valid, not needed
            return;
    }
}

}  // namespace net
}  // namespace tracker
}  // namespace orvane
