#include "TakeCurves.h"

#include <algorithm>
#include <cmath>

#include <maya/MAnimControl.h>
#include <maya/MEulerRotation.h>
#include <maya/MFnAnimCurve.h>
#include <maya/MFnDependencyNode.h>
#include <maya/MFnTransform.h>
#include <maya/MObjectHandle.h>
#include <maya/MPlug.h>
#include <maya/MTransformationMatrix.h>

#include "NodeNames.h"

namespace orvane {
namespace scene {
namespace {

const double kRadians = 3.14159265358979323846 / 180.0;

RecordName nameOf(const std::string& raw) { return RecordName{raw.data(), raw.size()}; }

// The names a build meets, in its order: version 1 a body's name, its markers, its segments, body by body;
// version 2 the marker sets and their markers, then the skeletons' bones (the order of marker sets among
// skeletons is not in the file, and only tells which of two names with one legal form gets a suffix).
std::vector<RecordName> buildNames(const take::TakeLayout& layout) {
    std::vector<RecordName> names;
    const std::size_t count = std::max(layout.markerGroups.size(), layout.chains.size());
    for (std::size_t i = 0; i < count; ++i) {
        if (i < layout.markerGroups.size()) {
            names.push_back(nameOf(layout.markerGroups[i].name));
            for (const std::string& marker : layout.markerGroups[i].markerNames) names.push_back(nameOf(marker));
        }
        if (!layout.isVersion2() && i < layout.chains.size())
            for (const std::string& bone : layout.chains[i].boneNames) names.push_back(nameOf(bone));
    }
    if (layout.isVersion2())
        for (const take::ChainLayout& chain : layout.chains)
            for (const std::string& bone : chain.boneNames) names.push_back(nameOf(bone));
    return names;
}

// As the scene builder finds a node again: its build name, then that name's fallbacks, the first holding a
// node of the kind; none when a name no node holds comes first.
MObjectHandle findBuilt(const DagNameLookup& lookup, const BuildNodeNames& names, const std::string& raw,
                        const char* kind) {
    const std::string name = names.nameFor(nameOf(raw));
    if (name.empty()) return MObjectHandle();
    std::string candidate = name;
    unsigned long suffix = 1;
    while (true) {
        bool taken = false;
        const MDagPath path = lookup.find(candidate, kind, taken);
        if (path.isValid()) return MObjectHandle(path.node());
        if (!taken) return MObjectHandle();
        do candidate = name + "_" + std::to_string(++suffix);
        while (names.isGiven(candidate));
    }
}

MObjectHandle given(const NodeLists* lists, std::size_t list, std::size_t element) {
    if (lists == nullptr || list >= lists->size() || element >= (*lists)[list].size()) return MObjectHandle();
    return (*lists)[list][element];
}

MEulerRotation::RotationOrder eulerOrder(MTransformationMatrix::RotationOrder order) {
    switch (order) {
        case MTransformationMatrix::kYZX: return MEulerRotation::kYZX;
        case MTransformationMatrix::kZXY: return MEulerRotation::kZXY;
        case MTransformationMatrix::kXZY: return MEulerRotation::kXZY;
        case MTransformationMatrix::kYXZ: return MEulerRotation::kYXZ;
        case MTransformationMatrix::kZYX: return MEulerRotation::kZYX;
        default: return MEulerRotation::kXYZ;
    }
}

// XYZ degrees as the joint's rotate order wants them, made continuous again: the Euler filter's other
// solution turns the middle axis of the order, so each triple is filtered in the order's own axis sequence.
std::vector<double> inRotateOrder(const std::vector<double>& xyz, MEulerRotation::RotationOrder order) {
    if (order == MEulerRotation::kXYZ) return xyz;
    static const unsigned int axes[6][3] = {{0, 1, 2}, {1, 2, 0}, {2, 0, 1}, {0, 2, 1}, {1, 0, 2}, {2, 1, 0}};
    const unsigned int* a = axes[order];
    std::vector<double> out(xyz.size());
    Euler previous{0, 0, 0};
    for (std::size_t i = 0; i + 2 < xyz.size(); i += 3) {
        const MEulerRotation r =
            MEulerRotation(xyz[i] * kRadians, xyz[i + 1] * kRadians, xyz[i + 2] * kRadians).reorder(order);
        Euler e{r[a[0]] / kRadians, r[a[1]] / kRadians, r[a[2]] / kRadians};
        if (i > 0) e = filterEuler(e, previous);
        previous = e;
        out[i + a[0]] = e.x, out[i + a[1]] = e.y, out[i + a[2]] = e.z;
    }
    return out;
}

}  // namespace

TakeNodes resolveTakeNodes(const take::TakeLayout& layout, const NodeLists* markerNodes, const NodeLists* jointNodes) {
    const BuildNodeNames names(buildNames(layout));
    DagNameLookup lookup;
    lookup.begin();
    TakeNodes nodes;
    for (std::size_t g = 0; g < layout.markerGroups.size(); ++g) {
        nodes.markerNodes.emplace_back();
        const std::vector<std::string>& markers = layout.markerGroups[g].markerNames;
        for (std::size_t j = 0; j < markers.size(); ++j) {
            const MObjectHandle handle = given(markerNodes, g, j);
            nodes.markerNodes.back().push_back(handle.isValid() ? handle
                                                                : findBuilt(lookup, names, markers[j], "locator"));
        }
    }
    for (std::size_t k = 0; k < layout.chains.size(); ++k) {
        nodes.jointNodes.emplace_back();
        const std::vector<std::string>& bones = layout.chains[k].boneNames;
        for (std::size_t l = 0; l < bones.size(); ++l) {
            const MObjectHandle handle = given(jointNodes, k, l);
            nodes.jointNodes.back().push_back(handle.isValid() ? handle : findBuilt(lookup, names, bones[l], "joint"));
        }
    }
    return nodes;
}

TakeCurves::TakeCurves() {}

TakeCurves::~TakeCurves() {}

TakeCurves::Range TakeCurves::currentRange() {
    return Range{MAnimControl::minTime(), MAnimControl::maxTime(), MAnimControl::animationStartTime(),
                 MAnimControl::animationEndTime()};
}

void TakeCurves::setRange(const Range& range) {
    MAnimControl::setAnimationStartEndTime(range.startTime, range.endTime);
    MAnimControl::setMinMaxTime(range.minTime, range.maxTime);
    // The animated channels take their curves' values at the current time.
    MAnimControl::setCurrentTime(MAnimControl::currentTime());
}

void TakeCurves::bake(const BakeResult& keys, const take::TakeLayout& layout, const TakeNodes& nodes,
                      std::vector<std::string>& skipped) {
    before_ = currentRange();
    change_ = std::make_unique<MAnimCurveChange>();
    const MTime first(keys.startSeconds, MTime::kSeconds), last(keys.endSeconds, MTime::kSeconds);
    std::vector<MTime> times;
    times.reserve(keys.times.size());
    for (double t : keys.times) times.emplace_back(t, MTime::kSeconds);

    // One channel: keys inside the take's range replaced, or a new curve.
    auto keyChannel = [&](const MPlug& plug, const std::vector<std::uint32_t>& at, const double* values,
                          std::size_t stride, double scale, MFnAnimCurve::TangentType in,
                          MFnAnimCurve::TangentType out) {
        MStatus driven;
        MFnAnimCurve curve(plug, &driven);
        // A curve made here goes with its keys when the modifier is undone and comes back with them: only the
        // edits of curves that were there before are kept in the change.
        MAnimCurveChange* change = driven ? change_.get() : nullptr;
        if (driven) {
            for (unsigned int i = curve.numKeys(); i-- > 0;) {
                const MTime t = curve.time(i);
                if (t >= first && t <= last) curve.remove(i, change_.get());
            }
            ++keyed_;
        } else {
            MStatus made;
            curve.create(plug, &modifier_, &made);
            if (!made) return;
            ++created_;
        }
        for (std::size_t k = 0; k < at.size(); ++k)
            curve.addKey(times[at[k]], values[k * stride] * scale, in, out, change);
    };

    static const char* const translate[3] = {"translateX", "translateY", "translateZ"};
    static const char* const rotate[3] = {"rotateX", "rotateY", "rotateZ"};
    for (const NodeTrack& track : keys.tracks) {
        const NodeLists& lists = track.joint ? nodes.jointNodes : nodes.markerNodes;
        const std::size_t list = static_cast<std::size_t>(track.list);
        const std::size_t element = static_cast<std::size_t>(track.element);
        const MObjectHandle handle = given(&lists, list, element);
        if (!handle.isValid()) {
            skipped.push_back(track.joint ? layout.chains[list].boneNames[element]
                                          : layout.markerGroups[list].markerNames[element]);
            continue;
        }
        MObject node = handle.object();
        const MFnDependencyNode fn(node);
        if (!track.keys.empty()) {
            for (int c = 0; c < 3; ++c)
                keyChannel(fn.findPlug(translate[c], true), track.keys, track.translate.data() + c, 3, 1.0,
                           MFnAnimCurve::kTangentLinear, MFnAnimCurve::kTangentLinear);
        }
        if (track.joint && !track.keys.empty()) {
            const std::vector<double> rotation =
                inRotateOrder(track.rotate, eulerOrder(MFnTransform(node).rotationOrder()));
            for (int c = 0; c < 3; ++c)
                keyChannel(fn.findPlug(rotate[c], true), track.keys, rotation.data() + c, 3, kRadians,
                           MFnAnimCurve::kTangentLinear, MFnAnimCurve::kTangentLinear);
        }
        if (!track.visibilityKeys.empty()) {
            const std::vector<double> visible(track.visible.begin(), track.visible.end());
            keyChannel(fn.findPlug("visibility", true), track.visibilityKeys, visible.data(), 1, 1.0,
                       MFnAnimCurve::kTangentGlobal, MFnAnimCurve::kTangentStep);
        }
    }

    after_ = before_;
    if (!keys.times.empty()) {
        after_.minTime = first, after_.maxTime = last;
        if (first < after_.startTime) after_.startTime = first;
        if (last > after_.endTime) after_.endTime = last;
    }
    setRange(after_);
}

void TakeCurves::undoIt() {
    if (change_) change_->undoIt();
    modifier_.undoIt();
    setRange(before_);
}

void TakeCurves::redoIt() {
    modifier_.doIt();
    if (change_) change_->redoIt();
    setRange(after_);
}

}  // namespace scene
}  // namespace orvane
