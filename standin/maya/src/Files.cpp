// Scene files and the commands around them: file -new, -open, -save, -rename and the queries, and setAttr.
// A file is Maya ASCII limited to what this host's scene holds: a header as Maya writes one, createNode for
// every DAG node in walk order (the default cameras with -s, shared with the new scene), setAttr for the
// values that differ from a new node's, requires for the plug-ins whose node types it uses. Opening reads back
// that subset and refuses anything else before the current scene is touched.
#include <maya/MAnimControl.h>
#include <maya/MFnAnimCurve.h>
#include <maya/MSceneMessage.h>
#include "Anim.h"
#include "Commands.h"
#include "Internal.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include <sys/stat.h>
#include <unistd.h>

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
        int which;  // 0 translate, 1 rotate, 2 scale, 3 rotate axis, 4 joint orient
    };
    const Vector3 vectors[] = {{"translate", "t", 0},
                               {"rotate", "r", 1},
                               {"scale", "s", 2},
                               {"rotateAxis", "ra", 3},
                               {"jointOrient", "jo", 4}};
    auto component = [&](int which, int axis) -> double& {
        if (which == 0) return axis == 0 ? node.translation.x : axis == 1 ? node.translation.y : node.translation.z;
        if (which == 1) return node.rotation[axis];
        if (which == 3) return node.rotateAxis[axis];
        if (which == 4) return node.jointOrient[axis];
        return node.scale[axis];
    };
    const char axes[] = {'X', 'Y', 'Z'};
    for (const Vector3& v : vectors) {
        if (v.which == 4 && node.type->fnType != MFn::kJoint) continue;
        const double unit = v.which == 1 || v.which >= 3 ? 1.0 / kDegrees : 1.0;
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
    static const char* const names[] = {"v", "visibility", "ro", "rotateOrder", "t",  "translate",  "r", "rotate",
                                        "s", "scale",      "ra", "rotateAxis",  "jo", "jointOrient"};
    for (const char* n : names)
        if (a == n) return true;
    for (const char* base : {"translate", "rotate", "scale", "rotateAxis", "jointOrient"})
        for (const char* axis : {"X", "Y", "Z"})
            if (a == std::string(base) + axis) return true;
    for (const char* base : {"t", "r", "s", "ra", "jo"})
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

// ---- animation: curves, their connections, the time slider ----
// Maya's file codes of tangent types are the API's, except auto (18 in a file).
int fileTangent(MFnAnimCurve::TangentType t) { return t == MFnAnimCurve::kTangentAuto ? 18 : static_cast<int>(t); }
bool apiTangent(const std::string& code, MFnAnimCurve::TangentType& out) {
    double v;
    if (!toNumber(code, v) || v != std::floor(v) || v < 0 || (v > MFnAnimCurve::kTangentStepNext && v != 18))
        return false;
    out = v == 18 ? MFnAnimCurve::kTangentAuto : static_cast<MFnAnimCurve::TangentType>(static_cast<int>(v));
    return true;
}

// A value as the file shows it (frames, degrees) in 15 digits when reading those back gives the value kept
// (seconds, radians) exactly, else in 17: "200", not "200.00000000000003", for 200 frames kept in seconds.
template <typename Back>
std::string shortest(double shown, double kept, Back back) {
    if (shown == 0.0) shown = 0.0;  // -0
    char text[40];
    std::snprintf(text, sizeof text, "%.15g", shown);
    double read;
    if (toNumber(text, read) && back(read) == kept) return text;
    return exact(shown);
}
std::string fileTime(double seconds) {
    return shortest(MTime(seconds, MTime::kSeconds).as(MTime::uiUnit()), seconds,
                    [](double t) { return MTime(t, MTime::uiUnit()).as(MTime::kSeconds); });
}
std::string fileTime(const MTime& t) { return fileTime(t.as(MTime::kSeconds)); }
std::string fileValue(const CurveData& c, double value) {
    if (c.type != MFnAnimCurve::kAnimCurveTA) return exact(value);
    return shortest(value * kDegrees, value, [](double degrees) { return degrees / kDegrees; });
}

// As Maya writes them: the time slider in the scene configuration script node, each curve node with its keys
// (time in the file's time unit, value in centimetres, degrees or unitless), the current time on time1, then
// the connections of the curves to their channels.
void writeAnimation(std::ostringstream& out) {
    out << "createNode script -n \"sceneConfigurationScriptNode\";\n";
    out << "\tsetAttr \".b\" -type \"string\" \"playbackOptions -min " << fileTime(MAnimControl::minTime()) << " -max "
        << fileTime(MAnimControl::maxTime()) << " -ast " << fileTime(MAnimControl::animationStartTime()) << " -aet "
        << fileTime(MAnimControl::animationEndTime()) << " \";\n";
    out << "\tsetAttr \".st\" 6;\n";
    std::vector<std::uint32_t> connected;
    for (std::uint32_t d : scene().dependencyNodes()) {
        const Node& node = scene().node(d);
        if (!node.curve) continue;
        const CurveData& c = *node.curve;
        out << "createNode " << node.type->name << " -n " << quoted(node.name) << ";\n";
        out << "\tsetAttr \".tan\" 18;\n\tsetAttr \".wgt\" no;\n";
        if (scene().indexOf(c.driven) != kNoNode) connected.push_back(d);
        const std::size_t n = c.keys.size();
        if (n == 0) continue;
        const std::string range = (n == 1 ? "[0" : "[0:" + std::to_string(n - 1)) + "]\" ";
        out << "\tsetAttr -s " << n << " \".ktv" << range;
        for (const CurveKey& k : c.keys) out << " " << fileTime(k.seconds) << " " << fileValue(c, k.value);
        out << ";\n";
        for (const bool in : {true, false}) {
            bool any = false;
            for (const CurveKey& k : c.keys) any = any || (in ? k.in : k.out) != MFnAnimCurve::kTangentGlobal;
            if (!any) continue;
            out << "\tsetAttr -s " << n << " \"." << (in ? "kit" : "kot") << range;
            for (const CurveKey& k : c.keys) out << " " << fileTangent(in ? k.in : k.out);
            out << ";\n";
        }
    }
    const std::string now = fileTime(MAnimControl::currentTime());
    out << "select -ne :time1;\n\tsetAttr \".o\" " << now << ";\n\tsetAttr \".unw\" " << now << ";\n";
    for (std::uint32_t d : connected) {
        const CurveData& c = *scene().node(d).curve;
        out << "connectAttr " << quoted(scene().node(d).name + ".o") << " "
            << quoted(scene().partialPath(scene().indexOf(c.driven)) + "." +
                      anim::shortName(static_cast<anim::Channel>(c.channel)))
            << ";\n";
    }
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
    out << "currentUnit -l centimeter -a degree -t " << anim::timeUnitName(MTime::uiUnit()) << ";\n";
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
        vector("ra", node.rotateAxis.x * kDegrees, node.rotateAxis.y * kDegrees, node.rotateAxis.z * kDegrees, 0.0);
        if (node.type->fnType == MFn::kJoint)
            vector("jo", node.jointOrient.x * kDegrees, node.jointOrient.y * kDegrees, node.jointOrient.z * kDegrees,
                   0.0);
        if (node.rotation.order != MEulerRotation::kXYZ)
            out << "\tsetAttr \".ro\" " << static_cast<int>(node.rotation.order) << ";\n";
    }
    writeAnimation(out);
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
const std::vector<std::pair<std::string, int>> kSetAttrFlags = {{"-type", 1}, {"-typ", 1},  {"-k", 1}, {"-keyable", 1},
                                                                {"-l", 1},    {"-lock", 1}, {"-s", 1}, {"-size", 1}};
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

// A curve's key array attribute, "ktv[0:2]" or "kot[4]": its name and first and last index.
bool keyArray(const std::string& attribute, std::string& name, long& first, long& last) {
    const std::size_t open = attribute.find('['), close = attribute.find(']');
    if (open == std::string::npos || close != attribute.size() - 1) return false;
    name = attribute.substr(0, open);
    const std::string range = attribute.substr(open + 1, close - open - 1);
    const std::size_t colon = range.find(':');
    double a, b;
    if (!toNumber(range.substr(0, colon), a) ||
        !toNumber(colon == std::string::npos ? range : range.substr(colon + 1), b))
        return false;
    first = static_cast<long>(a), last = static_cast<long>(b);
    return a == first && b == last && first >= 0 && last >= first && (name == "ktv" || name == "kit" || name == "kot");
}

// "" or what is wrong with a setAttr of a curve: its default tangent and weighting, or a key array.
std::string checkCurveAttribute(const std::string& attribute, const std::vector<std::string>& values) {
    if (attribute == "tan" || attribute == "wgt") return values.size() == 1 ? "" : "one value expected";
    std::string name;
    long first, last;
    if (!keyArray(attribute, name, first, last)) return "No attribute '" + attribute + "' on an animation curve";
    const std::size_t per = name == "ktv" ? 2 : 1;
    if (values.size() != per * static_cast<std::size_t>(last - first + 1))
        return "'" + attribute + "' expects " + std::to_string(per * (last - first + 1)) + " values";
    for (const std::string& v : values) {
        double number;
        MFnAnimCurve::TangentType tangent;
        if (per == 2 ? !toNumber(v, number) : !apiTangent(v, tangent)) return "Wrong value '" + v + "'";
    }
    return "";
}

// The scene configuration script's playbackOptions line: only its range flags and numbers.
bool isPlaybackScript(const std::string& script) {
    std::istringstream words(script);
    std::string word;
    if (!(words >> word) || word != "playbackOptions") return false;
    static const char* const flags[] = {
        "-min", "-max", "-ast", "-aet", "-by", "-minTime", "-maxTime", "-animationStartTime", "-animationEndTime"};
    while (words >> word) {
        if (std::find_if(std::begin(flags), std::end(flags), [&](const char* f) { return word == f; }) ==
            std::end(flags))
            return false;
        double value;
        if (!(words >> word) || !toNumber(word, value)) return false;
    }
    return true;
}

// "node.attr" split at its last dot; false for a word without one.
bool splitPlug(const std::string& plug, std::string& node, std::string& attribute) {
    const std::size_t dot = plug.rfind('.');
    if (dot == std::string::npos || dot == 0 || dot + 1 == plug.size()) return false;
    node = plug.substr(0, dot), attribute = plug.substr(dot + 1);
    return true;
}

// Checks every statement before the scene goes: only what writeScene writes, node types this host knows (after
// loading the plug-ins the file requires).
bool checkStatements(const std::vector<Statement>& statements, std::string& error) {
    bool sawHeader = false;
    std::string kind;  // the type of the node setAttr sets: the last createNode's, or ":time1" after select
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
            const std::string time = flagValue(flags, "-t", "-time");
            if ((!linear.empty() && linear != "centimeter" && linear != "cm") ||
                (!angle.empty() && angle != "degree" && angle != "deg") || !rest.empty())
                return error = at + "units other than centimetres and degrees are not read", false;
            if (!time.empty() && anim::timeUnitNamed(time) == MTime::kInvalid)
                return error = at + "unknown time unit '" + time + "'", false;
        } else if (command == "fileInfo") {
            if (st.words.size() != 3) return error = at + "fileInfo expects a key and a value", false;
        } else if (command == "createNode") {
            if (!splitFlags(st, kCreateFlags, flags, rest, error)) return false;
            if (rest.size() != 1 || flagValue(flags, "-n", "-name").empty())
                return error = at + "createNode expects a node type and -n NAME", false;
            kind = rest[0];
            if (kind == "script" && flagValue(flags, "-n", "-name") == "sceneConfigurationScriptNode") continue;
            if (!scene().findType(rest[0])) return error = at + "unknown node type '" + rest[0] + "'", false;
        } else if (command == "setAttr") {
            if (!splitFlags(st, kSetAttrFlags, flags, rest, error)) return false;
            if (rest.size() < 2 || rest[0].size() < 2 || rest[0][0] != '.')
                return error = at + "setAttr expects \".attribute\" of the last node and its value", false;
            const std::string attribute = rest[0].substr(1);
            const std::vector<std::string> values(rest.begin() + 1, rest.end());
            const std::shared_ptr<NodeType> type = scene().findType(kind);
            double number;
            if (type && !type->isDag) {
                const std::string why = checkCurveAttribute(attribute, values);
                if (!why.empty()) return error = at + why, false;
            } else if (kind == "script") {
                const bool configuration = attribute == "b" && values.size() == 1 && isPlaybackScript(values[0]);
                if (!configuration && !(attribute == "st" && values.size() == 1))
                    return error = at + "a script node of this host holds playbackOptions only", false;
            } else if (kind == ":time1") {
                if ((attribute != "o" && attribute != "unw") || values.size() != 1 || !toNumber(values[0], number))
                    return error = at + "time1 takes its time (.o, .unw) only", false;
            } else if (!isKnownAttribute(attribute)) {
                return error = at + "No attribute '" + attribute + "'", false;
            }
        } else if (command == "select") {
            if (st.words.size() != 3 || st.words[1] != "-ne" || st.words[2] != ":time1")
                return error = at + "select is read as 'select -ne :time1' only", false;
            kind = ":time1";
        } else if (command == "connectAttr") {
            std::string node, attribute;
            if (st.words.size() != 3 || !splitPlug(st.words[1], node, attribute) ||
                (attribute != "o" && attribute != "output") || !splitPlug(st.words[2], node, attribute) ||
                anim::channelNamed(attribute, true) == anim::kChannelEnd)
                return error = at + "connectAttr is read as a curve's output to a channel only", false;
        } else if (command == "parent") {
            if (!splitFlags(st, kParentFlags, flags, rest, error)) return false;
            if (rest.size() != 2) return error = at + "parent expects a child and a parent", false;
        } else {
            return error = at + "'" + command +
                           "' is not something this host reads: it opens the Maya ASCII it saves (requires, "
                           "currentUnit, fileInfo, createNode, setAttr, parent, select, connectAttr)",
                   false;
        }
    }
    if (!sawHeader) return error = "not a Maya ASCII scene of this host (no requires maya line)", false;
    return true;
}

// Builds the checked statements into the new scene.
// A curve's key arrays as a file sets them: times and values (ktv) appended in time order, then tangents (kit,
// kot) of keys read already.
std::string setCurveAttribute(CurveData& c, const std::string& attribute, const std::vector<std::string>& values) {
    std::string name;
    long first, last;
    if (!keyArray(attribute, name, first, last)) return "";  // .tan, .wgt: this host's curves are linear, unweighted
    std::vector<CurveKey>& keys = c.keys;
    if (name == "ktv") {
        if (static_cast<std::size_t>(first) != keys.size()) return "keys out of order in '" + attribute + "'";
        const double unit = c.type == MFnAnimCurve::kAnimCurveTA ? 1 / kDegrees : 1.0;
        for (std::size_t k = 0; k + 1 < values.size(); k += 2) {
            double time, value;
            toNumber(values[k], time), toNumber(values[k + 1], value);
            const double seconds = MTime(time, MTime::uiUnit()).as(MTime::kSeconds);
            if (!keys.empty() && !(seconds > keys.back().seconds)) return "key times not rising in '" + attribute + "'";
            keys.push_back(CurveKey{seconds, value * unit, MFnAnimCurve::kTangentGlobal, MFnAnimCurve::kTangentGlobal});
        }
        return "";
    }
    if (static_cast<std::size_t>(last) >= keys.size()) return "tangents of keys not read yet in '" + attribute + "'";
    for (long k = first; k <= last; ++k)
        apiTangent(values[static_cast<std::size_t>(k - first)], name == "kit" ? keys[k].in : keys[k].out);
    return "";
}

bool applyStatements(const std::vector<Statement>& statements, std::string& error) {
    std::uint32_t current = kNoNode;
    bool script = false, time1 = false;  // setAttr sets the configuration script's or time1's attributes
    double now = MAnimControl::currentTime().as(MTime::uiUnit());
    for (const Statement& st : statements) {
        const std::string at = "line " + std::to_string(st.line) + ": ";
        std::vector<std::pair<std::string, std::vector<std::string>>> flags;
        std::vector<std::string> rest;
        const std::string& command = st.words[0];
        if (command == "currentUnit") {
            splitFlags(st, {{"-l", 1}, {"-linear", 1}, {"-a", 1}, {"-angle", 1}, {"-t", 1}, {"-time", 1}}, flags, rest,
                       error);
            const std::string time = flagValue(flags, "-t", "-time");
            if (!time.empty()) MTime::setUIUnit(anim::timeUnitNamed(time));
        } else if (command == "select") {
            current = kNoNode, script = false, time1 = true;
        } else if (command == "connectAttr") {
            std::string source, output, target, attribute;
            splitPlug(st.words[1], source, output), splitPlug(st.words[2], target, attribute);
            const std::uint32_t curve = resolveOne("connectAttr", source, error);
            const std::uint32_t node = curve == kNoNode ? kNoNode : resolveOne("connectAttr", target, error);
            if (node == kNoNode) return error = at + error, false;
            const anim::Channel channel = anim::channelNamed(attribute, true);
            CurveData* c = scene().node(curve).curve.get();
            if (!c || !c->driven.isNull() || !scene().node(node).type->isTransform || node == scene().world() ||
                anim::curveDriving(node, channel) != kNoNode)
                return error = at + "cannot connect '" + st.words[1] + "' to '" + st.words[2] + "'", false;
            c->driven = scene().handle(node);
            c->channel = channel;
        } else if (command == "createNode") {
            splitFlags(st, kCreateFlags, flags, rest, error);
            const std::string name = flagValue(flags, "-n", "-name"), parentName = flagValue(flags, "-p", "-parent");
            script = rest[0] == "script", time1 = false;
            current = kNoNode;
            if (script) continue;
            if (!scene().findType(rest[0])->isDag) {
                current = scene().createDependencyNode(rest[0], name, &error);
                continue;
            }
            std::uint32_t parent = scene().world();
            if (!parentName.empty()) {
                parent = resolveOne("createNode", parentName, error);
                if (parent == kNoNode) return error = at + error, false;
            }
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
            const std::string attribute = rest[0].substr(1);
            const std::vector<std::string> values(rest.begin() + 1, rest.end());
            if (script && attribute == "b") {
                if (!Interpreter::instance().execute(values[0], nullptr, false, false))
                    return error = at + "the scene's playback options are refused", false;
                continue;
            }
            if (script) continue;
            if (time1) {
                if (attribute == "o") toNumber(values[0], now);
                continue;
            }
            if (current == kNoNode) return error = at + "setAttr before any createNode", false;
            const std::string why = scene().node(current).curve
                                        ? setCurveAttribute(*scene().node(current).curve, attribute, values)
                                        : setAttribute(current, attribute, values);
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
    MAnimControl::setCurrentTime(MTime(now, MTime::uiUnit()));  // the channels take their curves' values
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

// ---- workspace ----
// The open workspace's root folder, absolute and ending in '/'; "" until one is opened.
std::string& workspaceRoot() {
    static std::string* root = new std::string();
    return *root;
}

// workspace -q -rootDirectory (the open workspace's root, or the current folder when none is open) and
// workspace -openWorkspace FOLDER (an existing folder).
bool workspace(const std::vector<Arg>& args, Result& result, std::string& error) {
    Parsed p;
    if (!parseFlags("workspace", args, {{"q", "query", 'n'}, {"rd", "rootDirectory", 'n'}, {"o", "openWorkspace", 's'}},
                    p, error))
        return false;
    if (p.has("openWorkspace")) {
        char* resolved = realpath(p.value("openWorkspace").c_str(), nullptr);
        struct stat info;
        const bool folder = resolved && stat(resolved, &info) == 0 && S_ISDIR(info.st_mode);
        const std::string path = resolved ? resolved : "";
        std::free(resolved);
        if (!folder) return error = "workspace: No such folder: '" + p.value("openWorkspace") + "'", false;
        workspaceRoot() = path == "/" ? path : path + "/";
        result.items.assign(1, workspaceRoot());
        return true;
    }
    if (!p.has("query") || !p.has("rootDirectory"))
        return error = "workspace: This host answers -query -rootDirectory and -openWorkspace only", false;
    std::string root = workspaceRoot();
    if (root.empty()) {
        char* here = getcwd(nullptr, 0);
        if (!here) return error = "workspace: The current folder cannot be read", false;
        root = here;
        std::free(here);
        if (root.back() != '/') root += '/';
    }
    result.items.assign(1, root);
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
    anim::resetTimeline();
    workspaceRoot().clear();
    scene().setFileName("");
    scene().markSaved();
}
}  // namespace files

void addSceneCommands(BuiltinTable& table) {
    table["file"] = file;
    table["setAttr"] = setAttr;
    table["workspace"] = workspace;
}

}  // namespace detail
}  // namespace mayastandin
