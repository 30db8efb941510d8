// The host-side API (mayastandin/Host.h) over the internal state.
#include <mayastandin/Host.h>
#include "Internal.h"

namespace mayastandin {

using namespace detail;

MStatus execute(const std::string& mel, std::string* result) {
    Result r;
    const MStatus s = Interpreter::instance().execute(mel, &r, false, true);
    if (result) {
        result->clear();
        for (std::size_t i = 0; i < r.items.size(); ++i) *result += (i ? " " : "") + r.items[i];
    }
    return s;
}
MStatus executeList(const std::string& mel, std::vector<std::string>* result) {
    Result r;
    const MStatus s = Interpreter::instance().execute(mel, &r, false, true);
    if (result) *result = r.items;
    return s;
}

int addMelListener(std::function<void(MelEvent, const std::string&)> listener) {
    return detail::addMelListener(std::move(listener));
}
void removeMelListener(int id) { detail::removeMelListener(id); }
void setDisabledCommands(const std::vector<std::string>& names) { Interpreter::instance().setDisabled(names); }

MStatus loadPlugin(const std::string& path) { return Plugins::instance().load(path, nullptr); }
MStatus unloadPlugin(const std::string& name) { return Plugins::instance().unload(name); }
std::vector<std::string> pluginSearchPath() { return Plugins::instance().searchPath(); }
bool isPluginLoaded(const std::string& name) {
    const int i = Plugins::instance().find(name);
    return i >= 0 && Plugins::instance().at(i).loaded;
}
bool isCommandRegistered(const std::string& name) {
    return Plugins::instance().command(name) != nullptr || Interpreter::instance().isBuiltin(name);
}
bool isNodeTypeRegistered(const std::string& typeName) { return Scene::instance().findType(typeName) != nullptr; }
unsigned nodeTypeId(const std::string& typeName) {
    auto t = Scene::instance().findType(typeName);
    return t ? t->typeId : 0;
}
unsigned nodeTypeMatrixId(const std::string& typeName) {
    auto t = Scene::instance().findType(typeName);
    return t ? t->matrixId : 0;
}
PluginInfo pluginInfo(const std::string& name) {
    PluginInfo info;
    const int i = Plugins::instance().find(name);
    if (i < 0) return info;
    const Plugin& p = Plugins::instance().at(i);
    info.loaded = p.loaded;
    info.vendor = p.vendor;
    info.version = p.version;
    info.apiVersion = p.apiVersion;
    info.path = p.path;
    return info;
}

size_t dagNodeCount() { return Scene::instance().dagNodeCount(); }
std::uint64_t transformWrites() { return Scene::instance().transformWrites(); }
void setWriteCostMicroseconds(double us) { Scene::instance().setWriteCostNs(static_cast<std::int64_t>(us * 1000.0)); }
double writeCostMicroseconds() { return static_cast<double>(Scene::instance().writeCostNs()) / 1000.0; }
void setTransformWriteListener(std::function<void(const MObject& node)> listener) {
    Scene::instance().setTransformWriteListener(std::move(listener));
}
int addSceneListener(std::function<void(SceneChange, const MObject&)> listener) {
    return Scene::instance().addListener(std::move(listener));
}
void removeSceneListener(int id) { Scene::instance().removeListener(id); }
std::uint64_t structureRevision() { return Scene::instance().structureRevision(); }
std::uint64_t sceneRevision() { return Scene::instance().revision(); }
std::vector<MObject> selection() {
    std::vector<MObject> out;
    for (std::uint32_t i : Scene::instance().selection()) out.push_back(Scene::instance().handle(i));
    return out;
}
void setSelection(const std::vector<MObject>& nodes) {
    std::vector<std::uint32_t> indices;
    for (const MObject& o : nodes) {
        const std::uint32_t i = Scene::instance().indexOf(o);
        if (i != kNoNode) indices.push_back(i);
    }
    Scene::instance().setSelection(indices);
}
MObject findNode(const std::string& nameOrPath) {
    std::vector<std::uint32_t> found;
    Scene::instance().resolve(nameOrPath, found);
    return found.size() == 1 ? Scene::instance().handle(found[0]) : MObject();
}
void resetScene(NewScene start) { files::newScene(start == NewScene::kDefault); }
std::string legalNodeName(const std::string& raw) { return Scene::legalName(raw); }

void shutdown() {
    files::clear();
    Plugins::instance().unloadAll();
    controls::closeAll();
    menus::closeAll();
}

}  // namespace mayastandin
