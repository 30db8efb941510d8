// TRC: tab-separated text. Line 1 "PathFileType ...", line 2 header keys, line 3 their values, line 4
// "Frame# Time" and the marker names (each followed by two empty cells), line 5 "X1 Y1 Z1 ...", then one row per
// frame. An empty cell is a gap: that marker was not seen. Writers drop trailing empty cells, so a short row is
// read as gaps.

#include "ReaderSupport.h"

#include <cmath>
#include <map>

namespace orvane {
namespace tracker {

using namespace capture_detail;

namespace {

std::vector<std::string> splitTabs(const std::string& line) {
    std::vector<std::string> cells;
    std::size_t start = 0;
    for (;;) {
        const std::size_t tab = line.find('\t', start);
        cells.push_back(trim(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start)));
        if (tab == std::string::npos) break;
        start = tab + 1;
    }
    return cells;
}

}  // namespace

CaptureClip readTrc(const std::string& text, const std::string& fileName, const CaptureOptions& options) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(std::move(line));
        start = end + 1;
    }
    auto error = [&](std::size_t line, const std::string& what) {
        fail(fileName, "line " + std::to_string(line + 1) + ": " + what);
    };
    if (lines.size() < 5) fail(fileName, "header truncated (" + std::to_string(lines.size()) + " of 5 lines)");
    if (lines[0].compare(0, 12, "PathFileType") != 0) error(0, "expected 'PathFileType'");

    const std::vector<std::string> keys = splitTabs(lines[1]);
    const std::vector<std::string> values = splitTabs(lines[2]);
    std::map<std::string, std::string> header;
    for (std::size_t i = 0; i < keys.size() && i < values.size(); ++i)
        if (!keys[i].empty()) header[toLower(keys[i])] = values[i];
    auto headerNumber = [&](const char* key) {
        const auto it = header.find(key);
        double v = 0;
        if (it == header.end()) error(1, std::string("header lacks ") + key);
        if (!parseNumber(it->second, v)) error(2, std::string(key) + " is not a number: '" + it->second + "'");
        return v;
    };
    const double rate = headerNumber("datarate");
    const double declaredFrames = headerNumber("numframes");
    const double declaredMarkers = headerNumber("nummarkers");
    if (!(rate > 0)) error(2, "DataRate must be positive");
    if (declaredFrames < 0 || declaredFrames > 1e8 || declaredFrames != std::floor(declaredFrames))
        error(2, "bad NumFrames");
    if (declaredMarkers < 1 || declaredMarkers > 65535 || declaredMarkers != std::floor(declaredMarkers))
        error(2, "bad NumMarkers");
    if (declaredMarkers > static_cast<double>(kMaxMarkers))
        error(2, "NumMarkers is above the " + std::to_string(kMaxMarkers) + " markers the tracker streams per subject");
    const std::size_t markerCount = static_cast<std::size_t>(declaredMarkers);

    double mmPerUnit = options.lengthScaleToMm;
    if (mmPerUnit == 0) {
        const auto it = header.find("units");
        if (it == header.end()) error(1, "header lacks Units");
        mmPerUnit = unitToMm(it->second);
        if (mmPerUnit == 0) error(2, "unknown Units '" + it->second + "'");
    }

    const std::vector<std::string> nameCells = splitTabs(lines[3]);
    SubjectDef subject;
    subject.name = fileStem(fileName);
    for (std::size_t i = 2; i < nameCells.size(); ++i) {
        if (nameCells[i].empty()) continue;
        if ((i - 2) % 3 != 0) error(3, "marker name '" + nameCells[i] + "' is not in the first of its three columns");
        if (nameCells[i].size() > kMaxNameBytes) error(3, "marker name longer than 255 bytes");
        subject.markerNames.push_back(nameCells[i]);
    }
    if (subject.markerNames.size() != markerCount)
        error(3, std::to_string(subject.markerNames.size()) + " marker names but NumMarkers is " +
                     std::to_string(markerCount));

    CaptureClip clip;
    clip.frameRate = rate;
    clip.scene.subjects.push_back(subject);
    for (std::size_t l = 5; l < lines.size(); ++l) {
        if (trim(lines[l]).empty()) continue;
        const std::vector<std::string> cells = splitTabs(lines[l]);
        double frameNo = 0, time = 0;
        if (cells.size() < 2 || !parseNumber(cells[0], frameNo) || !parseNumber(cells[1], time))
            error(l, "a frame row starts with its frame number and time");
        for (std::size_t i = 2 + 3 * markerCount; i < cells.size(); ++i)
            if (!cells[i].empty()) error(l, "more values than " + std::to_string(markerCount) + " markers");
        if (clip.frames.size() >= static_cast<std::size_t>(declaredFrames))
            error(l, "more frame rows than NumFrames (" + std::to_string(clip.frames.size()) + ")");

        FrameSample frame;
        frame.frameNumber = static_cast<long long>(clip.frames.size());
        frame.timeSeconds = static_cast<double>(frame.frameNumber) / rate;
        SubjectSample sample;
        sample.markers.resize(markerCount);
        sample.markerSeen.resize(markerCount);
        for (std::size_t m = 0; m < markerCount; ++m) {
            double v[3];
            int present = 0;
            for (std::size_t k = 0; k < 3; ++k) {
                const std::size_t c = 2 + 3 * m + k;
                if (c >= cells.size() || cells[c].empty()) continue;
                if (!parseNumber(cells[c], v[k])) error(l, "not a number: '" + cells[c] + "'");
                ++present;
            }
            if (present == 0) continue;  // a gap
            if (present != 3) error(l, "marker '" + subject.markerNames[m] + "' has only some of x, y, z");
            sample.markers[m] = {v[0] * mmPerUnit, v[1] * mmPerUnit, v[2] * mmPerUnit};
            if (!inFloatRange(sample.markers[m])) error(l, "marker '" + subject.markerNames[m] + "' is out of range");
            sample.markerSeen[m] = true;
        }
        frame.subjects.push_back(std::move(sample));
        clip.frames.push_back(std::move(frame));
    }
    if (clip.frames.size() != static_cast<std::size_t>(declaredFrames))
        fail(fileName, "NumFrames is " + std::to_string(static_cast<long long>(declaredFrames)) +
                           " but the file holds " + std::to_string(clip.frames.size()) + " frame rows");
    return clip;
}

}  // namespace tracker
}  // namespace orvane
