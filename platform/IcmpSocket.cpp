#include "platform/IcmpSocket.h"

#include "platform/Exception.h"

#include <QString>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>

#ifndef _WIN32
#include <arpa/inet.h>
#include <cerrno>
#include <linux/icmp.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>
#else
#include <algorithm>
#include <winsock2.h>
#include <windows.h>
#endif

namespace kestrune::platform {

bool CancelToken::cancelled() const { return cancelled_.load(std::memory_order_acquire); }

#ifndef _WIN32

namespace {

// Milliseconds left until `deadline`, rounded up so that a wait never ends
// before it; 0 once it has passed.
int millisecondsUntil(std::chrono::steady_clock::time_point deadline) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

std::uint16_t internetChecksum(const unsigned char *data, std::size_t size) {
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i + 1 < size; i += 2)
        sum += static_cast<std::uint32_t>(data[i] << 8 | data[i + 1]);
    if (size % 2 != 0)
        sum += static_cast<std::uint32_t>(data[size - 1] << 8);
    while (sum >> 16)
        sum = (sum & 0xFFFFu) + (sum >> 16);
    return static_cast<std::uint16_t>(~sum);
}

std::uint16_t readBigEndian16(const unsigned char *p) {
    return static_cast<std::uint16_t>(p[0] << 8 | p[1]);
}

void writeBigEndian16(unsigned char *p, std::uint16_t value) {
    p[0] = static_cast<unsigned char>(value >> 8);
    p[1] = static_cast<unsigned char>(value & 0xFF);
}

// Every request of the process gets its own sequence number, so that two
// probes in flight at once (or one that timed out a moment ago) can never
// take each other's replies.
std::uint16_t nextSequence() {
    static std::atomic<std::uint16_t> counter{0};
    return static_cast<std::uint16_t>(counter.fetch_add(1, std::memory_order_relaxed) + 1);
}

constexpr std::size_t kIcmpHeaderSize = 8;
constexpr unsigned char kEchoRequestType = 8;
constexpr unsigned char kEchoReplyType = 0;

} // namespace

CancelToken::CancelToken() : fd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
    if (fd_ < 0)
        throw Exception(QStringLiteral("无法创建事件：%1").arg(QString::fromLocal8Bit(std::strerror(errno))));
}

CancelToken::~CancelToken() { ::close(fd_); }

void CancelToken::cancel() {
    if (cancelled_.exchange(true, std::memory_order_acq_rel))
        return;
    // The counter is never read back, so the descriptor stays readable.
    const std::uint64_t one = 1;
    [[maybe_unused]] const auto written = ::write(fd_, &one, sizeof one);
}

bool CancelToken::waitFor(std::chrono::milliseconds duration) const {
    const auto deadline = std::chrono::steady_clock::now() + duration;
    for (;;) {
        if (cancelled())
            return true;
        const int left = millisecondsUntil(deadline);
        if (left == 0)
            return false;
        pollfd pfd{fd_, POLLIN, 0};
        ::poll(&pfd, 1, left); // EINTR or not, the loop looks again
    }
}

std::uint32_t dottedAddress(const char *text) { return ::inet_addr(text); }

std::optional<std::uint32_t> firstIpv4Address(const char *name, const CancelToken *cancel) {
    if (cancel != nullptr) {
        return lookupCancellable([text = std::string(name)] { return firstIpv4Address(text.c_str()); },
                                 *cancel);
    }
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM; // one entry per address instead of one per socket type
    addrinfo *found = nullptr;
    if (::getaddrinfo(name, nullptr, &hints, &found) != 0 || found == nullptr)
        return std::nullopt;
    std::optional<std::uint32_t> address;
    if (found->ai_family == AF_INET && found->ai_addr != nullptr)
        address = reinterpret_cast<const sockaddr_in *>(found->ai_addr)->sin_addr.s_addr;
    ::freeaddrinfo(found);
    return address;
}

namespace {

// What a lookup thread hands back; shared, so that whichever side lets go
// last frees it.
struct LookupResult {
    LookupResult() : fd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}
    ~LookupResult() {
        if (fd >= 0)
            ::close(fd);
    }
    LookupResult(const LookupResult &) = delete;
    LookupResult &operator=(const LookupResult &) = delete;

    const int fd; // readable once the lookup is done
    std::mutex mutex;
    bool done = false;
    std::optional<std::uint32_t> address;
};

// A lookup that fails in any way has found nothing.
std::optional<std::uint32_t>
lookupOrNothing(const std::function<std::optional<std::uint32_t>()> &lookup) noexcept {
    try {
        return lookup();
    } catch (...) {
        return std::nullopt;
    }
}

} // namespace

std::optional<std::uint32_t> lookupCancellable(std::function<std::optional<std::uint32_t>()> lookup,
                                               const CancelToken &cancel) {
    if (cancel.cancelled())
        return std::nullopt;
    auto result = std::make_shared<LookupResult>();
    if (result->fd < 0)
        return lookup();
    try {
        std::thread([result, lookup = std::move(lookup)] {
            const std::optional<std::uint32_t> address = lookupOrNothing(lookup);
            {
                const std::lock_guard<std::mutex> lock(result->mutex);
                result->address = address;
                result->done = true;
            }
            const std::uint64_t one = 1;
            [[maybe_unused]] const auto written = ::write(result->fd, &one, sizeof one);
        }).detach();
    } catch (const std::system_error &) {
        return lookup(); // no thread to spare: look up here, uncancellable
    }
    pollfd fds[2] = {{result->fd, POLLIN, 0}, {cancel.fd(), POLLIN, 0}};
    for (;;) {
        if (cancel.cancelled())
            return std::nullopt;
        {
            const std::lock_guard<std::mutex> lock(result->mutex);
            if (result->done)
                return result->address;
        }
        ::poll(fds, 2, -1);
    }
}

std::optional<IcmpSocket> IcmpSocket::open() {
    if (auto datagram = open(Kind::Datagram))
        return datagram;
    return open(Kind::Raw);
}

std::optional<IcmpSocket> IcmpSocket::open(Kind kind) {
    const int type = kind == Kind::Datagram ? SOCK_DGRAM : SOCK_RAW;
    const int fd = ::socket(AF_INET, type | SOCK_CLOEXEC | SOCK_NONBLOCK, IPPROTO_ICMP);
    if (fd < 0)
        return std::nullopt;
    IcmpSocket socket(fd, kind);
    const int ttl = kEchoTtl;
    if (::setsockopt(fd, IPPROTO_IP, IP_TTL, &ttl, sizeof ttl) != 0)
        return std::nullopt; // a request with another time-to-live is not the one Kestrune sends
    if (kind == Kind::Raw) {
        // A raw socket sees every ICMP packet of the host; let the kernel drop
        // all but echo replies. answers() checks the type all the same.
        icmp_filter filter{};
        filter.data = ~(1u << ICMP_ECHOREPLY);
        ::setsockopt(fd, SOL_RAW, ICMP_FILTER, &filter, sizeof filter);
    }
    return socket;
}

IcmpSocket::IcmpSocket(IcmpSocket &&other) noexcept : fd_(other.fd_), kind_(other.kind_) {
    other.fd_ = -1;
}

IcmpSocket &IcmpSocket::operator=(IcmpSocket &&other) noexcept {
    if (this != &other) {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = other.fd_;
        kind_ = other.kind_;
        other.fd_ = -1;
    }
    return *this;
}

IcmpSocket::~IcmpSocket() {
    if (fd_ >= 0)
        ::close(fd_);
}

bool IcmpSocket::answers(const unsigned char *packet, std::size_t size, std::uint32_t source,
                         std::uint32_t destination, std::uint16_t identifier,
                         std::uint16_t sequence) const {
    if (source != destination)
        return false;
    std::size_t offset = 0;
    if (kind_ == Kind::Raw) { // a raw socket hands over the IP header too
        if (size < 20)
            return false;
        offset = static_cast<std::size_t>(packet[0] & 0x0F) * 4;
        if (offset < 20)
            return false;
    }
    if (size < offset + kIcmpHeaderSize)
        return false;
    const unsigned char *icmp = packet + offset;
    if (icmp[0] != kEchoReplyType || icmp[1] != 0)
        return false;
    if (readBigEndian16(icmp + 6) != sequence)
        return false;
    // A datagram socket's identifier is chosen by the kernel, which delivers
    // to this socket only the replies that carry it.
    return kind_ == Kind::Datagram || readBigEndian16(icmp + 4) == identifier;
}

EchoResult IcmpSocket::echo(std::uint32_t destination, const CancelToken *cancel,
                            std::chrono::milliseconds timeout) {
    if (cancel != nullptr && cancel->cancelled())
        return EchoResult::Cancelled;

    const std::uint16_t identifier = static_cast<std::uint16_t>(::getpid());
    const std::uint16_t sequence = nextSequence();
    unsigned char request[kIcmpHeaderSize + kEchoPayloadSize] = {};
    request[0] = kEchoRequestType;
    writeBigEndian16(request + 4, identifier);
    writeBigEndian16(request + 6, sequence);
    std::memcpy(request + kIcmpHeaderSize, kEchoPayload, kEchoPayloadSize);
    writeBigEndian16(request + 2, internetChecksum(request, sizeof request));

    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = destination;
    // No SO_BROADCAST: the kernel refuses to send to a broadcast address.
    if (::sendto(fd_, request, sizeof request, 0, reinterpret_cast<const sockaddr *>(&to),
                 sizeof to) != static_cast<ssize_t>(sizeof request))
        return EchoResult::NoReply;

    const auto deadline = std::chrono::steady_clock::now() + timeout;
    pollfd fds[2] = {{fd_, POLLIN, 0}, {cancel != nullptr ? cancel->fd() : -1, POLLIN, 0}};
    for (;;) {
        if (cancel != nullptr && cancel->cancelled())
            return EchoResult::Cancelled;
        const int left = millisecondsUntil(deadline);
        if (left == 0)
            return EchoResult::NoReply;
        if (::poll(fds, 2, left) < 0 && errno != EINTR)
            return EchoResult::NoReply;
        if ((fds[0].revents & POLLERR) != 0) {
            int ignored = 0;
            socklen_t length = sizeof ignored;
            ::getsockopt(fd_, SOL_SOCKET, SO_ERROR, &ignored, &length); // clears it
        }
        if ((fds[0].revents & POLLIN) == 0)
            continue;
        for (;;) { // take every packet waiting; any of them may be the reply
            unsigned char packet[1500];
            sockaddr_in from{};
            socklen_t fromLength = sizeof from;
            const ssize_t got = ::recvfrom(fd_, packet, sizeof packet, MSG_DONTWAIT,
                                           reinterpret_cast<sockaddr *>(&from), &fromLength);
            if (got < 0)
                break;
            if (fromLength >= sizeof from && from.sin_family == AF_INET &&
                answers(packet, static_cast<std::size_t>(got), from.sin_addr.s_addr, destination,
                        identifier, sequence))
                return EchoResult::Reply;
        }
    }
}

EchoResult sendEcho(std::uint32_t destination, const CancelToken *cancel) {
    if (cancel != nullptr && cancel->cancelled())
        return EchoResult::Cancelled;
    std::optional<IcmpSocket> socket = IcmpSocket::open();
    if (!socket)
        return EchoResult::NoIcmp;
    return socket->echo(destination, cancel, kEchoTimeout);
}

#else // _WIN32

namespace {

// Windows Sockets 1.1 for the span of one address conversion or lookup.
class WinsockSession {
public:
    WinsockSession() {
        WSADATA data;
        started_ = ::WSAStartup(MAKEWORD(1, 1), &data) == 0;
    }
    ~WinsockSession() {
        if (started_)
            ::WSACleanup();
    }
    WinsockSession(const WinsockSession &) = delete;
    WinsockSession &operator=(const WinsockSession &) = delete;

private:
    bool started_ = false;
};

// The parts of icmp.dll's interface Kestrune uses (ipexport.h, 32 and 64 bits).
struct IpOptionInformation {
    UCHAR Ttl;
    UCHAR Tos;
    UCHAR Flags;
    UCHAR OptionsSize;
    PUCHAR OptionsData;
};

struct IcmpEchoReply {
    ULONG Address;
    ULONG Status;
    ULONG RoundTripTime;
    USHORT DataSize;
    USHORT Reserved;
    PVOID Data;
    IpOptionInformation Options;
};

using IcmpCreateFileFn = HANDLE(WINAPI *)();
using IcmpCloseHandleFn = BOOL(WINAPI *)(HANDLE);
using IcmpSendEchoFn = DWORD(WINAPI *)(HANDLE, ULONG, LPVOID, WORD, IpOptionInformation *, LPVOID,
                                       DWORD, DWORD);

constexpr ULONG kIpSuccess = 0;

// The library, loaded for one request and released after it.
class IcmpLibrary {
public:
    IcmpLibrary() : module_(::LoadLibraryA("icmp.dll")) {}
    ~IcmpLibrary() {
        if (module_ != nullptr)
            ::FreeLibrary(module_);
    }
    IcmpLibrary(const IcmpLibrary &) = delete;
    IcmpLibrary &operator=(const IcmpLibrary &) = delete;

    template <typename Fn> Fn entry(const char *name) const {
        return module_ != nullptr ? reinterpret_cast<Fn>(::GetProcAddress(module_, name)) : nullptr;
    }

private:
    HMODULE module_;
};

} // namespace

CancelToken::CancelToken() : event_(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    if (event_ == nullptr)
        throw Exception(QStringLiteral("无法创建事件：%1").arg(::GetLastError()));
}

CancelToken::~CancelToken() { ::CloseHandle(event_); }

void CancelToken::cancel() {
    if (!cancelled_.exchange(true, std::memory_order_acq_rel))
        ::SetEvent(event_);
}

bool CancelToken::waitFor(std::chrono::milliseconds duration) const {
    if (cancelled())
        return true;
    const auto ms = std::min<long long>(duration.count(), INFINITE - 1);
    return ::WaitForSingleObject(event_, static_cast<DWORD>(ms)) == WAIT_OBJECT_0;
}

std::uint32_t dottedAddress(const char *text) {
    WinsockSession session;
    return ::inet_addr(text);
}

// gethostbyname cannot be waited on alongside the token; the lookup runs
// to its end.
std::optional<std::uint32_t> lookupCancellable(std::function<std::optional<std::uint32_t>()> lookup,
                                               const CancelToken &cancel) {
    if (cancel.cancelled())
        return std::nullopt;
    return lookup();
}

std::optional<std::uint32_t> firstIpv4Address(const char *name, const CancelToken *cancel) {
    if (cancel != nullptr && cancel->cancelled())
        return std::nullopt;
    WinsockSession session;
    const hostent *host = ::gethostbyname(name);
    if (host == nullptr || host->h_addrtype != AF_INET || host->h_length != 4 ||
        host->h_addr_list[0] == nullptr)
        return std::nullopt;
    std::uint32_t address = 0;
    std::memcpy(&address, host->h_addr_list[0], sizeof address);
    return address;
}

// IcmpSendEcho matches the reply to its request itself. Its wait is not
// cancellable; it lasts at most the time-out.
EchoResult sendEcho(std::uint32_t destination, const CancelToken *cancel) {
    if (cancel != nullptr && cancel->cancelled())
        return EchoResult::Cancelled;
    IcmpLibrary library;
    const auto icmpCreateFile = library.entry<IcmpCreateFileFn>("IcmpCreateFile");
    const auto icmpCloseHandle = library.entry<IcmpCloseHandleFn>("IcmpCloseHandle");
    const auto icmpSendEcho = library.entry<IcmpSendEchoFn>("IcmpSendEcho");
    if (icmpCreateFile == nullptr || icmpCloseHandle == nullptr || icmpSendEcho == nullptr)
        return EchoResult::NoIcmp;
    const HANDLE handle = icmpCreateFile();
    if (handle == INVALID_HANDLE_VALUE)
        return EchoResult::NoIcmp;

    IpOptionInformation options{};
    options.Ttl = static_cast<UCHAR>(kEchoTtl);
    // Room for one reply record, the echoed data and an ICMP error's extra bytes.
    alignas(IcmpEchoReply) unsigned char reply[sizeof(IcmpEchoReply) + kEchoPayloadSize + 8 + 32] = {};
    char payload[kEchoPayloadSize];
    std::memcpy(payload, kEchoPayload, kEchoPayloadSize);
    const DWORD count = icmpSendEcho(handle, destination, payload, static_cast<WORD>(kEchoPayloadSize),
                             &options, reply, sizeof reply,
                             static_cast<DWORD>(kEchoTimeout.count()));
    icmpCloseHandle(handle);

    // A router's "unreachable" also fills a record; only the host's own answer counts.
    const auto *record = reinterpret_cast<const IcmpEchoReply *>(reply);
    if (count >= 1 && record->Status == kIpSuccess && record->Address == destination)
        return EchoResult::Reply;
    return EchoResult::NoReply;
}

#endif

} // namespace kestrune::platform
