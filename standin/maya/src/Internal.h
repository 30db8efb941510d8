#pragma once
// Internal state of the stand-in host: scene graph, node types, plug-ins, log, interpreter, controls.
// Everything here is main-thread only except Log.
#include <maya/MTypes.h>
#include <maya/MObject.h>
#include <maya/MStatus.h>
#include <maya/MString.h>
#include <maya/MVector.h>
#include <maya/MMatrix.h>
#include <maya/MQuaternion.h>
#include <maya/MEulerRotation.h>
#include <maya/MDagPath.h>
#include <maya/MSyntax.h>
#include <maya/MPxNode.h>
#include <maya/MPxTransform.h>
#include <maya/MPxCommand.h>
#include <maya/MPxTransformationMatrix.h>
#include <mayastandin/Host.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

OPENMAYA_NAMESPACE_OPEN

// The one place that reads and writes the private parts of the API classes.
class MStandinAccess {
public:
    static MObject makeObject(std::uint32_t kind, std::uint32_t index, std::uint32_t generation) {
        MObject o;
        o.fKind = kind;
        o.fIndex = index;
        o.fGeneration = generation;
        return o;
    }
    static std::uint32_t kind(const MObject& o) { return o.fKind; }
    static std::uint32_t index(const MObject& o) { return o.fIndex; }
    static std::uint32_t generation(const MObject& o) { return o.fGeneration; }
    static const MObject& pathNode(const MDagPath& p) { return p.fNode; }
    static MDagPath makePath(const MObject& node) {
        MDagPath p;
        p.fNode = node;
        return p;
    }
    static void setNodeObject(MPxNode* n, const MObject& o, MTypeId id) {
        n->fThisObject = o;
        n->fTypeId = id;
    }
    static MPxTransformationMatrix*& baseMatrix(MPxTransform* t) { return t->baseTransformationMatrix; }
    static void setMatrixNode(MPxTransformationMatrix* m, const MObject& node) { m->fNode = node; }
    static const MObject& matrixNode(const MPxTransformationMatrix* m) { return m->fNode; }
    static void prepareCommand(MPxCommand* c, const MSyntax& s, const MString& text) {
        c->fSyntax = s;
        c->fCommandString = text;
    }
    // Validates args against a syntax; returns "" or the error text.
    static std::string checkArgs(const MSyntax& syntax, const std::vector<std::string>& args);
};

OPENMAYA_NAMESPACE_CLOSE

namespace mayastandin {
namespace detail {

using Autodesk::Maya::OpenMaya20180000::MStandinAccess;

enum ObjectKind : std::uint32_t { kNullKind = 0, kNodeKind = 1, kPluginKind = 2, kAttributeKind = 3 };
// Attributes with plugs (the index of a kAttributeKind object).
enum AttributeId : std::uint32_t { kNoAttribute = 0, kVisibilityAttribute = 1 };
constexpr std::uint32_t kNoNode = 0xffffffffu;

// A node type known to the host: built in or registered by a plug-in.
struct NodeType {
    std::string name;
    MFn::Type fnType = MFn::kInvalid;
    unsigned typeId = 0;
    unsigned matrixId = 0;
    bool isTransform = false;
    bool isShape = false;
    std::string shapeOf;  // for a shape type: the name of the shape's base ("locator")
    MCreatorFunction creator = nullptr;
    MCreateXformMatrixFunction matrixCreator = nullptr;
    int plugin = -1;  // index of the registering plug-in, -1 = built in
    std::size_t liveNodes = 0;
};

struct Node {
    std::uint32_t generation = 1;
    bool alive = false;
    std::string name;
    std::shared_ptr<NodeType> type;
    std::uint32_t parent = kNoNode;
    std::uint32_t posInParent = 0;
    std::vector<std::uint32_t> children;  // kNoNode marks a removed child until compacted
    std::uint32_t removedChildren = 0;
    std::unordered_map<std::string, std::uint32_t> childByName;
    MVector translation;
    MEulerRotation rotation;
    double scale[3] = {1.0, 1.0, 1.0};
    // Both always in XYZ order. The rotate axis turns the frame a transform rotates in; the joint orient
    // (joints only) turns a joint's axes after its rotation. Local matrix: [S][RA][R][T] for a transform,
    // [S][RA][R][JO][IS][T] for a joint, IS being the inverse of a parent joint's scale.
    MEulerRotation rotateAxis;
    MEulerRotation jointOrient;
    bool visible = true;
    MPxNode* user = nullptr;  // owned
    // Matrices computed when asked and kept until a change makes them stale: the local one from translation,
    // rotation and scale, the world one as the local one times the parent's world matrix. A node whose world
    // matrix is stale has every descendant's stale too, so marking a subtree stops at a stale node.
    mutable MMatrix localCache;
    mutable MMatrix worldCache;
    mutable MMatrix worldInverseCache;
    mutable bool localStale = true;
    mutable bool worldStale = true;
    mutable bool worldInverseStale = true;  // stale whenever the world matrix is
};

class Scene {
public:
    // Never destroyed: shutdown() empties it while plug-ins are loaded. Inline: every API call asks for it.
    static Scene& instance() {
        static Scene* scene = new Scene();
        return *scene;
    }

    // Translation and rotation writes through MFnTransform since the start (main thread only); each one is
    // reported to the host's listener, if any, after the write.
    void countTransformWrite(std::uint32_t index) {
        transformChanged(index);
        ++fTransformWrites;
        if (fWriteListener) fWriteListener(handle(index));
    }
    std::uint64_t transformWrites() const { return fTransformWrites; }
    void setTransformWriteListener(std::function<void(const MObject&)> listener) {
        fWriteListener = std::move(listener);
    }

    // Structure changes and the revisions (see Host.h).
    int addListener(std::function<void(SceneChange, const MObject&)> listener);
    void removeListener(int id);
    std::uint64_t structureRevision() const { return fStructureRevision; }
    std::uint64_t revision() const { return fRevision; }
    // After any change of a node's translation, rotation (its order included) or scale: its cached matrices and
    // those of its descendants are stale.
    void transformChanged(std::uint32_t index) {
        fNodes[index].localStale = true;
        worldChanged(index);
        ++fRevision;
    }
    void setVisible(std::uint32_t index, bool visible);
    // After a change of a node's scale: also stale are the local matrices of its joint children, whose
    // inverse parent scale it is.
    void scaleChanged(std::uint32_t index);

    // Selection, live nodes only, in selection order.
    std::vector<std::uint32_t> selection();
    void setSelection(const std::vector<std::uint32_t>& nodes);

    // Node types.
    std::shared_ptr<NodeType> findType(const std::string& name) const;
    std::shared_ptr<NodeType> findTypeById(unsigned id) const;
    std::string registerType(const std::shared_ptr<NodeType>& type);  // "" or error text
    void removeType(const std::string& name);
    const std::unordered_map<std::string, std::shared_ptr<NodeType>>& types() const { return fTypes; }

    // Handles.
    MObject handle(std::uint32_t index) const;
    bool isAlive(const MObject& o) const;
    // Index of a live node, or kNoNode.
    std::uint32_t indexOf(const MObject& o) const;
    Node& node(std::uint32_t index) { return fNodes[index]; }
    const Node& node(std::uint32_t index) const { return fNodes[index]; }
    std::uint32_t world() const { return 0; }
    std::size_t dagNodeCount() const { return fLiveCount; }

    // Creation: typeName "locator" etc. with a null parent makes a transform with a shape below it and
    // returns the transform. name empty = default name.
    std::uint32_t createNode(const std::string& typeName, std::uint32_t parent, const std::string& name,
                             std::string* error);
    std::uint32_t createNode(unsigned typeId, std::uint32_t parent, const std::string& name, std::string* error);
    // "" on success, else the error text.
    std::string rename(std::uint32_t index, const std::string& rawName);
    std::string reparent(std::uint32_t index, std::uint32_t newParent);
    void destroy(std::uint32_t index);
    void reset();

    // Children in order (compacts the child list first).
    const std::vector<std::uint32_t>& children(std::uint32_t index);

    std::string fullPath(std::uint32_t index) const;
    std::string partialPath(std::uint32_t index) const;
    unsigned depth(std::uint32_t index) const;
    bool isVisible(std::uint32_t index) const;
    bool isAncestor(std::uint32_t ancestor, std::uint32_t index) const;

    MMatrix localMatrix(std::uint32_t index) const;
    MMatrix worldMatrix(std::uint32_t index) const;
    // The inverse of worldMatrix: a world-space write inverts its parent's, and siblings share it.
    MMatrix worldInverseMatrix(std::uint32_t index) const;

    // Finds nodes by name, partial path or full path. Never scans the scene.
    void resolve(const std::string& nameOrPath, std::vector<std::uint32_t>& out) const;

    static std::string legalName(const std::string& raw);

private:
    std::uint64_t fTransformWrites = 0;
    std::function<void(const MObject&)> fWriteListener;
    struct Listener {
        int id;
        std::function<void(SceneChange, const MObject&)> call;
    };
    std::vector<Listener> fListeners;
    int fNextListenerId = 1;
    int fNotifying = 0;  // depth of notify(): removals during it only clear the function
    std::uint64_t fStructureRevision = 0;
    std::uint64_t fRevision = 0;
    std::vector<MObject> fSelection;
    void notify(SceneChange change, std::uint32_t index);
    Scene();
    std::uint32_t allocate(const std::shared_ptr<NodeType>& type, std::uint32_t parent, const std::string& name);
    void attach(std::uint32_t index, std::uint32_t parent, const std::string& name);
    void detach(std::uint32_t index);
    std::string uniqueAmongChildren(std::uint32_t parent, const std::string& name, std::uint32_t self) const;
    std::string defaultName(const std::string& base, unsigned* number);
    void renameShapesOf(std::uint32_t index);
    // The node's world matrix and its descendants' are stale.
    void worldChanged(std::uint32_t index);
    void indexName(std::uint32_t index);
    void unindexName(std::uint32_t index);

    std::vector<Node> fNodes;
    mutable std::vector<std::uint32_t> fStaleChain;  // scratch list of worldMatrix and worldChanged
    std::vector<std::uint32_t> fFree;
    std::size_t fLiveCount = 0;
    std::unordered_map<std::string, std::vector<std::uint32_t>> fByName;
    std::unordered_map<std::string, unsigned> fDefaultCounters;
    std::unordered_map<std::string, std::shared_ptr<NodeType>> fTypes;
    std::unordered_map<unsigned, std::shared_ptr<NodeType>> fTypesById;
};

// The host's message log. Thread-safe.
namespace log {
void error(const std::string& text);
void warning(const std::string& text);
void info(const std::string& text);
void raw(const std::string& line);
}  // namespace log

// Plug-in registry.
struct CommandEntry {
    std::string name;
    MCreatorFunction creator = nullptr;
    MCreateSyntaxFunction syntaxCreator = nullptr;
    int plugin = -1;
};

struct Plugin {
    std::string name;
    std::string path;
    void* module = nullptr;
    bool loaded = false;
    std::uint32_t generation = 1;
    std::string vendor;
    std::string version;
    std::string apiVersion;
    std::vector<std::string> commands;
    std::vector<std::string> nodeTypes;
};

class Plugins {
public:
    static Plugins& instance();
    Plugin* fromObject(const MObject& o);
    MObject objectFor(int index) const;
    int find(const std::string& name) const;
    Plugin& at(int index) { return fPlugins[index]; }
    MStatus load(const std::string& path, std::string* loadedName);
    MStatus unload(const std::string& name);
    void unloadAll();
    const CommandEntry* command(const std::string& name) const;
    std::string registerCommand(int plugin, const std::string& name, MCreatorFunction creator,
                                MCreateSyntaxFunction syntax);
    std::string deregisterCommand(int plugin, const std::string& name);
    std::vector<std::string> loadedNames() const;
    // Read anew on every call: MAYA_PLUG_IN_PATH, then the modules' plug-in folders.
    std::vector<std::string> searchPath() const;

private:
    void dropRegistrations(int index);
    std::vector<Plugin> fPlugins;
    std::unordered_map<std::string, CommandEntry> fCommands;
};

// Command results: a list of strings (a scalar is a list of one).
struct Result {
    std::vector<std::string> items;
    bool isArray = false;
};

// MEL interpreter. Runs on the main thread.
int addMelListener(std::function<void(MelEvent, const std::string&)> listener);
void removeMelListener(int id);

class Interpreter {
public:
    static Interpreter& instance();
    MStatus execute(const std::string& text, Result* result, bool display);
    bool isBuiltin(const std::string& name) const;
    void setDisabled(const std::vector<std::string>& names) { fDisabled = names; }
    bool isDisabled(const std::string& name) const;
    // Result of the plug-in command currently running (MPxCommand::setResult).
    Result& currentResult() { return fCurrent; }

private:
    Interpreter();
    Result fCurrent;
    std::vector<std::string> fDisabled;
};

// Workspace controls and MQtUtil state (see Controls.cpp).
namespace controls {
MStatus workspaceControl(const std::vector<std::string>& args, Result& result, std::string& error);
void closeAll();
}  // namespace controls

}  // namespace detail
}  // namespace mayastandin
