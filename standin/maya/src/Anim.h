#pragma once
// Animation curves of the stand-in host (Anim.cpp): the channel attributes that curves drive, and what the MEL
// commands and the scene files share about curves. Curves are dependency nodes of the scene (Scene, CurveData).
#include <maya/MObject.h>
#include <maya/MTime.h>

#include <cstdint>
#include <string>

namespace mayastandin {
namespace anim {

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

// The channel an attribute name (long or short) names on a transform, or kChannelEnd; visibility included
// only with withVisibility (MFnDependencyNode::findPlug has its own visibility plug).
Channel channelNamed(const std::string& name, bool withVisibility = false);
const char* longName(Channel channel);
const char* shortName(Channel channel);
// The channel an attribute object stands for, or kChannelEnd.
Channel channelOf(const MObject& attribute);
// The curve in the scene that drives a node's channel, or kNoNode.
std::uint32_t curveDriving(std::uint32_t node, Channel channel);
// Makes a curve in the scene for a node's channel, named as Maya names it ("locator1_translateX"); kNoNode and
// an error for a node that is no transform.
std::uint32_t createCurve(std::uint32_t node, Channel channel, std::string& error);
// Sets every channel that a curve in the scene drives from its curve at the current time.
void driveChannels();
// Sets one channel from its curve at the current time.
void driveChannel(std::uint32_t curve);
// A time unit's name as currentUnit -time gives it ("film", "ntsc", "120fps"); kInvalid for an unknown name.
std::string timeUnitName(MTime::Unit unit);
MTime::Unit timeUnitNamed(const std::string& name);
// The time slider of a new scene: film, current time frame 1, playback 1 to 120, animation 1 to 200, stopped.
void resetTimeline();

}  // namespace anim
}  // namespace mayastandin
