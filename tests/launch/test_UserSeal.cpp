#include "tests/launch/SealKeyFixture.h"

#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

using namespace kestrune::platform;
using kestrune::test::SealKeyTest;
using kestrune::test::TempDir;

namespace {

mode_t modeOf(const QString &path) {
    struct stat info {};
    EXPECT_EQ(::stat(QFile::encodeName(path).constData(), &info), 0) << path.toStdString();
    return info.st_mode & 07777;
}

} // namespace

using UserSeal = SealKeyTest;

TEST_F(UserSeal, FirstSealCreatesAKeyOnlyTheUserCanRead) {
    ASSERT_FALSE(QFileInfo::exists(keyPath()));
    ASSERT_TRUE(sealForUser("secret", QStringLiteral("psw")).has_value());
    ASSERT_TRUE(QFileInfo::exists(keyPath()));
    EXPECT_EQ(modeOf(keyPath()), 0600u);
    EXPECT_EQ(modeOf(QFileInfo(keyPath()).absolutePath()), 0700u);
    EXPECT_EQ(QFileInfo(keyPath()).size(), 32);
}

TEST_F(UserSeal, OpensWhatItSealedWithItsDescription) {
    const QByteArray data("\x00\x01\xFFpayload", 10);
    const auto blob = sealForUser(data, QStringLiteral("psw"));
    ASSERT_TRUE(blob.has_value());
    EXPECT_FALSE(blob->contains("payload"));
    QString description;
    const auto opened = openForUser(*blob, &description);
    ASSERT_TRUE(opened.has_value());
    EXPECT_EQ(*opened, data);
    EXPECT_EQ(description, QStringLiteral("psw"));
}

TEST_F(UserSeal, EmptyDataSealsAndOpens) {
    const auto blob = sealForUser(QByteArray(), QStringLiteral("psw"));
    ASSERT_TRUE(blob.has_value());
    const auto opened = openForUser(*blob);
    ASSERT_TRUE(opened.has_value());
    EXPECT_TRUE(opened->isEmpty());
}

TEST_F(UserSeal, TwoSealsOfTheSameDataDiffer) {
    const auto a = sealForUser("same", QStringLiteral("psw"));
    const auto b = sealForUser("same", QStringLiteral("psw"));
    ASSERT_TRUE(a && b);
    EXPECT_NE(*a, *b);
}

TEST_F(UserSeal, ABlobSealedUnderOneKeyFailsUnderAnother) {
    const auto blob = sealForUser("secret", QStringLiteral("psw"));
    ASSERT_TRUE(blob.has_value());

    TempDir other;
    setSealKeyPath(other.file(QStringLiteral("seal.key")));
    ASSERT_TRUE(sealForUser("make the other key", QStringLiteral("x")).has_value());
    QString error;
    EXPECT_FALSE(openForUser(*blob, nullptr, &error).has_value());
    EXPECT_FALSE(error.isEmpty());

    setSealKeyPath(keyPath());
    EXPECT_TRUE(openForUser(*blob).has_value());
}

TEST_F(UserSeal, AChangedByteAnywhereFailsToOpen) {
    const auto blob = sealForUser("secret", QStringLiteral("psw"));
    ASSERT_TRUE(blob.has_value());
    for (qsizetype i = 0; i < blob->size(); ++i) {
        QByteArray changed = *blob;
        changed[i] = static_cast<char>(changed[i] ^ 0x01);
        EXPECT_FALSE(openForUser(changed).has_value()) << "byte " << i;
    }
    EXPECT_FALSE(openForUser(blob->left(blob->size() - 1)).has_value());
}

TEST_F(UserSeal, AKeyFileOthersCanReadOrWriteIsRefused) {
    const auto blob = sealForUser("secret", QStringLiteral("psw"));
    ASSERT_TRUE(blob.has_value());
    for (const mode_t mode : {0644, 0604, 0620, 0602, 0660}) {
        ASSERT_EQ(::chmod(QFile::encodeName(keyPath()).constData(), mode), 0);
        QString error;
        EXPECT_FALSE(openForUser(*blob, nullptr, &error).has_value()) << std::oct << mode;
        EXPECT_FALSE(sealForUser("more", QStringLiteral("psw"), &error).has_value()) << std::oct << mode;
        EXPECT_TRUE(error.contains(keyPath())) << error.toStdString();
        EXPECT_TRUE(error.contains(QStringLiteral("0600"))) << error.toStdString();
    }
    // The refused key is left as it was, not replaced by a fresh one.
    ASSERT_EQ(::chmod(QFile::encodeName(keyPath()).constData(), 0600), 0);
    EXPECT_TRUE(openForUser(*blob).has_value());
}

TEST_F(UserSeal, OpeningWithoutAKeyFailsAndMakesNone) {
    QString error;
    EXPECT_FALSE(openForUser(QByteArray(80, 'K'), nullptr, &error).has_value());
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(keyPath()));
}

TEST_F(UserSeal, AKeyFileOfTheWrongSizeIsRefused) {
    ASSERT_TRUE(sealForUser("x", QStringLiteral("psw")).has_value());
    QFile key(keyPath());
    ASSERT_TRUE(key.open(QIODevice::Append));
    key.write("!");
    key.close();
    EXPECT_FALSE(sealForUser("x", QStringLiteral("psw")).has_value());
}

TEST(UserSealPath, FollowsTheUsersConfigurationFolder) {
    setSealKeyPath(QString());
    const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", "/home/someone/.cfg");
    EXPECT_EQ(sealKeyPath(), QStringLiteral("/home/someone/.cfg/kestrune/seal.key"));
    qputenv("XDG_CONFIG_HOME", "relative/ignored");
    EXPECT_EQ(sealKeyPath(), QFile::decodeName(qgetenv("HOME")) + QStringLiteral("/.config/kestrune/seal.key"));
    setSealKeyPath(QStringLiteral("/elsewhere/k"));
    EXPECT_EQ(sealKeyPath(), QStringLiteral("/elsewhere/k"));
    setSealKeyPath(QString());
    if (saved.isNull())
        qunsetenv("XDG_CONFIG_HOME");
    else
        qputenv("XDG_CONFIG_HOME", saved);
}
