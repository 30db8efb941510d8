// The MEL commands of time and keys, as Maya answers them: currentTime, playbackOptions, play, keyframe -query,
// setKeyframe and cutKey. Times are in the UI unit (film, 24 frames a second, unless changed); values in
// centimetres for translations and degrees for rotations, as MEL gives them. setKeyframe and cutKey go to the
// undo queue with the curves they made or deleted.
#include <maya/MAnimControl.h>
#include <maya/MAnimCurveChange.h>
#include <maya/MFnAnimCurve.h>
#include "Anim.h"
#include "Commands.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <memory>

namespace mayastandin {
namespace detail {
namespace {

constexpr double kDegrees = 180.0 / 3.14159265358979323846;

Scene& scene() { return Scene::instance(); }

double uiTime(double seconds) { return MTime(seconds, MTime::kSeconds).as(MTime::uiUnit()); }
MTime fromUi(double value) { return MTime(value, MTime::uiUnit()); }

// Key values as MEL shows them: ten significant digits, as MEL prints a float.
std::string keyNumber(double value) {
    if (value == 0.0) value = 0.0;
    char text[32];
    std::snprintf(text, sizeof text, "%.10g", value);
    return text;
}

// A time as -time takes one: a number in the UI unit, or with a unit after it ("1sec", "10pal", "15ntsc").
bool parseTime(const std::string& text, double& seconds) {
    static const struct {
        const char* suffix;
        MTime::Unit unit;
    } units[] = {{"hour", MTime::kHours},     {"min", MTime::kMinutes},
                 {"sec", MTime::kSeconds},    {"millisec", MTime::kMilliseconds},
                 {"game", MTime::kGames},     {"film", MTime::kFilm},
                 {"pal", MTime::kPALFrame},   {"ntsc", MTime::kNTSCFrame},
                 {"show", MTime::kShowScan},  {"palf", MTime::kPALField},
                 {"ntscf", MTime::kNTSCField}};
    double value;
    if (toNumber(text, value)) return seconds = fromUi(value).as(MTime::kSeconds), true;
    for (const auto& u : units) {
        const std::size_t n = std::string(u.suffix).size();
        if (text.size() > n && text.compare(text.size() - n, n, u.suffix) == 0 &&
            toNumber(text.substr(0, text.size() - n), value))
            return seconds = MTime(value, u.unit).as(MTime::kSeconds), true;
    }
    return false;
}

// The ranges of -time flags, inclusive, in seconds: "a:b", "a:", ":b", ":" or a single time. None given: all.
struct TimeRanges {
    std::vector<std::pair<double, double>> ranges;
    bool contains(double seconds) const {
        if (ranges.empty()) return true;
        for (const auto& r : ranges)
            if (seconds >= r.first - 1e-9 && seconds <= r.second + 1e-9) return true;
        return false;
    }
};

bool parseRanges(const std::string& command, const Parsed& p, TimeRanges& out, std::string& error) {
    const auto it = p.values.find("time");
    if (it == p.values.end()) return true;
    const double infinity = std::numeric_limits<double>::infinity();
    for (const std::string& text : it->second) {
        const std::size_t colon = text.find(':');
        double low = -infinity, high = infinity;
        const std::string a = colon == std::string::npos ? text : text.substr(0, colon);
        const std::string b = colon == std::string::npos ? text : text.substr(colon + 1);
        if ((!a.empty() && !parseTime(a, low)) || (!b.empty() && !parseTime(b, high)) ||
            (colon == std::string::npos && text.empty())) {
            error = command + ": Invalid time or time range: '" + text + "'";
            return false;
        }
        out.ranges.emplace_back(low, high);
    }
    return true;
}

// A channel of a node named by a command.
struct Target {
    std::uint32_t node;
    anim::Channel channel;
};

// The channels that the objects (node.attribute, a node, an animation curve's name) and -attribute flags name;
// no objects: the selection. A node without an attribute stands for every channel of it.
bool targets(const std::string& command, const Parsed& p, std::vector<Target>& out, std::vector<std::uint32_t>& curves,
             std::string& error) {
    std::vector<anim::Channel> attributes;
    const auto at = p.values.find("attribute");
    if (at != p.values.end())
        for (const std::string& name : at->second) {
            const anim::Channel c = anim::channelNamed(name, true);
            if (c == anim::kChannelEnd) {
                error = command + ": No keyable attribute '" + name + "' on a transform in this host";
                return false;
            }
            attributes.push_back(c);
        }
    std::vector<std::string> objects = p.objects;
    if (objects.empty())
        for (std::uint32_t n : scene().selection()) objects.push_back(scene().partialPath(n));
    for (const std::string& object : objects) {
        const std::size_t dot = object.rfind('.');
        const std::string nodeName = dot == std::string::npos ? object : object.substr(0, dot);
        const std::uint32_t n = resolveOne(command, nodeName, error);
        if (n == kNoNode) return false;
        if (scene().node(n).curve) {  // a curve named itself
            curves.push_back(n);
            continue;
        }
        if (n == scene().world() || !scene().node(n).type->isTransform) {
            error = command + ": '" + object + "' has no keyable channels in this host";
            return false;
        }
        std::vector<anim::Channel> channels = attributes;
        if (dot != std::string::npos) {
            const anim::Channel c = anim::channelNamed(object.substr(dot + 1), true);
            if (c == anim::kChannelEnd) {
                error = command + ": No keyable attribute '" + object.substr(dot + 1) + "' on '" + nodeName + "'";
                return false;
            }
            channels.assign(1, c);
        } else if (channels.empty()) {
            for (std::uint32_t c = anim::kTranslateX; c < anim::kChannelEnd; ++c)
                channels.push_back(static_cast<anim::Channel>(c));
        }
        for (anim::Channel c : channels) out.push_back(Target{n, c});
    }
    for (const Target& t : out) {
        const std::uint32_t curve = anim::curveDriving(t.node, t.channel);
        if (curve != kNoNode) curves.push_back(curve);
    }
    std::vector<std::uint32_t> unique;
    for (std::uint32_t c : curves)
        if (std::find(unique.begin(), unique.end(), c) == unique.end()) unique.push_back(c);
    curves.swap(unique);
    return true;
}

// What MEL shows of a curve's values: degrees for rotations.
double melValue(const CurveData& c, double value) {
    return c.type == MFnAnimCurve::kAnimCurveTA ? value * kDegrees : value;
}

// The channel's value as MEL shows it.
double channelValue(std::uint32_t node, anim::Channel channel) {
    const Node& n = scene().node(node);
    switch (channel) {
        case anim::kTranslateX: return n.translation.x;
        case anim::kTranslateY: return n.translation.y;
        case anim::kTranslateZ: return n.translation.z;
        case anim::kRotateX: return n.rotation.x * kDegrees;
        case anim::kRotateY: return n.rotation.y * kDegrees;
        case anim::kRotateZ: return n.rotation.z * kDegrees;
        default: return n.visible ? 1 : 0;
    }
}

// One undoable key edit: the key changes (in a change) and the curves it made (brought in) or deleted (taken
// out), reverted and applied again in the right order.
struct KeyEdit {
    std::shared_ptr<MAnimCurveChange> change = std::make_shared<MAnimCurveChange>();
    std::vector<MObject> made, deleted;
    bool changed = false;

    void record(const std::string& label, std::uintptr_t owner) {
        if (made.empty() && deleted.empty() && !changed) return;
        UndoEntry entry;
        entry.label = label;
        entry.held = made;
        entry.held.insert(entry.held.end(), deleted.begin(), deleted.end());
        const std::shared_ptr<MAnimCurveChange> keys = change;
        const std::vector<MObject> in = made, out = deleted;
        entry.undo = [keys, in, out, owner] {
            for (const MObject& c : out) scene().putBack(scene().existingIndex(c));
            keys->undoIt();
            for (const MObject& c : in) scene().takeOut(scene().existingIndex(c), owner);
        };
        entry.redo = [keys, in, out, owner] {
            for (const MObject& c : in) scene().putBack(scene().existingIndex(c));
            keys->redoIt();
            for (const MObject& c : out) scene().takeOut(scene().existingIndex(c), owner);
        };
        UndoQueue::instance().record(std::move(entry));
    }
};

// ---- currentTime ----
bool currentTime(const std::vector<Arg>& args, Result& result, std::string& error) {
    Parsed p;
    if (!parseFlags("currentTime", args, {{"q", "query", 'n'}, {"e", "edit", 'n'}, {"u", "update", 'b'}}, p, error))
        return false;
    if (p.has("query")) {
        result.items.assign(1, keyNumber(MAnimControl::currentTime().as(MTime::uiUnit())));
        return true;
    }
    double value;
    if (p.objects.size() != 1 || !toNumber(p.objects[0], value)) {
        error = "currentTime: Expected one time, in the current time unit";
        return false;
    }
    MAnimControl::setCurrentTime(fromUi(value));
    result.items.assign(1, keyNumber(value));
    return true;
}

// ---- currentUnit ----
// The time unit can be changed; distances stay centimetres and angles degrees in this host.
bool currentUnit(const std::vector<Arg>& args, Result& result, std::string& error) {
    bool query = false;
    for (const Arg& a : args)
        if (a.literal && (a.text == "-q" || a.text == "-query")) query = true;
    const char value = query ? 'n' : 's';
    Parsed p;
    if (!parseFlags("currentUnit", args,
                    {{"q", "query", 'n'}, {"l", "linear", value}, {"a", "angle", value}, {"t", "time", value}}, p,
                    error))
        return false;
    if (query) {
        if (p.has("linear") + p.has("angle") + p.has("time") != 1)
            return error = "currentUnit: Query one of -linear, -angle and -time", false;
        result.items.assign(1, p.has("linear") ? "cm" : p.has("angle") ? "deg" : anim::timeUnitName(MTime::uiUnit()));
        return true;
    }
    const std::string linear = p.value("linear"), angle = p.value("angle");
    if ((p.has("linear") && linear != "cm" && linear != "centimeter") ||
        (p.has("angle") && angle != "deg" && angle != "degree"))
        return error = "currentUnit: This host works in centimetres and degrees only", false;
    if (p.has("time")) {
        const MTime::Unit unit = anim::timeUnitNamed(p.value("time"));
        if (unit == MTime::kInvalid) return error = "currentUnit: Unknown time unit '" + p.value("time") + "'", false;
        MTime::setUIUnit(unit);
    }
    return true;
}

// ---- playbackOptions ----
bool playbackOptions(const std::vector<Arg>& args, Result& result, std::string& error) {
    bool query = false;
    for (const Arg& a : args)
        if (a.literal && (a.text == "-q" || a.text == "-query")) query = true;
    const char value = query ? 'n' : 's';
    Parsed p;
    if (!parseFlags("playbackOptions", args,
                    {{"q", "query", 'n'},
                     {"e", "edit", 'n'},
                     {"min", "minTime", value},
                     {"max", "maxTime", value},
                     {"ast", "animationStartTime", value},
                     {"aet", "animationEndTime", value},
                     {"by", "by", value},
                     {"l", "loop", value}},
                    p, error))
        return false;
    static const char* const loops[] = {"once", "continuous", "oscillate"};
    if (query) {
        const char* asked[] = {"minTime", "maxTime", "animationStartTime", "animationEndTime", "by", "loop"};
        int count = 0;
        for (const char* a : asked) count += p.has(a);
        if (count != 1) return error = "playbackOptions: Query exactly one flag", false;
        if (p.has("loop")) return result.items.assign(1, loops[MAnimControl::playbackMode()]), true;
        const MTime t = p.has("minTime")              ? MAnimControl::minTime()
                        : p.has("maxTime")            ? MAnimControl::maxTime()
                        : p.has("animationStartTime") ? MAnimControl::animationStartTime()
                        : p.has("animationEndTime")   ? MAnimControl::animationEndTime()
                                                      : MTime(MAnimControl::playbackBy(), MTime::uiUnit());
        result.items.assign(1, keyNumber(t.as(MTime::uiUnit())));
        return true;
    }
    double numbers[5];
    const char* timed[] = {"minTime", "maxTime", "animationStartTime", "animationEndTime", "by"};
    const MTime now[] = {MAnimControl::minTime(), MAnimControl::maxTime(), MAnimControl::animationStartTime(),
                         MAnimControl::animationEndTime(), MTime(MAnimControl::playbackBy(), MTime::uiUnit())};
    for (int k = 0; k < 5; ++k) {
        numbers[k] = now[k].as(MTime::uiUnit());
        if (p.has(timed[k]) && !toNumber(p.value(timed[k]), numbers[k]))
            return error = "playbackOptions: -" + std::string(timed[k]) + " expects a time", false;
    }
    int mode = -1;
    if (p.has("loop")) {
        for (int k = 0; k < 3; ++k)
            if (p.value("loop") == loops[k]) mode = k;
        if (mode < 0) return error = "playbackOptions: -loop is once, continuous or oscillate", false;
    }
    if (numbers[1] < numbers[0]) return error = "playbackOptions: The minimum time is after the maximum", false;
    if (numbers[3] < numbers[2]) return error = "playbackOptions: The start time is after the end", false;
    if (numbers[4] <= 0) return error = "playbackOptions: -by must be positive", false;
    // The animation range first; then the playback range, which the animation range grows to hold.
    if (p.has("animationStartTime") || p.has("animationEndTime"))
        MAnimControl::setAnimationStartEndTime(fromUi(numbers[2]), fromUi(numbers[3]));
    if (p.has("minTime") || p.has("maxTime")) MAnimControl::setMinMaxTime(fromUi(numbers[0]), fromUi(numbers[1]));
    if (p.has("by")) MAnimControl::setPlaybackBy(numbers[4]);
    if (mode >= 0) MAnimControl::setPlaybackMode(static_cast<MAnimControl::PlaybackMode>(mode));
    return true;
}

// ---- play ----
bool play(const std::vector<Arg>& args, Result& result, std::string& error) {
    bool query = false;
    for (const Arg& a : args)
        if (a.literal && (a.text == "-q" || a.text == "-query")) query = true;
    Parsed p;
    if (!parseFlags("play", args,
                    {{"q", "query", 'n'}, {"f", "forward", query ? 'n' : 'b'}, {"st", "state", query ? 'n' : 'b'}}, p,
                    error))
        return false;
    if (query) {
        if (!p.has("state") && !p.has("forward")) return error = "play: Query -state or -forward", false;
        // -forward: this host plays forward only.
        const bool answer = p.has("state") ? MAnimControl::isPlaying() : true;
        result.items.assign(1, answer ? "1" : "0");
        return true;
    }
    bool forward = true, state = true;
    if (p.has("forward")) toBool(p.value("forward"), forward);
    if (p.has("state")) toBool(p.value("state"), state);
    if (!state) return MAnimControl::stop(), true;
    if (forward)
        MAnimControl::playForward();
    else
        MAnimControl::playBackward();
    return true;
}

// ---- keyframe -query ----
bool keyframe(const std::vector<Arg>& args, Result& result, std::string& error) {
    Parsed p;
    if (!parseFlags("keyframe", args,
                    {{"q", "query", 'n'},
                     {"tc", "timeChange", 'n'},
                     {"vc", "valueChange", 'n'},
                     {"kc", "keyframeCount", 'n'},
                     {"at", "attribute", 's'},
                     {"t", "time", 's'}},
                    p, error))
        return false;
    if (!p.has("query")) return error = "keyframe: This host only queries keys (-query)", false;
    TimeRanges ranges;
    std::vector<Target> named;
    std::vector<std::uint32_t> curves;
    if (!parseRanges("keyframe", p, ranges, error) || !targets("keyframe", p, named, curves, error)) return false;
    std::size_t count = 0;
    result.isArray = !p.has("keyframeCount");
    for (std::uint32_t curve : curves) {
        const CurveData& c = *scene().node(curve).curve;
        for (const CurveKey& k : c.keys) {
            if (!ranges.contains(k.seconds)) continue;
            ++count;
            if (p.has("timeChange")) result.items.push_back(keyNumber(uiTime(k.seconds)));
            if (p.has("valueChange")) result.items.push_back(keyNumber(melValue(c, k.value)));
        }
    }
    if (!p.has("timeChange") && !p.has("valueChange")) result.items.assign(1, std::to_string(count));
    return true;
}

// ---- setKeyframe ----
bool setKeyframe(const std::vector<Arg>& args, Result& result, std::string& error) {
    Parsed p;
    if (!parseFlags("setKeyframe", args, {{"at", "attribute", 's'}, {"t", "time", 's'}, {"v", "value", 's'}}, p, error))
        return false;
    std::vector<double> times;
    const auto given = p.values.find("time");
    if (given == p.values.end()) times.push_back(MAnimControl::currentTime().as(MTime::kSeconds));
    if (given != p.values.end())
        for (const std::string& text : given->second) {
            double seconds;
            if (!parseTime(text, seconds)) return error = "setKeyframe: Invalid time: '" + text + "'", false;
            times.push_back(seconds);
        }
    double value = 0;
    if (p.has("value") && !toNumber(p.value("value"), value))
        return error = "setKeyframe: -value expects a number", false;
    std::vector<Target> named;
    std::vector<std::uint32_t> curves;
    if (!targets("setKeyframe", p, named, curves, error)) return false;
    if (named.empty()) return error = "setKeyframe: No objects specified, and none selected", false;
    const std::uintptr_t owner = UndoQueue::instance().nextOwner();
    KeyEdit edit;
    int keys = 0;
    for (const Target& t : named) {
        std::uint32_t curve = anim::curveDriving(t.node, t.channel);
        if (curve == kNoNode) {
            curve = anim::createCurve(t.node, t.channel, error);
            if (curve == kNoNode) return false;
            edit.made.push_back(scene().handle(curve));
        }
        const bool angle = scene().node(curve).curve->type == MFnAnimCurve::kAnimCurveTA;
        const double v = p.has("value") ? value : channelValue(t.node, t.channel);
        const bool stepped = t.channel == anim::kVisibility;
        MFnAnimCurve fn(scene().handle(curve));
        for (double seconds : times) {
            fn.addKey(MTime(seconds, MTime::kSeconds), angle ? v / kDegrees : v, MFnAnimCurve::kTangentGlobal,
                      stepped ? MFnAnimCurve::kTangentStep : MFnAnimCurve::kTangentGlobal, edit.change.get());
            ++keys;
        }
        anim::driveChannel(curve);
    }
    edit.changed = keys > 0;
    if (Interpreter::instance().undoEnabled()) edit.record("setKeyframe", owner);
    result.items.assign(1, std::to_string(keys));
    return true;
}

// ---- cutKey ----
// Removes the keys in the ranges; a curve left without keys is deleted, as Maya deletes it.
bool cutKey(const std::vector<Arg>& args, Result& result, std::string& error) {
    Parsed p;
    if (!parseFlags("cutKey", args, {{"at", "attribute", 's'}, {"t", "time", 's'}, {"cl", "clear", 'n'}}, p, error))
        return false;
    TimeRanges ranges;
    std::vector<Target> named;
    std::vector<std::uint32_t> curves;
    if (!parseRanges("cutKey", p, ranges, error) || !targets("cutKey", p, named, curves, error)) return false;
    const std::uintptr_t owner = UndoQueue::instance().nextOwner();
    const bool undoable = Interpreter::instance().undoEnabled();
    KeyEdit edit;
    int cut = 0;
    for (std::uint32_t curve : curves) {
        MFnAnimCurve fn(scene().handle(curve));
        bool any = false;
        for (unsigned k = 0; k < fn.numKeys();) {
            if (!ranges.contains(scene().node(curve).curve->keys[k].seconds)) {
                ++k;
                continue;
            }
            fn.remove(k, edit.change.get());
            any = true;
        }
        cut += any;
        if (!any || fn.numKeys() > 0) continue;
        if (undoable) {
            edit.deleted.push_back(scene().handle(curve));
            scene().takeOut(curve, owner);
        } else {
            scene().destroy(curve);
        }
    }
    edit.changed = cut > 0;
    if (undoable) edit.record("cutKey", owner);
    anim::driveChannels();
    result.items.assign(1, std::to_string(cut));
    return true;
}

}  // namespace

void addAnimCommands(BuiltinTable& table) {
    table["currentTime"] = currentTime;
    table["currentUnit"] = currentUnit;
    table["playbackOptions"] = playbackOptions;
    table["play"] = play;
    table["keyframe"] = keyframe;
    table["setKeyframe"] = setKeyframe;
    table["cutKey"] = cutKey;
}

}  // namespace detail
}  // namespace mayastandin
