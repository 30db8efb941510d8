#pragma once
// Shared by the fuzzers: a front-to-back reader of the fuzzer's bytes (zeros once they run out, so every input
// decodes to something) and the check that turns a broken property into a crash libFuzzer records.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace fuzz {

class FuzzInput {
public:
    FuzzInput(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    std::uint8_t u8() { return pos_ < size_ ? data_[pos_++] : 0; }
    std::uint32_t u32() {
        std::uint32_t v = 0;
        for (int i = 0; i < 4; ++i) v |= static_cast<std::uint32_t>(u8()) << (8 * i);
        return v;
    }
    std::uint64_t u64() { return u32() | static_cast<std::uint64_t>(u32()) << 32; }
    // Up to n bytes: fewer when the input ends first.
    std::string bytes(std::size_t n) {
        const std::size_t k = n < size_ - pos_ ? n : size_ - pos_;
        std::string s(reinterpret_cast<const char*>(data_ + pos_), k);
        pos_ += k;
        return s;
    }
    std::string rest() { return bytes(size_ - pos_); }
    bool done() const { return pos_ >= size_; }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

// A property every input must keep; a violation aborts, which libFuzzer reports as a crash with the input.
inline void check(bool ok, const std::string& what) {
    if (ok) return;
    std::fprintf(stderr, "fuzz property violated: %s\n", what.c_str());
    std::abort();
}

}  // namespace fuzz
