#pragma once
// Flags and objects a command accepts. Flag names are given with their leading '-'.
#include <maya/MString.h>
#include <vector>

OPENMAYA_NAMESPACE_OPEN

class OPENMAYA_EXPORT MSyntax {
public:
    enum MArgType {
        kInvalidArgType,
        kNoArg,
        kBoolean,
        kLong,
        kDouble,
        kString,
        kUnsigned,
        kDistance,
        kAngle,
        kTime,
        kSelectionItem,
        kLastArgType
    };
    enum MObjectFormat { kInvalidObjectFormat, kNone, kStringObjects, kSelectionList, kLastObjectFormat };

    MSyntax();
    MSyntax(const MSyntax& other) = default;
    MSyntax& operator=(const MSyntax& other) = default;
    virtual ~MSyntax() {}

    MStatus addFlag(const char* shortName, const char* longName, MArgType argType1 = kNoArg, MArgType argType2 = kNoArg,
                    MArgType argType3 = kNoArg, MArgType argType4 = kNoArg, MArgType argType5 = kNoArg,
                    MArgType argType6 = kNoArg);
    MStatus addArg(MArgType arg);
    MStatus makeFlagMultiUse(const char* flag);
    MStatus setObjectType(MObjectFormat objectFormat, unsigned int minimumObjects = 0);
    MStatus setObjectType(MObjectFormat objectFormat, unsigned int minimumObjects, unsigned int maximumObjects);
    void useSelectionAsDefault(bool /*useSelectionList*/ = false) {}
    void enableQuery(bool supportsQuery = true) { fQuery = supportsQuery; }
    void enableEdit(bool supportsEdit = true) { fEdit = supportsEdit; }

private:
    friend class MStandinAccess;
    friend class MArgParser;
    struct Flag {
        std::string shortName;
        std::string longName;
        std::vector<int> argTypes;
        bool multiUse;
    };
    const Flag* findFlag(const char* name) const;
    std::vector<Flag> fFlags;
    std::vector<int> fArgs;
    int fObjectFormat;
    unsigned int fMinObjects;
    unsigned int fMaxObjects;
    bool fQuery;
    bool fEdit;
};

OPENMAYA_NAMESPACE_CLOSE
