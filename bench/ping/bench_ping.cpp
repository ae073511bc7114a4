// Times PingHost against a loopback address: one call is one full probe
// (address conversion, socket, request, reply, close), as the status monitor
// makes it for every server.
//
//   bench_ping [count] [address]     defaults: 200 127.0.0.1
//
// Only loopback addresses are accepted.

#include "platform/IcmpSocket.h"
#include "status/uStatusThread.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

double percentile(std::vector<double> sorted, double p) {
    const std::size_t index = static_cast<std::size_t>(p * static_cast<double>(sorted.size() - 1) + 0.5);
    return sorted[index];
}

} // namespace

int main(int argc, char **argv) {
    const int count = argc > 1 ? std::atoi(argv[1]) : 200;
    const char *address = argc > 2 ? argv[2] : "127.0.0.1";
    if (count < 1 || std::strncmp(address, "127.", 4) != 0) {
        std::fprintf(stderr, "usage: bench_ping [count] [127.x.y.z]\n");
        return 2;
    }
    const auto socket = kestrune::platform::IcmpSocket::open();
    if (!socket) {
        std::fprintf(stderr, "no ICMP socket: allow net.ipv4.ping_group_range or grant CAP_NET_RAW\n");
        return 1;
    }
    const char *kind =
        socket->kind() == kestrune::platform::IcmpSocket::Kind::Datagram ? "datagram" : "raw";

    const QString host = QString::fromLatin1(address);
    for (int i = 0; i < 10; ++i) // warm up caches and the loopback path
        kestrune::PingHost(host);

    std::vector<double> micros;
    micros.reserve(static_cast<std::size_t>(count));
    int replies = 0;
    for (int i = 0; i < count; ++i) {
        const auto start = std::chrono::steady_clock::now();
        replies += kestrune::PingHost(host);
        const auto took = std::chrono::steady_clock::now() - start;
        micros.push_back(std::chrono::duration<double, std::micro>(took).count());
    }
    std::sort(micros.begin(), micros.end());
    std::printf("PingHost %s (%s socket): %d calls, %d replies, median %.1f us, p10 %.1f us, "
                "p90 %.1f us\n",
                address, kind, count, replies, percentile(micros, 0.5), percentile(micros, 0.1),
                percentile(micros, 0.9));
    std::printf("pinghost_median_us=%.1f\n", percentile(micros, 0.5));
    return replies == count ? 0 : 1;
}
