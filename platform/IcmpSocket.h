#pragma once
// One ICMP echo request and its reply: what icmp.dll gives Kestrune on
// Windows. On Linux an unprivileged ICMP datagram socket is used where the
// system allows it (net.ipv4.ping_group_range), else a raw socket (root or
// CAP_NET_RAW). Only a reply from the destination that answers this very
// request counts, so another program's echo traffic never makes a silent
// host look reachable.
//
// The wait for a reply can be cut short through a CancelToken, which the
// status monitor also uses for its pause between passes.

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>

namespace kestrune::platform {

// The request Kestrune sends, the same every time: 11 data bytes without a
// terminating zero, time-to-live 64, one second for the reply.
inline constexpr char kEchoPayload[] = "Hi, OnLine?";
inline constexpr std::size_t kEchoPayloadSize = sizeof kEchoPayload - 1;
inline constexpr int kEchoTtl = 64;
inline constexpr std::chrono::milliseconds kEchoTimeout{1000};

// IPv4 addresses are 32 bits in network byte order, as inet_addr gives them.
inline constexpr std::uint32_t kAddressNone = 0xFFFFFFFFu;      // INADDR_NONE
inline constexpr std::uint32_t kAddressBroadcast = 0xFFFFFFFFu; // 255.255.255.255

// A one-way "stop now" signal that a blocking wait can watch. Once cancelled
// it stays cancelled. Safe to cancel from any thread while another waits.
class CancelToken {
public:
    CancelToken();
    ~CancelToken();
    CancelToken(const CancelToken &) = delete;
    CancelToken &operator=(const CancelToken &) = delete;

    void cancel();
    bool cancelled() const;

    // Blocks for `duration` or until cancelled; true when cancelled.
    bool waitFor(std::chrono::milliseconds duration) const;

#ifndef _WIN32
    // Becomes readable (and stays so) once cancelled; for poll().
    int fd() const { return fd_; }
#else
    void *event() const { return event_; }
#endif

private:
    std::atomic<bool> cancelled_{false};
#ifndef _WIN32
    int fd_ = -1;
#else
    void *event_ = nullptr;
#endif
};

// inet_addr: the address a dotted text spells, or kAddressNone.
// "255.255.255.255" gives kAddressNone as well.
std::uint32_t dottedAddress(const char *text);

// The first IPv4 address a name lookup gives, or nothing when the name does
// not resolve. With a token, a lookup still under way when it is cancelled
// gives nothing at once (see lookupCancellable).
std::optional<std::uint32_t> firstIpv4Address(const char *name,
                                              const CancelToken *cancel = nullptr);

// Runs `lookup` on a thread of its own and waits for its result, or until
// `cancel` is set: a name lookup cannot be interrupted, and a slow resolver
// must not hold up a closing window. A lookup cut short goes on in the
// background and its result is dropped.
std::optional<std::uint32_t> lookupCancellable(std::function<std::optional<std::uint32_t>()> lookup,
                                               const CancelToken &cancel);

enum class EchoResult {
    Reply,     // the destination answered this request in time
    NoReply,   // time-out, or the request could not be sent
    Cancelled, // the wait was cut short by the cancel token
    NoIcmp,    // no ICMP facility could be opened; nothing was sent
};

// Sends exactly one echo request (kEchoPayload, kEchoTtl) to `destination`
// and waits up to kEchoTimeout for its reply. Nothing is kept between calls.
// A token already cancelled sends nothing.
EchoResult sendEcho(std::uint32_t destination, const CancelToken *cancel = nullptr);

#ifndef _WIN32
// The Linux socket behind sendEcho, open for one request.
class IcmpSocket {
public:
    enum class Kind { Datagram, Raw };

    // A datagram socket where the system allows it, else a raw socket;
    // nothing when neither can be opened.
    static std::optional<IcmpSocket> open();
    static std::optional<IcmpSocket> open(Kind kind);

    IcmpSocket(IcmpSocket &&other) noexcept;
    IcmpSocket &operator=(IcmpSocket &&other) noexcept;
    IcmpSocket(const IcmpSocket &) = delete;
    IcmpSocket &operator=(const IcmpSocket &) = delete;
    ~IcmpSocket();

    Kind kind() const { return kind_; }

    EchoResult echo(std::uint32_t destination, const CancelToken *cancel,
                    std::chrono::milliseconds timeout = kEchoTimeout);

private:
    IcmpSocket(int fd, Kind kind) : fd_(fd), kind_(kind) {}

    // True when `packet` (as received from `source`) answers the request
    // with this identifier and sequence sent to `destination`.
    bool answers(const unsigned char *packet, std::size_t size, std::uint32_t source,
                 std::uint32_t destination, std::uint16_t identifier,
                 std::uint16_t sequence) const;

    int fd_ = -1;
    Kind kind_ = Kind::Datagram;
};
#endif

} // namespace kestrune::platform
