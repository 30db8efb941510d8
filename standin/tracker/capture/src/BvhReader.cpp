// BVH: a joint hierarchy (ROOT / JOINT / End Site, OFFSET, CHANNELS) followed by MOTION rows holding every joint's
// channels in declaration order. A joint's rotation channels compose intrinsically in their listed order:
// R = R_c1 * R_c2 * R_c3 (column vectors), so "Zrotation Yrotation Xrotation" is Rz * Ry * Rx.

#include "ReaderSupport.h"
#include "Rotation.h"

#include <cmath>
#include <cstddef>

namespace orvane {
namespace tracker {

using namespace capture_detail;

namespace {

constexpr std::size_t kMaxJoints = 128;  // bones per skeleton the SDK can describe

enum Channel { Xposition, Yposition, Zposition, Xrotation, Yrotation, Zrotation };

struct Joint {
    std::string name;
    int parent = -1;
    Vec3 offset;  // file units
    std::vector<Channel> channels;
};

class Tokens {
public:
    Tokens(const std::string& text, const std::string& fileName) : text_(text), fileName_(fileName) {}

    bool atEnd() {
        skipBlanks();
        return pos_ >= text_.size();
    }

    std::string next(const char* expected) {
        skipBlanks();
        if (pos_ >= text_.size()) fail(fileName_, "unexpected end of file, expected " + std::string(expected));
        const std::size_t start = pos_;
        while (pos_ < text_.size() && !isBlank(text_[pos_])) ++pos_;
        return text_.substr(start, pos_ - start);
    }

    void expect(const char* word) {
        const std::string t = next(word);
        if (t != word) error("expected '" + std::string(word) + "', found '" + t + "'");
    }

    double number(const char* what) {
        const std::string t = next(what);
        double v = 0;
        if (!parseNumber(t, v)) error("expected " + std::string(what) + ", found '" + t + "'");
        return v;
    }

    [[noreturn]] void error(const std::string& what) const {
        fail(fileName_, "line " + std::to_string(line_) + ": " + what);
    }

private:
    static bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; }
    void skipBlanks() {
        while (pos_ < text_.size() && isBlank(text_[pos_])) {
            if (text_[pos_] == '\n') ++line_;
            ++pos_;
        }
    }

    const std::string& text_;
    const std::string& fileName_;
    std::size_t pos_ = 0;
    int line_ = 1;
};

Channel channelFromName(const std::string& t, Tokens& tokens) {
    static const char* const names[] = {"xposition", "yposition", "zposition", "xrotation", "yrotation", "zrotation"};
    const std::string lower = toLower(t);
    for (int i = 0; i < 6; ++i)
        if (lower == names[i]) return static_cast<Channel>(i);
    tokens.error("unknown channel '" + t + "'");
}

Vec3 readOffset(Tokens& tokens) {
    tokens.expect("OFFSET");
    Vec3 v;
    v.x = tokens.number("an OFFSET x");
    v.y = tokens.number("an OFFSET y");
    v.z = tokens.number("an OFFSET z");
    return v;
}

// Reads the body of a joint after its name: "{ OFFSET ... CHANNELS ... children }".
void readJoint(Tokens& tokens, std::vector<Joint>& joints, std::string name, int parent) {
    if (joints.size() >= kMaxJoints) tokens.error("more than " + std::to_string(kMaxJoints) + " joints");
    if (name.empty() || name.size() > kMaxNameBytes) tokens.error("joint name is empty or longer than 255 bytes");
    const int index = static_cast<int>(joints.size());
    joints.push_back(Joint());
    joints.back().name = std::move(name);
    joints.back().parent = parent;

    tokens.expect("{");
    joints[index].offset = readOffset(tokens);
    tokens.expect("CHANNELS");
    const double count = tokens.number("a channel count");
    if (count < 0 || count > 6 || count != std::floor(count)) tokens.error("a joint has 0 to 6 channels");
    unsigned seen = 0;
    for (int i = 0; i < static_cast<int>(count); ++i) {
        const Channel c = channelFromName(tokens.next("a channel name"), tokens);
        if (seen & (1u << c)) tokens.error("channel listed twice in joint '" + joints[index].name + "'");
        seen |= 1u << c;
        joints[index].channels.push_back(c);
    }
    for (;;) {
        const std::string t = tokens.next("JOINT, End Site or '}'");
        if (t == "}") return;
        if (t == "JOINT") {
            readJoint(tokens, joints, tokens.next("a joint name"), index);
        } else if (t == "End") {
            tokens.expect("Site");
            tokens.expect("{");
            readOffset(tokens);  // an end site is not a bone
            tokens.expect("}");
        } else {
            tokens.error("expected JOINT, End Site or '}', found '" + t + "'");
        }
    }
}

double labelledNumber(Tokens& tokens, const std::string& label, const char* what) {
    const std::string t = tokens.next(label.c_str());
    if (t.compare(0, label.size(), label) != 0) tokens.error("expected '" + label + "', found '" + t + "'");
    if (t.size() == label.size()) return tokens.number(what);
    double v = 0;
    if (!parseNumber(t.substr(label.size()), v)) tokens.error("expected " + std::string(what) + ", found '" + t + "'");
    return v;
}

}  // namespace

CaptureClip readBvh(const std::string& text, const std::string& fileName, const CaptureOptions& options) {
    const double scale = options.lengthScaleToMm > 0 ? options.lengthScaleToMm : 10.0;
    Tokens tokens(text, fileName);
    tokens.expect("HIERARCHY");

    std::vector<Joint> joints;
    std::string t = tokens.next("ROOT");
    if (t != "ROOT") tokens.error("expected ROOT, found '" + t + "'");
    while (t == "ROOT") {
        readJoint(tokens, joints, tokens.next("a joint name"), -1);
        t = tokens.next("ROOT or MOTION");
    }
    if (t != "MOTION") tokens.error("expected ROOT or MOTION, found '" + t + "'");

    // "Frames:" and "Frame Time:" may be glued to their numbers.
    const double frameCount = labelledNumber(tokens, "Frames:", "a frame count");
    if (frameCount < 0 || frameCount != std::floor(frameCount) || frameCount > 1e8) tokens.error("bad frame count");
    tokens.expect("Frame");
    const double frameTime = labelledNumber(tokens, "Time:", "a frame time");
    if (!(frameTime > 0)) tokens.error("frame time must be positive");

    CaptureClip clip;
    // Frame times are written rounded (".0083333"); snap the rate to a whole number when it is that close.
    clip.frameRate = 1.0 / frameTime;
    if (std::abs(clip.frameRate - std::round(clip.frameRate)) < 1e-4 * clip.frameRate)
        clip.frameRate = std::round(clip.frameRate);

    SubjectDef subject;
    subject.name = fileStem(fileName);
    subject.skeletonName = subject.name;
    for (const Joint& j : joints) {
        BoneDef bone;
        bone.name = j.name;
        bone.parent = j.parent;
        bone.offset = {j.offset.x * scale, j.offset.y * scale, j.offset.z * scale};
        if (!inFloatRange(bone.offset)) fail(fileName, "joint '" + j.name + "' has an OFFSET out of range");
        subject.bones.push_back(bone);
    }
    clip.scene.subjects.push_back(subject);

    // Every frame reads its values from the text, which bounds the frames a file can make; without a single
    // channel "Frames: 99999999" alone would make that many rest poses.
    std::size_t channelCount = 0;
    for (const Joint& j : joints) channelCount += j.channels.size();
    if (channelCount == 0 && frameCount > 0) tokens.error("no joint has channels: the MOTION section holds nothing");

    std::vector<rotation::Mat3> worldRotation(joints.size());
    auto readRow = [&](long long f) {
        FrameSample frame;
        frame.frameNumber = f;
        frame.timeSeconds = static_cast<double>(f) / clip.frameRate;
        SubjectSample sample;
        sample.bones.resize(joints.size());
        for (std::size_t j = 0; j < joints.size(); ++j) {
            const Joint& joint = joints[j];
            Vec3 translation = joint.offset;
            rotation::Mat3 local;
            for (const Channel c : joint.channels) {
                const double v = tokens.number("a motion value");
                switch (c) {
                    case Xposition: translation.x += v; break;
                    case Yposition: translation.y += v; break;
                    case Zposition: translation.z += v; break;
                    default: local = rotation::multiply(local, rotation::axisRotation(c - Xrotation, v)); break;
                }
            }
            translation = {translation.x * scale, translation.y * scale, translation.z * scale};
            BonePose& pose = sample.bones[j];
            pose.localTranslation = translation;
            pose.localEulerXYZ = rotation::eulerXYZDegrees(local);
            if (joint.parent < 0) {
                worldRotation[j] = local;
                pose.worldPosition = translation;
            } else {
                const auto& parentRotation = worldRotation[static_cast<std::size_t>(joint.parent)];
                const Vec3 d = rotation::apply(parentRotation, translation);
                const Vec3& p = sample.bones[static_cast<std::size_t>(joint.parent)].worldPosition;
                pose.worldPosition = {p.x + d.x, p.y + d.y, p.z + d.z};
                worldRotation[j] = rotation::multiply(parentRotation, local);
            }
            pose.worldOrientation = rotation::quaternion(worldRotation[j]);
            if (!inFloatRange(pose.localTranslation) || !inFloatRange(pose.worldPosition))
                tokens.error("frame " + std::to_string(f) + " puts joint '" + joint.name + "' out of range");
        }
        frame.subjects.push_back(std::move(sample));
        clip.frames.push_back(std::move(frame));
    };

    const long long declared = static_cast<long long>(frameCount);
    for (long long f = 0; f < declared; ++f) readRow(f);
    // Writers often leave one row more than "Frames:" says; read every whole row that is there. A row cut short
    // is still an error.
    if (!tokens.atEnd() && channelCount == 0) tokens.error("motion data, but no joint has channels");
    long long rows = declared;
    while (!tokens.atEnd()) readRow(rows++);
    if (rows > declared)
        clip.warnings.push_back(fileName + ": " + std::to_string(rows - declared) + " more motion row" +
                                (rows - declared == 1 ? "" : "s") + " than 'Frames: " + std::to_string(declared) +
                                "' declares; all " + std::to_string(rows) + " are read");
    return clip;
}

}  // namespace tracker
}  // namespace orvane
