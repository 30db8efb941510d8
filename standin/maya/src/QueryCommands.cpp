// The commands a user inspects and edits a scene with, as Maya answers them: ls, select, listRelatives, xform,
// getAttr and setAttr. Distances are centimetres, angles degrees (the host's default units); matrices are 16 numbers,
// row by row, translation in the last row.
#include <maya/MFnTransform.h>
#include <maya/MQuaternion.h>
#include "Commands.h"

#include <algorithm>
#include <cmath>
#include <unordered_set>

namespace mayastandin {
namespace detail {
namespace {

constexpr double kDegrees = 180.0 / 3.14159265358979323846;

Scene& scene() { return Scene::instance(); }

// Type names a -type flag accepts: every registered type and the abstract ones above them.
bool isKnownType(const std::string& type) {
    return type == "dagNode" || type == "shape" || type == "animCurve" || scene().findType(type);
}

// Whether a node is of a type or, unless exact, derives from it (a joint is a transform, a locator a shape).
bool isOfType(std::uint32_t index, const std::string& type, bool exact) {
    const NodeType& t = *scene().node(index).type;
    if (t.name == type) return true;
    if (exact) return false;
    if (type == "dagNode") return t.isDag;
    if (type == "animCurve") return t.name.compare(0, 9, "animCurve") == 0;
    if (type == "transform") return t.isTransform;
    if (type == "shape") return t.isShape;
    return t.isShape && t.shapeOf == type;
}

// Keeps the nodes of any of the types (every node when there are none); false with an error for an unknown type.
bool filterByType(const std::string& command, const std::vector<std::string>& types, bool exact,
                  std::vector<std::uint32_t>& nodes, std::string& error) {
    if (types.empty()) return true;
    for (const auto& type : types)
        if (!isKnownType(type)) {
            error = command + ": Unknown object type: " + type;
            return false;
        }
    std::vector<std::uint32_t> kept;
    for (std::uint32_t n : nodes)
        for (const auto& type : types)
            if (isOfType(n, type, exact)) {
                kept.push_back(n);
                break;
            }
    nodes.swap(kept);
    return true;
}

void appendUnique(std::vector<std::uint32_t>& list, std::unordered_set<std::uint32_t>& seen, std::uint32_t n) {
    if (seen.insert(n).second) list.push_back(n);
}

// The objects of a command, each matching at least one node, or the selection when there are none.
bool objectsOrSelection(const std::string& command, const std::vector<std::string>& names,
                        std::vector<std::uint32_t>& nodes, std::string& error) {
    nodes.clear();
    if (names.empty()) {
        nodes = scene().selection();
        return true;
    }
    std::unordered_set<std::uint32_t> seen;
    std::vector<std::uint32_t> found;
    for (const auto& name : names) {
        matchName(name, found);
        if (found.empty()) {
            error = command + ": No object matches name: " + name;
            return false;
        }
        for (std::uint32_t n : found) appendUnique(nodes, seen, n);
    }
    return true;
}

bool isTransformNode(std::uint32_t n) { return n != scene().world() && scene().node(n).type->isTransform; }

void appendVector(Result& result, double x, double y, double z) {
    result.items.push_back(formatNumber(x));
    result.items.push_back(formatNumber(y));
    result.items.push_back(formatNumber(z));
}

void appendMatrix(Result& result, const MMatrix& m) {
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) result.items.push_back(formatNumber(m.matrix[r][c]));
}

// The rotation of a transform in its own rotation order, in degrees: local, or of its world matrix.
MEulerRotation rotationOf(std::uint32_t n, bool world) {
    const Node& node = scene().node(n);
    if (!world) return node.rotation;
    return MEulerRotation::decompose(scene().worldMatrix(n), node.rotation.order);
}

// The rotate value that gives node n the world orientation `world` under its parent, through its rotate axis
// and, for a joint, its orient: its local rotation is [RA][R][JO].
MQuaternion rotateForWorld(std::uint32_t n, const MQuaternion& world) {
    const Node& node = scene().node(n);
    MQuaternion parent;
    parent = scene().worldMatrix(node.parent);
    MQuaternion r = node.rotateAxis.asQuaternion().inverse() * world * parent.inverse();
    if (node.type->fnType == MFn::kJoint) r = r * node.jointOrient.asQuaternion().inverse();
    return r;
}

// ---- ls ----
bool ls(const std::vector<Arg>& args, Result& result, std::string& error) {
    Parsed p;
    if (!parseFlags("ls", args,
                    {{"an", "absoluteName", 'n'},
                     {"l", "long", 'n'},
                     {"sl", "selection", 'n'},
                     {"typ", "type", 's'},
                     {"et", "exactType", 's'}},
                    p, error))
        return false;
    const bool full = p.has("absoluteName") || p.has("long");
    std::vector<std::uint32_t> nodes;
    if (p.objects.empty()) {
        nodes = p.has("selection") ? scene().selection() : allNodes();
    } else {
        std::vector<std::uint32_t> found;
        for (const auto& name : p.objects) {
            matchName(name, found);
            nodes.insert(nodes.end(), found.begin(), found.end());
        }
        if (p.has("selection")) {
            const std::vector<std::uint32_t> selected = scene().selection();
            const std::unordered_set<std::uint32_t> named(nodes.begin(), nodes.end());
            nodes.clear();
            for (std::uint32_t n : selected)
                if (named.count(n)) nodes.push_back(n);
        }
    }
    auto it = p.values.find("type");
    if (it != p.values.end() && !filterByType("ls", it->second, false, nodes, error)) return false;
    it = p.values.find("exactType");
    if (it != p.values.end() && !filterByType("ls", it->second, true, nodes, error)) return false;
    result.isArray = true;
    for (std::uint32_t n : nodes) result.items.push_back(full ? scene().fullPath(n) : scene().partialPath(n));
    return true;
}

// ---- select ----
bool select(const std::vector<Arg>& args, Result&, std::string& error) {
    Parsed p;
    if (!parseFlags("select", args,
                    {{"r", "replace", 'n'},
                     {"add", "add", 'n'},
                     {"af", "addFirst", 'n'},
                     {"d", "deselect", 'n'},
                     {"tgl", "toggle", 'n'},
                     {"cl", "clear", 'n'},
                     {"ne", "noExpand", 'n'}},
                    p, error))
        return false;
    const int modes = p.has("add") + p.has("addFirst") + p.has("deselect") + p.has("toggle") + p.has("replace");
    if (modes > 1) {
        error = "select: Use only one of -replace, -add, -addFirst, -deselect and -toggle";
        return false;
    }
    if (p.has("clear")) {
        scene().setSelection({});
        return true;
    }
    if (p.objects.empty()) {
        error = "select: No objects specified";
        return false;
    }
    std::vector<std::uint32_t> named;
    if (!objectsOrSelection("select", p.objects, named, error)) return false;
    std::vector<std::uint32_t> current = scene().selection();
    auto selected = [&](std::uint32_t n) { return std::find(current.begin(), current.end(), n) != current.end(); };
    std::vector<std::uint32_t> next;
    if (p.has("add")) {
        next = current;
        for (std::uint32_t n : named)
            if (!selected(n)) next.push_back(n);
    } else if (p.has("addFirst")) {
        next = named;
        for (std::uint32_t n : current)
            if (std::find(named.begin(), named.end(), n) == named.end()) next.push_back(n);
    } else if (p.has("deselect")) {
        for (std::uint32_t n : current)
            if (std::find(named.begin(), named.end(), n) == named.end()) next.push_back(n);
    } else if (p.has("toggle")) {
        for (std::uint32_t n : current)
            if (std::find(named.begin(), named.end(), n) == named.end()) next.push_back(n);
        for (std::uint32_t n : named)
            if (!selected(n)) next.push_back(n);
    } else {
        next = named;
    }
    scene().setSelection(next);
    return true;
}

// ---- listRelatives ----
// Descendants in Maya's order: every node after the nodes below it (the reverse of a depth-first walk).
void descendants(std::uint32_t root, std::vector<std::uint32_t>& out) {
    std::vector<std::uint32_t> order;
    std::vector<std::uint32_t> stack;
    const auto& top = scene().children(root);
    stack.assign(top.rbegin(), top.rend());
    while (!stack.empty()) {
        const std::uint32_t n = stack.back();
        stack.pop_back();
        order.push_back(n);
        const auto& ch = scene().children(n);
        stack.insert(stack.end(), ch.rbegin(), ch.rend());
    }
    out.insert(out.end(), order.rbegin(), order.rend());
}

bool listRelatives(const std::vector<Arg>& args, Result& result, std::string& error) {
    Parsed p;
    if (!parseFlags("listRelatives", args,
                    {{"c", "children", 'n'},
                     {"p", "parent", 'n'},
                     {"ad", "allDescendents", 'n'},
                     {"s", "shapes", 'n'},
                     {"f", "fullPath", 'n'},
                     {"pa", "path", 'n'},
                     {"typ", "type", 's'},
                     {"ni", "noIntermediate", 'n'}},
                    p, error))
        return false;
    if (p.has("parent") + p.has("allDescendents") + p.has("children") > 1) {
        error = "listRelatives: Use only one of -children, -parent and -allDescendents";
        return false;
    }
    std::vector<std::uint32_t> objects;
    if (!objectsOrSelection("listRelatives", p.objects, objects, error)) return false;
    std::vector<std::uint32_t> related;
    std::unordered_set<std::uint32_t> seen;
    for (std::uint32_t n : objects) {
        if (p.has("parent")) {
            const std::uint32_t parent = scene().node(n).parent;
            if (parent != scene().world() && parent != kNoNode) appendUnique(related, seen, parent);
        } else if (p.has("allDescendents")) {
            std::vector<std::uint32_t> below;
            descendants(n, below);
            for (std::uint32_t d : below) appendUnique(related, seen, d);
        } else {
            for (std::uint32_t c : scene().children(n)) appendUnique(related, seen, c);
        }
    }
    if (p.has("shapes")) {
        std::vector<std::uint32_t> shapes;
        for (std::uint32_t n : related)
            if (scene().node(n).type->isShape) shapes.push_back(n);
        related.swap(shapes);
    }
    auto types = p.values.find("type");
    if (types != p.values.end() && !filterByType("listRelatives", types->second, false, related, error)) return false;
    result.isArray = true;
    for (std::uint32_t n : related) {
        if (p.has("fullPath"))
            result.items.push_back(scene().fullPath(n));
        else if (p.has("path"))
            result.items.push_back(scene().partialPath(n));
        else
            result.items.push_back(scene().node(n).name);
    }
    return true;
}

// ---- xform ----
struct XformArgs {
    bool query = false, worldSpace = false, relative = false;
    bool translation = false, rotation = false, rotateAxis = false, matrix = false;
    double t[3] = {0, 0, 0}, r[3] = {0, 0, 0}, ra[3] = {0, 0, 0};
    std::vector<std::string> objects;
};

// Flags first, like the parser of the other commands, except that -translation and -rotation take three
// numbers when they set values (a "-5" among them is a number).
bool parseXform(const std::vector<Arg>& args, XformArgs& x, std::string& error) {
    for (const Arg& a : args)
        if (a.literal && (a.text == "-q" || a.text == "-query")) x.query = true;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const Arg& a = args[i];
        if (!a.literal || a.text.size() < 2 || a.text[0] != '-' || isNumeric(a.text)) {
            x.objects.push_back(a.text);
            continue;
        }
        const std::string& f = a.text;
        auto three = [&](double* out) {
            if (x.query) return true;
            for (int k = 0; k < 3; ++k) {
                if (i + 1 >= args.size() || !toNumber(args[i + 1].text, out[k])) {
                    error = "xform: Flag '" + f + "' expects three numbers";
                    return false;
                }
                ++i;
            }
            return true;
        };
        if (f == "-q" || f == "-query") {
        } else if (f == "-ws" || f == "-worldSpace") {
            x.worldSpace = true;
        } else if (f == "-os" || f == "-objectSpace") {
            x.worldSpace = false;
        } else if (f == "-a" || f == "-absolute") {
            x.relative = false;
        } else if (f == "-r" || f == "-relative") {
            x.relative = true;
        } else if (f == "-t" || f == "-translation") {
            x.translation = true;
            if (!three(x.t)) return false;
        } else if (f == "-ro" || f == "-rotation") {
            x.rotation = true;
            if (!three(x.r)) return false;
        } else if (f == "-ra" || f == "-rotateAxis") {
            x.rotateAxis = true;
            if (!three(x.ra)) return false;
        } else if (f == "-m" || f == "-matrix") {
            x.matrix = true;
            if (!x.query) {
                error = "xform: Flag '" + f + "' can only be queried";
                return false;
            }
        } else {
            error = "xform: Invalid flag '" + f + "'";
            return false;
        }
    }
    return true;
}

bool xform(const std::vector<Arg>& args, Result& result, std::string& error) {
    XformArgs x;
    if (!parseXform(args, x, error)) return false;
    const int asked = x.translation + x.rotation + x.rotateAxis + x.matrix;
    if (x.query && asked != 1) {
        error = "xform: Query exactly one of -translation, -rotation, -rotateAxis and -matrix";
        return false;
    }
    if (!x.query && asked == 0) {
        error = "xform: Nothing to set: give -translation, -rotation or -rotateAxis";
        return false;
    }
    std::vector<std::uint32_t> nodes;
    if (!objectsOrSelection("xform", x.objects, nodes, error)) return false;
    if (nodes.empty()) {
        error = "xform: No objects specified";
        return false;
    }
    for (std::uint32_t n : nodes)
        if (!isTransformNode(n)) {
            error = "xform: '" + scene().partialPath(n) + "' is not a transform";
            return false;
        }
    if (x.query) {
        result.isArray = true;
        for (std::uint32_t n : nodes) {
            if (x.matrix) {
                appendMatrix(result, x.worldSpace ? scene().worldMatrix(n) : scene().localMatrix(n));
            } else if (x.translation) {
                const MMatrix m = x.worldSpace ? scene().worldMatrix(n) : scene().localMatrix(n);
                appendVector(result, m.matrix[3][0], m.matrix[3][1], m.matrix[3][2]);
            } else if (x.rotateAxis) {
                const MEulerRotation& e = scene().node(n).rotateAxis;
                appendVector(result, e.x * kDegrees, e.y * kDegrees, e.z * kDegrees);
            } else {
                const MEulerRotation e = rotationOf(n, x.worldSpace);
                appendVector(result, e.x * kDegrees, e.y * kDegrees, e.z * kDegrees);
            }
        }
        return true;
    }
    const MSpace::Space space = x.worldSpace ? MSpace::kWorld : MSpace::kTransform;
    ValueEdit edit("xform", nodes);
    for (std::uint32_t n : nodes) {
        MFnTransform transform(scene().handle(n));
        if (x.translation) {
            MVector t(x.t[0], x.t[1], x.t[2]);
            if (x.relative) t += transform.getTranslation(space);
            transform.setTranslation(t, space);
        }
        if (x.rotateAxis) {
            scene().node(n).rotateAxis = MEulerRotation(x.ra[0] / kDegrees, x.ra[1] / kDegrees, x.ra[2] / kDegrees);
            scene().transformChanged(n);
        }
        if (x.rotation) {
            MEulerRotation e(x.r[0] / kDegrees, x.r[1] / kDegrees, x.r[2] / kDegrees, scene().node(n).rotation.order);
            if (x.relative) {
                const MEulerRotation now = rotationOf(n, x.worldSpace);
                e = MEulerRotation(now.x + e.x, now.y + e.y, now.z + e.z, e.order);
            }
            if (x.worldSpace)
                transform.setRotation(rotateForWorld(n, e.asQuaternion()), MSpace::kTransform);
            else
                transform.setRotation(e);
        }
    }
    edit.record();
    return true;
}

// ---- getAttr and setAttr ----
// The attributes this host keeps, by long and short name: a transform's translate, rotate, scale and
// rotateAxis and a joint's jointOrient (each whole or one axis; angles in degrees), rotateOrder; every DAG
// node's visibility.
struct VectorAttribute {
    const char* longName;
    const char* shortName;
    bool jointOnly;
    double unit;  // stored value times unit = the value getAttr gives
};
const VectorAttribute kVectorAttributes[] = {
    {"translate", "t", false, 1.0},        {"rotate", "r", false, kDegrees},      {"scale", "s", false, 1.0},
    {"rotateAxis", "ra", false, kDegrees}, {"jointOrient", "jo", true, kDegrees},
};

// The vector attribute `attribute` names on node n and its axis (-1 for all three); null when none.
const VectorAttribute* findVector(std::uint32_t n, const std::string& attribute, int& axis) {
    if (!isTransformNode(n)) return nullptr;
    const bool joint = scene().node(n).type->fnType == MFn::kJoint;
    const char axes[] = {'X', 'Y', 'Z'};
    for (const VectorAttribute& v : kVectorAttributes) {
        if (v.jointOnly && !joint) continue;
        if (attribute == v.longName || attribute == v.shortName) {
            axis = -1;
            return &v;
        }
        for (int k = 0; k < 3; ++k) {
            const char lower = static_cast<char>(axes[k] - 'X' + 'x');
            if (attribute == std::string(v.longName) + axes[k] || attribute == std::string(v.shortName) + lower) {
                axis = k;
                return &v;
            }
        }
    }
    return nullptr;
}

// Where node n keeps axis k of an attribute, as stored (radians for angles).
double& component(Node& node, const VectorAttribute& v, int k) {
    const std::string name = v.longName;
    if (name == "translate") return k == 0 ? node.translation.x : (k == 1 ? node.translation.y : node.translation.z);
    if (name == "rotate") return node.rotation[k];
    if (name == "scale") return node.scale[k];
    if (name == "rotateAxis") return node.rotateAxis[k];
    return node.jointOrient[k];
}

bool attributeValues(std::uint32_t n, const std::string& attribute, Result& result) {
    const Node& node = scene().node(n);
    if (attribute == "visibility" || attribute == "v") {
        result.items.push_back(node.visible ? "1" : "0");
        return true;
    }
    int axis = -1;
    if (const VectorAttribute* v = findVector(n, attribute, axis)) {
        for (int k = axis < 0 ? 0 : axis; k < (axis < 0 ? 3 : axis + 1); ++k)
            result.items.push_back(formatNumber(component(scene().node(n), *v, k) * v->unit));
        result.isArray = axis < 0;
        return true;
    }
    if (isTransformNode(n) && (attribute == "rotateOrder" || attribute == "ro")) {
        result.items.push_back(std::to_string(static_cast<int>(node.rotation.order)));
        return true;
    }
    return false;
}

// The node a plug ("node.attribute") names, and its attribute; kNoNode with an error otherwise.
std::uint32_t plugNode(const std::string& command, const std::string& plug, std::string& attribute,
                       std::string& error) {
    const std::size_t dot = plug.rfind('.');
    if (dot == std::string::npos || dot == 0 || dot + 1 == plug.size()) {
        error = command + ": No attribute was specified in '" + plug + "'";
        return kNoNode;
    }
    std::vector<std::uint32_t> found;
    scene().resolve(plug.substr(0, dot), found);
    if (found.size() > 1) {
        error = command + ": More than one object matches name: " + plug;
        return kNoNode;
    }
    if (found.empty()) {
        error = command + ": No object matches name: " + plug;
        return kNoNode;
    }
    attribute = plug.substr(dot + 1);
    return found[0];
}

}  // namespace

bool setVectorAttr(const std::vector<Arg>& args, std::string& error) {
    Parsed p;
    if (!parseFlags("setAttr", args, {{"typ", "type", 's'}}, p, error)) return false;
    if (p.objects.empty()) {
        error = "setAttr: Expected an attribute, as node.attribute, and its values";
        return false;
    }
    std::string attribute;
    const std::uint32_t n = plugNode("setAttr", p.objects[0], attribute, error);
    if (n == kNoNode) return false;
    std::vector<double> values;
    for (std::size_t k = 1; k < p.objects.size(); ++k) {
        double d;
        if (!toNumber(p.objects[k], d)) {
            error = "setAttr: Not a number: '" + p.objects[k] + "'";
            return false;
        }
        values.push_back(d);
    }
    Node& node = scene().node(n);
    int axis = -1;
    const VectorAttribute* v = findVector(n, attribute, axis);
    const bool visibility = attribute == "visibility" || attribute == "v";
    const bool order = isTransformNode(n) && (attribute == "rotateOrder" || attribute == "ro");
    if (!v && !visibility && !order) {
        error = "setAttr: No object matches name: " + p.objects[0];
        return false;
    }
    const std::size_t wanted = v && axis < 0 ? 3 : 1;
    if (values.size() != wanted) {
        error = "setAttr: '" + p.objects[0] + "' takes " + std::to_string(wanted) + " value" +
                (wanted == 1 ? "" : "s") + ", got " + std::to_string(values.size());
        return false;
    }
    if (visibility) {
        scene().setVisible(n, values[0] != 0.0);
    } else if (order) {
        if (values[0] < 0 || values[0] > 5 || values[0] != std::floor(values[0])) {
            error = "setAttr: rotateOrder is 0 to 5, got " + p.objects[1];
            return false;
        }
        node.rotation.order = static_cast<MEulerRotation::RotationOrder>(static_cast<int>(values[0]));
        scene().transformChanged(n);
    } else {
        for (std::size_t k = 0; k < values.size(); ++k)
            component(node, *v, axis < 0 ? static_cast<int>(k) : axis) = values[k] / v->unit;
        if (std::string(v->longName) == "scale")
            scene().scaleChanged(n);
        else
            scene().transformChanged(n);
    }
    return true;
}

namespace {

bool getAttr(const std::vector<Arg>& args, Result& result, std::string& error) {
    Parsed p;
    if (!parseFlags("getAttr", args, {}, p, error)) return false;
    if (p.objects.size() != 1) {
        error = "getAttr: Expected one attribute, as node.attribute";
        return false;
    }
    std::string attribute;
    const std::uint32_t n = plugNode("getAttr", p.objects[0], attribute, error);
    if (n == kNoNode) return false;
    if (!attributeValues(n, attribute, result)) {
        result = Result();
        error = "getAttr: No object matches name: " + p.objects[0];
        return false;
    }
    return true;
}

}  // namespace

namespace {
bool isPattern(const std::string& name) {
    return name.find_first_of("*?") != std::string::npos && name.find('|') == std::string::npos;
}

}  // namespace

void matchName(const std::string& name, std::vector<std::uint32_t>& out) {
    out.clear();
    if (!isPattern(name)) {
        scene().resolve(name, out);
        return;
    }
    for (std::uint32_t n : allNodes())
        if (globMatch(name.c_str(), scene().node(n).name.c_str())) out.push_back(n);
}

void addQueryCommands(BuiltinTable& table) {
    table["ls"] = ls;
    table["select"] = select;
    table["listRelatives"] = listRelatives;
    table["xform"] = xform;
    table["getAttr"] = getAttr;
}

}  // namespace detail
}  // namespace mayastandin
