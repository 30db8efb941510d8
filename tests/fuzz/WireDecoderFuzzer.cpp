// The datagram decoder of the SDK's network receiver, fed datagrams as a tracking server could send them.
//
// Input: one flags byte, then datagrams, each starting at an occurrence of the magic "OVTK" (bytes before the first
// one form a datagram of their own). Flag bit 0 reseals every datagram's payload length and checksum first, so
// that damage reaches the payload decoders; without it they go in as received. Every datagram passes through
// parseDatagram and then through the decoder of its type, as the receiver does: DESCRIPTIONS into one assembler
// whose completed scene then checks the FRAMEs that follow (a built-in scene of revision 1 before that).
//
// Properties: a rejected datagram leaves the output untouched; what decodes is consistent with its scene and
// encodes back to the same message (small messages byte for byte), so the encoder and the decoder agree on the
// format's limits.

#include <orvane/tracker/net/WireCodec.h>

#include <cmath>

#include "FuzzSupport.h"
#include "WireScenes.h"

using namespace orvane::tracker;
using namespace orvane::tracker::net;

namespace {

void reseal(Bytes& b) {
    if (b.size() < kHeaderBytes) return;
    const std::uint32_t length = static_cast<std::uint32_t>(b.size() - kHeaderBytes);
    for (int i = 0; i < 4; ++i) b[8 + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(length >> (8 * i));
    std::uint32_t crc = crc32(b.data(), 24);
    crc = crc32(b.data() + kHeaderBytes, length, crc);
    for (int i = 0; i < 4; ++i) b[24 + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(crc >> (8 * i));
}

bool sameScene(const SceneDef& a, const SceneDef& b) {
    if (a.subjects.size() != b.subjects.size()) return false;
    for (std::size_t s = 0; s < a.subjects.size(); ++s) {
        const SubjectDef &x = a.subjects[s], &y = b.subjects[s];
        if (x.name != y.name || x.skeletonName != y.skeletonName || x.markerNames != y.markerNames ||
            x.bones.size() != y.bones.size())
            return false;
        for (std::size_t k = 0; k < x.bones.size(); ++k) {
            const BoneDef &p = x.bones[k], &q = y.bones[k];
            if (p.name != q.name || p.parent != q.parent || p.offset.x != q.offset.x || p.offset.y != q.offset.y ||
                p.offset.z != q.offset.z)
                return false;
        }
    }
    return true;
}

bool sameVec(const Vec3& a, const Vec3& b) { return a.x == b.x && a.y == b.y && a.z == b.z; }

bool sameFrame(const FrameMessage& a, const FrameMessage& b) {
    if (a.version != b.version || a.sceneRevision != b.sceneRevision || a.frame.frameNumber != b.frame.frameNumber ||
        a.frame.timeSeconds != b.frame.timeSeconds || a.frame.subjects.size() != b.frame.subjects.size())
        return false;
    for (std::size_t s = 0; s < a.frame.subjects.size(); ++s) {
        const SubjectSample &x = a.frame.subjects[s], &y = b.frame.subjects[s];
        if (x.markerSeen != y.markerSeen || x.markers.size() != y.markers.size() || x.bones.size() != y.bones.size())
            return false;
        for (std::size_t m = 0; m < x.markers.size(); ++m)
            if (!sameVec(x.markers[m], y.markers[m])) return false;
        for (std::size_t k = 0; k < x.bones.size(); ++k) {
            const BonePose &p = x.bones[k], &q = y.bones[k];
            if (p.tracked != q.tracked || !sameVec(p.localTranslation, q.localTranslation) ||
                !sameVec(p.localEulerXYZ, q.localEulerXYZ) || !sameVec(p.worldPosition, q.worldPosition) ||
                p.worldOrientation.x != q.worldOrientation.x || p.worldOrientation.y != q.worldOrientation.y ||
                p.worldOrientation.z != q.worldOrientation.z || p.worldOrientation.w != q.worldOrientation.w)
                return false;
        }
    }
    return true;
}

// Small messages: decode, and if that succeeds, the encoder gives back the very same datagram.
template <typename Message, typename Decode, typename Encode>
void smallMessage(const Datagram& d, const Bytes& bytes, Decode decode, Encode encode, const char* name) {
    Message m;
    if (!decode(d, m)) return;
    Bytes again;
    try {
        again = encode(m, Envelope{d.sequence, d.sendTimeUs});
    } catch (const WireEncodeError& e) {
        fuzz::check(false, std::string(name) + " decoded but does not encode: " + e.what());
    }
    fuzz::check(again == bytes, std::string(name) + " does not encode back to the datagram it came from");
}

void checkFrame(const Datagram& d, const SceneDef& scene, std::uint32_t revision) {
    FrameMessage m;
    m.version = 77;  // a failed decode must leave this alone
    const WireStatus status = decodeFrame(d, scene, revision, m);
    if (!status) {
        fuzz::check(m.version == 77 && m.frame.subjects.empty(), "a rejected FRAME changed its output");
        return;
    }
    fuzz::check(m.frame.subjects.size() == scene.subjects.size(), "FRAME subject count differs from its scene");
    for (std::size_t s = 0; s < scene.subjects.size(); ++s) {
        const SubjectSample& sample = m.frame.subjects[s];
        const std::size_t markers = scene.subjects[s].markerNames.size();
        fuzz::check(sample.markers.size() == markers && sample.markerSeen.size() == markers &&
                        sample.bones.size() == scene.subjects[s].bones.size(),
                    "FRAME subject counts differ from its description");
        for (std::size_t k = 0; k < markers; ++k)
            fuzz::check(std::isfinite(sample.markers[k].x) && std::isfinite(sample.markers[k].y) &&
                            std::isfinite(sample.markers[k].z),
                        "FRAME marker decoded as a non-finite number");
    }
    Bytes again;
    try {
        FrameSample frame = m.frame;
        again = encodeFrame(frame, scene, m.version, revision);
    } catch (const WireEncodeError& e) {
        fuzz::check(false, std::string("FRAME decoded but does not encode: ") + e.what());
    }
    Datagram d2;
    FrameMessage m2;
    fuzz::check(parseDatagram(again.data(), again.size(), d2).ok() && decodeFrame(d2, scene, revision, m2).ok(),
                "a re-encoded FRAME does not decode");
    fuzz::check(sameFrame(m, m2), "a re-encoded FRAME decodes to another frame");
}

void checkScene(const SceneDef& scene) {
    Bytes blob;
    try {
        blob = encodeScene(scene);
    } catch (const WireEncodeError& e) {
        fuzz::check(false, std::string("assembled DESCRIPTIONS do not encode: ") + e.what());
    }
    SceneDef again;
    fuzz::check(decodeScene(blob.data(), blob.size(), again).ok(), "re-encoded DESCRIPTIONS do not decode");
    fuzz::check(sameScene(scene, again), "re-encoded DESCRIPTIONS decode to another scene");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const SceneDef fallbackScene = fuzz::builtInWireScene();
    if (size == 0) return 0;
    const bool resealAll = data[0] & 1;
    ++data;
    --size;

    std::vector<Bytes> datagrams;
    std::size_t start = 0;
    for (std::size_t i = 1; i + 4 <= size; ++i)
        if (std::memcmp(data + i, kWireMagic, 4) == 0) {
            datagrams.emplace_back(data + start, data + i);
            start = i;
        }
    if (start < size || datagrams.empty()) datagrams.emplace_back(data + start, data + size);

    DescriptionAssembler assembler;
    for (Bytes& bytes : datagrams) {
        if (resealAll) reseal(bytes);
        Datagram d;
        d.sequence = 0x5eed;
        if (!parseDatagram(bytes.data(), bytes.size(), d)) {
            fuzz::check(d.sequence == 0x5eed && d.payload == nullptr, "a rejected datagram changed its output");
            continue;
        }
        fuzz::check(d.payload == bytes.data() + kHeaderBytes && d.payloadSize == bytes.size() - kHeaderBytes,
                    "payload view outside the datagram");
        switch (d.type) {
            case MessageType::Hello: smallMessage<Hello>(d, bytes, decodeHello, encodeHello, "HELLO"); break;
            case MessageType::Welcome: smallMessage<Welcome>(d, bytes, decodeWelcome, encodeWelcome, "WELCOME"); break;
            case MessageType::Keepalive:
                smallMessage<Keepalive>(d, bytes, decodeKeepalive, encodeKeepalive, "KEEPALIVE");
                break;
            case MessageType::Bye: smallMessage<Bye>(d, bytes, decodeBye, encodeBye, "BYE"); break;
            case MessageType::DescriptionsRequest:
                smallMessage<DescriptionsRequest>(d, bytes, decodeDescriptionsRequest, encodeDescriptionsRequest,
                                                  "DESCRIPTIONS_REQUEST");
                break;
            case MessageType::Descriptions: {
                if (assembler.add(d) && assembler.complete()) checkScene(assembler.scene());
                break;
            }
            case MessageType::Frame:
                if (assembler.complete())
                    checkFrame(d, assembler.scene(), assembler.revision());
                else
                    checkFrame(d, fallbackScene, 1);
                break;
        }
    }
    return 0;
}
