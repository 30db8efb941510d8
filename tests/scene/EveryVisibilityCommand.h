#pragma once
// The hide and show commands of every bone of a frame, as the skeleton pass would run them without looking at
// the scene first: the reference for the pass that runs them only where they change something (the scene
// tests compare the two, the scene benchmark weighs them).
#include <maya/MDagPath.h>
#include <maya/MFnDagNode.h>
#include <maya/MGlobal.h>
#include <maya/MString.h>

#include "FrameApplier.h"
#include "OrvanePluginSDK.h"

inline void runEveryVisibilityCommand(const sFrameOfMocapData& frame, const orvane::scene::NodeLists& jointNodeLists) {
    for (int k = 0; k < frame.skeletonCount && k < static_cast<int>(jointNodeLists.size()); ++k) {
        const sSkeletonFrame& skeleton = frame.skeletons[k];
        for (int l = 0; l < skeleton.boneCount && l < static_cast<int>(jointNodeLists[k].size()); ++l) {
            MObject joint = jointNodeLists[k][l].object();
            MDagPath path;
            MFnDagNode(joint).getPath(path);
            if (!path.isValid()) continue;
            const bool hide = l != 0 && orvane::scene::isUntrackedPose(skeleton.bones[l]);
            MString command;
            command.format(MString(hide ? "hide `ls -an ^1s`;" : "showHidden  `ls -an ^1s`;"), path.fullPathName());
            MGlobal::executeCommand(command, false, false);
        }
    }
}
