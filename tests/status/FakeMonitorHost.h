#pragma once
// A stand-in for the main window as the status monitor sees it: a server
// table the test edits, a status table, and a repaint counter. Every call
// the monitor makes is recorded so that tests can wait for it.

#include "platform/Exception.h"
#include "status/uStatusThread.h"

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <vector>

namespace kestrune::test {

class FakeMonitorHost : public StatusMonitorHost {
public:
    void setServers(std::vector<ServerAddress> servers) {
        const std::lock_guard<std::mutex> lock(mutex_);
        servers_ = std::move(servers);
    }

    // The next `count` reads of the server table fail.
    void failNextReads(int count) {
        const std::lock_guard<std::mutex> lock(mutex_);
        failures_ = count;
    }

    // Runs on the monitor thread inside every repaint, after it is counted.
    void onRepaint(std::function<void()> action) {
        const std::lock_guard<std::mutex> lock(mutex_);
        onRepaint_ = std::move(action);
    }

    std::vector<ServerAddress> readServers() override {
        std::unique_lock<std::mutex> lock(mutex_);
        ++reads_;
        changed_.notify_all();
        if (failures_ > 0) {
            --failures_;
            throw Exception(QStringLiteral("no such table: FWQ"));
        }
        return servers_;
    }

    StatusTable &statusList() override { return statusList_; }

    void repaintGrid() override {
        std::function<void()> action;
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            ++repaints_;
            action = onRepaint_;
            changed_.notify_all();
        }
        if (action)
            action();
    }

    int reads() const {
        const std::lock_guard<std::mutex> lock(mutex_);
        return reads_;
    }

    int repaints() const {
        const std::lock_guard<std::mutex> lock(mutex_);
        return repaints_;
    }

    // Waits (at most `limit`, a guard against hangs) until `done` holds for
    // (reads, repaints); false when it never did.
    bool waitFor(const std::function<bool(int reads, int repaints)> &done,
                 std::chrono::milliseconds limit = std::chrono::seconds(20)) {
        std::unique_lock<std::mutex> lock(mutex_);
        return changed_.wait_for(lock, limit, [&] { return done(reads_, repaints_); });
    }

private:
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<ServerAddress> servers_;
    int failures_ = 0;
    int reads_ = 0;
    int repaints_ = 0;
    std::function<void()> onRepaint_;
    StatusTable statusList_;
};

} // namespace kestrune::test
