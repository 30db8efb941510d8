#pragma once
// Shared by the capture tests: the project's recorded captures (data/captures) and scratch files.

#include <orvane/tracker/capture/Capture.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace capture_test {

inline std::string sample(const std::string& name) { return std::string(ORVANE_DATA_DIR) + "/captures/" + name; }

inline bool exists(const std::string& path) { return std::filesystem::exists(path); }

// The captures belong to the repository: a missing one is a broken checkout, not a reason to skip.
#define REQUIRE_FILE(path) ASSERT_TRUE(capture_test::exists(path)) << "project data missing: " << (path)

inline std::vector<unsigned char> readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<unsigned char>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

inline std::string writeScratch(const std::string& name, const std::string& content) {
    const auto dir = std::filesystem::temp_directory_path() / "orvane_capture_tests";
    std::filesystem::create_directories(dir);
    const auto path = dir / name;
    std::ofstream(path, std::ios::binary) << content;
    return path.string();
}

inline double invalidShare(const orvane::tracker::CaptureClip& clip) {
    std::size_t unseen = 0, total = 0;
    for (const auto& f : clip.frames)
        for (bool seen : f.subjects.at(0).markerSeen) {
            unseen += seen ? 0 : 1;
            ++total;
        }
    return total ? static_cast<double>(unseen) / static_cast<double>(total) : 0.0;
}

}  // namespace capture_test
