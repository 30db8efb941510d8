// MArgList, MSyntax and MArgParser.
#include <maya/MArgList.h>
#include <maya/MSyntax.h>
#include <maya/MArgParser.h>
#include "Internal.h"

#include <cstdlib>
#include <cstring>

OPENMAYA_NAMESPACE_OPEN

namespace {
void setStatus(MStatus* s, MStatus v) {
    if (s) *s = v;
}
bool parseBool(const std::string& v, bool& out) {
    if (v == "true" || v == "on" || v == "yes" || v == "1") return out = true, true;
    if (v == "false" || v == "off" || v == "no" || v == "0") return out = false, true;
    return false;
}
bool parseInt(const std::string& v, int& out) {
    if (v.empty()) return false;
    char* end = nullptr;
    const long r = std::strtol(v.c_str(), &end, 10);
    if (*end != '\0') return false;
    out = static_cast<int>(r);
    return true;
}
bool parseDouble(const std::string& v, double& out) {
    if (v.empty()) return false;
    char* end = nullptr;
    out = std::strtod(v.c_str(), &end);
    return *end == '\0';
}
bool isNumber(const std::string& v) {
    double d;
    return parseDouble(v, d);
}
// "-rl" and "rl" both name the flag "-rl".
std::string dashed(const char* flag) {
    if (!flag) return std::string();
    return flag[0] == '-' ? std::string(flag) : "-" + std::string(flag);
}
}  // namespace

// ---- MArgList ----
const unsigned int MArgList::kInvalidArgIndex = 0xffffffffu;
unsigned int MArgList::length(MStatus* rs) const {
    setStatus(rs, MStatus::kSuccess);
    return static_cast<unsigned int>(fArgs.size());
}
bool MArgList::asBool(unsigned int i, MStatus* rs) const {
    bool v = false;
    setStatus(rs, i < fArgs.size() && parseBool(fArgs[i].asChar(), v) ? MStatus::kSuccess : MStatus::kInvalidParameter);
    return v;
}
int MArgList::asInt(unsigned int i, MStatus* rs) const {
    int v = 0;
    setStatus(rs, i < fArgs.size() && parseInt(fArgs[i].asChar(), v) ? MStatus::kSuccess : MStatus::kInvalidParameter);
    return v;
}
double MArgList::asDouble(unsigned int i, MStatus* rs) const {
    double v = 0.0;
    setStatus(rs,
              i < fArgs.size() && parseDouble(fArgs[i].asChar(), v) ? MStatus::kSuccess : MStatus::kInvalidParameter);
    return v;
}
MString MArgList::asString(unsigned int i, MStatus* rs) const {
    setStatus(rs, i < fArgs.size() ? MStatus::kSuccess : MStatus::kInvalidParameter);
    return i < fArgs.size() ? fArgs[i] : MString();
}
unsigned int MArgList::flagIndex(const char* shortFlag, const char* longFlag) const {
    const std::string s = dashed(shortFlag), l = dashed(longFlag);
    for (std::size_t i = 0; i < fArgs.size(); ++i)
        if (fArgs[i] == s.c_str() || (longFlag && fArgs[i] == l.c_str())) return static_cast<unsigned int>(i);
    return kInvalidArgIndex;
}
MStatus MArgList::addArg(const MString& a) {
    fArgs.push_back(a);
    return MStatus::kSuccess;
}
MStatus MArgList::addArg(int a) {
    fArgs.push_back(MString(std::to_string(a).c_str()));
    return MStatus::kSuccess;
}
MStatus MArgList::addArg(double a) {
    MString s;
    s.set(a);
    fArgs.push_back(s);
    return MStatus::kSuccess;
}
MStatus MArgList::addArg(bool a) {
    fArgs.push_back(a ? "true" : "false");
    return MStatus::kSuccess;
}

// ---- MSyntax ----
MSyntax::MSyntax()
    : fObjectFormat(kInvalidObjectFormat), fMinObjects(0), fMaxObjects(0xffffffffu), fQuery(false), fEdit(false) {}
MStatus MSyntax::addFlag(const char* shortName, const char* longName, MArgType a1, MArgType a2, MArgType a3,
                         MArgType a4, MArgType a5, MArgType a6) {
    if (!shortName || shortName[0] != '-' || std::strlen(shortName) < 2)
        return MStandinAccess::status(MStatus::kInvalidParameter, "(kInvalidParameter): Flag names start with '-'");
    const std::string l = longName ? longName : "";
    if (findFlag(shortName) || (!l.empty() && findFlag(l.c_str())))
        return MStandinAccess::status(MStatus::kFailure, "(kFailure): Flag is already defined");
    Flag f{shortName, l, {}, false};
    for (MArgType t : {a1, a2, a3, a4, a5, a6})
        if (t != kNoArg && t != kInvalidArgType) f.argTypes.push_back(t);
    fFlags.push_back(f);
    return MStatus::kSuccess;
}
MStatus MSyntax::addArg(MArgType arg) {
    fArgs.push_back(arg);
    return MStatus::kSuccess;
}
MStatus MSyntax::makeFlagMultiUse(const char* flag) {
    for (auto& f : fFlags)
        if (f.shortName == dashed(flag) || f.longName == dashed(flag)) {
            f.multiUse = true;
            return MStatus::kSuccess;
        }
    return MStatus::kInvalidParameter;
}
MStatus MSyntax::setObjectType(MObjectFormat format, unsigned int minimum) {
    return setObjectType(format, minimum, 0xffffffffu);
}
MStatus MSyntax::setObjectType(MObjectFormat format, unsigned int minimum, unsigned int maximum) {
    fObjectFormat = format;
    fMinObjects = minimum;
    fMaxObjects = format == kNone ? 0 : maximum;
    return MStatus::kSuccess;
}
const MSyntax::Flag* MSyntax::findFlag(const char* name) const {
    const std::string n = dashed(name);
    for (const auto& f : fFlags)
        if (f.shortName == n || (!f.longName.empty() && f.longName == n)) return &f;
    return nullptr;
}

// ---- MArgParser ----
MArgParser::MArgParser() : fEdit(false), fQuery(false) {}
MArgParser::~MArgParser() {}

MArgParser::MArgParser(const MSyntax& syntax, const MArgList& args, MStatus* rs) : fEdit(false), fQuery(false) {
    auto fail = [&](const std::string& text) {
        fError = text.c_str();
        setStatus(rs, MStandinAccess::status(MStatus::kInvalidParameter, text.c_str()));
    };
    std::size_t commandArg = 0;
    const unsigned n = args.length();
    for (unsigned i = 0; i < n; ++i) {
        const std::string a = args.asString(i).asChar();
        if (a.size() > 1 && a[0] == '-' && !isNumber(a)) {
            if (syntax.fEdit && (a == "-e" || a == "-edit")) {
                fEdit = true;
                continue;
            }
            if (syntax.fQuery && (a == "-q" || a == "-query")) {
                fQuery = true;
                continue;
            }
            const MSyntax::Flag* f = syntax.findFlag(a.c_str());
            if (!f) {
                fail("Invalid flag: " + a);
                return;
            }
            FlagUse use{f->shortName, f->longName, {}};
            if (!f->multiUse && findUse(f->shortName.c_str())) {
                fail("Flag " + a + " can only be used once");
                return;
            }
            for (std::size_t k = 0; k < f->argTypes.size(); ++k) {
                if (i + 1 >= n) {
                    fail("Flag " + a + " needs " + std::to_string(f->argTypes.size()) + " argument(s)");
                    return;
                }
                const std::string v = args.asString(++i).asChar();
                bool b;
                int iv;
                double d;
                switch (f->argTypes[k]) {
                    case MSyntax::kBoolean:
                        if (!parseBool(v, b)) {
                            fail("Flag " + a + " expects a boolean, got '" + v + "'");
                            return;
                        }
                        break;
                    case MSyntax::kLong:
                    case MSyntax::kUnsigned:
                        if (!parseInt(v, iv)) {
                            fail("Flag " + a + " expects an integer, got '" + v + "'");
                            return;
                        }
                        break;
                    case MSyntax::kDouble:
                    case MSyntax::kDistance:
                    case MSyntax::kAngle:
                    case MSyntax::kTime:
                        if (!parseDouble(v, d)) {
                            fail("Flag " + a + " expects a number, got '" + v + "'");
                            return;
                        }
                        break;
                    default: break;
                }
                use.values.push_back(MString(v.c_str()));
            }
            fUses.push_back(use);
        } else if (commandArg < syntax.fArgs.size()) {
            ++commandArg;
            fCommandArgs.push_back(MString(a.c_str()));
        } else {
            fObjects.push_back(MString(a.c_str()));
        }
    }
    if (fObjects.size() < syntax.fMinObjects) {
        fail("Too few objects or values");
        return;
    }
    if (fObjects.size() > syntax.fMaxObjects) {
        fail("Too many objects or values");
        return;
    }
    setStatus(rs, MStatus::kSuccess);
}

const MArgParser::FlagUse* MArgParser::findUse(const char* flag) const {
    const std::string n = dashed(flag);
    for (const auto& u : fUses)
        if (u.shortName == n || (!u.longName.empty() && u.longName == n)) return &u;
    return nullptr;
}
bool MArgParser::isFlagSet(const char* flag, MStatus* rs) const {
    setStatus(rs, MStatus::kSuccess);
    return findUse(flag) != nullptr;
}
bool MArgParser::isEdit(MStatus* rs) const {
    setStatus(rs, MStatus::kSuccess);
    return fEdit;
}
bool MArgParser::isQuery(MStatus* rs) const {
    setStatus(rs, MStatus::kSuccess);
    return fQuery;
}
unsigned int MArgParser::numberOfFlagsUsed() const { return static_cast<unsigned int>(fUses.size()); }
unsigned int MArgParser::numberOfFlagUses(const char* flag) const {
    const std::string n = dashed(flag);
    unsigned c = 0;
    for (const auto& u : fUses)
        if (u.shortName == n || u.longName == n) ++c;
    return c;
}
MStatus MArgParser::getFlagArgument(const char* flag, unsigned int index, MString& result) const {
    const FlagUse* u = findUse(flag);
    if (!u || index >= u->values.size()) return MStatus::kInvalidParameter;
    result = u->values[index];
    return MStatus::kSuccess;
}
MStatus MArgParser::getFlagArgument(const char* flag, unsigned int index, bool& result) const {
    MString s;
    MStatus st = getFlagArgument(flag, index, s);
    if (!st) return st;
    return parseBool(s.asChar(), result) ? MStatus::kSuccess : MStatus::kInvalidParameter;
}
MStatus MArgParser::getFlagArgument(const char* flag, unsigned int index, int& result) const {
    MString s;
    MStatus st = getFlagArgument(flag, index, s);
    if (!st) return st;
    return parseInt(s.asChar(), result) ? MStatus::kSuccess : MStatus::kInvalidParameter;
}
MStatus MArgParser::getFlagArgument(const char* flag, unsigned int index, double& result) const {
    MString s;
    MStatus st = getFlagArgument(flag, index, s);
    if (!st) return st;
    return parseDouble(s.asChar(), result) ? MStatus::kSuccess : MStatus::kInvalidParameter;
}
bool MArgParser::flagArgumentBool(const char* flag, unsigned int index, MStatus* rs) const {
    bool v = false;
    setStatus(rs, getFlagArgument(flag, index, v));
    return v;
}
int MArgParser::flagArgumentInt(const char* flag, unsigned int index, MStatus* rs) const {
    int v = 0;
    setStatus(rs, getFlagArgument(flag, index, v));
    return v;
}
double MArgParser::flagArgumentDouble(const char* flag, unsigned int index, MStatus* rs) const {
    double v = 0.0;
    setStatus(rs, getFlagArgument(flag, index, v));
    return v;
}
MString MArgParser::flagArgumentString(const char* flag, unsigned int index, MStatus* rs) const {
    MString v;
    setStatus(rs, getFlagArgument(flag, index, v));
    return v;
}
MStatus MArgParser::getCommandArgument(unsigned int index, MString& result) const {
    if (index >= fCommandArgs.size()) return MStatus::kInvalidParameter;
    result = fCommandArgs[index];
    return MStatus::kSuccess;
}
MStatus MArgParser::getObjects(MStringArray& result) const {
    result.clear();
    for (const auto& o : fObjects) result.append(o);
    return MStatus::kSuccess;
}

std::string MStandinAccess::checkArgs(const MSyntax& syntax, const std::vector<std::string>& args) {
    MArgList list;
    for (const auto& a : args) list.addArg(MString(a.c_str()));
    MStatus status;
    MArgParser parser(syntax, list, &status);
    return status ? std::string() : std::string(parser.fError.asChar());
}

OPENMAYA_NAMESPACE_CLOSE
