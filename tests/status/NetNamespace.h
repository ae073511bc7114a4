#pragma once
// Runs a piece of a test inside a network namespace of its own, so that the
// test can make 127.0.0.1 silent, change ICMP settings and watch every
// packet without touching the machine's own network. Only the thread that
// runs the body (and threads it starts) live in the namespace; sockets made
// there stay there.

#include <functional>
#include <string>

namespace kestrune::test {

struct NetNamespaceSettings {
    bool echoIgnored = false;     // the kernel answers no echo request
    bool datagramAllowed = false; // unprivileged ICMP datagram sockets allowed
    int defaultTtl = 0;           // time-to-live of packets that set none; 0 keeps the default
};

// Runs `body` on a new thread inside a fresh network namespace whose only
// interface, lo, is up, and waits for it. Returns the empty text, or the
// reason the namespace could not be made (the body then does not run).
std::string runInNetNamespace(const NetNamespaceSettings &settings,
                              const std::function<void()> &body);

} // namespace kestrune::test
