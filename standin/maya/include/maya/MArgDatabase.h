#pragma once
// MArgParser with the same construction; kept as a separate name as in the host API.
#include <maya/MArgParser.h>

OPENMAYA_NAMESPACE_OPEN

class OPENMAYA_EXPORT MArgDatabase : public MArgParser {
public:
    MArgDatabase() {}
    MArgDatabase(const MSyntax& syntax, const MArgList& argList, MStatus* ReturnStatus = NULL)
        : MArgParser(syntax, argList, ReturnStatus) {}
    virtual ~MArgDatabase() {}
};

OPENMAYA_NAMESPACE_CLOSE
