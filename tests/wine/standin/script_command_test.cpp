// The stand-in host's script: what each line does and answers, and the stand-in running a script
// as scripts/screenshot runs it, one answer a line until its input ends.
#include "program.h"
#include "script_command.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <tuple>

namespace veskor {
namespace {

using enum HostItem;

// Writes down what a line had the stand-in do.
struct Record final : ScriptTarget {
    std::string verb, value;
    HostItem item = Frequency;
    void Set(HostItem to, std::string text) override {
        verb = "set";
        item = to;
        value = std::move(text);
    }
    void Quit() override { verb = "quit"; }
};

TEST(ScriptCommand, EachLineIsCarriedOutOrRefusedWithOneAnswer) {
    const struct {
        std::string line, answer, verb;
        HostItem item;
        std::string value;
    } rows[]{
        {"set Khz 7050.00", "ok", "set", Frequency, "7050.00"},
        {"set Command  two  blanks ", "ok", "set", Command, " two  blanks "},
        {"set Command", "ok", "set", Command, ""},
        {"set Command a\rb", "ok", "set", Command, "a\rb"},
        {" set\taZ\t80", "ok", "set", Azimuth, "80"}, // DDE names do not depend on case
        {"quit", "ok", "quit", Frequency, ""},
        {"  quit \t", "ok", "quit", Frequency, ""},
        {"", "ok", "", Frequency, ""},
        {" \t# set Khz 1", "ok", "", Frequency, ""},
        // Commands are lower case; answers are one line, however long or odd the command.
        {"SET Khz 1", "error unknown command 'SET' (try --help)", "", Frequency, ""},
        {"bogus\x01\xff", "error unknown command 'bogus?\xff' (try --help)", "", Frequency, ""},
        {std::string(50, 'x'), "error unknown command '" + std::string(40, 'x') + "' (try --help)",
         "", Frequency, ""},
        {"set", "error set needs a name", "", Frequency, ""},
        {"set Khzz 1", "error unknown item 'Khzz' (Khz, Az, Command)", "", Frequency, ""},
        {"quit 0", "error quit takes no argument", "", Frequency, ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.line);
        Record done;
        EXPECT_EQ(RunScriptLine(row.line, done), row.answer);
        EXPECT_EQ(std::tie(done.verb, done.item, done.value),
                  std::tie(row.verb, row.item, row.value));
    }
}

TEST(Standin, AScriptGetsOneAnswerALineAndEndsWithItsInput) {
    // The line, and the beginning of its answer: what each line does is tried above.
    const std::pair<std::string, std::string> rows[]{
        {"bogus\x01\x7f\xff", "error "},
        {"set Khz " + std::string(2 << 20, '1'), "ok"},
        {"set khz 7074.00", "ok"},
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
