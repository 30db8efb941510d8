#pragma once
// Host-side API of the stand-in host, for tests and the host program. The product never includes it.
// Main (GUI) thread only, except the log functions, which are thread-safe. The host never creates the
// QApplication: the program or test does, before any workspace-control call.
#include <maya/MStatus.h>
#include <maya/MObject.h>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class QWidget;

namespace mayastandin {

// Runs MEL as MGlobal::executeCommand does. result (if given) receives the last command's result, array
// elements joined by single spaces.
MStatus execute(const std::string& mel, std::string* result = nullptr);
// Same, with the result as a list (a string array result gives one element each).
MStatus executeList(const std::string& mel, std::vector<std::string>* result);
// Commands that MEL may no longer run (a statement naming one fails and changes nothing), for sessions that run
// untrusted MEL and must not load libraries or read files (loadPlugin). An empty list allows every command again.
void setDisabledCommands(const std::vector<std::string>& names);

// What the interpreter runs, for tests that check which commands a plug-in's MEL amounts to: each MEL text
// handed to it (MGlobal::executeCommand, execute), then each command of that text as it runs, its arguments
// after substitution joined by single spaces ("hide |Skeleton|Hips"; a substitution's own commands come
// before the command that uses them). Main thread; a listener must not run MEL or add or remove listeners.
enum class MelEvent { kText, kCommand };
int addMelListener(std::function<void(MelEvent event, const std::string& text)> listener);
void removeMelListener(int id);

// The host's log: every line as displayed, errors prefixed "// Error: ", warnings "// Warning: ", info
// lines without prefix.
std::vector<std::string> logLines();
std::string logText();
void clearLog();
// Echo every new log line to stderr (the host program uses stdout instead, see setLogStream).
void setLogEcho(bool echo);
// Where echoed lines go: 1 = stdout, 2 = stderr.
void setLogStream(int fd);
// Called with every new log line, on the thread that logged it, in log order, under the log's lock: the
// listener must be quick, must not log and must not add or remove listeners. Returns an id for
// removeLogListener, which waits for a call in progress on another thread.
int addLogListener(std::function<void(const std::string& line)> listener);
void removeLogListener(int id);

// Plug-ins. The name of a plug-in is its file's base name without extension. A path is used as given; a
// file name without a folder ("workspaceControlCmd" or "workspaceControlCmd.so") is looked for in
// pluginSearchPath(), as Maya does.
MStatus loadPlugin(const std::string& path);
// Where plug-ins named without a folder are found, in order, read from the environment on every call:
// the folders of MAYA_PLUG_IN_PATH, then the plug-in folders of the modules that module files describe for
// this host (Maya 2018, linux, en_US). Every file in a folder of MAYA_MODULE_PATH is a module file; a
// module name counts once, the first description that applies to this host.
std::vector<std::string> pluginSearchPath();
MStatus unloadPlugin(const std::string& name);
bool isPluginLoaded(const std::string& name);
bool isCommandRegistered(const std::string& name);
bool isNodeTypeRegistered(const std::string& typeName);
// 0 if no such type.
unsigned nodeTypeId(const std::string& typeName);
unsigned nodeTypeMatrixId(const std::string& typeName);
struct PluginInfo {
    bool loaded = false;
    std::string vendor;
    std::string version;
    std::string apiVersion;  // required API version given to MFnPlugin
    std::string path;
};
PluginInfo pluginInfo(const std::string& name);

// Scene.
size_t dagNodeCount();  // DAG nodes, not counting the world (the default cameras count: 8 nodes)
// Translations and rotations set through MFnTransform since the host started: what frame
// application costs the scene, and how the demo counts applied frames.
std::uint64_t transformWrites();
// What each of those writes, and each attribute set (visibility through hide/showHidden), costs the caller:
// the call busy-waits this long, as Maya's dependency-graph work on a write keeps its UI thread busy. 0 (the
// default) for none.
void setWriteCostMicroseconds(double microseconds);
double writeCostMicroseconds();
// Called on the main thread right after each of those writes, with the node written. One listener at a time;
// an empty function removes it. The listener must not edit the scene.
void setTransformWriteListener(std::function<void(const MObject& node)> listener);
// What changes the DAG's structure. A node leaves the DAG once per subtree (deleted, or taken into the undo
// queue), reported before its root and the nodes below it go (the node can still be read); one that comes back
// (undo, redo, a modifier's doIt) is reported as created. New Scene reports each top-level node as deleting.
// Animation curves are dependency nodes, outside the DAG: they are not reported (sceneRevision changes).
enum class SceneChange { kCreated, kRenamed, kReparented, kDeleting, kSelection };
// Called on the main thread right after a change (before it for kDeleting), with the node (null for
// kSelection). The listener must not edit the scene. Returns an id for removeSceneListener.
int addSceneListener(std::function<void(SceneChange change, const MObject& node)> listener);
void removeSceneListener(int id);
// Counts structure changes (creations, renames, reparents, deletions).
std::uint64_t structureRevision();
// Changes whenever anything a viewport draws changes: structure, transforms, visibility. Cheap to poll.
std::uint64_t sceneRevision();
// The selection as `select` sets it, in selection order; deleted nodes drop out.
std::vector<MObject> selection();
void setSelection(const std::vector<MObject>& nodes);
// A name ("a"), a partial path ("b|c") or a full path ("|a|b|c"); null when none or more than one match.
MObject findNode(const std::string& nameOrPath);
// New Scene as `file -new -force` makes it: the scene messages run, the undo queue is flushed, every node is
// destroyed (MObjects held for them dangle: any API call given one stops the process) and the default cameras
// persp, top, front and side are made. kEmpty leaves the world alone instead of making the cameras, a scene
// Maya never shows, for tests of the graph itself.
enum class NewScene { kDefault, kEmpty };
void resetScene(NewScene start = NewScene::kDefault);
// The legal form of a raw node name: every byte outside [A-Za-z0-9_] becomes '_', and a leading digit gets
// a '_' in front. Clashes among siblings are resolved separately: the name (with any trailing digits
// removed) gets the next free number, so "A" -> "A1", and "A1" -> "A2". Empty stays empty (refused).
std::string legalNodeName(const std::string& raw);

// Workspace controls.
struct ControlInfo {
    bool exists = false;
    std::string label;
    bool floating = false;
    int width = 0;
    int height = 0;
    bool retain = true;
    std::string uiScript;
    std::string requiredPlugin;
    bool visible = false;
    QWidget* layout = nullptr;  // the layout widget, object name = control name
    QWidget* window = nullptr;  // the dock widget or top-level window holding it
};
ControlInfo controlInfo(const std::string& name);
// Closes the control the way its close button does (a close event); a control with -retain false is then
// deleted with deleteLater, so run posted deferred deletes to see it gone.
void userCloseControl(const std::string& name);
// Replaces the layout widget by a fresh one of the same name (the old one is deleted with its children)
// and runs the control's -uiScript with the new layout as current parent.
MStatus rebuildControl(const std::string& name);
// The host main window (a QMainWindow gets dock widgets); null = controls are top-level windows.
void setMainWindow(QWidget* mainWindow);
QWidget* mainWindow();

// Batch behaviour for runs without a person: each modal QMessageBox is logged as an error ("title: text")
// and dismissed as soon as it shows, so nothing waits for a click. Needs the QApplication.
void setDismissMessageBoxes(bool dismiss);
bool dismissesMessageBoxes();

// Maya started without its interface (mayabatch, a render farm): MGlobal::mayaState() answers kBatch instead
// of kInteractive. Off at start.
void setBatchMode(bool batch);

// Ends the session: flushes the undo queue, destroys the scene without a scene message, unloads plug-ins (in
// reverse load order; one that leaves a message callback registered is a fatal error) and closes controls.
// Call before the QApplication goes away.
void shutdown();

}  // namespace mayastandin
