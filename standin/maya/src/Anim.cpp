// Time, the time slider and animation curves: MTime, MAnimControl, MFnAnimCurve.
#include <maya/MAnimControl.h>
#include <maya/MEulerRotation.h>
#include <maya/MFnAnimCurve.h>
#include <maya/MFnTransform.h>
#include <maya/MTime.h>
#include <maya/MVector.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "Anim.h"
#include "Internal.h"

using mayastandin::detail::kNoNode;
using mayastandin::detail::Scene;

namespace mayastandin {
namespace anim {
namespace {

using Autodesk::Maya::OpenMaya20180000::MStandinAccess;

struct Key {
    double seconds;
    double value;
    MFnAnimCurve::TangentType in, out;
};

struct Curve {
    std::uint32_t generation = 1;
    bool alive = false;
    MFnAnimCurve::AnimCurveType type = MFnAnimCurve::kAnimCurveUnknown;
    std::vector<Key> keys;  // rising times
    MObject node;           // the driven node, null when connected to nothing
    Channel channel = kChannelEnd;
};

struct Timeline {
    double current = 0, minimum = 1 / 24.0, maximum = 120 / 24.0, start = 1 / 24.0, end = 200 / 24.0;  // seconds
    double by = 1;
    MAnimControl::PlaybackMode mode = MAnimControl::kPlaybackLoop;
    bool playing = false;
    MTime::Unit uiUnit = MTime::kFilm;
};

std::vector<Curve>& curves() {
    static std::vector<Curve>* all = new std::vector<Curve>();
    return *all;
}

Timeline& timeline() {
    static Timeline* t = new Timeline();
    return *t;
}

Curve* curveOf(const MObject& o) {
    if (MStandinAccess::kind(o) != kCurveKind) return nullptr;
    const std::uint32_t i = MStandinAccess::index(o);
    if (i >= curves().size() || !curves()[i].alive || curves()[i].generation != MStandinAccess::generation(o))
        return nullptr;
    return &curves()[i];
}

// Seconds in one unit; 0 for kInvalid, kUserDef and kLast.
double secondsPer(MTime::Unit unit) {
    static const double fps[] = {0,    0,    0,    0,    0,      15,    24,    25,     30,    48,    50,   60,  2,
                                 3,    4,    5,    6,    8,      10,    12,    16,     20,    40,    75,   80,  100,
                                 120,  125,  150,  200,  240,    250,   300,   375,    400,   500,   600,  750, 1200,
                                 1500, 2000, 3000, 6000, 23.976, 29.97, 29.97, 47.952, 59.94, 44100, 48000};
    switch (unit) {
        case MTime::kHours: return 3600;
        case MTime::kMinutes: return 60;
        case MTime::kSeconds: return 1;
        case MTime::kMilliseconds: return 0.001;
        default: break;
    }
    const int i = static_cast<int>(unit);
    return i > 0 && i < static_cast<int>(sizeof fps / sizeof fps[0]) && fps[i] > 0 ? 1.0 / fps[i] : 0;
}

double seconds(const MTime& t) { return t.as(MTime::kSeconds); }

double evaluateCurve(const Curve& c, double at) {
    const std::vector<Key>& keys = c.keys;
    if (keys.empty()) return 0;
    if (at <= keys.front().seconds) return keys.front().value;
    if (at >= keys.back().seconds) return keys.back().value;
    const auto next =
        std::upper_bound(keys.begin(), keys.end(), at, [](double t, const Key& k) { return t < k.seconds; });
    const Key& a = *(next - 1);
    const Key& b = *next;
    if (a.out == MFnAnimCurve::kTangentStep) return a.value;
    if (b.in == MFnAnimCurve::kTangentStepNext) return b.value;
    return a.value + (b.value - a.value) * (at - a.seconds) / (b.seconds - a.seconds);
}

// Sets every channel a curve drives from its curve at the current time.
void driveChannels() {
    Scene& scene = Scene::instance();
    for (const Curve& c : curves()) {
        if (!c.alive || c.keys.empty()) continue;
        const std::uint32_t i = scene.indexOf(c.node);
        if (i == kNoNode) continue;  // not connected, or its node deleted since
        const double v = evaluateCurve(c, timeline().current);
        if (c.channel == kVisibility) {
            scene.setVisible(i, v >= 0.5);
            continue;
        }
        MFnTransform fn(c.node);
        if (c.channel <= kTranslateZ) {
            MVector t = fn.getTranslation(MSpace::kTransform);
            (c.channel == kTranslateX ? t.x : c.channel == kTranslateY ? t.y : t.z) = v;
            fn.setTranslation(t, MSpace::kTransform);
        } else {
            MEulerRotation r;
            fn.getRotation(r);
            (c.channel == kRotateX ? r.x : c.channel == kRotateY ? r.y : r.z) = v;
            fn.setRotation(r);
        }
    }
}

MStatus invalid(const char* what) { return MStandinAccess::status(MStatus::kInvalidParameter, what); }
void setStatus(MStatus* s, MStatus value) {
    if (s) *s = value;
}

}  // namespace

bool isLiveCurve(const MObject& curve) { return curveOf(curve) != nullptr; }

MFn::Type curveFnType(const MObject& curve) {
    const Curve* c = curveOf(curve);
    if (c == nullptr) return MFn::kInvalid;
    switch (c->type) {
        case MFnAnimCurve::kAnimCurveTA: return MFn::kAnimCurveTimeToAngular;
        case MFnAnimCurve::kAnimCurveTL: return MFn::kAnimCurveTimeToDistance;
        case MFnAnimCurve::kAnimCurveTU: return MFn::kAnimCurveTimeToUnitless;
        default: return MFn::kAnimCurve;
    }
}

Channel channelNamed(const std::string& name) {
    static const char* names[][2] = {{"translateX", "tx"}, {"translateY", "ty"}, {"translateZ", "tz"},
                                     {"rotateX", "rx"},    {"rotateY", "ry"},    {"rotateZ", "rz"}};
    for (std::uint32_t c = 0; c < 6; ++c)
        if (name == names[c][0] || name == names[c][1]) return static_cast<Channel>(kTranslateX + c);
    return kChannelEnd;
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
    if (secondsPer(newUnit) == 0) return invalid("(kInvalidParameter): Invalid time unit");
    fValue = as(newUnit);
    fUnit = newUnit;
    return MStatus::kSuccess;
}
MStatus MTime::setValue(double newValue) {
    fValue = newValue;
    return MStatus::kSuccess;
}
double MTime::as(Unit otherUnit) const {
    const double to = secondsPer(otherUnit);
    return to == 0 ? 0 : fValue * secondsPer(fUnit) / to;
}
double MTime::asUnits(Unit otherUnit) const { return as(otherUnit); }
MTime::Unit MTime::uiUnit() { return timeline().uiUnit; }
MStatus MTime::setUIUnit(Unit newUnit) {
    if (secondsPer(newUnit) == 0) return invalid("(kInvalidParameter): Invalid time unit");
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
MStatus MAnimControl::setMinMaxTime(const MTime& newMinTime, const MTime& newMaxTime) {
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
MStatus MAnimControl::setAnimationStartEndTime(const MTime& newStartTime, const MTime& newEndTime) {
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
MTime MAnimControl::playbackBy() { return MTime(timeline().by, MTime::uiUnit()); }
MStatus MAnimControl::setPlaybackBy(const MTime& increment) {
    if (!(increment.as(MTime::uiUnit()) > 0)) return invalid("(kInvalidParameter): The increment must be positive");
    timeline().by = increment.as(MTime::uiUnit());
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

// ---- MFnAnimCurve ----
MFnAnimCurve::MFnAnimCurve(MObject& object, MStatus* rs) { setStatus(rs, setObject(object)); }
MFnAnimCurve::MFnAnimCurve(const MObject& object, MStatus* rs) { setStatus(rs, setObject(object)); }
MFnAnimCurve::MFnAnimCurve(const MPlug& plug, MStatus* rs) {
    const std::vector<Curve>& all = curves();
    for (std::uint32_t i = 0; i < all.size(); ++i) {
        const Curve& c = all[i];
        const MObject attribute = plug.attribute();
        const std::uint32_t id = MStandinAccess::index(attribute);
        const Channel channel =
            id == mayastandin::detail::kVisibilityAttribute ? kVisibility : static_cast<Channel>(id);
        if (c.alive && !c.node.isNull() && c.node == plug.node() && c.channel == channel) {
            setStatus(rs, setObject(MStandinAccess::makeObject(kCurveKind, i, c.generation)));
            return;
        }
    }
    setStatus(rs, invalid("(kInvalidParameter): No curve drives the plug"));
}
bool MFnAnimCurve::accepts(const MObject& object) const { return isLiveCurve(object); }

namespace {
MObject newCurve(MFnAnimCurve::AnimCurveType type, const MObject& node, Channel channel) {
    std::vector<Curve>& all = curves();
    std::uint32_t i = 0;
    while (i < all.size() && all[i].alive) ++i;
    if (i == all.size()) all.emplace_back();
    Curve& c = all[i];
    c.alive = true;
    c.type = type;
    c.keys.clear();
    c.node = node;
    c.channel = channel;
    return MStandinAccess::makeObject(kCurveKind, i, c.generation);
}
}  // namespace

MObject MFnAnimCurve::create(const MPlug& plug, MDGModifier* modifier, MStatus* rs) {
    const std::uint32_t id = MStandinAccess::index(plug.attribute());
    const Channel channel = id == mayastandin::detail::kVisibilityAttribute ? kVisibility : static_cast<Channel>(id);
    const AnimCurveType type = channel == kVisibility   ? kAnimCurveTU
                               : channel <= kTranslateZ ? kAnimCurveTL
                                                        : kAnimCurveTA;
    return create(plug, type, modifier, rs);
}

MObject MFnAnimCurve::create(const MPlug& plug, AnimCurveType type, MDGModifier*, MStatus* rs) {
    const MObject attribute = plug.attribute();
    const std::uint32_t id = MStandinAccess::index(attribute);
    const Channel channel = id == mayastandin::detail::kVisibilityAttribute ? kVisibility : static_cast<Channel>(id);
    const bool isChannel = MStandinAccess::kind(attribute) == mayastandin::detail::kAttributeKind &&
                           (channel == kVisibility || (channel >= kTranslateX && channel <= kRotateZ));
    MStatus driven;
    MFnAnimCurve existing(plug, &driven);
    if (plug.node().isNull() || !isChannel || driven) {
        setStatus(rs, invalid(driven ? "(kInvalidParameter): A curve drives the plug already"
                                     : "(kInvalidParameter): The plug is not an animatable channel"));
        return MObject();
    }
    const MObject curve = newCurve(type, plug.node(), channel);
    setObject(curve);
    setStatus(rs, MStatus::kSuccess);
    return curve;
}

MObject MFnAnimCurve::create(AnimCurveType animCurveType, MDGModifier*, MStatus* rs) {
    const MObject curve = newCurve(animCurveType, MObject(), kChannelEnd);
    setObject(curve);
    setStatus(rs, MStatus::kSuccess);
    return curve;
}

namespace {
Curve* checked(const MObject& o, MStatus* rs) {
    Curve* c = curveOf(o);
    setStatus(rs, c ? MStatus(MStatus::kSuccess) : invalid("(kInvalidParameter): Object is not an animation curve"));
    return c;
}
Key* keyAt(const MObject& o, unsigned int index, MStatus* rs) {
    Curve* c = checked(o, rs);
    if (c == nullptr) return nullptr;
    if (index >= c->keys.size()) {
        setStatus(rs, invalid("(kInvalidParameter): Key index out of range"));
        return nullptr;
    }
    return &c->keys[index];
}
}  // namespace

MFnAnimCurve::AnimCurveType MFnAnimCurve::animCurveType(MStatus* rs) const {
    const Curve* c = checked(fObject, rs);
    return c ? c->type : kAnimCurveUnknown;
}
unsigned int MFnAnimCurve::numKeys(MStatus* rs) const {
    const Curve* c = checked(fObject, rs);
    return c ? static_cast<unsigned int>(c->keys.size()) : 0;
}
unsigned int MFnAnimCurve::numKeyframes(MStatus* rs) const { return numKeys(rs); }
MTime MFnAnimCurve::time(unsigned int index, MStatus* rs) {
    const Key* k = keyAt(fObject, index, rs);
    return k ? MTime(MTime(k->seconds, MTime::kSeconds).as(MTime::uiUnit()), MTime::uiUnit()) : MTime();
}
double MFnAnimCurve::value(unsigned int index, MStatus* rs) {
    const Key* k = keyAt(fObject, index, rs);
    return k ? k->value : 0;
}
MStatus MFnAnimCurve::setValue(unsigned int index, double value, MAnimCurveChange*) {
    MStatus s;
    Key* k = keyAt(fObject, index, &s);
    if (k) k->value = value;
    return s;
}
unsigned int MFnAnimCurve::addKey(const MTime& time, double value, TangentType in, TangentType out, MAnimCurveChange*,
                                  MStatus* rs) {
    Curve* c = checked(fObject, rs);
    if (c == nullptr) return 0;
    const double at = time.as(MTime::kSeconds);
    std::vector<Key>& keys = c->keys;
    const auto it =
        std::lower_bound(keys.begin(), keys.end(), at, [](const Key& k, double t) { return k.seconds < t; });
    const unsigned int index = static_cast<unsigned int>(it - keys.begin());
    if (it != keys.end() && it->seconds == at)
        *it = Key{at, value, in, out};
    else
        keys.insert(it, Key{at, value, in, out});
    return index;
}
MStatus MFnAnimCurve::remove(unsigned int index, MAnimCurveChange*) {
    MStatus s;
    if (keyAt(fObject, index, &s) != nullptr) curveOf(fObject)->keys.erase(curveOf(fObject)->keys.begin() + index);
    return s;
}
bool MFnAnimCurve::find(const MTime& time, unsigned int& index, MStatus* rs) {
    const Curve* c = checked(fObject, rs);
    if (c == nullptr) return false;
    const double at = time.as(MTime::kSeconds);
    for (std::size_t i = 0; i < c->keys.size(); ++i)
        if (std::fabs(c->keys[i].seconds - at) < 1e-9) {
            index = static_cast<unsigned int>(i);
            return true;
        }
    return false;
}
double MFnAnimCurve::evaluate(const MTime& atTime, MStatus* rs) {
    const Curve* c = checked(fObject, rs);
    return c ? evaluateCurve(*c, atTime.as(MTime::kSeconds)) : 0;
}
MStatus MFnAnimCurve::evaluate(const MTime& atTime, double& value) {
    MStatus s;
    value = evaluate(atTime, &s);
    return s;
}
MFnAnimCurve::TangentType MFnAnimCurve::outTangentType(unsigned int index, MStatus* rs) const {
    const Key* k = keyAt(fObject, index, rs);
    return k ? k->out : kTangentGlobal;
}

OPENMAYA_NAMESPACE_CLOSE
