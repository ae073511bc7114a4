// kestrune-newdb [--samples] [FILE]
//
// Creates a new Kestrune database (FILE, by default "data.mdb" in the
// current directory) with every table, operator 1 and no start-up password;
// --samples adds a few loopback servers. An existing file is never touched.

#include "db/Schema.h"
#include "platform/Exception.h"

#include <QCoreApplication>
#include <QStringList>
#include <cstdio>

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    bool samples = false;
    QString path = kestrune::db::DatabaseFileName;
    const QStringList args = app.arguments().mid(1);
    for (const QString &arg : args) {
        if (arg == QLatin1String("--samples")) {
            samples = true;
        } else if (arg == QLatin1String("-h") || arg == QLatin1String("--help")) {
            std::puts("用法: kestrune-newdb [--samples] [文件]\n"
                      "新建 Kestrune 数据库（默认为当前目录下的 data.mdb）；--samples 加入几台示例服务器。\n"
                      "已有的文件不会被覆盖。");
            return 0;
        } else if (arg.startsWith(u'-')) {
            std::fprintf(stderr, "kestrune-newdb: 未知选项 %s\n", qPrintable(arg));
            return 2;
        } else {
            path = arg;
        }
    }
    try {
        kestrune::db::createDatabase(path, kestrune::db::DatabaseKey, samples);
    } catch (const kestrune::Exception &e) {
        std::fprintf(stderr, "kestrune-newdb: %s\n", e.message().toUtf8().constData());
        return 1;
    }
    std::printf("已创建 %s\n", path.toUtf8().constData());
    return 0;
}
