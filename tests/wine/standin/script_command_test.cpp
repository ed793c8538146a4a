// The stand-in host's script lines: what each means, which are refused, and burst values.
#include "script_command.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace veskor {
namespace {

using namespace std::string_literals;

TEST(ScriptCommand, ValuesAreTakenExactly) {
    struct Case {
        std::string line;
        ScriptVerb verb;
        std::string name;
        std::string value;
        bool terminated;
    };
    const Case cases[] = {
        {"set Khz 7050.00", ScriptVerb::Set, "Khz", "7050.00", true},
        {"set Command  two  blanks ", ScriptVerb::Set, "Command", " two  blanks ", true},
        {"set Command", ScriptVerb::Set, "Command", "", true},
        {"set Command a\rb", ScriptVerb::Set, "Command", "a\rb", true},
        {"sethex Az 0d0a 80 FF", ScriptVerb::SetHex, "Az", "\r\n\x80\xff", false},
        {"sethex Az 41 00 42", ScriptVerb::SetHex, "Az", "A\0B"s, false},
        {"fill Khz 4 7", ScriptVerb::Fill, "Khz", "7777", true},
        {"fill Az 3  ", ScriptVerb::Fill, "Az", "   ", true},
        {"refuse-item Az", ScriptVerb::RefuseItem, "Az", "", true},
        {"accept-topic  CAT ", ScriptVerb::AcceptTopic, "CAT", "", true},
        {"", ScriptVerb::Nothing, "", "", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        ScriptCommand command = ParseScriptLine(c.line);
        EXPECT_EQ(command.error, "");
        EXPECT_EQ(command.verb, c.verb);
        EXPECT_EQ(command.name, c.name);
        EXPECT_EQ(command.value, c.value);
        EXPECT_EQ(command.terminated, c.terminated);
    }
}

TEST(ScriptCommand, MalformedLinesAreRefusedWithAReason) {
    // Commands are lower case; hex comes in whole bytes; counts, decimals and digits are bounded.
    const std::string lines =
        "bogus|SET Khz 1|set|sethex Khz 0|sethex Khz 0g|sethex Khz|fill Khz|"
        "fill Khz x y|fill Khz 2 ab|fill Khz 2|fill Khz 99999999999999999999 x|"
        "fill Khz 67108865 x|burst Khz 2 1|burst Khz 2 1 x|"
        "burst Khz 1000001 1 1|burst Khz 2 1.1234567 1|burst Khz 2 1. 1|"
        "burst Khz 1000000 999999999999 999999999999|burst Khz 2 1 1 1|"
        "hang now|quit 0|refuse-item|refuse-item Khz extra";
    for (std::size_t at = 0, end = 0; at < lines.size(); at = end + 1) {
        end = std::min(lines.find('|', at), lines.size());
        SCOPED_TRACE(lines.substr(at, end - at));
        EXPECT_NE(ParseScriptLine(lines.substr(at, end - at)).error, "");
    }
}

TEST(ScriptCommand, BurstValuesAreExactDecimals) {
    struct Case {
        const char* line;
        std::uint32_t index;
        const char* value;
    };
    const Case cases[] = {
        {"burst Khz 100 14000.00 0.01", 0, "14000.00"},
        {"burst Khz 100 14000.00 0.01", 99, "14000.99"},
        {"burst Khz 100 14000 0.25", 3, "14000.75"},
        {"burst Khz 10 0.1 0.1", 9, "1.0"},
        {"burst Khz 3 -0.5 0.25", 0, "-0.50"}, // the sign of a value above -1 stays
        {"burst Khz 3 -0.5 0.25", 2, "0.00"},
        {"burst Az 3 1 -1", 2, "-1"},
        {"burst Az 2 +359 1", 1, "360"},
        {"burst Az 2 .5 1", 1, "1.5"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        ScriptCommand burst = ParseScriptLine(c.line);
        ASSERT_EQ(burst.error, "");
        EXPECT_EQ(BurstValue(burst, c.index), c.value);
    }
}

} // namespace
} // namespace veskor
