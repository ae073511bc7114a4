#include "platform/GbkCodec.h"

#include <gtest/gtest.h>

using namespace kestrune::platform;

TEST(GbkCodec, ChineseTakesTwoBytesAsciiOne) {
    EXPECT_EQ(gbkLength(QStringLiteral("abc")), 3);
    EXPECT_EQ(gbkLength(QStringLiteral("在线")), 4);
    EXPECT_EQ(gbkLength(QStringLiteral("服务器a")), 7);
    const auto bytes = toGbk(QStringLiteral("在线"));
    ASSERT_TRUE(bytes.has_value());
    EXPECT_EQ(*bytes, QByteArray("\xD4\xDA\xCF\xDF"));
    EXPECT_EQ(fromGbk(*bytes), QStringLiteral("在线"));
}

TEST(GbkCodec, CharactersOutsideGbkAreReported) {
    const QString emoji = QString::fromUtf8("a\xF0\x9F\x98\x80");
    EXPECT_FALSE(toGbk(emoji).has_value());
    EXPECT_FALSE(isGbkEncodable(emoji));
    EXPECT_TRUE(isGbkEncodable(QStringLiteral("密码")));
    // Counted as the one '?' Windows would store for it.
    EXPECT_EQ(gbkLength(emoji), 2);
}

struct TruncateCase {
    const char *utf8;
    int maxBytes;
    const char *expected;
};

class GbkTruncate : public testing::TestWithParam<TruncateCase> {};

TEST_P(GbkTruncate, CutsBetweenCharacters) {
    const auto &c = GetParam();
    const QString cut = truncateToGbkBytes(QString::fromUtf8(c.utf8), c.maxBytes);
    EXPECT_EQ(cut, QString::fromUtf8(c.expected));
    EXPECT_LE(gbkLength(cut), c.maxBytes);
}

INSTANTIATE_TEST_SUITE_P(Table, GbkTruncate, testing::Values(
    TruncateCase{"abcdefghijklmnopqrstuvwxyz", 20, "abcdefghijklmnopqrst"},
    TruncateCase{"一二三四五六七八九十壹", 20, "一二三四五六七八九十"},
    // 19 ASCII bytes, then a Chinese character that would straddle byte 20.
    TruncateCase{"abcdefghijklmnopqrs中", 20, "abcdefghijklmnopqrs"},
    TruncateCase{"a中b", 2, "a"},
    TruncateCase{"中文", 3, "中"},
    TruncateCase{"short", 20, "short"},
    TruncateCase{"", 20, ""},
    TruncateCase{"abc", 0, ""}));
