#include <orvane/tracker/sim/TrackerServer.h>

#include <orvane/tracker/SyntheticPerformers.h>
#include <orvane/tracker/capture/Capture.h>
#include <orvane/tracker/net/Udp.h>
#include <orvane/tracker/net/WireCodec.h>

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstring>
#include <mutex>
#include <random>
#include <set>
#include <vector>

namespace orvane {
namespace tracker {
namespace sim {

using namespace net;
using Clock = std::chrono::steady_clock;

namespace {

constexpr std::size_t kMaxClients = 64;
constexpr auto kPingInterval = std::chrono::milliseconds(500);

struct Client {
    Endpoint from;  // where its datagrams come from: the key
    Endpoint to;    // its receive port
    int version = 2;
    bool multicast = false;
    Clock::time_point lastHeard;
};

bool share(double p) { return p >= 0 && p <= 1; }

// Optical systems always stream markers with a skeleton; a skeleton-only capture (BVH) gets one virtual marker
// per joint, at the joint's world position and seen while the joint is tracked. The marker is named after its
// joint, never equal to it or to any other name of the subject: the plug-in finds scene nodes by name, and a
// locator must not take a joint's.
void addJointMarkers(CaptureClip& clip) {
    for (std::size_t s = 0; s < clip.scene.subjects.size(); ++s) {
        SubjectDef& subject = clip.scene.subjects[s];
        if (!subject.markerNames.empty() || subject.bones.empty()) continue;
        std::set<std::string> taken{subject.name, subject.skeletonName};
        for (const BoneDef& bone : subject.bones) taken.insert(bone.name);
        for (const BoneDef& bone : subject.bones) {
            const std::string suffix = "_marker";
            std::string name = bone.name.substr(0, kMaxNameBytes - suffix.size()) + suffix;
            for (int n = 2; taken.count(name); ++n) {
                const std::string numbered = suffix + std::to_string(n);
                name = bone.name.substr(0, kMaxNameBytes - numbered.size()) + numbered;
            }
            taken.insert(name);
            subject.markerNames.push_back(name);
        }
        for (FrameSample& frame : clip.frames) {
            SubjectSample& sample = frame.subjects[s];
            sample.markers.resize(sample.bones.size());
            sample.markerSeen.resize(sample.bones.size());
            for (std::size_t j = 0; j < sample.bones.size(); ++j) {
                sample.markers[j] = sample.bones[j].worldPosition;
                sample.markerSeen[j] = sample.bones[j].tracked;
            }
        }
    }
}

}  // namespace

struct TrackerServer::Impl {
    ServerOptions options;
    std::unique_ptr<SyntheticPerformers> synthetic;
    CaptureClip clip;
    SceneDef scene;
    double rate = 0;
    std::uint32_t revision = 1;
    Endpoint bindTo;
    Endpoint group;  // address 0: no multicast

    UdpSocket socket;
    int wakeFd = -1;
    std::atomic<bool> stopping{false};
    std::vector<Client> clients;  // server thread only
    std::uint32_t sequence = 1;
    std::mt19937_64 random;
    std::uniform_real_distribution<double> unit{0.0, 1.0};
    Bytes held;
    Endpoint heldTo;
    bool hasHeld = false;
    bool heldCorrupt = false;
    std::vector<std::uint8_t> buffer = std::vector<std::uint8_t>(kMaxDatagramBytes + 1);
    FrameSample sample;

    std::atomic<int> clientCount{0};
    std::atomic<long long> frames{0}, sent{0}, dropped{0}, corrupted{0}, duplicated{0}, reordered{0}, sendErrors{0},
        corruptSent{0};
    std::atomic<double> measuredRate{0};

    void sampleInto(long long n, FrameSample& out) const {
        if (synthetic) {
            synthetic->sampleInto(n, out);
        } else {
            const long long count = static_cast<long long>(clip.frames.size());
            out = clip.frames[static_cast<std::size_t>(((n % count) + count) % count)];
        }
        out.frameNumber = n;
        out.timeSeconds = static_cast<double>(n) / rate;
        out.serverSendTimeUs = 0;
        out.receiveTimeUs = 0;
    }

    Envelope envelope() { return Envelope{sequence++, wallClockUs()}; }

    bool rawSend(const Bytes& bytes, const Endpoint& to) {
        if (socket.sendTo(bytes.data(), bytes.size(), to) == 0) {
            ++sent;
            return true;
        }
        ++sendErrors;
        return false;
    }

    // FRAME datagrams go through the fault injection; everything else is sent as it is.
    void sendFrame(const Bytes& bytes, const Endpoint& to) {
        const ServerOptions& o = options;
        if (o.drop > 0 && unit(random) < o.drop) {
            ++dropped;
            return;
        }
        const Bytes* out = &bytes;
        Bytes altered;
        const bool corrupt = o.corrupt > 0 && unit(random) < o.corrupt;
        if (corrupt) {
            altered = bytes;
            altered[random() % altered.size()] ^= static_cast<std::uint8_t>(1 + random() % 255);
            out = &altered;
            ++corrupted;
        }
        if (o.reorder > 0 && !hasHeld && unit(random) < o.reorder) {
            held = *out;
            heldTo = to;
            heldCorrupt = corrupt;
            hasHeld = true;
            ++reordered;
            return;
        }
        if (rawSend(*out, to) && corrupt) ++corruptSent;
        if (o.duplicate > 0 && unit(random) < o.duplicate) {
            if (rawSend(*out, to) && corrupt) ++corruptSent;
            ++duplicated;
        }
        if (hasHeld) {
            hasHeld = false;
            if (rawSend(held, heldTo) && heldCorrupt) ++corruptSent;
        }
    }

    void sendDescriptions(const Endpoint& to) {
        const std::vector<Bytes> chunks = encodeDescriptions(scene, revision, envelope());
        sequence += static_cast<std::uint32_t>(chunks.size());
        for (const Bytes& chunk : chunks) rawSend(chunk, to);
    }

    Client* find(const Endpoint& from) {
        for (Client& c : clients)
            if (c.from == from) return &c;
        return nullptr;
    }

    void removeClient(const Endpoint& from) {
        clients.erase(std::remove_if(clients.begin(), clients.end(), [&](const Client& c) { return c.from == from; }),
                      clients.end());
        clientCount = static_cast<int>(clients.size());
    }

    void onHello(const Hello& hello, const Endpoint& from) {
        Welcome welcome;
        welcome.sdkVersion = hello.sdkVersion;
        welcome.connection = hello.connection;
        welcome.sceneRevision = revision;
        const bool multicast = hello.connection == net::ConnectionType::Multicast;
        const Endpoint to{from.address, hello.receivePort ? hello.receivePort : from.port};
        Client* client = find(from);
        if (multicast && group.address == 0) {
            welcome.reason = "multicast is not enabled on this server (start it with --multicast-group)";
        } else if (!client && clients.size() >= kMaxClients) {
            welcome.reason = "the server has its maximum of " + std::to_string(kMaxClients) + " clients";
        } else {
            welcome.accepted = true;
            if (multicast) {
                for (int i = 0; i < 4; ++i)
                    welcome.multicastGroup[static_cast<std::size_t>(i)] =
                        static_cast<std::uint8_t>(group.address >> (24 - 8 * i));
                welcome.multicastPort = group.port;
            }
            if (!client) {
                clients.push_back(Client{});
                client = &clients.back();
            }
            client->from = from;
            client->to = to;
            client->version = hello.sdkVersion;
            client->multicast = multicast;
            client->lastHeard = Clock::now();
            clientCount = static_cast<int>(clients.size());
        }
        rawSend(encodeWelcome(welcome, envelope()), to);
        if (welcome.accepted) sendDescriptions(to);
    }

    void receive() {
        for (int k = 0; k < 256; ++k) {
            Endpoint from;
            const long n = socket.receive(buffer.data(), buffer.size(), from);
            if (n < 0) {
                if (n == -EAGAIN || n == -EWOULDBLOCK) return;
                continue;  // an ICMP error left by a client that went away
            }
            Datagram d;
            if (!parseDatagram(buffer.data(), static_cast<std::size_t>(n), d)) continue;
            Client* client = find(from);
            if (d.type == MessageType::Hello) {
                Hello hello;
                if (decodeHello(d, hello)) onHello(hello, from);
                continue;
            }
            if (!client) continue;
            if (d.type == MessageType::Keepalive) {
                Keepalive k;
                if (!decodeKeepalive(d, k)) continue;
                client->lastHeard = Clock::now();
                if (!k.pong) {
                    Keepalive pong;
                    pong.pong = true;
                    pong.token = k.token;
                    pong.echoedSendTimeUs = d.sendTimeUs;
                    rawSend(encodeKeepalive(pong, envelope()), client->to);
                }
            } else if (d.type == MessageType::DescriptionsRequest) {
                DescriptionsRequest request;
                if (!decodeDescriptionsRequest(d, request)) continue;
                client->lastHeard = Clock::now();
                if (request.haveRevision != revision) sendDescriptions(client->to);
            } else if (d.type == MessageType::Bye) {
                Bye bye;
                if (decodeBye(d, bye)) removeClient(from);
            }
        }
    }

    void produce(long long n) {
        ++frames;
        if (clients.empty()) return;
        sampleInto(n, sample);
        sample.serverSendTimeUs = wallClockUs();
        Bytes encoded[2];
        auto frameFor = [&](int version) -> const Bytes& {
            Bytes& b = encoded[version - 1];
            if (b.empty()) b = encodeFrame(sample, scene, version, revision);
            return b;
        };
        bool multicastVersion[2] = {false, false};
        for (const Client& c : clients) {
            if (c.multicast)
                multicastVersion[c.version - 1] = true;
            else
                sendFrame(frameFor(c.version), c.to);
        }
        for (int v = 1; v <= 2; ++v)
            if (multicastVersion[v - 1]) sendFrame(frameFor(v), group);
    }

    void housekeeping(Clock::time_point now, Clock::time_point& lastPing) {
        const auto timeout = std::chrono::duration<double>(options.clientTimeoutSec);
        const std::size_t before = clients.size();
        clients.erase(std::remove_if(clients.begin(), clients.end(),
                                     [&](const Client& c) { return now - c.lastHeard > timeout; }),
                      clients.end());
        if (clients.size() != before) clientCount = static_cast<int>(clients.size());
        if (now - lastPing >= kPingInterval) {
            lastPing = now;
            Keepalive ping;
            ping.token = sequence;
            for (const Client& c : clients) rawSend(encodeKeepalive(ping, envelope()), c.to);
        }
    }

    void run() {
        const auto period = std::chrono::duration<double>(1.0 / rate);
        const Clock::time_point started = Clock::now();
        const auto pauseFrom =
            started + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(options.pauseAfterSec));
        const auto pauseUntil =
            pauseFrom + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(options.pauseForSec));
        const bool pauses = options.pauseForSec > 0;
        Clock::time_point base = started, lastPing = started, rateWindow = started;
        long long next = 1, baseFrame = 1, rateFrames = 0;
        pollfd fds[2] = {{wakeFd, POLLIN, 0}, {socket.fd(), POLLIN, 0}};

        while (!stopping) {
            Clock::time_point now = Clock::now();
            if (pauses && now >= pauseFrom && now < pauseUntil) {
                base = pauseUntil;  // after the pause the stream goes on with the next frame number
                baseFrame = next;
            }
            const Clock::time_point due =
                base + std::chrono::duration_cast<Clock::duration>(period * static_cast<double>(next - baseFrame));
            if (now >= due) {
                if (now - due > std::chrono::seconds(1)) {  // far behind (a stalled machine): skip, do not burst
                    base = now;
                    baseFrame = next;
                }
                produce(next++);
                receive();
            } else {
                const auto wait = std::min<Clock::duration>(due - now, std::chrono::milliseconds(50));
                const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(wait).count();
                timespec ts{static_cast<time_t>(ns / 1000000000), static_cast<long>(ns % 1000000000)};
                if (::ppoll(fds, 2, &ts, nullptr) > 0 && (fds[1].revents & POLLIN)) receive();
            }
            now = Clock::now();
            if (now - rateWindow >= std::chrono::seconds(1)) {
                measuredRate =
                    static_cast<double>(frames - rateFrames) / std::chrono::duration<double>(now - rateWindow).count();
                rateFrames = frames;
                rateWindow = now;
            }
            housekeeping(now, lastPing);
        }
        if (hasHeld) rawSend(held, heldTo);
        hasHeld = false;
    }
};

TrackerServer::TrackerServer(const ServerOptions& options) : impl_(new Impl) {
    Impl& m = *impl_;
    m.options = options;
    const ServerOptions& o = options;
    if (!parseAddress(o.bindAddress, m.bindTo.address))
        throw ServerError("bind address '" + o.bindAddress + "' is not an IPv4 address");
    m.bindTo.port = o.port;
    if (!o.multicastGroup.empty()) {
        if (!parseAddress(o.multicastGroup, m.group.address) || !isMulticast(m.group.address))
            throw ServerError("'" + o.multicastGroup + "' is not an IPv4 multicast group (224.0.0.0/4)");
    }
    if (!share(o.drop) || !share(o.corrupt) || !share(o.duplicate) || !share(o.reorder))
        throw ServerError("fault shares must lie in 0..1");
    if (!(o.pauseAfterSec >= 0) || !(o.pauseForSec >= 0) || !(o.clientTimeoutSec > 0))
        throw ServerError("pause times must not be negative and the client timeout must be positive");
    if (!(o.rateHz >= 0) || !std::isfinite(o.rateHz)) throw ServerError("the frame rate must be positive");
    if (o.performers < 0 || static_cast<std::size_t>(o.performers) > kMaxSubjects)
        throw ServerError("performers must be 0.." + std::to_string(kMaxSubjects));

    if (o.replayFile.empty()) {
        m.rate = o.rateHz > 0 ? o.rateHz : 120;
        SyntheticOptions s;
        s.performers = o.performers;
        s.rateHz = m.rate;
        s.seed = o.seed;
        m.synthetic.reset(new SyntheticPerformers(s));
        m.scene = m.synthetic->scene();
    } else {
        CaptureOptions capture;
        capture.lengthScaleToMm = o.bvhUnitMm;
        m.clip = loadCapture(o.replayFile, capture);
        if (m.clip.frames.empty()) throw ServerError(o.replayFile + " holds no frames");
        addJointMarkers(m.clip);
        m.rate = o.rateHz > 0 ? o.rateHz : m.clip.frameRate;
        if (!(m.rate > 0)) throw ServerError(o.replayFile + " has no frame rate; pass one");
        m.scene = m.clip.scene;
        // Encoding fails only for what the protocol cannot carry (more than 512 markers or 128 bones, names over
        // 255 bytes, frames over a datagram): refuse it here rather than on the server thread.
        try {
            encodeDescriptions(m.scene, 1, Envelope{});
            for (int version = 1; version <= 2; ++version) encodeFrame(m.clip.frames.front(), m.scene, version, 1);
        } catch (const WireEncodeError& e) {
            throw ServerError(o.replayFile + " cannot be streamed: " + e.what());
        }
    }
    m.random.seed(o.seed);
    m.revision =
        static_cast<std::uint32_t>(1 + (static_cast<std::uint64_t>(wallClockUs()) * 2654435761u) % 0xFFFFFFF0u);
}

TrackerServer::~TrackerServer() { stop(); }

void TrackerServer::start() {
    if (running_) return;
    Impl& m = *impl_;
    std::string error = m.socket.open(m.bindTo);
    if (error.empty() && m.group.address != 0) error = m.socket.setMulticastSender(m.bindTo.address);
    if (!error.empty()) throw ServerError(error);
    m.socket.setBuffers(4 << 20);
    port_ = m.socket.local().port;
    if (m.group.address != 0) m.group.port = m.options.multicastPort ? m.options.multicastPort : port_.load();
    m.wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (m.wakeFd < 0) throw ServerError(std::string("cannot create an event descriptor: ") + std::strerror(errno));
    m.stopping = false;
    running_ = true;
    thread_ = std::thread([&m] { m.run(); });
}

void TrackerServer::stop(bool sayGoodbye) {
    if (!running_) return;
    Impl& m = *impl_;
    m.stopping = true;
    const std::uint64_t one = 1;
    if (::write(m.wakeFd, &one, sizeof one) < 0) {
    }
    thread_.join();
    if (sayGoodbye)
        for (const Client& c : m.clients) m.rawSend(encodeBye(Bye{"server shutting down"}, m.envelope()), c.to);
    m.clients.clear();
    m.clientCount = 0;
    ::close(m.wakeFd);
    m.wakeFd = -1;
    m.socket.close();
    running_ = false;
}

std::string TrackerServer::address() const { return addressText(impl_->bindTo.address) + ":" + std::to_string(port_); }
double TrackerServer::rateHz() const { return impl_->rate; }
const SceneDef& TrackerServer::scene() const { return impl_->scene; }

const std::vector<std::string>& TrackerServer::replayWarnings() const { return impl_->clip.warnings; }

FrameSample TrackerServer::frameAt(long long frameNumber) const {
    FrameSample out;
    impl_->sampleInto(frameNumber, out);
    return out;
}

ServerStats TrackerServer::stats() const {
    const Impl& m = *impl_;
    ServerStats s;
    s.clients = m.clientCount;
    s.frames = m.frames;
    s.datagramsSent = m.sent;
    s.dropped = m.dropped;
    s.corrupted = m.corrupted;
    s.corruptSent = m.corruptSent;
    s.duplicated = m.duplicated;
    s.reordered = m.reordered;
    s.sendErrors = m.sendErrors;
    s.rateHz = m.measuredRate;
    return s;
}

}  // namespace sim
}  // namespace tracker
}  // namespace orvane
