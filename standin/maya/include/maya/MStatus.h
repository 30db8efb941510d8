#pragma once
// Result of an API call. Converts to bool (true on success); errorString() says what went wrong.
#include <maya/MTypes.h>

OPENMAYA_NAMESPACE_OPEN

class OPENMAYA_EXPORT MStatus {
public:
    enum MStatusCode {
        kSuccess = 0,
        kFailure,
        kInsufficientMemory,
        kInvalidParameter,
        kLicenseFailure,
        kUnknownParameter,
        kNotImplemented,
        kNotFound,
        kEndOfFile
    };

    MStatus() : fStatusCode(kSuccess), fMessage(NULL) {}
    MStatus(MStatusCode code) : fStatusCode(code), fMessage(NULL) {}
    MStatus(const MStatus& other) = default;
    MStatus& operator=(const MStatus& other) = default;

    bool operator==(const MStatus& other) const { return fStatusCode == other.fStatusCode; }
    bool operator==(MStatusCode code) const { return fStatusCode == code; }
    bool operator!=(const MStatus& other) const { return fStatusCode != other.fStatusCode; }
    bool operator!=(MStatusCode code) const { return fStatusCode != code; }
    operator bool() const { return fStatusCode == kSuccess; }

    bool error() const { return fStatusCode != kSuccess; }
    void clear() {
        fStatusCode = kSuccess;
        fMessage = NULL;
    }
    MStatusCode statusCode() const { return fStatusCode; }
    MString errorString() const;
    // Writes "<text>: <errorString>" to the host's error display.
    void perror(const char* text) const;
    void perror(const MString& text) const;

    friend bool operator==(MStatusCode code, const MStatus& status) { return status.fStatusCode == code; }
    friend bool operator!=(MStatusCode code, const MStatus& status) { return status.fStatusCode != code; }

private:
    friend class MStandinAccess;
    // A status with its own message text (interned, never freed); made by the host only.
    MStatus(MStatusCode code, const char* message);
    MStatusCode fStatusCode;
    const char* fMessage;
};

typedef MStatus MS;

OPENMAYA_NAMESPACE_CLOSE

using Autodesk::Maya::OpenMaya20180000::MS;
