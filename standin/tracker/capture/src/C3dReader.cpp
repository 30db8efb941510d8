// C3D: a 512-byte header block, a parameter section (groups and typed parameters, each record pointing to the
// next), then frames of 3D points (x, y, z, residual word) followed by the frame's analog samples. The processor
// type in the parameter section decides the byte order and the float format (Intel, DEC/VAX, MIPS big-endian).

#include "ReaderSupport.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <map>

namespace orvane {
namespace tracker {

using namespace capture_detail;

namespace {

enum class Processor { Intel, Dec, Mips };

struct Parameter {
    int type = 0;  // -1 char, 1 byte, 2 int16, 4 float
    std::vector<int> dims;
    std::size_t offset = 0;  // of the data in the file
    std::size_t count = 0;   // elements
};

class C3dFile {
public:
    C3dFile(const std::vector<unsigned char>& bytes, const std::string& fileName) : b_(bytes), name_(fileName) {}

    [[noreturn]] void error(const std::string& what) const { fail(name_, what); }

    void need(std::size_t offset, std::size_t size, const char* section) const {
        if (offset > b_.size() || size > b_.size() - offset)
            error(std::string(section) + " truncated at byte " + std::to_string(b_.size()) + " (needs bytes up to " +
                  std::to_string(offset + size) + ")");
    }

    unsigned u8(std::size_t at, const char* section) const {
        need(at, 1, section);
        return b_[at];
    }
    int i8(std::size_t at, const char* section) const { return static_cast<int8_t>(u8(at, section)); }

    unsigned u16(std::size_t at, const char* section) const {
        need(at, 2, section);
        return processor_ == Processor::Mips ? (b_[at] << 8 | b_[at + 1]) : (b_[at + 1] << 8 | b_[at]);
    }
    int i16(std::size_t at, const char* section) const { return static_cast<int16_t>(u16(at, section)); }

    float f32(std::size_t at, const char* section) const {
        need(at, 4, section);
        unsigned char raw[4] = {0, 0, 0, 0};
        switch (processor_) {
            case Processor::Intel: std::memcpy(raw, &b_[at], 4); break;
            case Processor::Mips:
                for (int i = 0; i < 4; ++i) raw[i] = b_[at + 3 - static_cast<std::size_t>(i)];
                break;
            case Processor::Dec: {
                // VAX F-float: 16-bit words swapped relative to IEEE, exponent bias 128 with a 0.1f mantissa, so the
                // same bits read as IEEE are 4 times the value. Exponent 0 is zero (or a reserved operand).
                raw[0] = b_[at + 2];
                raw[1] = b_[at + 3];
                raw[2] = b_[at];
                raw[3] = b_[at + 1];
                if ((raw[3] & 0x7f) == 0 && (raw[2] & 0x80) == 0) return 0.0f;
                float v;
                std::memcpy(&v, raw, 4);
                return v / 4.0f;
            }
        }
        float v;
        std::memcpy(&v, raw, 4);
        return v;
    }

    void setProcessor(Processor p) { processor_ = p; }
    std::size_t size() const { return b_.size(); }

private:
    const std::vector<unsigned char>& b_;
    const std::string& name_;
    Processor processor_ = Processor::Intel;
};

constexpr const char* kParams = "parameter section";

std::map<std::string, Parameter> readParameters(const C3dFile& file, std::size_t start) {
    std::map<int, std::string> groups;
    std::vector<std::pair<std::pair<int, std::string>, Parameter>> records;
    std::size_t p = start + 4;
    for (int guard = 0; guard < 100000; ++guard) {
        const int nameLength = std::abs(file.i8(p, kParams));
        const int group = file.i8(p + 1, kParams);
        if (nameLength == 0 || group == 0) break;
        file.need(p + 2, static_cast<std::size_t>(nameLength) + 2, kParams);
        std::string name;
        for (int i = 0; i < nameLength; ++i)
            name += static_cast<char>(file.u8(p + 2 + static_cast<std::size_t>(i), kParams));
        name = toLower(trim(name));
        const std::size_t q = p + 2 + static_cast<std::size_t>(nameLength);
        const int next = file.i16(q, kParams);
        if (next < 0) file.error("parameter record at byte " + std::to_string(p) + " points backwards");
        if (group < 0) {
            groups.emplace(-group, name);
        } else {
            Parameter param;
            param.type = file.i8(q + 2, kParams);
            if (param.type != -1 && param.type != 1 && param.type != 2 && param.type != 4)
                file.error("parameter '" + name + "' at byte " + std::to_string(p) + " has unknown type " +
                           std::to_string(param.type));
            const unsigned dimCount = file.u8(q + 3, kParams);
            param.count = 1;
            for (unsigned d = 0; d < dimCount; ++d) {
                param.dims.push_back(static_cast<int>(file.u8(q + 4 + d, kParams)));
                param.count *= static_cast<std::size_t>(param.dims.back());
            }
            param.offset = q + 4 + dimCount;
            const std::size_t dataSize = param.count * static_cast<std::size_t>(std::abs(param.type));
            file.need(param.offset, dataSize, kParams);
            if (next != 0 && param.offset + dataSize > q + static_cast<std::size_t>(next))
                file.error("parameter '" + name + "' at byte " + std::to_string(p) + " overruns its record");
            records.push_back({{group, name}, param});
        }
        if (next == 0) break;
        p = q + static_cast<std::size_t>(next);
    }
    std::map<std::string, Parameter> named;
    for (const auto& r : records) {
        const auto g = groups.find(r.first.first);
        if (g != groups.end()) named.emplace(g->second + ":" + r.first.second, r.second);
    }
    return named;
}

}  // namespace

CaptureClip readC3d(const std::vector<unsigned char>& bytes, const std::string& fileName,
                    const CaptureOptions& options) {
    C3dFile file(bytes, fileName);
    const char* header = "header";
    file.need(0, 512, header);
    if (file.u8(1, header) != 0x50) file.error("not a C3D file (second byte is not 0x50)");
    const unsigned parameterBlock = file.u8(0, header);
    if (parameterBlock < 2) file.error("parameter section starts at block " + std::to_string(parameterBlock));
    const std::size_t parameterStart = (parameterBlock - 1) * 512u;
    const unsigned processorByte = file.u8(parameterStart + 3, kParams);
    if (processorByte < 84 || processorByte > 86) file.error("unknown processor type " + std::to_string(processorByte));
    file.setProcessor(processorByte == 84 ? Processor::Intel : processorByte == 85 ? Processor::Dec : Processor::Mips);

    const std::map<std::string, Parameter> params = readParameters(file, parameterStart);
    auto find = [&](const char* key) -> const Parameter* {
        const auto it = params.find(key);
        return it == params.end() ? nullptr : &it->second;
    };
    auto numberParam = [&](const char* key, double fallback) {
        const Parameter* p = find(key);
        if (!p || p->count == 0) return fallback;
        switch (p->type) {
            case 1: return static_cast<double>(file.u8(p->offset, kParams));
            case 2: return static_cast<double>(file.u16(p->offset, kParams));  // counts above 32767 are unsigned
            case 4: return static_cast<double>(file.f32(p->offset, kParams));
            default: file.error(std::string("parameter ") + key + " is not a number");
        }
    };
    auto stringsParam = [&](const char* key) {
        std::vector<std::string> out;
        const Parameter* p = find(key);
        if (!p || p->type != -1) return out;
        const std::size_t width = p->dims.empty() ? 1 : static_cast<std::size_t>(p->dims[0]);
        if (width == 0) return out;
        for (std::size_t at = 0; at + width <= p->count; at += width) {
            std::string s;
            for (std::size_t i = 0; i < width; ++i) s += static_cast<char>(file.u8(p->offset + at + i, kParams));
            out.push_back(trim(s));
        }
        return out;
    };

    const unsigned pointCount = file.u16(2, header);
    const unsigned analogPerFrame = file.u16(4, header);
    const unsigned firstFrame = file.u16(6, header);
    const unsigned lastFrame = file.u16(8, header);
    const double pointScale = numberParam("point:scale", file.f32(12, header));
    const double dataStartBlock = numberParam("point:data_start", file.u16(16, header));
    const double rate = numberParam("point:rate", file.f32(20, header));

    const double used = numberParam("point:used", pointCount);
    if (used != pointCount)
        file.error("POINT:USED is " + std::to_string(static_cast<long>(used)) + " but the header says " +
                   std::to_string(pointCount) + " points");
    if (pointCount == 0) file.error("no 3D points");
    if (pointCount > kMaxMarkers)
        file.error(std::to_string(pointCount) + " points; the tracker streams at most " + std::to_string(kMaxMarkers) +
                   " markers per subject");
    if (lastFrame < firstFrame) file.error("last frame precedes first frame");
    if (!(rate > 0) || !std::isfinite(rate)) file.error("frame rate is not positive");
    if (!std::isfinite(pointScale) || pointScale == 0) file.error("POINT:SCALE is zero or not finite");
    if (!(dataStartBlock >= 2 && dataStartBlock <= 65535))
        file.error("data section starts at block " + std::to_string(static_cast<long>(dataStartBlock)));

    double mmPerUnit = options.lengthScaleToMm;
    if (mmPerUnit == 0) {
        const std::vector<std::string> units = stringsParam("point:units");
        const std::string unit = units.empty() ? std::string() : units[0];
        mmPerUnit = unit.empty() ? 1.0 : unitToMm(unit);
        if (mmPerUnit == 0) file.error("unknown POINT:UNITS '" + unit + "'");
    }

    std::vector<std::string> labels = stringsParam("point:labels");
    for (const std::string& s : stringsParam("point:labels2")) labels.push_back(s);
    SubjectDef subject;
    subject.name = fileStem(fileName);
    for (unsigned i = 0; i < pointCount; ++i) {
        std::string label = i < labels.size() ? labels[i] : std::string();
        if (label.empty()) label = "M" + std::to_string(i + 1);
        if (label.size() > kMaxNameBytes) label.resize(kMaxNameBytes);
        subject.markerNames.push_back(label);
    }

    const bool floats = pointScale < 0;
    const std::size_t word = floats ? 4 : 2;
    const std::size_t frameCount = lastFrame - firstFrame + 1u;
    const std::size_t stride = (4u * pointCount + analogPerFrame) * word;
    const std::size_t dataStart = (static_cast<std::size_t>(dataStartBlock) - 1) * 512u;
    file.need(dataStart, frameCount * stride, "data section");

    CaptureClip clip;
    clip.frameRate = rate;
    clip.scene.subjects.push_back(subject);
    clip.frames.reserve(frameCount);
    const char* data = "data section";
    const double scale = floats ? 1.0 : std::abs(pointScale);
    for (std::size_t f = 0; f < frameCount; ++f) {
        FrameSample frame;
        frame.frameNumber = static_cast<long long>(f);
        frame.timeSeconds = static_cast<double>(f) / rate;
        SubjectSample sample;
        sample.markers.resize(pointCount);
        sample.markerSeen.resize(pointCount);
        for (std::size_t m = 0; m < pointCount; ++m) {
            const std::size_t at = dataStart + f * stride + m * 4 * word;
            double v[4];
            for (std::size_t k = 0; k < 4; ++k)
                v[k] = floats ? file.f32(at + k * word, data) : file.i16(at + k * word, data);
            if (v[3] < 0) continue;  // negative residual: not seen; stays at exactly (0, 0, 0)
            if (!std::isfinite(v[0]) || !std::isfinite(v[1]) || !std::isfinite(v[2]))
                file.error("frame " + std::to_string(f) + " point " + std::to_string(m) + " is not a finite number");
            sample.markers[m] = {v[0] * scale * mmPerUnit, v[1] * scale * mmPerUnit, v[2] * scale * mmPerUnit};
            if (!inFloatRange(sample.markers[m]))
                file.error("frame " + std::to_string(f) + " point " + std::to_string(m) + " is out of range");
            sample.markerSeen[m] = true;
        }
        frame.subjects.push_back(std::move(sample));
        clip.frames.push_back(std::move(frame));
    }
    return clip;
}

}  // namespace tracker
}  // namespace orvane
