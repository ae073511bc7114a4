// The reachability probe against the kernel's real ICMP: on loopback, and in
// network namespaces the tests make, where 127.0.0.1 can be made silent and
// every packet on the wire can be read and forged.

#include "platform/IcmpSocket.h"
#include "status/uStatusThread.h"
#include "tests/status/IcmpWatch.h"
#include "tests/status/NetNamespace.h"

#include <gtest/gtest.h>

#include <chrono>
#include <linux/capability.h>
#include <optional>
#include <sys/syscall.h>
#include <unistd.h>

namespace kestrune {
namespace {

using namespace std::chrono_literals;
using platform::CancelToken;
using platform::EchoResult;
using platform::IcmpSocket;
using test::echoRequests;
using test::IcmpPacket;
using test::IcmpWatch;
using test::ipv4;
using test::NetNamespaceSettings;

const std::string kPayload(platform::kEchoPayload, platform::kEchoPayloadSize);

// Runs `body` in a fresh namespace. The empty text when it ran, otherwise
// why it could not (no namespace, no raw listener), for GTEST_SKIP.
std::string inNamespace(const NetNamespaceSettings &settings, const std::function<void()> &body) {
    std::string failure;
    const std::string made = test::runInNetNamespace(settings, [&] {
        try {
            body();
        } catch (const std::exception &e) {
            failure = e.what();
        }
    });
    if (!made.empty())
        return "needs a network namespace of its own: " + made;
    if (!failure.empty())
        return "needs raw ICMP sockets (root or CAP_NET_RAW): " + failure;
    return {};
}

NetNamespaceSettings settingsFor(IcmpSocket::Kind kind, bool echoIgnored) {
    NetNamespaceSettings s;
    s.datagramAllowed = kind == IcmpSocket::Kind::Datagram;
    s.echoIgnored = echoIgnored;
    s.defaultTtl = 99; // so that a request that sets no TTL of its own shows
    return s;
}

} // namespace
} // namespace kestrune

namespace kestrune::platform {
static void PrintTo(IcmpSocket::Kind kind, std::ostream *os) {
    *os << (kind == IcmpSocket::Kind::Datagram ? "datagram socket" : "raw socket");
}
} // namespace kestrune::platform

namespace kestrune {
namespace {

std::string kindName(const testing::TestParamInfo<IcmpSocket::Kind> &p) {
    return p.param == IcmpSocket::Kind::Datagram ? "DatagramSocket" : "RawSocket";
}

// Takes CAP_NET_RAW out of the calling thread's effective set.
bool dropRawSocketCapability() {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2] = {};
    if (::syscall(SYS_capget, &header, data) != 0)
        return false;
    data[CAP_NET_RAW / 32].effective &= ~(1u << (CAP_NET_RAW % 32));
    return ::syscall(SYS_capset, &header, data) == 0;
}

TEST(PingHost, LoopbackAnswers) {
    if (!IcmpSocket::open())
        GTEST_SKIP() << "no ICMP socket: allow net.ipv4.ping_group_range or run as root";
    EXPECT_EQ(PingHost(QStringLiteral("127.0.0.1")), 1);
}

// ---- per socket kind: what goes on the wire, silence, cancellation ----

class ProbeOnSocket : public testing::TestWithParam<IcmpSocket::Kind> {};

TEST_P(ProbeOnSocket, SendsOneRequestWithKestrunesPayloadAndTtl) {
    std::optional<IcmpSocket::Kind> kind;
    int replies = -1;
    std::vector<IcmpPacket> packets;
    const std::string why = inNamespace(settingsFor(GetParam(), false), [&] {
        IcmpWatch watch;
        if (auto socket = IcmpSocket::open())
            kind = socket->kind();
        replies = PingHost(QStringLiteral("127.0.0.1"));
        packets = watch.finish();
    });
    if (!why.empty())
        GTEST_SKIP() << why;

    ASSERT_EQ(kind, GetParam()) << "the datagram socket is taken where allowed, else the raw one";
    EXPECT_EQ(replies, 1);
    const std::vector<IcmpPacket> requests = echoRequests(packets);
    ASSERT_EQ(requests.size(), 1u);
    const IcmpPacket &request = requests.front();
    EXPECT_EQ(request.destination, ipv4("127.0.0.1"));
    EXPECT_EQ(request.ttl, 64);
    EXPECT_EQ(request.payload.size(), 11u);
    EXPECT_EQ(request.payload, "Hi, OnLine?");
    EXPECT_TRUE(request.checksumValid);
}

TEST_P(ProbeOnSocket, SilentHostGivesZeroAfterTheTimeOut) {
    int replies = -1;
    std::chrono::steady_clock::duration waited{};
    std::size_t requestCount = 0;
    const std::string why = inNamespace(settingsFor(GetParam(), true), [&] {
        IcmpWatch watch;
        const auto start = std::chrono::steady_clock::now();
        replies = PingHost(QStringLiteral("127.0.0.1"));
        waited = std::chrono::steady_clock::now() - start;
        requestCount = echoRequests(watch.finish()).size();
    });
    if (!why.empty())
        GTEST_SKIP() << why;

    EXPECT_EQ(replies, 0);
    EXPECT_EQ(requestCount, 1u) << "one request, no retry";
    // A lower bound only: the probe must not give up before its time-out.
    EXPECT_GE(waited, 1000ms);
}

TEST_P(ProbeOnSocket, CancelCutsTheWaitShort) {
    EchoResult result = EchoResult::Reply;
    const std::string why = inNamespace(settingsFor(GetParam(), true), [&] {
        CancelToken cancel;
        IcmpWatch watch([&](const IcmpPacket &) { cancel.cancel(); });
        result = platform::sendEcho(ipv4("127.0.0.1"), &cancel);
    });
    if (!why.empty())
        GTEST_SKIP() << why;
    EXPECT_EQ(result, EchoResult::Cancelled);
}

TEST_P(ProbeOnSocket, CancelledTokenSendsNothing) {
    EchoResult result = EchoResult::Reply;
    int replies = -1;
    std::size_t requestCount = 1;
    const std::string why = inNamespace(settingsFor(GetParam(), false), [&] {
        IcmpWatch watch;
        CancelToken cancel;
        cancel.cancel();
        result = platform::sendEcho(ipv4("127.0.0.1"), &cancel);
        replies = PingHost(QStringLiteral("127.0.0.1"), &cancel);
        requestCount = echoRequests(watch.finish()).size();
    });
    if (!why.empty())
        GTEST_SKIP() << why;
    EXPECT_EQ(result, EchoResult::Cancelled);
    EXPECT_EQ(replies, 0);
    EXPECT_EQ(requestCount, 0u);
}

INSTANTIATE_TEST_SUITE_P(Kinds, ProbeOnSocket,
                         testing::Values(IcmpSocket::Kind::Datagram, IcmpSocket::Kind::Raw),
                         kindName);

// ---- only the destination's answer to this very request counts ----

struct ForeignTraffic {
    const char *name;
    // Turns the probe's request into the packets another party sends back.
    std::function<std::vector<test::ForgedEcho>(const IcmpPacket &request)> forge;
    int expectedReplies;
};

test::ForgedEcho replyTo(const IcmpPacket &request) {
    test::ForgedEcho reply;
    reply.source = request.destination;
    reply.destination = request.source;
    reply.type = 0;
    reply.identifier = request.identifier;
    reply.sequence = request.sequence;
    reply.payload = request.payload;
    return reply;
}

const ForeignTraffic kForeignTraffic[] = {
    // The control: a correct reply is counted, so the forging itself works.
    {"TheDestinationsOwnReply", [](const IcmpPacket &r) { return std::vector{replyTo(r)}; }, 1},
    {"AnotherPingsReplies",
     [](const IcmpPacket &r) {
         std::vector<test::ForgedEcho> replies;
         for (std::uint16_t seq = 1; seq <= 20; ++seq) {
             test::ForgedEcho other = replyTo(r);
             other.identifier = static_cast<std::uint16_t>(r.identifier ^ 0x5A5A);
             other.sequence = seq;
             replies.push_back(other);
         }
         return replies;
     },
     0},
    {"OtherSequence",
     [](const IcmpPacket &r) {
         test::ForgedEcho other = replyTo(r);
         other.sequence = static_cast<std::uint16_t>(r.sequence + 1);
         return std::vector{other};
     },
     0},
    {"OtherIdentifier",
     [](const IcmpPacket &r) {
         test::ForgedEcho other = replyTo(r);
         other.identifier = static_cast<std::uint16_t>(r.identifier + 1);
         return std::vector{other};
     },
     0},
    {"OtherSource",
     [](const IcmpPacket &r) {
         test::ForgedEcho other = replyTo(r);
         other.source = ipv4("127.0.0.2");
         return std::vector{other};
     },
     0},
    {"EchoRequestInsteadOfReply",
     [](const IcmpPacket &r) {
         test::ForgedEcho other = replyTo(r);
         other.type = 8;
         return std::vector{other};
     },
     0},
};

void PrintTo(const ForeignTraffic &traffic, std::ostream *os) { *os << traffic.name; }

class ForeignEchoTraffic
    : public testing::TestWithParam<std::tuple<IcmpSocket::Kind, ForeignTraffic>> {};

TEST_P(ForeignEchoTraffic, CountsOnlyTheMatchingReply) {
    const auto &[kind, traffic] = GetParam();
    int replies = -1;
    bool forgedSent = true;
    const std::string why = inNamespace(settingsFor(kind, true), [&] {
        IcmpWatch watch([&](const IcmpPacket &request) {
            for (const test::ForgedEcho &packet : traffic.forge(request))
                forgedSent = test::sendForged(packet) && forgedSent;
        });
        replies = PingHost(QStringLiteral("127.0.0.1"));
    });
    if (!why.empty())
        GTEST_SKIP() << why;
    ASSERT_TRUE(forgedSent);
    EXPECT_EQ(replies, traffic.expectedReplies);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, ForeignEchoTraffic,
    testing::Combine(testing::Values(IcmpSocket::Kind::Datagram, IcmpSocket::Kind::Raw),
                     testing::ValuesIn(kForeignTraffic)),
    [](const testing::TestParamInfo<ForeignEchoTraffic::ParamType> &p) {
        return std::string(std::get<0>(p.param) == IcmpSocket::Kind::Datagram ? "Datagram"
                                                                                 : "Raw") +
               "_" + std::get<1>(p.param).name;
    });

// ---- where the request goes ----

struct DestinationCase {
    const char *host;
    std::optional<std::uint32_t> expected;
};

class ProbeDestinationOf : public testing::TestWithParam<DestinationCase> {};

TEST_P(ProbeDestinationOf, HostText) {
    std::optional<std::uint32_t> destination;
    // Name lookups stay inside a namespace with no route out.
    const std::string why = inNamespace({}, [&] {
        destination = probeDestination(QString::fromUtf8(GetParam().host));
    });
    if (!why.empty())
        GTEST_SKIP() << why;
    EXPECT_EQ(destination, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Hosts, ProbeDestinationOf,
    testing::Values(DestinationCase{"127.0.0.1", ipv4("127.0.0.1")},
                    DestinationCase{"10.0.0.5", ipv4("10.0.0.5")},
                    DestinationCase{"127.1", ipv4("127.0.0.1")}, // inet_addr's short form
                    DestinationCase{"localhost", ipv4("127.0.0.1")},
                    DestinationCase{"255.255.255.255", std::nullopt},
                    DestinationCase{"", std::nullopt},
                    DestinationCase{"kestrune-no-such-host.invalid", std::nullopt}));

class NameLookup : public testing::TestWithParam<bool> {};

TEST_P(NameLookup, NameIsProbedAtItsAddress) {
    int replies = -1;
    std::vector<IcmpPacket> requests;
    const std::string why = inNamespace({}, [&] {
        IcmpWatch watch;
        CancelToken cancel;
        replies = PingHost(QStringLiteral("localhost"), GetParam() ? &cancel : nullptr);
        requests = echoRequests(watch.finish());
    });
    if (!why.empty())
        GTEST_SKIP() << why;
    EXPECT_EQ(replies, 1);
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests.front().destination, ipv4("127.0.0.1"));
}

INSTANTIATE_TEST_SUITE_P(Waits, NameLookup, testing::Values(false, true),
                         [](const testing::TestParamInfo<bool> &p) {
                             return std::string(p.param ? "Cancellable" : "Plain");
                         });

class UnresolvableHost : public testing::TestWithParam<const char *> {};

// The namespace answers every echo on loopback, so a request that went
// anywhere local (0.0.0.0 included) would show as a reply.
TEST_P(UnresolvableHost, GivesZeroAndSendsNothing) {
    int replies = -1;
    std::size_t requestCount = 1;
    const std::string why = inNamespace({}, [&] {
        IcmpWatch watch;
        replies = PingHost(QString::fromUtf8(GetParam()));
        requestCount = echoRequests(watch.finish()).size();
    });
    if (!why.empty())
        GTEST_SKIP() << why;
    EXPECT_EQ(replies, 0);
    EXPECT_EQ(requestCount, 0u);
}

INSTANTIATE_TEST_SUITE_P(Names, UnresolvableHost,
                         testing::Values("kestrune-no-such-host.invalid", "", " ",
                                         "255.255.255.255"));

TEST(PingHost, NoIcmpSocketGivesZeroAndSendsNothing) {
    bool dropped = false;
    bool socketOpened = true;
    EchoResult result = EchoResult::Reply;
    int replies = -1;
    std::size_t requestCount = 1;
    // No datagram sockets in this namespace, and no raw ones once the thread
    // has lost CAP_NET_RAW: the counterpart of an ICMP library that is missing.
    const std::string why = inNamespace({}, [&] {
        IcmpWatch watch;
        dropped = dropRawSocketCapability();
        if (!dropped)
            return;
        socketOpened = IcmpSocket::open().has_value();
        result = platform::sendEcho(ipv4("127.0.0.1"));
        replies = PingHost(QStringLiteral("127.0.0.1"));
        requestCount = echoRequests(watch.finish()).size();
    });
    if (!why.empty())
        GTEST_SKIP() << why;
    if (!dropped)
        GTEST_SKIP() << "cannot drop CAP_NET_RAW from the test thread";
    EXPECT_FALSE(socketOpened);
    EXPECT_EQ(result, EchoResult::NoIcmp);
    EXPECT_EQ(replies, 0);
    EXPECT_EQ(requestCount, 0u);
}

} // namespace
} // namespace kestrune
