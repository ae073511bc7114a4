#pragma once
// The reachability probe and the status monitor: a background thread that
// probes every stored server in turn with one ICMP echo, records "在线" or
// "离线" under the server's key in the status table, and has the grid
// repainted after each server. Passes run back to back, with a pause of
// 1000 ms after each pass that went through without an error.

#include "platform/IcmpSocket.h"
#include "status/StatusTable.h"

#include <QString>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace kestrune {

// Where PingHost sends its request for `host`, the IP text exactly as stored:
// a dotted address as it spells it, otherwise the first IPv4 address of the
// name. Nothing when the name does not resolve or gives the broadcast address,
// or when `cancel` is set while the name is being looked up.
std::optional<std::uint32_t> probeDestination(const QString &host,
                                              const platform::CancelToken *cancel = nullptr);

// Sends one echo request to `host` and returns the number of replies within
// one second: 1, or 0 for silence, an unresolvable name, a refused
// destination, no usable ICMP facility or a wait cut short by `cancel`.
int PingHost(const QString &host, const platform::CancelToken *cancel = nullptr);

// One server row as the monitor reads it: the IP text and the PORT value
// (nothing when PORT is null).
struct ServerAddress {
    QString ip;
    std::optional<int> port;
};

// The key of a server in the status table: IP text, ":", PORT as a decimal
// integer, a null PORT counting as 0 ("10.0.0.5:3389").
QString ServerKey(const QString &ip, std::optional<int> port);

// What the monitor needs of the main window.
class StatusMonitorHost {
public:
    virtual ~StatusMonitorHost() = default;

    // IP and PORT of every server row as the table stands now ("select
    // IP,PORT from FWQ"). May throw kestrune::Exception.
    virtual std::vector<ServerAddress> readServers() = 0;

    virtual StatusTable &statusList() = 0;

    // Called on the monitor thread after each server. The host must carry
    // the repaint to the user-interface thread without waiting for it (a
    // queued call): the user-interface thread may be waiting for the
    // monitor to stop.
    virtual void repaintGrid() = 0;
};

// The probe the monitor runs for each server; `cancel` is set when the
// monitor stops, and a probe waiting for a reply should give up then.
using StatusProbe = std::function<int(const QString &host, const platform::CancelToken &cancel)>;

// The probe Kestrune uses: PingHost.
StatusProbe defaultStatusProbe();

// One pass over all servers: read the rows afresh, then for each server probe
// it, set its status and ask for a repaint, stopping after any server once
// `stop` is set. Errors propagate to the caller, which abandons the pass.
void RefreshStatus(StatusMonitorHost &host, const StatusProbe &probe,
                   const platform::CancelToken &stop);

// The status monitor. It starts when constructed and runs until stop() or
// destruction, which cut short a pause or a probe under way and wait for the
// thread to return; the host must outlive that.
class TStatusThread {
public:
    static constexpr std::chrono::milliseconds kPassPause{1000};

    explicit TStatusThread(StatusMonitorHost &host, StatusProbe probe = defaultStatusProbe(),
                           std::chrono::milliseconds pause = kPassPause);
    ~TStatusThread();
    TStatusThread(const TStatusThread &) = delete;
    TStatusThread &operator=(const TStatusThread &) = delete;

    // Ends the monitor and returns once its thread has returned. After that
    // the monitor touches nothing of the host. Safe to call more than once.
    void stop();

private:
    void Execute();

    StatusMonitorHost &host_;
    const StatusProbe probe_;
    const std::chrono::milliseconds pause_;
    platform::CancelToken stop_;
    std::mutex joinMutex_;
    std::thread thread_; // last: starts once everything above is in place
};

} // namespace kestrune
