#pragma once
// Arguments of a command, as the interpreter split them (strings; numbers are converted on request).
#include <maya/MString.h>
#include <maya/MStringArray.h>
#include <vector>

OPENMAYA_NAMESPACE_OPEN

class OPENMAYA_EXPORT MArgList {
public:
    MArgList() {}
    MArgList(const MArgList& other) = default;
    MArgList& operator=(const MArgList& other) = default;
    ~MArgList() {}

    unsigned int length(MStatus* ReturnStatus = NULL) const;
    bool asBool(unsigned int index, MStatus* ReturnStatus = NULL) const;
    int asInt(unsigned int index, MStatus* ReturnStatus = NULL) const;
    double asDouble(unsigned int index, MStatus* ReturnStatus = NULL) const;
    MString asString(unsigned int index, MStatus* ReturnStatus = NULL) const;
    unsigned int flagIndex(const char* shortFlag, const char* longFlag = NULL) const;
    MStatus addArg(const MString& arg);
    MStatus addArg(int arg);
    MStatus addArg(double arg);
    MStatus addArg(bool arg);

    static const unsigned int kInvalidArgIndex;

private:
    std::vector<MString> fArgs;
};

OPENMAYA_NAMESPACE_CLOSE
