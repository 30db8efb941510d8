// Round trips of every message, the byte layout against hand-written datagrams, and the rejection paths.

#include "WireTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>

using namespace orvane::tracker;
using namespace orvane::tracker::net;
using wire_test::makeFrame;
using wire_test::makeScene;

namespace {

Datagram parsed(const Bytes& bytes) {
    Datagram d;
    const WireStatus s = parseDatagram(bytes.data(), bytes.size(), d);
    EXPECT_TRUE(s.ok()) << s.message;
    return d;
}

// Recomputes the checksum after a test edits a datagram on purpose.
void reseal(Bytes& b) {
    std::uint32_t crc = crc32(b.data(), 24);
    crc = crc32(b.data() + kHeaderBytes, b.size() - kHeaderBytes, crc);
    for (int i = 0; i < 4; ++i) b[24 + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(crc >> (8 * i));
}

void expectSceneEq(const SceneDef& a, const SceneDef& b) {
    ASSERT_EQ(a.subjects.size(), b.subjects.size());
    for (std::size_t s = 0; s < a.subjects.size(); ++s) {
        EXPECT_EQ(a.subjects[s].name, b.subjects[s].name);
        EXPECT_EQ(a.subjects[s].skeletonName, b.subjects[s].skeletonName);
        EXPECT_EQ(a.subjects[s].markerNames, b.subjects[s].markerNames);
        ASSERT_EQ(a.subjects[s].bones.size(), b.subjects[s].bones.size());
        for (std::size_t i = 0; i < a.subjects[s].bones.size(); ++i) {
            const BoneDef &x = a.subjects[s].bones[i], &y = b.subjects[s].bones[i];
            EXPECT_EQ(x.name, y.name);
            EXPECT_EQ(x.parent, y.parent);
            EXPECT_EQ(x.offset.x, y.offset.x);
            EXPECT_EQ(x.offset.y, y.offset.y);
            EXPECT_EQ(x.offset.z, y.offset.z);
        }
    }
}

}  // namespace

TEST(Crc32, MatchesTheStandardCheckValues) {
    const std::uint8_t check[] = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
    EXPECT_EQ(crc32(check, 9), 0xCBF43926u);
    EXPECT_EQ(crc32(check + 4, 5, crc32(check, 4)), 0xCBF43926u);  // fed in pieces
    EXPECT_EQ(crc32(nullptr, 0), 0u);
}

TEST(WireLayout, HelloBytesAreAsDocumented) {
    Hello hello;
    hello.sdkVersion = 1;
    hello.connection = ConnectionType::Multicast;
    hello.receivePort = 0x1234;
    Envelope e;
    e.sequence = 0x0A0B0C0D;
    e.sendTimeUs = 0x0102030405060708LL;
    const Bytes b = encodeHello(hello, e);
    // Written out by hand from the header table.
    const Bytes expected = {'O',  'V',  'T',  'K',  1,    1,    0,    0,    4, 0, 0, 0, 0x0D, 0x0C, 0x0B, 0x0A,
                            0x08, 0x07, 0x06, 0x05, 0x04, 0x03, 0x02, 0x01, 0, 0, 0, 0, 1,    1,    0x34, 0x12};
    ASSERT_EQ(b.size(), expected.size());
    EXPECT_TRUE(std::equal(b.begin(), b.begin() + 24, expected.begin()));
    EXPECT_TRUE(std::equal(b.begin() + 28, b.end(), expected.begin() + 28));
    Bytes forCrc(expected.begin(), expected.begin() + 24);
    forCrc.insert(forCrc.end(), expected.begin() + 28, expected.end());
    const std::uint32_t crc = crc32(forCrc.data(), forCrc.size());
    EXPECT_EQ(b[24] | b[25] << 8 | b[26] << 16 | static_cast<std::uint32_t>(b[27]) << 24, crc);
}

TEST(WireRoundTrip, SmallMessages) {
    Envelope e{77, -5};
    {
        Hello in{2, ConnectionType::Unicast, 50001}, out;
        const Bytes bytes = encodeHello(in, e);  // the datagram views these bytes
        const Datagram d = parsed(bytes);
        ASSERT_TRUE(decodeHello(d, out).ok());
        EXPECT_EQ(out.sdkVersion, 2);
        EXPECT_EQ(out.connection, ConnectionType::Unicast);
        EXPECT_EQ(out.receivePort, 50001);
        EXPECT_EQ(d.sequence, 77u);
        EXPECT_EQ(d.sendTimeUs, -5);
    }
    {
        Welcome in, out;
        in.accepted = true;
        in.sdkVersion = 1;
        in.connection = ConnectionType::Multicast;
        in.multicastGroup = {{239, 255, 42, 99}};
        in.multicastPort = 1511;
        in.sceneRevision = 9;
        ASSERT_TRUE(decodeWelcome(parsed(encodeWelcome(in, e)), out).ok());
        EXPECT_TRUE(out.accepted);
        EXPECT_EQ(out.sdkVersion, 1);
        EXPECT_EQ(out.connection, ConnectionType::Multicast);
        EXPECT_EQ(out.multicastGroup, in.multicastGroup);
        EXPECT_EQ(out.multicastPort, 1511);
        EXPECT_EQ(out.sceneRevision, 9u);
        Welcome refused;
        refused.reason = "server full: 8 clients";
        ASSERT_TRUE(decodeWelcome(parsed(encodeWelcome(refused, e)), out).ok());
        EXPECT_FALSE(out.accepted);
        EXPECT_EQ(out.reason, "server full: 8 clients");
    }
    {
        Keepalive in{true, 0xDEADBEEF, 1700000000000001LL}, out;
        ASSERT_TRUE(decodeKeepalive(parsed(encodeKeepalive(in, e)), out).ok());
        EXPECT_TRUE(out.pong);
        EXPECT_EQ(out.token, 0xDEADBEEFu);
        EXPECT_EQ(out.echoedSendTimeUs, 1700000000000001LL);
    }
    {
        Bye in{std::string(255, 'x')}, out;
        ASSERT_TRUE(decodeBye(parsed(encodeBye(in, e)), out).ok());
        EXPECT_EQ(out.reason, in.reason);
        EXPECT_THROW(encodeBye(Bye{std::string(256, 'x')}, e), WireEncodeError);
    }
    {
        DescriptionsRequest in{42}, out;
        ASSERT_TRUE(decodeDescriptionsRequest(parsed(encodeDescriptionsRequest(in, e)), out).ok());
        EXPECT_EQ(out.haveRevision, 42u);
    }
}

TEST(WireRoundTrip, FrameVersionOneKeepsLocalPosesExactly) {
    const SceneDef scene = makeScene(3, 20, 12);
    const FrameSample in = makeFrame(scene, 1);
    FrameMessage out;
    const WireStatus s = decodeFrame(parsed(encodeFrame(in, scene, 1, 5)), scene, 5, out);
    ASSERT_TRUE(s.ok()) << s.message;
    EXPECT_EQ(out.version, 1);
    EXPECT_EQ(out.frame.frameNumber, in.frameNumber);
    EXPECT_EQ(out.frame.timeSeconds, in.timeSeconds);
    EXPECT_EQ(out.frame.serverSendTimeUs, in.serverSendTimeUs);
    ASSERT_EQ(out.frame.subjects.size(), 3u);
    for (std::size_t s = 0; s < 3; ++s) {
        const SubjectSample &a = in.subjects[s], &b = out.frame.subjects[s];
        EXPECT_EQ(a.markerSeen, b.markerSeen);
        for (std::size_t m = 0; m < a.markers.size(); ++m) {
            EXPECT_EQ(a.markers[m].x, b.markers[m].x);  // multiples of 1/64: exact in float
            EXPECT_EQ(a.markers[m].z, b.markers[m].z);
        }
        for (std::size_t i = 0; i < a.bones.size(); ++i) {
            EXPECT_EQ(a.bones[i].tracked, b.bones[i].tracked);
            EXPECT_EQ(a.bones[i].localTranslation.y, b.bones[i].localTranslation.y);  // doubles on the wire
            EXPECT_EQ(a.bones[i].localEulerXYZ.z, b.bones[i].localEulerXYZ.z);
            EXPECT_EQ(b.bones[i].worldPosition.x, 0.0);  // not carried by version 1
        }
    }
}

TEST(WireRoundTrip, FrameVersionTwoCarriesWorldPosesAndZeroesUntrackedBones) {
    const SceneDef scene = makeScene(2, 9, 11);
    FrameSample in = makeFrame(scene, 2);
    in.subjects[0].markers[3] = {1, 2, 3};  // unseen marker with stale coordinates: must go out as zeros
    FrameMessage out;
    ASSERT_TRUE(decodeFrame(parsed(encodeFrame(in, scene, 2, 0)), scene, 0, out).ok());
    const SubjectSample& b = out.frame.subjects[0];
    EXPECT_FALSE(b.markerSeen[3]);
    EXPECT_EQ(b.markers[3].x, 0.0);
    EXPECT_EQ(b.markers[3].y, 0.0);
    EXPECT_EQ(b.markers[3].z, 0.0);
    for (std::size_t i = 0; i < b.bones.size(); ++i) {
        const BonePose &x = in.subjects[0].bones[i], &y = b.bones[i];
        EXPECT_EQ(x.tracked, y.tracked);
        if (y.tracked) {
            EXPECT_EQ(x.worldPosition.x, y.worldPosition.x);
            EXPECT_EQ(x.worldOrientation.w, y.worldOrientation.w);
        } else {
            EXPECT_EQ(y.worldOrientation.w, 0.0) << "untracked bone has an all-zero pose";
        }
    }
}

// Every float the decoder accepts encodes again: the largest float itself once made the encoder throw, which a
// relaying server or a capture at the edge of float range turned into a crash on the sending thread.
TEST(WireRoundTrip, TheLargestFloatsEncodeAgainAndLargerValuesAreRefused) {
    const SceneDef scene = makeScene(1, 2, 2);
    const double largest = std::numeric_limits<float>::max();
    FrameSample in = makeFrame(scene, 5);
    in.subjects[0].markerSeen = {true, true};
    in.subjects[0].markers[0] = {largest, -largest, 0};
    in.subjects[0].bones[0].tracked = true;
    in.subjects[0].bones[0].worldPosition = {-largest, 1, largest};
    FrameMessage out;
    ASSERT_TRUE(decodeFrame(parsed(encodeFrame(in, scene, 2, 0)), scene, 0, out).ok());
    EXPECT_EQ(out.frame.subjects[0].markers[0].x, largest);
    EXPECT_EQ(out.frame.subjects[0].bones[0].worldPosition.x, -largest);
    EXPECT_NO_THROW(encodeFrame(out.frame, scene, 2, 0));

    in.subjects[0].markers[0].x = largest * 1.0000001;  // would become infinity as a float
    EXPECT_THROW(encodeFrame(in, scene, 2, 0), WireEncodeError);
}

TEST(WireFrameSize, TenPerformersFitOneDatagramAndOversizeIsRefused) {
    const SceneDef scene = makeScene(10, 40, 21);
    for (int version : {1, 2}) {
        const Bytes b = encodeFrame(makeFrame(scene, 3), scene, version, 1);
        EXPECT_LE(b.size(), kMaxDatagramBytes) << "version " << version;
    }
    const SceneDef huge = makeScene(64, 100, 128);  // version 1: 64 * (1200 + 6144) bytes
    EXPECT_THROW(encodeFrame(makeFrame(huge, 4), huge, 1, 1), WireEncodeError);
}

TEST(WireDescriptions, SplitIntoChunksAndReassembleInAnyOrder) {
    const SceneDef scene = makeScene(12, 60, 40);
    const std::vector<Bytes> chunks = encodeDescriptions(scene, 3, Envelope{100, 0}, 4000);
    ASSERT_GT(chunks.size(), 5u);
    DescriptionAssembler assembler;
    // Reverse order, one duplicate, and a stray chunk of an older revision first.
    const std::vector<Bytes> old = encodeDescriptions(makeScene(1, 1, 1), 2, Envelope{}, 4000);
    ASSERT_TRUE(assembler.add(parsed(old[0])).ok());
    EXPECT_TRUE(assembler.complete());
    EXPECT_EQ(assembler.revision(), 2u);
    for (std::size_t i = chunks.size(); i-- > 0;) {
        ASSERT_TRUE(assembler.add(parsed(chunks[i])).ok());
        if (i == chunks.size() / 2) {
            ASSERT_TRUE(assembler.add(parsed(chunks[i])).ok());
        }
        EXPECT_EQ(assembler.complete(), i == 0);
    }
    EXPECT_EQ(assembler.revision(), 3u);
    EXPECT_EQ(parsed(chunks[1]).sequence, 101u);
    expectSceneEq(assembler.scene(), scene);
}

TEST(WireDescriptions, InconsistentChunksAndScenesAreRefused) {
    const SceneDef scene = makeScene(2, 3, 4);
    Bytes chunk = encodeDescriptions(scene, 1, Envelope{})[0];
    Bytes badCount = chunk;
    badCount[kHeaderBytes + 14] = 2;  // chunk count 2 for a scene that fits one
    reseal(badCount);
    DescriptionAssembler assembler;
    EXPECT_EQ(assembler.add(parsed(badCount)).error, WireError::BadPayload);
    EXPECT_FALSE(assembler.complete());

    SceneDef cyclic = scene;
    cyclic.subjects[0].bones[1].parent = 1;  // its own parent
    EXPECT_THROW(encodeDescriptions(cyclic, 1, Envelope{}), WireEncodeError);
    Bytes blob = encodeScene(scene);
    SceneDef out;
    ASSERT_TRUE(decodeScene(blob.data(), blob.size(), out).ok());
    blob.push_back(0);
    EXPECT_EQ(decodeScene(blob.data(), blob.size(), out).error, WireError::BadPayload);
    EXPECT_THROW(encodeScene(makeScene(65, 0, 0)), WireEncodeError);
}

TEST(WireRejection, HeaderFaultsHaveTheirOwnCodes) {
    const Bytes good = encodeBye(Bye{"done"}, Envelope{1, 2});
    Datagram d;
    auto parse = [&](const Bytes& b) { return parseDatagram(b.data(), b.size(), d).error; };
    EXPECT_EQ(parse(good), WireError::None);
    Bytes b = good;
    b[0] = 'X';
    EXPECT_EQ(parse(b), WireError::BadMagic);
    b = good, b[4] = 2;
    EXPECT_EQ(parse(b), WireError::BadRevision);
    b = good, b[5] = 99;
    EXPECT_EQ(parse(b), WireError::BadType);
    b = good, b.pop_back();
    EXPECT_EQ(parse(b), WireError::Truncated);
    b = good, b.push_back(0);
    EXPECT_EQ(parse(b), WireError::BadLength);
    b = good, b.back() ^= 1;
    EXPECT_EQ(parse(b), WireError::BadChecksum);
    b = Bytes(kMaxDatagramBytes + 1, 0);
    EXPECT_EQ(parse(b), WireError::TooLarge);
    EXPECT_EQ(parse(Bytes(good.begin(), good.begin() + 10)), WireError::Truncated);
    Hello hello;
    EXPECT_EQ(decodeHello(parsed(good), hello).error, WireError::BadType);
}

TEST(WireRejection, FrameThatDoesNotMatchItsDescriptions) {
    const SceneDef scene = makeScene(2, 5, 3);
    const Bytes frame = encodeFrame(makeFrame(scene, 5), scene, 2, 7);
    FrameMessage out;
    out.version = 99;  // must stay untouched on failure
    EXPECT_EQ(decodeFrame(parsed(frame), scene, 8, out).error, WireError::SceneMismatch);
    EXPECT_EQ(decodeFrame(parsed(frame), makeScene(3, 5, 3), 7, out).error, WireError::SceneMismatch);
    EXPECT_EQ(decodeFrame(parsed(frame), makeScene(2, 6, 3), 7, out).error, WireError::SceneMismatch);
    EXPECT_EQ(decodeFrame(parsed(frame), makeScene(2, 5, 2), 7, out).error, WireError::SceneMismatch);
    EXPECT_EQ(out.version, 99);
    EXPECT_TRUE(decodeFrame(parsed(frame), scene, 7, out).ok());

    // An unseen marker with coordinates, hand-edited and resealed: seen bits at payload byte 24.
    Bytes edited = frame;
    edited[kHeaderBytes + 24 + 4] ^= 0x01;  // subject 0: counts (4 bytes), then seen bits; marker 0 -> unseen
    reseal(edited);
    EXPECT_EQ(decodeFrame(parsed(edited), scene, 7, out).error, WireError::BadPayload);

    FrameSample wrong = makeFrame(scene, 6);
    wrong.subjects[1].markers.pop_back();
    EXPECT_THROW(encodeFrame(wrong, scene, 2, 7), WireEncodeError);
    EXPECT_THROW(encodeFrame(makeFrame(scene, 6), scene, 3, 7), WireEncodeError);
    FrameSample notFinite = makeFrame(scene, 6);
    notFinite.subjects[0].markers[0].y = 1e39;  // beyond float range: the decoder would see infinity
    EXPECT_THROW(encodeFrame(notFinite, scene, 2, 7), WireEncodeError);
}
