#include <orvane/tracker/net/Udp.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

namespace orvane {
namespace tracker {
namespace net {

sockaddr_in Endpoint::sockaddr() const {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(address);
    a.sin_port = htons(port);
    return a;
}

Endpoint Endpoint::from(const sockaddr_in& a) { return Endpoint{ntohl(a.sin_addr.s_addr), ntohs(a.sin_port)}; }

std::string Endpoint::text() const { return addressText(address) + ":" + std::to_string(port); }

std::string addressText(std::uint32_t address) {
    return std::to_string(address >> 24) + "." + std::to_string((address >> 16) & 255) + "." +
           std::to_string((address >> 8) & 255) + "." + std::to_string(address & 255);
}

bool parseAddress(const std::string& host, std::uint32_t& out) {
    if (host == "localhost") {
        out = 0x7F000001u;
        return true;
    }
    in_addr a{};
    if (inet_pton(AF_INET, host.c_str(), &a) != 1) return false;
    out = ntohl(a.s_addr);
    return true;
}

bool parseEndpoint(const std::string& hostPort, Endpoint& out, std::string& error, bool allowZeroPort) {
    const std::size_t colon = hostPort.rfind(':');
    if (colon == std::string::npos) {
        error = "'" + hostPort + "' is not host:port";
        return false;
    }
    Endpoint e;
    if (!parseAddress(hostPort.substr(0, colon), e.address)) {
        error = "'" + hostPort.substr(0, colon) + "' is not an IPv4 address";
        return false;
    }
    const std::string port = hostPort.substr(colon + 1);
    char* end = nullptr;
    errno = 0;
    const long value = port.empty() ? -1 : std::strtol(port.c_str(), &end, 10);
    if (port.empty() || errno != 0 || *end != '\0' || value < (allowZeroPort ? 0 : 1) || value > 65535) {
        error = "'" + port + "' is not a port number";
        return false;
    }
    e.port = static_cast<std::uint16_t>(value);
    out = e;
    return true;
}

long long wallClockUs() {
    using namespace std::chrono;
    return duration_cast<microseconds>(system_clock::now().time_since_epoch()).count();
}

static std::string systemError(const std::string& what, int error) { return what + ": " + std::strerror(error); }

UdpSocket& UdpSocket::operator=(UdpSocket&& o) noexcept {
    if (this != &o) {
        close();
        fd_ = o.fd_;
        o.fd_ = -1;
    }
    return *this;
}

void UdpSocket::close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

std::string UdpSocket::open(const Endpoint& bindTo, bool reuseAddress) {
    close();
    fd_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd_ < 0) return systemError("cannot create a UDP socket", errno);
    if (reuseAddress) {
        const int on = 1;
        ::setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    }
    const sockaddr_in a = bindTo.sockaddr();
    if (::bind(fd_, reinterpret_cast<const ::sockaddr*>(&a), sizeof a) != 0) {
        const int error = errno;
        close();
        return systemError("cannot bind UDP " + bindTo.text(), error);
    }
    return {};
}

std::string UdpSocket::connect(const Endpoint& peer) {
    const sockaddr_in a = peer.sockaddr();
    if (::connect(fd_, reinterpret_cast<const ::sockaddr*>(&a), sizeof a) != 0)
        return systemError("cannot address " + peer.text(), errno);
    return {};
}

std::string UdpSocket::joinGroup(std::uint32_t group, std::uint32_t interfaceAddress) {
    ip_mreq request{};
    request.imr_multiaddr.s_addr = htonl(group);
    request.imr_interface.s_addr = htonl(interfaceAddress);
    if (::setsockopt(fd_, IPPROTO_IP, IP_ADD_MEMBERSHIP, &request, sizeof request) != 0)
        return systemError("cannot join multicast group " + addressText(group) + " on " + addressText(interfaceAddress),
                           errno);
    return {};
}

std::string UdpSocket::setMulticastSender(std::uint32_t interfaceAddress) {
    in_addr a{};
    a.s_addr = htonl(interfaceAddress);
    const unsigned char ttl = 0, loop = 1;
    if (::setsockopt(fd_, IPPROTO_IP, IP_MULTICAST_IF, &a, sizeof a) != 0 ||
        ::setsockopt(fd_, IPPROTO_IP, IP_MULTICAST_TTL, &ttl, sizeof ttl) != 0 ||
        ::setsockopt(fd_, IPPROTO_IP, IP_MULTICAST_LOOP, &loop, sizeof loop) != 0)
        return systemError("cannot send multicast through " + addressText(interfaceAddress), errno);
    return {};
}

void UdpSocket::setBuffers(int bytes) {
    ::setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &bytes, sizeof bytes);
    ::setsockopt(fd_, SOL_SOCKET, SO_SNDBUF, &bytes, sizeof bytes);
}

Endpoint UdpSocket::local() const {
    sockaddr_in a{};
    socklen_t length = sizeof a;
    if (fd_ < 0 || ::getsockname(fd_, reinterpret_cast<::sockaddr*>(&a), &length) != 0) return {};
    return Endpoint::from(a);
}

int UdpSocket::sendTo(const void* data, std::size_t size, const Endpoint& to) {
    const sockaddr_in a = to.sockaddr();
    const ssize_t n = ::sendto(fd_, data, size, MSG_NOSIGNAL, reinterpret_cast<const ::sockaddr*>(&a), sizeof a);
    return n < 0 ? errno : 0;
}

int UdpSocket::send(const void* data, std::size_t size) {
    const ssize_t n = ::send(fd_, data, size, MSG_NOSIGNAL);
    return n < 0 ? errno : 0;
}

long UdpSocket::receive(void* buffer, std::size_t capacity, Endpoint& from) {
    sockaddr_in a{};
    socklen_t length = sizeof a;
    const ssize_t n = ::recvfrom(fd_, buffer, capacity, 0, reinterpret_cast<::sockaddr*>(&a), &length);
    if (n < 0) return -errno;
    from = Endpoint::from(a);
    return static_cast<long>(n);
}

}  // namespace net
}  // namespace tracker
}  // namespace orvane
