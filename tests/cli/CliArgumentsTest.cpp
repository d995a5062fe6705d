// The words of a subcommand's command line.
#include <gtest/gtest.h>

#include "CTarnwick_CliArguments.h"

TEST(CliArguments, FlagsValuesAndPositionalWordsInAnyOrder) {
    CTarnwick_CliArguments l__Arguments;
    ASSERT_TRUE(l__Arguments.Parse({"a.iso", "--test", "--drive", "virtual:/x", "--speed=8", "b.flac", "--", "--odd"},
                                   {"--test"}, {"--speed"}));
    EXPECT_TRUE(l__Arguments.Has("--test"));
    EXPECT_EQ(l__Arguments.Value("--drive"), "virtual:/x");
    EXPECT_EQ(l__Arguments.Value("--speed"), "8");
    EXPECT_EQ(l__Arguments.Value("--missing", "d"), "d");
    EXPECT_EQ(l__Arguments.Positional(), (std::vector<std::string>{"a.iso", "b.flac", "--odd"}));
    EXPECT_FALSE(l__Arguments.IsJson());
}

TEST(CliArguments, RefusesUnknownOptionsMissingValuesAndValuesOnFlags) {
    CTarnwick_CliArguments l__Unknown, l__Missing, l__FlagValue;
    EXPECT_FALSE(l__Unknown.Parse({"--bogus"}, {}, {}));
    EXPECT_NE(l__Unknown.Error().find("--bogus"), std::string::npos);
    EXPECT_FALSE(l__Missing.Parse({"--drive"}, {}, {}));
    EXPECT_NE(l__Missing.Error().find("needs a value"), std::string::npos);
    EXPECT_FALSE(l__FlagValue.Parse({"--json=1"}, {}, {}));
}

TEST(CliArguments, NumbersAreDigitsWithinTheirRange) {
    unsigned long long l__Value = 7;
    EXPECT_TRUE(CTarnwick_CliArguments::ParseNumber("42", 0, 99, l__Value));
    EXPECT_EQ(l__Value, 42u);
    for (const char* l__Text : {"", "-1", "1x", "100", "99999999999999999999", " 4"})
        EXPECT_FALSE(CTarnwick_CliArguments::ParseNumber(l__Text, 0, 99, l__Value)) << l__Text;
    EXPECT_EQ(l__Value, 42u);
}
