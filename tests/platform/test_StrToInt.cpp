// Text to integer, by the class library's rules: the port field, the
// resolution items and the field values all convert through here.
#include "platform/Exception.h"
#include "platform/StrToInt.h"

#include <gtest/gtest.h>

using namespace kestrune::platform;
using kestrune::Exception;

TEST(StrToInt, AcceptsWhatTheClassLibraryAccepts) {
    EXPECT_EQ(StrToInt(QStringLiteral("-2147483648")), -2147483648LL);
    EXPECT_EQ(StrToInt(QStringLiteral("$FFFFFFFF")), -1);
    EXPECT_EQ(StrToInt(QStringLiteral("007")), 7);
    EXPECT_THROW(StrToInt(QStringLiteral("-")), Exception);
    EXPECT_THROW(StrToInt(QStringLiteral("$")), Exception);
    EXPECT_THROW(StrToInt(QStringLiteral("1 ")), Exception);
    EXPECT_THROW(StrToInt(QStringLiteral("$100000000")), Exception);
}

TEST(StrToInt, RefusalsCarryTheClassLibrarysText) {
    try {
        StrToInt(QStringLiteral("12a"));
        FAIL() << "accepted 12a";
    } catch (const Exception &e) {
        EXPECT_EQ(e.message(), QStringLiteral("'12a' is not a valid integer value"));
    }
    EXPECT_EQ(parseInt32(QStringLiteral("  +3389")), 3389);
    EXPECT_FALSE(parseInt32(QStringLiteral("2147483648")).has_value());
    EXPECT_FALSE(parseInt32(QString()).has_value());
}
