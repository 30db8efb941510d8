#pragma once
// What the built-in MEL commands share: their arguments, flag parsing, name resolution and number format.
// Main thread only, like the interpreter.
#include "Internal.h"

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace mayastandin {
namespace detail {

// An argument after substitution.
struct Arg {
    std::string text;
    bool literal = true;  // false: a value (quoted, or from a substitution), never a flag
};

struct FlagSpec {
    const char* shortName;
    const char* longName;
    char kind;  // 'n' no value, 's' string, 'b' boolean, 'i' integer
};

struct Parsed {
    std::map<std::string, std::string> flags;                // by long name, the last value given
    std::map<std::string, std::vector<std::string>> values;  // by long name, every value given, in order
    std::vector<std::string> objects;
    bool has(const char* longName) const { return flags.count(longName) > 0; }
    std::string value(const char* longName) const {
        auto it = flags.find(longName);
        return it == flags.end() ? std::string() : it->second;
    }
};

bool toBool(const std::string& v, bool& out);
// setAttr of joint orient, rotate axis, rotate order and single channels (QueryCommands.cpp); the error text
// when the attribute is none of those.
bool setVectorAttr(const std::vector<Arg>& args, std::string& error);
// A number as strtod reads it in full ("-1", "2.5e3"); an argument like that is never taken for a flag.
bool isNumeric(const std::string& v);
// A finite number, read in full.
bool toNumber(const std::string& v, double& out);
// Flags by their specs and the remaining objects; false with "command: ..." in error for an unknown flag,
// a missing value or a value of the wrong kind.
bool parseFlags(const std::string& command, const std::vector<Arg>& args, const std::vector<FlagSpec>& specs,
                Parsed& out, std::string& error);
// Exactly one node for a name or path, or kNoNode and an error.
std::uint32_t resolveOne(const std::string& command, const std::string& name, std::string& error);
bool globMatch(const char* pattern, const char* text);
// The nodes a name, a path or a wildcard pattern ('*', '?', names only) stands for, as ls lists them; empty
// when none.
void matchName(const std::string& name, std::vector<std::uint32_t>& out);
// Every DAG node below the world, depth first, children in order.
std::vector<std::uint32_t> allDagNodes();
// The DAG nodes as allDagNodes lists them, then the dependency nodes (animation curves) in creation order.
std::vector<std::uint32_t> allNodes();
// Numbers in results as MEL prints them: six significant digits, no trailing zeros; -0 prints as 0.
std::string formatNumber(double value);

using Builtin = std::function<bool(const std::vector<Arg>&, Result&, std::string&)>;
using BuiltinTable = std::map<std::string, Builtin>;

// ls, select, listRelatives, xform, getAttr (QueryCommands.cpp).
void addQueryCommands(BuiltinTable& table);
// file, setAttr and workspace (Files.cpp).
void addSceneCommands(BuiltinTable& table);
// undo, redo, flushUndo and undoInfo (Undo.cpp).
void addUndoCommands(BuiltinTable& table);
// currentTime, currentUnit, playbackOptions, play, keyframe, setKeyframe and cutKey (AnimCommands.cpp).
void addAnimCommands(BuiltinTable& table);
// driveWidget: the host's own command that works a named widget of a workspace control (Controls.cpp).
void addWidgetCommand(BuiltinTable& table);
// menu, menuItem, deleteUI and setParent -menu (Menus.cpp).
void addMenuCommands(BuiltinTable& table);

}  // namespace detail
}  // namespace mayastandin
