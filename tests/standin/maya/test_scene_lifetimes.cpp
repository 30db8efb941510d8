// What becomes of nodes and their MObjects as Maya runs a scene: deletion into the undo queue, undo and redo,
// the queue flushed, New and Open Scene with their messages, scene files, and the default cameras. A call given
// a destroyed node stops the process, as it crashes Maya.
#include "test_support.h"

#include <maya/MCallbackIdArray.h>
#include <maya/MFnTransform.h>
#include <maya/MGlobal.h>
#include <maya/MObjectHandle.h>
#include <maya/MSceneMessage.h>
#include <maya/MSelectionList.h>

#include <QtCore/QTemporaryDir>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <vector>

using mayastandin::execute;
using mayastandin::findNode;

namespace {

const char* const kPlugin = STANDIN_TEST_PLUGIN;

class LifetimeTest : public StandinTest {
protected:
    void TearDown() override {
        mayastandin::resetScene();
        execute("undoInfo -length 50");
        if (mayastandin::isPluginLoaded("standinTestPlugin")) {
            EXPECT_TRUE(mayastandin::unloadPlugin("standinTestPlugin"));
        }
    }
    static std::string run(const std::string& mel) {
        std::string result;
        EXPECT_TRUE(execute(mel, &result)) << mel << "\n" << mayastandin::logText();
        return result;
    }
};

TEST_F(LifetimeTest, HandlesTellAliveFromValidAsMayaDoes) {
    const struct {
        const char* what;
        const char* mel;  // run on a scene with |a and the joint |a|b, undo on, after which b is looked at
        bool alive, valid;
    } cases[] = {
        {"left alone", "", true, true},
        {"deleted with its parent: waits in the undo queue", "delete a", true, false},
        {"deleted, then undone", "delete a; undo", true, true},
        {"deleted, undone, redone", "delete b; undo; redo", true, false},
        {"deleted, queue flushed", "delete b; flushUndo", false, false},
        {"deleted past the queue's length", "undoInfo -length 1; delete b; createNode transform", false, false},
        {"created, then undone", "undo", true, false},
        {"created, undone, then another command", "undo; createNode transform", false, false},
        {"New Scene", "file -new -force", false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        mayastandin::resetScene(mayastandin::NewScene::kEmpty);
        execute("undoInfo -length 50");
        ASSERT_TRUE(execute("createNode transform -n a; createNode joint -n b -p a"));
        const MObject b = findNode("b");
        const MObjectHandle handle(b);
        MDagPath path;
        ASSERT_TRUE(MDagPath::getAPathTo(b, path));
        ASSERT_TRUE(execute(c.mel)) << mayastandin::logText();
        EXPECT_EQ(handle.isAlive(), c.alive);
        EXPECT_EQ(handle.isValid(), c.valid);
        EXPECT_EQ(path.isValid(), c.valid);
        EXPECT_EQ(handle.object().isNull(), !c.valid);
        EXPECT_EQ(handle.hashCode() != 0, c.alive);
        if (c.valid) {
            EXPECT_EQ(findNode("b"), b);  // undo brings back the same node
        } else if (c.alive) {
            // In the undo queue: out of the scene, but it answers what it is; it has no path and takes no edit.
            EXPECT_TRUE(findNode("b").isNull());
            MFnDagNode fn(b);
            EXPECT_TRUE(b.hasFn(MFn::kJoint));
            EXPECT_EQ(fn.name(), "b");
            EXPECT_FALSE(fn.getPath(path));
            EXPECT_FALSE(MFnTransform(b).setTranslation(MVector(1, 2, 3), MSpace::kTransform));
        }
    }
}

// Function sets and the like, attached while the node exists; each case uses them once it is destroyed.
struct Attached {
    explicit Attached(MObject n) : node(n), dag(n), dependency(n), transform(n) {}
    MObject node;
    MFnDagNode dag;
    MFnDependencyNode dependency;
    MFnTransform transform;
    MDagPath path;
    MDagModifier modifier;
    MSelectionList list;
};

TEST_F(LifetimeTest, ACallGivenADestroyedNodeStopsTheProcessNamingIt) {
    const struct {
        const char* call;
        void (*use)(Attached&);
    } cases[] = {
        {"MFnDagNode::getPath", [](Attached& a) { a.dag.getPath(a.path); }},
        {"MFnDagNode::setObject", [](Attached& a) { a.dag.setObject(a.node); }},
        {"MFnDependencyNode::name", [](Attached& a) { a.dependency.name(); }},
        {"MFnTransform::setTranslation",
         [](Attached& a) { a.transform.setTranslation(MVector(1, 0, 0), MSpace::kWorld); }},
        {"MObject::hasFn", [](Attached& a) { a.node.hasFn(MFn::kTransform); }},
        {"MObjectHandle::MObjectHandle", [](Attached& a) { MObjectHandle h(a.node); }},
        {"MDagPath::getAPathTo", [](Attached& a) { MDagPath::getAPathTo(a.node, a.path); }},
        {"MDGModifier::renameNode", [](Attached& a) { a.modifier.renameNode(a.node, "x"); }},
        {"MSelectionList::add", [](Attached& a) { a.list.add(a.node); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.call);
        mayastandin::resetScene(mayastandin::NewScene::kEmpty);
        Attached attached(make("transform", "n"));
        ASSERT_TRUE(execute("delete n"));
        c.use(attached);  // in the undo queue: a failing status at most
        ASSERT_TRUE(execute("flushUndo"));
        EXPECT_DEATH(c.use(attached), std::string("maya-standin: fatal: ") + c.call + " given a destroyed node");
    }
}

TEST_F(LifetimeTest, EveryEditingCommandUndoesAndRedoes) {
    ASSERT_TRUE(mayastandin::loadPlugin(kPlugin));
    const struct {
        const char *command, *query, *after, *before;
    } cases[] = {
        {"createNode transform -n n", "ls n", "n", ""},
        {"delete a", "ls -l c", "", "|a|c"},
        {"rename a b", "ls -l c", "|b|c", "|a|c"},
        {"parent a p", "ls -l c", "|p|a|c", "|a|c"},
        {"parent -w c", "ls -l c", "|c", "|a|c"},
        {"xform -t 1 2 3 a", "getAttr a.t", "1 2 3", "0 0 0"},
        {"xform -ws -ro 0 90 0 c", "getAttr c.ry", "90", "0"},
        {"setAttr a.sx 2", "getAttr a.s", "2 1 1", "1 1 1"},
        {"setAttr a.ro 3", "getAttr a.ro", "3", "0"},
        {"hide a", "getAttr a.v", "0", "1"},
        {"standinUndoCmd made", "ls -l made", "|made", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.command);
        mayastandin::resetScene(mayastandin::NewScene::kEmpty);
        ASSERT_TRUE(execute("createNode transform -n p; createNode transform -n a; createNode joint -n c -p a"));
        ASSERT_TRUE(execute("flushUndo"));
        ASSERT_TRUE(execute(c.command)) << mayastandin::logText();
        EXPECT_EQ(run(c.query), c.after);
        ASSERT_TRUE(execute("undo"));
        EXPECT_EQ(run(c.query), c.before);
        ASSERT_TRUE(execute("redo"));
        EXPECT_EQ(run(c.query), c.after);
    }
    // The plug-in's commands stay in the queue, and the plug-in with them, until it is flushed.
    EXPECT_EQ(run("standinTestCmd -liveUndoCommands"), "1");
    EXPECT_FALSE(mayastandin::unloadPlugin("standinTestPlugin"));
    EXPECT_TRUE(logContains("flushUndo"));
    ASSERT_TRUE(execute("flushUndo"));
    EXPECT_EQ(run("standinTestCmd -liveUndoCommands"), "0");
}

TEST_F(LifetimeTest, OnlyCommandsRunWithUndoOnAreRecorded) {
    ASSERT_TRUE(mayastandin::loadPlugin(kPlugin));
    ASSERT_TRUE(execute("createNode transform -n kept; flushUndo"));
    const MObjectHandle handle(findNode("kept"));
    // MGlobal::executeCommand runs with undo off by default: the node is destroyed at once, and so is the
    // undoable command object.
    ASSERT_TRUE(MGlobal::executeCommand("delete kept; standinUndoCmd quiet"));
    EXPECT_FALSE(handle.isAlive());
    EXPECT_EQ(run("standinTestCmd -liveUndoCommands"), "0");
    ASSERT_TRUE(execute("undo"));
    EXPECT_TRUE(logContains("There are no more commands to undo."));
    EXPECT_EQ(run("ls quiet"), "quiet");
}

std::vector<std::string> events;
MObjectHandle watched;
// Notes the message named by the callback's data, if any.
void onMessage(void* name) {
    if (name)
        events.push_back(std::string(static_cast<const char*>(name)) + " " +
                         std::to_string(mayastandin::dagNodeCount()) + (watched.isAlive() ? " old" : " new"));
}
void refuse(bool* proceed, void*) { *proceed = false; }

TEST_F(LifetimeTest, NewAndOpenSendTheirMessagesAroundTheSceneChange) {
    QTemporaryDir dir;
    const std::string file = dir.filePath("saved.ma").toStdString();
    mayastandin::resetScene();
    ASSERT_TRUE(
        execute("createNode transform -n x; createNode joint -n y -p x; file -rename \"" + file + "\"; file -save"));
    MCallbackIdArray ids;
    static char names[][12] = {"beforeNew", "afterNew", "beforeOpen", "afterOpen", "sceneUpdate"};
    const MSceneMessage::Message messages[] = {MSceneMessage::kBeforeNew, MSceneMessage::kAfterNew,
                                               MSceneMessage::kBeforeOpen, MSceneMessage::kAfterOpen,
                                               MSceneMessage::kSceneUpdate};
    for (int m = 0; m < 5; ++m) ids.append(MSceneMessage::addCallback(messages[m], onMessage, names[m]));
    const struct {
        std::string mel;
        std::vector<std::string> expected;  // message, DAG nodes then, whether the old scene's node still existed
    } cases[] = {
        {"file -new -force", {"beforeNew 11 old", "afterNew 8 new", "sceneUpdate 8 new"}},
        {"file -open -force \"" + std::string(file) + "\"",
         {"beforeOpen 11 old", "afterOpen 10 new", "sceneUpdate 10 new"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mel);
        ASSERT_TRUE(execute("file -open -force \"" + file + "\"; createNode transform -n extra"));
        watched = findNode("extra");
        events.clear();
        ASSERT_TRUE(execute(c.mel)) << mayastandin::logText();
        EXPECT_EQ(events, c.expected);
    }
    ASSERT_TRUE(MMessage::removeCallbacks(ids));
    EXPECT_FALSE(MMessage::removeCallback(ids[0]));  // already gone
    events.clear();
    ASSERT_TRUE(execute("file -new -force"));
    EXPECT_TRUE(events.empty());

    // A check callback that says no cancels New Scene before anything happens.
    ASSERT_TRUE(execute("createNode transform -n stays"));
    const MCallbackId check = MSceneMessage::addCheckCallback(MSceneMessage::kBeforeNewCheck, refuse);
    EXPECT_FALSE(execute("file -new -force"));
    EXPECT_FALSE(findNode("stays").isNull());
    ASSERT_TRUE(MMessage::removeCallback(check));
    watched = MObjectHandle();
}

TEST_F(LifetimeTest, NewAndOpenRefuseUnsavedChangesWithoutForce) {
    QTemporaryDir dir;
    const std::string file = dir.filePath("kept.ma").toStdString();
    ASSERT_TRUE(execute("file -new -force"));
    EXPECT_EQ(run("file -q -modified"), "0");
    EXPECT_EQ(run("file -q -sceneName"), "");
    ASSERT_TRUE(execute("createNode transform -n work"));
    EXPECT_EQ(run("file -q -modified"), "1");
    EXPECT_FALSE(execute("file -new"));
    EXPECT_TRUE(logContains("unsaved changes"));
    EXPECT_FALSE(findNode("work").isNull());
    EXPECT_FALSE(execute("file -save"));  // no name yet
    ASSERT_TRUE(execute("file -rename \"" + file + "\"; file -save"));
    EXPECT_EQ(run("file -q -modified"), "0");
    EXPECT_EQ(run("file -q -sceneName"), file);
    ASSERT_TRUE(execute("file -new"));
    EXPECT_TRUE(findNode("work").isNull());
}

// Everything a file keeps of a node, as text: path, type, values.
std::vector<std::string> snapshot() {
    std::vector<std::string> out;
    std::vector<std::string> nodes;
    EXPECT_TRUE(mayastandin::executeList("ls -l", &nodes));
    for (const std::string& path : nodes) {
        std::string line = path + " " + MFnDagNode(findNode(path)).typeName().asChar();
        for (const char* attribute : {".v", ".t", ".r", ".s", ".ro", ".ra", ".jo"}) {
            std::string value;
            if (execute("getAttr \"" + path + attribute + "\"", &value)) line += " " + value;
        }
        out.push_back(line);
    }
    return out;
}

TEST_F(LifetimeTest, SavedScenesOpenAsTheyWere) {
    ASSERT_TRUE(mayastandin::loadPlugin(kPlugin));
    QTemporaryDir dir;
    const std::string file = dir.filePath("round trip.ma").toStdString();
    mayastandin::resetScene();
    ASSERT_TRUE(execute("createNode transform -n Set; setAttr Set.ro 4; xform -t 1.5 -2 1e-7 -ro 10 20 30 Set"));
    ASSERT_TRUE(execute("createNode joint -n hip -p Set; createNode joint -n knee -p hip; setAttr knee.s 1 2 0.5"));
    ASSERT_TRUE(execute("setAttr hip.jo 90 0 -45; setAttr hip.ra 0 10 0; setAttr Set.ra 5 0 0"));
    ASSERT_TRUE(execute("createNode joint -n knee -p Set; hide hip; createNode locator -n mark"));
    ASSERT_TRUE(execute("createNode standinTestTransform -n custom -p mark; xform -ws -t 3 3 3 custom"));
    const std::vector<std::string> before = snapshot();
    ASSERT_TRUE(execute("file -rename \"" + file + "\"; file -save -type \"mayaAscii\""));

    std::stringstream text;
    text << std::ifstream(file).rdbuf();
    EXPECT_EQ(text.str().rfind("//Maya ASCII 2018 scene\n", 0), 0u);
    EXPECT_NE(text.str().find("requires \"standinTestPlugin\" \"3.1\";"), std::string::npos);
    EXPECT_NE(text.str().find("createNode transform -s -n \"persp\";"), std::string::npos);
    EXPECT_NE(text.str().find("createNode joint -n \"knee\" -p \"hip\";"), std::string::npos);

    ASSERT_TRUE(execute("file -new -force"));
    ASSERT_EQ(run("file -open \"" + file + "\""), file);
    EXPECT_EQ(snapshot(), before);
    EXPECT_EQ(run("file -q -modified"), "0");
    // The default cameras were shared with the new scene, not made twice.
    EXPECT_EQ(run("ls persp*"), "persp perspShape");
}

TEST_F(LifetimeTest, OpenRefusesAnythingItDidNotWriteAndKeepsTheScene) {
    QTemporaryDir dir;
    const std::string header = "//Maya ASCII 2018 scene\nrequires maya \"2018\";\n";
    const struct {
        const char* what;
        const char* content;  // nullptr: no file at all
        const char* error;
    } cases[] = {
        {"missing file", nullptr, "no such file"},
        {"other commands", "delete -all;\n", "line 3: 'delete' is not something this host reads"},
        {"no header", "createNode transform -n \"a\";\n", "no requires maya line"},
        {"other selections", "select -r a;\n", "line 3: select is read as 'select -ne :time1' only"},
        {"connections", "connectAttr \"a.t\" \"b.t\";\n", "connectAttr is read as a curve's output to a channel"},
        {"unknown type", "createNode mesh -n \"m\";\n", "unknown node type 'mesh'"},
        {"other units", "currentUnit -l meter -a degree;\n", "units other than centimetres"},
        {"unknown flag", "createNode transform -n \"a\" -ss;\n", "flag -ss is not one this host reads"},
        {"unterminated", "createNode transform -n \"a;\n", "unterminated string"},
        {"unterminated statement", "createNode transform -n \"a\"\n", "statement without ';'"},
        {"unknown attribute", "createNode transform -n \"a\";\nsetAttr \".fl\" 35;\n", "No attribute 'fl'"},
    };
    ASSERT_TRUE(execute("file -new -force; createNode transform -n mine"));
    const std::vector<std::string> before = snapshot();
    const std::string file = dir.filePath("refused.ma").toStdString();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        mayastandin::clearLog();
        std::remove(file.c_str());
        if (c.content) std::ofstream(file) << (std::string(c.what) == "no header" ? "" : header) << c.content;
        EXPECT_FALSE(execute("file -open -force \"" + file + "\""));
        EXPECT_TRUE(logContains(c.error)) << mayastandin::logText();
        EXPECT_EQ(snapshot(), before);
    }
}

TEST_F(LifetimeTest, TheDefaultCamerasCannotBeDeletedAndStandWhereMayaPutsThem) {
    mayastandin::resetScene();
    for (const char* camera : {"persp", "top", "front", "side"}) EXPECT_FALSE(execute(std::string("delete ") + camera));
    EXPECT_EQ(run("getAttr persp.t"), "28 21 28");
    EXPECT_EQ(run("getAttr top.r"), "-90 0 0");
    // A camera of one's own is a transform with a camera shape too.
    EXPECT_EQ(run("createNode camera"), "camera1");
    EXPECT_EQ(run("listRelatives camera1"), "cameraShape1");
}

TEST_F(LifetimeTest, APlugInThatLeavesACallbackBehindIsAFatalErrorWhenUnloaded) {
    // The callbacks of the test itself are none of the plug-in's.
    const MCallbackId own = MSceneMessage::addCallback(MSceneMessage::kAfterNew, onMessage, nullptr);
    ASSERT_TRUE(mayastandin::loadPlugin(kPlugin));
    ASSERT_TRUE(execute("standinTestCmd -callback; file -new -force"));
    EXPECT_EQ(run("standinTestCmd -afterNewCalls"), "1");
    EXPECT_TRUE(mayastandin::unloadPlugin("standinTestPlugin"));  // it removed its own

    ASSERT_TRUE(mayastandin::loadPlugin(kPlugin));
    EXPECT_DEATH(
        {
            execute("standinTestCmd -callback; standinTestCmd -leaveCallbacks");
            mayastandin::unloadPlugin("standinTestPlugin");
        },
        "maya-standin: fatal: plug-in 'standinTestPlugin' was unloaded with 1 message callback");
    ASSERT_TRUE(MMessage::removeCallback(own));
}

}  // namespace
