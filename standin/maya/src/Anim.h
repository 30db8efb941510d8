#pragma once
// Animation curves of the stand-in host (Anim.cpp): the object kind of a curve and the channel attributes
// that curves drive, for the few places in Dag.cpp that tell objects and plugs apart.
#include <maya/MFn.h>
#include <maya/MObject.h>

#include <cstdint>
#include <string>

namespace mayastandin {
namespace anim {

// MObject kind of an animation curve; its index is the curve's, checked by generation like a node's.
const std::uint32_t kCurveKind = 0x41;
// Attribute ids of the channels a curve can drive (the index of an attribute object), after the host's own.
enum Channel : std::uint32_t {
    kTranslateX = 0x40,
    kTranslateY,
    kTranslateZ,
    kRotateX,
    kRotateY,
    kRotateZ,
    kVisibility,  // the same channel as the host's visibility plug
    kChannelEnd
};

bool isLiveCurve(const MObject& curve);
MFn::Type curveFnType(const MObject& curve);  // kInvalid for a deleted curve
// The channel an attribute name (long or short) names on a transform, or kChannelEnd.
Channel channelNamed(const std::string& name);

}  // namespace anim
}  // namespace mayastandin
