// The scene graph: nodes in a slot vector with generation counters, children in order with a per-parent
// name index, and a global name index so no single lookup scans the scene.
#include "Internal.h"

#include <algorithm>
#include <chrono>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <unordered_set>

namespace mayastandin {
namespace detail {

namespace {
bool isLegalChar(unsigned char c) { return std::isalnum(c) || c == '_'; }

// "abc12" -> ("abc", 12, true); "abc" -> ("abc", 0, false).
void splitTrailingNumber(const std::string& name, std::string& base, unsigned long long& number, bool& has) {
    std::size_t end = name.size();
    while (end > 0 && std::isdigit(static_cast<unsigned char>(name[end - 1]))) --end;
    has = end < name.size() && name.size() - end <= 18 && end > 0;
    if (!has) {
        base = name;
        number = 0;
        return;
    }
    base = name.substr(0, end);
    number = std::stoull(name.substr(end));
}

// `name` when nothing clashes with it, else its base with the next number after its own that nothing clashes with.
template <typename Clashes>
std::string firstFreeName(const std::string& name, Clashes clashes) {
    if (!clashes(name)) return name;
    std::string base;
    unsigned long long number;
    bool has;
    splitTrailingNumber(name, base, number, has);
    number = has ? number + 1 : 1;
    std::string candidate = base + std::to_string(number);
    while (clashes(candidate)) candidate = base + std::to_string(++number);
    return candidate;
}

std::shared_ptr<NodeType> builtin(const char* name, MFn::Type fn, unsigned id, bool transform, bool shape) {
    auto t = std::make_shared<NodeType>();
    t->name = name;
    t->fnType = fn;
    t->typeId = id;
    t->isTransform = transform;
    t->isShape = shape;
    return t;
}
}  // namespace

Scene::Scene() {
    for (auto t : {builtin("transform", MFn::kTransform, 0x5846524d, true, false),
                   builtin("joint", MFn::kJoint, 0x4a4f494e, true, false),
                   builtin("locator", MFn::kLocator, 0x4c435452, false, true),
                   builtin("camera", MFn::kCamera, 0x4443414d, false, true)}) {
        if (t->isShape) t->shapeOf = t->name;
        fTypes[t->name] = t;
        fTypesById[t->typeId] = t;
    }
    // Animation curves, by what they map time to: a distance, an angle, a plain number.
    for (auto t : {builtin("animCurveTL", MFn::kAnimCurveTimeToDistance, 0x5043544c, false, false),
                   builtin("animCurveTA", MFn::kAnimCurveTimeToAngular, 0x50435441, false, false),
                   builtin("animCurveTU", MFn::kAnimCurveTimeToUnitless, 0x50435455, false, false)}) {
        t->isDag = false;
        fTypes[t->name] = t;
        fTypesById[t->typeId] = t;
    }
    Node world;
    world.alive = true;
    world.inDag = true;
    world.name = "world";
    world.type = builtin("world", MFn::kWorld, 0x574f524c, true, false);
    fNodes.push_back(std::move(world));
    makeDefaultCameras();
    markSaved();
}

void fatal(const std::string& text) {
    std::fprintf(stderr, "maya-standin: fatal: %s\n", text.c_str());
    std::fflush(stderr);
    std::abort();
}

// Maya's new scene: four cameras, each a hidden transform with a camera shape, placed as Maya places them.
void Scene::makeDefaultCameras() {
    struct Camera {
        const char* name;
        double t[3], r[3];  // centimetres, degrees
    };
    const Camera cameras[] = {{"persp", {28, 21, 28}, {-27.938352729602379, 45, 0}},
                              {"top", {0, 1000.1, 0}, {-90, 0, 0}},
                              {"front", {0, 0, 1000.1}, {0, 0, 0}},
                              {"side", {1000.1, 0, 0}, {0, 90, 0}}};
    const double radians = 3.14159265358979323846 / 180.0;
    fDefaultCameras.clear();
    for (const Camera& c : cameras) {
        const std::uint32_t t = createNode("transform", world(), c.name, nullptr);
        Node& n = fNodes[t];
        n.translation = MVector(c.t[0], c.t[1], c.t[2]);
        n.rotation = MEulerRotation(c.r[0] * radians, c.r[1] * radians, c.r[2] * radians);
        n.visible = false;
        transformChanged(t);
        createNode("camera", t, std::string(c.name) + "Shape", nullptr);
        fDefaultCameras.push_back(handle(t));
    }
}

bool Scene::isDefaultCamera(std::uint32_t index) const {
    const MObject o = handle(index);
    for (const MObject& c : fDefaultCameras)
        if (c == o) return true;
    for (const MObject& c : fDefaultCameras) {
        const std::uint32_t t = indexOf(c);
        if (t != kNoNode && fNodes[index].parent == t && fNodes[index].type->isShape) return true;
    }
    return false;
}

int Scene::addListener(std::function<void(SceneChange, const MObject&)> listener) {
    fListeners.push_back(Listener{fNextListenerId, std::move(listener)});
    return fNextListenerId++;
}

void Scene::removeListener(int id) {
    for (auto it = fListeners.begin(); it != fListeners.end(); ++it) {
        if (it->id != id) continue;
        if (fNotifying > 0)
            it->call = nullptr;  // compacted once the notification is over
        else
            fListeners.erase(it);
        return;
    }
}

void Scene::notify(SceneChange change, std::uint32_t index) {
    if (change != SceneChange::kSelection) ++fStructureRevision;
    ++fRevision;
    if (fListeners.empty()) return;
    const MObject node = change == SceneChange::kSelection ? MObject() : handle(index);
    ++fNotifying;
    // Listeners added during the notification are not called for it.
    const std::size_t count = fListeners.size();
    for (std::size_t i = 0; i < count; ++i)
        if (fListeners[i].call) fListeners[i].call(change, node);
    if (--fNotifying == 0)
        fListeners.erase(
            std::remove_if(fListeners.begin(), fListeners.end(), [](const Listener& l) { return !l.call; }),
            fListeners.end());
}

void Scene::spendWriteCost() const {
    // Busy, as Maya's own work on a write (dirtying the graph) keeps the UI thread busy.
    const auto until = std::chrono::steady_clock::now() + std::chrono::nanoseconds(fWriteCostNs);
    while (std::chrono::steady_clock::now() < until) {
    }
}

void Scene::setVisible(std::uint32_t index, bool visible) {
    if (fWriteCostNs > 0) spendWriteCost();
    if (fNodes[index].visible == visible) return;
    fNodes[index].visible = visible;
    ++fRevision;
}

void Scene::scaleChanged(std::uint32_t index) {
    transformChanged(index);
    for (std::uint32_t c : fNodes[index].children)
        if (c != kNoNode && fNodes[c].type->fnType == MFn::kJoint) fNodes[c].localStale = true;
}

std::vector<std::uint32_t> Scene::selection() {
    std::vector<std::uint32_t> out;
    std::size_t kept = 0;
    for (const MObject& o : fSelection) {
        const std::uint32_t i = indexOf(o);
        if (i == kNoNode) continue;
        fSelection[kept++] = o;
        out.push_back(i);
    }
    fSelection.resize(kept);
    return out;
}

void Scene::setSelection(const std::vector<std::uint32_t>& nodes) {
    std::vector<MObject> next;
    next.reserve(nodes.size());
    for (std::uint32_t i : nodes) {
        const MObject o = handle(i);
        if (i == world() || o.isNull()) continue;
        if (std::find(next.begin(), next.end(), o) == next.end()) next.push_back(o);
    }
    selection();  // drops deleted nodes, so an unchanged selection compares equal
    if (next == fSelection) return;
    fSelection.swap(next);
    notify(SceneChange::kSelection, kNoNode);
}

std::string Scene::legalName(const std::string& raw) {
    std::string out;
    out.reserve(raw.size() + 1);
    for (unsigned char c : raw) out += isLegalChar(c) ? static_cast<char>(c) : '_';
    if (!out.empty() && std::isdigit(static_cast<unsigned char>(out[0]))) out.insert(out.begin(), '_');
    return out;
}

std::shared_ptr<NodeType> Scene::findType(const std::string& name) const {
    auto it = fTypes.find(name);
    return it == fTypes.end() ? nullptr : it->second;
}
std::shared_ptr<NodeType> Scene::findTypeById(unsigned id) const {
    auto it = fTypesById.find(id);
    return it == fTypesById.end() ? nullptr : it->second;
}
std::string Scene::registerType(const std::shared_ptr<NodeType>& type) {
    if (type->name.empty()) return "Node type name is empty";
    if (fTypes.count(type->name)) return "Node type '" + type->name + "' is already registered";
    if (fTypesById.count(type->typeId))
        return "Node id " + std::to_string(type->typeId) + " of type '" + type->name + "' is already in use by '" +
               fTypesById.at(type->typeId)->name + "'";
    fTypes[type->name] = type;
    fTypesById[type->typeId] = type;
    return "";
}
void Scene::removeType(const std::string& name) {
    auto it = fTypes.find(name);
    if (it == fTypes.end()) return;
    fTypesById.erase(it->second->typeId);
    fTypes.erase(it);
}

MObject Scene::handle(std::uint32_t index) const {
    if (index >= fNodes.size() || !fNodes[index].alive) return MObject();
    return MStandinAccess::makeObject(kNodeKind, index, fNodes[index].generation);
}
std::uint32_t Scene::existingIndex(const MObject& o) const {
    if (MStandinAccess::kind(o) != kNodeKind) return kNoNode;
    const std::uint32_t i = MStandinAccess::index(o);
    if (i >= fNodes.size()) return kNoNode;
    const Node& n = fNodes[i];
    return n.alive && n.generation == MStandinAccess::generation(o) ? i : kNoNode;
}
std::uint32_t Scene::indexOf(const MObject& o) const {
    const std::uint32_t i = existingIndex(o);
    return i != kNoNode && fNodes[i].inDag ? i : kNoNode;
}
bool Scene::isDestroyed(const MObject& o) const {
    return MStandinAccess::kind(o) == kNodeKind && existingIndex(o) == kNoNode;
}
std::uint32_t Scene::validIndex(const MObject& o, const char* call) const {
    if (isDestroyed(o)) fatal(std::string(call) + " given a destroyed node");
    return indexOf(o);
}
std::uint32_t Scene::checkedExisting(const MObject& o, const char* call) const {
    if (isDestroyed(o)) fatal(std::string(call) + " given a destroyed node");
    return existingIndex(o);
}

void Scene::indexName(std::uint32_t index) { fByName[fNodes[index].name].push_back(index); }
void Scene::unindexName(std::uint32_t index) {
    auto it = fByName.find(fNodes[index].name);
    if (it == fByName.end()) return;
    auto& v = it->second;
    auto pos = std::find(v.begin(), v.end(), index);
    if (pos != v.end()) {
        *pos = v.back();
        v.pop_back();
    }
    if (v.empty()) fByName.erase(it);
}

void Scene::link(std::uint32_t index, std::uint32_t parent, const std::string& name) {
    Node& p = fNodes[parent];
    Node& n = fNodes[index];
    n.parent = parent;
    n.posInParent = static_cast<std::uint32_t>(p.children.size());
    n.name = name;
    p.children.push_back(index);
    p.childByName[name] = index;
}

void Scene::attach(std::uint32_t index, std::uint32_t parent, const std::string& name) {
    link(index, parent, name);
    if (fNodes[index].inDag) indexName(index);
}

void Scene::detach(std::uint32_t index) {
    if (fNodes[index].inDag) unindexName(index);
    unlink(index);
}

void Scene::subtree(std::uint32_t root, std::vector<std::uint32_t>& out) const {
    out.clear();
    std::vector<std::uint32_t> stack{root};
    while (!stack.empty()) {
        const std::uint32_t i = stack.back();
        stack.pop_back();
        out.push_back(i);
        for (std::uint32_t c : fNodes[i].children)
            if (c != kNoNode) stack.push_back(c);
    }
}

void Scene::unlink(std::uint32_t index) {
    Node& n = fNodes[index];
    if (n.parent == kNoNode) return;
    Node& p = fNodes[n.parent];
    p.children[n.posInParent] = kNoNode;
    ++p.removedChildren;
    auto it = p.childByName.find(n.name);
    if (it != p.childByName.end() && it->second == index) p.childByName.erase(it);
    n.parent = kNoNode;
    if (p.removedChildren > 64 && p.removedChildren * 2 > p.children.size())
        children(static_cast<std::uint32_t>(&p - fNodes.data()));
}

const std::vector<std::uint32_t>& Scene::children(std::uint32_t index) {
    Node& p = fNodes[index];
    if (p.removedChildren > 0) {
        std::size_t out = 0;
        for (std::size_t i = 0; i < p.children.size(); ++i) {
            const std::uint32_t c = p.children[i];
            if (c == kNoNode) continue;
            fNodes[c].posInParent = static_cast<std::uint32_t>(out);
            p.children[out++] = c;
        }
        p.children.resize(out);
        p.removedChildren = 0;
    }
    return p.children;
}

std::string Scene::uniqueAmongChildren(std::uint32_t parent, const std::string& name, std::uint32_t self) const {
    const auto& index = fNodes[parent].childByName;
    auto clashes = [&](const std::string& candidate) {
        auto it = index.find(candidate);
        return it != index.end() && it->second != self;
    };
    return firstFreeName(name, clashes);
}

std::string Scene::defaultName(const std::string& base, unsigned* numberOut) {
    unsigned& counter = fDefaultCounters[base];
    unsigned n = counter + 1;
    while (fByName.count(base + std::to_string(n))) ++n;
    counter = n;
    if (numberOut) *numberOut = n;
    return base + std::to_string(n);
}

// A node below a parent in the DAG is in the DAG and announced; any other is out of it (parent kNoNode: a root).
std::uint32_t Scene::allocate(const std::shared_ptr<NodeType>& type, std::uint32_t parent, const std::string& name) {
    std::uint32_t index;
    if (!fFree.empty()) {
        index = fFree.back();
        fFree.pop_back();
    } else {
        index = static_cast<std::uint32_t>(fNodes.size());
        fNodes.emplace_back();
    }
    Node& n = fNodes[index];
    n.alive = true;
    n.type = type;
    n.translation = MVector();
    n.rotation = MEulerRotation();
    n.rotateAxis = MEulerRotation();
    n.jointOrient = MEulerRotation();
    n.scale[0] = n.scale[1] = n.scale[2] = 1.0;
    n.visible = true;
    n.localStale = n.worldStale = n.worldInverseStale = true;
    n.user = nullptr;
    n.children.clear();
    n.childByName.clear();
    n.removedChildren = 0;
    n.homeParent = MObject();
    n.owner = 0;
    n.parent = kNoNode;
    n.inDag = parent != kNoNode && fNodes[parent].inDag;
    ++type->liveNodes;
    if (parent == kNoNode) {
        n.name = name;
        return index;
    }
    attach(index, parent, uniqueAmongChildren(parent, name, kNoNode));
    if (!fNodes[index].inDag) return index;
    ++fLiveCount;
    notify(SceneChange::kCreated, index);
    return index;
}

std::uint32_t Scene::createNode(unsigned typeId, std::uint32_t parent, const std::string& name, std::string* error) {
    auto type = findTypeById(typeId);
    if (!type) {
        if (error) *error = "Unknown node type id: " + std::to_string(typeId);
        return kNoNode;
    }
    return createNode(type->name, parent, name, error);
}

std::uint32_t Scene::createNode(const std::string& typeName, std::uint32_t parent, const std::string& rawName,
                                std::string* error, bool outOfDag, std::uintptr_t owner) {
    auto fail = [&](const std::string& text) {
        if (error) *error = text;
        return kNoNode;
    };
    auto type = findType(typeName);
    if (!type) return fail("Unknown object type: " + typeName);
    if (!type->isDag) return fail("'" + typeName + "' is not a DAG node type");
    if (parent == kNoNode) parent = world();
    if (!fNodes[parent].type->isTransform)
        return fail("A node can only be parented under a transform: '" + fNodes[parent].name + "'");
    std::string name = legalName(rawName);
    // Out of the DAG the root waits with no parent; where it goes is kept for putBack.
    const MObject home = handle(parent);
    const std::uint32_t under = outOfDag ? kNoNode : parent;
    auto hold = [&](std::uint32_t root) {
        if (!outOfDag) return;
        fNodes[root].homeParent = home;
        fNodes[root].owner = owner;
    };

    if (type->isShape && parent == world()) {
        // A shape needs a transform: make "locator1" with "locatorShape1" below it, return the transform.
        unsigned number = 0;
        std::string transformName = name;
        if (transformName.empty()) {
            while (true) {
                transformName = defaultName(typeName, &number);
                if (!fByName.count(typeName + "Shape" + std::to_string(number))) break;
            }
        }
        const std::uint32_t transform = allocate(findType("transform"), under, transformName);
        hold(transform);
        std::string shapeName;
        if (rawName.empty()) {
            shapeName = typeName + "Shape" + std::to_string(number);
        } else {
            std::string base;
            unsigned long long n;
            bool has;
            splitTrailingNumber(fNodes[transform].name, base, n, has);
            shapeName = base + "Shape" + (has ? std::to_string(n) : std::string());
        }
        allocate(type, transform, shapeName);
        return transform;
    }
    if (name.empty()) name = defaultName(typeName, nullptr);
    const std::uint32_t index = allocate(type, under, name);
    hold(index);
    if (type->creator) {
        void* object = type->creator();
        if (!object) {
            destroy(index);
            return fail("The creator of node type '" + typeName + "' returned no object");
        }
        MPxNode* user = static_cast<MPxNode*>(object);
        fNodes[index].user = user;
        MStandinAccess::setNodeObject(user, handle(index), MTypeId(type->typeId));
        if (type->isTransform) {
            MPxTransform* xform = static_cast<MPxTransform*>(user);
            MPxTransformationMatrix*& matrix = MStandinAccess::baseMatrix(xform);
            if (!matrix) matrix = xform->createTransformationMatrix();
            if (matrix) MStandinAccess::setMatrixNode(matrix, handle(index));
        }
        user->postConstructor();
    }
    return index;
}

// Maya's rule for dependency nodes: a name no other node has, else the next free number after its base.
std::string Scene::uniqueNodeName(const std::string& name) const {
    return firstFreeName(name, [&](const std::string& candidate) { return fByName.count(candidate) != 0; });
}

std::uint32_t Scene::createDependencyNode(const std::string& typeName, const std::string& rawName, std::string* error) {
    auto type = findType(typeName);
    if (!type || type->isDag) {
        if (error) *error = "Unknown dependency node type: " + typeName;
        return kNoNode;
    }
    std::string name = legalName(rawName);
    if (name.empty()) name = defaultName(typeName, nullptr);
    const std::uint32_t index = allocate(type, kNoNode, uniqueNodeName(name));
    Node& n = fNodes[index];
    const MFn::Type fn = type->fnType;
    if (fn == MFn::kAnimCurveTimeToDistance || fn == MFn::kAnimCurveTimeToAngular ||
        fn == MFn::kAnimCurveTimeToUnitless) {
        n.curve.reset(new CurveData());
        n.curve->type = fn == MFn::kAnimCurveTimeToDistance  ? MFnAnimCurve::kAnimCurveTL
                        : fn == MFn::kAnimCurveTimeToAngular ? MFnAnimCurve::kAnimCurveTA
                                                             : MFnAnimCurve::kAnimCurveTU;
    }
    n.inDag = true;
    indexName(index);
    fDependencyNodes.push_back(index);
    ++fRevision;
    return index;
}

void Scene::removeDependencyNode(std::uint32_t index) {
    unindexName(index);
    fNodes[index].inDag = false;
    fDependencyNodes.erase(std::find(fDependencyNodes.begin(), fDependencyNodes.end(), index));
    ++fRevision;
}

std::vector<std::uint32_t> Scene::curvesDriving(const std::vector<std::uint32_t>& nodes) const {
    std::vector<std::uint32_t> out;
    if (fDependencyNodes.empty()) return out;
    const std::unordered_set<std::uint32_t> inSubtree(nodes.begin(), nodes.end());
    for (std::uint32_t d : fDependencyNodes) {
        const CurveData* c = fNodes[d].curve.get();
        if (c && !c->driven.isNull() && inSubtree.count(existingIndex(c->driven))) out.push_back(d);
    }
    return out;
}

void Scene::renameShapesOf(std::uint32_t index) {
    std::string base;
    unsigned long long n;
    bool has;
    splitTrailingNumber(fNodes[index].name, base, n, has);
    const std::string shapeName = base + "Shape" + (has ? std::to_string(n) : std::string());
    std::vector<std::uint32_t> shapes;
    for (std::uint32_t c : children(index))
        if (fNodes[c].type->isShape) shapes.push_back(c);
    for (std::uint32_t c : shapes) rename(c, shapeName);
}

std::string Scene::rename(std::uint32_t index, const std::string& rawName) {
    if (index == world() || index >= fNodes.size() || !fNodes[index].alive) return "Cannot rename this node";
    const std::string legal = legalName(rawName);
    if (legal.empty()) return "New name is empty for node '" + fNodes[index].name + "'";
    if (!fNodes[index].type->isDag) {
        if (legal == fNodes[index].name) return "";
        const bool inScene = fNodes[index].inDag;
        if (inScene) unindexName(index);
        fNodes[index].name = uniqueNodeName(legal);
        if (inScene) indexName(index);
        return "";
    }
    const std::uint32_t parent = fNodes[index].parent;
    const std::string unique = parent == kNoNode ? legal : uniqueAmongChildren(parent, legal, index);
    if (unique != fNodes[index].name) {
        if (parent == kNoNode) {
            fNodes[index].name = unique;
        } else {
            detach(index);
            attach(index, parent, unique);
        }
        if (fNodes[index].inDag) notify(SceneChange::kRenamed, index);
    }
    if (fNodes[index].type->isTransform) renameShapesOf(index);
    return "";
}

bool Scene::isAncestor(std::uint32_t ancestor, std::uint32_t index) const {
    for (std::uint32_t p = index; p != kNoNode; p = fNodes[p].parent)
        if (p == ancestor) return true;
    return false;
}

std::string Scene::reparent(std::uint32_t index, std::uint32_t newParent) {
    if (index == world()) return "Cannot reparent the world";
    if (newParent == kNoNode) newParent = world();
    Node& n = fNodes[index];
    const Node& p = fNodes[newParent];
    if (!n.type->isDag) return "Cannot parent '" + n.name + "': it is not a DAG node";
    if (!p.type->isTransform) return "Cannot parent '" + n.name + "' under '" + p.name + "': it is not a transform";
    if (isAncestor(index, newParent))
        return "Cannot parent '" + fullPath(index) + "' under itself or its descendant '" + fullPath(newParent) + "'";
    if (n.parent == newParent) return "";
    const std::string name = uniqueAmongChildren(newParent, n.name, index);
    detach(index);
    attach(index, newParent, name);
    n.localStale = true;  // a joint's inverse parent scale is its new parent's
    worldChanged(index);
    notify(SceneChange::kReparented, index);
    return "";
}

void Scene::worldChanged(std::uint32_t index) {
    if (fNodes[index].worldStale) return;
    std::vector<std::uint32_t>& stack = fStaleChain;
    stack.assign(1, index);
    while (!stack.empty()) {
        Node& n = fNodes[stack.back()];
        stack.pop_back();
        n.worldStale = n.worldInverseStale = true;
        for (std::uint32_t c : n.children)
            if (c != kNoNode && !fNodes[c].worldStale) stack.push_back(c);
    }
}

void Scene::takeOut(std::uint32_t root, std::uintptr_t owner) {
    if (root == world() || root >= fNodes.size() || !fNodes[root].alive || !fNodes[root].inDag) return;
    if (!fNodes[root].type->isDag) {
        removeDependencyNode(root);
        fNodes[root].homeParent = MObject();
        fNodes[root].owner = owner;
        return;
    }
    notify(SceneChange::kDeleting, root);
    std::vector<std::uint32_t> nodes;
    subtree(root, nodes);
    const std::vector<std::uint32_t> curves = curvesDriving(nodes);
    Node& n = fNodes[root];
    n.homeParent = handle(n.parent);
    n.owner = owner;
    unlink(root);
    for (std::uint32_t i : nodes) {
        unindexName(i);
        fNodes[i].inDag = false;
        --fLiveCount;
    }
    n.companions.clear();
    for (std::uint32_t c : curves) {
        takeOut(c, owner);
        n.companions.push_back(handle(c));
    }
    ++fRevision;
}

void Scene::putBack(std::uint32_t root) {
    if (root >= fNodes.size() || !fNodes[root].alive || fNodes[root].inDag || fNodes[root].parent != kNoNode) return;
    if (!fNodes[root].type->isDag) {
        Node& d = fNodes[root];
        d.name = uniqueNodeName(d.name);
        d.inDag = true;
        d.owner = 0;
        indexName(root);
        fDependencyNodes.push_back(root);
        ++fRevision;
        return;
    }
    const std::uintptr_t heldBy = fNodes[root].owner;
    std::uint32_t parent = indexOf(fNodes[root].homeParent);
    if (parent == kNoNode || !fNodes[parent].type->isTransform) parent = world();
    std::vector<std::uint32_t> nodes;
    subtree(root, nodes);
    for (std::uint32_t i : nodes) {
        Node& n = fNodes[i];
        n.inDag = true;
        n.worldStale = n.worldInverseStale = true;
        if (i != root) indexName(i);
        ++fLiveCount;
    }
    Node& n = fNodes[root];
    n.homeParent = MObject();
    n.owner = 0;
    attach(root, parent, uniqueAmongChildren(parent, n.name, kNoNode));
    std::vector<MObject> companions;
    companions.swap(fNodes[root].companions);
    for (const MObject& c : companions) {
        const std::uint32_t i = existingIndex(c);
        if (i != kNoNode && !fNodes[i].inDag && fNodes[i].owner == heldBy) putBack(i);
    }
    notify(SceneChange::kCreated, root);
}

void Scene::destroyHeld(const MObject& root, std::uintptr_t owner) {
    const std::uint32_t i = existingIndex(root);
    if (i != kNoNode && !fNodes[i].inDag && fNodes[i].parent == kNoNode && fNodes[i].owner == owner) destroy(i);
}

void Scene::destroy(std::uint32_t root) {
    if (root == world() || root >= fNodes.size() || !fNodes[root].alive) return;
    const bool dag = fNodes[root].type->isDag;
    if (fNodes[root].inDag && dag) notify(SceneChange::kDeleting, root);
    std::vector<std::uint32_t> order;
    subtree(root, order);
    // The curves that go with it: those driving it in the scene, or those taken out along with it.
    std::vector<std::uint32_t> curves;
    if (dag && fNodes[root].inDag) {
        curves = curvesDriving(order);
    } else if (dag) {
        for (const MObject& c : fNodes[root].companions) {
            const std::uint32_t i = existingIndex(c);
            if (i != kNoNode && !fNodes[i].inDag && fNodes[i].owner == fNodes[root].owner) curves.push_back(i);
        }
    }
    if (!dag && fNodes[root].inDag) removeDependencyNode(root);
    detach(root);
    for (auto it = order.rbegin(); it != order.rend(); ++it) {
        const std::uint32_t i = *it;
        Node& n = fNodes[i];
        if (i != root && n.inDag) unindexName(i);
        if (n.inDag) --fLiveCount;
        MPxNode* user = n.user;
        n.user = nullptr;
        n.alive = false;
        n.inDag = false;
        n.homeParent = MObject();
        n.owner = 0;
        ++n.generation;
        --n.type->liveNodes;
        delete user;  // after the node reads as dead, so the plug-in's destructor sees a consistent scene
        Node& again = fNodes[i];
        again.type.reset();
        again.curve.reset();
        again.companions.clear();
        again.parent = kNoNode;
        again.children.clear();
        again.childByName.clear();
        again.removedChildren = 0;
        fFree.push_back(i);
    }
    for (std::uint32_t c : curves) destroy(c);
}

void Scene::reset(bool cameras) {
    const std::vector<std::uint32_t> dependencyNodes = fDependencyNodes;
    for (std::uint32_t d : dependencyNodes) destroy(d);
    const std::vector<std::uint32_t> top = children(world());
    for (std::uint32_t c : top) destroy(c);
    children(world());
    fDefaultCounters.clear();
    fDefaultCameras.clear();
    if (cameras) makeDefaultCameras();
}

std::string Scene::fullPath(std::uint32_t index) const {
    if (!fNodes[index].type->isDag) return fNodes[index].name;
    std::vector<const std::string*> names;
    for (std::uint32_t p = index; p != world() && p != kNoNode; p = fNodes[p].parent) names.push_back(&fNodes[p].name);
    std::string out;
    for (auto it = names.rbegin(); it != names.rend(); ++it) {
        out += '|';
        out += **it;
    }
    return out;
}

unsigned Scene::depth(std::uint32_t index) const {
    unsigned d = 0;
    for (std::uint32_t p = index; p != world() && p != kNoNode; p = fNodes[p].parent) ++d;
    return d;
}

// Shortest tail of the full path that names this node alone.
std::string Scene::partialPath(std::uint32_t index) const {
    if (index == world()) return "";
    if (!fNodes[index].type->isDag) return fNodes[index].name;
    const unsigned d = depth(index);
    auto it = fByName.find(fNodes[index].name);
    std::vector<std::uint32_t> rivals;
    if (it != fByName.end())
        for (std::uint32_t c : it->second)
            if (c != index) rivals.push_back(c);
    std::string out = fNodes[index].name;
    std::uint32_t mine = index;
    std::vector<std::uint32_t> rivalAnc = rivals;
    for (unsigned k = 1; k <= d; ++k) {
        if (rivals.empty()) return out;
        if (k == d) break;
        // Step one level up: keep only rivals whose ancestor at this level has the same name.
        mine = fNodes[mine].parent;
        std::vector<std::uint32_t> next, nextAnc;
        for (std::size_t r = 0; r < rivals.size(); ++r) {
            const std::uint32_t a = fNodes[rivalAnc[r]].parent;
            if (a == kNoNode || a == world()) continue;
            if (fNodes[a].name == fNodes[mine].name) {
                next.push_back(rivals[r]);
                nextAnc.push_back(a);
            }
        }
        rivals.swap(next);
        rivalAnc.swap(nextAnc);
        out = fNodes[mine].name + "|" + out;
    }
    return rivals.empty() ? out : fullPath(index);
}

bool Scene::isVisible(std::uint32_t index) const {
    for (std::uint32_t p = index; p != kNoNode; p = fNodes[p].parent)
        if (!fNodes[p].visible) return false;
    return true;
}

MMatrix Scene::localMatrix(std::uint32_t index) const {
    const Node& n = fNodes[index];
    if (!n.localStale) return n.localCache;
    MMatrix m = n.rotation.asMatrix();
    if (!n.rotateAxis.isZero(0.0)) m = n.rotateAxis.asMatrix() * m;
    if (n.type->fnType == MFn::kJoint) {
        if (!n.jointOrient.isZero(0.0)) m = m * n.jointOrient.asMatrix();
        const Node* parent = n.parent == kNoNode ? nullptr : &fNodes[n.parent];
        if (parent && parent->type->fnType == MFn::kJoint)
            for (int r = 0; r < 3; ++r)
                for (int c = 0; c < 3; ++c) m.matrix[r][c] /= parent->scale[c];
    }
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) m.matrix[r][c] *= n.scale[r];
    m.matrix[3][0] = n.translation.x;
    m.matrix[3][1] = n.translation.y;
    m.matrix[3][2] = n.translation.z;
    n.localCache = m;
    n.localStale = false;
    return m;
}

// Local times the parent's world matrix, from the world down: the stale matrices from the node up to its first
// ancestor with a fresh one are computed again, top down, and kept.
MMatrix Scene::worldMatrix(std::uint32_t index) const {
    if (index == world() || index == kNoNode) return MMatrix();
    if (!fNodes[index].worldStale) return fNodes[index].worldCache;
    fStaleChain.clear();
    std::uint32_t p = index;
    for (; p != world() && p != kNoNode && fNodes[p].worldStale; p = fNodes[p].parent) fStaleChain.push_back(p);
    MMatrix above = p == world() || p == kNoNode ? MMatrix() : fNodes[p].worldCache;
    for (auto it = fStaleChain.rbegin(); it != fStaleChain.rend(); ++it) {
        const Node& n = fNodes[*it];
        n.worldCache = localMatrix(*it) * above;
        n.worldStale = false;
        above = n.worldCache;
    }
    return above;
}

MMatrix Scene::worldInverseMatrix(std::uint32_t index) const {
    if (index == world() || index == kNoNode) return MMatrix();
    const Node& n = fNodes[index];
    if (n.worldInverseStale) {
        n.worldInverseCache = worldMatrix(index).inverse();
        n.worldInverseStale = false;
    }
    return n.worldInverseCache;
}

void Scene::resolve(const std::string& text, std::vector<std::uint32_t>& out) const {
    out.clear();
    if (text.empty()) return;
    std::vector<std::string> parts;
    std::size_t begin = text[0] == '|' ? 1 : 0;
    while (true) {
        const std::size_t bar = text.find('|', begin);
        parts.push_back(text.substr(begin, bar == std::string::npos ? std::string::npos : bar - begin));
        if (bar == std::string::npos) break;
        begin = bar + 1;
    }
    for (const auto& p : parts)
        if (p.empty()) return;
    if (text[0] == '|') {
        std::uint32_t cur = world();
        for (const auto& p : parts) {
            auto it = fNodes[cur].childByName.find(p);
            if (it == fNodes[cur].childByName.end()) return;
            cur = it->second;
        }
        out.push_back(cur);
        return;
    }
    auto it = fByName.find(parts.back());
    if (it == fByName.end()) return;
    for (std::uint32_t c : it->second) {
        std::uint32_t a = c;
        bool ok = true;
        for (std::size_t k = parts.size() - 1; k-- > 0;) {
            a = fNodes[a].parent;
            if (a == kNoNode || a == world() || fNodes[a].name != parts[k]) {
                ok = false;
                break;
            }
        }
        if (ok) out.push_back(c);
    }
}

}  // namespace detail
}  // namespace mayastandin
