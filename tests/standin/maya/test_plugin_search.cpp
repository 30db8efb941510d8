// Plug-ins named without a folder: found through MAYA_PLUG_IN_PATH and the module files of
// MAYA_MODULE_PATH, the way Maya finds them. Each test builds its folders under a fresh temporary folder
// and copies the test plug-in into them.
#include "test_support.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

namespace fs = std::filesystem;

namespace {
const char* const kPlugin = STANDIN_TEST_PLUGIN;
const char* const kPluginName = "standinTestPlugin";

class PluginSearchTest : public StandinTest {
protected:
    void SetUp() override {
        StandinTest::SetUp();
        static int counter = 0;
        root = fs::temp_directory_path() /
               ("standin-plugin-search-" + std::to_string(::getpid()) + "-" + std::to_string(++counter));
        fs::remove_all(root);
        fs::create_directories(root);
        ::unsetenv("MAYA_PLUG_IN_PATH");
        ::unsetenv("MAYA_MODULE_PATH");
    }
    void TearDown() override {
        if (mayastandin::isPluginLoaded(kPluginName)) {
            EXPECT_TRUE(mayastandin::unloadPlugin(kPluginName));
        }
        ::unsetenv("MAYA_PLUG_IN_PATH");
        ::unsetenv("MAYA_MODULE_PATH");
        fs::remove_all(root);
    }

    // The test plug-in, copied into root/folder.
    fs::path pluginIn(const std::string& folder) {
        const fs::path dir = root / folder;
        fs::create_directories(dir);
        fs::copy_file(kPlugin, dir / "standinTestPlugin.so", fs::copy_options::overwrite_existing);
        return (dir / "standinTestPlugin.so").lexically_normal();
    }
    void write(const std::string& file, const std::string& text) {
        fs::create_directories((root / file).parent_path());
        std::ofstream(root / file) << text;
    }
    std::string at(const std::string& folder) const { return (root / folder).string(); }
    static void setPath(const char* variable, const std::string& value) { ::setenv(variable, value.c_str(), 1); }
    static std::string loadedFrom() { return mayastandin::pluginInfo(kPluginName).path; }

    fs::path root;
};

TEST_F(PluginSearchTest, BareNameIsFoundOnPluginPathWithOrWithoutExtension) {
    const fs::path second = pluginIn("second");
    pluginIn("third");
    setPath("MAYA_PLUG_IN_PATH", at("first") + ":" + at("second") + ":" + at("third"));

    ASSERT_TRUE(mayastandin::execute("loadPlugin standinTestPlugin")) << mayastandin::logText();
    EXPECT_EQ(loadedFrom(), second.string());
    ASSERT_TRUE(mayastandin::unloadPlugin(kPluginName));
    ASSERT_TRUE(mayastandin::loadPlugin("standinTestPlugin.so")) << mayastandin::logText();
    EXPECT_EQ(loadedFrom(), second.string());
}

TEST_F(PluginSearchTest, BareNameThatIsNowhereFailsAndPathsAreNotSearched) {
    pluginIn("plug-ins");
    setPath("MAYA_PLUG_IN_PATH", at("plug-ins"));

    EXPECT_FALSE(mayastandin::loadPlugin("missingPlugin"));
    EXPECT_TRUE(logContains("Plug-in, \"missingPlugin\", was not found on MAYA_PLUG_IN_PATH."));
    // A name with a folder is that file, relative to the working directory.
    EXPECT_FALSE(mayastandin::loadPlugin("elsewhere/standinTestPlugin"));
    EXPECT_FALSE(mayastandin::isPluginLoaded(kPluginName));
}

// Module description lines that do not apply to this host (another platform or Maya version, or
// disabled with '-') are passed over; the first that applies gives the module's folder, relative to
// the module file; later descriptions of a taken module name are ignored.
TEST_F(PluginSearchTest, ModuleFileGivesPluginFolderOfTheDescriptionThatApplies) {
    pluginIn("pkg/win64/plug-ins");
    pluginIn("pkg/maya2019/plug-ins");
    pluginIn("pkg/disabled/plug-ins");
    const fs::path chosen = pluginIn("pkg/linux/plug-ins");
    pluginIn("pkg/later/plug-ins");
    write("modules/Tracker.mod",
          "+ MAYAVERSION:2018 PLATFORM:win64 Tracker 1.0 ../pkg/win64\n"
          "PATH+:=bin\n"
          "+ MAYAVERSION:2019 PLATFORM:linux Tracker 1.0 ../pkg/maya2019\n"
          "- MAYAVERSION:2018 PLATFORM:linux Tracker 1.0 ../pkg/disabled\n"
          "+ MAYAVERSION:2018 PLATFORM:linux Tracker 1.0 ../pkg/linux\n"
          "+ MAYAVERSION:2018 PLATFORM:linux Tracker 2.0 ../pkg/later\n");
    setPath("MAYA_MODULE_PATH", at("modules"));

    EXPECT_EQ(mayastandin::pluginSearchPath(), std::vector<std::string>{chosen.parent_path().string()});
    ASSERT_TRUE(mayastandin::loadPlugin("standinTestPlugin")) << mayastandin::logText();
    EXPECT_EQ(loadedFrom(), chosen.string());
}

// The plug-in path comes first, then the modules in MAYA_MODULE_PATH order and, within a folder, file
// name order (any extension); a module's "plug-ins:" line moves its folder, "[r]" adds the subfolders.
TEST_F(PluginSearchTest, SearchOrderIsPluginPathThenModulesInOrder) {
    write("modules-a/b.txt", "+ Beta 1.0 " + at("beta") + "\n[r] plug-ins: binaries\n");
    write("modules-a/a.mod", "+ Alpha 1.0 ../alpha\n");
    write("modules-b/alpha-again.mod", "+ Alpha 1.1 ../alpha-again\n");
    write("modules-b/gamma.mod", "+ LOCALE:en_US Gamma 1.0 ./gamma\n");
    fs::create_directories(root / "beta/binaries/linux/.hidden");
    setPath("MAYA_PLUG_IN_PATH", at("user"));
    setPath("MAYA_MODULE_PATH", at("modules-a") + ":" + at("missing") + ":" + at("modules-b"));

    const std::vector<std::string> expected{at("user"), at("alpha/plug-ins"), at("beta/binaries"),
                                            at("beta/binaries/linux"), at("modules-b/gamma/plug-ins")};
    EXPECT_EQ(mayastandin::pluginSearchPath(), expected);

    const fs::path fromModule = pluginIn("beta/binaries/linux");
    ASSERT_TRUE(mayastandin::loadPlugin("standinTestPlugin")) << mayastandin::logText();
    EXPECT_EQ(loadedFrom(), fromModule.string());
    ASSERT_TRUE(mayastandin::unloadPlugin(kPluginName));
    const fs::path fromUser = pluginIn("user");
    ASSERT_TRUE(mayastandin::loadPlugin("standinTestPlugin")) << mayastandin::logText();
    EXPECT_EQ(loadedFrom(), fromUser.string());
}
}  // namespace
