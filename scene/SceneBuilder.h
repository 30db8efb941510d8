#pragma once
// Builds the scene for a set of data descriptions: a transform per marker set (or version 1 body), a
// locator per marker under it, a joint per bone (or segment) linked into chains, and one table group per
// marker set or body. Nodes already in the scene under the wanted name are reused, so reconnecting
// creates nothing new. Every edit goes through the given modifier; doIt runs once at the end of a build.
//
// The scene is walked once per build into a name index (first node in depth-first order per name), so a
// build costs the scene's size plus the described names, not their product.

#include <string>
#include <unordered_map>
#include <vector>

#include <maya/MDagModifier.h>
#include <maya/MDagPath.h>
#include <maya/MObject.h>

#include "MarkerGroupTable.h"
#include "NodeNames.h"
#include "OrvaneRecords.h"

namespace orvane {
namespace scene {

typedef std::vector<std::vector<MObject>> NodeLists;

// Own node name -> path of the first DAG node with that name in depth-first order, from one walk.
class DagNameIndex {
public:
    void rebuild();
    // An invalid path when no node had that name at the last rebuild.
    MDagPath find(const std::string& name) const;

private:
    std::unordered_map<std::string, MDagPath> paths_;
};

// The first DAG node, depth-first, whose own name is `name`; an invalid path when there is none.
MDagPath findDagPathByName(const std::string& name);

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

    // The node named for `rawName` in this build (see BuildNodeNames), or a new node of `typeName` renamed
    // to that name. Found nodes are returned whatever their type; a raw name met again in the same build
    // gives the same node.
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
    DagNameIndex index_;
    BuildNodeNames names_;
    std::unordered_map<std::string, MObject> nodesByRawName_;  // this build's nodes, by raw name
    bool warnedParent_;
};

}  // namespace scene
}  // namespace orvane
