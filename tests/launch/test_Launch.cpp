#include "launch/Launch.h"
#include "launch/RdpPassword.h"
#include "platform/Exception.h"
#include "platform/GbkCodec.h"
#include "platform/ProcessStart.h"
#include "tests/launch/SealKeyFixture.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>

using namespace kestrune::launch;
using kestrune::Exception;
using kestrune::test::SealKeyTest;
using kestrune::test::TempDir;

namespace {

QByteArray readFile(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeExecutable(const QString &path, const QByteArray &text) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
    file.close();
    ASSERT_TRUE(file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
}

// A stand-in for the client, installed as the adapter in its own folder: it
// records its arguments and a copy of the connection file it was given,
// then marks itself done.
class FakeClient {
public:
    FakeClient() {
        writeExecutable(folder_.file(QLatin1String(kestrune::platform::kRemoteDesktopAdapter)),
                        "#!/bin/sh\n"
                        "here=$(dirname \"$0\")\n"
                        "for a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"$here/args\"\n"
                        "cat \"$1\" > \"$here/file\"\n"
                        "touch \"$here/done\"\n");
    }
    QString folder() const { return folder_.path(); }
    QStringList arguments() const {
        return QString::fromUtf8(readFile(folder_.file(QStringLiteral("args")))).split(u'\n', Qt::SkipEmptyParts);
    }
    QByteArray fileSeen() const { return readFile(folder_.file(QStringLiteral("file"))); }
    bool waitUntilDone() const {
        QDeadlineTimer guard(30000); // only against a hang
        while (!QFileInfo::exists(folder_.file(QStringLiteral("done"))) && !guard.hasExpired())
            QThread::msleep(10);
        return QFileInfo::exists(folder_.file(QStringLiteral("done")));
    }

private:
    TempDir folder_;
};

class Launch : public SealKeyTest {
protected:
    ConnectionRequest request(const QString &rdpFile) const {
        ConnectionRequest r;
        r.ip = QStringLiteral("127.0.0.1");
        r.port = QStringLiteral("3389");
        r.userName = QStringLiteral("管理员");
        r.password = QStringLiteral("密码123");
        r.resolutionIndex = 1;
        r.resolutionText = QStringLiteral("1024*768");
        r.screenSize = QSize(1920, 1080);
        r.startModeIndex = 1;
        r.reconnect = false;
        r.rdpFile = rdpFile;
        return r;
    }

    // Hooks that record the command line and the wait without starting anything.
    LaunchHooks recording() {
        return {[this](const QString &line) {
                    started_ << line;
                    return startResult_;
                },
                [this](int ms) { sleeps_ << ms; }};
    }

    QStringList started_;
    QList<int> sleeps_;
    bool startResult_ = true;
    TempDir dir_;
};

TEST_F(Launch, StartsTheClientOnTheFileAndDeletesItAfterTheWait) {
    FakeClient client;
    // A folder with a blank: the path must reach the client as one argument.
    ASSERT_TRUE(QDir(dir_.path()).mkdir(QStringLiteral("Remote Desktop")));
    const QString rdpFile = dir_.file(QStringLiteral("Remote Desktop/config.ini"));
    bool fileExistedDuringWait = false;
    QStringList lines;
    LaunchHooks hooks{[&](const QString &line) {
                          lines << line;
                          return kestrune::platform::startCommandLine(line, client.folder());
                      },
                      [&](int ms) {
                          EXPECT_EQ(ms, 1000);
                          EXPECT_TRUE(client.waitUntilDone());
                          fileExistedDuringWait = QFileInfo::exists(rdpFile);
                      }};
    launchConnection(request(rdpFile), hooks);

    ASSERT_EQ(lines.size(), 1);
    EXPECT_EQ(lines[0], QStringLiteral("mstsc.exe \"") + rdpFile + QStringLiteral("\" /admin /v:127.0.0.1:3389"));
    EXPECT_EQ(client.arguments(), (QStringList{rdpFile, "/admin", "/v:127.0.0.1:3389"}));
    EXPECT_TRUE(fileExistedDuringWait);
    EXPECT_FALSE(QFileInfo::exists(rdpFile));

    const QByteArray seen = client.fileSeen();
    const QList<QByteArray> seenLines = seen.split('\n');
    ASSERT_EQ(seenLines.size(), 22) << seen.toStdString();
    EXPECT_EQ(seenLines[2], "desktopwidth:i:1024\r");
    EXPECT_EQ(seenLines[3], "desktopheight:i:768\r");
    EXPECT_EQ(seenLines[4], "username:s:\xB9\xDC\xC0\xED\xD4\xB1\r");
    EXPECT_EQ(seenLines[14], "autoreconnection enabled:i:0\r");
    ASSERT_TRUE(seenLines[5].startsWith("password 51:b:"));
    const auto password = openRdpPassword(QString::fromLatin1(seenLines[5].mid(14).chopped(1)));
    ASSERT_TRUE(password.has_value());
    EXPECT_EQ(*password, QStringLiteral("密码123"));
    EXPECT_FALSE(seen.contains("123"));
}

TEST_F(Launch, WholeScreenAndConsoleForTheFirstItems) {
    const QString rdpFile = dir_.file(QStringLiteral("config.ini"));
    ConnectionRequest r = request(rdpFile);
    r.resolutionIndex = 0;
    r.resolutionText = QStringLiteral("全屏幕");
    r.startModeIndex = 0;
    r.port.clear();
    QByteArray written;
    LaunchHooks hooks{[&](const QString &line) {
                          started_ << line;
                          written = readFile(rdpFile);
                          return true;
                      },
                      [&](int ms) { sleeps_ << ms; }};
    launchConnection(r, hooks);
    EXPECT_EQ(started_, QStringList{QStringLiteral("mstsc.exe ") + rdpFile + QStringLiteral(" /console /v:127.0.0.1:")});
    EXPECT_TRUE(written.contains("\r\ndesktopwidth:i:1920\r\ndesktopheight:i:1080\r\n"));
    EXPECT_EQ(sleeps_, QList<int>{1000});
}

TEST_F(Launch, AClientThatDoesNotStartStillGetsTheWaitAndTheDeletion) {
    const QString rdpFile = dir_.file(QStringLiteral("config.ini"));
    startResult_ = false;
    launchConnection(request(rdpFile), recording());
    EXPECT_EQ(started_.size(), 1);
    EXPECT_EQ(sleeps_, QList<int>{1000});
    EXPECT_FALSE(QFileInfo::exists(rdpFile));
}

TEST_F(Launch, AFileThatCannotBeCreatedStartsNothing) {
    QFile blocker(dir_.file(QStringLiteral("plainfile")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const QString rdpFile = dir_.file(QStringLiteral("plainfile/config.ini"));
    try {
        launchConnection(request(rdpFile), recording());
        ADD_FAILURE() << "launched";
    } catch (const Exception &e) {
        EXPECT_EQ(e.message(), QStringLiteral("Cannot create file ") + rdpFile);
    }
    EXPECT_TRUE(started_.isEmpty());
    EXPECT_TRUE(sleeps_.isEmpty());
}

TEST_F(Launch, AFileNameTakenByAFolderStartsNothingAndDeletesNothing) {
    const QString rdpFile = dir_.file(QStringLiteral("config.ini"));
    ASSERT_TRUE(QDir(dir_.path()).mkdir(QStringLiteral("config.ini")));
    EXPECT_THROW(launchConnection(request(rdpFile), recording()), Exception);
    EXPECT_TRUE(started_.isEmpty());
    EXPECT_TRUE(QFileInfo(rdpFile).isDir());
}

TEST_F(Launch, AResolutionItemThatIsNotTwoIntegersWritesNothing) {
    const QString rdpFile = dir_.file(QStringLiteral("config.ini"));
    ConnectionRequest r = request(rdpFile);
    r.resolutionText = QStringLiteral("1280x1024");
    try {
        launchConnection(r, recording());
        ADD_FAILURE() << "launched";
    } catch (const Exception &e) {
        EXPECT_EQ(e.message(), QStringLiteral("'' is not a valid integer value"));
    }
    EXPECT_FALSE(QFileInfo::exists(rdpFile));
    EXPECT_TRUE(started_.isEmpty());
}

struct Refusal {
    const char *name;
    void (*spoil)(ConnectionRequest &);
    const char *messageStart;
};

class LaunchRefuses : public Launch, public testing::WithParamInterface<Refusal> {};

TEST_P(LaunchRefuses, BeforeAnythingIsWritten) {
    const QString rdpFile = dir_.file(QStringLiteral("config.ini"));
    ConnectionRequest r = request(rdpFile);
    GetParam().spoil(r);
    try {
        launchConnection(r, recording());
        ADD_FAILURE() << "launched";
    } catch (const Exception &e) {
        EXPECT_TRUE(e.message().startsWith(QString::fromUtf8(GetParam().messageStart))) << e.message().toStdString();
    }
    EXPECT_FALSE(QFileInfo::exists(rdpFile));
    EXPECT_TRUE(started_.isEmpty());
    EXPECT_TRUE(sleeps_.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    CandidateFaults, LaunchRefuses,
    testing::Values(
        Refusal{"AddressWithBlank", [](ConnectionRequest &r) { r.ip = QStringLiteral("10.0.0.1 /admin"); },
                "服务器地址不能包含"},
        Refusal{"AddressWithQuote", [](ConnectionRequest &r) { r.ip = QStringLiteral("a\"b"); }, "服务器地址不能包含"},
        Refusal{"AddressWithApostrophe", [](ConnectionRequest &r) { r.ip = QStringLiteral("a'b"); }, "服务器地址不能包含"},
        Refusal{"AddressWithTab", [](ConnectionRequest &r) { r.ip = QStringLiteral("host\t"); }, "服务器地址不能包含"},
        Refusal{"AddressWithControl", [](ConnectionRequest &r) { r.ip = QStringLiteral("host\x01"); }, "服务器地址不能包含"},
        Refusal{"AddressWithIdeographicSpace", [](ConnectionRequest &r) { r.ip = QStringLiteral("host\u3000x"); },
                "服务器地址不能包含"},
        Refusal{"PortWithBlank", [](ConnectionRequest &r) { r.port = QStringLiteral("3389 /admin"); }, "端口号只能"},
        Refusal{"NegativePort", [](ConnectionRequest &r) { r.port = QStringLiteral("-1"); }, "端口号只能"},
        Refusal{"UserNameWithLineFeed", [](ConnectionRequest &r) { r.userName = QStringLiteral("a\nfull address:s:x"); },
                "用户名不能包含换行符"},
        Refusal{"UserNameWithCarriageReturn", [](ConnectionRequest &r) { r.userName = QStringLiteral("a\rb"); },
                "用户名不能包含换行符"},
        Refusal{"UserNameOutsideGbk", [](ConnectionRequest &r) { r.userName = QString::fromUtf8("\xF0\x9F\x98\x80"); },
                "用户名中有无法保存"}),
    [](const testing::TestParamInfo<Refusal> &param) { return std::string(param.param.name); });

TEST(LaunchAccepts, AHostNameAndAUserNameWithAColon) {
    ConnectionRequest r;
    r.ip = QStringLiteral("rdp-gw.example.local");
    r.port = QString();
    r.userName = QStringLiteral("DOMAIN\\user:1");
    EXPECT_NO_THROW(checkConnectionRequest(r));
}

} // namespace
