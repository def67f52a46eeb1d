// The host's platform-free rules: command line, mode letter, handles, mouse tolerance, re-check.
#include "host/win32/win32_rules.h"

#include <gtest/gtest.h>

#include <string>

static std::string argument_text(const char* line)
{
    return find_argument_text(line, next_single_byte);
}

TEST(FindArgumentText, SkipsQuotedAndPlainProgramNames)
{
    EXPECT_EQ(argument_text("\"C:\\Program Files\\Lattice Drift.scr\" /s"), "/s");
    EXPECT_EQ(argument_text("\"C:\\a b\\x.scr\"/p 12"), "/p 12");
    EXPECT_EQ(argument_text("saver.scr  \t /c:5"), "/c:5");
    EXPECT_EQ(argument_text("saver.scr"), "");
    EXPECT_EQ(argument_text("\"unterminated /s"), "");
    EXPECT_EQ(argument_text(""), "");
    // Bytes above 0x7F belong to the name; control bytes after it are skipped like blanks.
    EXPECT_EQ(argument_text("sav\xE9r.scr\x01\x1F/a"), "/a");
}

TEST(FindArgumentText, StepsWithTheGivenCharacterStepper)
{
    // A stepper that treats 0x81 as the lead byte of a two-byte character: its trail byte is a
    // quote, which must not end the quoted name.
    const NextCharFn doubleByte = [](const char* p) -> const char* {
        if (*p == '\0')
            return p;
        return static_cast<unsigned char>(*p) == 0x81 && p[1] != '\0' ? p + 2 : p + 1;
    };
    EXPECT_STREQ(find_argument_text("\"a\x81\"b\" /s", doubleByte), "/s");
}

TEST(ScanMode, FirstSignificantLetterChoosesTheMode)
{
    struct Case {
        const char* arguments;
        SaverMode mode;
        const char* rest;
    };
    const Case cases[] = {
        {"", SaverMode::ConfigureUnowned, ""},
        {" -/ ", SaverMode::ConfigureUnowned, ""},
        {"/s", SaverMode::FullScreen, ""},
        {"-S", SaverMode::FullScreen, ""},
        {"s", SaverMode::FullScreen, ""},
        {"/save", SaverMode::FullScreen, "ave"},
        {"--//  /s", SaverMode::FullScreen, ""},
        {"/c", SaverMode::Configure, ""},
        {"/C:1234", SaverMode::Configure, ":1234"},
        {"/c 1234", SaverMode::Configure, " 1234"},
        {"/p 1234", SaverMode::Preview, "1234"},
        {"/P1234", SaverMode::Preview, "1234"},
        {"/l   77", SaverMode::Preview, "77"},
        {"/p:1234", SaverMode::Preview, ":1234"},
        {"/a 99", SaverMode::ChangePassword, "99"},
        {"/x", SaverMode::Unknown, "x"},
        {"/\ts", SaverMode::Unknown, "\ts"},
        {"\xE0", SaverMode::Unknown, "\xE0"},
    };
    for (const Case& c : cases) {
        const ModeRequest request = scan_mode(c.arguments);
        EXPECT_EQ(request.mode, c.mode) << "arguments '" << c.arguments << "'";
        EXPECT_STREQ(request.rest, c.rest) << "arguments '" << c.arguments << "'";
    }
}

TEST(ParseHandleValue, LeadingDecimalDigitsOnly)
{
    EXPECT_EQ(parse_handle_value("1234"), 1234u);
    EXPECT_EQ(parse_handle_value("1234 5"), 1234u);
    EXPECT_EQ(parse_handle_value("56:7"), 56u);
    EXPECT_EQ(parse_handle_value(""), 0u);
    EXPECT_EQ(parse_handle_value(" 12"), 0u);
    EXPECT_EQ(parse_handle_value("-12"), 0u);
    EXPECT_EQ(parse_handle_value("0x1F"), 0u);
    EXPECT_EQ(parse_handle_value("4294967295"), 4294967295u);
    // Wraps at 32 bits: 4294967296 + 5.
    EXPECT_EQ(parse_handle_value("4294967301"), 5u);
    EXPECT_EQ(parse_handle_value("99999999999999999999"), 1661992959u);
}

TEST(MouseTravel, MoreThanFourPixelsAsXPlusYEndsTheSaver)
{
    EXPECT_FALSE(mouse_travel_exceeds(100, 100, 103, 101));
    EXPECT_TRUE(mouse_travel_exceeds(100, 100, 103, 102));
    EXPECT_FALSE(mouse_travel_exceeds(100, 100, 96, 100));
    EXPECT_TRUE(mouse_travel_exceeds(100, 100, 95, 100));
    EXPECT_TRUE(mouse_travel_exceeds(100, 100, 98, 97));
    EXPECT_FALSE(mouse_travel_exceeds(-5, -5, -7, -3));
    // Far-apart coordinates do not overflow into a small travel.
    EXPECT_TRUE(mouse_travel_exceeds(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX));
}

TEST(PasswordRecheck, RefusedWithinTwoHundredMillisecondsOfTheLastCheck)
{
    EXPECT_FALSE(password_recheck_too_soon(5000, NO_PASSWORD_CHECK));
    EXPECT_TRUE(password_recheck_too_soon(1150, 1000));
    EXPECT_TRUE(password_recheck_too_soon(1199, 1000));
    EXPECT_FALSE(password_recheck_too_soon(1200, 1000));
    EXPECT_FALSE(password_recheck_too_soon(1250, 1000));
    // Across the wrap of the 32-bit tick count.
    EXPECT_TRUE(password_recheck_too_soon(0x10u, 0xFFFFFFA0u));
    EXPECT_FALSE(password_recheck_too_soon(0x200u, 0xFFFFFFA0u));
}
