// Time, the time slider and animation curves: MTime, MAnimControl, MFnAnimCurve, MAnimCurveChange. Curves are
// dependency nodes of the scene (Scene::createDependencyNode) holding their keys in a CurveData.
#include <maya/MAnimControl.h>
#include <maya/MAnimCurveChange.h>
#include <maya/MEulerRotation.h>
#include <maya/MFnAnimCurve.h>
#include <maya/MFnTransform.h>
#include <maya/MTime.h>
#include <maya/MVector.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "Anim.h"
#include "Internal.h"

using mayastandin::detail::CurveData;
using mayastandin::detail::CurveKey;
using mayastandin::detail::kNoNode;
using mayastandin::detail::Scene;

namespace mayastandin {
namespace anim {
namespace {

using Autodesk::Maya::OpenMaya20180000::MStandinAccess;

struct Timeline {
    double current = 1 / 24.0, minimum = 1 / 24.0, maximum = 120 / 24.0, start = 1 / 24.0, end = 200 / 24.0;  // seconds
    double by = 1;
    MAnimControl::PlaybackMode mode = MAnimControl::kPlaybackLoop;
    bool playing = false;
    MTime::Unit uiUnit = MTime::kFilm;
};

Timeline& timeline() {
    static Timeline* t = new Timeline();
    return *t;
}

const char* const kLongNames[] = {"translateX", "translateY", "translateZ", "rotateX",
                                  "rotateY",    "rotateZ",    "visibility"};
const char* const kShortNames[] = {"tx", "ty", "tz", "rx", "ry", "rz", "v"};

// Units in one second (frames per second for frame units); 0 for kInvalid, kUserDef and kLast. Conversions
// divide by it and multiply by it, so that 200 frames of film are 200 / 24.0 seconds to the last bit.
double perSecond(MTime::Unit unit) {
    static const double fps[] = {0,    0,    0,    0,    0,      15,    24,    25,     30,    48,    50,   60,  2,
                                 3,    4,    5,    6,    8,      10,    12,    16,     20,    40,    75,   80,  100,
                                 120,  125,  150,  200,  240,    250,   300,   375,    400,   500,   600,  750, 1200,
                                 1500, 2000, 3000, 6000, 23.976, 29.97, 29.97, 47.952, 59.94, 44100, 48000};
    switch (unit) {
        case MTime::kHours: return 1 / 3600.0;
        case MTime::kMinutes: return 1 / 60.0;
        case MTime::kSeconds: return 1;
        case MTime::kMilliseconds: return 1000;
        default: break;
    }
    const int i = static_cast<int>(unit);
    return i > 0 && i < static_cast<int>(sizeof fps / sizeof fps[0]) ? fps[i] : 0;
}

double seconds(const MTime& t) { return t.as(MTime::kSeconds); }

double evaluateCurve(const CurveData& c, double at) {
    const std::vector<CurveKey>& keys = c.keys;
    if (keys.empty()) return 0;
    if (at <= keys.front().seconds) return keys.front().value;
    if (at >= keys.back().seconds) return keys.back().value;
    const auto next =
        std::upper_bound(keys.begin(), keys.end(), at, [](double t, const CurveKey& k) { return t < k.seconds; });
    const CurveKey& a = *(next - 1);
    const CurveKey& b = *next;
    if (a.out == MFnAnimCurve::kTangentStep) return a.value;
    if (b.in == MFnAnimCurve::kTangentStepNext) return b.value;
    return a.value + (b.value - a.value) * (at - a.seconds) / (b.seconds - a.seconds);
}

void writeChannel(std::uint32_t node, Channel channel, double v) {
    Scene& scene = Scene::instance();
    if (channel == kVisibility) {
        scene.setVisible(node, v >= 0.5);
        return;
    }
    MFnTransform fn(scene.handle(node));
    if (channel <= kTranslateZ) {
        MVector t = fn.getTranslation(MSpace::kTransform);
        (channel == kTranslateX ? t.x : channel == kTranslateY ? t.y : t.z) = v;
        fn.setTranslation(t, MSpace::kTransform);
    } else {
        MEulerRotation r;
        fn.getRotation(r);
        (channel == kRotateX ? r.x : channel == kRotateY ? r.y : r.z) = v;
        fn.setRotation(r);
    }
}

MStatus invalid(const char* what) { return MStandinAccess::status(MStatus::kInvalidParameter, what); }
void setStatus(MStatus* s, MStatus value) {
    if (s) *s = value;
}

}  // namespace

Channel channelNamed(const std::string& name, bool withVisibility) {
    const std::uint32_t count = withVisibility ? 7 : 6;
    for (std::uint32_t c = 0; c < count; ++c)
        if (name == kLongNames[c] || name == kShortNames[c]) return static_cast<Channel>(kTranslateX + c);
    return kChannelEnd;
}
const char* longName(Channel channel) { return channel < kChannelEnd ? kLongNames[channel - kTranslateX] : ""; }
const char* shortName(Channel channel) { return channel < kChannelEnd ? kShortNames[channel - kTranslateX] : ""; }

Channel channelOf(const MObject& attribute) {
    if (MStandinAccess::kind(attribute) != mayastandin::detail::kAttributeKind) return kChannelEnd;
    const std::uint32_t id = MStandinAccess::index(attribute);
    if (id == mayastandin::detail::kVisibilityAttribute) return kVisibility;
    return id >= kTranslateX && id <= kRotateZ ? static_cast<Channel>(id) : kChannelEnd;
}

std::uint32_t curveDriving(std::uint32_t node, Channel channel) {
    Scene& scene = Scene::instance();
    const MObject handle = scene.handle(node);
    for (std::uint32_t d : scene.dependencyNodes()) {
        const CurveData* c = scene.node(d).curve.get();
        if (c && c->channel == channel && c->driven == handle) return d;
    }
    return kNoNode;
}

std::uint32_t createCurve(std::uint32_t node, Channel channel, std::string& error) {
    Scene& scene = Scene::instance();
    if (node == scene.world() || !scene.node(node).type->isTransform || channel >= kChannelEnd) {
        error = "not an animatable channel";
        return kNoNode;
    }
    const char* type = channel == kVisibility ? "animCurveTU" : channel <= kTranslateZ ? "animCurveTL" : "animCurveTA";
    const std::uint32_t curve =
        scene.createDependencyNode(type, scene.node(node).name + "_" + longName(channel), &error);
    if (curve == kNoNode) return kNoNode;
    scene.node(curve).curve->driven = scene.handle(node);
    scene.node(curve).curve->channel = channel;
    return curve;
}

void driveChannel(std::uint32_t curve) {
    Scene& scene = Scene::instance();
    const CurveData* c = scene.node(curve).curve.get();
    if (!c || c->keys.empty()) return;
    const std::uint32_t node = scene.indexOf(c->driven);
    if (node == kNoNode) return;  // not connected, or its node deleted since
    writeChannel(node, static_cast<Channel>(c->channel), evaluateCurve(*c, timeline().current));
}

void resetTimeline() { timeline() = Timeline(); }

std::string timeUnitName(MTime::Unit unit) {
    static const char* const names[] = {"",     "hour", "min",  "sec",  "millisec", "game",
                                        "film", "pal",  "ntsc", "show", "palf",     "ntscf"};
    switch (unit) {
        case MTime::k23_976FPS: return "23.976fps";
        case MTime::k29_97FPS: return "29.97fps";
        case MTime::k29_97DF: return "29.97df";
        case MTime::k47_952FPS: return "47.952fps";
        case MTime::k59_94FPS: return "59.94fps";
        default: break;
    }
    if (unit > MTime::kInvalid && unit <= MTime::kNTSCField) return names[unit];
    const double fps = perSecond(unit);
    return fps > 0 ? std::to_string(static_cast<long>(std::lround(fps))) + "fps" : "";
}

MTime::Unit timeUnitNamed(const std::string& name) {
    for (int u = MTime::kHours; u < MTime::kUserDef; ++u)
        if (timeUnitName(static_cast<MTime::Unit>(u)) == name) return static_cast<MTime::Unit>(u);
    return MTime::kInvalid;
}

void driveChannels() {
    // A copy: nothing here adds or removes nodes, but a plug-in's write listener must not see a list change.
    const std::vector<std::uint32_t> nodes = Scene::instance().dependencyNodes();
    for (std::uint32_t d : nodes) driveChannel(d);
}

}  // namespace anim
}  // namespace mayastandin

using namespace mayastandin::anim;

OPENMAYA_NAMESPACE_OPEN

// ---- MTime ----
MTime::MTime() : fValue(0), fUnit(uiUnit()) {}
MTime::MTime(const MTime& src) = default;
MTime::MTime(double value, Unit unit) : fValue(value), fUnit(unit) {}
MTime::~MTime() {}
MTime::Unit MTime::unit() const { return fUnit; }
double MTime::value() const { return fValue; }
MStatus MTime::setUnit(Unit newUnit) {
    if (perSecond(newUnit) == 0) return invalid("(kInvalidParameter): Invalid time unit");
    fValue = as(newUnit);
    fUnit = newUnit;
    return MStatus::kSuccess;
}
MStatus MTime::setValue(double newValue) {
    fValue = newValue;
    return MStatus::kSuccess;
}
double MTime::as(Unit otherUnit) const {
    const double from = perSecond(fUnit), to = perSecond(otherUnit);
    if (from == 0 || to == 0) return 0;
    return fUnit == otherUnit ? fValue : fUnit == MTime::kSeconds ? fValue * to : fValue / from * to;
}
double MTime::asUnits(Unit otherUnit) const { return as(otherUnit); }
MTime::Unit MTime::uiUnit() { return timeline().uiUnit; }
MStatus MTime::setUIUnit(Unit newUnit) {
    if (perSecond(newUnit) == 0) return invalid("(kInvalidParameter): Invalid time unit");
    timeline().uiUnit = newUnit;
    return MStatus::kSuccess;
}
MTime& MTime::operator=(const MTime& rhs) = default;
MTime MTime::operator+(const MTime& rhs) const { return MTime(fValue + rhs.as(fUnit), fUnit); }
MTime MTime::operator+(double rhs) const { return MTime(fValue + rhs, fUnit); }
MTime& MTime::operator+=(const MTime& rhs) { return *this = *this + rhs; }
MTime& MTime::operator+=(double rhs) { return *this = *this + rhs; }
MTime MTime::operator-(const MTime& rhs) const { return MTime(fValue - rhs.as(fUnit), fUnit); }
MTime MTime::operator-(double rhs) const { return MTime(fValue - rhs, fUnit); }
MTime& MTime::operator-=(const MTime& rhs) { return *this = *this - rhs; }
MTime& MTime::operator-=(double rhs) { return *this = *this - rhs; }
MTime MTime::operator*(double rhs) const { return MTime(fValue * rhs, fUnit); }
MTime& MTime::operator*=(double rhs) { return *this = *this * rhs; }
MTime MTime::operator/(double rhs) const { return MTime(fValue / rhs, fUnit); }
MTime& MTime::operator/=(double rhs) { return *this = *this / rhs; }
bool MTime::operator==(const MTime& rhs) const { return seconds(*this) == seconds(rhs); }
bool MTime::operator!=(const MTime& rhs) const { return !(*this == rhs); }
bool MTime::operator<(const MTime& rhs) const { return seconds(*this) < seconds(rhs); }
bool MTime::operator>(const MTime& rhs) const { return rhs < *this; }
bool MTime::operator<=(const MTime& rhs) const { return !(rhs < *this); }
bool MTime::operator>=(const MTime& rhs) const { return !(*this < rhs); }

// ---- MAnimControl ----
MAnimControl::MAnimControl() {}
MAnimControl::~MAnimControl() {}
namespace {
MTime inUi(double s) { return MTime(MTime(s, MTime::kSeconds).as(MTime::uiUnit()), MTime::uiUnit()); }
}  // namespace
MTime MAnimControl::currentTime() { return inUi(timeline().current); }
MStatus MAnimControl::setCurrentTime(const MTime& newTime) {
    timeline().current = seconds(newTime);
    driveChannels();
    return MStatus::kSuccess;
}
MTime MAnimControl::minTime() { return inUi(timeline().minimum); }
MTime MAnimControl::maxTime() { return inUi(timeline().maximum); }
MStatus MAnimControl::setMinTime(MTime t) { return setMinMaxTime(t, maxTime()); }
MStatus MAnimControl::setMaxTime(MTime t) { return setMinMaxTime(minTime(), t); }
// The playback range stays inside the animation range: the animation range grows to hold it.
MStatus MAnimControl::setMinMaxTime(MTime newMinTime, MTime newMaxTime) {
    if (newMaxTime < newMinTime) return invalid("(kInvalidParameter): The minimum time is after the maximum");
    Timeline& t = timeline();
    t.minimum = seconds(newMinTime), t.maximum = seconds(newMaxTime);
    t.start = std::min(t.start, t.minimum), t.end = std::max(t.end, t.maximum);
    return MStatus::kSuccess;
}
MTime MAnimControl::animationStartTime() { return inUi(timeline().start); }
MTime MAnimControl::animationEndTime() { return inUi(timeline().end); }
MStatus MAnimControl::setAnimationStartTime(MTime t) { return setAnimationStartEndTime(t, animationEndTime()); }
MStatus MAnimControl::setAnimationEndTime(MTime t) { return setAnimationStartEndTime(animationStartTime(), t); }
// The playback range shrinks to stay inside the animation range.
MStatus MAnimControl::setAnimationStartEndTime(MTime newStartTime, MTime newEndTime) {
    if (newEndTime < newStartTime) return invalid("(kInvalidParameter): The start time is after the end");
    Timeline& t = timeline();
    t.start = seconds(newStartTime), t.end = seconds(newEndTime);
    t.minimum = std::min(std::max(t.minimum, t.start), t.end);
    t.maximum = std::max(std::min(t.maximum, t.end), t.minimum);
    return MStatus::kSuccess;
}
MAnimControl::PlaybackMode MAnimControl::playbackMode() { return timeline().mode; }
MStatus MAnimControl::setPlaybackMode(PlaybackMode newMode) {
    timeline().mode = newMode;
    return MStatus::kSuccess;
}
double MAnimControl::playbackBy() { return timeline().by; }
MStatus MAnimControl::setPlaybackBy(const double& newTime) {
    if (!(newTime > 0)) return invalid("(kInvalidParameter): The increment must be positive");
    timeline().by = newTime;
    return MStatus::kSuccess;
}
bool MAnimControl::isPlaying() { return timeline().playing; }
MStatus MAnimControl::playForward() {
    timeline().playing = true;
    return MStatus::kSuccess;
}
MStatus MAnimControl::playBackward() { return playForward(); }
MStatus MAnimControl::stop() {
    timeline().playing = false;
    return MStatus::kSuccess;
}

// ---- MAnimCurveChange ----
namespace {
// One edit of a change: keys inserted at index (a run of appends is one edit), keys erased at index (a run of
// removals at the same index is one edit), or the key at index replaced (keys[0] before, keys[1] after).
struct CurveEdit {
    enum Kind { kInsert, kErase, kReplace } kind;
    MObject curve;
    unsigned int index;
    std::vector<CurveKey> keys;
};
struct ChangeLog {
    std::vector<CurveEdit> edits;
    bool interactive = false;
};

CurveData* curveOf(const MObject& o, const char* call) {
    const std::uint32_t i = Scene::instance().checkedExisting(o, call);
    return i == kNoNode ? nullptr : Scene::instance().node(i).curve.get();
}

void record(MAnimCurveChange* change, void* data, CurveEdit::Kind kind, const MObject& curve, unsigned int index,
            const CurveKey& key, const CurveKey* after = nullptr) {
    if (change == nullptr) return;
    std::vector<CurveEdit>& edits = static_cast<ChangeLog*>(data)->edits;
    if (!edits.empty() && edits.back().kind == kind && edits.back().curve == curve) {
        CurveEdit& last = edits.back();
        if (kind == CurveEdit::kInsert && index == last.index + last.keys.size()) return last.keys.push_back(key);
        if (kind == CurveEdit::kErase && index == last.index) return last.keys.push_back(key);
    }
    edits.push_back(CurveEdit{kind, curve, index, {key}});
    if (after) edits.back().keys.push_back(*after);
}

// Applies (forward) or reverts one edit; skipped when the curve is gone or no longer holds those keys.
void apply(const CurveEdit& e, bool forward) {
    const std::uint32_t i = Scene::instance().existingIndex(e.curve);
    CurveData* c = i == kNoNode ? nullptr : Scene::instance().node(i).curve.get();
    if (c == nullptr) return;
    std::vector<CurveKey>& keys = c->keys;
    const std::size_t n = e.keys.size();
    const bool inserting = (e.kind == CurveEdit::kInsert) == forward;
    if (e.kind == CurveEdit::kReplace) {
        if (e.index < keys.size()) keys[e.index] = e.keys[forward ? 1 : 0];
    } else if (inserting) {
        if (e.index <= keys.size()) keys.insert(keys.begin() + e.index, e.keys.begin(), e.keys.end());
    } else if (e.index + n <= keys.size()) {
        keys.erase(keys.begin() + e.index, keys.begin() + e.index + n);
    }
}
}  // namespace

MAnimCurveChange::MAnimCurveChange(MStatus* rs) : data(new ChangeLog()) { setStatus(rs, MStatus::kSuccess); }
MAnimCurveChange::~MAnimCurveChange() { delete static_cast<ChangeLog*>(data); }
MStatus MAnimCurveChange::undoIt() {
    const std::vector<CurveEdit>& edits = static_cast<ChangeLog*>(data)->edits;
    for (auto it = edits.rbegin(); it != edits.rend(); ++it) apply(*it, false);
    driveChannels();
    return MStatus::kSuccess;
}
MStatus MAnimCurveChange::redoIt() {
    for (const CurveEdit& e : static_cast<ChangeLog*>(data)->edits) apply(e, true);
    driveChannels();
    return MStatus::kSuccess;
}
bool MAnimCurveChange::isInteractive() const { return static_cast<ChangeLog*>(data)->interactive; }
void MAnimCurveChange::setInteractive(bool value) { static_cast<ChangeLog*>(data)->interactive = value; }
const char* MAnimCurveChange::className() { return "MAnimCurveChange"; }

// ---- MFnAnimCurve ----
MFnAnimCurve::MFnAnimCurve(MObject& object, MStatus* rs) { setStatus(rs, setObject(object)); }
MFnAnimCurve::MFnAnimCurve(const MObject& object, MStatus* rs) { setStatus(rs, setObject(object)); }
MFnAnimCurve::MFnAnimCurve(const MPlug& plug, MStatus* rs) {
    Scene& scene = Scene::instance();
    const std::uint32_t node = scene.indexOf(plug.node());
    const Channel channel = channelOf(plug.attribute());
    const std::uint32_t curve = node == kNoNode || channel == kChannelEnd ? kNoNode : curveDriving(node, channel);
    if (curve == kNoNode) {
        setStatus(rs, invalid("(kInvalidParameter): No curve drives the plug"));
        return;
    }
    setStatus(rs, setObject(scene.handle(curve)));
}
bool MFnAnimCurve::accepts(const MObject& object) const {
    return MStandinAccess::kind(object) == mayastandin::detail::kNodeKind &&
           curveOf(object, "MFnAnimCurve::setObject") != nullptr;
}

MObject MFnAnimCurve::create(const MPlug& plug, MDGModifier* modifier, MStatus* rs) {
    const Channel channel = channelOf(plug.attribute());
    const AnimCurveType type = channel == kVisibility   ? kAnimCurveTU
                               : channel <= kTranslateZ ? kAnimCurveTL
                                                        : kAnimCurveTA;
    return create(plug, type, modifier, rs);
}

MObject MFnAnimCurve::create(const MPlug& plug, AnimCurveType type, MDGModifier* modifier, MStatus* rs) {
    Scene& scene = Scene::instance();
    const std::uint32_t node = plug.node().isNull() ? kNoNode : scene.validIndex(plug.node(), "MFnAnimCurve::create");
    const Channel channel = channelOf(plug.attribute());
    if (node == kNoNode || channel == kChannelEnd || !scene.node(node).type->isTransform) {
        setStatus(rs, invalid("(kInvalidParameter): The plug is not an animatable channel"));
        return MObject();
    }
    if (curveDriving(node, channel) != kNoNode) {
        setStatus(rs, invalid("(kInvalidParameter): A curve drives the plug already"));
        return MObject();
    }
    if (type != kAnimCurveTL && type != kAnimCurveTA && type != kAnimCurveTU) {
        setStatus(rs, invalid("(kInvalidParameter): Only time-input curves (TL, TA, TU) exist in this host"));
        return MObject();
    }
    std::string error;
    const std::uint32_t curve = createCurve(node, channel, error);
    scene.node(curve).curve->type = type;
    const MObject object = scene.handle(curve);
    if (modifier) MStandinAccess::recordCreated(modifier, object);
    setObject(object);
    setStatus(rs, MStatus::kSuccess);
    return object;
}

MObject MFnAnimCurve::create(AnimCurveType animCurveType, MDGModifier* modifier, MStatus* rs) {
    const char* type = animCurveType == kAnimCurveTL   ? "animCurveTL"
                       : animCurveType == kAnimCurveTA ? "animCurveTA"
                       : animCurveType == kAnimCurveTU ? "animCurveTU"
                                                       : nullptr;
    if (type == nullptr) {
        setStatus(rs, invalid("(kInvalidParameter): Only time-input curves (TL, TA, TU) exist in this host"));
        return MObject();
    }
    Scene& scene = Scene::instance();
    std::string error;
    const MObject object = scene.handle(scene.createDependencyNode(type, std::string(), &error));
    if (modifier) MStandinAccess::recordCreated(modifier, object);
    setObject(object);
    setStatus(rs, MStatus::kSuccess);
    return object;
}

namespace {
CurveData* checked(const MObject& o, MStatus* rs) {
    CurveData* c = MStandinAccess::kind(o) == mayastandin::detail::kNodeKind ? curveOf(o, "MFnAnimCurve") : nullptr;
    setStatus(rs, c ? MStatus(MStatus::kSuccess) : invalid("(kInvalidParameter): Object is not an animation curve"));
    return c;
}
CurveKey* keyAt(const MObject& o, unsigned int index, MStatus* rs) {
    CurveData* c = checked(o, rs);
    if (c == nullptr) return nullptr;
    if (index >= c->keys.size()) {
        setStatus(rs, invalid("(kInvalidParameter): Key index out of range"));
        return nullptr;
    }
    return &c->keys[index];
}
}  // namespace

MFnAnimCurve::AnimCurveType MFnAnimCurve::animCurveType(MStatus* rs) const {
    const CurveData* c = checked(fObject, rs);
    return c ? c->type : kAnimCurveUnknown;
}
unsigned int MFnAnimCurve::numKeys(MStatus* rs) const {
    const CurveData* c = checked(fObject, rs);
    return c ? static_cast<unsigned int>(c->keys.size()) : 0;
}
unsigned int MFnAnimCurve::numKeyframes(MStatus* rs) const { return numKeys(rs); }
MTime MFnAnimCurve::time(unsigned int index, MStatus* rs) {
    const CurveKey* k = keyAt(fObject, index, rs);
    return k ? MTime(MTime(k->seconds, MTime::kSeconds).as(MTime::uiUnit()), MTime::uiUnit()) : MTime();
}
double MFnAnimCurve::value(unsigned int index, MStatus* rs) {
    const CurveKey* k = keyAt(fObject, index, rs);
    return k ? k->value : 0;
}
MStatus MFnAnimCurve::setValue(unsigned int index, double value, MAnimCurveChange* change) {
    MStatus s;
    CurveKey* k = keyAt(fObject, index, &s);
    if (k == nullptr) return s;
    const CurveKey before = *k;
    k->value = value;
    if (change) record(change, change->data, CurveEdit::kReplace, fObject, index, before, k);
    return s;
}
unsigned int MFnAnimCurve::addKey(const MTime& time, double value, TangentType in, TangentType out,
                                  MAnimCurveChange* change, MStatus* rs) {
    CurveData* c = checked(fObject, rs);
    if (c == nullptr) return 0;
    const CurveKey key{time.as(MTime::kSeconds), value, in, out};
    std::vector<CurveKey>& keys = c->keys;
    const auto it = std::lower_bound(keys.begin(), keys.end(), key.seconds,
                                     [](const CurveKey& k, double t) { return k.seconds < t; });
    const unsigned int index = static_cast<unsigned int>(it - keys.begin());
    if (it != keys.end() && it->seconds == key.seconds) {
        const CurveKey before = *it;
        *it = key;
        if (change) record(change, change->data, CurveEdit::kReplace, fObject, index, before, &key);
    } else {
        keys.insert(it, key);
        if (change) record(change, change->data, CurveEdit::kInsert, fObject, index, key);
    }
    return index;
}
MStatus MFnAnimCurve::remove(unsigned int index, MAnimCurveChange* change) {
    MStatus s;
    const CurveKey* k = keyAt(fObject, index, &s);
    if (k == nullptr) return s;
    const CurveKey before = *k;
    std::vector<CurveKey>& keys = checked(fObject, nullptr)->keys;
    keys.erase(keys.begin() + index);
    if (change) record(change, change->data, CurveEdit::kErase, fObject, index, before);
    return s;
}
bool MFnAnimCurve::find(const MTime& time, unsigned int& index, MStatus* rs) {
    const CurveData* c = checked(fObject, rs);
    if (c == nullptr) return false;
    const double at = time.as(MTime::kSeconds);
    const auto it = std::lower_bound(c->keys.begin(), c->keys.end(), at - 1e-9,
                                     [](const CurveKey& k, double t) { return k.seconds < t; });
    if (it == c->keys.end() || std::fabs(it->seconds - at) >= 1e-9) return false;
    index = static_cast<unsigned int>(it - c->keys.begin());
    return true;
}
double MFnAnimCurve::evaluate(const MTime& atTime, MStatus* rs) {
    const CurveData* c = checked(fObject, rs);
    return c ? evaluateCurve(*c, atTime.as(MTime::kSeconds)) : 0;
}
MStatus MFnAnimCurve::evaluate(const MTime& atTime, double& value) {
    MStatus s;
    value = evaluate(atTime, &s);
    return s;
}
MFnAnimCurve::TangentType MFnAnimCurve::outTangentType(unsigned int index, MStatus* rs) const {
    const CurveKey* k = keyAt(fObject, index, rs);
    return k ? k->out : kTangentGlobal;
}
MFnAnimCurve::TangentType MFnAnimCurve::inTangentType(unsigned int index, MStatus* rs) const {
    const CurveKey* k = keyAt(fObject, index, rs);
    return k ? k->in : kTangentGlobal;
}

OPENMAYA_NAMESPACE_CLOSE
