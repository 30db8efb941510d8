#include "SceneBuilder.h"

#include <maya/MFnDagNode.h>
#include <maya/MFnDependencyNode.h>
#include <maya/MGlobal.h>
#include <maya/MItDag.h>
#include <maya/MSelectionList.h>
#include <maya/MString.h>

namespace orvane {
namespace scene {

namespace {

// The nodes of a path from the top of the DAG down to its last node, the world left out.
std::vector<MObject> nodesAlong(MDagPath path) {
    std::vector<MObject> nodes(path.length());
    for (std::size_t k = nodes.size(); k-- > 0;) {
        nodes[k] = path.node();
        path.pop();
    }
    return nodes;
}

}  // namespace

void DagNameLookup::begin() {
    const MItDag it(MItDag::kDepthFirst, MFn::kInvalid);
    it.getPath(root_);
    rootName_ = MFnDagNode(root_).name().asChar();
    ignored_.clear();
}

void DagNameLookup::ignore(const MObject& node) { ignored_.push_back(node); }

// A node of the build in progress is under the world until doIt, and so is the shape made with it.
bool DagNameLookup::isIgnored(MObject node) const {
    if (ignored_.empty()) return false;
    MFnDagNode fn(node);
    MObject parent = fn.parentCount() == 0 ? MObject() : fn.parent(0);
    for (const MObject& created : ignored_)
        if (created == node || created == parent) return true;
    return false;
}

// Whether a depth-first walk meets a's last node before b's.
bool DagNameLookup::precedes(const MDagPath& a, const MDagPath& b) const {
    const std::vector<MObject> x = nodesAlong(a), y = nodesAlong(b);
    std::size_t k = 0;
    while (k < x.size() && k < y.size() && x[k] == y[k]) ++k;
    if (k == x.size() || k == y.size()) return x.size() < y.size();  // an ancestor before its descendants
    // The paths part below one parent: its child listed first is walked first.
    MObject parent = k == 0 ? root_.node() : x[k - 1];
    const MFnDagNode fn(parent);
    const unsigned int count = fn.childCount();
    for (unsigned int c = 0; c < count; ++c) {
        const MObject child = fn.child(c);
        if (child == x[k]) return true;
        if (child == y[k]) return false;
    }
    return false;
}

MDagPath DagNameLookup::find(const std::string& name) const {
    bool taken = false;
    return find(name, nullptr, taken);
}

MDagPath DagNameLookup::find(const std::string& name, const char* typeName, bool& taken) const {
    taken = false;
    if (name == rootName_) {
        taken = true;
        return isNodeOfKind(root_, typeName) ? root_ : MDagPath();
    }
    const MString wanted(name.c_str());
    MSelectionList matches;
    if (!MGlobal::getSelectionListByName(wanted, matches)) return MDagPath();
    MDagPath first;
    MFnDagNode node;
    const unsigned int count = matches.length();
    for (unsigned int i = 0; i < count; ++i) {
        MDagPath path;
        if (!matches.getDagPath(i, path) || !path.isValid()) continue;  // not a DAG node
        node.setObject(path);
        if (node.name() != wanted || isIgnored(path.node())) continue;
        taken = true;
        if (!isNodeOfKind(path, typeName)) continue;
        if (!first.isValid() || precedes(path, first)) first = path;
    }
    return first;
}

MDagPath findDagPathByName(const std::string& name) {
    const MString wanted(name.c_str());
    MItDag it(MItDag::kDepthFirst, MFn::kInvalid);
    MFnDagNode node;
    for (; !it.isDone(); it.next()) {
        MObject current = it.currentItem();
        node.setObject(current);
        if (node.name() == wanted) {
            MDagPath path;
            it.getPath(path);
            return path;
        }
    }
    return MDagPath();
}

bool isNodeOfKind(const MDagPath& path, const char* typeName) {
    if (typeName == nullptr) return true;
    const MFnDagNode node(path);
    const std::string type = node.typeName().asChar();
    const std::string wanted = typeName;
    if (wanted == "joint") return type == "joint";
    if (type != "transform") return false;
    // A transform made as a "locator" has a locator shape; one made as a "transform" has no shape.
    bool locator = false;
    const unsigned int count = node.childCount();
    for (unsigned int c = 0; c < count; ++c) {
        const MObject child = node.child(c);
        if (!child.hasFn(MFn::kShape)) continue;
        if (wanted != "locator" || !child.hasFn(MFn::kLocator)) return false;
        locator = true;
    }
    return wanted == "locator" ? locator : wanted == "transform";
}

MObject createNamedNode(MDagModifier& modifier, const std::string& hostName, const char* typeName) {
    MObject node = modifier.createNode(MString(typeName), MObject::kNullObj);
    if (!hostName.empty()) modifier.renameNode(node, MString(hostName.c_str()));
    return node;
}

SceneBuilder::SceneBuilder(MDagModifier& modifier, NodeLists& jointNodeLists, NodeLists& markerNodeLists,
                           MarkerGroupTable& table)
    : modifier_(modifier),
      jointNodeLists_(jointNodeLists),
      markerNodeLists_(markerNodeLists),
      table_(table),
      warnedParent_(false) {}

namespace {

// Every name a build uses, in the order the build meets them.
std::vector<RecordName> namesOfV1(const sBodyDefs& bodyDefs) {
    std::vector<RecordName> names;
    const int bodyCount = clampCount(bodyDefs.bodyDefCount, kMaxBodyDefs);
    for (int i = 0; i < bodyCount; ++i) {
        const sBodyDefEntry& body = bodyDefs.bodyDefs[i];
        names.push_back(pointerName(body.name));
        const int markerCount = clampCount(body.markerCount, body.markerNames);
        for (int j = 0; j < markerCount; ++j) names.push_back(pointerNameAt(body.markerNames, j));
        const int segmentCount = clampCount(body.segmentCount, body.segmentNames);
        for (int k = 0; k < segmentCount; ++k) names.push_back(pointerName(body.segmentNames[k]));
    }
    return names;
}

std::vector<RecordName> namesOfV2(const sDataDescriptions& descriptions) {
    std::vector<RecordName> names;
    const int count = clampCount(descriptions.descriptionCount, kMaxDescriptions);
    for (int d = 0; d < count; ++d) {
        const sDescriptionEntry& entry = descriptions.descriptions[d];
        if (entry.type == Descriptor_MarkerSet && entry.markerSetDescription != nullptr) {
            const sMarkerSetDesc& set = *entry.markerSetDescription;
            names.push_back(boundedName(set.name));
            const int markerCount = clampCount(set.markerCount, set.markerNames);
            for (int j = 0; j < markerCount; ++j) names.push_back(pointerNameAt(set.markerNames, j));
        } else if (entry.type == Descriptor_Skeleton && entry.skeletonDescription != nullptr) {
            const sSkeletonDesc& skeleton = *entry.skeletonDescription;
            const int boneCount = clampCount(skeleton.boneCount, kMaxBonesPerSkeleton);
            for (int k = 0; k < boneCount; ++k) names.push_back(boundedName(skeleton.bones[k].name));
        }
    }
    return names;
}

}  // namespace

void SceneBuilder::startBuild(const std::vector<RecordName>& rawNames) {
    lookup_.begin();
    names_ = BuildNodeNames(rawNames);
    nodesByRawName_.clear();
    namesTaken_.clear();
    warnedParent_ = false;
}

MObject SceneBuilder::findOrCreateNode(const RecordName& rawName, const char* typeName) {
    // A nameless node cannot be found again, so each empty name makes one of its own.
    const std::string rawKey = rawName.str();
    const std::string key = std::string(typeName) + ':' + rawKey;
    if (!rawKey.empty()) {
        const auto known = nodesByRawName_.find(key);
        if (known != nodesByRawName_.end()) return known->second;
    }
    const std::string name = names_.nameFor(rawName);
    if (name.empty()) return createNamedNode(modifier_, name, typeName);
    // The name, then its fallbacks, skipping the names of the build's other descriptions and those this build
    // already uses (the same raw name for a node of another kind): the first with a node of the kind wanted
    // gives that node, the first no node holds gets a new one.
    MObject node;
    std::string candidate = name;
    unsigned long suffix = 1;
    while (true) {
        if (namesTaken_.count(candidate) == 0) {
            bool taken = false;
            const MDagPath path = lookup_.find(candidate, typeName, taken);
            if (path.isValid()) {
                node = path.node();
                break;
            }
            if (!taken) {
                node = createNamedNode(modifier_, candidate, typeName);
                lookup_.ignore(node);
                break;
            }
        }
        do candidate = name + "_" + std::to_string(++suffix);
        while (names_.isGiven(candidate));
    }
    namesTaken_.insert(candidate);
    nodesByRawName_.emplace(key, node);
    return node;
}

int SceneBuilder::checkedParent(int parent, int index, const RecordName& jointName) {
    if (parent == -1) return -1;
    if (parent >= 0 && parent < index) return parent;
    if (!warnedParent_) {
        warnedParent_ = true;
        MString message("Joint '");
        message += MString(jointName.str().c_str());
        message += "' names a parent that is not an earlier joint of its chain; it is made a root.";
        MGlobal::displayWarning(message);
    }
    return -1;
}

void SceneBuilder::buildMarkerGroup(const RecordName& groupName, int markerCount, char* const* markerNames) {
    std::vector<MObjectHandle>& markers = markerNodeLists_.back();
    const MObject group = findOrCreateNode(groupName, "transform");
    std::vector<RecordName> names;
    names.reserve(markerCount);
    for (int j = 0; j < markerCount; ++j) {
        const RecordName markerName = pointerNameAt(markerNames, j);
        names.push_back(markerName);
        const MObject marker = findOrCreateNode(markerName, "locator");
        modifier_.reparentNode(marker, group);
        markers.emplace_back(marker);
    }
    table_.appendMarkerGroup(groupName, names);
}

void SceneBuilder::buildV1(const sBodyDefs* bodyDefs) {
    if (bodyDefs == nullptr) return;
    startBuild(namesOfV1(*bodyDefs));
    const int bodyCount = clampCount(bodyDefs->bodyDefCount, kMaxBodyDefs);
    for (int i = 0; i < bodyCount; ++i) {
        const sBodyDefEntry& body = bodyDefs->bodyDefs[i];
        jointNodeLists_.push_back(std::vector<MObjectHandle>());
        markerNodeLists_.push_back(std::vector<MObjectHandle>());

        buildMarkerGroup(pointerName(body.name), clampCount(body.markerCount, body.markerNames), body.markerNames);

        // The chain's nodes as objects: a handle tells nothing of a node until doIt has put it in the scene.
        std::vector<MObject> joints;
        const int segmentCount = clampCount(body.segmentCount, body.segmentNames);
        for (int k = 0; k < segmentCount; ++k) {
            const RecordName segmentName = pointerName(body.segmentNames[k]);
            const MObject joint = findOrCreateNode(segmentName, "joint");
            joints.push_back(joint);
            jointNodeLists_.back().push_back(joint);
            const int rawParent = body.segmentParents ? body.segmentParents[k] : -1;
            const int parent = checkedParent(rawParent, k, segmentName);
            if (parent != -1) modifier_.reparentNode(joint, joints[parent]);
        }
    }
    modifier_.doIt();
}

void SceneBuilder::buildV2(const sDataDescriptions* descriptions) {
    if (descriptions == nullptr) return;
    startBuild(namesOfV2(*descriptions));
    const int count = clampCount(descriptions->descriptionCount, kMaxDescriptions);
    for (int d = 0; d < count; ++d) {
        const sDescriptionEntry& entry = descriptions->descriptions[d];
        if (entry.type == Descriptor_MarkerSet) {
            markerNodeLists_.push_back(std::vector<MObjectHandle>());
            const sMarkerSetDesc* set = entry.markerSetDescription;
            if (set == nullptr) continue;  // keeps the ordinals of the sets that follow
            buildMarkerGroup(boundedName(set->name), clampCount(set->markerCount, set->markerNames), set->markerNames);
        } else if (entry.type == Descriptor_Skeleton) {
            jointNodeLists_.push_back(std::vector<MObjectHandle>());
            const sSkeletonDesc* skeleton = entry.skeletonDescription;
            if (skeleton == nullptr) continue;
            std::vector<MObject> joints;  // as objects, as in buildV1
            const int boneCount = clampCount(skeleton->boneCount, kMaxBonesPerSkeleton);
            for (int k = 0; k < boneCount; ++k) {
                const sBoneDesc& bone = skeleton->bones[k];
                const RecordName boneName = boundedName(bone.name);
                const MObject joint = findOrCreateNode(boneName, "joint");
                joints.push_back(joint);
                jointNodeLists_.back().push_back(joint);
                // parentId is 1-based, 0 for a root; guard the subtraction against the smallest int.
                const int rawParent = bone.parentId == 0 ? -1 : (bone.parentId > 0 ? bone.parentId - 1 : -2);
                const int parent = checkedParent(rawParent, k, boneName);
                if (parent != -1) modifier_.reparentNode(joint, joints[parent]);
            }
        }
    }
    modifier_.doIt();
}

}  // namespace scene
}  // namespace orvane
