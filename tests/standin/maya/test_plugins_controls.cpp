// Plug-in modules (load, commands, custom transforms, unload) and workspace controls (create, restore,
// rebuild, close by the user and by command).
#include <QApplication>
#include <QDockWidget>
#include <QLabel>
#include <QMainWindow>
#include <QPointer>
#include <QVBoxLayout>

#include "test_support.h"

#include <maya/MFnDependencyNode.h>
#include <maya/MFnTransform.h>
#include <maya/MPxTransform.h>
#include <maya/MQtUtil.h>

using mayastandin::execute;

namespace {
const char* const kPlugin = STANDIN_TEST_PLUGIN;
const char* const kNoVersionPlugin = STANDIN_NO_VERSION_PLUGIN;
const char* const kPluginName = "standinTestPlugin";

class PluginTest : public StandinTest {
protected:
    void SetUp() override {
        StandinTest::SetUp();
        ASSERT_TRUE(mayastandin::loadPlugin(kPlugin)) << mayastandin::logText();
    }
    void TearDown() override {
        mayastandin::resetScene();
        if (mayastandin::isPluginLoaded(kPluginName)) {
            EXPECT_TRUE(mayastandin::unloadPlugin(kPluginName));
        }
    }
    static std::string run(const std::string& mel) {
        std::string result;
        EXPECT_TRUE(execute(mel, &result)) << mel << "\n" << mayastandin::logText();
        return result;
    }
};

class ControlTest : public PluginTest {
protected:
    void TearDown() override {
        execute("workspaceControl -e -retain false ctl");  // a retained control would only hide
        execute("workspaceControl -e -deleteLater false -close ctl");
        mayastandin::setMainWindow(nullptr);
        delete mainWindow;
        PluginTest::TearDown();
    }
    // The command the product runs to open its panel.
    static MStatus createProductStyle() {
        return execute(
            "workspaceControl -label \"Panel\" -retain false -loadImmediately true -floating true "
            "-initialWidth 400 -initialHeight 200 -requiredPlugin \"standinTestPlugin\" ctl");
    }
    static void runDeferredDeletes() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }
    QMainWindow* mainWindow = nullptr;
};
}  // namespace

TEST_F(PluginTest, LoadingRegistersCommandAndNodeTypeWithPluginInfo) {
    EXPECT_TRUE(mayastandin::isCommandRegistered("standinTestCmd"));
    EXPECT_TRUE(mayastandin::isNodeTypeRegistered("standinTestTransform"));
    EXPECT_EQ(mayastandin::nodeTypeId("standinTestTransform"), 0x70001u);
    EXPECT_EQ(mayastandin::nodeTypeMatrixId("standinTestTransform"), 0x70002u);
    EXPECT_EQ(mayastandin::nodeTypeId("nosuch"), 0u);
    const auto info = mayastandin::pluginInfo(kPluginName);
    EXPECT_TRUE(info.loaded);
    EXPECT_EQ(info.vendor, "Test Vendor");
    EXPECT_EQ(info.version, "3.1");
    EXPECT_EQ(info.apiVersion, "Any");
    // The plug-in registered its command twice; the second time must have failed with a message.
    const std::string duplicate = run("standinTestCmd -dup");
    EXPECT_EQ(duplicate.rfind("failed: ", 0), 0u);
    EXPECT_NE(duplicate.find("already registered"), std::string::npos);
    // Loading again is a warning, not a second initialisation.
    EXPECT_TRUE(mayastandin::loadPlugin(kPlugin));
    EXPECT_TRUE(logContains("// Warning: Plug-in 'standinTestPlugin' is already loaded"));
}

// A session that runs untrusted MEL (the interpreter's fuzzer) disables loadPlugin: the statement fails like a
// failed check, before any substitution in it runs, for built-in and plug-in commands alike.
TEST_F(PluginTest, DisabledCommandsFailBeforeTheirSubstitutionsRun) {
    mayastandin::setDisabledCommands({"loadPlugin", "standinTestCmd"});
    EXPECT_FALSE(execute(std::string("loadPlugin \"") + kNoVersionPlugin + "\""));
    EXPECT_TRUE(logContains("// Error: loadPlugin: disabled in this session"));
    EXPECT_FALSE(mayastandin::isPluginLoaded("standinNoVersionPlugin"));
    EXPECT_FALSE(execute("standinTestCmd `createNode transform -n inner`"));
    EXPECT_TRUE(mayastandin::findNode("inner").isNull());
    EXPECT_FALSE(execute("createNode transform -n before; loadPlugin x; createNode transform -n after"));
    EXPECT_TRUE(mayastandin::findNode("after").isNull());

    mayastandin::setDisabledCommands({});
    EXPECT_EQ(run("standinTestCmd -v again"), "again");
}

TEST_F(PluginTest, CommandFlagsByShortOrLongName) {
    EXPECT_EQ(run("standinTestCmd -v \"two words\""), "two words");
    EXPECT_EQ(run("standinTestCmd -value x"), "x");
    EXPECT_EQ(run("standinTestCmd -reload"), "reload");  // the command asks isFlagSet("-rl")
    EXPECT_EQ(run("standinTestCmd -rl"), "reload");
    EXPECT_EQ(run("standinTestCmd"), "hello from the second unit");
    EXPECT_FALSE(execute("standinTestCmd -nope"));
    EXPECT_TRUE(logContains("// Error: standinTestCmd: Invalid flag: -nope"));
    EXPECT_FALSE(execute("standinTestCmd -v"));
}

TEST_F(PluginTest, CustomTransformBehavesLikeATransform) {
    std::string name;
    ASSERT_TRUE(execute("createNode transform -n parent; createNode standinTestTransform -p parent", &name));
    EXPECT_EQ(name, "standinTestTransform1");
    MObject node = mayastandin::findNode("|parent|standinTestTransform1");
    ASSERT_FALSE(node.isNull());
    EXPECT_TRUE(node.hasFn(MFn::kTransform));
    MFnDependencyNode dep(node);
    EXPECT_EQ(dep.typeId().id(), 0x70001u);
    EXPECT_EQ(dep.typeName(), "standinTestTransform");
    auto* user = dynamic_cast<MPxTransform*>(dep.userNode());
    ASSERT_NE(user, nullptr);
    EXPECT_NE(user->transformationMatrixPtr(), nullptr);
    EXPECT_EQ(user->thisMObject(), node);
    EXPECT_FALSE(logContains("no matrix before postConstructor"));

    MFnTransform(mayastandin::findNode("parent")).setTranslation(MVector(5, 0, 0), MSpace::kTransform);
    MFnTransform fn(node);
    ASSERT_TRUE(fn.setTranslation(MVector(1, 1, 1), MSpace::kWorld));
    EXPECT_TRUE(fn.getTranslation(MSpace::kTransform).isEquivalent(MVector(-4, 1, 1)));
    EXPECT_EQ(run("standinTestCmd -liveTransforms"), "1");
}

TEST_F(PluginTest, UnloadIsRefusedWhileNodesExistAndRemovesRegistrations) {
    ASSERT_TRUE(execute("createNode standinTestTransform -n custom"));
    EXPECT_FALSE(mayastandin::unloadPlugin(kPluginName));
    EXPECT_TRUE(logContains("still in the scene"));
    EXPECT_TRUE(mayastandin::isPluginLoaded(kPluginName));
    ASSERT_TRUE(execute("delete custom"));
    EXPECT_EQ(run("standinTestCmd -liveTransforms"), "1");  // deleted, it waits in the undo queue
    EXPECT_FALSE(mayastandin::unloadPlugin(kPluginName));
    ASSERT_TRUE(execute("flushUndo"));
    EXPECT_EQ(run("standinTestCmd -liveTransforms"), "0");  // the node object was destroyed

    ASSERT_TRUE(execute("unloadPlugin standinTestPlugin"));
    EXPECT_FALSE(mayastandin::isCommandRegistered("standinTestCmd"));
    EXPECT_FALSE(mayastandin::isNodeTypeRegistered("standinTestTransform"));
    EXPECT_FALSE(execute("standinTestCmd"));
    EXPECT_FALSE(execute("createNode standinTestTransform"));
    // And it loads again.
    ASSERT_TRUE(execute(std::string("loadPlugin \"") + kPlugin + "\""));
    EXPECT_EQ(run("standinTestCmd -v again"), "again");
}

TEST_F(PluginTest, ModulesThatAreNotPluginsAreRefused) {
    EXPECT_FALSE(mayastandin::loadPlugin(kNoVersionPlugin));
    EXPECT_TRUE(logContains("does not export MApiVersion"));
    EXPECT_FALSE(mayastandin::isPluginLoaded("standinNoVersionPlugin"));
    EXPECT_FALSE(mayastandin::loadPlugin("/nonexistent/dir/missing.so"));
    EXPECT_FALSE(mayastandin::unloadPlugin("neverLoaded"));
}

TEST_F(PluginTest, ResetSceneDestroysPluginNodeObjects) {
    ASSERT_TRUE(execute("createNode standinTestTransform; createNode standinTestTransform"));
    EXPECT_EQ(run("standinTestCmd -liveTransforms"), "2");
    mayastandin::resetScene();
    EXPECT_EQ(run("standinTestCmd -liveTransforms"), "0");
}

TEST_F(ControlTest, CreationMakesFloatingDockWithLayoutAsCurrentParent) {
    mainWindow = new QMainWindow();
    mayastandin::setMainWindow(mainWindow);
    ASSERT_TRUE(createProductStyle());
    const auto info = mayastandin::controlInfo("ctl");
    ASSERT_TRUE(info.exists);
    EXPECT_EQ(info.label, "Panel");
    EXPECT_TRUE(info.floating);
    EXPECT_FALSE(info.retain);
    EXPECT_EQ(info.width, 400);
    EXPECT_EQ(info.height, 200);
    EXPECT_EQ(info.requiredPlugin, "standinTestPlugin");
    EXPECT_TRUE(info.visible);
    ASSERT_NE(info.layout, nullptr);
    EXPECT_EQ(info.layout->objectName(), "ctl");
    auto* dock = qobject_cast<QDockWidget*>(info.window);
    ASSERT_NE(dock, nullptr);
    EXPECT_EQ(dock->parentWidget(), mainWindow);
    EXPECT_TRUE(dock->isFloating());
    // Still the current parent after the command returned.
    EXPECT_EQ(MQtUtil::getCurrentParent(), info.layout);
    EXPECT_EQ(MQtUtil::findControl("ctl"), info.layout);
    EXPECT_EQ(MQtUtil::mainWindow(), mainWindow);

    const std::string fullName = run("standinTestCmd -aw panel");
    EXPECT_EQ(fullName.substr(fullName.size() - 10), "|ctl|panel");
    auto* label = info.layout->findChild<QLabel*>("panel");
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->parentWidget(), info.layout);

    EXPECT_EQ(run("workspaceControl -q -exists ctl"), "1");
    EXPECT_FALSE(createProductStyle());  // the name is taken
    EXPECT_FALSE(execute("workspaceControl -e -restore nosuchControl"));
    EXPECT_FALSE(execute("workspaceControl -e -bogusFlag ctl"));
}

TEST_F(ControlTest, WithoutMainWindowControlIsTopLevel) {
    ASSERT_TRUE(createProductStyle());
    const auto info = mayastandin::controlInfo("ctl");
    ASSERT_TRUE(info.exists);
    EXPECT_TRUE(info.window->isWindow());
    EXPECT_EQ(qobject_cast<QDockWidget*>(info.window), nullptr);
}

TEST_F(ControlTest, RestoreShowsAHiddenControl) {
    ASSERT_TRUE(createProductStyle());
    QWidget* window = mayastandin::controlInfo("ctl").window;
    window->hide();
    EXPECT_FALSE(mayastandin::controlInfo("ctl").visible);
    ASSERT_TRUE(execute("workspaceControl -e -restore ctl"));
    EXPECT_TRUE(mayastandin::controlInfo("ctl").visible);
}

TEST_F(ControlTest, RebuildReplacesContentsByRunningTheUiScriptInTheLayout) {
    ASSERT_TRUE(createProductStyle());
    QWidget* layout = mayastandin::controlInfo("ctl").layout;
    run("standinTestCmd -aw first");
    QPointer<QWidget> first = layout->findChild<QLabel*>("first");
    ASSERT_FALSE(first.isNull());
    ASSERT_TRUE(execute("workspaceControl -e -uiScript \"standinTestCmd -aw rebuilt\" ctl"));
    EXPECT_EQ(mayastandin::controlInfo("ctl").uiScript, "standinTestCmd -aw rebuilt");

    // Another control becomes current meanwhile; the rebuild must still fill "ctl".
    ASSERT_TRUE(execute("workspaceControl other"));
    QPointer<QWidget> oldLayout = layout;
    ASSERT_TRUE(mayastandin::rebuildControl("ctl"));
    EXPECT_TRUE(first.isNull());
    EXPECT_TRUE(oldLayout.isNull());
    layout = mayastandin::controlInfo("ctl").layout;
    ASSERT_NE(layout, nullptr);
    EXPECT_EQ(layout->objectName(), "ctl");
    auto* rebuilt = layout->findChild<QLabel*>("rebuilt");
    ASSERT_NE(rebuilt, nullptr);
    EXPECT_EQ(rebuilt->parentWidget(), layout);
    EXPECT_EQ(layout->findChildren<QLabel*>().size(), 1);
    execute("workspaceControl -e -deleteLater false -close other");
}

TEST_F(ControlTest, UserCloseDeletesAControlThatIsNotRetained) {
    ASSERT_TRUE(createProductStyle());
    run("standinTestCmd -aw panel");
    QPointer<QWidget> window = mayastandin::controlInfo("ctl").window;
    QPointer<QWidget> panel = mayastandin::controlInfo("ctl").layout->findChild<QLabel*>("panel");
    mayastandin::userCloseControl("ctl");
    EXPECT_FALSE(mayastandin::controlInfo("ctl").exists);
    runDeferredDeletes();
    EXPECT_TRUE(window.isNull());
    EXPECT_TRUE(panel.isNull());
    EXPECT_EQ(MQtUtil::getCurrentParent(), nullptr);
    EXPECT_EQ(run("workspaceControl -exists ctl"), "0");
    // A new control of the same name can be made.
    ASSERT_TRUE(createProductStyle());
    EXPECT_TRUE(mayastandin::controlInfo("ctl").exists);
}

TEST_F(ControlTest, UserCloseOnlyHidesARetainedControl) {
    ASSERT_TRUE(execute("workspaceControl -retain true ctl"));
    QPointer<QWidget> window = mayastandin::controlInfo("ctl").window;
    mayastandin::userCloseControl("ctl");
    runDeferredDeletes();
    ASSERT_FALSE(window.isNull());
    EXPECT_FALSE(window->isVisible());
    ASSERT_TRUE(execute("workspaceControl -e -restore ctl"));
    EXPECT_TRUE(window->isVisible());
}

TEST_F(ControlTest, CloseWithoutDeleteLaterDeletesAtOnce) {
    ASSERT_TRUE(createProductStyle());
    run("standinTestCmd -aw panel");
    QPointer<QWidget> panel = mayastandin::controlInfo("ctl").layout->findChild<QLabel*>("panel");
    ASSERT_TRUE(execute("workspaceControl -e -deleteLater false -close ctl"));
    EXPECT_TRUE(panel.isNull());  // without processing any event
    EXPECT_FALSE(mayastandin::controlInfo("ctl").exists);

    ASSERT_TRUE(createProductStyle());
    QPointer<QWidget> window = mayastandin::controlInfo("ctl").window;
    ASSERT_TRUE(execute("workspaceControl -e -close ctl"));  // deleteLater by default
    EXPECT_FALSE(mayastandin::controlInfo("ctl").exists);
    EXPECT_FALSE(window.isNull());
    runDeferredDeletes();
    EXPECT_TRUE(window.isNull());
}
