#include "tools/mstsc/ConnectionFile.h"

#include "platform/Exception.h"
#include "platform/GbkCodec.h"

#include <QFile>
#include <QHash>
#include <QStringList>

namespace kestrune::mstsc {
namespace {

struct Setting {
    QChar type;
    QString value;
};

QHash<QString, Setting> readLines(const QByteArray &bytes) {
    QHash<QString, Setting> settings;
    const QStringList lines = platform::fromGbk(bytes).split(QStringLiteral("\r\n"));
    int number = 0;
    for (const QString &line : lines) {
        ++number;
        if (line.isEmpty())
            continue;
        const qsizetype first = line.indexOf(u':');
        const qsizetype second = first < 0 ? -1 : line.indexOf(u':', first + 1);
        if (first <= 0 || second != first + 2)
            throw Exception(QStringLiteral("连接文件第 %1 行格式不正确：%2").arg(number).arg(line));
        settings.insert(line.left(first).toLower(), {line[first + 1], line.mid(second + 1)});
    }
    return settings;
}

class Reader {
public:
    explicit Reader(QHash<QString, Setting> settings) : settings_(std::move(settings)) {}

    int integer(const QString &name, int fallback, bool required = false) const {
        const auto it = settings_.constFind(name);
        if (it == settings_.constEnd()) {
            if (required)
                throw Exception(QStringLiteral("连接文件中缺少设置“%1”。").arg(name));
            return fallback;
        }
        bool ok = false;
        const int value = it->value.toInt(&ok);
        if (it->type != u'i' || !ok)
            throw Exception(QStringLiteral("连接文件中的设置“%1”不是整数：%2").arg(name, it->value));
        return value;
    }

    bool flag(const QString &name, bool fallback) const {
        return integer(name, fallback ? 1 : 0) != 0;
    }

    QString text(const QString &name, QChar type) const {
        const auto it = settings_.constFind(name);
        if (it == settings_.constEnd())
            return {};
        if (it->type != type)
            throw Exception(QStringLiteral("连接文件中的设置“%1”类型不正确。").arg(name));
        return it->value;
    }

private:
    QHash<QString, Setting> settings_;
};

} // namespace

ConnectionSettings parseConnectionFile(const QByteArray &bytes) {
    const Reader file(readLines(bytes));
    ConnectionSettings s;
    s.fullScreen = file.integer(QStringLiteral("screen mode id"), 1) == 2;
    s.width = file.integer(QStringLiteral("desktopwidth"), 0, true);
    s.height = file.integer(QStringLiteral("desktopheight"), 0, true);
    if (s.width <= 0 || s.height <= 0)
        throw Exception(QStringLiteral("连接文件中的桌面大小 %1×%2 无效。").arg(s.width).arg(s.height));
    s.colourDepth = file.integer(QStringLiteral("session bpp"), 16);
    s.userName = file.text(QStringLiteral("username"), u's');
    s.passwordHex = file.text(QStringLiteral("password 51"), u'b');
    s.compression = file.flag(QStringLiteral("compression"), true);
    s.keyboardHook = file.integer(QStringLiteral("keyboardhook"), 2);
    s.audioMode = file.integer(QStringLiteral("audiomode"), 0);
    s.reconnect = file.flag(QStringLiteral("autoreconnection enabled"), true);
    s.wallpaper = !file.flag(QStringLiteral("disable wallpaper"), false);
    s.fullWindowDrag = !file.flag(QStringLiteral("disable full window drag"), false);
    s.menuAnimations = !file.flag(QStringLiteral("disable menu anims"), false);
    s.themes = !file.flag(QStringLiteral("disable themes"), false);
    s.bitmapCache = file.flag(QStringLiteral("bitmapcachepersistenable"), true);
    return s;
}

ConnectionSettings readConnectionFile(const QString &path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Exception(QStringLiteral("无法读取连接文件 %1：%2").arg(path, file.errorString()));
    return parseConnectionFile(file.readAll());
}

} // namespace kestrune::mstsc
