// A storm from the host: tens of thousands of frequencies published as fast as the host can, mixed
// with oversized values, bytes above 0x7F, values without a terminating NUL and values holding
// CR/LF. Veskor must come through it running, with bounded memory, showing the last values.
#include "operator_checks.h"
#include "standin_process.h"
#include "veskor_under_test.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

namespace veskor::test {
namespace {

constexpr std::size_t kKiB = 1024;

// Four bursts make the updates; between them, the hostile values. Each oversized value is one
// garbage value among sane ones: an oversized azimuth held through a whole 80 m burst would be
// read again for every frequency, which is correct but slow.
std::vector<std::string> StormScript(int burst, std::size_t oversized) {
    const std::string count = std::to_string(burst);
    const std::string size = std::to_string(oversized);
    return {
        "burst Khz " + count + " 1800.00 0.97",  // across every band
        "fill Khz " + size + " 9",               // an oversized frequency
        "sethex Az 3237352e35b0e9ff",            // 275.5 and three bytes above 0x7F, no NUL
        "burst Khz " + count + " 28000.00 0.07", // 10 m: the bearing follows the azimuth
        "fill Az " + size + " 7",                // an oversized azimuth, copied to the bearing
        "set Az 80",                             // and a sane one again
        "sethex Command 5357495443480d0a",       // SWITCH, CR, LF: no command word
        "burst Khz " + count + " 3500.00 0.01",  // 80 m: the azimuth is read on every update
        "sethex Khz 333535302e30300d0a",         // 3550.00, CR, LF, no NUL
        "fill Command " + size + " R",           // an oversized command
        "burst Khz " + count + " 14000.00 0.01", // 20 m
        "sethex Az 313233b0",                    // 123 and a byte above 0x7F, no NUL
        "set Command storm over",
        "sethex Khz 31343037342e3030", // 14074.00, no NUL: the last value
    };
}

// What the host's ANSI bytes become in a window of this Wine session.
std::wstring FromAnsi(const std::string& bytes) {
    const int size =
        MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring text(static_cast<size_t>(size), L'\0');
    MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(), size);
    return text;
}

// Generous: the heap keeps what an oversized value needed (its bytes, their wide copy, the box's
// text), and Wine's DDE client keeps the data of every update it receives (about 64 bytes for a
// frequency). A Veskor that kept copies of its texts on every update would far exceed it.
constexpr std::size_t kWorkingSetAllowance = 32 * kKiB * kKiB;

void RunStorm(int burst, std::size_t oversized) {
    StandinProcess host;
    ASSERT_TRUE(host.Start()) << host.Error();
    for (const char* line : {"set Khz 3550.00", "set Az 80", "set Command CQ"}) {
        ASSERT_TRUE(host.Command(line)) << line << ": " << host.Error();
    }
    VeskorUnderTest veskor;
    ASSERT_TRUE(veskor.Start());
    ASSERT_TRUE(veskor.WaitForMainWindow(DeadlineAfter(kPatience)));
    ASSERT_TRUE(PollUntil(
        [&] {
            return ShowsTexts(veskor, {L"3550.00", L"80", L"CQ"});
        },
        DeadlineAfter(kPatience)));
    ASSERT_TRUE(veskor.Click(ControlId::CheckAutoSwitch));
    ASSERT_TRUE(veskor.Click(ControlId::CheckAutoRotate));
    const std::size_t before = veskor.WorkingSet();
    const auto started = Clock::now();

    for (const std::string& line : StormScript(burst, oversized)) {
        ASSERT_TRUE(host.Command(line, std::chrono::minutes(5))) << line << ": " << host.Error();
    }
    // The host has published everything; Veskor may still be working through its queue.
    const std::wstring azimuth = FromAnsi("123\xb0");
    EXPECT_TRUE(PollUntil(
        [&] {
            return ShowsTexts(veskor, {L"14074.00", azimuth, L"storm over"}) &&
                   OnlyTicked(veskor, ControlId::CheckBeam) &&
                   veskor.Text(ControlId::TextBearing) == azimuth;
        },
        DeadlineAfter(std::chrono::minutes(5))))
        << "the last values are not shown: " << Describe(veskor);
    const auto seconds =
        std::chrono::duration_cast<std::chrono::seconds>(Clock::now() - started).count();
    const std::size_t after = veskor.WorkingSet();
    ::testing::Test::RecordProperty("storm_seconds", static_cast<int>(seconds));
    ::testing::Test::RecordProperty("working_set_before_kib", static_cast<int>(before / kKiB));
    ::testing::Test::RecordProperty("working_set_after_kib", static_cast<int>(after / kKiB));

    ASSERT_TRUE(veskor.Running()) << "Veskor did not survive the storm";
    EXPECT_LE(after, before + kWorkingSetAllowance);
    ExpectOperatorCanWork(veskor);
}

// Under Wine a DDE host can publish only 65,535 hot-link values in its life (the 65,536th and all
// after it reach its clients without data), so the storm that runs stays below that: 60,000
// frequencies. Its oversized values are 64 KiB, the largest the host link promises to deliver
// whole.
TEST(HostStorm, SixtyThousandUpdatesWithLargeAndMalformedValues) {
    RunStorm(15000, 64 * kKiB);
}

// Disabled: needs a host not bound by Wine's 65,535 values (real Windows).
TEST(HostStorm, DISABLED_HundredThousandUpdatesWithLargeAndMalformedValues) {
    RunStorm(25000, 64 * kKiB);
}

// Disabled: under Wine, the edit control takes time that grows with the square of its text's
// length (64 KiB: about 6 s to set and paint; 1 MB: over half an hour), so a window that shows
// such a text whole stops answering for that long. Run it with --gtest_also_run_disabled_tests
// once the window bounds what it shows.
TEST(HostStorm, DISABLED_SixtyThousandUpdatesWithMegabyteValues) {
    RunStorm(15000, 1024 * kKiB);
}

} // namespace
} // namespace veskor::test
