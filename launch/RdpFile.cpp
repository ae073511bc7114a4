#include "launch/RdpFile.h"

#include "launch/RdpPassword.h"
#include "platform/Exception.h"
#include "platform/GbkCodec.h"

#include <QDir>
#include <QFile>

namespace kestrune::launch {

QStringList rdpFileHead() {
    return {QStringLiteral("screen mode id:i:1"), QStringLiteral("session bpp:i:16")};
}

QStringList rdpFileBody(const RdpFileSettings &settings, const QString &protectedPassword) {
    return {
        QStringLiteral("desktopwidth:i:%1").arg(settings.width),
        QStringLiteral("desktopheight:i:%1").arg(settings.height),
        QStringLiteral("username:s:") + settings.userName,
        QStringLiteral("password 51:b:") + protectedPassword,
        QStringLiteral("compression:i:1"),
        QStringLiteral("keyboardhook:i:2"),
        QStringLiteral("audiomode:i:2"),
        QStringLiteral("redirectdrives:i:0"),
        QStringLiteral("redirectprinters:i:0"),
        QStringLiteral("redirectcomports:i:0"),
        QStringLiteral("redirectsmartcards:i:0"),
        QStringLiteral("displayconnectionbar:i:1"),
        settings.reconnect ? QStringLiteral("autoreconnection enabled:i:1")
                           : QStringLiteral("autoreconnection enabled:i:0"),
        QStringLiteral("disable wallpaper:i:1"),
        QStringLiteral("disable full window drag:i:1"),
        QStringLiteral("disable menu anims:i:1"),
        QStringLiteral("disable themes:i:1"),
        QStringLiteral("disable cursor setting:i:0"),
        QStringLiteral("bitmapcachepersistenable:i:1"),
    };
}

QStringList rdpFileLines(const RdpFileSettings &settings) {
    return rdpFileHead() + rdpFileBody(settings, EncryptRdpPassword(settings.password));
}

QByteArray rdpFileBytes(const QStringList &lines) {
    QString text;
    for (const QString &line : lines)
        text += line + QStringLiteral("\r\n");
    const auto bytes = platform::toGbk(text);
    if (!bytes)
        throw Exception(QStringLiteral("连接文件中有无法按 GBK 编码保存的字符。"));
    return *bytes;
}

void saveRdpFile(const QStringList &lines, const QString &path) {
    const QByteArray bytes = rdpFileBytes(lines);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
        throw Exception(QStringLiteral("Cannot create file ") + QDir::toNativeSeparators(path));
    if (file.write(bytes) != bytes.size())
        throw Exception(QStringLiteral("Stream write error"));
}

} // namespace kestrune::launch
