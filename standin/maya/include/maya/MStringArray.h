#pragma once
// Array of MString.
#include <maya/MString.h>
#include <vector>

OPENMAYA_NAMESPACE_OPEN

class OPENMAYA_EXPORT MStringArray {
public:
    MStringArray() {}
    MStringArray(unsigned int initialSize, const MString& initialValue) : fItems(initialSize, initialValue) {}
    MString operator[](unsigned int index) const { return fItems[index]; }
    MString& operator[](unsigned int index) { return fItems[index]; }
    unsigned int length() const { return static_cast<unsigned int>(fItems.size()); }
    MStatus setLength(unsigned int length) {
        fItems.resize(length);
        return MStatus::kSuccess;
    }
    MStatus append(const MString& element) {
        fItems.push_back(element);
        return MStatus::kSuccess;
    }
    MStatus remove(unsigned int index);
    MStatus insert(const MString& element, unsigned int index);
    MStatus clear() {
        fItems.clear();
        return MStatus::kSuccess;
    }

private:
    std::vector<MString> fItems;
};

OPENMAYA_NAMESPACE_CLOSE
