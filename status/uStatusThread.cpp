#include "status/uStatusThread.h"

#include <utility>

namespace kestrune {

std::optional<std::uint32_t> probeDestination(const QString &host,
                                              const platform::CancelToken *cancel) {
    // The text goes to the platform as a C string, so it ends at a zero
    // character if it holds one.
    const QByteArray text = host.toLocal8Bit();
    const std::uint32_t dotted = platform::dottedAddress(text.constData());
    if (dotted != platform::kAddressNone)
        return dotted;
    // Kestrune probes only an address it has actually found. A name that
    // does not resolve gets no request at all, and neither does the limited
    // broadcast address ("255.255.255.255" itself lands here, since it reads
    // as a failed conversion): an echo to anything but the server could make
    // a dead server look alive.
    const std::optional<std::uint32_t> found = platform::firstIpv4Address(text.constData(), cancel);
    if (!found || *found == platform::kAddressBroadcast)
        return std::nullopt;
    return found;
}

int PingHost(const QString &host, const platform::CancelToken *cancel) {
    const std::optional<std::uint32_t> destination = probeDestination(host, cancel);
    if (!destination)
        return 0;
    return platform::sendEcho(*destination, cancel) == platform::EchoResult::Reply ? 1 : 0;
}

QString ServerKey(const QString &ip, std::optional<int> port) {
    return ip + QLatin1Char(':') + QString::number(port.value_or(0));
}

StatusProbe defaultStatusProbe() {
    return [](const QString &host, const platform::CancelToken &cancel) {
        return PingHost(host, &cancel);
    };
}

void RefreshStatus(StatusMonitorHost &host, const StatusProbe &probe,
                   const platform::CancelToken &stop) {
    const std::vector<ServerAddress> servers = host.readServers();
    for (const ServerAddress &server : servers) {
        const int replies = probe(server.ip, stop);
        // A probe cut short by the stop says nothing about the server; the
        // window is closing, so there is nothing to record or repaint.
        if (stop.cancelled())
            return;
        host.statusList().setValue(ServerKey(server.ip, server.port), statusForReplies(replies));
        host.repaintGrid();
        if (stop.cancelled())
            return;
    }
}

TStatusThread::TStatusThread(StatusMonitorHost &host, StatusProbe probe,
                             std::chrono::milliseconds pause)
    : host_(host), probe_(std::move(probe)), pause_(pause), thread_([this] { Execute(); }) {}

TStatusThread::~TStatusThread() { stop(); }

void TStatusThread::stop() {
    stop_.cancel();
    const std::lock_guard<std::mutex> lock(joinMutex_);
    if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id())
        thread_.join();
}

void TStatusThread::Execute() {
    while (!stop_.cancelled()) {
        try {
            RefreshStatus(host_, probe_, stop_);
            stop_.waitFor(pause_);
        } catch (...) {
            // A failed pass leaves no trace; the next one starts at once.
        }
    }
}

} // namespace kestrune
