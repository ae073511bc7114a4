#include "tools/mstsc/Adapter.h"

#include "launch/RdpPassword.h"
#include "platform/Exception.h"

#include <QMessageBox>
#include <QProcess>
#include <QStandardPaths>

#include <csignal>
#include <sys/prctl.h>
#include <unistd.h>

namespace kestrune::mstsc {
namespace {

const QString kClient = QStringLiteral("xfreerdp");

// xfreerdp's own failure codes start here (argument, connection,
// authentication and logon failures); below are the server's reasons for
// ending a session, which the user has already seen.
constexpr int kFirstClientFailure = 128;

QString toggle(bool on, const char *name) {
    return (on ? QStringLiteral("+") : QStringLiteral("-")) + QLatin1String(name);
}

// "host:port" as xfreerdp takes it: a bare IPv6 address is bracketed, and an
// empty port (a row without one) leaves the client's default.
QString serverArgument(const QString &server) {
    QString host = server;
    QString port;
    const qsizetype colon = server.lastIndexOf(u':');
    if (colon >= 0) {
        host = server.left(colon);
        port = server.mid(colon + 1);
    }
    if (host.contains(u':') && !host.startsWith(u'['))
        host = u'[' + host + u']';
    return QStringLiteral("/v:") + host + (port.isEmpty() ? QString() : u':' + port);
}

QString readPassword(const ConnectionSettings &settings) {
    QString error;
    const auto password = launch::openRdpPassword(settings.passwordHex, &error);
    if (!password)
        throw Exception(QStringLiteral("无法取出连接文件中的密码：%1").arg(error));
    // xfreerdp reads the password up to the first line feed.
    if (password->contains(u'\n'))
        throw Exception(QStringLiteral("密码中含有换行符，无法交给远程桌面客户端。"));
    return *password;
}

// The client goes when the adapter goes, so stopping the adapter ends the
// session; an adapter gone before the request took hold ends the client too.
std::function<void()> dieWithParent() {
    const pid_t adapter = ::getpid();
    return [adapter] {
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (::getppid() != adapter)
            ::_exit(1);
    };
}

} // namespace

AdapterArguments parseArguments(const QStringList &arguments) {
    AdapterArguments parsed;
    for (const QString &argument : arguments) {
        if (argument.startsWith(QLatin1String("/v:"), Qt::CaseInsensitive))
            parsed.server = argument.mid(3);
        else if (argument.compare(QLatin1String("/admin"), Qt::CaseInsensitive) == 0)
            parsed.admin = true;
        else if (argument.compare(QLatin1String("/console"), Qt::CaseInsensitive) == 0)
            parsed.admin = false;
        else if (parsed.file.isEmpty())
            parsed.file = argument;
        else
            throw Exception(QStringLiteral("多出的参数：%1").arg(argument));
    }
    if (parsed.file.isEmpty())
        throw Exception(QStringLiteral("没有指定连接文件。用法：kestrune-mstsc <连接文件> [/console|/admin] /v:<服务器>[:<端口>]"));
    if (parsed.server.isEmpty())
        throw Exception(QStringLiteral("没有指定要连接的服务器（/v:<服务器>[:<端口>]）。"));
    return parsed;
}

QStringList freeRdpArguments(const ConnectionSettings &settings, const AdapterArguments &arguments,
                             bool passwordOnStdin) {
    QStringList list{serverArgument(arguments.server)};
    if (settings.fullScreen)
        list << QStringLiteral("/f");
    else
        list << QStringLiteral("/w:%1").arg(settings.width) << QStringLiteral("/h:%1").arg(settings.height);
    list << QStringLiteral("/bpp:%1").arg(settings.colourDepth);
    if (!settings.userName.isEmpty())
        list << QStringLiteral("/u:") + settings.userName;
    if (arguments.admin)
        list << QStringLiteral("/admin");
    list << toggle(settings.reconnect, "auto-reconnect") << toggle(settings.wallpaper, "wallpaper")
         << toggle(settings.themes, "themes") << toggle(settings.menuAnimations, "menu-anims")
         << toggle(settings.fullWindowDrag, "window-drag")
         << toggle(settings.compression, "compression")
         << toggle(settings.bitmapCache, "bitmap-cache")
         << QStringLiteral("/audio-mode:%1").arg(settings.audioMode);
    // Windows key combinations stay local in a window unless the file says always.
    if (!settings.fullScreen && settings.keyboardHook != 1)
        list << QStringLiteral("-grab-keyboard");
    // Trust a server's certificate on first sight and hold it to that one
    // afterwards: a changed certificate stops the connection.
    list << QStringLiteral("/cert:tofu");
    if (passwordOnStdin)
        list << QStringLiteral("/from-stdin:force");
    return list;
}

int runAdapter(const QStringList &arguments, const std::function<void(const QString &)> &showError) {
    AdapterArguments parsed;
    ConnectionSettings settings;
    QString password;
    try {
        parsed = parseArguments(arguments);
        settings = readConnectionFile(parsed.file);
        if (!settings.passwordHex.isEmpty())
            password = readPassword(settings);
    } catch (const Exception &e) {
        showError(e.message());
        return kBadInput;
    }

    const QString client = QStandardPaths::findExecutable(kClient);
    if (client.isEmpty()) {
        showError(QStringLiteral("找不到远程桌面客户端 xfreerdp。请先安装 freerdp2-x11 软件包。"));
        return kNoClient;
    }

    const bool passwordOnStdin = !settings.passwordHex.isEmpty();
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.setChildProcessModifier(dieWithParent());
    if (!passwordOnStdin)
        process.setStandardInputFile(QProcess::nullDevice());
    process.start(client, freeRdpArguments(settings, parsed, passwordOnStdin));
    if (!process.waitForStarted(-1)) {
        showError(QStringLiteral("无法启动远程桌面客户端 %1：%2").arg(client, process.errorString()));
        return kNoClient;
    }
    if (passwordOnStdin) {
        QByteArray line = password.toUtf8() + '\n';
        process.write(line);
        line.fill('\0');
        password.fill(u'\0');
        process.waitForBytesWritten(-1);
        process.closeWriteChannel();
    }
    process.waitForFinished(-1);

    if (process.exitStatus() == QProcess::CrashExit) {
        showError(QStringLiteral("远程桌面客户端意外退出。"));
        return kClientCrashed;
    }
    const int code = process.exitCode();
    if (code >= kFirstClientFailure)
        showError(QStringLiteral("无法连接到远程桌面服务器 %1（xfreerdp 退出码 %2）。")
                      .arg(parsed.server)
                      .arg(code));
    return code;
}

void showErrorDialog(const QString &text) {
    QMessageBox box(QMessageBox::Warning, QStringLiteral("远程桌面连接"), text, QMessageBox::Ok);
    box.exec();
}

} // namespace kestrune::mstsc
