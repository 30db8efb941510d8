// MSelectionList and the name look-up that fills one (MGlobal::getSelectionListByName), over the scene's
// name index: a plain name costs one index look-up, whatever the scene's size.
#include <maya/MGlobal.h>
#include <maya/MSelectionList.h>
#include "Commands.h"

#include <algorithm>

using mayastandin::detail::kNoNode;
using mayastandin::detail::Scene;

OPENMAYA_NAMESPACE_OPEN

MSelectionList::MSelectionList() {}
MSelectionList::MSelectionList(const MSelectionList& src) : fItems(src.fItems) {}
MSelectionList::~MSelectionList() {}
MSelectionList& MSelectionList::operator=(const MSelectionList& other) {
    fItems = other.fItems;
    return *this;
}

MStatus MSelectionList::clear() {
    fItems.clear();
    return MStatus::kSuccess;
}

bool MSelectionList::isEmpty(MStatus* ReturnStatus) const {
    if (ReturnStatus) *ReturnStatus = MStatus::kSuccess;
    return fItems.empty();
}

unsigned int MSelectionList::length(MStatus* ReturnStatus) const {
    if (ReturnStatus) *ReturnStatus = MStatus::kSuccess;
    return static_cast<unsigned int>(fItems.size());
}

MStatus MSelectionList::getDependNode(unsigned int index, MObject& depNode) const {
    if (index >= fItems.size())
        return MStandinAccess::status(MStatus::kInvalidParameter, "(kInvalidParameter): Index not in range");
    depNode = fItems[index];
    return MStatus::kSuccess;
}

MStatus MSelectionList::getDagPath(unsigned int index, MDagPath& dagPath, MObject& component) const {
    if (index >= fItems.size())
        return MStandinAccess::status(MStatus::kInvalidParameter, "(kInvalidParameter): Index not in range");
    // Whole nodes only: there is never a component, and the shared null object default is never written.
    if (&component != &MObject::kNullObj) component = MObject();
    return MDagPath::getAPathTo(fItems[index], dagPath);
}

MStatus MSelectionList::add(const MObject& object, const bool mergeWithExisting) {
    if (Scene::instance().validIndex(object, "MSelectionList::add") == kNoNode)
        return MStandinAccess::status(MStatus::kInvalidParameter, "(kInvalidParameter): Object is invalid");
    if (!mergeWithExisting || std::find(fItems.begin(), fItems.end(), object) == fItems.end()) fItems.push_back(object);
    return MStatus::kSuccess;
}

MStatus MSelectionList::add(const MDagPath& object, const MObject&, const bool mergeWithExisting) {
    return add(object.node(), mergeWithExisting);
}

MStatus MGlobal::getSelectionListByName(const MString& name, MSelectionList& list) {
    std::vector<std::uint32_t> nodes;
    mayastandin::detail::matchName(name.asChar(), nodes);
    if (nodes.empty())
        return MStandinAccess::status(MStatus::kInvalidParameter, "(kInvalidParameter): No object matches name");
    Scene& scene = Scene::instance();
    for (std::uint32_t n : nodes)
        if (n != kNoNode) list.add(scene.handle(n));
    return MStatus::kSuccess;
}

MStatus MGlobal::getActiveSelectionList(MSelectionList& dest, bool) {
    dest.clear();
    Scene& scene = Scene::instance();
    for (std::uint32_t n : scene.selection()) dest.add(scene.handle(n));
    return MStatus::kSuccess;
}

MStatus MGlobal::setActiveSelectionList(const MSelectionList& src, ListAdjustment adjustment) {
    Scene& scene = Scene::instance();
    std::vector<std::uint32_t> given;
    for (unsigned int k = 0; k < src.length(); ++k) {
        MObject node;
        src.getDependNode(k, node);
        const std::uint32_t n = scene.indexOf(node);
        if (n != kNoNode) given.push_back(n);
    }
    const std::vector<std::uint32_t> current = scene.selection();
    auto in = [](const std::vector<std::uint32_t>& list, std::uint32_t n) {
        return std::find(list.begin(), list.end(), n) != list.end();
    };
    std::vector<std::uint32_t> next;
    switch (adjustment) {
        case kReplaceList: next = given; break;
        case kAddToList:
            next = current;
            next.insert(next.end(), given.begin(), given.end());
            break;
        case kAddToHeadOfList:
            next = given;
            next.insert(next.end(), current.begin(), current.end());
            break;
        case kRemoveFromList:
            for (std::uint32_t n : current)
                if (!in(given, n)) next.push_back(n);
            break;
        case kXORWithList:
            for (std::uint32_t n : current)
                if (!in(given, n)) next.push_back(n);
            for (std::uint32_t n : given)
                if (!in(current, n)) next.push_back(n);
            break;
    }
    scene.setSelection(next);  // keeps the first of repeated nodes
    return MStatus::kSuccess;
}

OPENMAYA_NAMESPACE_CLOSE
