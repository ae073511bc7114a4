#include "tests/status/NetNamespace.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <net/if.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace kestrune::test {
namespace {

std::string systemError(const std::string &what) { return what + ": " + std::strerror(errno); }

std::string writeSetting(const std::string &name, const std::string &value) {
    // /proc/sys/net shows the namespace of the thread that opens it.
    std::ofstream file("/proc/sys/net/ipv4/" + name);
    file << value << '\n';
    file.close();
    return file ? std::string() : "cannot set net.ipv4." + name;
}

std::string bringLoopbackUp() {
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return systemError("socket");
    ifreq request{};
    std::strncpy(request.ifr_name, "lo", IFNAMSIZ - 1);
    std::string failure;
    if (::ioctl(fd, SIOCGIFFLAGS, &request) != 0) {
        failure = systemError("SIOCGIFFLAGS lo");
    } else {
        request.ifr_flags = static_cast<short>(request.ifr_flags | IFF_UP);
        if (::ioctl(fd, SIOCSIFFLAGS, &request) != 0)
            failure = systemError("SIOCSIFFLAGS lo");
    }
    ::close(fd);
    return failure;
}

std::string enter(const NetNamespaceSettings &settings) {
    if (::unshare(CLONE_NEWNET) != 0)
        return systemError("unshare(CLONE_NEWNET) (needs root or CAP_SYS_ADMIN)");
    if (std::string failure = bringLoopbackUp(); !failure.empty())
        return failure;
    if (std::string failure = writeSetting("icmp_echo_ignore_all", settings.echoIgnored ? "1" : "0");
        !failure.empty())
        return failure;
    if (std::string failure = writeSetting("ping_group_range",
                                           settings.datagramAllowed ? "0 2147483647" : "1 0");
        !failure.empty())
        return failure;
    if (settings.defaultTtl != 0)
        return writeSetting("ip_default_ttl", std::to_string(settings.defaultTtl));
    return {};
}

} // namespace

std::string runInNetNamespace(const NetNamespaceSettings &settings,
                              const std::function<void()> &body) {
    std::string failure;
    std::thread thread([&] {
        failure = enter(settings);
        if (failure.empty())
            body();
    });
    thread.join();
    return failure;
}

} // namespace kestrune::test
