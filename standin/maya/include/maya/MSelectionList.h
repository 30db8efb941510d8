#pragma once
// A list of scene objects: DAG paths and dependency nodes. Filled by hand with add, or by name through
// MGlobal::getSelectionListByName. Copy freely; it owns nothing in the scene.
#include <maya/MDagPath.h>
#include <maya/MObject.h>
#include <maya/MStatus.h>
#include <maya/MString.h>
#include <vector>

OPENMAYA_NAMESPACE_OPEN

class OPENMAYA_EXPORT MSelectionList {
public:
    enum MergeStrategy { kMergeNormal = 0, kXORWithList, kRemoveFromList };

    MSelectionList();
    MSelectionList(const MSelectionList& src);
    virtual ~MSelectionList();
    MSelectionList& operator=(const MSelectionList& other);

    MStatus clear();
    bool isEmpty(MStatus* ReturnStatus = NULL) const;
    unsigned int length(MStatus* ReturnStatus = NULL) const;
    MStatus getDependNode(unsigned int index, MObject& depNode) const;
    // Fails for an index past the end and for an item that is not a DAG node.
    MStatus getDagPath(unsigned int index, MDagPath& dagPath, MObject& component = MObject::kNullObj) const;
    // mergeWithExisting: an object already on the list is not added again.
    MStatus add(const MObject& object, const bool mergeWithExisting = false);
    MStatus add(const MDagPath& object, const MObject& component = MObject::kNullObj,
                const bool mergeWithExisting = false);

private:
    std::vector<MObject> fItems;
};

OPENMAYA_NAMESPACE_CLOSE
