#pragma once
// Applies one frame to the nodes of the last build: locators move to their markers' world positions,
// joints to their bones' (version 2, world space) or segments' (version 1, relative to the parent) poses.
// Positions are scaled by the single-precision 0.1 (stream millimetres to scene centimetres). Version 2
// bones other than the first of a skeleton whose pose is all zero are hidden; all others are shown. A joint
// with a joint orient or rotate axis still ends at the pose: its rotate value absorbs them. While a frame's
// hide and show commands run the selection is empty (and given back after), so a command whose node has
// gone never acts on what the artist selected.
// Frames may be malformed: counts are clamped, null arrays are empty, surplus entries are ignored.
// UI thread only; the caller holds the scene lock and owns the frame.

#include "MarkerGroupTable.h"
#include "OrvaneRecords.h"
#include "SceneBuilder.h"

namespace orvane {
namespace scene {

void applyFrameV1(const sFrameOfData& frame, const NodeLists& jointNodeLists, const NodeLists& markerNodeLists,
                  MarkerGroupTable& table);

// Marker sets first; then the skeleton pass, once per frame, whatever the marker sets gave.
void applyFrameV2(const sFrameOfMocapData& frame, const NodeLists& jointNodeLists, const NodeLists& markerNodeLists,
                  MarkerGroupTable& table);

// Whether a version 2 bone pose counts as untracked: all seven values exactly zero (-0.0 included).
bool isUntrackedPose(const sBodyPose& pose);

}  // namespace scene
}  // namespace orvane
