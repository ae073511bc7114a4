#include "launch/RdpFile.h"
#include "launch/RdpPassword.h"
#include "platform/Exception.h"
#include "platform/UserSeal.h"
#include "tests/support/TempDir.h"
#include "tools/mstsc/Adapter.h"
#include "tools/mstsc/ConnectionFile.h"

#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QProcess>
#include <QTimer>

#include <gtest/gtest.h>

using namespace kestrune::mstsc;
using kestrune::Exception;
using kestrune::test::TempDir;

namespace {

QByteArray readFile(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &bytes, QFile::Permissions permissions = {}) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
    file.close();
    if (permissions) {
        ASSERT_TRUE(file.setPermissions(permissions));
    }
}

kestrune::launch::RdpFileSettings kestruneSettings() {
    kestrune::launch::RdpFileSettings s;
    s.width = 1024;
    s.height = 768;
    s.userName = QStringLiteral("管理员");
    s.password = QStringLiteral("密码 Pass\"1");
    s.reconnect = true;
    return s;
}

TEST(ConnectionFile, ReadsWhatKestruneWrites) {
    auto settings = kestruneSettings();
    settings.reconnect = false;
    const QByteArray bytes = kestrune::launch::rdpFileBytes(
        kestrune::launch::rdpFileHead() + kestrune::launch::rdpFileBody(settings, QStringLiteral("0A0B")));
    const ConnectionSettings read = parseConnectionFile(bytes);
    EXPECT_FALSE(read.fullScreen);
    EXPECT_EQ(read.width, 1024);
    EXPECT_EQ(read.height, 768);
    EXPECT_EQ(read.colourDepth, 16);
    EXPECT_EQ(read.userName, QStringLiteral("管理员"));
    EXPECT_EQ(read.passwordHex, QStringLiteral("0A0B"));
    EXPECT_FALSE(read.reconnect);
    EXPECT_TRUE(read.compression);
    EXPECT_EQ(read.keyboardHook, 2);
    EXPECT_EQ(read.audioMode, 2);
    EXPECT_FALSE(read.wallpaper);
    EXPECT_FALSE(read.fullWindowDrag);
    EXPECT_FALSE(read.menuAnimations);
    EXPECT_FALSE(read.themes);
    EXPECT_TRUE(read.bitmapCache);
}

struct BadFile {
    const char *name;
    const char *bytes;
};

class ConnectionFileRefuses : public testing::TestWithParam<BadFile> {};

TEST_P(ConnectionFileRefuses, WithAMessage) {
    try {
        parseConnectionFile(GetParam().bytes);
        ADD_FAILURE() << "accepted";
    } catch (const Exception &e) {
        EXPECT_FALSE(e.message().isEmpty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Files, ConnectionFileRefuses,
    testing::Values(BadFile{"Empty", ""}, BadFile{"NoWidth", "desktopheight:i:600\r\n"},
                    BadFile{"NotALine", "desktopwidth:i:800\r\ngarbage\r\ndesktopheight:i:600\r\n"},
                    BadFile{"LongType", "desktopwidth:int:800\r\ndesktopheight:i:600\r\n"},
                    BadFile{"WidthNotANumber", "desktopwidth:i:wide\r\ndesktopheight:i:600\r\n"},
                    BadFile{"ZeroHeight", "desktopwidth:i:800\r\ndesktopheight:i:0\r\n"},
                    BadFile{"PasswordAsText", "desktopwidth:i:8\r\ndesktopheight:i:6\r\npassword 51:s:x\r\n"}),
    [](const testing::TestParamInfo<BadFile> &param) { return std::string(param.param.name); });

TEST(AdapterArguments, TakesTheClientsCommandLine) {
    const AdapterArguments a = parseArguments({"/opt/k/config.ini", "/admin", "/v:10.1.2.3:3390"});
    EXPECT_EQ(a.file, QStringLiteral("/opt/k/config.ini"));
    EXPECT_EQ(a.server, QStringLiteral("10.1.2.3:3390"));
    EXPECT_TRUE(a.admin);
    const AdapterArguments b = parseArguments({"C:\\RDP\\config.ini", "/CONSOLE", "/V:host"});
    EXPECT_FALSE(b.admin);
    EXPECT_EQ(b.server, QStringLiteral("host"));
    EXPECT_THROW(parseArguments({"/admin", "/v:h:1"}), Exception);
    EXPECT_THROW(parseArguments({"f.ini", "/admin"}), Exception);
    EXPECT_THROW(parseArguments({"f.ini", "g.ini", "/v:h"}), Exception);
}

TEST(FreeRdpArguments, MatchTheConnectionFile) {
    ConnectionSettings s;
    s.width = 800;
    s.height = 600;
    s.userName = QStringLiteral("管理员");
    s.passwordHex = QStringLiteral("00");
    s.reconnect = true;
    AdapterArguments a;
    a.server = QStringLiteral("127.0.0.1:3389");
    a.admin = true;
    EXPECT_EQ(freeRdpArguments(s, a, true),
              (QStringList{"/v:127.0.0.1:3389", "/w:800", "/h:600", "/bpp:16", "/u:管理员", "/admin",
                           "+auto-reconnect", "-wallpaper", "-themes", "-menu-anims", "-window-drag",
                           "+compression", "+bitmap-cache", "/audio-mode:2", "-grab-keyboard", "/cert:tofu",
                           "/from-stdin:force"}));

    s.reconnect = false;
    s.userName.clear();
    a.admin = false;
    a.server = QStringLiteral("fe80::1:3389");
    const QStringList other = freeRdpArguments(s, a, false);
    EXPECT_EQ(other.first(), QStringLiteral("/v:[fe80::1]:3389"));
    EXPECT_TRUE(other.contains(QStringLiteral("-auto-reconnect")));
    EXPECT_FALSE(other.contains(QStringLiteral("/admin")));
    EXPECT_FALSE(other.contains(QStringLiteral("/from-stdin:force")));
    EXPECT_FALSE(other.filter(QStringLiteral("/u:")).size());
    EXPECT_FALSE(other.contains(QStringLiteral("/f")));

    a.server = QStringLiteral("host:");
    EXPECT_EQ(freeRdpArguments(s, a, false).first(), QStringLiteral("/v:host"));
    s.fullScreen = true;
    const QStringList full = freeRdpArguments(s, a, false);
    EXPECT_TRUE(full.contains(QStringLiteral("/f")));
    EXPECT_TRUE(full.filter(QStringLiteral("/w:")).isEmpty());
}

// A fake xfreerdp first on PATH that records its arguments, its standard
// input and its environment, and exits with a chosen code.
class AdapterRun : public testing::Test {
protected:
    void SetUp() override {
        savedPath_ = qgetenv("PATH");
        kestrune::platform::setSealKeyPath(dir_.file(QStringLiteral("seal.key")));
        installFakeClient(0);
        qputenv("PATH", QFile::encodeName(bin_.path()) + ':' + savedPath_);
    }
    void TearDown() override {
        qputenv("PATH", savedPath_);
        kestrune::platform::setSealKeyPath(QString());
    }

    void installFakeClient(int exitCode) {
        const QByteArray rec = QFile::encodeName(dir_.path());
        writeFile(bin_.file(QStringLiteral("xfreerdp")),
                  "#!/bin/sh\n"
                  "for a in \"$@\"; do printf '%s\\n' \"$a\"; done > '" + rec + "/args'\n"
                  "cat > '" + rec + "/stdin'\n"
                  "env > '" + rec + "/env'\n"
                  "exit " + QByteArray::number(exitCode) + "\n",
                  QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    QString writeConnectionFile(const kestrune::launch::RdpFileSettings &settings) {
        const QString path = dir_.file(QStringLiteral("config.ini"));
        kestrune::launch::saveRdpFile(kestrune::launch::rdpFileLines(settings), path);
        return path;
    }

    int run(const QStringList &arguments) {
        return runAdapter(arguments, [this](const QString &text) { errors_ << text; });
    }

    QString recorded(const char *name) const {
        return QString::fromUtf8(readFile(dir_.file(QString::fromLatin1(name))));
    }

    TempDir dir_;
    TempDir bin_;
    QByteArray savedPath_;
    QStringList errors_;
};

TEST_F(AdapterRun, ThePasswordReachesTheClientOnlyOnItsStandardInput) {
    const auto settings = kestruneSettings();
    const QString file = writeConnectionFile(settings);
    ASSERT_EQ(run({file, "/admin", "/v:127.0.0.1:3389"}), 0);
    EXPECT_TRUE(errors_.isEmpty()) << errors_.join(u'\n').toStdString();

    const QStringList args = recorded("args").split(u'\n', Qt::SkipEmptyParts);
    EXPECT_EQ(args.first(), QStringLiteral("/v:127.0.0.1:3389"));
    EXPECT_TRUE(args.contains(QStringLiteral("/u:管理员")));
    EXPECT_TRUE(args.contains(QStringLiteral("/admin")));
    EXPECT_TRUE(args.contains(QStringLiteral("/from-stdin:force")));
    EXPECT_TRUE(args.contains(QStringLiteral("/w:1024")));
    EXPECT_TRUE(args.contains(QStringLiteral("/h:768")));
    EXPECT_TRUE(args.filter(QStringLiteral("/p:")).isEmpty());

    EXPECT_EQ(recorded("stdin"), settings.password + u'\n');
    EXPECT_FALSE(recorded("args").contains(QStringLiteral("Pass")));
    EXPECT_FALSE(recorded("env").contains(QStringLiteral("Pass")));
    EXPECT_FALSE(readFile(file).contains("Pass"));
}

TEST_F(AdapterRun, WithoutAPasswordTheClientGetsNoStandardInput) {
    const auto settings = kestruneSettings();
    const QString file = dir_.file(QStringLiteral("config.ini"));
    kestrune::launch::saveRdpFile(
        kestrune::launch::rdpFileHead() + kestrune::launch::rdpFileBody(settings, QString()), file);
    ASSERT_EQ(run({file, "/console", "/v:h:1"}), 0);
    EXPECT_FALSE(recorded("args").contains(QStringLiteral("from-stdin")));
    EXPECT_TRUE(recorded("stdin").isEmpty());
}

TEST_F(AdapterRun, AConnectionFailureOfTheClientIsToldAndItsCodeReturned) {
    installFakeClient(131);
    const QString file = writeConnectionFile(kestruneSettings());
    EXPECT_EQ(run({file, "/console", "/v:10.9.9.9:3389"}), 131);
    ASSERT_EQ(errors_.size(), 1);
    EXPECT_TRUE(errors_[0].contains(QStringLiteral("10.9.9.9:3389")));
}

TEST_F(AdapterRun, AMissingClientIsToldNotSilent) {
    const QString file = writeConnectionFile(kestruneSettings());
    TempDir empty;
    qputenv("PATH", QFile::encodeName(empty.path()));
    EXPECT_EQ(run({file, "/console", "/v:h:1"}), kNoClient);
    ASSERT_EQ(errors_.size(), 1);
    EXPECT_TRUE(errors_[0].contains(QStringLiteral("xfreerdp")));
    EXPECT_TRUE(errors_[0].contains(QStringLiteral("freerdp2-x11")));
}

TEST_F(AdapterRun, AnUnreadableOrInvalidFileIsToldAndNothingStarts) {
    EXPECT_EQ(run({dir_.file(QStringLiteral("gone.ini")), "/console", "/v:h:1"}), kBadInput);
    const QString bad = dir_.file(QStringLiteral("bad.ini"));
    writeFile(bad, "this is not a connection file\r\n");
    EXPECT_EQ(run({bad, "/console", "/v:h:1"}), kBadInput);
    ASSERT_EQ(errors_.size(), 2);
    EXPECT_TRUE(errors_[0].contains(QStringLiteral("gone.ini")));
    EXPECT_TRUE(errors_[1].contains(QStringLiteral("连接文件")));
    EXPECT_TRUE(recorded("args").isEmpty());
}

TEST_F(AdapterRun, APasswordSealedForAnotherKeyIsToldAndNothingStarts) {
    const QString file = writeConnectionFile(kestruneSettings());
    TempDir other;
    kestrune::platform::setSealKeyPath(other.file(QStringLiteral("seal.key")));
    ASSERT_TRUE(kestrune::platform::sealForUser("x", QStringLiteral("y")).has_value());
    EXPECT_EQ(run({file, "/console", "/v:h:1"}), kBadInput);
    ASSERT_EQ(errors_.size(), 1);
    EXPECT_TRUE(errors_[0].contains(QStringLiteral("密码")));
    EXPECT_TRUE(recorded("args").isEmpty());
}

TEST(AdapterDialog, ShowsTheMessageInASmallBox) {
    QString title;
    QString text;
    QTimer::singleShot(0, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        title = box->windowTitle();
        text = box->text();
        box->accept();
    });
    showErrorDialog(QStringLiteral("找不到远程桌面客户端 xfreerdp。"));
    EXPECT_EQ(title, QStringLiteral("远程桌面连接"));
    EXPECT_EQ(text, QStringLiteral("找不到远程桌面客户端 xfreerdp。"));
}

// The program itself, as Kestrune starts it: it finds the user's key in the
// configuration folder it inherits.
TEST_F(AdapterRun, TheProgramRunsTheClientWithTheUsersKey) {
    TempDir config;
    kestrune::platform::setSealKeyPath(config.file(QStringLiteral("kestrune/seal.key")));
    const auto settings = kestruneSettings();
    const QString file = writeConnectionFile(settings);

    QProcess adapter;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
    adapter.setProcessEnvironment(environment);
    adapter.start(QStringLiteral(KESTRUNE_MSTSC_PROGRAM), {file, "/console", "/v:127.0.0.1:3389"});
    ASSERT_TRUE(adapter.waitForFinished(60000));
    EXPECT_EQ(adapter.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(adapter.exitCode(), 0) << adapter.readAllStandardError().toStdString();
    EXPECT_EQ(recorded("stdin"), settings.password + u'\n');
    EXPECT_TRUE(recorded("args").contains(QStringLiteral("/from-stdin:force")));
}

} // namespace
