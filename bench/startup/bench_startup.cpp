// bench_startup make N DIR   creates DIR/data.mdb holding N servers
// bench_startup run          runs Kestrune's own entry sequence in the
//                            current folder and, once the grid has painted
//                            its rows, prints "painted_ns=<CLOCK_REALTIME>
//                            rows=<n> maxrss_kb=<peak resident set>", then
//                            closes the window.
// bench/startup/run.sh turns these into the README's figures.

#include "app/Entry.h"
#include "bench/common/BenchDatabase.h"
#include "app/KestruneApplication.h"
#include "servers/ufmMain.h"
#include "status/uStatusThread.h"
#include "widgets/DataGrid.h"

#include <QTimer>
#include <cstdio>
#include <ctime>
#include <sys/resource.h>

namespace {

namespace bench = kestrune::bench;

int makeDatabase(int rows, const QString &dir) {
    bench::makeServerDatabase(dir, rows, [](int i) {
        return bench::BenchServer{QStringLiteral("127.%1.%2.%3").arg(i / 65536 % 256).arg(i / 256 % 256).arg(i % 256),
                                  3389 + i % 7, QStringLiteral("运维%1").arg(i), QStringLiteral("pw%1").arg(i),
                                  QStringLiteral("第 %1 台服务器").arg(i)};
    });
    return 0;
}

long long realtimeNs() {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    return ts.tv_sec * 1000000000LL + ts.tv_nsec;
}

// Notes the first paint of the grid that shows rows, then ends the run.
class PaintWatch : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject *watched, QEvent *event) override {
        if (done_ || event->type() != QEvent::Paint || !kestrune::fmMain)
            return false;
        kestrune::DataGrid *grid = kestrune::fmMain->dgMain;
        if (watched != grid->viewport() || grid->model()->rowCount() == 0)
            return false;
        done_ = true;
        // Stamped once this paint has been handled.
        QTimer::singleShot(0, [grid] {
            rusage usage{};
            getrusage(RUSAGE_SELF, &usage);
            std::printf("painted_ns=%lld rows=%d maxrss_kb=%ld\n", realtimeNs(), grid->model()->rowCount(),
                        usage.ru_maxrss);
            std::fflush(stdout);
            kestrune::fmMain->close();
        });
        return false;
    }

private:
    bool done_ = false;
};

} // namespace

int main(int argc, char **argv) {
    if (argc == 4 && QByteArray(argv[1]) == "make")
        return makeDatabase(QByteArray(argv[2]).toInt(), QString::fromLocal8Bit(argv[3]));
    if (argc != 2 || QByteArray(argv[1]) != "run") {
        std::fprintf(stderr, "usage: bench_startup make N DIR | bench_startup run\n");
        return 2;
    }
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    int qtArgc = 1;
    kestrune::KestruneApplication app(qtArgc, argv);
    PaintWatch watch;
    app.installEventFilter(&watch);
    return kestrune::RunKestrune(app);
}
