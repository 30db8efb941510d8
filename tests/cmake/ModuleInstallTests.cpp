// The Maya module as `cmake --install` lays it out, loaded the way a user loads it: MAYA_MODULE_PATH names
// the install folder and `loadPlugin workspaceControlCmd` finds the plug-in through the module file. The
// test program does not link the SDK, so the plug-in's own rpath has to find the installed one.
#include <QtWidgets/QApplication>

#include <gtest/gtest.h>

#include <mayastandin/Host.h>

#include <cstdlib>
#include <fstream>
#include <string>

namespace {

namespace host = mayastandin;

const std::string kPrefix = ORVANE_MODULE_PREFIX;
const std::string kModuleDir = kPrefix + "/OrvaneMocap/2018/linux";

// Every file the process has mapped whose name contains the given text.
std::string mappedFiles(const std::string& text) {
    std::ifstream maps("/proc/self/maps");
    std::string line;
    std::string found;
    while (std::getline(maps, line)) {
        const auto slash = line.find('/');
        if (slash != std::string::npos && line.find(text, slash) != std::string::npos &&
            found.find(line.substr(slash)) == std::string::npos)
            found += line.substr(slash) + "\n";
    }
    return found;
}

TEST(ModuleInstall, LoadPluginByNameFindsTheInstalledModule) {
    static int argc = 1;
    static char name[] = "module_install_tests";
    static char* argv[] = {name, nullptr};
    QApplication app(argc, argv);
    ::unsetenv("MAYA_PLUG_IN_PATH");
    ::setenv("MAYA_MODULE_PATH", kPrefix.c_str(), 1);

    ASSERT_TRUE(host::execute("loadPlugin workspaceControlCmd")) << host::logText();
    EXPECT_EQ(host::pluginInfo("workspaceControlCmd").path, kModuleDir + "/plug-ins/workspaceControlCmd.so");
    EXPECT_EQ(mappedFiles("libOrvanePluginSDK"), kModuleDir + "/lib/libOrvanePluginSDK.so\n");
    EXPECT_TRUE(host::isCommandRegistered("OrvanePluginWindow"));
    EXPECT_EQ(host::nodeTypeId("MarkerTransform"), 0x81109u);

    ASSERT_TRUE(host::execute("OrvanePluginWindow")) << host::logText();
    EXPECT_TRUE(host::controlInfo("customWorkspaceControl").exists);
    EXPECT_TRUE(host::unloadPlugin("workspaceControlCmd")) << host::logText();
    host::shutdown();
}

}  // namespace
