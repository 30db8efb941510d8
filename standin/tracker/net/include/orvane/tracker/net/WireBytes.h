#pragma once
// Little-endian byte encoding shared by the encoders and decoders, and the datagram checksum.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace orvane {
namespace tracker {
namespace net {

// CRC-32 (IEEE 802.3, reflected, polynomial 0xEDB88320, as zlib): crc32("123456789") == 0xCBF43926.
// Feed pieces by passing the previous result as 'crc'.
std::uint32_t crc32(const std::uint8_t* data, std::size_t size, std::uint32_t crc = 0);

// Appends values; floats are written as their IEEE-754 bit patterns.
class ByteWriter {
public:
    explicit ByteWriter(std::vector<std::uint8_t>& out) : out_(out) {}

    void u8(std::uint8_t v) { out_.push_back(v); }
    void u16(std::uint16_t v);
    void u32(std::uint32_t v);
    void u64(std::uint64_t v);
    void i16(std::int16_t v) { u16(static_cast<std::uint16_t>(v)); }
    void i64(std::int64_t v) { u64(static_cast<std::uint64_t>(v)); }
    void f32(float v);
    void f64(double v);
    void bytes(const std::uint8_t* data, std::size_t size) { out_.insert(out_.end(), data, data + size); }
    // One length byte, then the bytes; the caller keeps names within 255 bytes.
    void name(const std::string& s);
    void patchU32(std::size_t at, std::uint32_t v);

private:
    std::vector<std::uint8_t>& out_;
};

// Reads from a bounded buffer. A read past the end fails the reader for good and returns zeros, so a decoder can
// read a whole record and check ok() once before using any of it.
class ByteReader {
public:
    ByteReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    std::uint8_t u8();
    std::uint16_t u16();
    std::uint32_t u32();
    std::uint64_t u64();
    std::int16_t i16() { return static_cast<std::int16_t>(u16()); }
    std::int64_t i64() { return static_cast<std::int64_t>(u64()); }
    float f32();
    double f64();
    std::string name();
    const std::uint8_t* take(std::size_t n);  // null (and failed) when fewer than n bytes remain

    bool ok() const { return ok_; }
    std::size_t remaining() const { return ok_ ? size_ - pos_ : 0; }
    std::size_t position() const { return pos_; }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
    bool ok_ = true;
};

}  // namespace net
}  // namespace tracker
}  // namespace orvane
