#pragma once
// Byte string (UTF-8). format(), set(), toLowerCase() and toUpperCase() change *this; format replaces
// ^1s..^10s with its arguments.
#include <maya/MStatus.h>
#include <iosfwd>
#include <string>

OPENMAYA_NAMESPACE_OPEN

class OPENMAYA_EXPORT MString {
public:
    MString();
    MString(const char* charString);
    MString(const char* charString, int charLength);
    MString(const MString& other);
    MString& operator=(const MString& other);
    MString& operator=(const char* other);
    MString& operator=(double value);
    ~MString();

    MString& operator+=(const MString& other);
    MString& operator+=(const char* other);
    MString& operator+=(double other);
    MString& operator+=(int other);
    MString& operator+=(unsigned int other);
    MString& operator+=(float other);
    // Numbers concatenate as doubles: there is no int overload.
    MString operator+(const MString& other) const;
    MString operator+(const char* other) const;
    MString operator+(double other) const;

    bool operator==(const MString& other) const;
    bool operator==(const char* other) const;
    bool operator!=(const MString& other) const;
    bool operator!=(const char* other) const;

    const char* asChar() const;
    const char* asUTF8() const;
    unsigned int length() const;
    unsigned int numChars() const;
    void clear();
    MStatus set(const char* charString);
    MStatus set(const char* charString, int charLength);
    MStatus set(double value);
    MStatus set(double value, int precision);

    int index(char c) const;
    int rindex(char c) const;
    MString substring(int start, int end) const;
    MStatus split(char c, MStringArray& output) const;
    // Change this string and return it (no copy is made).
    MString& toLowerCase();
    MString& toUpperCase();
    bool isInt() const;
    bool isDouble() const;
    int asInt() const;
    double asDouble() const;

    MStatus format(const MString& fmt, const MString& arg1 = argUnused, const MString& arg2 = argUnused,
                   const MString& arg3 = argUnused, const MString& arg4 = argUnused, const MString& arg5 = argUnused,
                   const MString& arg6 = argUnused, const MString& arg7 = argUnused, const MString& arg8 = argUnused,
                   const MString& arg9 = argUnused, const MString& arg10 = argUnused);

private:
    static const MString argUnused;
    std::string fData;
};

OPENMAYA_EXPORT MString operator+(const char* lhs, const MString& rhs);
OPENMAYA_EXPORT std::ostream& operator<<(std::ostream& os, const MString& s);

OPENMAYA_NAMESPACE_CLOSE
