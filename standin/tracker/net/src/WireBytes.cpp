#include <orvane/tracker/net/WireBytes.h>

#include <array>
#include <cstring>

namespace orvane {
namespace tracker {
namespace net {

namespace {
std::array<std::uint32_t, 256> makeCrcTable() {
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t c = i;
        for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[i] = c;
    }
    return table;
}
}  // namespace

std::uint32_t crc32(const std::uint8_t* data, std::size_t size, std::uint32_t crc) {
    static const std::array<std::uint32_t, 256> table = makeCrcTable();
    crc = ~crc;
    for (std::size_t i = 0; i < size; ++i) crc = table[(crc ^ data[i]) & 0xffu] ^ (crc >> 8);
    return ~crc;
}

void ByteWriter::u16(std::uint16_t v) {
    out_.push_back(static_cast<std::uint8_t>(v));
    out_.push_back(static_cast<std::uint8_t>(v >> 8));
}

void ByteWriter::u32(std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out_.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

void ByteWriter::u64(std::uint64_t v) {
    for (int i = 0; i < 8; ++i) out_.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

void ByteWriter::f32(float v) {
    std::uint32_t bits;
    std::memcpy(&bits, &v, 4);
    u32(bits);
}

void ByteWriter::f64(double v) {
    std::uint64_t bits;
    std::memcpy(&bits, &v, 8);
    u64(bits);
}

void ByteWriter::name(const std::string& s) {
    const std::size_t n = s.size() > 255 ? 255 : s.size();
    u8(static_cast<std::uint8_t>(n));
    bytes(reinterpret_cast<const std::uint8_t*>(s.data()), n);
}

void ByteWriter::patchU32(std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out_.at(at + static_cast<std::size_t>(i)) = static_cast<std::uint8_t>(v >> (8 * i));
}

const std::uint8_t* ByteReader::take(std::size_t n) {
    if (!ok_ || n > size_ - pos_) {
        ok_ = false;
        return nullptr;
    }
    const std::uint8_t* p = data_ + pos_;
    pos_ += n;
    return p;
}

std::uint8_t ByteReader::u8() {
    const std::uint8_t* p = take(1);
    return p ? p[0] : 0;
}

std::uint16_t ByteReader::u16() {
    const std::uint8_t* p = take(2);
    return p ? static_cast<std::uint16_t>(p[0] | p[1] << 8) : 0;
}

std::uint32_t ByteReader::u32() {
    const std::uint8_t* p = take(4);
    if (!p) return 0;
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = v << 8 | p[i];
    return v;
}

std::uint64_t ByteReader::u64() {
    const std::uint8_t* p = take(8);
    if (!p) return 0;
    std::uint64_t v = 0;
    for (int i = 7; i >= 0; --i) v = v << 8 | p[i];
    return v;
}

float ByteReader::f32() {
    const std::uint32_t bits = u32();
    float v;
    std::memcpy(&v, &bits, 4);
    return v;
}

double ByteReader::f64() {
    const std::uint64_t bits = u64();
    double v;
    std::memcpy(&v, &bits, 8);
    return v;
}

std::string ByteReader::name() {
    const std::size_t n = u8();
    const std::uint8_t* p = take(n);
    return p ? std::string(reinterpret_cast<const char*>(p), n) : std::string();
}

}  // namespace net
}  // namespace tracker
}  // namespace orvane
