#include "tests/status/IcmpWatch.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

#include "platform/IcmpSocket.h"

namespace kestrune::test {
namespace {

// The test's own checksum, written apart from the probe's on purpose: a
// packet the probe gets wrong must not be judged by the same code.
std::uint16_t checksum(const unsigned char *data, std::size_t size) {
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i + 1 < size; i += 2)
        sum += static_cast<std::uint32_t>(data[i] << 8 | data[i + 1]);
    if (size % 2 != 0)
        sum += static_cast<std::uint32_t>(data[size - 1] << 8);
    while (sum >> 16)
        sum = (sum & 0xFFFFu) + (sum >> 16);
    return static_cast<std::uint16_t>(~sum);
}

std::uint16_t be16(const unsigned char *p) { return static_cast<std::uint16_t>(p[0] << 8 | p[1]); }

void putBe16(unsigned char *p, std::uint16_t v) {
    p[0] = static_cast<unsigned char>(v >> 8);
    p[1] = static_cast<unsigned char>(v & 0xFF);
}

bool parse(const unsigned char *data, std::size_t size, IcmpPacket &out) {
    if (size < 20)
        return false;
    const std::size_t ihl = static_cast<std::size_t>(data[0] & 0x0F) * 4;
    if (ihl < 20 || size < ihl + 8)
        return false;
    out.ttl = data[8];
    std::memcpy(&out.source, data + 12, 4);
    std::memcpy(&out.destination, data + 16, 4);
    const unsigned char *icmp = data + ihl;
    const std::size_t icmpSize = size - ihl;
    out.type = icmp[0];
    out.code = icmp[1];
    out.identifier = be16(icmp + 4);
    out.sequence = be16(icmp + 6);
    out.payload.assign(reinterpret_cast<const char *>(icmp + 8), icmpSize - 8);
    out.checksumValid = checksum(icmp, icmpSize) == 0;
    return true;
}

} // namespace

std::uint32_t ipv4(const char *dotted) {
    in_addr address{};
    if (::inet_pton(AF_INET, dotted, &address) != 1)
        throw std::invalid_argument(dotted);
    return address.s_addr;
}

IcmpWatch::IcmpWatch(Reaction onProbe)
    : fd_(::socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC | SOCK_NONBLOCK, IPPROTO_ICMP)),
      onProbe_(std::move(onProbe)) {
    if (fd_ < 0)
        throw std::runtime_error(std::string("raw ICMP listener: ") + std::strerror(errno));
    thread_ = std::thread([this] { run(); });
}

IcmpWatch::~IcmpWatch() {
    finish();
    ::close(fd_);
}

std::vector<IcmpPacket> IcmpWatch::finish() {
    stopping_ = true;
    if (thread_.joinable())
        thread_.join();
    const std::lock_guard<std::mutex> lock(mutex_);
    return seen_;
}

void IcmpWatch::run() {
    while (!stopping_) {
        pollfd pfd{fd_, POLLIN, 0};
        ::poll(&pfd, 1, 10);
        drain();
    }
    drain(); // whatever arrived just before the stop
}

void IcmpWatch::drain() {
    for (;;) {
        unsigned char buffer[2048];
        const ssize_t got = ::recv(fd_, buffer, sizeof buffer, MSG_DONTWAIT);
        if (got < 0)
            return;
        IcmpPacket packet;
        if (!parse(buffer, static_cast<std::size_t>(got), packet))
            continue;
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            seen_.push_back(packet);
        }
        if (!reacted_ && onProbe_ && packet.isEchoRequest() &&
            packet.payload == std::string(platform::kEchoPayload, platform::kEchoPayloadSize)) {
            reacted_ = true;
            onProbe_(packet);
        }
    }
}

std::vector<IcmpPacket> echoRequests(const std::vector<IcmpPacket> &packets) {
    std::vector<IcmpPacket> requests;
    for (const IcmpPacket &p : packets)
        if (p.isEchoRequest())
            requests.push_back(p);
    return requests;
}

bool sendForged(const ForgedEcho &forged) {
    const int fd = ::socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_RAW); // implies IP_HDRINCL
    if (fd < 0)
        return false;
    std::vector<unsigned char> packet(20 + 8 + forged.payload.size());
    unsigned char *ip = packet.data();
    ip[0] = 0x45;
    putBe16(ip + 2, static_cast<std::uint16_t>(packet.size()));
    ip[8] = 64;
    ip[9] = IPPROTO_ICMP;
    std::memcpy(ip + 12, &forged.source, 4);
    std::memcpy(ip + 16, &forged.destination, 4); // the kernel fills in the header checksum
    unsigned char *icmp = ip + 20;
    icmp[0] = static_cast<unsigned char>(forged.type);
    putBe16(icmp + 4, forged.identifier);
    putBe16(icmp + 6, forged.sequence);
    std::memcpy(icmp + 8, forged.payload.data(), forged.payload.size());
    putBe16(icmp + 2, checksum(icmp, 8 + forged.payload.size()));

    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = forged.destination;
    const ssize_t sent = ::sendto(fd, packet.data(), packet.size(), 0,
                                  reinterpret_cast<const sockaddr *>(&to), sizeof to);
    ::close(fd);
    return sent == static_cast<ssize_t>(packet.size());
}

} // namespace kestrune::test
