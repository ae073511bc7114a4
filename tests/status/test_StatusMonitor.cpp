// The status table, the server key, one pass of the monitor, and the monitor
// thread's passes, pauses and shutdown, all with a probe the tests control.

#include "status/StatusTable.h"
#include "status/uStatusThread.h"
#include "tests/status/FakeMonitorHost.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <memory>
#include <new>
#include <thread>

namespace kestrune {
namespace {

using namespace std::chrono_literals;
using platform::CancelToken;
using test::FakeMonitorHost;

const QString kOnline = QStringLiteral("在线");
const QString kOffline = QStringLiteral("离线");

// A probe that answers from a table by host and records what it was asked.
class ScriptedProbe {
public:
    // For each host, the counts its probes return in turn; the last repeats.
    ScriptedProbe(std::initializer_list<std::pair<const QString, std::vector<int>>> answers)
        : answers_(answers) {}

    StatusProbe probe() {
        return [this](const QString &host, const CancelToken &) {
            const std::lock_guard<std::mutex> lock(mutex_);
            asked_.push_back(host);
            std::vector<int> &queue = answers_[host];
            if (queue.empty())
                return 0;
            const int n = queue.front();
            if (queue.size() > 1)
                queue.erase(queue.begin());
            return n;
        };
    }

    std::vector<QString> asked() const {
        const std::lock_guard<std::mutex> lock(mutex_);
        return asked_;
    }

private:
    mutable std::mutex mutex_;
    std::map<QString, std::vector<int>> answers_;
    std::vector<QString> asked_;
};

// Runs `action` on another thread and tells whether it finished within a
// generous limit: a guard against a hang, not a speed check.
bool finishesWithin(std::function<void()> action, std::chrono::seconds limit = 20s) {
    auto done = std::async(std::launch::async, std::move(action));
    return done.wait_for(limit) == std::future_status::ready;
}

// ---- the status table ----

TEST(StatusTable, MissingKeyGivesTheEmptyText) {
    StatusTable list;
    list.setValue(QStringLiteral("10.0.0.5:3389"), kOnline);
    EXPECT_EQ(list.value(QStringLiteral("10.0.0.6:3389")), QString());
    EXPECT_TRUE(list.value(QStringLiteral("10.0.0.6:3389")).isEmpty());
}

TEST(StatusTable, SettingReplacesOrAppends) {
    StatusTable list;
    list.setValue(QStringLiteral("a:1"), kOnline);
    list.setValue(QStringLiteral("b:1"), kOnline);
    list.setValue(QStringLiteral("a:1"), kOffline);
    EXPECT_EQ(list.count(), 2);
    EXPECT_EQ(list.value(QStringLiteral("a:1")), kOffline);
    EXPECT_EQ(list.value(QStringLiteral("b:1")), kOnline);
}

struct KeyPair {
    const char *set;
    const char *lookedUp;
    bool same;
};

class StatusListKeys : public testing::TestWithParam<KeyPair> {};

TEST_P(StatusListKeys, CompareWithoutLetterCase) {
    StatusTable list;
    list.setValue(QString::fromUtf8(GetParam().set), kOnline);
    list.setValue(QString::fromUtf8(GetParam().lookedUp), kOffline);
    EXPECT_EQ(list.count(), GetParam().same ? 1 : 2);
    EXPECT_EQ(list.value(QString::fromUtf8(GetParam().set)), GetParam().same ? kOffline : kOnline);
}

INSTANTIATE_TEST_SUITE_P(Keys, StatusListKeys,
                         testing::Values(KeyPair{"SERVER-A:3389", "server-a:3389", true},
                                         KeyPair{"Server-Ä:3389", "server-ä:3389", true},
                                         KeyPair{"ΣΕΡΒΕΡ:1", "σερβερ:1", true},
                                         KeyPair{"主机A:1", "主机a:1", true},
                                         KeyPair{"server-a:3389", "server-a:3390", false},
                                         KeyPair{"server-a:1", "server-b:1", false}));

TEST(StatusTable, SettingAndLookingUpFromTwoThreads) {
    StatusTable list;
    const QString key = QStringLiteral("10.0.0.5:3389");
    std::atomic<bool> unexpected{false};
    std::thread writer([&] {
        for (int i = 0; i < 20000; ++i)
            list.setValue(i % 2 == 0 ? key : QStringLiteral("other:%1").arg(i % 100),
                          i % 3 == 0 ? kOnline : kOffline);
    });
    for (int i = 0; i < 20000; ++i) {
        const QString v = list.value(key);
        if (!v.isEmpty() && v != kOnline && v != kOffline)
            unexpected = true;
    }
    writer.join();
    EXPECT_FALSE(unexpected);
    EXPECT_EQ(list.count(), 1 + 50); // the key and "other:1" ... "other:99", odd ones
}

// ---- the server key ----

struct KeyCase {
    QString ip;
    std::optional<int> port;
    QString key;
};

class ServerKeyOf : public testing::TestWithParam<KeyCase> {};

TEST_P(ServerKeyOf, IpColonPort) {
    EXPECT_EQ(ServerKey(GetParam().ip, GetParam().port), GetParam().key);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ServerKeyOf,
    testing::Values(KeyCase{QStringLiteral("10.0.0.5"), 3389, QStringLiteral("10.0.0.5:3389")},
                    KeyCase{QStringLiteral("10.0.0.5"), std::nullopt, QStringLiteral("10.0.0.5:0")},
                    KeyCase{QString(), std::nullopt, QStringLiteral(":0")},
                    KeyCase{QString(), 3389, QStringLiteral(":3389")},
                    KeyCase{QStringLiteral("主机 1 "), -5, QStringLiteral("主机 1 :-5")},
                    KeyCase{QStringLiteral("%s%d"), 2147483647, QStringLiteral("%s%d:2147483647")}));

// ---- one pass ----

class OnePass : public testing::Test {
protected:
    FakeMonitorHost host;
    CancelToken stop;
};

class ProbeCount : public testing::TestWithParam<std::pair<int, const char *>> {};

TEST_P(ProbeCount, ShowsOnlineForExactlyOneReply) {
    FakeMonitorHost host;
    CancelToken stop;
    host.setServers({{QStringLiteral("10.0.0.5"), 3389}});
    RefreshStatus(host, [&](const QString &, const CancelToken &) { return GetParam().first; },
                  stop);
    EXPECT_EQ(host.statusList().value(QStringLiteral("10.0.0.5:3389")),
              QString::fromUtf8(GetParam().second));
}

INSTANTIATE_TEST_SUITE_P(Counts, ProbeCount,
                         testing::Values(std::pair{1, "在线"}, std::pair{0, "离线"},
                                         std::pair{2, "离线"}, std::pair{-1, "离线"}));

TEST_F(OnePass, ProbesEachRowInOrderAndRepaintsAfterEach) {
    const std::vector<ServerAddress> rows = {{QStringLiteral("10.0.0.5"), 3389},
                                             {QStringLiteral(" srv-b "), 3390},
                                             {QStringLiteral("10.0.0.7"), 22}};
    host.setServers(rows);
    ScriptedProbe probe{{QStringLiteral("10.0.0.5"), {1}}, {QStringLiteral(" srv-b "), {0}}};
    std::vector<QString> seenAtRepaint;
    host.onRepaint([&] {
        const ServerAddress &row = rows.at(seenAtRepaint.size());
        seenAtRepaint.push_back(host.statusList().value(ServerKey(row.ip, row.port)));
    });
    RefreshStatus(host, probe.probe(), stop);

    EXPECT_EQ(probe.asked(), (std::vector<QString>{QStringLiteral("10.0.0.5"),
                                                   QStringLiteral(" srv-b "),
                                                   QStringLiteral("10.0.0.7")}))
        << "the IP text goes to the probe exactly as stored";
    EXPECT_EQ(host.repaints(), 3);
    EXPECT_EQ(seenAtRepaint, (std::vector<QString>{kOnline, kOffline, kOffline}))
        << "each repaint comes after its server's value is set";
}

TEST_F(OnePass, RowsSharingAKeyShareOneEntry) {
    host.setServers({{QStringLiteral("10.0.0.5"), 3389}, {QStringLiteral("10.0.0.5"), 3389}});
    ScriptedProbe probe{{QStringLiteral("10.0.0.5"), {1, 0}}};
    RefreshStatus(host, probe.probe(), stop);
    EXPECT_EQ(host.statusList().count(), 1);
    EXPECT_EQ(host.statusList().value(QStringLiteral("10.0.0.5:3389")), kOffline)
        << "both rows show the latest result";
}

TEST_F(OnePass, KeysDifferingOnlyInCaseShareOneEntry) {
    host.setServers({{QStringLiteral("Srv-A"), 3389}, {QStringLiteral("srv-a"), 3389}});
    ScriptedProbe probe{{QStringLiteral("Srv-A"), {0}}, {QStringLiteral("srv-a"), {1}}};
    RefreshStatus(host, probe.probe(), stop);
    EXPECT_EQ(host.statusList().count(), 1);
    EXPECT_EQ(host.statusList().value(QStringLiteral("SRV-A:3389")), kOnline);
}

TEST_F(OnePass, NullPortKeysAsPortZero) {
    host.setServers({{QStringLiteral("10.0.0.7"), std::nullopt}, {QString(), std::nullopt}});
    ScriptedProbe probe{{QStringLiteral("10.0.0.7"), {1}}};
    RefreshStatus(host, probe.probe(), stop);
    EXPECT_EQ(host.statusList().value(ServerKey(QStringLiteral("10.0.0.7"), 0)), kOnline);
    EXPECT_EQ(host.statusList().value(QStringLiteral(":0")), kOffline);
}

TEST_F(OnePass, EveryPassReadsTheTableAfreshAndDeletedEntriesStay) {
    host.setServers({{QStringLiteral("a"), 1}, {QStringLiteral("b"), 1}});
    ScriptedProbe probe{{QStringLiteral("a"), {1, 0}}, {QStringLiteral("b"), {1}}};
    RefreshStatus(host, probe.probe(), stop);
    host.setServers({{QStringLiteral("a"), 1}, {QStringLiteral("c"), 1}}); // b deleted, c added
    RefreshStatus(host, probe.probe(), stop);

    EXPECT_EQ(probe.asked(), (std::vector<QString>{QStringLiteral("a"), QStringLiteral("b"),
                                                   QStringLiteral("a"), QStringLiteral("c")}));
    EXPECT_EQ(host.statusList().value(QStringLiteral("a:1")), kOffline);
    EXPECT_EQ(host.statusList().value(QStringLiteral("b:1")), kOnline) << "kept, unseen";
    EXPECT_EQ(host.statusList().value(QStringLiteral("c:1")), kOffline);
    EXPECT_EQ(host.statusList().count(), 3);
}

TEST_F(OnePass, AFailingProbeAbandonsThePassAndKeepsEarlierValues) {
    host.setServers({{QStringLiteral("a"), 1}, {QStringLiteral("b"), 1}, {QStringLiteral("c"), 1}});
    host.statusList().setValue(QStringLiteral("c:1"), kOnline); // from an earlier pass
    std::vector<QString> asked;
    const StatusProbe probe = [&](const QString &h, const CancelToken &) {
        asked.push_back(h);
        if (h == QStringLiteral("b"))
            throw std::bad_alloc();
        return 0;
    };
    EXPECT_THROW(RefreshStatus(host, probe, stop), std::bad_alloc);
    EXPECT_EQ(asked, (std::vector<QString>{QStringLiteral("a"), QStringLiteral("b")}));
    EXPECT_EQ(host.statusList().value(QStringLiteral("a:1")), kOffline);
    EXPECT_EQ(host.statusList().value(QStringLiteral("c:1")), kOnline);
}

TEST_F(OnePass, StopEndsThePassAfterTheCurrentServer) {
    host.setServers({{QStringLiteral("a"), 1}, {QStringLiteral("b"), 1}});
    ScriptedProbe probe{{QStringLiteral("a"), {1}}};
    host.onRepaint([&] { stop.cancel(); });
    RefreshStatus(host, probe.probe(), stop);
    EXPECT_EQ(probe.asked(), std::vector<QString>{QStringLiteral("a")});
    EXPECT_EQ(host.statusList().value(QStringLiteral("a:1")), kOnline);
    EXPECT_EQ(host.repaints(), 1);
}

TEST_F(OnePass, AProbeCutShortByTheStopIsNotRecorded) {
    host.setServers({{QStringLiteral("a"), 1}, {QStringLiteral("b"), 1}});
    int probes = 0;
    RefreshStatus(
        host,
        [&](const QString &, const CancelToken &) {
            ++probes;
            stop.cancel();
            return 0;
        },
        stop);
    EXPECT_EQ(probes, 1);
    EXPECT_EQ(host.statusList().count(), 0);
    EXPECT_EQ(host.repaints(), 0);
}

// ---- the monitor thread ----

enum class Failure { TableUnreadable, ProbeRaisesKestruneError, ProbeRunsOutOfMemory, ProbeThrowsNonException };

class FailedPass : public testing::TestWithParam<Failure> {};

TEST_P(FailedPass, IsFollowedAtOnceByTheNextPass) {
    FakeMonitorHost host;
    host.setServers({{QStringLiteral("10.0.0.5"), 3389}});
    std::atomic<int> probes{0};
    const Failure failure = GetParam();
    if (failure == Failure::TableUnreadable)
        host.failNextReads(1);
    const StatusProbe probe = [&](const QString &, const CancelToken &) {
        if (probes++ == 0) {
            switch (failure) {
            case Failure::TableUnreadable:
                break;
            case Failure::ProbeRaisesKestruneError:
                throw Exception(QStringLiteral("探测失败"));
            case Failure::ProbeRunsOutOfMemory:
                throw std::bad_alloc();
            case Failure::ProbeThrowsNonException:
                throw 42;
            }
        }
        return 1;
    };
    // With an hour's pause, a second pass can only come from skipping it.
    TStatusThread monitor(host, probe, std::chrono::hours(1));
    EXPECT_TRUE(host.waitFor([](int reads, int repaints) { return reads >= 2 && repaints >= 1; }))
        << "no second pass after the failed one";
    EXPECT_EQ(host.statusList().value(QStringLiteral("10.0.0.5:3389")), kOnline);
    EXPECT_TRUE(finishesWithin([&] { monitor.stop(); }));
}

INSTANTIATE_TEST_SUITE_P(Failures, FailedPass,
                         testing::Values(Failure::TableUnreadable, Failure::ProbeRaisesKestruneError,
                                         Failure::ProbeRunsOutOfMemory,
                                         Failure::ProbeThrowsNonException));

TEST(StatusMonitor, PausesAfterAGoodPassAndStopCutsThePauseShort) {
    FakeMonitorHost host;
    host.setServers({{QStringLiteral("a"), 1}, {QStringLiteral("b"), 1}});
    ScriptedProbe probe{{QStringLiteral("a"), {1}}};
    auto monitor = std::make_unique<TStatusThread>(host, probe.probe(), std::chrono::hours(1));
    ASSERT_TRUE(host.waitFor([](int, int repaints) { return repaints >= 2; }));
    // Back-to-back passes would have read the table many times over by now.
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(host.reads(), 1);
    EXPECT_TRUE(finishesWithin([&] { monitor->stop(); })) << "stop waited for the pause";
    EXPECT_EQ(host.statusList().value(QStringLiteral("a:1")), kOnline);
    EXPECT_EQ(host.statusList().value(QStringLiteral("b:1")), kOffline);
}

TEST(StatusMonitor, StopCutsABlockedProbeShort) {
    FakeMonitorHost host;
    host.setServers({{QStringLiteral("a"), 1}, {QStringLiteral("b"), 1}});
    std::atomic<int> probes{0};
    std::promise<void> probing;
    const StatusProbe probe = [&](const QString &, const CancelToken &cancel) {
        if (probes++ == 0)
            probing.set_value();
        cancel.waitFor(std::chrono::hours(1)); // a probe that waits until told to stop
        return 1;
    };
    auto monitor = std::make_unique<TStatusThread>(host, probe);
    probing.get_future().wait();
    EXPECT_TRUE(finishesWithin([&] { monitor->stop(); }));
    EXPECT_EQ(probes, 1) << "no server after the stop";
    EXPECT_EQ(host.repaints(), 0);
    EXPECT_EQ(host.statusList().count(), 0);
    monitor.reset(); // a second stop, from the destructor, is harmless
}

TEST(StatusMonitor, DestructionStopsAndJoins) {
    FakeMonitorHost host;
    host.setServers({{QStringLiteral("a"), 1}});
    std::promise<void> probing;
    std::atomic<bool> told{false};
    const StatusProbe probe = [&](const QString &, const CancelToken &cancel) {
        if (!told.exchange(true))
            probing.set_value();
        cancel.waitFor(std::chrono::hours(1));
        return 0;
    };
    auto monitor = std::make_unique<TStatusThread>(host, probe);
    probing.get_future().wait();
    EXPECT_TRUE(finishesWithin([&] { monitor.reset(); }));
}

TEST(StatusMonitor, ProbesOneServerAtATimeOnItsOwnThread) {
    FakeMonitorHost host;
    std::vector<ServerAddress> servers;
    for (int i = 0; i < 8; ++i)
        servers.push_back({QStringLiteral("10.0.0.%1").arg(i), 3389});
    host.setServers(servers);
    std::atomic<int> inFlight{0};
    std::atomic<int> mostInFlight{0};
    std::atomic<bool> onCallerThread{false};
    const auto caller = std::this_thread::get_id();
    const StatusProbe probe = [&](const QString &, const CancelToken &) {
        const int now = ++inFlight;
        mostInFlight = std::max(mostInFlight.load(), now);
        if (std::this_thread::get_id() == caller)
            onCallerThread = true;
        std::this_thread::sleep_for(1ms);
        --inFlight;
        return 1;
    };
    TStatusThread monitor(host, probe, 0ms);
    ASSERT_TRUE(host.waitFor([](int reads, int) { return reads >= 3; }));
    monitor.stop();
    EXPECT_EQ(mostInFlight, 1);
    EXPECT_FALSE(onCallerThread);
    EXPECT_EQ(host.statusList().count(), 8);
}

TEST(StatusMonitor, PicksUpEditedRowsAtTheNextPass) {
    FakeMonitorHost host;
    host.setServers({{QStringLiteral("a"), 1}});
    ScriptedProbe probe{{QStringLiteral("a"), {1}}, {QStringLiteral("b"), {1}}};
    TStatusThread monitor(host, probe.probe(), 0ms);
    ASSERT_TRUE(host.waitFor([](int, int repaints) { return repaints >= 1; }));
    host.setServers({{QStringLiteral("a"), 2}, {QStringLiteral("b"), 1}}); // a's port edited, b added
    const QString a2 = QStringLiteral("a:2");
    ASSERT_TRUE(host.waitFor([&](int, int) {
        return host.statusList().value(a2) == kOnline &&
               host.statusList().value(QStringLiteral("b:1")) == kOnline;
    }));
    monitor.stop();
    EXPECT_EQ(host.statusList().value(QStringLiteral("a:1")), kOnline) << "the old key stays";
}

} // namespace
} // namespace kestrune
