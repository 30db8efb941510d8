// Bounded reads of SDK records.

#include <cstring>

#include <gtest/gtest.h>

#include "OrvaneRecords.h"
#include "RecordAccess.h"

namespace {

using orvane::boundedName;
using orvane::clampCount;
using orvane::pointerName;
using orvane::pointerNameAt;

TEST(RecordAccess, InlineNamesStopAtTheBufferEnd) {
    sMarkerSetFrame set;
    std::memset(set.name, 'A', sizeof set.name);  // no terminator anywhere
    set.markerCount = 0x7f7f7f7f;                 // bytes right after the buffer are not part of the name
    EXPECT_EQ(boundedName(set.name).length, 256u);
    EXPECT_EQ(boundedName(set.name).str(), std::string(256, 'A'));

    std::strcpy(set.name, "Hips");
    EXPECT_EQ(boundedName(set.name).str(), "Hips");
    set.name[0] = '\0';
    EXPECT_TRUE(boundedName(set.name).empty());

    sBodyFrame body;
    std::memset(body.name, 'b', sizeof body.name);
    EXPECT_EQ(boundedName(body.name).length, 128u);
}

TEST(RecordAccess, PointerNamesHandleNullAndAreBounded) {
    EXPECT_TRUE(pointerName(nullptr).empty());
    EXPECT_TRUE(pointerNameAt(nullptr, 3).empty());
    char* names[2] = {const_cast<char*>("a b"), nullptr};
    EXPECT_EQ(pointerNameAt(names, 0).str(), "a b");
    EXPECT_TRUE(pointerNameAt(names, 1).empty());
    std::string longName(orvane::kMaxPointerNameLength + 100, 'x');
    EXPECT_EQ(pointerName(longName.c_str()).length, orvane::kMaxPointerNameLength);
}

TEST(RecordAccess, CountsAreClampedAndNullArraysAreEmpty) {
    EXPECT_EQ(clampCount(-1, 200), 0);
    EXPECT_EQ(clampCount(-2147483647 - 1, 200), 0);
    EXPECT_EQ(clampCount(201, 200), 200);
    EXPECT_EQ(clampCount(2147483647, 200), 200);
    EXPECT_EQ(clampCount(5, 200), 5);
    int array[1];
    EXPECT_EQ(clampCount(5, nullptr), 0);
    EXPECT_EQ(clampCount(5, array), 5);
    EXPECT_EQ(clampCount(-5, array), 0);
    EXPECT_EQ(clampCount(5, array, 3), 3);
}

}  // namespace
