#pragma once
// Bounded reads of SDK records. Names in fixed buffers may fill the buffer without a NUL; counts may be
// negative or larger than the array that holds them; arrays may be null. Every reader of SDK records goes
// through these helpers, so no malformed record is read outside its bounds.

#include <cstddef>
#include <cstring>
#include <string>

namespace orvane {

// Longest name read through a pointer. Such names have no buffer size to bound them; the limit keeps a
// missing terminator from running through memory.
const std::size_t kMaxPointerNameLength = 4096;

// A name inside an SDK record: not owned, not necessarily NUL-terminated at data + length.
struct RecordName {
    const char* data;
    std::size_t length;

    std::string str() const { return std::string(data, length); }
    bool empty() const { return length == 0; }
};

// A name held inline in a buffer of `capacity` bytes: it ends at the first NUL or at the buffer's end.
inline RecordName boundedName(const char* buffer, std::size_t capacity) {
    if (buffer == nullptr) return RecordName{"", 0};
    const void* nul = std::memchr(buffer, '\0', capacity);
    const std::size_t length = nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - buffer) : capacity;
    return RecordName{buffer, length};
}

template <std::size_t N>
inline RecordName boundedName(const char (&buffer)[N]) {
    return boundedName(buffer, N);
}

// A name reached through a pointer (possibly null), bounded by kMaxPointerNameLength.
inline RecordName pointerName(const char* name) {
    if (name == nullptr) return RecordName{"", 0};
    std::size_t length = 0;
    while (length < kMaxPointerNameLength && name[length] != '\0') ++length;
    return RecordName{name, length};
}

// Entry `index` of an array of name pointers, or an empty name when the array is null.
inline RecordName pointerNameAt(char* const* names, int index) {
    return names == nullptr ? RecordName{"", 0} : pointerName(names[index]);
}

// A count as the reader may use it: negative counts are 0, counts above `capacity` are `capacity`.
inline int clampCount(int count, int capacity) {
    if (count < 0) return 0;
    return count > capacity ? capacity : count;
}

// A count for an array reached through a pointer: 0 when the array is null, never negative,
// and at most `capacity` when the reader knows one.
inline int clampCount(int count, const void* array, int capacity) {
    return array == nullptr ? 0 : clampCount(count, capacity);
}

// No capacity known beyond the count itself.
const int kUnboundedCount = 0x7fffffff;

inline int clampCount(int count, const void* array) { return clampCount(count, array, kUnboundedCount); }

}  // namespace orvane
