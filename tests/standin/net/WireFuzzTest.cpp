// Damaged and random datagrams: every one is rejected or decodes to a result consistent with its descriptions; no
// decoder reads out of bounds (run under -DORVANE_SANITIZER=address,undefined to check that). Fixed seeds.

#include "WireTestSupport.h"

#include <gtest/gtest.h>

using namespace orvane::tracker;
using namespace orvane::tracker::net;

namespace {

// Decodes with every decoder; a success must be consistent with the scene.
void decodeAll(const Bytes& bytes, const SceneDef& scene) {
    Datagram d;
    if (!parseDatagram(bytes.data(), bytes.size(), d).ok()) return;
    Hello hello;
    Welcome welcome;
    Keepalive keepalive;
    Bye bye;
    DescriptionsRequest request;
    decodeHello(d, hello);
    decodeWelcome(d, welcome);
    decodeKeepalive(d, keepalive);
    decodeBye(d, bye);
    decodeDescriptionsRequest(d, request);
    FrameMessage frame;
    if (decodeFrame(d, scene, 1, frame).ok()) {
        ASSERT_EQ(frame.frame.subjects.size(), scene.subjects.size());
        for (std::size_t s = 0; s < scene.subjects.size(); ++s) {
            EXPECT_EQ(frame.frame.subjects[s].markers.size(), scene.subjects[s].markerNames.size());
            EXPECT_EQ(frame.frame.subjects[s].markerSeen.size(), scene.subjects[s].markerNames.size());
            EXPECT_EQ(frame.frame.subjects[s].bones.size(), scene.subjects[s].bones.size());
        }
    }
    DescriptionAssembler assembler;
    assembler.add(d);
    if (assembler.complete()) {
        EXPECT_LE(assembler.scene().subjects.size(), kMaxSubjects);
    }
}

// Flips bits, then reseals the checksum so the damage reaches the payload decoders.
Bytes flipAndReseal(Bytes b, std::mt19937& random, bool reseal) {
    const int flips = 1 + static_cast<int>(random() % 4);
    for (int i = 0; i < flips; ++i) b[random() % b.size()] ^= static_cast<std::uint8_t>(1u << (random() % 8));
    if (reseal && b.size() >= kHeaderBytes) {
        std::uint32_t crc = crc32(b.data(), 24);
        crc = crc32(b.data() + kHeaderBytes, b.size() - kHeaderBytes, crc);
        for (int i = 0; i < 4; ++i) b[24 + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(crc >> (8 * i));
    }
    return b;
}

}  // namespace

TEST(WireFuzz, TruncationsOfEveryMessageAreRejected) {
    const SceneDef scene = wire_test::makeScene(2, 6, 4);
    const std::vector<Bytes> messages = {
        encodeHello(Hello{}, Envelope{}),
        encodeWelcome(Welcome{true, 2, ConnectionType::Multicast, {{239, 1, 2, 3}}, 7, 1, "ok"}, Envelope{}),
        encodeKeepalive(Keepalive{}, Envelope{}),
        encodeBye(Bye{"bye"}, Envelope{}),
        encodeDescriptionsRequest(DescriptionsRequest{}, Envelope{}),
        encodeFrame(wire_test::makeFrame(scene, 1), scene, 1, 1),
        encodeFrame(wire_test::makeFrame(scene, 1), scene, 2, 1),
        encodeDescriptions(scene, 1, Envelope{})[0]};
    for (const Bytes& m : messages)
        for (std::size_t n = 0; n < m.size(); ++n) {
            Datagram d;
            EXPECT_FALSE(parseDatagram(m.data(), n, d).ok()) << "cut at " << n;
            Bytes cut(m.begin(), m.begin() + static_cast<std::ptrdiff_t>(n));
            decodeAll(cut, scene);
        }
}

TEST(WireFuzz, BitFlipsAreCaughtByTheChecksumOrTheDecoders) {
    const SceneDef scene = wire_test::makeScene(3, 10, 6);
    const std::vector<Bytes> messages = {encodeFrame(wire_test::makeFrame(scene, 2), scene, 1, 1),
                                         encodeFrame(wire_test::makeFrame(scene, 2), scene, 2, 1),
                                         encodeWelcome(Welcome{}, Envelope{}),
                                         encodeDescriptions(scene, 1, Envelope{})[0]};
    std::mt19937 random(20240607);
    int rejectedByChecksum = 0, total = 0;
    for (const Bytes& m : messages)
        for (int i = 0; i < 2000; ++i) {
            const Bytes damaged = flipAndReseal(m, random, false);
            if (damaged == m) continue;  // two flips of one bit cancel
            Datagram d;
            const WireStatus s = parseDatagram(damaged.data(), damaged.size(), d);
            ++total;
            rejectedByChecksum += s.ok() ? 0 : 1;
            decodeAll(flipAndReseal(m, random, true), scene);
        }
    EXPECT_EQ(rejectedByChecksum, total);  // CRC-32 detects every burst of up to 4 single-bit flips here
}

TEST(WireFuzz, RandomBytesAndRandomPayloadsBehindValidHeaders) {
    const SceneDef scene = wire_test::makeScene(2, 6, 4);
    std::mt19937 random(5);
    for (int i = 0; i < 5000; ++i) {
        Bytes b(random() % 200);
        for (auto& x : b) x = static_cast<std::uint8_t>(random());
        decodeAll(b, scene);
        // Same random bytes as the payload of a well-formed header of each type.
        Bytes framed = encodeBye(Bye{}, Envelope{});
        framed.resize(kHeaderBytes);
        framed[5] = static_cast<std::uint8_t>(1 + i % 7);
        framed.insert(framed.end(), b.begin(), b.end());
        const std::uint32_t n = static_cast<std::uint32_t>(b.size());
        for (int k = 0; k < 4; ++k) framed[8 + static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(n >> (8 * k));
        std::uint32_t crc = crc32(framed.data(), 24);
        crc = crc32(framed.data() + kHeaderBytes, b.size(), crc);
        for (int k = 0; k < 4; ++k)
            framed[24 + static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(crc >> (8 * k));
        Datagram d;
        ASSERT_TRUE(parseDatagram(framed.data(), framed.size(), d).ok());
        decodeAll(framed, scene);
    }
}
