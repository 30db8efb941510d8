#pragma once
// Builds the scene for a set of data descriptions: a transform per marker set (or version 1 body), a
// locator per marker under it, a joint per bone (or segment) linked into chains, and one table group per
// marker set or body. Nodes already in the scene under the wanted name are reused, so reconnecting
// creates nothing new. Every edit goes through the given modifier; doIt runs once at the end of a build.
//
// A node found by name is reused only if it is what the build would create there (see isNodeOfKind), so a
// camera named like a marker set is never reparented or moved. Otherwise the build creates its own node
// under the first of the name's fallbacks ("persp_2", "persp_3", ...) that no node holds yet, and finds it
// there again on the next build: a name the host had to change ("persp1") could not be told from a user's.
//
// Names are looked up through the host's own name index, so a build costs the described names, not the
// scene's size.

#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include <maya/MDagModifier.h>
#include <maya/MDagPath.h>
#include <maya/MObject.h>
#include <maya/MObjectHandle.h>

#include "MarkerGroupTable.h"
#include "NodeNames.h"
#include "OrvaneRecords.h"

namespace orvane {
namespace scene {

// Handles, not objects: a node the user deletes, or one a New or Open Scene destroys, must be told apart
// from a live one before anything touches it (see FrameApplier).
typedef std::vector<std::vector<MObjectHandle>> NodeLists;

// Finds the first DAG node in depth-first order whose own name is the one asked, as a walk of the whole DAG
// would, through the host's name look-up (MGlobal::getSelectionListByName): when several nodes share the
// name, their paths tell which one a walk meets first. Nodes created after begin() (by the build in
// progress: they keep the host's default names until the modifier's doIt) are never found, so a build sees
// the scene as it was when it began.
class DagNameLookup {
public:
    // Call at the start of each build, before any node of the build is created.
    void begin();
    // A node created by the build in progress.
    void ignore(const MObject& node);
    // An invalid path when no node has that name.
    MDagPath find(const std::string& name) const;
    // The first node named `name` of the kind a build creates as `typeName` (see isNodeOfKind); `taken`
    // tells whether any node at all has the name.
    MDagPath find(const std::string& name, const char* typeName, bool& taken) const;

private:
    bool isIgnored(MObject node) const;
    bool precedes(const MDagPath& a, const MDagPath& b) const;

    MDagPath root_;  // the world, first in depth-first order
    std::string rootName_;
    std::vector<MObject> ignored_;
};

// The first DAG node, depth-first, whose own name is `name`; an invalid path when there is none.
MDagPath findDagPathByName(const std::string& name);

// Whether a node is what a build makes as `typeName`: for "transform" a plain transform (not a joint, no
// shape below it, as a camera's transform has), for "locator" a transform with a locator shape (what
// creating a "locator" makes), for "joint" a joint. Null typeName: any node.
bool isNodeOfKind(const MDagPath& path, const char* typeName);

// A new node of `typeName` under the world, renamed to `hostName` when the modifier's doIt runs.
// A nameless node keeps the host's default name: there is nothing to find it by later.
MObject createNamedNode(MDagModifier& modifier, const std::string& hostName, const char* typeName);

class SceneBuilder {
public:
    SceneBuilder(MDagModifier& modifier, NodeLists& jointNodeLists, NodeLists& markerNodeLists,
                 MarkerGroupTable& table);

    // Both append to the node lists (the caller clears them first) and run doIt once.
    void buildV1(const sBodyDefs* bodyDefs);
    void buildV2(const sDataDescriptions* descriptions);  // null: nothing, not even doIt

    // The node of `typeName`'s kind named for `rawName` in this build (see BuildNodeNames) or under one of
    // that name's fallbacks, else a new node of `typeName` renamed to the first free one. A raw name met
    // again in the same build for the same type gives the same node; for another type, another node.
    MObject findOrCreateNode(const RecordName& rawName, const char* typeName);

private:
    // Scene index, names and node memo for a build of these raw names (description order).
    void startBuild(const std::vector<RecordName>& rawNames);
    void buildMarkerGroup(const RecordName& groupName, int markerCount, char* const* markerNames);
    // Parent position for the joint at `index`, or -1 for a root. A parent that is not an earlier joint
    // of the same chain makes the joint a root, with one warning per build.
    int checkedParent(int parent, int index, const RecordName& jointName);

    MDagModifier& modifier_;
    NodeLists& jointNodeLists_;
    NodeLists& markerNodeLists_;
    MarkerGroupTable& table_;
    DagNameLookup lookup_;
    BuildNodeNames names_;
    std::unordered_map<std::string, MObject> nodesByRawName_;  // this build's nodes, by type and raw name
    std::unordered_set<std::string> namesTaken_;               // the node names this build uses
    bool warnedParent_;
};

}  // namespace scene
}  // namespace orvane
