#pragma once
// The UDP datagram protocol between the tracking-server simulator and the stand-in SDK.
//
// Every datagram: a 28-byte header, then the payload. All integers little-endian, floats IEEE-754.
//
//   offset size  field
//   0      4     magic "OVTK"
//   4      1     protocol revision (kWireRevision)
//   5      1     message type (MessageType)
//   6      2     reserved, 0
//   8      4     payload length in bytes (header + payload <= kMaxDatagramBytes)
//   12     4     sequence: FRAME carries its frame number (mod 2^32), other messages a per-sender counter
//   16     8     sender's send time, microseconds since the Unix epoch (signed)
//   24     4     CRC-32 over bytes 0..23 followed by the payload
//
// Payloads ("name" = 1 length byte + up to 255 bytes; "bits(n)" = ceil(n/8) bytes, bit i = entry i, spare bits 0):
//
//   HELLO        client->server  u8 sdk version (1|2), u8 connection (0 unicast, 1 multicast), u16 receive port
//   WELCOME      server->client  u8 accepted, u8 sdk version, u8 connection, u8 0, u8[4] multicast group (a.b.c.d),
//                                u16 multicast port, u32 scene revision, name reason (why refused; may be empty)
//   DESCRIPTIONS server->client  u32 scene revision, u32 scene bytes, u32 chunk bytes, u16 chunk index,
//                                u16 chunk count, then bytes [index*chunk, min(total, (index+1)*chunk)) of the scene:
//                                  u16 subjects; each: name, name skeleton, u16 markers, name x markers,
//                                  u16 bones, each bone: name, i16 parent (-1 root, else an earlier bone),
//                                  f64 offset x, y, z (mm)
//   FRAME        server->client  u8 version (1|2), u8 0, u16 subjects, u32 scene revision, i64 frame number,
//                                f64 capture time (s); each subject: u16 markers, u16 bones, bits(markers) seen,
//                                bits(bones) tracked, markers f32 x, y, z; bones
//                                  version 1: f64 local translation x, y, z, f64 Euler X-Y-Z degrees
//                                  version 2: f32 world position x, y, z, f32 quaternion x, y, z, w
//                                an unseen marker and an untracked bone are written as all zeros
//   KEEPALIVE    both ways       u8 kind (0 ping, 1 pong), u8[3] 0, u32 token, i64 echoed send time (a pong
//                                returns the ping's token and header send time; a ping sends 0)
//   BYE          both ways       name reason
//   DESCRIPTIONS_REQUEST  client->server  u32 revision the client holds complete (0: none); the server resends
//
// A frame holds 10 subjects of 40 markers and 21 bones in about 15 KB (version 1), well within one datagram.

#include <orvane/tracker/Model.h>
#include <orvane/tracker/net/WireBytes.h>

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace orvane {
namespace tracker {
namespace net {

constexpr std::uint8_t kWireMagic[4] = {'O', 'V', 'T', 'K'};
constexpr std::uint8_t kWireRevision = 1;
constexpr std::size_t kHeaderBytes = 28;
constexpr std::size_t kMaxDatagramBytes = 61440;  // 60 KiB, below the 65507-byte UDP limit
constexpr std::size_t kMaxPayloadBytes = kMaxDatagramBytes - kHeaderBytes;
constexpr std::size_t kDescriptionChunkHeaderBytes = 16;
constexpr std::size_t kMaxChunkBytes = kMaxPayloadBytes - kDescriptionChunkHeaderBytes;

// Scene caps, shared by both SDK versions' records.
constexpr std::size_t kMaxSubjects = 64;
constexpr std::size_t kMaxMarkersPerSubject = 512;
constexpr std::size_t kMaxBonesPerSubject = 128;
constexpr std::size_t kMaxNameBytes = 255;
constexpr std::size_t kMaxSceneBytes = 4u << 20;

enum class MessageType : std::uint8_t {
    Hello = 1,
    Welcome = 2,
    Descriptions = 3,
    Frame = 4,
    Keepalive = 5,
    Bye = 6,
    DescriptionsRequest = 7,
};

enum class ConnectionType : std::uint8_t { Unicast = 0, Multicast = 1 };

enum class WireError {
    None,
    Truncated,  // shorter than its header or its declared payload
    TooLarge,   // over kMaxDatagramBytes or a cap
    BadMagic,
    BadRevision,
    BadType,    // unknown type, or not the type the decoder was asked for
    BadLength,  // declared payload length differs from the datagram
    BadChecksum,
    BadPayload,     // malformed fields, reserved bytes set, trailing bytes, non-finite numbers
    SceneMismatch,  // a FRAME that does not fit the descriptions it claims
};

const char* wireErrorName(WireError error);

struct WireStatus {
    WireError error = WireError::None;
    std::string message;

    bool ok() const { return error == WireError::None; }
    explicit operator bool() const { return ok(); }
};

// A checked datagram: header fields and a view of the payload inside the caller's buffer (valid while it is).
struct Datagram {
    MessageType type = MessageType::Hello;
    std::uint32_t sequence = 0;
    std::int64_t sendTimeUs = 0;
    const std::uint8_t* payload = nullptr;
    std::size_t payloadSize = 0;
};

// Checks magic, revision, type, length and checksum. On failure 'out' is left untouched.
WireStatus parseDatagram(const std::uint8_t* data, std::size_t size, Datagram& out);

struct Envelope {
    std::uint32_t sequence = 0;
    std::int64_t sendTimeUs = 0;
};

struct Hello {
    int sdkVersion = 2;  // 1 or 2
    ConnectionType connection = ConnectionType::Unicast;
    std::uint16_t receivePort = 0;
};

struct Welcome {
    bool accepted = false;
    int sdkVersion = 2;
    ConnectionType connection = ConnectionType::Unicast;
    std::array<std::uint8_t, 4> multicastGroup{{0, 0, 0, 0}};  // multicast only
    std::uint16_t multicastPort = 0;                           // multicast only
    std::uint32_t sceneRevision = 0;                           // the revision of the DESCRIPTIONS that follow
    std::string reason;                                        // why a connection was refused; at most 255 bytes
};

struct Keepalive {
    bool pong = false;
    std::uint32_t token = 0;
    std::int64_t echoedSendTimeUs = 0;
};

struct Bye {
    std::string reason;
};

struct DescriptionsRequest {
    std::uint32_t haveRevision = 0;
};

struct FrameMessage {
    int version = 2;
    std::uint32_t sceneRevision = 0;
    // Version 1 fills markers and local bone poses, version 2 markers and world bone poses; the other pose fields
    // keep their defaults. serverSendTimeUs comes from the datagram header.
    FrameSample frame;
};

// Thrown by the encoders when a message cannot be encoded: out-of-range fields, a scene over the caps, a frame
// that does not match its scene or does not fit one datagram. A caller bug, not a network condition.
class WireEncodeError : public std::invalid_argument {
public:
    using std::invalid_argument::invalid_argument;
};

using Bytes = std::vector<std::uint8_t>;

Bytes encodeHello(const Hello& message, const Envelope& envelope);
Bytes encodeWelcome(const Welcome& message, const Envelope& envelope);
Bytes encodeKeepalive(const Keepalive& message, const Envelope& envelope);
Bytes encodeBye(const Bye& message, const Envelope& envelope);
Bytes encodeDescriptionsRequest(const DescriptionsRequest& message, const Envelope& envelope);
// Sequence = frame.frameNumber (mod 2^32), send time = frame.serverSendTimeUs.
Bytes encodeFrame(const FrameSample& frame, const SceneDef& scene, int version, std::uint32_t sceneRevision);
// The scene in numbered chunks of at most chunkBytes; chunk i gets sequence first.sequence + i.
std::vector<Bytes> encodeDescriptions(const SceneDef& scene, std::uint32_t sceneRevision, const Envelope& first,
                                      std::size_t chunkBytes = kMaxChunkBytes);

// Each decoder checks the type and every field; on failure 'out' is left untouched.
WireStatus decodeHello(const Datagram& datagram, Hello& out);
WireStatus decodeWelcome(const Datagram& datagram, Welcome& out);
WireStatus decodeKeepalive(const Datagram& datagram, Keepalive& out);
WireStatus decodeBye(const Datagram& datagram, Bye& out);
WireStatus decodeDescriptionsRequest(const Datagram& datagram, DescriptionsRequest& out);
// Rejects a frame whose revision differs from sceneRevision or whose counts differ from 'scene'.
WireStatus decodeFrame(const Datagram& datagram, const SceneDef& scene, std::uint32_t sceneRevision, FrameMessage& out);

// The scene serialisation carried by DESCRIPTIONS, for tests and tools.
Bytes encodeScene(const SceneDef& scene);
WireStatus decodeScene(const std::uint8_t* data, std::size_t size, SceneDef& out);

// Reassembles DESCRIPTIONS chunks, which may arrive in any order or twice. A chunk of another revision discards
// a partial assembly and starts over; once complete, further chunks of the same revision are ignored.
class DescriptionAssembler {
public:
    WireStatus add(const Datagram& datagram);
    bool complete() const { return complete_; }
    std::uint32_t revision() const { return revision_; }
    const SceneDef& scene() const { return scene_; }  // valid when complete()
    void reset();

private:
    bool started_ = false;
    bool complete_ = false;
    std::uint32_t revision_ = 0;
    std::uint32_t totalBytes_ = 0;
    std::uint32_t chunkBytes_ = 0;
    std::uint16_t chunkCount_ = 0;
    std::size_t received_ = 0;
    std::vector<bool> have_;
    Bytes buffer_;
    SceneDef scene_;
};

}  // namespace net
}  // namespace tracker
}  // namespace orvane
