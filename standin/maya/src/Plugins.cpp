// Plug-in modules: finding them as Maya does (MAYA_PLUG_IN_PATH, module files in MAYA_MODULE_PATH),
// loading with dlopen, the API version check, entry points, and the registration of commands and node
// types through MFnPlugin. Also the MPx base classes.
#define MNoVersionString
#include <maya/MFnPlugin.h>
#include <maya/MGlobal.h>
#include <maya/MPxNode.h>
#include <maya/MPxTransform.h>
#include <maya/MPxTransformationMatrix.h>
#include <maya/MPxCommand.h>
#include <maya/MDGContext.h>
#include "Internal.h"

#include <dlfcn.h>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

namespace mayastandin {
namespace detail {

namespace {
// initializePlugin / uninitializePlugin(Autodesk::Maya::OpenMaya20180000::MObject), C++ linkage.
const char* const kInitializeSymbol = "_Z16initializePluginN8Autodesk4Maya16OpenMaya201800007MObjectE";
const char* const kUninitializeSymbol = "_Z18uninitializePluginN8Autodesk4Maya16OpenMaya201800007MObjectE";
typedef MStatus (*EntryPoint)(MObject);

std::string baseName(const std::string& path) {
    std::string name = path.substr(path.find_last_of('/') == std::string::npos ? 0 : path.find_last_of('/') + 1);
    const auto dot = name.find('.');
    if (dot != std::string::npos && dot > 0) name.erase(dot);
    return name;
}
MStatus failure(const std::string& text) {
    log::error(text);
    return MStandinAccess::status(MStatus::kFailure, text.c_str());
}

// ---- Finding plug-ins: MAYA_PLUG_IN_PATH and module files ----
namespace fs = std::filesystem;

// What this host is, for the conditions of module descriptions.
const char* const kMayaVersion = "2018";
const char* const kPlatform = "linux";
const char* const kLocale = "en_US";

std::vector<std::string> pathList(const char* variable) {
    std::vector<std::string> out;
    const char* value = std::getenv(variable);
    if (!value) return out;
    std::stringstream in(value);
    std::string entry;
    while (std::getline(in, entry, ':'))
        if (!entry.empty()) out.push_back(entry);
    return out;
}

std::string trimmed(const std::string& s) {
    const auto first = s.find_first_not_of(" \t\r");
    if (first == std::string::npos) return "";
    return s.substr(first, s.find_last_not_of(" \t\r") - first + 1);
}

fs::path under(const fs::path& base, const std::string& path) {
    const fs::path p(path);
    return (p.is_absolute() ? p : base / p).lexically_normal();
}

// A module applies to this host when every condition of its description matches: MAYAVERSION, PLATFORM
// and LOCALE.
bool conditionHolds(const std::string& key, const std::string& value) {
    if (key == "MAYAVERSION") return value == kMayaVersion;
    if (key == "PLATFORM") return value == kPlatform;
    if (key == "LOCALE") return value == kLocale;
    return false;
}

// The plug-in folders of one module file: for each description ("+ [KEY:value]... name version path") that
// is enabled ('+', not '-') and applies to this host, the module's plug-ins/ folder, or the folder a
// "plug-ins: path" line of its section names ("[r] plug-ins: path" with every subfolder not starting with
// a dot). A relative module path is relative to the module file's folder; a relative plug-ins path to the
// module's. A module name already taken by an earlier description is skipped.
void readModuleFile(const fs::path& file, std::vector<std::string>& takenNames, std::vector<fs::path>& folders) {
    std::ifstream in(file);
    std::string line;
    bool inModule = false;  // in the section of a description that applies
    fs::path modulePath;
    fs::path pluginFolder;
    bool recursive = false;
    auto finish = [&]() {
        if (!inModule) return;
        inModule = false;
        folders.push_back(pluginFolder);
        if (!recursive) return;
        std::error_code error;
        std::vector<fs::path> below;
        for (fs::recursive_directory_iterator it(pluginFolder, error), end; !error && it != end; it.increment(error)) {
            if (!it->is_directory(error)) continue;
            if (it->path().filename().string().compare(0, 1, ".") == 0) {
                it.disable_recursion_pending();
                continue;
            }
            below.push_back(it->path());
        }
        std::sort(below.begin(), below.end());
        folders.insert(folders.end(), below.begin(), below.end());
    };
    while (std::getline(in, line)) {
        const std::string text = trimmed(line);
        if (text.size() > 1 && (text[0] == '+' || text[0] == '-') && (text[1] == ' ' || text[1] == '\t')) {
            finish();
            std::istringstream words(text.substr(1));
            std::string word;
            bool applies = text[0] == '+';
            std::vector<std::string> fields;
            while (fields.size() < 2 && words >> word) {
                const auto colon = word.find(':');
                if (fields.empty() && colon != std::string::npos && colon > 0) {
                    applies = applies && conditionHolds(word.substr(0, colon), word.substr(colon + 1));
                } else {
                    fields.push_back(word);
                }
            }
            std::string path;
            std::getline(words, path);
            path = trimmed(path);
            if (fields.size() < 2 || path.empty() || !applies) continue;
            if (std::find(takenNames.begin(), takenNames.end(), fields[0]) != takenNames.end()) continue;
            takenNames.push_back(fields[0]);
            inModule = true;
            modulePath = under(file.parent_path(), path);
            pluginFolder = modulePath / "plug-ins";
            recursive = false;
            continue;
        }
        if (!inModule) continue;
        std::string entry = text;
        bool entryRecursive = false;
        if (entry.compare(0, 3, "[r]") == 0) {
            entryRecursive = true;
            entry = trimmed(entry.substr(3));
        }
        if (entry.compare(0, 9, "plug-ins:") == 0) {
            pluginFolder = under(modulePath, trimmed(entry.substr(9)));
            recursive = entryRecursive;
        }
    }
    finish();
}

std::vector<std::string> findSearchPath() {
    std::vector<std::string> out = pathList("MAYA_PLUG_IN_PATH");
    std::vector<std::string> takenNames;
    for (const std::string& folder : pathList("MAYA_MODULE_PATH")) {
        // Every file of the folder is a module file, whatever its extension, in name order.
        std::error_code error;
        std::vector<fs::path> files;
        for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
            if (it->is_regular_file(error)) files.push_back(it->path());
        std::sort(files.begin(), files.end());
        std::vector<fs::path> folders;
        for (const fs::path& file : files) readModuleFile(file, takenNames, folders);
        for (const fs::path& f : folders) out.push_back(f.string());
    }
    return out;
}
}  // namespace

std::vector<std::string> Plugins::searchPath() const { return findSearchPath(); }

Plugins& Plugins::instance() {
    static Plugins* plugins = new Plugins();  // never destroyed; shutdown() unloads the modules
    return *plugins;
}

Plugin* Plugins::fromObject(const MObject& o) {
    if (MStandinAccess::kind(o) != kPluginKind) return nullptr;
    const std::uint32_t i = MStandinAccess::index(o);
    if (i >= fPlugins.size()) return nullptr;
    Plugin& p = fPlugins[i];
    return p.loaded && p.generation == MStandinAccess::generation(o) ? &p : nullptr;
}
MObject Plugins::objectFor(int index) const {
    return MStandinAccess::makeObject(kPluginKind, static_cast<std::uint32_t>(index), fPlugins[index].generation);
}
int Plugins::find(const std::string& name) const {
    for (std::size_t i = 0; i < fPlugins.size(); ++i)
        if (fPlugins[i].name == name) return static_cast<int>(i);
    return -1;
}
std::vector<std::string> Plugins::loadedNames() const {
    std::vector<std::string> out;
    for (const auto& p : fPlugins)
        if (p.loaded) out.push_back(p.name);
    return out;
}
const CommandEntry* Plugins::command(const std::string& name) const {
    auto it = fCommands.find(name);
    return it == fCommands.end() ? nullptr : &it->second;
}

MStatus Plugins::load(const std::string& path, std::string* loadedName) {
    std::string file = path;
    if (file.find('.') == std::string::npos || file.rfind('.') < file.rfind('/') + 1) file += ".so";
    const std::string name = baseName(file);
    if (loadedName) *loadedName = name;
    int index = find(name);
    if (index >= 0 && fPlugins[index].loaded) {
        log::warning("Plug-in '" + name + "' is already loaded");
        return MStatus::kSuccess;
    }
    // A file named without a folder is looked for where Maya looks; a path is used as given.
    if (file.find('/') == std::string::npos) {
        std::string found;
        for (const std::string& folder : searchPath()) {
            std::error_code error;
            const fs::path candidate = fs::path(folder) / file;
            if (fs::is_regular_file(candidate, error)) {
                found = candidate.string();
                break;
            }
        }
        if (found.empty()) return failure("Plug-in, \"" + path + "\", was not found on MAYA_PLUG_IN_PATH.");
        file = found;
    }
    void* module = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module) {
        const char* why = dlerror();
        return failure("Unable to load plug-in '" + file + "': " + (why ? why : "unknown error"));
    }
    const char* api = static_cast<const char*>(dlsym(module, "MApiVersion"));
    if (!api) {
        dlclose(module);
        return failure("Unable to load plug-in '" + file + "': it does not export MApiVersion (not a plug-in)");
    }
    const std::string apiText(api);
    if (apiText.size() < 4 || apiText.compare(0, 4, "2018") != 0) {
        dlclose(module);
        return failure("Unable to load plug-in '" + file + "': built for API version " + apiText +
                       ", incompatible with this host (20180000)");
    }
    auto init = reinterpret_cast<EntryPoint>(dlsym(module, kInitializeSymbol));
    auto uninit = reinterpret_cast<EntryPoint>(dlsym(module, kUninitializeSymbol));
    if (!init || !uninit) {
        dlclose(module);
        return failure("Unable to load plug-in '" + file + "': it does not export " +
                       (init ? "uninitializePlugin(MObject)" : "initializePlugin(MObject)"));
    }
    if (index < 0) {
        fPlugins.emplace_back();
        index = static_cast<int>(fPlugins.size()) - 1;
    }
    Plugin& p = fPlugins[index];
    ++p.generation;
    p.name = name;
    p.path = file;
    p.module = module;
    Dl_info where;
    p.base = dladdr(reinterpret_cast<const void*>(init), &where) != 0 ? where.dli_fbase : nullptr;
    p.loaded = true;
    p.vendor = p.version = p.apiVersion = "";
    const MStatus status = init(objectFor(index));
    if (!status) {
        dropRegistrations(index);
        Plugin& again = fPlugins[index];
        again.loaded = false;
        ++again.generation;
        again.module = nullptr;
        dlclose(module);
        return failure("initializePlugin function failed (" + name + "): " + status.errorString().asChar());
    }
    return MStatus::kSuccess;
}

MStatus Plugins::unload(const std::string& name) {
    const int index = find(name);
    if (index < 0 || !fPlugins[index].loaded) return failure("Plug-in '" + name + "' is not loaded");
    // As the host does, refuse while nodes of the plug-in's types are in the scene.
    for (const auto& typeName : fPlugins[index].nodeTypes) {
        auto type = Scene::instance().findType(typeName);
        if (type && type->liveNodes > 0)
            return failure("Cannot unload plug-in '" + name + "': " + std::to_string(type->liveNodes) +
                           " node(s) of type '" + typeName +
                           "' are still in the scene or its undo queue (flushUndo empties that)");
    }
    // As Maya asks: nothing of the plug-in may be left in the undo queue (flushUndo empties it).
    if (UndoQueue::instance().holdsPlugin(index))
        return failure("Cannot unload plug-in '" + name +
                       "': the undo queue holds commands of it; flush the undo queue (flushUndo) first");
    auto uninit = reinterpret_cast<EntryPoint>(dlsym(fPlugins[index].module, kUninitializeSymbol));
    const MStatus status = uninit(objectFor(index));
    if (!status)
        return failure("uninitializePlugin function failed (" + name + "): " + status.errorString().asChar() +
                       "; the plug-in stays loaded");
    Plugin& p = fPlugins[index];
    if (!p.commands.empty() || !p.nodeTypes.empty())
        log::warning("Plug-in '" + name + "' left registrations behind; removing them");
    dropRegistrations(index);
    // A callback left registered would call into the unmapped module: Maya reports this as a fatal error.
    const std::size_t left = messages::countInModule(fPlugins[index].base);
    if (left > 0)
        fatal("plug-in '" + name + "' was unloaded with " + std::to_string(left) +
              " message callback(s) still registered; a plug-in removes its callbacks (MMessage::removeCallback) "
              "before it is unloaded");
    Plugin& again = fPlugins[index];
    void* module = again.module;
    again.loaded = false;
    again.module = nullptr;
    ++again.generation;
    dlclose(module);
    return MStatus::kSuccess;
}

int Plugins::pluginOfType(const std::string& typeName) const {
    for (std::size_t i = 0; i < fPlugins.size(); ++i)
        if (fPlugins[i].loaded)
            for (const auto& t : fPlugins[i].nodeTypes)
                if (t == typeName) return static_cast<int>(i);
    return -1;
}

void Plugins::unloadAll() {
    for (std::size_t i = fPlugins.size(); i-- > 0;)
        if (fPlugins[i].loaded) unload(fPlugins[i].name);
}

void Plugins::dropRegistrations(int index) {
    Plugin& p = fPlugins[index];
    for (const auto& c : p.commands) fCommands.erase(c);
    for (const auto& t : p.nodeTypes) Scene::instance().removeType(t);
    p.commands.clear();
    p.nodeTypes.clear();
}

std::string Plugins::registerCommand(int plugin, const std::string& name, MCreatorFunction creator,
                                     MCreateSyntaxFunction syntax) {
    if (name.empty() || !creator) return "Command name or creator is missing";
    if (fCommands.count(name) || Interpreter::instance().isBuiltin(name))
        return "Command '" + name + "' is already registered";
    fCommands[name] = CommandEntry{name, creator, syntax, plugin};
    fPlugins[plugin].commands.push_back(name);
    return "";
}

std::string Plugins::deregisterCommand(int plugin, const std::string& name) {
    auto it = fCommands.find(name);
    if (it == fCommands.end() || it->second.plugin != plugin)
        return "Command '" + name + "' is not registered by this plug-in";
    fCommands.erase(it);
    auto& list = fPlugins[plugin].commands;
    for (auto c = list.begin(); c != list.end(); ++c)
        if (*c == name) {
            list.erase(c);
            break;
        }
    return "";
}

}  // namespace detail
}  // namespace mayastandin

using namespace mayastandin::detail;

OPENMAYA_NAMESPACE_OPEN

// ---- MFnPlugin ----
MFnPlugin::MFnPlugin() {}
namespace {
bool attachPlugin(const MObject& object, const char* vendor, const char* version, const char* api, MStatus* rs) {
    Plugin* p = Plugins::instance().fromObject(object);
    if (!p) {
        if (rs)
            *rs = MStandinAccess::status(MStatus::kInvalidParameter, "(kInvalidParameter): Object is not a plug-in");
        return false;
    }
    p->vendor = vendor ? vendor : "";
    p->version = version ? version : "";
    p->apiVersion = api ? api : "";
    if (rs) *rs = MStatus::kSuccess;
    return true;
}
}  // namespace
MFnPlugin::MFnPlugin(MObject& object, const char* vendor, const char* version, const char* api, MStatus* rs) {
    if (attachPlugin(object, vendor, version, api, rs)) fObject = object;
}
MFnPlugin::MFnPlugin(const MObject& object, const char* vendor, const char* version, const char* api, MStatus* rs) {
    if (attachPlugin(object, vendor, version, api, rs)) fObject = object;
}
MFnPlugin::~MFnPlugin() {}
bool MFnPlugin::accepts(const MObject& object) const { return Plugins::instance().fromObject(object) != nullptr; }

namespace {
Plugin* pluginOf(const MObject& o, int* index) {
    Plugin* p = Plugins::instance().fromObject(o);
    if (p && index) *index = static_cast<int>(MStandinAccess::index(o));
    return p;
}
MStatus notAttached() {
    return MStandinAccess::status(MStatus::kFailure, "(kFailure): Function set is not attached to a loaded plug-in");
}
MStatus failed(const std::string& why) {
    return MStandinAccess::status(MStatus::kFailure, ("(kFailure): " + why).c_str());
}
}  // namespace

MString MFnPlugin::vendor(MStatus* rs) const {
    Plugin* p = pluginOf(fObject, nullptr);
    if (rs) *rs = p ? MStatus::kSuccess : notAttached();
    return p ? MString(p->vendor.c_str()) : MString();
}
MString MFnPlugin::version(MStatus* rs) const {
    Plugin* p = pluginOf(fObject, nullptr);
    if (rs) *rs = p ? MStatus::kSuccess : notAttached();
    return p ? MString(p->version.c_str()) : MString();
}
MString MFnPlugin::apiVersion(MStatus* rs) const {
    Plugin* p = pluginOf(fObject, nullptr);
    if (rs) *rs = p ? MStatus::kSuccess : notAttached();
    return p ? MString(p->apiVersion.c_str()) : MString();
}
MString MFnPlugin::name(MStatus* rs) const {
    Plugin* p = pluginOf(fObject, nullptr);
    if (rs) *rs = p ? MStatus::kSuccess : notAttached();
    return p ? MString(p->name.c_str()) : MString();
}
MString MFnPlugin::loadPath(MStatus* rs) const {
    Plugin* p = pluginOf(fObject, nullptr);
    if (rs) *rs = p ? MStatus::kSuccess : notAttached();
    if (!p) return MString();
    const auto slash = p->path.find_last_of('/');
    return MString(slash == std::string::npos ? "." : p->path.substr(0, slash).c_str());
}
MStatus MFnPlugin::setName(const MString& newName, bool) {
    Plugin* p = pluginOf(fObject, nullptr);
    if (!p) return notAttached();
    p->name = newName.asChar();
    return MStatus::kSuccess;
}
MStatus MFnPlugin::setVersion(const MString& newVersion) {
    Plugin* p = pluginOf(fObject, nullptr);
    if (!p) return notAttached();
    p->version = newVersion.asChar();
    return MStatus::kSuccess;
}

MStatus MFnPlugin::registerCommand(const MString& commandName, MCreatorFunction creator, MCreateSyntaxFunction syntax) {
    int index = -1;
    if (!pluginOf(fObject, &index)) return notAttached();
    const std::string error = Plugins::instance().registerCommand(index, commandName.asChar(), creator, syntax);
    return error.empty() ? MStatus(MStatus::kSuccess) : failed(error);
}
MStatus MFnPlugin::deregisterCommand(const MString& commandName) {
    int index = -1;
    if (!pluginOf(fObject, &index)) return notAttached();
    const std::string error = Plugins::instance().deregisterCommand(index, commandName.asChar());
    return error.empty() ? MStatus(MStatus::kSuccess) : failed(error);
}

MStatus MFnPlugin::registerTransform(const MString& typeName, const MTypeId& typeId, MCreatorFunction creator,
                                     MInitializeFunction init, MCreateXformMatrixFunction matrixCreator,
                                     const MTypeId& matrixId, const MString*) {
    int index = -1;
    Plugin* p = pluginOf(fObject, &index);
    if (!p) return notAttached();
    if (!creator)
        return MStandinAccess::status(MStatus::kInvalidParameter, "(kInvalidParameter): Node creator is missing");
    auto type = std::make_shared<NodeType>();
    type->name = typeName.asChar();
    type->fnType = MFn::kPluginTransformNode;
    type->typeId = typeId.id();
    type->matrixId = matrixId.id();
    type->isTransform = true;
    type->creator = creator;
    type->matrixCreator = matrixCreator;
    type->plugin = index;
    if (Scene::instance().findType(type->name) || Scene::instance().findTypeById(type->typeId)) {
        return failed(Scene::instance().registerType(type));  // reports which name or id is taken
    }
    if (init) {
        const MStatus s = init();
        if (!s) return failed("Initialization of node type '" + type->name + "' failed");
    }
    const std::string error = Scene::instance().registerType(type);
    if (!error.empty()) return failed(error);
    p->nodeTypes.push_back(type->name);
    return MStatus::kSuccess;
}
MStatus MFnPlugin::registerTransform(const MString& typeName, const MTypeId& typeId, MCreatorFunction creator,
                                     MInitializeFunction init, MCreatorFunction matrixCreator, const MTypeId& matrixId,
                                     const MString* classification) {
    return registerTransform(typeName, typeId, creator, init,
                             reinterpret_cast<MCreateXformMatrixFunction>(matrixCreator), matrixId, classification);
}
MStatus MFnPlugin::deregisterNode(const MTypeId& typeId) {
    int index = -1;
    Plugin* p = pluginOf(fObject, &index);
    if (!p) return notAttached();
    auto type = Scene::instance().findTypeById(typeId.id());
    if (!type || type->plugin != index)
        return failed("Node id " + std::to_string(typeId.id()) + " is not registered by this plug-in");
    if (type->liveNodes > 0) return failed("Nodes of type '" + type->name + "' are still in the scene");
    Scene::instance().removeType(type->name);
    for (auto it = p->nodeTypes.begin(); it != p->nodeTypes.end(); ++it)
        if (*it == type->name) {
            p->nodeTypes.erase(it);
            break;
        }
    return MStatus::kSuccess;
}

// ---- MPxNode / MPxTransform / MPxTransformationMatrix ----
MDGContext MDGContext::fsNormal;

MPxNode::MPxNode() {}
MPxNode::~MPxNode() {}
void MPxNode::postConstructor() {}
MStatus MPxNode::compute(const MPlug&, MDataBlock&) { return MStatus::kUnknownParameter; }
MPxNode::Type MPxNode::type() const { return kDependNode; }
MObject MPxNode::thisMObject() const { return fThisObject; }
MTypeId MPxNode::typeId() const { return fTypeId; }
MString MPxNode::typeName() const {
    auto t = Scene::instance().findTypeById(fTypeId.id());
    return t ? MString(t->name.c_str()) : MString();
}
MString MPxNode::name() const {
    const std::uint32_t i = Scene::instance().existingIndex(fThisObject);
    return i == kNoNode ? MString() : MString(Scene::instance().node(i).name.c_str());
}

MPxTransform::MPxTransform() : baseTransformationMatrix(nullptr) {}
MPxTransform::~MPxTransform() {
    delete baseTransformationMatrix;
    baseTransformationMatrix = nullptr;
}
void MPxTransform::postConstructor() {
    if (!baseTransformationMatrix) {
        baseTransformationMatrix = createTransformationMatrix();
        if (baseTransformationMatrix) MStandinAccess::setMatrixNode(baseTransformationMatrix, thisMObject());
    }
}
MPxNode::Type MPxTransform::type() const { return kTransformNode; }
MPxTransformationMatrix* MPxTransform::createTransformationMatrix() { return new MPxTransformationMatrix(); }
// Sets translation, rotation (in the node's order) and scale from a matrix without shear.
void MPxTransform::resetTransformation(const MMatrix& m) {
    const std::uint32_t i = Scene::instance().indexOf(thisMObject());
    if (i == kNoNode) return;
    Node& n = Scene::instance().node(i);
    n.translation = MVector(m.matrix[3][0], m.matrix[3][1], m.matrix[3][2]);
    for (int r = 0; r < 3; ++r)
        n.scale[r] = std::sqrt(m.matrix[r][0] * m.matrix[r][0] + m.matrix[r][1] * m.matrix[r][1] +
                               m.matrix[r][2] * m.matrix[r][2]);
    n.rotation = MEulerRotation::decompose(m, n.rotation.order);
    Scene::instance().transformChanged(i);
}
void MPxTransform::resetTransformation(MPxTransformationMatrix* matrix) {
    resetTransformation(matrix ? matrix->asMatrix() : MMatrix());
}
MStatus MPxTransform::compute(const MPlug&, MDataBlock&) { return MStatus::kUnknownParameter; }
MStatus MPxTransform::validateAndSetValue(const MPlug&, const MDataHandle&) { return MStatus::kSuccess; }
MStatus MPxTransform::validateAndSetValue(const MPlug&, const MDataHandle&, const MDGContext&) {
    return MStatus::kSuccess;
}

MTypeId MPxTransformationMatrix::baseTransformationMatrixId(0x58464d54);
MPxTransformationMatrix::MPxTransformationMatrix() {}
MPxTransformationMatrix::~MPxTransformationMatrix() {}
MMatrix MPxTransformationMatrix::asMatrix() const {
    const std::uint32_t i = Scene::instance().indexOf(fNode);
    return i == kNoNode ? MMatrix() : Scene::instance().localMatrix(i);
}
MTypeId MPxTransformationMatrix::typeId() const { return baseTransformationMatrixId; }
MPxTransformationMatrix* MPxTransformationMatrix::creator() { return new MPxTransformationMatrix(); }

// ---- MPxCommand ----
MPxCommand::MPxCommand() {}
MPxCommand::~MPxCommand() {}
MStatus MPxCommand::doIt(const MArgList&) { return MStatus::kSuccess; }
MStatus MPxCommand::undoIt() { return MStatus::kSuccess; }
MStatus MPxCommand::redoIt() { return MStatus::kSuccess; }
bool MPxCommand::isUndoable() const { return false; }
bool MPxCommand::hasSyntax() const { return true; }
MSyntax MPxCommand::syntax() const { return fSyntax; }
MString MPxCommand::commandString() const { return fCommandString; }
void MPxCommand::displayInfo(const MString& m) { MGlobal::displayInfo(m); }
void MPxCommand::displayWarning(const MString& m, bool) { MGlobal::displayWarning(m); }
void MPxCommand::displayError(const MString& m, bool) { MGlobal::displayError(m); }

namespace {
Result& current() { return Interpreter::instance().currentResult(); }
void setScalar(const std::string& v) {
    current().items.assign(1, v);
    current().isArray = false;
}
void append(const std::string& v) {
    current().items.push_back(v);
    current().isArray = true;
}
std::string number(double v) {
    MString s;
    s.set(v);
    return s.asChar();
}
}  // namespace
void MPxCommand::clearResult() { current() = Result(); }
void MPxCommand::setResult(unsigned int v) { setScalar(std::to_string(v)); }
void MPxCommand::setResult(int v) { setScalar(std::to_string(v)); }
void MPxCommand::setResult(double v) { setScalar(number(v)); }
void MPxCommand::setResult(bool v) { setScalar(v ? "1" : "0"); }
void MPxCommand::setResult(const char* v) { setScalar(v ? v : ""); }
void MPxCommand::setResult(const MString& v) { setScalar(v.asChar()); }
void MPxCommand::setResult(const MStringArray& v) {
    clearResult();
    current().isArray = true;
    for (unsigned i = 0; i < v.length(); ++i) current().items.push_back(v[i].asChar());
}
void MPxCommand::appendToResult(int v) { append(std::to_string(v)); }
void MPxCommand::appendToResult(double v) { append(number(v)); }
void MPxCommand::appendToResult(const char* v) { append(v ? v : ""); }
void MPxCommand::appendToResult(const MString& v) { append(v.asChar()); }

OPENMAYA_NAMESPACE_CLOSE
