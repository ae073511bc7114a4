#pragma once
// A raw ICMP listener for tests: records every ICMP packet of the network
// namespace it was opened in, and can react to the first echo request that
// carries Kestrune's payload (to cancel a probe or to answer it with a
// forged reply).

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace kestrune::test {

struct IcmpPacket {
    std::uint32_t source = 0;      // network order
    std::uint32_t destination = 0; // network order
    int ttl = 0;
    int type = -1;
    int code = -1;
    std::uint16_t identifier = 0;
    std::uint16_t sequence = 0;
    std::string payload;
    bool checksumValid = false;

    bool isEchoRequest() const { return type == 8 && code == 0; }
};

class IcmpWatch {
public:
    using Reaction = std::function<void(const IcmpPacket &request)>;

    // Opens the listener in the calling thread's namespace and starts
    // watching. `onProbe` runs (on the watching thread) for the first echo
    // request whose data are Kestrune's payload. Throws when no raw socket
    // can be opened.
    explicit IcmpWatch(Reaction onProbe = {});
    ~IcmpWatch();
    IcmpWatch(const IcmpWatch &) = delete;
    IcmpWatch &operator=(const IcmpWatch &) = delete;

    // Stops watching and returns every packet seen, in order of arrival.
    std::vector<IcmpPacket> finish();

private:
    void run();
    void drain();

    int fd_ = -1;
    Reaction onProbe_;
    bool reacted_ = false;
    std::atomic<bool> stopping_{false};
    std::mutex mutex_;
    std::vector<IcmpPacket> seen_;
    std::thread thread_;
};

std::vector<IcmpPacket> echoRequests(const std::vector<IcmpPacket> &packets);

// What a forged packet looks like: an ICMP echo message from `source` to
// `destination`, sent with a raw IP socket so that the source can be any
// address of the namespace.
struct ForgedEcho {
    std::uint32_t source = 0;
    std::uint32_t destination = 0;
    int type = 0; // 0 echo reply, 8 echo request
    std::uint16_t identifier = 0;
    std::uint16_t sequence = 0;
    std::string payload;
};

// Sends `packet`; false when it could not be sent.
bool sendForged(const ForgedEcho &packet);

std::uint32_t ipv4(const char *dotted); // network order

} // namespace kestrune::test
