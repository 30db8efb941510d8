// Damaged files: every truncation and byte flip must either load or throw CaptureError, never crash or read out of
// bounds (run this executable under -DORVANE_SANITIZER=address,undefined to check the latter). Fixed seeds.

#include "CaptureTestSupport.h"

#include <random>

using namespace orvane::tracker;
using capture_test::sample;

namespace {

template <typename Load>
void expectLoadsOrThrows(Load load, const std::string& what) {
    try {
        load();
    } catch (const CaptureError&) {
    } catch (const std::exception& e) {
        ADD_FAILURE() << what << ": unexpected exception " << e.what();
    }
}

// Cut points spread over the whole file plus every length of the first 'dense' bytes.
std::vector<std::size_t> cutPoints(std::size_t size, std::size_t dense, std::size_t spread) {
    std::vector<std::size_t> cuts;
    for (std::size_t n = 0; n < std::min(dense, size); ++n) cuts.push_back(n);
    for (std::size_t i = 0; i < spread; ++i) cuts.push_back(size * i / spread);
    cuts.push_back(size - 1);
    return cuts;
}

void fuzzC3d(const std::string& name) {
    const std::string path = sample(name);
    const std::vector<unsigned char> bytes = capture_test::readBytes(path);
    ASSERT_FALSE(bytes.empty());
    for (std::size_t n : cutPoints(bytes.size(), 0, 150)) {
        std::vector<unsigned char> cut(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(n));
        if (n + 512 <= bytes.size())  // the last block may be padding
            EXPECT_THROW(readC3d(cut, name), CaptureError) << "cut at " << n;
        else
            expectLoadsOrThrows([&] { readC3d(cut, name); }, "cut at " + std::to_string(n));
    }
    // Flip bytes in the header and parameter section, where a flip changes the structure.
    std::mt19937 random(1234);
    const std::size_t structure = std::min<std::size_t>(bytes.size(), 512 * 12);
    for (int i = 0; i < 400; ++i) {
        std::vector<unsigned char> damaged = bytes;
        for (int k = 0; k < 1 + i % 3; ++k)
            damaged[random() % structure] ^= static_cast<unsigned char>(1u << (random() % 8));
        expectLoadsOrThrows([&] { readC3d(damaged, name); }, name + " flip round " + std::to_string(i));
    }
}

}  // namespace

TEST(CaptureFuzz, C3dTruncationsAndFlips) {
    for (const char* name : {"fullbody36_mocap.c3d", "c3dorg_sample01_Eb015pr.c3d"}) {
        SCOPED_TRACE(name);
        REQUIRE_FILE(sample(name));
        fuzzC3d(name);
    }
}

TEST(CaptureFuzz, TrcTruncationsAndFlips) {
    const std::string path = sample("motek_ballet_reduced.trc");
    REQUIRE_FILE(path);
    const std::vector<unsigned char> bytes = capture_test::readBytes(path);
    const std::string text(bytes.begin(), bytes.end());
    for (std::size_t n : cutPoints(text.size(), 2500, 100))
        expectLoadsOrThrows([&] { readTrc(text.substr(0, n), "motek.trc"); }, "cut at " + std::to_string(n));
    std::mt19937 random(99);
    for (int i = 0; i < 300; ++i) {
        std::string damaged = text;
        damaged[random() % std::min<std::size_t>(damaged.size(), 4000)] = "\t\r\n0-.eAx "[random() % 10];
        expectLoadsOrThrows([&] { readTrc(damaged, "motek.trc"); }, "flip round " + std::to_string(i));
    }
}

TEST(CaptureFuzz, BvhTruncationsAndFlips) {
    const std::string path = sample("cmu_01_01_reduced.bvh");
    REQUIRE_FILE(path);
    const std::vector<unsigned char> bytes = capture_test::readBytes(path);
    // The hierarchy and the first motion rows: every cut inside them.
    const std::string head(bytes.begin(), bytes.begin() + std::min<std::ptrdiff_t>(6000, bytes.size()));
    const std::string withOneFrame = [&] {
        std::string s = head.substr(0, head.find("Frames:")) + "Frames: 1\nFrame Time: .0083333\n";
        const std::size_t row = head.find("Frame Time:");
        const std::size_t start = head.find('\n', row) + 1;
        return s + head.substr(start, head.find('\n', start) - start) + "\n";
    }();
    ASSERT_NO_THROW(readBvh(withOneFrame, "01_01.bvh"));
    for (std::size_t n = 0; n < withOneFrame.size(); ++n)
        expectLoadsOrThrows([&] { readBvh(withOneFrame.substr(0, n), "01_01.bvh"); }, "cut at " + std::to_string(n));
    std::mt19937 random(7);
    for (int i = 0; i < 1000; ++i) {
        std::string damaged = withOneFrame;
        damaged[random() % damaged.size()] = "{} \n0-.eJx"[random() % 10];
        expectLoadsOrThrows([&] { readBvh(damaged, "01_01.bvh"); }, "flip round " + std::to_string(i));
    }
}
