#include "launch/CommandLine.h"
#include "launch/Resolution.h"
#include "platform/Exception.h"
#include "platform/ProcessStart.h"

#include <gtest/gtest.h>

using namespace kestrune::launch;
using namespace kestrune::platform;
using kestrune::Exception;

namespace {

TEST(ClientCommandLine, TheWindowsExampleIsByteIdentical) {
    const QString appDir = QStringLiteral("C:\\RDP\\");
    const QString line = clientCommandLine(appDir + QStringLiteral("config.ini"), startModeSwitch(1),
                                           QStringLiteral("127.0.0.1"), QStringLiteral("3389"));
    EXPECT_EQ(line, QStringLiteral("mstsc.exe C:\\RDP\\config.ini /admin /v:127.0.0.1:3389"));
    EXPECT_EQ(splitCommandLine(line),
              (QStringList{"mstsc.exe", "C:\\RDP\\config.ini", "/admin", "/v:127.0.0.1:3389"}));
}

TEST(ClientCommandLine, StartModeItemZeroIsConsoleAnyOtherAdmin) {
    EXPECT_EQ(startModeSwitch(0), QStringLiteral("/console"));
    EXPECT_EQ(startModeSwitch(1), QStringLiteral("/admin"));
    EXPECT_EQ(startModeSwitch(-1), QStringLiteral("/admin"));
}

TEST(ClientCommandLine, ANullPortEndsTheAddressInTheColon) {
    EXPECT_EQ(clientCommandLine(QStringLiteral("/opt/kestrune/config.ini"), startModeSwitch(0),
                                QStringLiteral("server.example"), QString()),
              QStringLiteral("mstsc.exe /opt/kestrune/config.ini /console /v:server.example:"));
}

TEST(ClientCommandLine, AFolderWithABlankIsQuotedAndStaysOneArgument) {
    const QString path = QStringLiteral("C:\\Program Files\\RDP\\config.ini");
    const QString line = clientCommandLine(path, startModeSwitch(0), QStringLiteral("10.0.0.5"),
                                           QStringLiteral("3390"));
    EXPECT_EQ(line, QStringLiteral("mstsc.exe \"C:\\Program Files\\RDP\\config.ini\" /console /v:10.0.0.5:3390"));
    EXPECT_EQ(splitCommandLine(line),
              (QStringList{"mstsc.exe", path, "/console", "/v:10.0.0.5:3390"}));
}

class FilePathRoundTrip : public testing::TestWithParam<const char *> {};

TEST_P(FilePathRoundTrip, SplitsBackToThePath) {
    const QString path = QString::fromUtf8(GetParam());
    const QStringList parts =
        splitCommandLine(clientCommandLine(path, QStringLiteral("/admin"), QStringLiteral("h"), QStringLiteral("1")));
    ASSERT_EQ(parts.size(), 4) << parts.join(u'|').toStdString();
    EXPECT_EQ(parts[1], path);
    EXPECT_EQ(parts[2], QStringLiteral("/admin"));
}

INSTANTIATE_TEST_SUITE_P(Paths, FilePathRoundTrip,
                         testing::Values("/opt/kestrune/config.ini", "/home/张 三/Kestrune/config.ini",
                                         "C:\\Program Files\\RDP\\config.ini", "/srv/a\tb/config.ini",
                                         "/srv/say \"hi\"/config.ini", "/srv/x\\\" y/config.ini",
                                         "C:\\two  blanks\\config.ini"));

struct SplitCase {
    const char *line;
    std::vector<const char *> expected;
};

class WindowsSplitting : public testing::TestWithParam<SplitCase> {};

TEST_P(WindowsSplitting, MatchesCommandLineToArgvW) {
    QStringList expected;
    for (const char *part : GetParam().expected)
        expected << QString::fromUtf8(part);
    EXPECT_EQ(splitCommandLine(QString::fromUtf8(GetParam().line)), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WindowsSplitting,
    testing::Values(
        SplitCase{"", {}},
        SplitCase{"mstsc.exe", {"mstsc.exe"}},
        SplitCase{"mstsc.exe a b", {"mstsc.exe", "a", "b"}},
        SplitCase{"mstsc.exe \t a\t\tb  ", {"mstsc.exe", "a", "b"}},
        SplitCase{"p \"abc\" d e", {"p", "abc", "d", "e"}},
        SplitCase{"p a\\\\\\b d\"e f\"g h", {"p", "a\\\\\\b", "de fg", "h"}},
        SplitCase{"p a\\\\\\\"b c d", {"p", "a\\\"b", "c", "d"}},
        SplitCase{"p a\\\\\\\\\"b c\" d e", {"p", "a\\\\b c", "d", "e"}},
        SplitCase{"p \"\" x", {"p", "", "x"}},
        SplitCase{"p a\"b\"\" c d", {"p", "ab\"", "c", "d"}},
        SplitCase{"p \"a \\\"quoted\\\" word\"", {"p", "a \"quoted\" word"}},
        SplitCase{"p C:\\dir\\", {"p", "C:\\dir\\"}},
        SplitCase{"\"C:\\Program Files\\x.exe\" /v:h", {"C:\\Program Files\\x.exe", "/v:h"}},
        SplitCase{"C:\\a\\\"b c", {"C:\\a\\\"b", "c"}},
        SplitCase{"p \"unclosed quote", {"p", "unclosed quote"}}));

TEST(ProgramLookup, MstscIsTheAdapterInTheProgramsFolder) {
    EXPECT_EQ(resolveProgram(QStringLiteral("mstsc.exe"), QStringLiteral("/opt/kestrune")),
              QStringLiteral("/opt/kestrune/kestrune-mstsc"));
    EXPECT_EQ(resolveProgram(QStringLiteral("MSTSC.EXE"), QStringLiteral("/opt/kestrune")),
              QStringLiteral("/opt/kestrune/kestrune-mstsc"));
    EXPECT_EQ(resolveProgram(QStringLiteral("notepad.exe"), QStringLiteral("/opt/kestrune")),
              QStringLiteral("notepad.exe"));
}

TEST(ProgramStart, AProgramThatCannotStartIsOnlyAFalseResult) {
    EXPECT_FALSE(startCommandLine(QStringLiteral("mstsc.exe x /admin /v:h:1"),
                                  QStringLiteral("/nonexistent-kestrune-folder")));
    EXPECT_FALSE(startCommandLine(QString()));
    EXPECT_FALSE(startCommandLine(QStringLiteral(" leading blank")));
}

struct ResolutionCase {
    const char *item;
    int width;
    int height;
};

class ParseResolution : public testing::TestWithParam<ResolutionCase> {};

TEST_P(ParseResolution, GivesTheTwoIntegers) {
    int width = -7;
    int height = -7;
    parseResolution(QString::fromUtf8(GetParam().item), width, height);
    EXPECT_EQ(width, GetParam().width);
    EXPECT_EQ(height, GetParam().height);
}

INSTANTIATE_TEST_SUITE_P(Items, ParseResolution,
                         testing::Values(ResolutionCase{"1024*768", 1024, 768},
                                         ResolutionCase{"800*600", 800, 600},
                                         ResolutionCase{"  640*+480", 640, 480},
                                         ResolutionCase{"$400*0x300", 1024, 768},
                                         ResolutionCase{"-1*2147483647", -1, 2147483647}));

struct BadItem {
    const char *item;
    const char *message;
};

class ParseResolutionFails : public testing::TestWithParam<BadItem> {};

TEST_P(ParseResolutionFails, WithTheConversionError) {
    int width = 0;
    int height = 0;
    try {
        parseResolution(QString::fromUtf8(GetParam().item), width, height);
        ADD_FAILURE() << "parsed " << GetParam().item;
    } catch (const Exception &e) {
        EXPECT_EQ(e.message(), QString::fromUtf8(GetParam().message));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Items, ParseResolutionFails,
    testing::Values(BadItem{"全屏幕", "'' is not a valid integer value"},
                    BadItem{"1024x768", "'' is not a valid integer value"},
                    BadItem{"1024 * 768", "'1024 ' is not a valid integer value"},
                    BadItem{"1024*", "'' is not a valid integer value"},
                    BadItem{"*768", "'' is not a valid integer value"},
                    BadItem{"1024*768*2", "'768*2' is not a valid integer value"},
                    BadItem{"abc*600", "'abc' is not a valid integer value"},
                    BadItem{"2147483648*1", "'2147483648' is not a valid integer value"},
                    BadItem{"１０２４*768", "'１０２４' is not a valid integer value"}));

} // namespace
