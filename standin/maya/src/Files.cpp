// Scene files and the commands around them: file -new, -open, -save, -rename and the queries, and setAttr.
// A file is Maya ASCII limited to what this host's scene holds: a header as Maya writes one, createNode for
// every DAG node in walk order (the default cameras with -s, shared with the new scene), setAttr for the
// values that differ from a new node's, requires for the plug-ins whose node types it uses. Opening reads back
// that subset and refuses anything else before the current scene is touched.
#include <maya/MSceneMessage.h>
#include "Anim.h"
#include "Commands.h"
#include "Internal.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <sstream>

namespace mayastandin {
namespace detail {
namespace {

constexpr double kDegrees = 180.0 / 3.14159265358979323846;

Scene& scene() { return Scene::instance(); }

std::string exact(double v) {
    if (v == 0.0) v = 0.0;  // -0
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", v);
    return text;
}

bool endsWith(const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

// ---- attribute values, shared by setAttr and the file reader ----

// Sets one attribute of a node from values as MEL gives them ("1" "2" "3", "no"); "" or the error. Angles in
// degrees, distances in centimetres.
std::string setAttribute(std::uint32_t n, const std::string& attribute, const std::vector<std::string>& values) {
    Node& node = scene().node(n);
    auto numbers = [&](std::size_t count, double* out) {
        if (values.size() != count) return false;
        for (std::size_t k = 0; k < count; ++k)
            if (!toNumber(values[k], out[k])) return false;
        return true;
    };
    const std::string wrong = "Wrong value for attribute '" + attribute + "' of '" + node.name + "'";
    if (attribute == "visibility" || attribute == "v") {
        bool visible = false;
        double number = 0;
        if (values.size() != 1) return wrong;
        if (!toBool(values[0], visible)) {
            if (!toNumber(values[0], number)) return wrong;
            visible = number != 0;
        }
        scene().setVisible(n, visible);
        return "";
    }
    if (n == scene().world() || !node.type->isTransform)
        return "No attribute '" + attribute + "' on '" + node.name + "'";
    struct Vector3 {
        const char* longName;
        const char* shortName;
        int which;  // 0 translate, 1 rotate, 2 scale
    };
    const Vector3 vectors[] = {{"translate", "t", 0}, {"rotate", "r", 1}, {"scale", "s", 2}};
    auto component = [&](int which, int axis) -> double& {
        if (which == 0) return axis == 0 ? node.translation.x : axis == 1 ? node.translation.y : node.translation.z;
        if (which == 1) return axis == 0 ? node.rotation.x : axis == 1 ? node.rotation.y : node.rotation.z;
        return node.scale[axis];
    };
    const char axes[] = {'X', 'Y', 'Z'};
    for (const Vector3& v : vectors) {
        const double unit = v.which == 1 ? 1.0 / kDegrees : 1.0;
        if (attribute == v.longName || attribute == v.shortName) {
            double value[3];
            if (!numbers(3, value)) return wrong;
            for (int k = 0; k < 3; ++k) component(v.which, k) = value[k] * unit;
            scene().transformChanged(n);
            return "";
        }
        for (int k = 0; k < 3; ++k) {
            const char lower = static_cast<char>(axes[k] - 'X' + 'x');
            if (attribute == std::string(v.longName) + axes[k] || attribute == std::string(v.shortName) + lower) {
                double value;
                if (!numbers(1, &value)) return wrong;
                component(v.which, k) = value * unit;
                scene().transformChanged(n);
                return "";
            }
        }
    }
    if (attribute == "rotateOrder" || attribute == "ro") {
        double order;
        if (!numbers(1, &order) || order < 0 || order > 5 || order != std::floor(order)) return wrong;
        node.rotation.order = static_cast<MEulerRotation::RotationOrder>(static_cast<int>(order));
        scene().transformChanged(n);
        return "";
    }
    return "No attribute '" + attribute + "' on '" + node.name + "'";
}

// Whether setAttribute knows an attribute of that name on some node type.
bool isKnownAttribute(const std::string& a) {
    static const char* const names[] = {"v",         "visibility", "ro",     "rotateOrder", "t",
                                        "translate", "r",          "rotate", "s",           "scale"};
    for (const char* n : names)
        if (a == n) return true;
    for (const char* base : {"translate", "rotate", "scale"})
        for (const char* axis : {"X", "Y", "Z"})
            if (a == std::string(base) + axis) return true;
    for (const char* base : {"t", "r", "s"})
        for (const char* axis : {"x", "y", "z"})
            if (a == std::string(base) + axis) return true;
    return false;
}

// setAttr NODE.ATTRIBUTE [-type TYPE] VALUE...
bool setAttr(const std::vector<Arg>& args, Result&, std::string& error) {
    Parsed p;
    if (!parseFlags("setAttr", args, {{"typ", "type", 's'}, {"k", "keyable", 'b'}, {"l", "lock", 'b'}}, p, error))
        return false;
    if (p.objects.size() < 2) {
        error = "setAttr: Expected an attribute, as node.attribute, and its value";
        return false;
    }
    const std::string& plug = p.objects[0];
    const std::size_t dot = plug.rfind('.');
    if (dot == std::string::npos || dot == 0 || dot + 1 == plug.size()) {
        error = "setAttr: No attribute was specified in '" + plug + "'";
        return false;
    }
    const std::uint32_t n = resolveOne("setAttr", plug.substr(0, dot), error);
    if (n == kNoNode) return false;
    const std::vector<std::string> values(p.objects.begin() + 1, p.objects.end());
    ValueEdit edit("setAttr " + plug, {n});
    const std::string why = setAttribute(n, plug.substr(dot + 1), values);
    // The attributes only joints and transforms have (joint orient, rotate axis, per-axis channels).
    std::string other;
    if (!why.empty() && !setVectorAttr(args, other)) {
        error = other.find("No object matches name") == std::string::npos ? other : "setAttr: " + why;
        return false;
    }
    edit.record();
    return true;
}

// ---- writing ----

std::string quoted(const std::string& s) {
    std::string out = "\"";
    for (char c : s) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out + "\"";
}

std::string writeScene(const std::string& path) {
    std::string name = path.substr(path.find_last_of('/') == std::string::npos ? 0 : path.find_last_of('/') + 1);
    std::ostringstream out;
    char date[64];
    const std::time_t now = std::time(nullptr);
    std::strftime(date, sizeof date, "%a, %b %d, %Y %I:%M:%S %p", std::localtime(&now));
    out << "//Maya ASCII 2018 scene\n//Name: " << name << "\n//Last modified: " << date << "\n//Codeset: UTF-8\n";
    out << "requires maya \"2018\";\n";
    const std::vector<std::uint32_t> nodes = allDagNodes();
    std::vector<int> plugins;
    for (std::uint32_t n : nodes) {
        const int plugin = Plugins::instance().pluginOfType(scene().node(n).type->name);
        if (plugin >= 0 && std::find(plugins.begin(), plugins.end(), plugin) == plugins.end()) {
            plugins.push_back(plugin);
            const Plugin& p = Plugins::instance().at(plugin);
            out << "requires " << quoted(p.name) << " " << quoted(p.version) << ";\n";
        }
    }
    out << "currentUnit -l centimeter -a degree -t film;\n";
    out << "fileInfo \"application\" \"maya\";\nfileInfo \"product\" \"Maya 2018\";\nfileInfo \"version\" \"2018\";\n";
    for (std::uint32_t n : nodes) {
        const Node& node = scene().node(n);
        out << "createNode " << node.type->name << (scene().isDefaultCamera(n) ? " -s" : "") << " -n "
            << quoted(node.name);
        if (node.parent != scene().world()) out << " -p " << quoted(scene().partialPath(node.parent));
        out << ";\n";
        if (!node.visible) out << "\tsetAttr \".v\" no;\n";
        if (!node.type->isTransform) continue;
        auto vector = [&](const char* attribute, double x, double y, double z, double standard) {
            if (x == standard && y == standard && z == standard) return;
            out << "\tsetAttr \"." << attribute << "\" -type \"double3\" " << exact(x) << " " << exact(y) << " "
                << exact(z) << " ;\n";
        };
        vector("t", node.translation.x, node.translation.y, node.translation.z, 0.0);
        vector("r", node.rotation.x * kDegrees, node.rotation.y * kDegrees, node.rotation.z * kDegrees, 0.0);
        vector("s", node.scale[0], node.scale[1], node.scale[2], 1.0);
        if (node.rotation.order != MEulerRotation::kXYZ)
            out << "\tsetAttr \".ro\" " << static_cast<int>(node.rotation.order) << ";\n";
    }
    out << "// End of " << name << "\n";
    return out.str();
}

// ---- reading ----

struct Statement {
    int line = 0;
    std::vector<std::string> words;  // quoted words without their quotes
    std::vector<bool> quoted;
};

// Splits a file into statements: words and "strings", ';' ending each, '//' comments to the end of the line.
bool tokenize(const std::string& text, std::vector<Statement>& out, std::string& error) {
    Statement current;
    int line = 1;
    std::size_t i = 0;
    auto flush = [&]() {
        if (!current.words.empty()) out.push_back(current);
        current = Statement();
    };
    while (i < text.size()) {
        const char c = text[i];
        if (c == '\n') {
            ++line;
            ++i;
        } else if (std::isspace(static_cast<unsigned char>(c))) {
            ++i;
        } else if (c == '/' && i + 1 < text.size() && text[i + 1] == '/') {
            while (i < text.size() && text[i] != '\n') ++i;
        } else if (c == ';') {
            flush();
            ++i;
        } else if (c == '"') {
            if (current.words.empty()) current.line = line;
            std::string word;
            ++i;
            bool closed = false;
            while (i < text.size()) {
                char q = text[i++];
                if (q == '"') {
                    closed = true;
                    break;
                }
                if (q == '\n') ++line;
                if (q == '\\' && i < text.size()) q = text[i++];
                word += q;
            }
            if (!closed) {
                error = "line " + std::to_string(line) + ": unterminated string";
                return false;
            }
            current.words.push_back(word);
            current.quoted.push_back(true);
        } else {
            if (current.words.empty()) current.line = line;
            std::string word;
            while (i < text.size() && !std::isspace(static_cast<unsigned char>(text[i])) && text[i] != ';' &&
                   text[i] != '"')
                word += text[i++];
            current.words.push_back(word);
            current.quoted.push_back(false);
        }
    }
    if (!current.words.empty()) {
        error = "line " + std::to_string(current.line) + ": statement without ';'";
        return false;
    }
    return true;
}

// A statement's flags (each with the number of values it takes) and its other words.
bool splitFlags(const Statement& st, const std::vector<std::pair<std::string, int>>& known,
                std::vector<std::pair<std::string, std::vector<std::string>>>& flags, std::vector<std::string>& rest,
                std::string& error) {
    for (std::size_t i = 1; i < st.words.size(); ++i) {
        const std::string& w = st.words[i];
        if (!st.quoted[i] && w.size() > 1 && w[0] == '-' && !isNumeric(w)) {
            int count = -1;
            for (const auto& k : known)
                if (k.first == w) count = k.second;
            if (count < 0 || i + count >= st.words.size()) {
                error = "line " + std::to_string(st.line) + ": " + st.words[0] + " flag " + w +
                        " is not one this host reads";
                return false;
            }
            std::vector<std::string> values(st.words.begin() + i + 1, st.words.begin() + i + 1 + count);
            flags.emplace_back(w, values);
            i += count;
        } else {
            rest.push_back(w);
        }
    }
    return true;
}

const std::vector<std::pair<std::string, int>> kCreateFlags = {{"-n", 1},      {"-name", 1}, {"-p", 1},
                                                               {"-parent", 1}, {"-s", 0},    {"-shared", 0}};
const std::vector<std::pair<std::string, int>> kSetAttrFlags = {{"-type", 1},    {"-typ", 1}, {"-k", 1},
                                                                {"-keyable", 1}, {"-l", 1},   {"-lock", 1}};
const std::vector<std::pair<std::string, int>> kParentFlags = {{"-r", 0},     {"-relative", 0}, {"-s", 0},
                                                               {"-shape", 0}, {"-nc", 0},       {"-noConnections", 0}};

std::string flagValue(const std::vector<std::pair<std::string, std::vector<std::string>>>& flags, const char* a,
                      const char* b) {
    std::string v;
    for (const auto& f : flags)
        if ((f.first == a || f.first == b) && !f.second.empty()) v = f.second[0];
    return v;
}
bool hasFlag(const std::vector<std::pair<std::string, std::vector<std::string>>>& flags, const char* a, const char* b) {
    for (const auto& f : flags)
        if (f.first == a || f.first == b) return true;
    return false;
}

// Checks every statement before the scene goes: only what writeScene writes, node types this host knows (after
// loading the plug-ins the file requires).
bool checkStatements(const std::vector<Statement>& statements, std::string& error) {
    bool sawHeader = false;
    for (const Statement& st : statements) {
        const std::string at = "line " + std::to_string(st.line) + ": ";
        std::vector<std::pair<std::string, std::vector<std::string>>> flags;
        std::vector<std::string> rest;
        const std::string& command = st.words[0];
        if (command == "requires") {
            if (!splitFlags(st, {{"-nodeType", 1}, {"-dataType", 1}}, flags, rest, error)) return false;
            if (rest.size() != 2) return error = at + "requires expects a product and a version", false;
            if (rest[0] == "maya") {
                sawHeader = true;
                continue;
            }
            if (Plugins::instance().find(rest[0]) < 0 ||
                !Plugins::instance().at(Plugins::instance().find(rest[0])).loaded) {
                if (!Plugins::instance().load(rest[0], nullptr))
                    return error = at + "the scene requires plug-in '" + rest[0] + "', which cannot be loaded", false;
            }
        } else if (command == "currentUnit") {
            if (!splitFlags(st, {{"-l", 1}, {"-linear", 1}, {"-a", 1}, {"-angle", 1}, {"-t", 1}, {"-time", 1}}, flags,
                            rest, error))
                return false;
            const std::string linear = flagValue(flags, "-l", "-linear"), angle = flagValue(flags, "-a", "-angle");
            if ((!linear.empty() && linear != "centimeter" && linear != "cm") ||
                (!angle.empty() && angle != "degree" && angle != "deg") || !rest.empty())
                return error = at + "units other than centimetres and degrees are not read", false;
        } else if (command == "fileInfo") {
            if (st.words.size() != 3) return error = at + "fileInfo expects a key and a value", false;
        } else if (command == "createNode") {
            if (!splitFlags(st, kCreateFlags, flags, rest, error)) return false;
            if (rest.size() != 1 || flagValue(flags, "-n", "-name").empty())
                return error = at + "createNode expects a node type and -n NAME", false;
            if (!scene().findType(rest[0])) return error = at + "unknown node type '" + rest[0] + "'", false;
        } else if (command == "setAttr") {
            if (!splitFlags(st, kSetAttrFlags, flags, rest, error)) return false;
            if (rest.size() < 2 || rest[0].size() < 2 || rest[0][0] != '.')
                return error = at + "setAttr expects \".attribute\" of the last node and its value", false;
            if (!isKnownAttribute(rest[0].substr(1)))
                return error = at + "No attribute '" + rest[0].substr(1) + "'", false;
        } else if (command == "parent") {
            if (!splitFlags(st, kParentFlags, flags, rest, error)) return false;
            if (rest.size() != 2) return error = at + "parent expects a child and a parent", false;
        } else {
            // connectAttr joins this list once the scene holds connections (animation curves).
            return error = at + "'" + command +
                           "' is not something this host reads: it opens the Maya ASCII it saves (requires, "
                           "currentUnit, fileInfo, createNode, setAttr, parent)",
                   false;
        }
    }
    if (!sawHeader) return error = "not a Maya ASCII scene of this host (no requires maya line)", false;
    return true;
}

// Builds the checked statements into the new scene.
bool applyStatements(const std::vector<Statement>& statements, std::string& error) {
    std::uint32_t current = kNoNode;
    for (const Statement& st : statements) {
        const std::string at = "line " + std::to_string(st.line) + ": ";
        std::vector<std::pair<std::string, std::vector<std::string>>> flags;
        std::vector<std::string> rest;
        const std::string& command = st.words[0];
        if (command == "createNode") {
            splitFlags(st, kCreateFlags, flags, rest, error);
            const std::string name = flagValue(flags, "-n", "-name"), parentName = flagValue(flags, "-p", "-parent");
            std::uint32_t parent = scene().world();
            if (!parentName.empty()) {
                parent = resolveOne("createNode", parentName, error);
                if (parent == kNoNode) return error = at + error, false;
            }
            current = kNoNode;
            if (hasFlag(flags, "-s", "-shared")) {  // a node the new scene already holds
                auto it = scene().node(parent).childByName.find(name);
                if (it != scene().node(parent).childByName.end() && scene().node(it->second).type->name == rest[0])
                    current = it->second;
            }
            if (current == kNoNode) {
                std::string why;
                current = scene().createNode(rest[0], parent, name, &why);
                if (current == kNoNode) return error = at + why, false;
                // Maya's createNode of a shape type at the top makes a transform above it: here the file names both.
                if (scene().node(current).type->name != rest[0]) return error = at + "shape without a parent", false;
            }
        } else if (command == "setAttr") {
            splitFlags(st, kSetAttrFlags, flags, rest, error);
            if (current == kNoNode) return error = at + "setAttr before any createNode", false;
            const std::string why =
                setAttribute(current, rest[0].substr(1), std::vector<std::string>(rest.begin() + 1, rest.end()));
            if (!why.empty()) return error = at + why, false;
        } else if (command == "parent") {
            splitFlags(st, kParentFlags, flags, rest, error);
            const std::uint32_t child = resolveOne("parent", rest[0], error);
            const std::uint32_t parent = child == kNoNode ? kNoNode : resolveOne("parent", rest[1], error);
            if (parent == kNoNode) return error = at + error, false;
            const std::string why = scene().reparent(child, parent);
            if (!why.empty()) return error = at + why, false;
        }
    }
    return true;
}

// ---- New, Open, Save ----

bool refuseUnsaved(bool force, std::string& error) {
    if (force || !scene().modified()) return false;
    error = "file: The current scene has unsaved changes: save it first, or give -force to discard them";
    return true;
}

bool openScene(const std::string& path, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return error = "file: Cannot open '" + path + "': no such file", false;
    std::stringstream text;
    text << in.rdbuf();
    std::vector<Statement> statements;
    std::string why;
    if (!tokenize(text.str(), statements, why) || !checkStatements(statements, why))
        return error = "file: Cannot open '" + path + "': " + why, false;
    if (!messages::check(MSceneMessage::kBeforeOpenCheck))
        return error = "file: Open was cancelled by a callback", false;
    messages::send(MSceneMessage::kBeforeOpen);
    UndoQueue::instance().flush();
    scene().setSelection({});
    scene().reset(true);
    anim::resetTimeline();
    const bool built = applyStatements(statements, why);
    scene().setFileName(path);
    scene().markSaved();
    messages::send(MSceneMessage::kAfterOpen);
    messages::send(MSceneMessage::kSceneUpdate);
    if (!built) return error = "file: Error reading '" + path + "': " + why, false;
    return true;
}

bool saveScene(const std::string& type, std::string& error) {
    const std::string path = scene().fileName();
    if (path.empty()) return error = "file: The scene has no name: give it one with file -rename", false;
    if ((!type.empty() && type != "mayaAscii") || !endsWith(path, ".ma"))
        return error = "file: This host saves Maya ASCII only (.ma, -type \"mayaAscii\"): '" + path + "'", false;
    if (!messages::check(MSceneMessage::kBeforeSaveCheck))
        return error = "file: Save was cancelled by a callback", false;
    messages::send(MSceneMessage::kBeforeSave);
    const std::string text = writeScene(path);
    const std::string temporary = path + ".saving";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << text;
        if (!out.flush()) return error = "file: Cannot write '" + path + "'", false;
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        std::remove(temporary.c_str());
        return error = "file: Cannot write '" + path + "'", false;
    }
    scene().markSaved();
    messages::send(MSceneMessage::kAfterSave);
    return true;
}

bool file(const std::vector<Arg>& args, Result& result, std::string& error) {
    Parsed p;
    if (!parseFlags("file", args,
                    {{"n", "new", 'n'},
                     {"f", "force", 'n'},
                     {"rn", "rename", 's'},
                     {"s", "save", 'n'},
                     {"o", "open", 'n'},
                     {"q", "query", 'n'},
                     {"sn", "sceneName", 'n'},
                     {"mf", "modified", 'n'},
                     {"typ", "type", 's'}},
                    p, error))
        return false;
    const int actions = p.has("new") + p.has("open") + p.has("save") + p.has("rename") + p.has("query");
    if (actions != 1) {
        error = "file: Give exactly one of -new, -open, -save, -rename and -query";
        return false;
    }
    if (p.has("query")) {
        if (p.has("sceneName"))
            result.items.assign(1, scene().fileName());
        else if (p.has("modified"))
            result.items.assign(1, scene().modified() ? "1" : "0");
        else
            return error = "file: Query -sceneName or -modified", false;
        return true;
    }
    if (p.has("rename")) {
        scene().setFileName(p.value("rename"));
        result.items.assign(1, scene().fileName());
        return true;
    }
    if (p.has("save")) {
        if (!saveScene(p.value("type"), error)) return false;
        result.items.assign(1, scene().fileName());
        return true;
    }
    if (refuseUnsaved(p.has("force"), error)) return false;
    if (p.has("new")) {
        if (!files::newScene(true)) return error = "file: New Scene was cancelled by a callback", false;
        return true;
    }
    if (p.objects.size() != 1) return error = "file: -open expects one file", false;
    if (!openScene(p.objects[0], error)) return false;
    result.items.assign(1, p.objects[0]);
    return true;
}

}  // namespace

namespace files {
bool newScene(bool cameras) {
    if (!messages::check(MSceneMessage::kBeforeNewCheck)) return false;
    messages::send(MSceneMessage::kBeforeNew);
    UndoQueue::instance().flush();
    scene().setSelection({});
    scene().reset(cameras);
    anim::resetTimeline();
    scene().setFileName("");
    scene().markSaved();
    messages::send(MSceneMessage::kAfterNew);
    messages::send(MSceneMessage::kSceneUpdate);
    return true;
}
void clear() {
    UndoQueue::instance().flush();
    scene().setSelection({});
    scene().reset(false);
    scene().setFileName("");
    scene().markSaved();
}
}  // namespace files

void addSceneCommands(BuiltinTable& table) {
    table["file"] = file;
    table["setAttr"] = setAttr;
}

}  // namespace detail
}  // namespace mayastandin
