// The MEL subset this host understands: statements separated by ';', bare words, double-quoted strings
// with escapes, `backtick` substitution and '//' comments. A whole text is parsed before any of it runs;
// each statement is checked in full (command, flags, values, objects) before it executes, so a failing
// statement changes nothing. Running stops at the first failing statement.
#include <maya/MGlobal.h>
#include <maya/MArgList.h>
#include <maya/MPxCommand.h>
#include <mayastandin/Host.h>
#include "Commands.h"
#include "Internal.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>

namespace mayastandin {
namespace detail {

namespace {

std::vector<std::pair<int, std::function<void(MelEvent, const std::string&)>>>& melListeners() {
    static std::vector<std::pair<int, std::function<void(MelEvent, const std::string&)>>> listeners;
    return listeners;
}
int nextMelListenerId = 1;

void notifyMel(MelEvent event, const std::string& text) {
    for (const auto& listener : melListeners()) listener.second(event, text);
}

struct Program;

struct Word {
    std::string text;                       // literal text (bare or quoted)
    bool quoted = false;                    // quoted text is always a value, never a flag
    std::shared_ptr<Program> substitution;  // `...`: the words come from running this
};

struct Statement {
    std::vector<Word> words;
};

struct Program {
    std::vector<Statement> statements;
};

// An argument after substitution.
bool isWordChar(char c) {
    switch (c) {
        case ' ':
        case '\t':
        case '\n':
        case '\r':
        case ';':
        case '"':
        case '`':
        case '(':
        case ')':
        case '{':
        case '}':
        case '$':
        case '=':
        case '[':
        case ']':
        case ',':
        case '<':
        case '>':
        case '&':
        case '\'':
        case '\\':
        case '!': return false;
        default: return static_cast<unsigned char>(c) >= 0x20;
    }
}

bool parse(const std::string& text, std::size_t& pos, Program& program, bool inBackticks, std::string& error) {
    Statement current;
    auto flush = [&]() {
        if (!current.words.empty()) program.statements.push_back(std::move(current));
        current = Statement();
    };
    while (pos < text.size()) {
        const char c = text[pos];
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
            ++pos;
        } else if (c == '/' && pos + 1 < text.size() && text[pos + 1] == '/') {
            while (pos < text.size() && text[pos] != '\n') ++pos;
        } else if (c == ';') {
            flush();
            ++pos;
        } else if (c == '`') {
            if (inBackticks) {
                flush();
                return true;  // the caller consumes the closing backtick
            }
            ++pos;
            auto sub = std::make_shared<Program>();
            if (!parse(text, pos, *sub, true, error)) return false;
            if (pos >= text.size() || text[pos] != '`') {
                error = "Syntax error: missing closing backtick";
                return false;
            }
            ++pos;
            if (sub->statements.empty()) {
                error = "Syntax error: empty backtick expression";
                return false;
            }
            Word w;
            w.substitution = sub;
            current.words.push_back(std::move(w));
        } else if (c == '"') {
            ++pos;
            Word w;
            w.quoted = true;
            bool closed = false;
            while (pos < text.size()) {
                char q = text[pos++];
                if (q == '"') {
                    closed = true;
                    break;
                }
                if (q == '\\' && pos < text.size()) {
                    const char e = text[pos++];
                    switch (e) {
                        case 'n': q = '\n'; break;
                        case 't': q = '\t'; break;
                        case 'r': q = '\r'; break;
                        default: q = e; break;  // \" \\ and anything else: the character itself
                    }
                }
                w.text += q;
            }
            if (!closed) {
                error = "Syntax error: unterminated string";
                return false;
            }
            current.words.push_back(std::move(w));
        } else if (isWordChar(c)) {
            Word w;
            while (pos < text.size() && isWordChar(text[pos])) w.text += text[pos++];
            current.words.push_back(std::move(w));
        } else {
            error = std::string("Syntax error: unexpected '") + c + "'";
            return false;
        }
    }
    if (inBackticks) {
        error = "Syntax error: missing closing backtick";
        return false;
    }
    flush();
    return true;
}

}  // namespace

// ---- what the built-in commands share (Commands.h) ----

bool toBool(const std::string& v, bool& out) {
    if (v == "true" || v == "on" || v == "yes" || v == "1") return out = true, true;
    if (v == "false" || v == "off" || v == "no" || v == "0") return out = false, true;
    return false;
}
bool isNumeric(const std::string& v) {
    if (v.empty()) return false;
    char* end = nullptr;
    std::strtod(v.c_str(), &end);
    return *end == '\0';
}

bool parseFlags(const std::string& command, const std::vector<Arg>& args, const std::vector<FlagSpec>& specs,
                Parsed& out, std::string& error) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const Arg& a = args[i];
        if (a.literal && a.text.size() > 1 && a.text[0] == '-' && !isNumeric(a.text)) {
            const FlagSpec* flag = nullptr;
            for (const auto& s : specs)
                if (a.text == std::string("-") + s.shortName || a.text == std::string("-") + s.longName) flag = &s;
            if (!flag) {
                error = command + ": Invalid flag '" + a.text + "'";
                return false;
            }
            std::string value = "1";
            if (flag->kind != 'n') {
                if (i + 1 >= args.size()) {
                    error = command + ": Flag '" + a.text + "' needs a value";
                    return false;
                }
                value = args[++i].text;
                bool b;
                if (flag->kind == 'b' && !toBool(value, b)) {
                    error = command + ": Flag '" + a.text + "' expects true or false, got '" + value + "'";
                    return false;
                }
                if (flag->kind == 'i') {
                    char* end = nullptr;
                    std::strtol(value.c_str(), &end, 10);
                    if (value.empty() || *end != '\0') {
                        error = command + ": Flag '" + a.text + "' expects an integer, got '" + value + "'";
                        return false;
                    }
                }
            }
            out.flags[flag->longName] = value;
            out.values[flag->longName].push_back(value);
        } else {
            out.objects.push_back(a.text);
        }
    }
    return true;
}

// Exactly one node for a name or path, or an error.
std::uint32_t resolveOne(const std::string& command, const std::string& name, std::string& error) {
    std::vector<std::uint32_t> found;
    Scene::instance().resolve(name, found);
    if (found.empty()) {
        error = command + ": No object matches name: " + name;
        return kNoNode;
    }
    if (found.size() > 1) {
        error = command + ": More than one object matches name: " + name;
        return kNoNode;
    }
    return found[0];
}

// '*' matches any run of characters, '?' any one. Only the last '*' is ever retried, one character further each
// time: the pattern and the name are walked in O(length of both) steps per star, never exponentially.
bool globMatch(const char* p, const char* s) {
    const char* star = nullptr;  // the last '*' seen, and where its run currently ends in s
    const char* starEnd = nullptr;
    while (*s) {
        if (*p == '?' || (*p != '*' && *p == *s)) {
            ++p;
            ++s;
        } else if (*p == '*') {
            star = p++;
            starEnd = s;
        } else if (star) {
            p = star + 1;
            s = ++starEnd;
        } else {
            return false;
        }
    }
    while (*p == '*') ++p;
    return *p == '\0';
}

bool toNumber(const std::string& v, double& out) {
    if (v.empty()) return false;
    char* end = nullptr;
    out = std::strtod(v.c_str(), &end);
    return *end == '\0' && std::isfinite(out);
}

std::vector<std::uint32_t> allDagNodes() {
    Scene& scene = Scene::instance();
    std::vector<std::uint32_t> nodes;
    std::vector<std::pair<std::uint32_t, std::size_t>> stack{{scene.world(), 0}};
    while (!stack.empty()) {
        auto& top = stack.back();
        const auto& ch = scene.children(top.first);
        if (top.second >= ch.size()) {
            stack.pop_back();
            continue;
        }
        const std::uint32_t c = ch[top.second++];
        nodes.push_back(c);
        stack.push_back({c, 0});
    }
    return nodes;
}

std::vector<std::uint32_t> allNodes() {
    std::vector<std::uint32_t> nodes = allDagNodes();
    const std::vector<std::uint32_t>& dependencyNodes = Scene::instance().dependencyNodes();
    nodes.insert(nodes.end(), dependencyNodes.begin(), dependencyNodes.end());
    return nodes;
}

std::string formatNumber(double value) {
    if (value == 0.0) value = 0.0;  // -0
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

namespace {

BuiltinTable& builtins() {
    static BuiltinTable* table = nullptr;
    if (table) return *table;
    table = new BuiltinTable();
    auto& t = *table;
    Scene& scene = Scene::instance();

    auto visibility = [&scene](const char* command, bool visible) {
        return [&scene, command, visible](const std::vector<Arg>& args, Result&, std::string& error) {
            Parsed p;
            if (!parseFlags(command, args, {}, p, error)) return false;
            // As in Maya, no objects (a `ls` that found nothing included) means the selected ones, if any.
            std::vector<std::uint32_t> nodes;
            if (p.objects.empty()) nodes = scene.selection();
            for (const auto& name : p.objects) {
                const std::uint32_t n = resolveOne(command, name, error);
                if (n == kNoNode) return false;
                nodes.push_back(n);
            }
            recordValueEdit(command, nodes, [&] {
                for (std::uint32_t n : nodes) scene.setVisible(n, visible);
            });
            return true;
        };
    };
    t["hide"] = visibility("hide", false);
    t["showHidden"] = visibility("showHidden", true);

    t["createNode"] = [&scene](const std::vector<Arg>& args, Result& result, std::string& error) {
        Parsed p;
        if (!parseFlags("createNode", args, {{"n", "name", 's'}, {"p", "parent", 's'}, {"ss", "skipSelect", 'n'}}, p,
                        error))
            return false;
        if (p.objects.size() != 1) {
            error = "createNode: Expected one node type";
            return false;
        }
        if (!scene.findType(p.objects[0])) {
            error = "createNode: Unknown object type: " + p.objects[0];
            return false;
        }
        std::uint32_t parent = scene.world();
        if (p.has("parent")) {
            parent = resolveOne("createNode", p.value("parent"), error);
            if (parent == kNoNode) return false;
        }
        if (p.has("name") && Scene::legalName(p.value("name")).empty()) {
            error = "createNode: The name is empty";
            return false;
        }
        std::string why;
        const bool dag = scene.findType(p.objects[0])->isDag;
        const std::uint32_t n = dag ? scene.createNode(p.objects[0], parent, p.value("name"), &why)
                                    : scene.createDependencyNode(p.objects[0], p.value("name"), &why);
        if (n == kNoNode) {
            error = "createNode: " + why;
            return false;
        }
        result.items.assign(1, scene.node(n).name);
        if (Interpreter::instance().undoEnabled()) {
            UndoQueue& queue = UndoQueue::instance();
            const std::uintptr_t owner = queue.nextOwner();
            const MObject node = scene.handle(n);
            UndoEntry entry;
            entry.label = "createNode " + p.objects[0];
            entry.held.push_back(node);
            entry.undo = [&scene, node, owner] { scene.takeOut(scene.existingIndex(node), owner); };
            entry.redo = [&scene, node] { scene.putBack(scene.existingIndex(node)); };
            queue.record(std::move(entry));
        }
        return true;
    };

    t["delete"] = [&scene](const std::vector<Arg>& args, Result&, std::string& error) {
        Parsed p;
        if (!parseFlags("delete", args, {}, p, error)) return false;
        if (p.objects.empty()) {
            error = "delete: No objects specified";
            return false;
        }
        std::vector<MObject> nodes;
        for (const auto& name : p.objects) {
            const std::uint32_t n = resolveOne("delete", name, error);
            if (n == kNoNode) return false;
            if (scene.isDefaultCamera(n)) {
                error = "delete: Cannot delete the default camera '" + scene.node(n).name + "'";
                return false;
            }
            nodes.push_back(scene.handle(n));
        }
        // With undo on the nodes go to the undo queue, alive and out of the DAG; without, they are destroyed.
        const bool undoable = Interpreter::instance().undoEnabled();
        UndoQueue& queue = UndoQueue::instance();
        const std::uintptr_t owner = queue.nextOwner();
        std::vector<MObject> taken;
        for (const auto& o : nodes) {
            const std::uint32_t n = scene.indexOf(o);  // an earlier one may have taken it along
            if (n == kNoNode) continue;
            if (!undoable) {
                scene.destroy(n);
                continue;
            }
            scene.takeOut(n, owner);
            taken.push_back(o);
        }
        if (undoable && !taken.empty()) {
            UndoEntry entry;
            entry.label = "delete";
            entry.held = taken;
            entry.undo = [&scene, taken] {
                for (auto it = taken.rbegin(); it != taken.rend(); ++it) scene.putBack(scene.existingIndex(*it));
            };
            entry.redo = [&scene, taken, owner] {
                for (const MObject& o : taken) scene.takeOut(scene.existingIndex(o), owner);
            };
            queue.record(std::move(entry));
        }
        return true;
    };

    t["rename"] = [&scene](const std::vector<Arg>& args, Result& result, std::string& error) {
        Parsed p;
        if (!parseFlags("rename", args, {}, p, error)) return false;
        if (p.objects.size() != 2) {
            error = "rename: Expected an object and a new name";
            return false;
        }
        const std::uint32_t n = resolveOne("rename", p.objects[0], error);
        if (n == kNoNode) return false;
        const std::string before = scene.node(n).name;
        const std::string why = scene.rename(n, p.objects[1]);
        if (!why.empty()) {
            error = "rename: " + why;
            return false;
        }
        result.items.assign(1, scene.node(n).name);
        if (Interpreter::instance().undoEnabled()) {
            const MObject node = scene.handle(n);
            const std::string after = scene.node(n).name;
            UndoEntry entry;
            entry.label = "rename " + before + " " + after;
            entry.undo = [&scene, node, before] { scene.rename(scene.existingIndex(node), before); };
            entry.redo = [&scene, node, after] { scene.rename(scene.existingIndex(node), after); };
            UndoQueue::instance().record(std::move(entry));
        }
        return true;
    };

    t["parent"] = [&scene](const std::vector<Arg>& args, Result& result, std::string& error) {
        Parsed p;
        if (!parseFlags("parent", args, {{"w", "world", 'n'}}, p, error)) return false;
        const bool toWorld = p.has("world");
        if (p.objects.size() != (toWorld ? 1u : 2u)) {
            error = "parent: Expected a child and a parent";
            return false;
        }
        const std::uint32_t child = resolveOne("parent", p.objects[0], error);
        if (child == kNoNode) return false;
        std::uint32_t parent = scene.world();
        if (!toWorld) {
            parent = resolveOne("parent", p.objects[1], error);
            if (parent == kNoNode) return false;
        }
        const MObject before = scene.handle(scene.node(child).parent);
        const std::string why = scene.reparent(child, parent);
        if (!why.empty()) {
            error = "parent: " + why;
            return false;
        }
        result.items.assign(1, scene.node(child).name);
        if (Interpreter::instance().undoEnabled()) {
            const MObject node = scene.handle(child), after = scene.handle(parent);
            UndoEntry entry;
            entry.label = "parent";
            auto move = [&scene](const MObject& o, const MObject& to) {
                const std::uint32_t i = scene.indexOf(o), p = scene.indexOf(to);
                if (i != kNoNode && p != kNoNode) scene.reparent(i, p);
            };
            entry.undo = [move, node, before] { move(node, before); };
            entry.redo = [move, node, after] { move(node, after); };
            UndoQueue::instance().record(std::move(entry));
        }
        return true;
    };

    t["loadPlugin"] = [](const std::vector<Arg>& args, Result& result, std::string& error) {
        Parsed p;
        if (!parseFlags("loadPlugin", args, {{"qt", "quiet", 'n'}}, p, error)) return false;
        if (p.objects.size() != 1) {
            error = "loadPlugin: Expected one plug-in file";
            return false;
        }
        std::string name;
        const MStatus s = Plugins::instance().load(p.objects[0], &name);
        if (!s) return false;  // already reported
        result.items.assign(1, name);
        result.isArray = true;
        return true;
    };

    t["unloadPlugin"] = [](const std::vector<Arg>& args, Result& result, std::string& error) {
        Parsed p;
        if (!parseFlags("unloadPlugin", args, {{"f", "force", 'n'}}, p, error)) return false;
        if (p.objects.size() != 1) {
            error = "unloadPlugin: Expected one plug-in name";
            return false;
        }
        std::string name = p.objects[0];
        const auto slash = name.find_last_of('/');
        if (slash != std::string::npos) name.erase(0, slash + 1);
        const auto dot = name.find('.');
        if (dot != std::string::npos && dot > 0) name.erase(dot);
        if (!Plugins::instance().unload(name)) return false;
        result.items.assign(1, name);
        return true;
    };

    t["workspaceControl"] = [](const std::vector<Arg>& args, Result& result, std::string& error) {
        std::vector<std::string> plain;
        std::vector<bool> literal;
        // Values (quoted or substituted) must not be taken for flags.
        for (const auto& a : args) plain.push_back(a.literal ? a.text : std::string("\x01") + a.text);
        return static_cast<bool>(controls::workspaceControl(plain, result, error));
    };

    t["print"] = [](const std::vector<Arg>& args, Result&, std::string&) {
        std::string line;
        for (const auto& a : args) line += (line.empty() ? "" : " ") + a.text;
        log::info(line);
        return true;
    };
    addQueryCommands(t);
    addSceneCommands(t);
    addUndoCommands(t);
    addAnimCommands(t);
    addWidgetCommand(t);
    addMenuCommands(t);
    return t;
}

}  // namespace

Interpreter& Interpreter::instance() {
    static Interpreter* interpreter = new Interpreter();
    return *interpreter;
}
Interpreter::Interpreter() {}
bool Interpreter::isBuiltin(const std::string& name) const { return builtins().count(name) > 0; }
bool Interpreter::isDisabled(const std::string& name) const {
    return std::find(fDisabled.begin(), fDisabled.end(), name) != fDisabled.end();
}

namespace {
MStatus runProgram(const Program& program, Result* result);

// Runs one statement: command check, substitution, argument check, then execution.
MStatus runStatement(const Statement& st, Result& result) {
    auto fail = [](const std::string& text) {
        log::error(text);
        return MStandinAccess::status(MStatus::kFailure, text.c_str());
    };
    const Word& head = st.words[0];
    if (head.substitution || head.quoted) return fail("Syntax error: a statement must start with a command name");
    const std::string& command = head.text;
    if (Interpreter::instance().isDisabled(command)) return fail(command + ": disabled in this session");
    auto builtin = builtins().find(command);
    const CommandEntry* entry = builtin == builtins().end() ? Plugins::instance().command(command) : nullptr;
    if (builtin == builtins().end() && !entry) return fail("Cannot find procedure \"" + command + "\".");

    std::vector<Arg> args;
    for (std::size_t i = 1; i < st.words.size(); ++i) {
        const Word& w = st.words[i];
        if (!w.substitution) {
            args.push_back(Arg{w.text, !w.quoted});
            continue;
        }
        Result sub;
        const MStatus s = runProgram(*w.substitution, &sub);
        if (!s) return s;
        for (const auto& item : sub.items) args.push_back(Arg{item, false});
    }
    if (!melListeners().empty()) {
        std::string ran = command;
        for (const auto& a : args) ran += " " + a.text;
        notifyMel(MelEvent::kCommand, ran);
    }

    result = Result();
    if (builtin != builtins().end()) {
        std::string error;
        if (!builtin->second(args, result, error)) {
            if (error.empty()) return MStandinAccess::status(MStatus::kFailure, (command + " failed").c_str());
            return fail(error);
        }
        return MStatus::kSuccess;
    }

    // A plug-in command: check the arguments against its syntax before it is created.
    std::vector<std::string> plain;
    for (const auto& a : args) plain.push_back(a.text);
    MSyntax syntax;
    if (entry->syntaxCreator) {
        syntax = entry->syntaxCreator();
        const std::string why = Autodesk::Maya::OpenMaya20180000::MStandinAccess::checkArgs(syntax, plain);
        if (!why.empty()) return fail(command + ": " + why);
    }
    MCreatorFunction creator = entry->creator;
    MPxCommand* cmd = static_cast<MPxCommand*>(creator());
    if (!cmd) return fail(command + ": the command's creator returned no object");
    std::string text = command;
    for (const auto& a : plain) text += " " + a;
    Autodesk::Maya::OpenMaya20180000::MStandinAccess::prepareCommand(cmd, syntax, MString(text.c_str()));
    MArgList list;
    for (const auto& a : plain) list.addArg(MString(a.c_str()));
    Result& current = Interpreter::instance().currentResult();
    Result saved = std::move(current);
    current = Result();
    const MStatus s = cmd->doIt(list);
    // As in Maya: a command that did its work and can be undone is kept in the undo queue (with undo on).
    if (s && Interpreter::instance().undoEnabled() && cmd->isUndoable()) {
        UndoEntry kept;
        kept.label = text;
        kept.command = cmd;
        kept.plugin = entry->plugin;
        kept.undo = [cmd] { cmd->undoIt(); };
        kept.redo = [cmd] { cmd->redoIt(); };
        UndoQueue::instance().record(std::move(kept));
    } else {
        delete cmd;
    }
    result = std::move(Interpreter::instance().currentResult());
    Interpreter::instance().currentResult() = std::move(saved);
    if (!s) return fail(command + ": command failed: " + s.errorString().asChar());
    return MStatus::kSuccess;
}

MStatus runProgram(const Program& program, Result* result) {
    Result last;
    for (const auto& st : program.statements) {
        const MStatus s = runStatement(st, last);
        if (!s) return s;
    }
    if (result) *result = std::move(last);
    return MStatus::kSuccess;
}
}  // namespace

int addMelListener(std::function<void(MelEvent, const std::string&)> listener) {
    melListeners().emplace_back(nextMelListenerId, std::move(listener));
    return nextMelListenerId++;
}

void removeMelListener(int id) {
    auto& listeners = melListeners();
    listeners.erase(std::remove_if(listeners.begin(), listeners.end(), [id](const auto& l) { return l.first == id; }),
                    listeners.end());
}

MStatus Interpreter::execute(const std::string& text, Result* result, bool display, bool undoEnabled) {
    struct UndoMode {
        bool& flag;
        const bool saved;
        ~UndoMode() { flag = saved; }
    } mode{fUndoEnabled, fUndoEnabled};
    fUndoEnabled = undoEnabled;
    if (display) log::info(text);
    notifyMel(MelEvent::kText, text);
    Program program;
    std::size_t pos = 0;
    std::string error;
    if (!parse(text, pos, program, false, error)) {
        log::error(error);
        return MStandinAccess::status(MStatus::kFailure, error.c_str());
    }
    return runProgram(program, result);
}

}  // namespace detail
}  // namespace mayastandin

using mayastandin::detail::Interpreter;
using mayastandin::detail::Result;

OPENMAYA_NAMESPACE_OPEN

namespace {
std::string joined(const Result& r) {
    std::string out;
    for (std::size_t i = 0; i < r.items.size(); ++i) {
        if (i) out += ' ';
        out += r.items[i];
    }
    return out;
}
}  // namespace

MStatus MGlobal::executeCommand(const MString& command, bool display, bool undo) {
    return Interpreter::instance().execute(command.asChar(), nullptr, display, undo);
}
MStatus MGlobal::executeCommand(const MString& command, MString& result, bool display, bool undo) {
    Result r;
    const MStatus s = Interpreter::instance().execute(command.asChar(), &r, display, undo);
    if (s) result = joined(r).c_str();
    return s;
}
MStatus MGlobal::executeCommand(const MString& command, MStringArray& result, bool display, bool undo) {
    Result r;
    const MStatus s = Interpreter::instance().execute(command.asChar(), &r, display, undo);
    if (s) {
        result.clear();
        for (const auto& item : r.items) result.append(MString(item.c_str()));
    }
    return s;
}
MStatus MGlobal::executeCommand(const MString& command, int& result, bool display, bool undo) {
    Result r;
    MStatus s = Interpreter::instance().execute(command.asChar(), &r, display, undo);
    if (s) {
        if (r.items.size() != 1 || !MString(r.items[0].c_str()).isInt())
            return MStandinAccess::status(MStatus::kInvalidParameter,
                                          "(kInvalidParameter): The result is not an integer");
        result = std::atoi(r.items[0].c_str());
    }
    return s;
}
MStatus MGlobal::executeCommand(const MString& command, double& result, bool display, bool undo) {
    Result r;
    MStatus s = Interpreter::instance().execute(command.asChar(), &r, display, undo);
    if (s) {
        if (r.items.size() != 1 || !MString(r.items[0].c_str()).isDouble())
            return MStandinAccess::status(MStatus::kInvalidParameter,
                                          "(kInvalidParameter): The result is not a number");
        result = std::atof(r.items[0].c_str());
    }
    return s;
}
MString MGlobal::executeCommandStringResult(const MString& command, bool display, bool undo, MStatus* rs) {
    MString out;
    const MStatus s = executeCommand(command, out, display, undo);
    if (rs) *rs = s;
    return out;
}

OPENMAYA_NAMESPACE_CLOSE
