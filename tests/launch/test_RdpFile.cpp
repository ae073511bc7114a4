#include "launch/Launch.h"
#include "launch/RdpFile.h"
#include "launch/RdpPassword.h"
#include "platform/Exception.h"
#include "tests/launch/SealKeyFixture.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

using namespace kestrune::launch;
using kestrune::Exception;
using kestrune::test::SealKeyTest;
using kestrune::test::TempDir;

namespace {

// The 16 lines that never change, around the five that do.
QByteArray golden(const char *width, const char *height, const QByteArray &user, const char *password,
                  char reconnect) {
    return QByteArray("screen mode id:i:1\r\n"
                      "session bpp:i:16\r\n"
                      "desktopwidth:i:") + width + "\r\n"
           "desktopheight:i:" + height + "\r\n"
           "username:s:" + user + "\r\n"
           "password 51:b:" + password + "\r\n"
           "compression:i:1\r\n"
           "keyboardhook:i:2\r\n"
           "audiomode:i:2\r\n"
           "redirectdrives:i:0\r\n"
           "redirectprinters:i:0\r\n"
           "redirectcomports:i:0\r\n"
           "redirectsmartcards:i:0\r\n"
           "displayconnectionbar:i:1\r\n"
           "autoreconnection enabled:i:" + reconnect + "\r\n"
           "disable wallpaper:i:1\r\n"
           "disable full window drag:i:1\r\n"
           "disable menu anims:i:1\r\n"
           "disable themes:i:1\r\n"
           "disable cursor setting:i:0\r\n"
           "bitmapcachepersistenable:i:1\r\n";
}

struct GoldenCase {
    const char *name;
    int resolutionIndex;
    const char *resolutionText;
    const char *userUtf8;
    bool reconnect;
    QByteArray expected;
};

class RdpFileGolden : public testing::TestWithParam<GoldenCase> {};

TEST_P(RdpFileGolden, BytesMatch) {
    const GoldenCase &c = GetParam();
    ConnectionRequest request;
    request.resolutionIndex = c.resolutionIndex;
    request.resolutionText = QString::fromUtf8(c.resolutionText);
    request.screenSize = QSize(1920, 1080);
    const QSize size = desktopSize(request);

    RdpFileSettings settings;
    settings.width = size.width();
    settings.height = size.height();
    settings.userName = QString::fromUtf8(c.userUtf8);
    settings.reconnect = c.reconnect;
    const QStringList lines = rdpFileHead() + rdpFileBody(settings, QStringLiteral("01A0FF"));
    EXPECT_EQ(lines.size(), 21);
    EXPECT_EQ(rdpFileBytes(lines), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    EachItemAndOption, RdpFileGolden,
    testing::Values(
        GoldenCase{"FullScreen", 0, "全屏幕", "administrator", true,
                   golden("1920", "1080", "administrator", "01A0FF", '1')},
        GoldenCase{"NoItemSelected", -1, "", "administrator", true,
                   golden("1920", "1080", "administrator", "01A0FF", '1')},
        GoldenCase{"R1024x768ReconnectOff", 1, "1024*768", "administrator", false,
                   golden("1024", "768", "administrator", "01A0FF", '0')},
        GoldenCase{"R800x600EmptyUser", 2, "800*600", "", true,
                   golden("800", "600", "", "01A0FF", '1')},
        GoldenCase{"ChineseUserInGbk", 2, "800*600", "管理员", false,
                   golden("800", "600", "\xB9\xDC\xC0\xED\xD4\xB1", "01A0FF", '0')},
        GoldenCase{"UserNameWithColonVerbatim", 1, "1024*768", "dom:张三", true,
                   golden("1024", "768", "dom:\xD5\xC5\xC8\xFD", "01A0FF", '1')}),
    [](const testing::TestParamInfo<GoldenCase> &param) { return std::string(param.param.name); });

TEST(RdpFileBytes, NoByteOrderMarkAndCrLfAfterTheLastLine) {
    RdpFileSettings settings;
    settings.width = 800;
    settings.height = 600;
    const QByteArray bytes = rdpFileBytes(rdpFileHead() + rdpFileBody(settings, QString()));
    EXPECT_TRUE(bytes.startsWith("screen mode id:i:1\r\n"));
    EXPECT_TRUE(bytes.endsWith("bitmapcachepersistenable:i:1\r\n"));
    EXPECT_EQ(bytes.count("\r\n"), 21);
    EXPECT_EQ(bytes.count('\n'), 21);
    EXPECT_TRUE(bytes.contains("\r\npassword 51:b:\r\n"));
}

TEST(RdpFileBytes, ACharacterGbkCannotHoldIsRefusedNotReplaced) {
    RdpFileSettings settings;
    settings.userName = QString::fromUtf8("a\xF0\x9F\x98\x80");
    EXPECT_THROW(rdpFileBytes(rdpFileBody(settings, QString())), Exception);
}

TEST(RdpFileSave, ReplacesAnExistingFileWithExactlyTheBytes) {
    TempDir dir;
    const QString path = dir.file(QStringLiteral("config.ini"));
    QFile old(path);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write(QByteArray(4096, 'x'));
    old.close();

    RdpFileSettings settings;
    settings.width = 1024;
    settings.height = 768;
    settings.userName = QStringLiteral("管理员");
    const QStringList lines = rdpFileHead() + rdpFileBody(settings, QStringLiteral("AB"));
    saveRdpFile(lines, path);
    QFile saved(path);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(saved.readAll(), rdpFileBytes(lines));
}

TEST(RdpFileSave, AFolderThatCannotHoldTheFileGivesTheClassLibraryError) {
    TempDir dir;
    // Root ignores permission bits, so make the path impossible instead: its
    // folder is a regular file, or the file's name is taken by a folder.
    QFile blocker(dir.file(QStringLiteral("notafolder")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("config.ini")));
    for (const QString &path : {dir.file(QStringLiteral("notafolder/config.ini")),
                                dir.file(QStringLiteral("config.ini"))}) {
        try {
            saveRdpFile(rdpFileHead(), path);
            ADD_FAILURE() << "saved to " << path.toStdString();
        } catch (const Exception &e) {
            EXPECT_EQ(e.message(), QStringLiteral("Cannot create file ") + path);
        }
    }
}

// The password as the file carries it.
using RdpPassword = SealKeyTest;

TEST_F(RdpPassword, IsUpperCaseHexTwoDigitsPerByte) {
    const QString hex = EncryptRdpPassword(QStringLiteral("secret"));
    ASSERT_FALSE(hex.isEmpty());
    EXPECT_EQ(hex.size() % 2, 0);
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^[0-9A-F]+$")).match(hex).hasMatch()) << hex.toStdString();
}

TEST(UpperHex, ByteBelowSixteenHasALeadingZeroAndNoLowerCase) {
    EXPECT_EQ(upperHex(QByteArray("\x0A", 1)), QStringLiteral("0A"));
    EXPECT_EQ(upperHex(QByteArray("\x00\x0F\x10\xAB\xFF", 5)), QStringLiteral("000F10ABFF"));
    EXPECT_EQ(upperHex(QByteArray()), QString());
    QByteArray all;
    for (int i = 0; i < 256; ++i)
        all += static_cast<char>(i);
    const QString hex = upperHex(all);
    EXPECT_EQ(hex.size(), 512);
    EXPECT_EQ(hex, QString::fromLatin1(all.toHex()).toUpper());
}

TEST_F(RdpPassword, ChineseIsProtectedAsItsUtf16Units) {
    const QString password = QStringLiteral("密码Ab1");
    const QString hex = EncryptRdpPassword(password);
    ASSERT_FALSE(hex.isEmpty());

    QString description;
    const auto units = kestrune::platform::openForUser(QByteArray::fromHex(hex.toLatin1()), &description);
    ASSERT_TRUE(units.has_value());
    EXPECT_EQ(description, QStringLiteral("psw"));
    // 密 U+5BC6, 码 U+7801: one unit, two bytes little-endian each, no terminator.
    EXPECT_EQ(*units, QByteArray("\xC6\x5B\x01\x78" "A\0b\0" "1\0", 10));

    const auto back = openRdpPassword(hex);
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(*back, password);
}

TEST_F(RdpPassword, AnEmptyPasswordIsZeroBytesOfData) {
    const QString hex = EncryptRdpPassword(QString());
    ASSERT_FALSE(hex.isEmpty());
    const auto units = kestrune::platform::openForUser(QByteArray::fromHex(hex.toLatin1()));
    ASSERT_TRUE(units.has_value());
    EXPECT_TRUE(units->isEmpty());
}

TEST_F(RdpPassword, EmptyWhenProtectionFails) {
    ASSERT_FALSE(EncryptRdpPassword(QStringLiteral("x")).isEmpty());
    ASSERT_EQ(QFile::setPermissions(keyPath(), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther), true);
    EXPECT_EQ(EncryptRdpPassword(QStringLiteral("x")), QString());
}

TEST_F(RdpPassword, OpeningRefusesWhatIsNotAPassword) {
    QString error;
    EXPECT_FALSE(openRdpPassword(QStringLiteral("ABC"), &error).has_value());
    EXPECT_FALSE(openRdpPassword(QStringLiteral("ZZ"), &error).has_value());
    const auto other = kestrune::platform::sealForUser("\x41\x00", QStringLiteral("not psw"));
    ASSERT_TRUE(other.has_value());
    EXPECT_FALSE(openRdpPassword(upperHex(*other), &error).has_value());
    EXPECT_FALSE(error.isEmpty());
}

TEST_F(RdpPassword, TheDefaultLinesCarryTheProtectedPassword) {
    RdpFileSettings settings;
    settings.width = 800;
    settings.height = 600;
    settings.password = QStringLiteral("口令");
    const QStringList lines = rdpFileLines(settings);
    ASSERT_EQ(lines.size(), 21);
    ASSERT_TRUE(lines[5].startsWith(QStringLiteral("password 51:b:")));
    const auto back = openRdpPassword(lines[5].mid(14));
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(*back, settings.password);
}

} // namespace
