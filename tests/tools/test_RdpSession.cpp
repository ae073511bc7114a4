// End to end against a real Remote Desktop server on this machine: xrdp and
// xrdp-sesman listening on loopback only, a throw-away local account, and
// the real xfreerdp started through Kestrune's launch and kestrune-mstsc,
// drawing into Xvfb. Needs root (for the account) and the packages xrdp,
// freerdp2-x11, xvfb and tigervnc-standalone-server; skipped with the reason
// otherwise. Every process the test starts is stopped by its process id.

#include "launch/Launch.h"
#include "platform/ProcessStart.h"
#include "platform/UserSeal.h"
#include "tests/support/TempDir.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QSettings>
#include <QStandardPaths>
#include <QThread>

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <csignal>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <iostream>

using kestrune::test::TempDir;

namespace {

constexpr int kGuardMs = 30000; // only against a hang

QString findProgram(const QString &name) {
    const QString found = QStandardPaths::findExecutable(name);
    return found.isEmpty() ? QStandardPaths::findExecutable(name, {"/usr/sbin", "/sbin"}) : found;
}

bool writeText(const QString &path, const QString &text, QFile::Permissions permissions) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    file.write(text.toUtf8());
    file.close();
    return file.setPermissions(permissions);
}

// A TCP port on loopback: bound and released, or the one asked for tested.
int loopbackPort(int wanted) {
    int port = -1;
    for (const int family : {AF_INET, AF_INET6}) {
        const int fd = ::socket(family, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd < 0)
            return -1;
        // Reusable, so a connection still in TIME_WAIT does not count as a listener.
        const int reuse = 1;
        ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse);
        int ok = -1;
        if (family == AF_INET) {
            sockaddr_in a{};
            a.sin_family = AF_INET;
            a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            a.sin_port = htons(static_cast<uint16_t>(wanted));
            socklen_t size = sizeof a;
            ok = ::bind(fd, reinterpret_cast<sockaddr *>(&a), size);
            if (ok == 0 && ::getsockname(fd, reinterpret_cast<sockaddr *>(&a), &size) == 0)
                port = ntohs(a.sin_port);
        } else {
            sockaddr_in6 a{};
            a.sin6_family = AF_INET6;
            a.sin6_addr = in6addr_loopback;
            a.sin6_port = htons(static_cast<uint16_t>(wanted));
            ok = ::bind(fd, reinterpret_cast<sockaddr *>(&a), sizeof a);
            if (ok != 0 && errno == EADDRNOTAVAIL)
                ok = 0; // no IPv6 loopback here: nothing can listen there either
        }
        ::close(fd);
        if (ok != 0)
            return -1;
        if (wanted == 0)
            return port;
    }
    return wanted;
}

// A server process of the test, stopped by its pid when the test ends.
class Daemon {
public:
    bool start(const QString &program, const QStringList &arguments, const QString &log) {
        process_.setStandardOutputFile(log, QIODevice::Append);
        process_.setStandardErrorFile(log, QIODevice::Append);
        process_.start(program, arguments);
        return process_.waitForStarted(kGuardMs);
    }
    ~Daemon() { stop(); }
    void stop() {
        if (process_.state() == QProcess::NotRunning)
            return;
        ::kill(static_cast<pid_t>(process_.processId()), SIGTERM);
        if (!process_.waitForFinished(5000)) {
            ::kill(static_cast<pid_t>(process_.processId()), SIGKILL);
            process_.waitForFinished(5000);
        }
    }
    bool running() const { return process_.state() == QProcess::Running; }

private:
    QProcess process_;
};

QList<pid_t> childrenOf(pid_t pid) {
    QList<pid_t> children;
    const QString tasks = QStringLiteral("/proc/%1/task").arg(pid);
    for (const QString &task : QDir(tasks).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile file(tasks + u'/' + task + QStringLiteral("/children"));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        for (const QByteArray &id : file.readAll().split(' '))
            if (id.trimmed().toInt() > 0)
                children << static_cast<pid_t>(id.trimmed().toInt());
    }
    return children;
}

bool gone(pid_t pid) {
    QFile status(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return true;
    const QByteArray line = status.readAll();
    const qsizetype close = line.lastIndexOf(')');
    return close > 0 && line.size() > close + 2 && line[close + 2] == 'Z';
}

void stopByPid(pid_t pid) {
    if (pid <= 0)
        return;
    ::kill(pid, SIGTERM);
    QDeadlineTimer guard(5000);
    while (!gone(pid) && !guard.hasExpired())
        QThread::msleep(20);
    if (!gone(pid))
        ::kill(pid, SIGKILL);
}

// The adapter Kestrune started, and the xfreerdp under it.
void stopClient(qint64 adapterPid) {
    const auto pid = static_cast<pid_t>(adapterPid);
    for (const pid_t child : childrenOf(pid))
        stopByPid(child);
    stopByPid(pid);
}

QList<pid_t> processesOfUser(uid_t uid) {
    QList<pid_t> found;
    for (const QString &entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool numeric = false;
        const int pid = entry.toInt(&numeric);
        if (!numeric)
            continue;
        QFile status(QStringLiteral("/proc/%1/status").arg(pid));
        if (!status.open(QIODevice::ReadOnly))
            continue;
        for (const QByteArray &line : status.readAll().split('\n'))
            if (line.startsWith("Uid:") && line.mid(4).simplified().split(' ').value(0).toUInt() == uid)
                found << static_cast<pid_t>(pid);
    }
    return found;
}

bool runTool(const QString &program, const QStringList &arguments, const QByteArray &input = {}) {
    QProcess tool;
    tool.start(program, arguments);
    if (!tool.waitForStarted(kGuardMs))
        return false;
    tool.write(input);
    tool.closeWriteChannel();
    return tool.waitForFinished(kGuardMs) && tool.exitStatus() == QProcess::NormalExit && tool.exitCode() == 0;
}

bool logContains(const QString &path, const QString &text) {
    QFile log(path);
    return log.open(QIODevice::ReadOnly) && QString::fromUtf8(log.readAll()).contains(text);
}

bool waitForLog(const QString &path, const QString &text) {
    QDeadlineTimer guard(kGuardMs);
    while (!guard.hasExpired()) {
        if (logContains(path, text))
            return true;
        QThread::msleep(100);
    }
    return false;
}

class ScopedEnv {
public:
    ScopedEnv(const char *name, const QByteArray &value) : name_(name), saved_(qgetenv(name)), had_(qEnvironmentVariableIsSet(name)) {
        qputenv(name, value);
    }
    ~ScopedEnv() {
        if (had_)
            qputenv(name_, saved_);
        else
            qunsetenv(name_);
    }
    ScopedEnv(const ScopedEnv &) = delete;
    ScopedEnv &operator=(const ScopedEnv &) = delete;

private:
    const char *name_;
    QByteArray saved_;
    bool had_;
};

class RdpSession : public testing::Test {
protected:
    void SetUp() override {
        if (::geteuid() != 0)
            GTEST_SKIP() << "needs root to add a test account and run xrdp-sesman";
        QStringList missing;
        for (const char *name : {"xrdp", "xrdp-sesman", "xfreerdp", "Xvfb", "Xvnc", "useradd", "userdel", "chpasswd"}) {
            programs_[QLatin1String(name)] = findProgram(QLatin1String(name));
            if (programs_[QLatin1String(name)].isEmpty())
                missing << QLatin1String(name);
        }
        if (!missing.isEmpty())
            GTEST_SKIP() << "missing " << missing.join(", ").toStdString()
                         << " (Debian packages xrdp, freerdp2-x11, xvfb, tigervnc-standalone-server, passwd)";
        // xrdp dials the session manager on the port of the system's sesman.ini.
        sesmanPort_ = QSettings(QStringLiteral("/etc/xrdp/sesman.ini"), QSettings::IniFormat)
                          .value(QStringLiteral("Globals/ListenPort"), 3350).toInt();
        if (loopbackPort(sesmanPort_) < 0)
            GTEST_SKIP() << "port " << sesmanPort_ << " is taken: another xrdp-sesman is running";
        if (!QFileInfo(QStringLiteral("/run/xrdp/sockdir")).isDir())
            GTEST_SKIP() << "/run/xrdp/sockdir is missing (made when the xrdp package is set up)";
        ASSERT_TRUE(QFile::setPermissions(dir_.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                                           QFile::ReadOther | QFile::ExeOther));
        startDisplay();
        createAccount();
        startServers();
    }

    void TearDown() override {
        if (adapterPid_ > 0)
            stopClient(adapterPid_);
        xrdp_.stop();
        sesman_.stop();
        if (uid_ > 0) {
            for (int round = 0; round < 2; ++round)
                for (const pid_t pid : processesOfUser(uid_))
                    stopByPid(pid);
            runTool(programs_["userdel"], {"-r", "-f", user_});
        }
        display_.stop();
        kestrune::platform::setSealKeyPath(QString());
    }

    void startDisplay() {
        for (int n = 90; n < 200 && displayNumber_ < 0; ++n)
            if (!QFileInfo::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(n)) &&
                !QFileInfo::exists(QStringLiteral("/tmp/.X%1-lock").arg(n)))
                displayNumber_ = n;
        ASSERT_GE(displayNumber_, 0);
        ASSERT_TRUE(display_.start(programs_["Xvfb"],
                                   {QStringLiteral(":%1").arg(displayNumber_), "-screen", "0", "1024x768x24",
                                    "-nolisten", "tcp"},
                                   dir_.file(QStringLiteral("xvfb.log"))));
        QDeadlineTimer guard(kGuardMs);
        while (!QFileInfo::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(displayNumber_)) && !guard.hasExpired())
            QThread::msleep(50);
        ASSERT_TRUE(display_.running()) << "Xvfb ended";
    }

    void createAccount() {
        user_ = QStringLiteral("kestrune%1").arg(QRandomGenerator::global()->bounded(100000, 999999));
        password_ = QStringLiteral("Kes密码-%1").arg(QRandomGenerator::global()->bounded(1000, 9999));
        ASSERT_TRUE(runTool(programs_["useradd"], {"-m", "-s", "/bin/sh", user_}));
        QProcess id;
        id.start(QStringLiteral("id"), {"-u", user_});
        ASSERT_TRUE(id.waitForFinished(kGuardMs));
        uid_ = id.readAllStandardOutput().trimmed().toUInt();
        ASSERT_GT(uid_, 0u);
        ASSERT_TRUE(runTool(programs_["chpasswd"], {}, (user_ + u':' + password_ + u'\n').toUtf8()));
    }

    void startServers() {
        xrdpPort_ = loopbackPort(0);
        ASSERT_GT(xrdpPort_, 0);
        sesmanLog_ = dir_.file(QStringLiteral("sesman.log"));
        const QString session = dir_.file(QStringLiteral("session.sh"));
        ASSERT_TRUE(writeText(session,
                              QStringLiteral("#!/bin/sh\n"
                                             "exec xmessage -geometry 800x600+0+0 -bg '#1d4f7a' -fg white "
                                             "\"Kestrune Remote Desktop session: $USER\"\n"),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther |
                                  QFile::ExeOther));
        ASSERT_TRUE(writeText(dir_.file(QStringLiteral("sesman.ini")),
                              QStringLiteral("[Globals]\nListenAddress=127.0.0.1\nListenPort=%1\n"
                                             "EnableUserWindowManager=false\nDefaultWindowManager=%2\n"
                                             "[Security]\nAllowRootLogin=false\nMaxLoginRetry=4\n"
                                             "[Sessions]\nX11DisplayOffset=%3\nMaxSessions=4\n"
                                             "KillDisconnected=true\nDisconnectedTimeLimit=0\nIdleTimeLimit=0\n"
                                             "Policy=Default\n"
                                             "[Logging]\nLogFile=%4\nLogLevel=INFO\nEnableSyslog=false\n"
                                             "[Xvnc]\nparam=Xvnc\nparam=-bs\nparam=-nolisten\nparam=tcp\n"
                                             "param=-localhost\nparam=-dpi\nparam=96\n"
                                             "[Chansrv]\nFuseMountName=thinclient_drives\n")
                                  .arg(sesmanPort_)
                                  .arg(session)
                                  .arg(displayNumber_ + 1)
                                  .arg(sesmanLog_),
                              QFile::ReadOwner | QFile::WriteOwner));
        ASSERT_TRUE(writeText(dir_.file(QStringLiteral("xrdp.ini")),
                              QStringLiteral("[Globals]\nini_version=1\nfork=false\naddress=127.0.0.1\n"
                                             "port=tcp://127.0.0.1:%1\nuse_vsock=false\n"
                                             "security_layer=negotiate\ncrypt_level=high\ncertificate=\n"
                                             "key_file=\nssl_protocols=TLSv1.2, TLSv1.3\nautorun=Xvnc\n"
                                             "allow_channels=true\nmax_bpp=32\n"
                                             "[Logging]\nLogFile=%2\nLogLevel=INFO\nEnableSyslog=false\n"
                                             "[Xvnc]\nname=Xvnc\nlib=libvnc.so\nusername=ask\npassword=ask\n"
                                             "ip=127.0.0.1\nport=-1\n")
                                  .arg(xrdpPort_)
                                  .arg(dir_.file(QStringLiteral("xrdp.log"))),
                              QFile::ReadOwner | QFile::WriteOwner));
        ASSERT_TRUE(sesman_.start(programs_["xrdp-sesman"], {"--nodaemon", "--config", dir_.file("sesman.ini")},
                                  dir_.file(QStringLiteral("sesman.out"))));
        ASSERT_TRUE(waitForLog(sesmanLog_, QStringLiteral("starting xrdp-sesman")));
        ASSERT_TRUE(xrdp_.start(programs_["xrdp"], {"--nodaemon", "--config", dir_.file("xrdp.ini")},
                                dir_.file(QStringLiteral("xrdp.out"))));
        QDeadlineTimer guard(kGuardMs);
        while (loopbackPort(xrdpPort_) > 0 && xrdp_.running() && !guard.hasExpired())
            QThread::msleep(50);
        ASSERT_TRUE(xrdp_.running()) << "xrdp ended, see its log";
    }

    // One click on "连接" for the row (127.0.0.1, the xrdp port, the account).
    void connect(const QString &password) {
        kestrune::launch::ConnectionRequest request;
        request.ip = QStringLiteral("127.0.0.1");
        request.port = QString::number(xrdpPort_);
        request.userName = user_;
        request.password = password;
        request.resolutionIndex = 2;
        request.resolutionText = QStringLiteral("800*600");
        request.screenSize = QSize(1024, 768);
        request.startModeIndex = 0;
        request.reconnect = true;
        request.rdpFile = dir_.file(QStringLiteral("config.ini"));
        kestrune::launch::LaunchHooks hooks;
        hooks.startClient = [this](const QString &line) {
            return kestrune::platform::startCommandLine(line, QStringLiteral(KESTRUNE_PROGRAM_DIR), &adapterPid_);
        };
        kestrune::launch::launchConnection(request, hooks);
        EXPECT_GT(adapterPid_, 0);
        EXPECT_FALSE(QFileInfo::exists(request.rdpFile));
    }

    void disconnect() {
        stopClient(adapterPid_);
        adapterPid_ = 0;
    }

    TempDir dir_;
    QHash<QString, QString> programs_;
    int sesmanPort_ = 0;
    int xrdpPort_ = 0;
    int displayNumber_ = -1;
    QString user_;
    QString password_;
    uid_t uid_ = 0;
    QString sesmanLog_;
    qint64 adapterPid_ = 0;
    Daemon display_;
    Daemon sesman_;
    Daemon xrdp_;
};

TEST_F(RdpSession, TheRightPasswordStartsASessionAndAWrongOneFailsAuthentication) {
    // What kestrune-mstsc and xfreerdp inherit: the display, a home for
    // FreeRDP's known certificates, and the configuration folder with the key.
    const QString home = dir_.file(QStringLiteral("home"));
    ASSERT_TRUE(QDir().mkpath(home));
    ScopedEnv display("DISPLAY", QStringLiteral(":%1").arg(displayNumber_).toUtf8());
    ScopedEnv homeEnv("HOME", QFile::encodeName(home));
    ScopedEnv config("XDG_CONFIG_HOME", QFile::encodeName(dir_.file(QStringLiteral("config"))));
    kestrune::platform::setSealKeyPath(QString());

    connect(password_);
    ASSERT_TRUE(waitForLog(sesmanLog_, QStringLiteral("created session (access granted): username %1").arg(user_)))
        << "no session for " << user_.toStdString() << " in " << sesmanLog_.toStdString();
    EXPECT_TRUE(waitForLog(sesmanLog_, QStringLiteral("Session started successfully for user %1").arg(user_)));
    EXPECT_FALSE(logContains(sesmanLog_, QStringLiteral("AUTHFAIL")));

    const QString import = findProgram(QStringLiteral("import"));
    if (!import.isEmpty() && waitForLog(sesmanLog_, QStringLiteral("Starting the default window manager"))) {
        QThread::msleep(3000); // let the first frames reach the window; the picture is for the README
        runTool(import, {"-display", QStringLiteral(":%1").arg(displayNumber_), "-window", "root",
                         QStringLiteral(KESTRUNE_SESSION_SHOT)});
        std::cout << "session screenshot: " << KESTRUNE_SESSION_SHOT << std::endl;
    }
    disconnect();

    connect(QStringLiteral("not the password"));
    EXPECT_TRUE(waitForLog(sesmanLog_, QStringLiteral("AUTHFAIL: user=%1").arg(user_)))
        << "no authentication failure for " << user_.toStdString();
    disconnect();
}

} // namespace
