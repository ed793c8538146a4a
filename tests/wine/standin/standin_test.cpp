// The running stand-in host where the link tests do not drive it: typing into a box publishes to
// that item alone, and a script gets one answer a line and ends with its input.
#include "dde_client.h"
#include "standin_run.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace veskor::test {
namespace {

TEST(Standin, TypingIntoABoxPublishesToItsItemAlone) {
    StandinRun standin;
    ASSERT_TRUE(standin.Start());
    DdeClient khz, command;
    ASSERT_TRUE(khz.Connect(L"QSO") && khz.StartHotLink(L"Khz"));
    ASSERT_TRUE(command.Connect(L"CAT") && command.StartHotLink(L"Command"));
    ASSERT_TRUE(standin.Type(HostItem::Command, L"SWITCH"));
    ASSERT_TRUE(PumpUntil([&] { return !command.Received().empty(); }, DeadlineAfter(kPatience)));
    const std::string served("SWITCH", 7); // with its NUL
    EXPECT_EQ(command.Received(), std::vector<std::string>{served});
    EXPECT_EQ(command.Request(L"Command"), served);
    EXPECT_TRUE(khz.Received().empty());
}

TEST(Standin, AScriptGetsOneAnswerALineAndEndsWithItsInput) {
    const struct {
        std::string line, answer; // the answer's beginning
    } rows[]{
        {"", "ok"},
        {"# a comment", "ok"},
        {"bogus\x01\x7f\xff", "error "},
        {"set Nope 1", "error unknown item"},
        {"refuse-topic Nope", "error unknown topic"},
        {"sethex Khz 0", "error "},
        {"set Khz " + std::string(2 << 20, '1'), "ok"},
        {"set khz 7074.00", "ok"}, // DDE names do not depend on case
    };
    const std::filesystem::path input = ProgramBeside(L"script.txt"),
                                output = ProgramBeside(L"answers.txt");
    std::ofstream(input, std::ios::binary) << [&] {
        std::string script;
        for (const auto& row : rows) {
            script += row.line + "\n";
        }
        return script;
    }();
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = CreateFileW(input.c_str(), GENERIC_READ, 0, &inherit, OPEN_EXISTING, 0, 0);
    startup.hStdOutput =
        CreateFileW(output.c_str(), GENERIC_WRITE, 0, &inherit, CREATE_ALWAYS, 0, 0);
    std::wstring line = L"\"" + ProgramBeside(L"standin-host.exe") + L"\" --script --hidden";
    PROCESS_INFORMATION info{};
    ASSERT_TRUE(CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                               &startup, &info));
    CloseHandle(startup.hStdInput);
    CloseHandle(startup.hStdOutput);
    ASSERT_TRUE(PumpUntilSignalled(info.hProcess, DeadlineAfter(kPatience)));
    DWORD status = 1;
    GetExitCodeProcess(info.hProcess, &status);
    EXPECT_EQ(status, 0u);
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);

    std::ifstream answers(output, std::ios::binary);
    std::string answer;
    ASSERT_TRUE(std::getline(answers, answer));
    EXPECT_EQ(answer, "ready");
    for (const auto& row : rows) {
        SCOPED_TRACE(row.line.substr(0, 40));
        ASSERT_TRUE(std::getline(answers, answer));
        EXPECT_EQ(answer.substr(0, row.answer.size()), row.answer);
    }
    EXPECT_FALSE(std::getline(answers, answer));
}

} // namespace
} // namespace veskor::test
