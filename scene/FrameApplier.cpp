#include "FrameApplier.h"

#include <algorithm>

#include <maya/MDGContext.h>
#include <maya/MDagPath.h>
#include <maya/MEulerRotation.h>
#include <maya/MFnDagNode.h>
#include <maya/MFnDependencyNode.h>
#include <maya/MFnIkJoint.h>
#include <maya/MFnTransform.h>
#include <maya/MGlobal.h>
#include <maya/MObjectHandle.h>
#include <maya/MMatrix.h>
#include <maya/MPlug.h>
#include <maya/MQuaternion.h>
#include <maya/MSelectionList.h>
#include <maya/MString.h>
#include <maya/MVector.h>

namespace orvane {
namespace scene {
namespace {

const float kPositionScale = 0.1f;
const double kDegreesToRadians = 0.017453292519943295;

int boundedCount(int count, const void* array, std::size_t listSize) {
    return std::min(clampCount(count, array), static_cast<int>(std::min<std::size_t>(listSize, kUnboundedCount)));
}

// The table's coordinate writes of one frame, bracketed when there are any.
class TableFrame {
public:
    TableFrame(MarkerGroupTable& table, bool writes) : table_(writes ? &table : nullptr) {
        if (table_) table_->beginFrame();
    }
    ~TableFrame() {
        if (table_) table_->endFrame();
    }

private:
    MarkerGroupTable* table_;
};

// The node of a handle, or null for one that is not valid: deleted by the user (it waits in the undo queue
// and comes back with undo) or destroyed (by New or Open Scene, or a flushed undo queue). The MObject of a
// destroyed node dangles: nothing may be given it.
MObject drivenNode(const MObjectHandle& handle) { return handle.isValid() ? handle.object() : MObject(); }

// Moves a locator to a marker's position in world space.
void moveLocator(MObject node, const MarkerData& point) {
    if (node.isNull()) return;
    MDagPath path;
    MFnDagNode(node).getPath(path);
    if (!path.isValid()) return;
    MFnTransform transform(path);
    transform.setTranslation(MVector(point[0], point[1], point[2]) * kPositionScale, MSpace::kWorld);
}

// A marker set's rows when refreshing, then its locators: the table and the scene are independent, and one
// pass over each keeps each one's working set in the caches.
void applyMarkers(const std::vector<MObjectHandle>& locators, int markerCount, const MarkerData* markers,
                  int headingRow, MarkerGroupTable& table, bool refresh) {
    const int count = boundedCount(markerCount, markers, locators.size());
    if (refresh)
        for (int j = 0; j < count; ++j)
            table.setMarkerCoordinates(headingRow + 1 + j, markers[j][0], markers[j][1], markers[j][2]);
    for (int j = 0; j < count; ++j) moveLocator(drivenNode(locators[j]), markers[j]);
}

// The artist's selection, set aside while the visibility commands of one frame run: hide and showHidden act
// on the selection when their `ls` finds nothing (a bone deleted or renamed by then, whoever did it), and an
// empty selection leaves them nothing to act on. Set aside before the first command, given back at the end.
class SelectionSetAside {
public:
    SelectionSetAside() : setAside_(false) {}
    ~SelectionSetAside() {
        if (setAside_) MGlobal::setActiveSelectionList(selection_);
    }
    void setAside() {
        if (setAside_) return;
        MGlobal::getActiveSelectionList(selection_);
        if (selection_.length() == 0) return;  // nothing to protect; looked at again before the next command
        setAside_ = true;
        MGlobal::setActiveSelectionList(MSelectionList());
    }

private:
    bool setAside_;
    MSelectionList selection_;
};

void runVisibilityCommand(const char* templateText, const MDagPath& path, SelectionSetAside& selection) {
    const MString fullPath = path.fullPathName();
    if (fullPath.length() == 0) return;  // `ls -an` of nothing would list every node
    selection.setAside();
    MString command;
    command.format(MString(templateText), fullPath);
    MGlobal::executeCommand(command, false, false);
}

// Whether the node's own visibility attribute (what hide and showHidden set) is other than `visible`, read
// from the scene each time, so a bone the user hid by hand is still shown by the next frame that tracks it.
// A plug that cannot be read counts as different: the command then runs, as it always would.
bool visibilityDiffers(MObject& node, bool visible) {
    static const MString visibilityName("visibility");
    MStatus status;
    const MPlug plug = MFnDependencyNode(node).findPlug(visibilityName, true, &status);
    if (!status) return true;
    // The normal context named: the devkit's overloads differ between versions in whether it may be left out.
    const bool current = plug.asBool(&status);
    return !status || current != visible;
}

// A joint's rotate axis and orient, false when it has neither. Its rotation relative to its parent is
// [RO][R][JO] (rotate axis, rotate, joint orient), and MFnTransform writes [R] alone, world space included:
// an oriented joint's rotate value is worked out here. The orient is read as Euler angles, which costs a
// joint without one no trigonometry.
bool orientOf(const MFnIkJoint& joint, MQuaternion& axis, MQuaternion& orient) {
    MEulerRotation angles;
    if (!joint.getOrientation(angles) || !joint.getScaleOrientation(axis)) return false;
    const bool noOrient = angles.x == 0.0 && angles.y == 0.0 && angles.z == 0.0;
    if (noOrient && axis.x == 0.0 && axis.y == 0.0 && axis.z == 0.0) return false;
    orient = angles.asQuaternion();
    return true;
}

}  // namespace

bool isUntrackedPose(const sBodyPose& pose) {
    return pose.x == 0.0f && pose.y == 0.0f && pose.z == 0.0f && pose.qx == 0.0f && pose.qy == 0.0f &&
           pose.qz == 0.0f && pose.qw == 0.0f;
}

void applyFrameV1(const sFrameOfData& frame, const NodeLists& jointNodeLists, const NodeLists& markerNodeLists,
                  MarkerGroupTable& table) {
    if (table.rowCount() <= 1) return;
    const bool refresh = table.refreshEnabled();
    const TableFrame tableFrame(table, refresh);
    const int bodyCount = std::min(clampCount(frame.bodyCount, kMaxBodyFrames),
                                   static_cast<int>(std::min(jointNodeLists.size(), markerNodeLists.size())));
    for (int i = 0; i < bodyCount; ++i) {
        const sBodyFrame& body = frame.bodies[i];
        const int headingRow = table.headingRow(boundedName(body.name));
        if (headingRow < 0) continue;
        applyMarkers(markerNodeLists[i], body.markerCount, body.markers, headingRow, table, refresh);

        const std::vector<MObjectHandle>& joints = jointNodeLists[i];
        const int segmentCount = boundedCount(body.segmentCount, body.segments, joints.size());
        for (int k = 0; k < segmentCount; ++k) {
            const sSegmentPose& segment = body.segments[k];
            MObject joint = drivenNode(joints[k]);
            if (joint.isNull()) continue;
            MFnIkJoint transform(joint);
            transform.setTranslation(MVector(segment.x, segment.y, segment.z) * kPositionScale, MSpace::kTransform);
            const MEulerRotation rotation(segment.rx * kDegreesToRadians, segment.ry * kDegreesToRadians,
                                          segment.rz * kDegreesToRadians, MEulerRotation::kXYZ);
            MQuaternion axis, orient;
            if (orientOf(transform, axis, orient))
                transform.setRotation((axis.inverse() * rotation.asQuaternion() * orient.inverse()).asEulerRotation());
            else
                transform.setRotation(rotation);
        }
    }
}

void applyFrameV2(const sFrameOfMocapData& frame, const NodeLists& jointNodeLists, const NodeLists& markerNodeLists,
                  MarkerGroupTable& table) {
    const bool refresh = table.refreshEnabled();
    const TableFrame tableFrame(table, refresh);
    const int setCount =
        std::min(clampCount(frame.markerSetCount, kMaxMarkerSetFrames), static_cast<int>(markerNodeLists.size()));
    for (int i = 0; i < setCount; ++i) {
        const sMarkerSetFrame& set = frame.markerSets[i];
        const int headingRow = table.headingRow(boundedName(set.name));
        if (headingRow < 0) continue;
        applyMarkers(markerNodeLists[i], set.markerCount, set.markers, headingRow, table, refresh);
    }

    const int skeletonCount =
        std::min(clampCount(frame.skeletonCount, kMaxSkeletonFrames), static_cast<int>(jointNodeLists.size()));
    SelectionSetAside selection;
    for (int k = 0; k < skeletonCount; ++k) {
        const sSkeletonFrame& skeleton = frame.skeletons[k];
        const std::vector<MObjectHandle>& joints = jointNodeLists[k];
        const int boneCount = boundedCount(skeleton.boneCount, skeleton.bones, joints.size());
        for (int l = 0; l < boneCount; ++l) {
            MObject joint = drivenNode(joints[l]);
            if (joint.isNull()) continue;
            MDagPath path;
            MFnDagNode(joint).getPath(path);
            if (!path.isValid()) continue;
            MFnIkJoint transform(path);
            const sBodyPose& pose = skeleton.bones[l];
            // The hide and show commands only run where they change the scene: one command per bone and
            // frame would cost more than the rest of the frame.
            if (l != 0 && isUntrackedPose(pose)) {
                if (visibilityDiffers(joint, false)) runVisibilityCommand("hide `ls -an ^1s`;", path, selection);
                continue;
            }
            if (visibilityDiffers(joint, true)) {
                runVisibilityCommand("showHidden  `ls -an ^1s`;", path, selection);
                // Whatever ran with the command (a script, a callback) may have deleted the bone meanwhile.
                if (!joints[l].isValid()) continue;
            }
            transform.setTranslation(MVector(pose.x, pose.y, pose.z) * kPositionScale, MSpace::kWorld);
            const MQuaternion world(pose.qx, pose.qy, pose.qz, pose.qw);
            MQuaternion axis, orient;
            if (orientOf(transform, axis, orient)) {
                MQuaternion parent;
                parent = path.exclusiveMatrix();
                transform.setRotation(axis.inverse() * world * parent.inverse() * orient.inverse(), MSpace::kTransform);
            } else {
                transform.setRotation(world, MSpace::kWorld);
            }
        }
    }
}

}  // namespace scene
}  // namespace orvane
