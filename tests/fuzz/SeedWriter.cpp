// Writes the seed inputs of the datagram and scene-binding fuzzers into <corpus>/wire_decoder and
// <corpus>/scene_binding: datagrams as the encoder makes them, and description and frame records in the scene
// fuzzer's input format (see SceneBindingFuzzer.cpp: one byte per choice, names as length and bytes).

#include <orvane/tracker/net/WireCodec.h>

#include <cstdio>
#include <string>
#include <vector>

#include "WireScenes.h"

using namespace orvane::tracker;
using namespace orvane::tracker::net;

namespace {

void write(const std::string& path, const Bytes& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size()) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        std::exit(1);
    }
    std::fclose(f);
}

// A wire seed: the flags byte (1 = reseal), then the datagrams back to back.
Bytes wireSeed(std::uint8_t flags, const std::vector<Bytes>& datagrams) {
    Bytes out{flags};
    for (const Bytes& d : datagrams) out.insert(out.end(), d.begin(), d.end());
    return out;
}

void wireSeeds(const std::string& dir) {
    const SceneDef fallback = fuzz::builtInWireScene();
    const Envelope e{41, 1700000000000000LL};
    write(dir + "/hello", wireSeed(0, {encodeHello(Hello{1, ConnectionType::Multicast, 40001}, e)}));
    write(dir + "/welcome",
          wireSeed(
              0, {encodeWelcome(Welcome{true, 2, ConnectionType::Multicast, {{239, 255, 42, 99}}, 41523, 7, ""}, e)}));
    write(dir + "/welcome_refused",
          wireSeed(1, {encodeWelcome(Welcome{false, 1, ConnectionType::Unicast, {{0, 0, 0, 0}}, 0, 0, "full"}, e)}));
    write(dir + "/keepalives", wireSeed(0, {encodeKeepalive(Keepalive{false, 99, 0}, e),
                                            encodeKeepalive(Keepalive{true, 99, 1700000000000001LL}, e)}));
    write(dir + "/bye_and_request",
          wireSeed(0, {encodeBye(Bye{"server shutting down"}, e), encodeDescriptionsRequest({7}, e)}));
    write(dir + "/frames_v1", wireSeed(0, {encodeFrame(fuzz::wireSeedFrame(fallback, 1), fallback, 1, 1),
                                           encodeFrame(fuzz::wireSeedFrame(fallback, 2), fallback, 1, 1)}));
    write(dir + "/frames_v2", wireSeed(0, {encodeFrame(fuzz::wireSeedFrame(fallback, 3), fallback, 2, 1)}));
    // A session: the scene in small chunks (one out of order, one twice), then frames of both versions.
    SceneDef scene = fallback;
    scene.subjects[0].bones.push_back(BoneDef{"Head", 1, {0, 150.5, -2}});
    scene.subjects[1].markerNames.push_back("caf\xc3\xa9");
    std::vector<Bytes> session = encodeDescriptions(scene, 7, e, 96);
    std::swap(session[0], session[1]);
    session.push_back(session[2]);
    for (int version = 1; version <= 2; ++version)
        session.push_back(encodeFrame(fuzz::wireSeedFrame(scene, 10 + version), scene, version, 7));
    write(dir + "/session", wireSeed(0, session));
}

// ---- scene binding: the fuzzer's input format
class Record {
public:
    Record& u8(int v) {
        bytes.push_back(static_cast<std::uint8_t>(v));
        return *this;
    }
    Record& count(int n) { return u8(n); }  // 0..11 are one byte
    // An inline name (selector, then length and bytes).
    Record& inlineName(const std::string& s) { return u8(0).u8(0xC0).u8(static_cast<int>(s.size())).text(s); }
    Record& pointerName(const std::string& s) { return inlineName(s); }
    // A frame's name copied from the n-th described group.
    Record& describedName(int n) { return u8(0).u8(0x80 + n); }
    Record& array() { return u8(0); }
    Record& parent(int p) { return u8(p + 1); }           // -1 .. 11
    Record& value(int steps) { return u8(120 + steps); }  // 12.5 (floats) or 7.5 (doubles) per step
    Record& text(const std::string& s) {
        bytes.insert(bytes.end(), s.begin(), s.end());
        return *this;
    }
    Bytes bytes;
};

struct Skeleton {
    std::vector<std::string> bones;
    std::vector<int> parents;
};

void descriptionsV2(Record& r, const std::string& set, const std::vector<std::string>& markers, const Skeleton& s) {
    r.count(2).u8(2);
    r.u8(0).u8(0).inlineName(set).count(static_cast<int>(markers.size())).array();
    for (const std::string& m : markers) r.pointerName(m);
    r.u8(1).u8(0).inlineName(set + "_Skeleton").count(static_cast<int>(s.bones.size()));
    r.u8(static_cast<int>(s.bones.size()));
    for (std::size_t k = 0; k < s.bones.size(); ++k) r.inlineName(s.bones[k]).parent(s.parents[k]);
}

void frameV2(Record& r, int markers, int bones, int step) {
    r.count(1).u8(1).describedName(0).u8(1).array();
    for (int j = 0; j < markers; ++j) r.value(step + j).value(-step).value(8);
    r.count(1).u8(1).u8(1).array();
    for (int l = 0; l < bones; ++l) {
        r.u8(l == 1 && step > 1 ? 1 : 0);  // bone 1 untracked in later frames
        if (l == 1 && step > 1) continue;
        r.value(l).value(step).value(0).value(0).value(0).value(0).value(1);
    }
}

void descriptionsV1(Record& r, const std::string& body, const std::vector<std::string>& markers, const Skeleton& s) {
    r.count(1).u8(1).pointerName(body).count(static_cast<int>(markers.size())).array();
    for (const std::string& m : markers) r.pointerName(m);
    r.count(static_cast<int>(s.bones.size())).array();
    for (const std::string& b : s.bones) r.pointerName(b);
    r.array();
    for (int p : s.parents) r.parent(p);
}

void frameV1(Record& r, int markers, int segments, int step) {
    r.count(1).u8(1).describedName(0).u8(1).array();
    for (int j = 0; j < markers; ++j) r.value(step + j).value(-step).value(8);
    r.u8(1).array();
    for (int k = 0; k < segments; ++k) r.value(0).value(k == 0 ? 100 : 13).value(0).value(12).value(step).value(-6);
}

void sceneSeeds(const std::string& dir) {
    const std::vector<std::string> markers = {"Performer1_LFHD", "Performer1_RFHD", "Performer1_C7"};
    const Skeleton chain{{"Hips", "Spine", "Head"}, {-1, 0, 1}};
    const Skeleton inverted{{"Spine", "Hips", "Head"}, {-1, 0, 0}};
    {
        Record r;
        r.u8(0x03);  // version 2, table refreshing
        descriptionsV2(r, "Performer1", markers, chain);
        r.u8(2);
        frameV2(r, 3, 3, 1);
        frameV2(r, 3, 3, 2);
        write(dir + "/v2_one_performer", r.bytes);
    }
    {
        Record r;
        r.u8(0x02);  // version 1, table refreshing
        descriptionsV1(r, "Performer1", markers, chain);
        r.u8(2);
        frameV1(r, 3, 3, 1);
        frameV1(r, 3, 3, 2);
        write(dir + "/v1_one_performer", r.bytes);
    }
    {
        // Reconnecting to changed descriptions: the joints exist, and their parents turn around.
        Record r;
        r.u8(0x01);
        descriptionsV2(r, "Performer1", markers, chain);
        r.u8(1);
        frameV2(r, 3, 3, 1);
        r.u8(0x01);
        descriptionsV2(r, "Performer1", markers, inverted);
        r.u8(1);
        frameV2(r, 3, 3, 2);
        write(dir + "/v2_reconnect_changed", r.bytes);
    }
    {
        // Version 1 first, then version 2 over the same names.
        Record r;
        r.u8(0x00);
        descriptionsV1(r, "Performer1", markers, chain);
        r.u8(1);
        frameV1(r, 3, 3, 3);
        r.u8(0x03);
        descriptionsV2(r, "Performer1", markers, chain);
        r.u8(1);
        frameV2(r, 3, 3, 3);
        write(dir + "/v1_then_v2", r.bytes);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_seed_writer <corpus folder>\n");
        return 2;
    }
    const std::string corpus = argv[1];
    wireSeeds(corpus + "/wire_decoder");
    sceneSeeds(corpus + "/scene_binding");
    return 0;
}
