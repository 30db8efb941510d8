#pragma once
// Reads a command's arguments against its syntax. isFlagSet accepts the short or the long name.
#include <maya/MSyntax.h>
#include <maya/MArgList.h>

OPENMAYA_NAMESPACE_OPEN

class OPENMAYA_EXPORT MArgParser {
public:
    MArgParser();
    MArgParser(const MSyntax& syntax, const MArgList& argList, MStatus* ReturnStatus = NULL);
    virtual ~MArgParser();

    bool isFlagSet(const char* flag, MStatus* ReturnStatus = NULL) const;
    bool isEdit(MStatus* ReturnStatus = NULL) const;
    bool isQuery(MStatus* ReturnStatus = NULL) const;
    unsigned int numberOfFlagsUsed() const;
    unsigned int numberOfFlagUses(const char* flag) const;
    MStatus getFlagArgument(const char* flag, unsigned int index, bool& result) const;
    MStatus getFlagArgument(const char* flag, unsigned int index, int& result) const;
    MStatus getFlagArgument(const char* flag, unsigned int index, double& result) const;
    MStatus getFlagArgument(const char* flag, unsigned int index, MString& result) const;
    bool flagArgumentBool(const char* flag, unsigned int index, MStatus* ReturnStatus = NULL) const;
    int flagArgumentInt(const char* flag, unsigned int index, MStatus* ReturnStatus = NULL) const;
    double flagArgumentDouble(const char* flag, unsigned int index, MStatus* ReturnStatus = NULL) const;
    MString flagArgumentString(const char* flag, unsigned int index, MStatus* ReturnStatus = NULL) const;
    MStatus getCommandArgument(unsigned int index, MString& result) const;
    MStatus getObjects(MStringArray& result) const;

private:
    friend class MStandinAccess;
    struct FlagUse {
        std::string shortName;
        std::string longName;
        std::vector<MString> values;
    };
    const FlagUse* findUse(const char* flag) const;
    std::vector<FlagUse> fUses;
    std::vector<MString> fCommandArgs;
    std::vector<MString> fObjects;
    bool fEdit;
    bool fQuery;
    MString fError;
};

OPENMAYA_NAMESPACE_CLOSE
