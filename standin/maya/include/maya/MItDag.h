#pragma once
// Depth-first (pre-order) walk over the DAG, starting with the world node, children in their order.
// Editing the DAG while iterating is not supported: reset() afterwards.
#include <maya/MDagPath.h>
#include <vector>

OPENMAYA_NAMESPACE_OPEN

class OPENMAYA_EXPORT MItDag {
public:
    enum TraversalType { kInvalidType, kDepthFirst, kBreadthFirst };

    MItDag(TraversalType type = kDepthFirst, MFn::Type filter = MFn::kInvalid, MStatus* ReturnStatus = NULL);
    virtual ~MItDag();

    MStatus reset();
    bool isDone(MStatus* ReturnStatus = NULL) const;
    MObject currentItem(MStatus* ReturnStatus = NULL);
    MObject item(MStatus* ReturnStatus = NULL) { return currentItem(ReturnStatus); }
    MStatus next();
    MStatus prune();
    MStatus getPath(MDagPath& path) const;
    MString fullPathName(MStatus* ReturnStatus = NULL) const;
    MString partialPathName(MStatus* ReturnStatus = NULL) const;
    unsigned int depth(MStatus* ReturnStatus = NULL) const;
    MObject root(MStatus* ReturnStatus = NULL);
    TraversalType getType(MStatus* /*ReturnStatus*/ = NULL) const { return fType; }

private:
    MItDag(const MItDag&);
    MItDag& operator=(const MItDag&);
    void advance(bool skipChildren);
    bool matches() const;

    struct Frame {
        std::uint32_t node;
        std::uint32_t nextChild;
    };
    TraversalType fType;
    MFn::Type fFilter;
    std::vector<Frame> fStack;          // depth-first: ancestors with the next child to visit
    std::vector<std::uint32_t> fQueue;  // breadth-first
    std::size_t fQueueHead;
    std::uint32_t fCurrent;
    bool fDone;
};

OPENMAYA_NAMESPACE_CLOSE
