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
#include <maya/MTransformationMatrix.h>
#include <maya/MDagPath.h>
#include <maya/MSyntax.h>
#include <maya/MPxNode.h>
#include <maya/MPxTransform.h>
#include <maya/MPxCommand.h>
#include <maya/MPxTransformationMatrix.h>
#include <maya/MDGModifier.h>
#include <maya/MFnAnimCurve.h>
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
    // A failure status carrying its own message (what errorString() returns).
    static MStatus status(MStatus::MStatusCode code, const char* message) { return MStatus(code, message); }
    // Records a node made outside the modifier (an animation curve) in it as a creation already done.
    static void recordCreated(MDGModifier* modifier, const MObject& node);
    // Validates args against a syntax; returns "" or the error text.
    static std::string checkArgs(const MSyntax& syntax, const std::vector<std::string>& args);
};

OPENMAYA_NAMESPACE_CLOSE

namespace mayastandin {
namespace detail {

using Autodesk::Maya::OpenMaya20180000::MStandinAccess;

// MTransformationMatrix's rotation orders start with kInvalid; MEulerRotation's start with kXYZ.
inline MEulerRotation::RotationOrder eulerOrder(MTransformationMatrix::RotationOrder order) {
    return static_cast<MEulerRotation::RotationOrder>(order - MTransformationMatrix::kXYZ);
}
inline MTransformationMatrix::RotationOrder transformOrder(MEulerRotation::RotationOrder order) {
    return static_cast<MTransformationMatrix::RotationOrder>(order + MTransformationMatrix::kXYZ);
}

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
    bool isDag = true;    // false: a dependency node, in the scene but outside the DAG (animation curves)
    std::string shapeOf;  // for a shape type: the name of the shape's base ("locator")
    MCreatorFunction creator = nullptr;
    MCreateXformMatrixFunction matrixCreator = nullptr;
    int plugin = -1;  // index of the registering plug-in, -1 = built in
    std::size_t liveNodes = 0;
};

// One key of an animation curve: its time in seconds and its value (centimetres, radians or unitless).
struct CurveKey {
    double seconds;
    double value;
    MFnAnimCurve::TangentType in, out;
};

// What an animation curve node holds: its keys in rising time order and the channel it drives, if any.
struct CurveData {
    MFnAnimCurve::AnimCurveType type = MFnAnimCurve::kAnimCurveUnknown;
    std::vector<CurveKey> keys;
    MObject driven;             // the node whose channel it drives; null when connected to nothing
    std::uint32_t channel = 0;  // the attribute id of that channel (anim::Channel)
};

// A node exists (alive) from its creation until it is destroyed; while it exists it is either in the scene
// ("inDag", for dependency nodes too) or out of it, below a root that an owner holds: an undo queue entry, or
// the modifier that created or deleted it. Destroying bumps the generation, so the MObjects of the slot's
// former node are told from those of a new one. A dependency node has no parent and no children.
struct Node {
    std::uint32_t generation = 1;
    bool alive = false;
    bool inDag = false;
    MObject homeParent;        // out of the DAG, a root: where it goes back to
    std::uintptr_t owner = 0;  // out of the DAG, a root: who holds it (see Scene::takeOut)
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
    MPxNode* user = nullptr;           // owned
    std::unique_ptr<CurveData> curve;  // animation curves only
    // Taken out with this root (a DAG node's deletion): the animation curves that drove its subtree.
    std::vector<MObject> companions;
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
        if (fWriteCostNs > 0) spendWriteCost();
        transformChanged(index);
        ++fTransformWrites;
        if (fWriteListener) fWriteListener(handle(index));
    }
    std::uint64_t transformWrites() const { return fTransformWrites; }
    // What each transform write and attribute set costs the caller (see Host.h), spent by busy-waiting.
    void setWriteCostNs(std::int64_t ns) { fWriteCostNs = ns > 0 ? ns : 0; }
    std::int64_t writeCostNs() const { return fWriteCostNs; }
    void spendWriteCost() const;
    void setTransformWriteListener(std::function<void(const MObject&)> listener) {
        fWriteListener = std::move(listener);
    }

    // Structure changes and the revisions (see Host.h).
    int addListener(std::function<void(SceneChange, const MObject&)> listener);
    void removeListener(int id);
    std::uint64_t structureRevision() const { return fStructureRevision; }
    std::uint64_t revision() const { return fRevision; }
    // The scene file: its name ("" untitled) and whether anything changed since it was saved, opened or made.
    const std::string& fileName() const { return fFileName; }
    void setFileName(const std::string& name) { fFileName = name; }
    void markSaved() { fSavedRevision = fRevision; }
    bool modified() const { return fRevision != fSavedRevision; }
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

    // Handles. handle() is the MObject of any node that exists, in the DAG or out of it.
    MObject handle(std::uint32_t index) const;
    // Whether an object is a node in the DAG.
    bool isValid(const MObject& o) const { return indexOf(o) != kNoNode; }
    // Index of a node in the DAG, or kNoNode.
    std::uint32_t indexOf(const MObject& o) const;
    // Index of a node that exists, in the DAG or out of it, or kNoNode.
    std::uint32_t existingIndex(const MObject& o) const;
    // Whether an object refers to a node that was destroyed (its MObject dangles in Maya).
    bool isDestroyed(const MObject& o) const;
    // For API calls given an MObject: a destroyed node stops the process with a message naming the call, as
    // Maya would crash there. Otherwise as indexOf / existingIndex.
    std::uint32_t validIndex(const MObject& o, const char* call) const;
    std::uint32_t checkedExisting(const MObject& o, const char* call) const;
    Node& node(std::uint32_t index) { return fNodes[index]; }
    const Node& node(std::uint32_t index) const { return fNodes[index]; }
    std::uint32_t world() const { return 0; }
    std::size_t dagNodeCount() const { return fLiveCount; }

    // Creation: typeName "locator" etc. with a null parent makes a transform with a shape below it and
    // returns the transform. name empty = default name. Out of the DAG, the node waits for putBack (a
    // modifier's createNode before doIt), held by owner.
    std::uint32_t createNode(const std::string& typeName, std::uint32_t parent, const std::string& name,
                             std::string* error, bool outOfDag = false, std::uintptr_t owner = 0);
    std::uint32_t createNode(unsigned typeId, std::uint32_t parent, const std::string& name, std::string* error);
    // A dependency node (a type that is not a DAG type) in the scene, its name made unique among every node's.
    std::uint32_t createDependencyNode(const std::string& typeName, const std::string& name, std::string* error);
    // The dependency nodes in the scene, in the order they came in.
    const std::vector<std::uint32_t>& dependencyNodes() const { return fDependencyNodes; }
    // Takes a node and everything below it out of the DAG, held by owner (a deletion that can be undone), with
    // the animation curves that drive any of those nodes (as Maya deletes a curve with the node it drives).
    void takeOut(std::uint32_t root, std::uintptr_t owner);
    // Puts a root taken out back under its former parent (the world if that is no longer in the DAG), with
    // the curves taken out along with it.
    void putBack(std::uint32_t root);
    // Destroys the nodes a holder holds out of the DAG, when it goes.
    void destroyHeld(const MObject& root, std::uintptr_t owner);
    // "" on success, else the error text.
    std::string rename(std::uint32_t index, const std::string& rawName);
    std::string reparent(std::uint32_t index, std::uint32_t newParent);
    // Destroys a node and everything below it, in the DAG or out of it, and the curves that drive them.
    void destroy(std::uint32_t index);
    // Destroys every node in the DAG (held ones are their owners' to destroy) and, with cameras, makes the
    // default cameras of a new scene.
    void reset(bool cameras);
    void makeDefaultCameras();
    // The default cameras cannot be deleted, renamed or reparented.
    bool isDefaultCamera(std::uint32_t index) const;

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
    std::int64_t fWriteCostNs = 0;
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
    std::uint64_t fSavedRevision = 0;
    std::string fFileName;
    std::vector<MObject> fSelection;
    void notify(SceneChange change, std::uint32_t index);
    Scene();
    std::uint32_t allocate(const std::shared_ptr<NodeType>& type, std::uint32_t parent, const std::string& name);
    // Child lists only (link, unlink), and with the name index for a node in the DAG (attach, detach).
    void link(std::uint32_t index, std::uint32_t parent, const std::string& name);
    void unlink(std::uint32_t index);
    void attach(std::uint32_t index, std::uint32_t parent, const std::string& name);
    void detach(std::uint32_t index);
    void subtree(std::uint32_t root, std::vector<std::uint32_t>& out) const;
    std::vector<MObject> fDefaultCameras;
    std::string uniqueAmongChildren(std::uint32_t parent, const std::string& name, std::uint32_t self) const;
    std::string defaultName(const std::string& base, unsigned* number);
    void renameShapesOf(std::uint32_t index);
    // The node's world matrix and its descendants' are stale.
    void worldChanged(std::uint32_t index);
    void indexName(std::uint32_t index);
    void unindexName(std::uint32_t index);

    // The curves in the scene that drive a node of the subtree (as listed in `nodes`).
    std::vector<std::uint32_t> curvesDriving(const std::vector<std::uint32_t>& nodes) const;
    std::string uniqueNodeName(const std::string& name) const;
    void removeDependencyNode(std::uint32_t index);

    std::vector<Node> fNodes;
    std::vector<std::uint32_t> fDependencyNodes;
    mutable std::vector<std::uint32_t> fStaleChain;  // scratch list of worldMatrix and worldChanged
    std::vector<std::uint32_t> fFree;
    std::size_t fLiveCount = 0;
    std::unordered_map<std::string, std::vector<std::uint32_t>> fByName;
    std::unordered_map<std::string, unsigned> fDefaultCounters;
    std::unordered_map<std::string, std::shared_ptr<NodeType>> fTypes;
    std::unordered_map<unsigned, std::shared_ptr<NodeType>> fTypesById;
};

// Stops the process as Maya would crash: "maya-standin: fatal: TEXT" on stderr, then abort.
[[noreturn]] void fatal(const std::string& text);

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
    const void* base = nullptr;  // where the module is mapped: the functions of its callbacks lie above it
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
    // The plug-in a node type belongs to, or -1.
    int pluginOfType(const std::string& typeName) const;
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
    // With undoEnabled, the commands of the text that change the scene go to the undo queue.
    MStatus execute(const std::string& text, Result* result, bool display, bool undoEnabled);
    bool undoEnabled() const { return fUndoEnabled; }
    bool isBuiltin(const std::string& name) const;
    void setDisabled(const std::vector<std::string>& names) { fDisabled = names; }
    bool isDisabled(const std::string& name) const;
    // Result of the plug-in command currently running (MPxCommand::setResult).
    Result& currentResult() { return fCurrent; }

private:
    Interpreter();
    Result fCurrent;
    std::vector<std::string> fDisabled;
    bool fUndoEnabled = false;
};

// The undo queue (main thread). An entry undoes and redoes one command; while the nodes it deleted (or created,
// once undone) are out of the DAG it holds them, and when it is dropped (flushUndo, New or Open Scene, the
// queue's length limit, or a new command after undo drops the redo side) it destroys them and deletes the
// plug-in command it holds.
struct UndoEntry {
    std::string label;
    std::function<void()> undo, redo;
    std::vector<MObject> held;  // roots taken out of the DAG with owner()
    MPxCommand* command = nullptr;
    int plugin = -1;
    std::uintptr_t owner = 0;
};

class UndoQueue {
public:
    static UndoQueue& instance();
    // The owner token of the entry recorded next: nodes a command takes out of the DAG are held with it.
    std::uintptr_t nextOwner() const { return kOwnerTag | fNextSerial; }
    // Keeps the entry (with undo on), dropping the redo side and, past the length limit, the oldest entries.
    void record(UndoEntry entry);
    bool undo(std::string* label);
    bool redo(std::string* label);
    void flush();
    bool holdsPlugin(int plugin) const;
    std::size_t size() const { return fEntries.size(); }
    // Maya's default queue length, 50 commands; 0 keeps every command.
    unsigned length() const { return fLength; }
    void setLength(unsigned length);

private:
    static constexpr std::uintptr_t kOwnerTag = std::uintptr_t(1) << (sizeof(std::uintptr_t) * 8 - 1);
    void drop(UndoEntry& entry);
    std::vector<UndoEntry> fEntries;
    std::size_t fDone = 0;  // entries [0, fDone) can be undone, [fDone, end) redone
    std::uintptr_t fNextSerial = 1;
    unsigned fLength = 50;
};

// Transform and visibility values of nodes before and after an edit (xform, setAttr, hide, showHidden): with
// undo on, made before the edit, and record() after it puts the edit in the undo queue.
class ValueEdit {
public:
    ValueEdit(const std::string& label, const std::vector<std::uint32_t>& nodes);
    void record();

    struct Values {
        MObject node;
        MVector translation;
        MEulerRotation rotation;
        double scale[3];
        bool visible;
    };

private:
    std::string fLabel;
    std::vector<std::uint32_t> fNodes;
    std::vector<Values> fBefore;
    bool fOn;
};
// Runs edit as one ValueEdit.
void recordValueEdit(const std::string& label, const std::vector<std::uint32_t>& nodes,
                     const std::function<void()>& edit);

// Scene messages (MSceneMessage) and the callbacks registered for them.
namespace messages {
void send(int message);
// False if a check callback cancels the operation.
bool check(int message);
// Callbacks whose function lies in the module mapped at base, still registered.
std::size_t countInModule(const void* base);
}  // namespace messages

// New Scene and Open Scene as file -new and file -open run them, and the scene file's name.
namespace files {
// Runs kBeforeNewCheck (false if cancelled), kBeforeNew, flushes the undo queue, destroys every node, makes the
// default cameras (unless empty), then kAfterNew and kSceneUpdate.
bool newScene(bool cameras);
// Ends the session's scene with no message.
void clear();
}  // namespace files

// Workspace controls and MQtUtil state (see Controls.cpp).
namespace controls {
MStatus workspaceControl(const std::vector<std::string>& args, Result& result, std::string& error);
void closeAll();
}  // namespace controls

namespace menus {
// Puts the menus made so far into a new main window's menu bar.
void attachTo(QWidget* mainWindow);
// Deletes every menu (the session ends).
void closeAll();
}  // namespace menus

}  // namespace detail
}  // namespace mayastandin
