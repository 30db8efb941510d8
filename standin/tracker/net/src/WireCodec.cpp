#include <orvane/tracker/net/WireCodec.h>

#include <cmath>
#include <cstring>
#include <limits>

namespace orvane {
namespace tracker {
namespace net {

namespace {

WireStatus failure(WireError error, std::string message) { return WireStatus{error, std::move(message)}; }

// ------------------------------------------------------------------------------------------- encoding

Bytes beginDatagram(MessageType type, const Envelope& envelope) {
    Bytes out;
    out.reserve(256);
    ByteWriter w(out);
    w.bytes(kWireMagic, 4);
    w.u8(kWireRevision);
    w.u8(static_cast<std::uint8_t>(type));
    w.u16(0);
    w.u32(0);  // payload length, patched
    w.u32(envelope.sequence);
    w.i64(envelope.sendTimeUs);
    w.u32(0);  // checksum, patched
    return out;
}

Bytes finishDatagram(Bytes out) {
    if (out.size() > kMaxDatagramBytes)
        throw WireEncodeError("datagram of " + std::to_string(out.size()) + " bytes exceeds " +
                              std::to_string(kMaxDatagramBytes));
    ByteWriter w(out);
    w.patchU32(8, static_cast<std::uint32_t>(out.size() - kHeaderBytes));
    std::uint32_t crc = crc32(out.data(), 24);
    crc = crc32(out.data() + kHeaderBytes, out.size() - kHeaderBytes, crc);
    w.patchU32(24, crc);
    return out;
}

void checkName(const std::string& name, const char* what) {
    if (name.size() > kMaxNameBytes) throw WireEncodeError(std::string(what) + " longer than 255 bytes: " + name);
}

void checkSdkVersion(int version) {
    if (version != 1 && version != 2) throw WireEncodeError("SDK version must be 1 or 2");
}

// A float field takes finite values within float range; anything else is a caller bug the decoder would reject.
// The bound is the largest float itself: every value the decoder accepts must encode again.
void writeFloat(ByteWriter& w, double v) {
    if (!(std::abs(v) <= std::numeric_limits<float>::max()))
        throw WireEncodeError("value not representable as a finite float");
    w.f32(static_cast<float>(v));
}

void writeDouble(ByteWriter& w, double v) {
    if (!std::isfinite(v)) throw WireEncodeError("value is not a finite number");
    w.f64(v);
}

void writeBits(ByteWriter& w, const std::vector<bool>& bits, std::size_t count) {
    for (std::size_t i = 0; i < count; i += 8) {
        std::uint8_t b = 0;
        for (std::size_t k = 0; k < 8 && i + k < count; ++k)
            if (i + k < bits.size() && bits[i + k]) b = static_cast<std::uint8_t>(b | 1u << k);
        w.u8(b);
    }
}

// ------------------------------------------------------------------------------------------- decoding

WireStatus expectType(const Datagram& d, MessageType type, const char* name) {
    if (d.type != type)
        return failure(WireError::BadType, std::string("expected a ") + name + " datagram, got type " +
                                               std::to_string(static_cast<int>(d.type)));
    return {};
}

WireStatus endOfPayload(const ByteReader& r, const char* name) {
    if (!r.ok()) return failure(WireError::BadPayload, std::string(name) + " payload truncated");
    if (r.remaining() != 0)
        return failure(WireError::BadPayload,
                       std::string(name) + " payload has " + std::to_string(r.remaining()) + " trailing bytes");
    return {};
}

bool readBits(ByteReader& r, std::size_t count, std::vector<bool>& bits) {
    bits.assign(count, false);
    const std::size_t n = (count + 7) / 8;
    const std::uint8_t* p = r.take(n);
    if (!p) return false;
    for (std::size_t i = 0; i < count; ++i) bits[i] = (p[i / 8] >> (i % 8)) & 1u;
    // Spare bits of the last byte must be zero.
    return count % 8 == 0 || (p[n - 1] >> (count % 8)) == 0;
}

bool finite(double v) { return std::isfinite(v); }

}  // namespace

const char* wireErrorName(WireError error) {
    switch (error) {
        case WireError::None: return "none";
        case WireError::Truncated: return "truncated";
        case WireError::TooLarge: return "too large";
        case WireError::BadMagic: return "bad magic";
        case WireError::BadRevision: return "bad revision";
        case WireError::BadType: return "bad type";
        case WireError::BadLength: return "bad length";
        case WireError::BadChecksum: return "bad checksum";
        case WireError::BadPayload: return "bad payload";
        case WireError::SceneMismatch: return "scene mismatch";
    }
    return "unknown";
}

WireStatus parseDatagram(const std::uint8_t* data, std::size_t size, Datagram& out) {
    if (size < kHeaderBytes)
        return failure(WireError::Truncated,
                       "datagram of " + std::to_string(size) + " bytes is shorter than its header");
    if (size > kMaxDatagramBytes)
        return failure(WireError::TooLarge, "datagram of " + std::to_string(size) + " bytes exceeds the maximum");
    ByteReader r(data, size);
    const std::uint8_t* magic = r.take(4);
    if (std::memcmp(magic, kWireMagic, 4) != 0) return failure(WireError::BadMagic, "not a tracker datagram");
    const std::uint8_t revision = r.u8();
    if (revision != kWireRevision)
        return failure(WireError::BadRevision, "protocol revision " + std::to_string(revision) + " is not supported");
    const std::uint8_t type = r.u8();
    if (type < static_cast<std::uint8_t>(MessageType::Hello) ||
        type > static_cast<std::uint8_t>(MessageType::DescriptionsRequest))
        return failure(WireError::BadType, "unknown message type " + std::to_string(type));
    if (r.u16() != 0) return failure(WireError::BadPayload, "reserved header bytes are set");
    const std::uint32_t length = r.u32();
    if (length > size - kHeaderBytes)
        return failure(WireError::Truncated, "payload of " + std::to_string(length) + " bytes declared, " +
                                                 std::to_string(size - kHeaderBytes) + " received");
    if (length < size - kHeaderBytes)
        return failure(WireError::BadLength, "payload of " + std::to_string(length) + " bytes declared, " +
                                                 std::to_string(size - kHeaderBytes) + " received");
    Datagram d;
    d.type = static_cast<MessageType>(type);
    d.sequence = r.u32();
    d.sendTimeUs = r.i64();
    const std::uint32_t checksum = r.u32();
    std::uint32_t crc = crc32(data, 24);
    crc = crc32(data + kHeaderBytes, length, crc);
    if (crc != checksum) return failure(WireError::BadChecksum, "checksum mismatch");
    d.payload = data + kHeaderBytes;
    d.payloadSize = length;
    out = d;
    return {};
}

// ------------------------------------------------------------------------------------------- small messages

Bytes encodeHello(const Hello& m, const Envelope& e) {
    checkSdkVersion(m.sdkVersion);
    Bytes out = beginDatagram(MessageType::Hello, e);
    ByteWriter w(out);
    w.u8(static_cast<std::uint8_t>(m.sdkVersion));
    w.u8(static_cast<std::uint8_t>(m.connection));
    w.u16(m.receivePort);
    return finishDatagram(std::move(out));
}

WireStatus decodeHello(const Datagram& d, Hello& out) {
    if (WireStatus s = expectType(d, MessageType::Hello, "HELLO"); !s) return s;
    ByteReader r(d.payload, d.payloadSize);
    Hello m;
    m.sdkVersion = r.u8();
    const std::uint8_t connection = r.u8();
    m.receivePort = r.u16();
    if (WireStatus s = endOfPayload(r, "HELLO"); !s) return s;
    if (m.sdkVersion != 1 && m.sdkVersion != 2)
        return failure(WireError::BadPayload, "HELLO asks for SDK version " + std::to_string(m.sdkVersion));
    if (connection > 1) return failure(WireError::BadPayload, "HELLO has unknown connection type");
    m.connection = static_cast<ConnectionType>(connection);
    out = m;
    return {};
}

Bytes encodeWelcome(const Welcome& m, const Envelope& e) {
    checkSdkVersion(m.sdkVersion);
    checkName(m.reason, "WELCOME reason");
    Bytes out = beginDatagram(MessageType::Welcome, e);
    ByteWriter w(out);
    w.u8(m.accepted ? 1 : 0);
    w.u8(static_cast<std::uint8_t>(m.sdkVersion));
    w.u8(static_cast<std::uint8_t>(m.connection));
    w.u8(0);
    w.bytes(m.multicastGroup.data(), 4);
    w.u16(m.multicastPort);
    w.u32(m.sceneRevision);
    w.name(m.reason);
    return finishDatagram(std::move(out));
}

WireStatus decodeWelcome(const Datagram& d, Welcome& out) {
    if (WireStatus s = expectType(d, MessageType::Welcome, "WELCOME"); !s) return s;
    ByteReader r(d.payload, d.payloadSize);
    Welcome m;
    const std::uint8_t accepted = r.u8();
    m.sdkVersion = r.u8();
    const std::uint8_t connection = r.u8();
    const std::uint8_t reserved = r.u8();
    if (const std::uint8_t* group = r.take(4)) std::memcpy(m.multicastGroup.data(), group, 4);
    m.multicastPort = r.u16();
    m.sceneRevision = r.u32();
    m.reason = r.name();
    if (WireStatus s = endOfPayload(r, "WELCOME"); !s) return s;
    if (accepted > 1 || connection > 1 || reserved != 0 || (m.sdkVersion != 1 && m.sdkVersion != 2))
        return failure(WireError::BadPayload, "WELCOME has an out-of-range field");
    m.accepted = accepted == 1;
    m.connection = static_cast<ConnectionType>(connection);
    out = m;
    return {};
}

Bytes encodeKeepalive(const Keepalive& m, const Envelope& e) {
    Bytes out = beginDatagram(MessageType::Keepalive, e);
    ByteWriter w(out);
    w.u8(m.pong ? 1 : 0);
    w.u8(0);
    w.u16(0);
    w.u32(m.token);
    w.i64(m.echoedSendTimeUs);
    return finishDatagram(std::move(out));
}

WireStatus decodeKeepalive(const Datagram& d, Keepalive& out) {
    if (WireStatus s = expectType(d, MessageType::Keepalive, "KEEPALIVE"); !s) return s;
    ByteReader r(d.payload, d.payloadSize);
    Keepalive m;
    const std::uint8_t kind = r.u8();
    const std::uint8_t reserved0 = r.u8();
    const std::uint16_t reserved1 = r.u16();
    m.token = r.u32();
    m.echoedSendTimeUs = r.i64();
    if (WireStatus s = endOfPayload(r, "KEEPALIVE"); !s) return s;
    if (kind > 1 || reserved0 != 0 || reserved1 != 0)
        return failure(WireError::BadPayload, "KEEPALIVE has an out-of-range field");
    m.pong = kind == 1;
    out = m;
    return {};
}

Bytes encodeBye(const Bye& m, const Envelope& e) {
    checkName(m.reason, "BYE reason");
    Bytes out = beginDatagram(MessageType::Bye, e);
    ByteWriter(out).name(m.reason);
    return finishDatagram(std::move(out));
}

WireStatus decodeBye(const Datagram& d, Bye& out) {
    if (WireStatus s = expectType(d, MessageType::Bye, "BYE"); !s) return s;
    ByteReader r(d.payload, d.payloadSize);
    Bye m;
    m.reason = r.name();
    if (WireStatus s = endOfPayload(r, "BYE"); !s) return s;
    out = m;
    return {};
}

Bytes encodeDescriptionsRequest(const DescriptionsRequest& m, const Envelope& e) {
    Bytes out = beginDatagram(MessageType::DescriptionsRequest, e);
    ByteWriter(out).u32(m.haveRevision);
    return finishDatagram(std::move(out));
}

WireStatus decodeDescriptionsRequest(const Datagram& d, DescriptionsRequest& out) {
    if (WireStatus s = expectType(d, MessageType::DescriptionsRequest, "DESCRIPTIONS_REQUEST"); !s) return s;
    ByteReader r(d.payload, d.payloadSize);
    DescriptionsRequest m;
    m.haveRevision = r.u32();
    if (WireStatus s = endOfPayload(r, "DESCRIPTIONS_REQUEST"); !s) return s;
    out = m;
    return {};
}

// ------------------------------------------------------------------------------------------- scene

Bytes encodeScene(const SceneDef& scene) {
    if (scene.subjects.size() > kMaxSubjects) throw WireEncodeError("more than 64 subjects");
    Bytes out;
    ByteWriter w(out);
    w.u16(static_cast<std::uint16_t>(scene.subjects.size()));
    for (const SubjectDef& s : scene.subjects) {
        checkName(s.name, "subject name");
        checkName(s.skeletonName, "skeleton name");
        if (s.markerNames.size() > kMaxMarkersPerSubject) throw WireEncodeError("too many markers in " + s.name);
        if (s.bones.size() > kMaxBonesPerSubject) throw WireEncodeError("too many bones in " + s.name);
        w.name(s.name);
        w.name(s.skeletonName);
        w.u16(static_cast<std::uint16_t>(s.markerNames.size()));
        for (const std::string& m : s.markerNames) {
            checkName(m, "marker name");
            w.name(m);
        }
        w.u16(static_cast<std::uint16_t>(s.bones.size()));
        for (std::size_t i = 0; i < s.bones.size(); ++i) {
            const BoneDef& b = s.bones[i];
            checkName(b.name, "bone name");
            if (b.parent < -1 || b.parent >= static_cast<int>(i))
                throw WireEncodeError("bone " + b.name + " has a parent that does not come before it");
            w.name(b.name);
            w.i16(static_cast<std::int16_t>(b.parent));
            writeDouble(w, b.offset.x);
            writeDouble(w, b.offset.y);
            writeDouble(w, b.offset.z);
        }
    }
    if (out.size() > kMaxSceneBytes) throw WireEncodeError("scene descriptions exceed 4 MiB");
    return out;
}

WireStatus decodeScene(const std::uint8_t* data, std::size_t size, SceneDef& out) {
    ByteReader r(data, size);
    SceneDef scene;
    const std::size_t subjects = r.u16();
    if (subjects > kMaxSubjects) return failure(WireError::TooLarge, "more than 64 subjects");
    for (std::size_t s = 0; s < subjects && r.ok(); ++s) {
        SubjectDef subject;
        subject.name = r.name();
        subject.skeletonName = r.name();
        const std::size_t markers = r.u16();
        if (markers > kMaxMarkersPerSubject) return failure(WireError::TooLarge, "too many markers in a subject");
        for (std::size_t m = 0; m < markers && r.ok(); ++m) subject.markerNames.push_back(r.name());
        const std::size_t bones = r.u16();
        if (bones > kMaxBonesPerSubject) return failure(WireError::TooLarge, "too many bones in a subject");
        for (std::size_t b = 0; b < bones && r.ok(); ++b) {
            BoneDef bone;
            bone.name = r.name();
            bone.parent = r.i16();
            bone.offset = {r.f64(), r.f64(), r.f64()};
            if (!r.ok()) break;
            if (bone.parent < -1 || bone.parent >= static_cast<int>(b))
                return failure(WireError::BadPayload, "bone parent does not come before the bone");
            if (!finite(bone.offset.x) || !finite(bone.offset.y) || !finite(bone.offset.z))
                return failure(WireError::BadPayload, "bone offset is not a finite number");
            subject.bones.push_back(std::move(bone));
        }
        scene.subjects.push_back(std::move(subject));
    }
    if (WireStatus s = endOfPayload(r, "scene"); !s) return s;
    out = std::move(scene);
    return {};
}

std::vector<Bytes> encodeDescriptions(const SceneDef& scene, std::uint32_t sceneRevision, const Envelope& first,
                                      std::size_t chunkBytes) {
    if (chunkBytes == 0 || chunkBytes > kMaxChunkBytes) throw WireEncodeError("chunk size out of range");
    const Bytes blob = encodeScene(scene);
    const std::size_t count = blob.empty() ? 1 : (blob.size() + chunkBytes - 1) / chunkBytes;
    if (count > 0xffff) throw WireEncodeError("scene needs more than 65535 chunks");
    std::vector<Bytes> chunks;
    for (std::size_t i = 0; i < count; ++i) {
        Envelope e = first;
        e.sequence = first.sequence + static_cast<std::uint32_t>(i);
        Bytes out = beginDatagram(MessageType::Descriptions, e);
        ByteWriter w(out);
        w.u32(sceneRevision);
        w.u32(static_cast<std::uint32_t>(blob.size()));
        w.u32(static_cast<std::uint32_t>(chunkBytes));
        w.u16(static_cast<std::uint16_t>(i));
        w.u16(static_cast<std::uint16_t>(count));
        const std::size_t begin = i * chunkBytes;
        const std::size_t end = std::min(blob.size(), begin + chunkBytes);
        w.bytes(blob.data() + begin, end - begin);
        chunks.push_back(finishDatagram(std::move(out)));
    }
    return chunks;
}

// ------------------------------------------------------------------------------------------- frame

Bytes encodeFrame(const FrameSample& frame, const SceneDef& scene, int version, std::uint32_t sceneRevision) {
    checkSdkVersion(version);
    if (frame.subjects.size() != scene.subjects.size())
        throw WireEncodeError("frame has " + std::to_string(frame.subjects.size()) + " subjects, scene " +
                              std::to_string(scene.subjects.size()));
    if (scene.subjects.size() > kMaxSubjects) throw WireEncodeError("more than 64 subjects");
    Envelope e;
    e.sequence = static_cast<std::uint32_t>(frame.frameNumber);
    e.sendTimeUs = frame.serverSendTimeUs;
    Bytes out = beginDatagram(MessageType::Frame, e);
    ByteWriter w(out);
    w.u8(static_cast<std::uint8_t>(version));
    w.u8(0);
    w.u16(static_cast<std::uint16_t>(frame.subjects.size()));
    w.u32(sceneRevision);
    w.i64(frame.frameNumber);
    writeDouble(w, frame.timeSeconds);
    for (std::size_t s = 0; s < frame.subjects.size(); ++s) {
        const SubjectSample& sample = frame.subjects[s];
        const SubjectDef& def = scene.subjects[s];
        const std::size_t markers = def.markerNames.size(), bones = def.bones.size();
        if (sample.markers.size() != markers || sample.markerSeen.size() != markers || sample.bones.size() != bones)
            throw WireEncodeError("subject " + def.name + ": sample counts differ from its description");
        if (markers > kMaxMarkersPerSubject || bones > kMaxBonesPerSubject)
            throw WireEncodeError("subject " + def.name + " is over the caps");
        w.u16(static_cast<std::uint16_t>(markers));
        w.u16(static_cast<std::uint16_t>(bones));
        writeBits(w, sample.markerSeen, markers);
        std::vector<bool> tracked(bones);
        for (std::size_t b = 0; b < bones; ++b) tracked[b] = sample.bones[b].tracked;
        writeBits(w, tracked, bones);
        for (std::size_t m = 0; m < markers; ++m) {
            const Vec3 p = sample.markerSeen[m] ? sample.markers[m] : Vec3();
            writeFloat(w, p.x);
            writeFloat(w, p.y);
            writeFloat(w, p.z);
        }
        for (std::size_t b = 0; b < bones; ++b) {
            const BonePose& pose = sample.bones[b];
            if (version == 1) {
                const BonePose p = pose.tracked ? pose : BonePose{{}, {}, {}, {}, false};
                for (double v : {p.localTranslation.x, p.localTranslation.y, p.localTranslation.z, p.localEulerXYZ.x,
                                 p.localEulerXYZ.y, p.localEulerXYZ.z})
                    writeDouble(w, v);
            } else if (pose.tracked) {
                for (double v :
                     {pose.worldPosition.x, pose.worldPosition.y, pose.worldPosition.z, pose.worldOrientation.x,
                      pose.worldOrientation.y, pose.worldOrientation.z, pose.worldOrientation.w})
                    writeFloat(w, v);
            } else {
                for (int k = 0; k < 7; ++k) w.f32(0.0f);
            }
        }
        if (out.size() > kMaxDatagramBytes) break;  // reported by finishDatagram
    }
    return finishDatagram(std::move(out));
}

WireStatus decodeFrame(const Datagram& d, const SceneDef& scene, std::uint32_t sceneRevision, FrameMessage& out) {
    if (WireStatus s = expectType(d, MessageType::Frame, "FRAME"); !s) return s;
    ByteReader r(d.payload, d.payloadSize);
    FrameMessage m;
    m.version = r.u8();
    const std::uint8_t reserved = r.u8();
    const std::size_t subjects = r.u16();
    m.sceneRevision = r.u32();
    m.frame.frameNumber = r.i64();
    m.frame.timeSeconds = r.f64();
    m.frame.serverSendTimeUs = d.sendTimeUs;
    if (!r.ok()) return failure(WireError::BadPayload, "FRAME payload truncated");
    if ((m.version != 1 && m.version != 2) || reserved != 0)
        return failure(WireError::BadPayload, "FRAME has version " + std::to_string(m.version));
    if (!finite(m.frame.timeSeconds)) return failure(WireError::BadPayload, "FRAME time is not a finite number");
    if (m.sceneRevision != sceneRevision)
        return failure(WireError::SceneMismatch, "FRAME belongs to scene revision " + std::to_string(m.sceneRevision) +
                                                     ", descriptions are revision " + std::to_string(sceneRevision));
    if (subjects != scene.subjects.size())
        return failure(WireError::SceneMismatch, "FRAME has " + std::to_string(subjects) + " subjects, descriptions " +
                                                     std::to_string(scene.subjects.size()));
    m.frame.subjects.resize(subjects);
    for (std::size_t s = 0; s < subjects; ++s) {
        const SubjectDef& def = scene.subjects[s];
        SubjectSample& sample = m.frame.subjects[s];
        const std::size_t markers = r.u16(), bones = r.u16();
        if (!r.ok()) return failure(WireError::BadPayload, "FRAME payload truncated");
        if (markers != def.markerNames.size() || bones != def.bones.size())
            return failure(WireError::SceneMismatch,
                           "FRAME subject " + std::to_string(s) + " has " + std::to_string(markers) + " markers and " +
                               std::to_string(bones) + " bones; its description has " +
                               std::to_string(def.markerNames.size()) + " and " + std::to_string(def.bones.size()));
        std::vector<bool> tracked;
        if (!readBits(r, markers, sample.markerSeen) || !readBits(r, bones, tracked))
            return failure(WireError::BadPayload, "FRAME flag bits truncated or spare bits set");
        sample.markers.resize(markers);
        for (std::size_t k = 0; k < markers; ++k) {
            Vec3& p = sample.markers[k];
            p = {r.f32(), r.f32(), r.f32()};
            if (!finite(p.x) || !finite(p.y) || !finite(p.z))
                return failure(WireError::BadPayload, "FRAME marker is not a finite number");
            if (!sample.markerSeen[k] && (p.x != 0 || p.y != 0 || p.z != 0))
                return failure(WireError::BadPayload, "FRAME unseen marker is not at (0, 0, 0)");
        }
        sample.bones.resize(bones);
        for (std::size_t b = 0; b < bones; ++b) {
            BonePose& pose = sample.bones[b];
            pose.tracked = tracked[b];
            double v[7] = {0, 0, 0, 0, 0, 0, 0};
            const int n = m.version == 1 ? 6 : 7;
            for (int k = 0; k < n; ++k) v[k] = m.version == 1 ? r.f64() : r.f32();
            bool zero = true;
            for (int k = 0; k < n; ++k) {
                if (!finite(v[k])) return failure(WireError::BadPayload, "FRAME bone pose is not a finite number");
                zero = zero && v[k] == 0;
            }
            if (!pose.tracked && !zero) return failure(WireError::BadPayload, "FRAME untracked bone is not all zero");
            if (m.version == 1) {
                pose.localTranslation = {v[0], v[1], v[2]};
                pose.localEulerXYZ = {v[3], v[4], v[5]};
            } else {
                pose.worldPosition = {v[0], v[1], v[2]};
                pose.worldOrientation = pose.tracked ? Quat{v[3], v[4], v[5], v[6]} : Quat{0, 0, 0, 0};
            }
        }
        if (!r.ok()) return failure(WireError::BadPayload, "FRAME payload truncated");
    }
    if (WireStatus s = endOfPayload(r, "FRAME"); !s) return s;
    out = std::move(m);
    return {};
}

}  // namespace net
}  // namespace tracker
}  // namespace orvane
