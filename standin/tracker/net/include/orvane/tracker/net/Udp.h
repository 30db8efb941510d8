#pragma once
// Thin IPv4 UDP helpers shared by the tracking-server simulator and the SDK's network receiver.
// No name resolution: hosts are dotted IPv4 addresses or "localhost" (127.0.0.1), so nothing here ever asks a
// resolver on the network. Sockets are non-blocking and close on destruction.

#include <netinet/in.h>

#include <cstdint>
#include <string>

namespace orvane {
namespace tracker {
namespace net {

struct Endpoint {
    std::uint32_t address = 0;  // host byte order
    std::uint16_t port = 0;

    sockaddr_in sockaddr() const;
    static Endpoint from(const sockaddr_in& a);
    std::string text() const;  // "127.0.0.1:7001"
    bool operator==(const Endpoint& o) const { return address == o.address && port == o.port; }
    bool operator!=(const Endpoint& o) const { return !(*this == o); }
};

// "a.b.c.d" or "localhost"; false for anything else.
bool parseAddress(const std::string& host, std::uint32_t& out);
// "host:port" with a port 1..65535 (allowZeroPort: 0 too). On failure 'error' says what is wrong.
bool parseEndpoint(const std::string& hostPort, Endpoint& out, std::string& error, bool allowZeroPort = false);
std::string addressText(std::uint32_t address);
inline bool isLoopback(std::uint32_t address) { return (address >> 24) == 127; }
inline bool isMulticast(std::uint32_t address) { return (address >> 28) == 0xE; }

long long wallClockUs();  // microseconds since the Unix epoch, the clock of the datagram send times

// Owns one socket descriptor. Move-only.
class UdpSocket {
public:
    UdpSocket() = default;
    ~UdpSocket() { close(); }
    UdpSocket(UdpSocket&& o) noexcept : fd_(o.fd_) { o.fd_ = -1; }
    UdpSocket& operator=(UdpSocket&& o) noexcept;
    UdpSocket(const UdpSocket&) = delete;
    UdpSocket& operator=(const UdpSocket&) = delete;

    // Each returns "" or an error text naming the address and the system's reason.
    std::string open(const Endpoint& bindTo, bool reuseAddress = false);
    std::string connect(const Endpoint& peer);  // only datagrams from peer arrive; ICMP errors are reported
    std::string joinGroup(std::uint32_t group, std::uint32_t interfaceAddress);
    // Outgoing multicast leaves through interfaceAddress's interface, is looped back to this host and gets
    // TTL 0, so it never leaves the host.
    std::string setMulticastSender(std::uint32_t interfaceAddress);
    void setBuffers(int bytes);

    Endpoint local() const;
    int fd() const { return fd_; }
    bool isOpen() const { return fd_ >= 0; }
    void close();

    // 0 on success, else errno (EAGAIN when the send buffer is full).
    int sendTo(const void* data, std::size_t size, const Endpoint& to);
    int send(const void* data, std::size_t size);  // connected sockets
    // Bytes read (>= 0), or -errno (-EAGAIN when nothing is waiting).
    long receive(void* buffer, std::size_t capacity, Endpoint& from);

private:
    int fd_ = -1;
};

}  // namespace net
}  // namespace tracker
}  // namespace orvane
