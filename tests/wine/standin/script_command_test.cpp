// The stand-in host's script: what each line means, which lines are refused, and the stand-in
// running a script as scripts/screenshot runs it, one answer a line until its input ends.
#include "program.h"
#include "script_command.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <tuple>

namespace veskor {
namespace {

using namespace std::string_literals;
using enum ScriptVerb;

TEST(ScriptCommand, EachLineMeansOneCommandOrIsRefused) {
    // For a burst, the value is its first and last values.
    const struct {
        std::string line;
        ScriptVerb verb;
        std::string name, value;
    } rows[]{
        {"set Khz 7050.00", Set, "Khz", "7050.00"},
        {"set Command  two  blanks ", Set, "Command", " two  blanks "},
        {"set Command", Set, "Command", ""},
        {"set Command a\rb", Set, "Command", "a\rb"},
        {"sethex Az 0d0a 80 FF", SetHex, "Az", "\r\n\x80\xff"}, // served without a NUL
        {"sethex Az 41 00 42", SetHex, "Az", "A\0B"s},
        {"fill Khz 4 7", Fill, "Khz", "7777"},
        {"fill Az 3  ", Fill, "Az", "   "},
        {"refuse-item Az", RefuseItem, "Az", ""},
        {"accept-topic  CAT ", AcceptTopic, "CAT", ""},
        {"", Nothing, "", ""},
        {"burst Khz 100 14000.00 0.01", Burst, "Khz", "14000.00 14000.99"},
        {"burst Khz 100 14000 0.25", Burst, "Khz", "14000.00 14024.75"},
        {"burst Khz 10 0.1 0.1", Burst, "Khz", "0.1 1.0"},
        {"burst Khz 3 -0.5 0.25", Burst, "Khz", "-0.50 0.00"}, // the sign above -1 stays
        {"burst Az 3 1 -1", Burst, "Az", "1 -1"},
        {"burst Az 2 +359 1", Burst, "Az", "359 360"},
        {"burst Az 2 .5 1", Burst, "Az", "0.5 1.5"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.line);
        const ScriptCommand c = ParseScriptLine(row.line);
        const std::string value =
            c.verb != Burst ? c.value : BurstValue(c, 0) + " " + BurstValue(c, c.count - 1);
        EXPECT_EQ(std::tie(c.error, c.verb, c.name, value, c.terminated),
                  std::tuple("", row.verb, row.name, row.value, row.verb != SetHex));
    }
    // Commands are lower case; hex comes in whole bytes; counts, decimals and digits are bounded.
    std::istringstream refused(
        "bogus|SET Khz 1|set|sethex Khz 0|sethex Khz 0g|sethex Khz|fill Khz|fill Khz x y|"
        "fill Khz 2 ab|fill Khz 2|fill Khz 99999999999999999999 x|fill Khz 67108865 x|"
        "burst Khz 2 1|burst Khz 2 1 x|burst Khz 1000001 1 1|burst Khz 2 1.1234567 1|"
        "burst Khz 2 1. 1|burst Khz 1000000 999999999999 999999999999|burst Khz 2 1 1 1|"
        "hang now|quit 0|refuse-item|refuse-item Khz extra");
    for (std::string line; std::getline(refused, line, '|');) {
        EXPECT_NE(ParseScriptLine(line).error, "") << line;
    }
}

TEST(Standin, AScriptGetsOneAnswerALineAndEndsWithItsInput) {
    const std::pair<std::string, std::string> rows[]{
        // the line, and the beginning of its answer
        {"# a comment", "ok"},
        {"bogus\x01\x7f\xff", "error "},
        {"set Nope 1", "error unknown item"},
        {"refuse-topic Nope", "error unknown topic"},
        {"set Khz " + std::string(2 << 20, '1'), "ok"},
        {"set khz 7074.00", "ok"}, // DDE names do not depend on case
    };
    const std::wstring script = test::ProgramBeside(L"script.txt");
    std::ofstream input(script.c_str(), std::ios::binary);
    for (const auto& row : rows) {
        input << row.first << "\n";
    }
    input.close();
    FILE* answers = _wpopen((L"\"\"" + test::ProgramBeside(L"standin-host.exe") +
                             L"\" --script --hidden < \"" + script + L"\"\"")
                                .c_str(),
                            L"rb");
    ASSERT_TRUE(answers);
    char answer[256];
    ASSERT_TRUE(std::fgets(answer, sizeof answer, answers));
    EXPECT_EQ(std::string(answer).substr(0, 5), "ready");
    for (const auto& [line, expected] : rows) {
        ASSERT_TRUE(std::fgets(answer, sizeof answer, answers)) << line.substr(0, 40);
        EXPECT_EQ(std::string(answer).substr(0, expected.size()), expected) << line.substr(0, 40);
    }
    EXPECT_FALSE(std::fgets(answer, sizeof answer, answers));
    EXPECT_EQ(_pclose(answers), 0);
}

} // namespace
} // namespace veskor
