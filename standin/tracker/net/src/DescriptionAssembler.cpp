#include <orvane/tracker/net/WireCodec.h>

#include <cstring>

namespace orvane {
namespace tracker {
namespace net {

void DescriptionAssembler::reset() { *this = DescriptionAssembler(); }

WireStatus DescriptionAssembler::add(const Datagram& d) {
    if (d.type != MessageType::Descriptions) return WireStatus{WireError::BadType, "expected a DESCRIPTIONS datagram"};
    ByteReader r(d.payload, d.payloadSize);
    const std::uint32_t revision = r.u32();
    const std::uint32_t total = r.u32();
    const std::uint32_t chunk = r.u32();
    const std::uint16_t index = r.u16();
    const std::uint16_t count = r.u16();
    if (!r.ok()) return WireStatus{WireError::BadPayload, "DESCRIPTIONS chunk header truncated"};
    if (total > kMaxSceneBytes) return WireStatus{WireError::TooLarge, "DESCRIPTIONS exceed 4 MiB"};
    if (chunk == 0 || chunk > kMaxChunkBytes)
        return WireStatus{WireError::BadPayload, "DESCRIPTIONS chunk size out of range"};
    const std::size_t expectedCount = total == 0 ? 1 : (static_cast<std::size_t>(total) + chunk - 1) / chunk;
    if (count != expectedCount || index >= count)
        return WireStatus{WireError::BadPayload, "DESCRIPTIONS chunk numbering is inconsistent"};
    const std::size_t begin = static_cast<std::size_t>(index) * chunk;
    const std::size_t length = std::min<std::size_t>(total - begin, chunk);
    if (r.remaining() != length)
        return WireStatus{WireError::BadPayload, "DESCRIPTIONS chunk " + std::to_string(index) + " holds " +
                                                     std::to_string(r.remaining()) + " bytes, expected " +
                                                     std::to_string(length)};

    if (started_ && revision == revision_ && complete_) return {};
    if (!started_ || revision != revision_ || total != totalBytes_ || chunk != chunkBytes_) {
        reset();
        started_ = true;
        revision_ = revision;
        totalBytes_ = total;
        chunkBytes_ = chunk;
        chunkCount_ = count;
        have_.assign(count, false);
        buffer_.assign(total, 0);
    }
    const std::uint8_t* bytes = r.take(length);
    if (length) std::memcpy(buffer_.data() + begin, bytes, length);
    if (!have_[index]) {
        have_[index] = true;
        ++received_;
    }
    if (received_ == chunkCount_) {
        SceneDef scene;
        const WireStatus s = decodeScene(buffer_.data(), buffer_.size(), scene);
        if (!s) {
            reset();
            return s;
        }
        scene_ = std::move(scene);
        complete_ = true;
        buffer_.clear();
        buffer_.shrink_to_fit();
    }
    return {};
}

}  // namespace net
}  // namespace tracker
}  // namespace orvane
