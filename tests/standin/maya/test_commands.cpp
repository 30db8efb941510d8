// The MEL interpreter: the product's visibility commands, errors that change nothing, names that can
// never be read as syntax, and the log.
#include "test_support.h"

#include <maya/MGlobal.h>
#include <maya/MString.h>
#include <maya/MStringArray.h>

#include <thread>
#include <vector>

using mayastandin::execute;
using CommandTest = StandinTest;

namespace {
bool visible(const MObject& node) {
    MDagPath path;
    MFnDagNode(node).getPath(path);
    return path.isVisible();
}
// The command text exactly as the product formats it.
MStatus runFormatted(const char* templ, const MObject& node) {
    MDagPath path;
    MFnDagNode(node).getPath(path);
    MString command;
    command.format(templ, path.fullPathName());
    return MGlobal::executeCommand(command, false, false);
}
}  // namespace

TEST_F(CommandTest, ProductHideAndShowCommandsToggleVisibility) {
    MObject bone = make("joint", "bone", make("joint", "root", make("transform", "skel")));
    ASSERT_TRUE(runFormatted("hide `ls -an ^1s`;", bone));
    EXPECT_FALSE(visible(bone));
    ASSERT_TRUE(runFormatted("showHidden  `ls -an ^1s`;", bone));
    EXPECT_TRUE(visible(bone));
    EXPECT_EQ(mayastandin::logText(), "");
}

TEST_F(CommandTest, LsReturnsFullOrShortNames) {
    MObject a = make("transform", "a");
    make("joint", "j", a);
    make("joint", "j", make("transform", "b"));
    std::vector<std::string> out;
    ASSERT_TRUE(mayastandin::executeList("ls -an |a|j", &out));
    EXPECT_EQ(out, std::vector<std::string>{"|a|j"});
    ASSERT_TRUE(mayastandin::executeList("ls -absoluteName", &out));
    EXPECT_EQ(out, (std::vector<std::string>{"|a", "|a|j", "|b", "|b|j"}));
    ASSERT_TRUE(mayastandin::executeList("ls", &out));
    EXPECT_EQ(out, (std::vector<std::string>{"a", "a|j", "b", "b|j"}));
    ASSERT_TRUE(mayastandin::executeList("ls -an nothing", &out));
    EXPECT_TRUE(out.empty());
    MStringArray array;
    ASSERT_TRUE(MGlobal::executeCommand("ls -an j", array));  // ambiguous name: both
    EXPECT_EQ(array.length(), 2u);
}

TEST_F(CommandTest, SubstitutionSplicesEveryResult) {
    MObject x = make("transform", "x");
    MObject y = make("transform", "y");
    ASSERT_TRUE(execute("hide `ls -an x y`"));
    EXPECT_FALSE(visible(x));
    EXPECT_FALSE(visible(y));
}

// A pattern of many stars against a long name once backtracked exponentially and hung the host (the MEL
// fuzzer times out on it); the same patterns must answer at once and correctly.
TEST_F(CommandTest, LsGlobPatternsMatchWithoutBacktrackingBlowUp) {
    const std::string longName(68, 'a');
    make("transform", longName.c_str());
    make("transform", "ab1");
    make("transform", "b");
    auto matches = [](const std::string& pattern) {
        std::vector<std::string> names;
        EXPECT_TRUE(mayastandin::executeList("ls \"" + pattern + "\"", &names)) << pattern;
        return names;
    };
    EXPECT_TRUE(matches("*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*b").empty());
    EXPECT_EQ(matches("*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a"), std::vector<std::string>{longName});
    EXPECT_EQ(matches("a?1"), std::vector<std::string>{"ab1"});
    EXPECT_EQ(matches("*b*"), (std::vector<std::string>{"ab1", "b"}));
    EXPECT_EQ(matches("b*"), std::vector<std::string>{"b"});
    EXPECT_EQ(matches("?"), std::vector<std::string>{"b"});
    EXPECT_TRUE(matches("a?").empty());
    EXPECT_EQ(matches("**1"), std::vector<std::string>{"ab1"});
}

TEST_F(CommandTest, UnknownCommandFlagOrNodeFailsAndChangesNothing) {
    MObject keep = make("transform", "keep");
    EXPECT_FALSE(execute("frobnicate keep"));
    EXPECT_TRUE(logContains("// Error: Cannot find procedure \"frobnicate\"."));

    mayastandin::clearLog();
    EXPECT_FALSE(execute("createNode transform -n made -bogus 1"));
    EXPECT_TRUE(logContains("Invalid flag '-bogus'"));
    EXPECT_TRUE(mayastandin::findNode("made").isNull());

    // One missing object: the other is not hidden either.
    EXPECT_FALSE(execute("hide keep nosuch"));
    EXPECT_TRUE(logContains("No object matches name: nosuch"));
    EXPECT_TRUE(visible(keep));

    // The outer command is unknown: the substitution inside it does not run.
    EXPECT_FALSE(execute("nosuchcmd `createNode transform -n inner`"));
    EXPECT_TRUE(mayastandin::findNode("inner").isNull());

    EXPECT_FALSE(execute("createNode nosuchtype"));
    EXPECT_FALSE(execute("createNode transform -p nosuchparent"));
    EXPECT_FALSE(execute("createNode transform -n"));  // flag without its value
    EXPECT_EQ(mayastandin::dagNodeCount(), 1u);
}

TEST_F(CommandTest, SyntaxErrorRunsNothingAndFailureStopsTheScript) {
    EXPECT_FALSE(execute("createNode transform -n first; createNode transform -n \"unterminated"));
    EXPECT_FALSE(execute("createNode transform -n first; hide `ls -an first"));
    EXPECT_FALSE(execute("createNode transform -n first; createNode transform -n (paren)"));
    EXPECT_EQ(mayastandin::dagNodeCount(), 0u);

    EXPECT_FALSE(execute("createNode transform -n s1; bogus; createNode transform -n s2"));
    EXPECT_FALSE(mayastandin::findNode("s1").isNull());
    EXPECT_TRUE(mayastandin::findNode("s2").isNull());
}

TEST_F(CommandTest, CreateNodeWithNameParentAndEscapes) {
    std::string result;
    ASSERT_TRUE(execute("createNode transform -name \"Set\"; // a comment\n", &result));
    EXPECT_EQ(result, "Set");
    ASSERT_TRUE(execute("createNode joint -n \"a\\\"b\\\\c\" -p |Set", &result));
    EXPECT_EQ(result, "a_b_c");
    EXPECT_FALSE(mayastandin::findNode("|Set|a_b_c").isNull());
    ASSERT_TRUE(execute("createNode locator -p Set", &result));
    EXPECT_EQ(result, "locator1");  // a shape under an existing transform: no extra transform
    EXPECT_EQ(mayastandin::dagNodeCount(), 3u);
}

TEST_F(CommandTest, NamesCanNeverBeReadAsCommandSyntax) {
    const char* hostile[] = {"x; createNode transform -n pwned",
                             "a`createNode transform -n pwned`",
                             "\"q\" -an",
                             "-an",
                             "|abs|path",
                             "1; delete victim",
                             "$var = 1",
                             "tab\there"};
    MObject victim = make("transform", "victim");
    for (const char* raw : hostile) {
        SCOPED_TRACE(raw);
        MObject node = make("transform", raw);
        const std::string name = nameOf(node);
        EXPECT_EQ(name, mayastandin::legalNodeName(raw));
        EXPECT_EQ(name.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_"),
                  std::string::npos);
        const size_t before = mayastandin::dagNodeCount();
        ASSERT_TRUE(runFormatted("hide `ls -an ^1s`;", node));
        EXPECT_FALSE(visible(node));
        EXPECT_EQ(mayastandin::dagNodeCount(), before);
        EXPECT_TRUE(mayastandin::findNode("pwned").isNull());
        EXPECT_FALSE(victim.isNull());
    }
    // Quoted values stay values, even when they look like flags.
    std::string result;
    ASSERT_TRUE(execute("createNode transform -n \"-an\"", &result));
    EXPECT_EQ(result, "_an1");
}

TEST_F(CommandTest, MessagesCarryHostPrefixesAndLogIsThreadSafe) {
    MGlobal::displayError("bad");
    MGlobal::displayWarning("careful");
    MGlobal::displayInfo("plain");
    MStatus(MStatus::kFailure).perror("registerNode");
    const std::vector<std::string> lines = mayastandin::logLines();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], "// Error: bad");
    EXPECT_EQ(lines[1], "// Warning: careful");
    EXPECT_EQ(lines[2], "plain");
    EXPECT_EQ(lines[3].rfind("// Error: registerNode: ", 0), 0u);

    mayastandin::clearLog();
    constexpr int kThreads = 4, kLines = 2000;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([] {
            for (int i = 0; i < kLines; ++i) MGlobal::displayWarning("from a thread");
        });
    for (auto& t : threads) t.join();
    EXPECT_EQ(mayastandin::logLines().size(), static_cast<size_t>(kThreads * kLines));
}
