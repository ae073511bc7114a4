#include "launch/Launch.h"

#include "launch/CommandLine.h"
#include "launch/RdpFile.h"
#include "launch/RdpPassword.h"
#include "launch/Resolution.h"
#include "platform/Exception.h"
#include "platform/GbkCodec.h"
#include "platform/ProcessStart.h"

#include <QFile>
#include <QThread>

#include <algorithm>

namespace kestrune::launch {
namespace {

constexpr int kFileLifetimeMs = 1000;

bool breaksAddress(QChar c) {
    return c.isSpace() || c == u'"' || c == u'\'' || c.category() == QChar::Other_Control;
}

bool isAsciiDigit(QChar c) { return c >= u'0' && c <= u'9'; }

bool isLineBreak(QChar c) { return c == u'\r' || c == u'\n'; }

} // namespace

void checkConnectionRequest(const ConnectionRequest &request) {
    if (std::any_of(request.ip.begin(), request.ip.end(), breaksAddress))
        throw Exception(QStringLiteral("服务器地址不能包含空格、引号或控制字符，请先修改该服务器的地址。"));
    if (!std::all_of(request.port.begin(), request.port.end(), isAsciiDigit))
        throw Exception(QStringLiteral("端口号只能由数字组成，请先修改该服务器的端口号。"));
    if (std::any_of(request.userName.begin(), request.userName.end(), isLineBreak))
        throw Exception(QStringLiteral("用户名不能包含换行符，请先修改该服务器的用户名。"));
    if (!platform::isGbkEncodable(request.userName))
        throw Exception(QStringLiteral("用户名中有无法保存到连接文件的字符，请先修改该服务器的用户名。"));
}

QSize desktopSize(const ConnectionRequest &request) {
    if (request.resolutionIndex <= 0)
        return request.screenSize;
    int width = 0;
    int height = 0;
    parseResolution(request.resolutionText, width, height);
    return {width, height};
}

void launchConnection(const ConnectionRequest &request, const LaunchHooks &hooks) {
    checkConnectionRequest(request);

    QStringList lines = rdpFileHead();
    const QSize size = desktopSize(request);
    RdpFileSettings settings;
    settings.width = size.width();
    settings.height = size.height();
    settings.userName = request.userName;
    settings.password = request.password;
    settings.reconnect = request.reconnect;
    lines += rdpFileBody(settings, EncryptRdpPassword(request.password));
    saveRdpFile(lines, request.rdpFile);

    const QString commandLine = clientCommandLine(
        request.rdpFile, startModeSwitch(request.startModeIndex), request.ip, request.port);
    if (hooks.startClient)
        hooks.startClient(commandLine);
    else
        platform::startCommandLine(commandLine);

    if (hooks.sleep)
        hooks.sleep(kFileLifetimeMs);
    else
        QThread::msleep(kFileLifetimeMs);
    QFile::remove(request.rdpFile);
}

} // namespace kestrune::launch
