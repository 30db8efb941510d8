#pragma once
// An array of callback ids, as MMessage::removeCallbacks takes them.
#include <maya/MMessage.h>
#include <vector>

OPENMAYA_NAMESPACE_OPEN

class OPENMAYA_EXPORT MCallbackIdArray {
public:
    MCallbackIdArray();
    MCallbackIdArray(const MCallbackIdArray& other);
    MCallbackIdArray(unsigned int initialSize, MCallbackId initialValue = 0);
    MCallbackIdArray(const MCallbackId src[], unsigned int count);
    ~MCallbackIdArray();
    MCallbackId operator[](unsigned int index) const;
    MCallbackId& operator[](unsigned int index);
    MCallbackIdArray& operator=(const MCallbackIdArray& other);
    MStatus set(MCallbackId element, unsigned int index);
    MStatus setLength(unsigned int length);
    unsigned int length() const;
    MStatus remove(unsigned int index);
    MStatus insert(MCallbackId element, unsigned int index);
    MStatus append(MCallbackId element);
    MStatus copy(const MCallbackIdArray& source);
    MStatus clear();
    MStatus get(MCallbackId array[]) const;
    void setSizeIncrement(unsigned int newIncrement);
    unsigned int sizeIncrement() const;
    static const char* className();

private:
    std::vector<MCallbackId> fIds;
    unsigned int fSizeIncrement;
};

OPENMAYA_NAMESPACE_CLOSE
