// bench_monitor make N DIR  creates DIR/data.mdb with N servers on loopback
//                           (127.0.0.1 .. 127.0.x.y, all answering)
// bench_monitor pass        runs Kestrune in the current folder for two
//                           passes; prints the second pass's time and the
//                           user-interface thread's longest stall meanwhile
//                           (repaints included)
// bench_monitor close MS    runs Kestrune, closes the main window MS ms after
//                           it showed, prints the moment of the close; the
//                           script times the process exit against it
// bench/monitor/run.sh turns these into the README's figures.

#include "app/Entry.h"
#include "bench/common/BenchDatabase.h"
#include "app/KestruneApplication.h"
#include "db/Schema.h"
#include "db/Connection.h"
#include "servers/ufmMain.h"
#include "status/StatusTable.h"
#include "status/uStatusThread.h"

#include <atomic>

#include <QElapsedTimer>
#include <QTimer>
#include <cstdio>
#include <ctime>

using namespace kestrune;

namespace {

int makeDatabase(int rows, const QString &dir) {
    bench::makeServerDatabase(dir, rows, [](int i) {
        return bench::BenchServer{QStringLiteral("127.0.%1.%2").arg(i / 250).arg(i % 250 + 1), 3389,
                                  QStringLiteral("u%1").arg(i), QStringLiteral("p"), QString()};
    });
    return 0;
}

long long realtimeNs() {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    return ts.tv_sec * 1000000000LL + ts.tv_nsec;
}

// Times the second pass (the first overlaps the window's own start-up) by
// wrapping the monitor's probe, and watches the user-interface thread
// meanwhile with a 1 ms timer: the longest gap between its ticks is the
// longest time the thread could not react.
struct PassWatch : QObject {
    int rows = 0;
    std::atomic<int> calls{0};
    std::atomic<bool> inPass{false};
    std::atomic<long long> passStart{0}, passEnd{0};
    QElapsedTimer clock;
    qint64 lastTick = -1, longest = 0;
    QTimer tick;

    bool eventFilter(QObject *watched, QEvent *event) override {
        if (event->type() == QEvent::Show && fmMain && watched == fmMain && lastTick < 0) {
            lastTick = 0;
            fmMain->statusProbe = [this](const QString &host, const platform::CancelToken &cancel) {
                const int call = calls.fetch_add(1);
                if (call == rows) {
                    passStart = realtimeNs();
                    inPass = true;
                }
                const int replies = PingHost(host, &cancel);
                if (call == 2 * rows - 1) {
                    passEnd = realtimeNs();
                    inPass = false;
                }
                return replies;
            };
            clock.start();
            tick.setTimerType(Qt::PreciseTimer);
            connect(&tick, &QTimer::timeout, this, &PassWatch::onTick);
            tick.start(1);
        }
        return false;
    }

    void onTick() {
        const qint64 now = clock.elapsed();
        if (inPass)
            longest = std::max(longest, now - lastTick);
        lastTick = now;
        if (passEnd != 0) {
            std::printf("servers=%d pass_ms=%.1f longest_ui_stall_ms=%lld\n", rows,
                        double(passEnd - passStart) / 1e6, static_cast<long long>(longest));
            std::fflush(stdout);
            tick.stop();
            fmMain->close();
        }
    }
};

void closeAfter(int ms) {
    auto *poll = new QTimer(qApp);
    QObject::connect(poll, &QTimer::timeout, [=] {
        if (!fmMain || !fmMain->isVisible())
            return;
        poll->stop();
        QTimer::singleShot(ms, [] {
            std::printf("close_ns=%lld\n", realtimeNs());
            std::fflush(stdout);
            fmMain->close();
        });
    });
    poll->start(5);
}

} // namespace

int main(int argc, char **argv) {
    const QByteArray mode = argc > 1 ? QByteArray(argv[1]) : QByteArray();
    if (mode == "make" && argc == 4)
        return makeDatabase(QByteArray(argv[2]).toInt(), QString::fromLocal8Bit(argv[3]));
    if (mode != "pass" && !(mode == "close" && argc == 3)) {
        std::fprintf(stderr, "usage: bench_monitor make N DIR | pass | close MS\n");
        return 2;
    }
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    int qtArgc = 1;
    KestruneApplication app(qtArgc, argv);
    if (mode == "pass") {
        db::Connection conn;
        conn.open(db::DatabaseFileName, db::DatabaseKey);
        db::Query count(&conn, QStringLiteral("count"));
        count.setSql(QStringLiteral("select count(*) from FWQ"));
        count.open();
        static PassWatch watch;
        watch.rows = count.field(0).asInteger();
        app.installEventFilter(&watch);
    } else {
        closeAfter(QByteArray(argv[2]).toInt());
    }
    return RunKestrune(app);
}
