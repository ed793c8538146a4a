// Veskor against a host that misbehaves after the conversation has begun: one that stops
// answering at start-up or later, one that dies mid-run, and one host shared by two Veskors.
#include "dde_conversation.h"
#include "operator_checks.h"
#include "standin_process.h"
#include "veskor_under_test.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

namespace veskor::test {
namespace {

constexpr wchar_t kStartUpMessage[] = L"MixW 2 is not loaded! The program will now exit.";

class HostileHost : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(host_.Start()) << host_.Error();
        for (const char* line : {"set Khz 3550.00", "set Az 80", "set Command CQ"}) {
            ASSERT_TRUE(host_.Command(line)) << line << ": " << host_.Error();
        }
    }

    // Starts a Veskor and waits until its window shows the host's values.
    static void StartLinked(VeskorUnderTest& veskor) {
        ASSERT_TRUE(veskor.Start());
        ASSERT_TRUE(veskor.WaitForMainWindow(DeadlineAfter(kPatience)));
        EXPECT_TRUE(PollUntil(
            [&] {
                return ShowsTexts(veskor, {L"3550.00", L"80", L"CQ"});
            },
            DeadlineAfter(kPatience)));
    }

    StandinProcess host_;
};

TEST_F(HostileHost, HangingAtStartUpEndsWithTheStartUpMessage) {
    ASSERT_TRUE(host_.Command("hang")) << host_.Error();
    VeskorUnderTest veskor;
    const auto started = Clock::now();
    ASSERT_TRUE(veskor.Start());

    bool mainWindowSeen = false;
    HWND messageBox = nullptr;
    // The link gives up on a silent host after its timeout; the rest is patience for Wine.
    PollUntil(
        [&] {
            mainWindowSeen = mainWindowSeen || veskor.MainWindowVisible();
            messageBox = veskor.MessageBoxWindow();
            return messageBox != nullptr || !veskor.Running();
        },
        DeadlineAfter(kHostAnswerTimeout + kPatience));
    ASSERT_NE(messageBox, nullptr) << "no start-up message while the host hangs";
    RecordProperty(
        "start_up_message_after_ms",
        static_cast<int>(
            std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - started).count()));
    EXPECT_EQ(VeskorUnderTest::MessageText(messageBox), kStartUpMessage);
    EXPECT_FALSE(mainWindowSeen);

    PostMessageW(messageBox, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    DWORD status = 0;
    ASSERT_TRUE(veskor.WaitForExit(DeadlineAfter(kPatience), status));
    EXPECT_EQ(status, 1u);
    EXPECT_FALSE(mainWindowSeen);
}

// After start-up: a host that answers nothing more ("hang"), and one that handles no message
// at all ("freeze").
class HostStopsAfterStartUp : public HostileHost,
                              public ::testing::WithParamInterface<const char*> {};

TEST_P(HostStopsAfterStartUp, WindowStaysResponsive) {
    VeskorUnderTest veskor;
    StartLinked(veskor);
    ASSERT_TRUE(host_.Command(GetParam())) << host_.Error();

    ExpectOperatorCanWork(veskor);
    EXPECT_EQ(veskor.MessageBoxWindow(), nullptr);
    // A frozen host would keep Veskor's closing conversations waiting: end it first.
    host_.Kill();
}

INSTANTIATE_TEST_SUITE_P(HangOrFreeze, HostStopsAfterStartUp, ::testing::Values("hang", "freeze"));

TEST_F(HostileHost, KilledMidRunLeavesTextsAndWorkingWindow) {
    VeskorUnderTest veskor;
    StartLinked(veskor);
    ASSERT_TRUE(host_.Command("set Khz 21100.00"));
    ASSERT_TRUE(host_.Command("set Az 275"));
    ASSERT_TRUE(PollUntil(
        [&] {
            return ShowsTexts(veskor, {L"21100.00", L"275", L"CQ"});
        },
        DeadlineAfter(kPatience)));

    host_.Kill();
    // Clicking a box goes through Veskor's message queue, so whatever the host's end sent
    // Veskor has been handled before the texts are read.
    ASSERT_TRUE(veskor.Click(ControlId::CheckAutoRotate));
    ASSERT_TRUE(veskor.Click(ControlId::CheckAutoRotate));
    EXPECT_TRUE(ShowsTexts(veskor, {L"21100.00", L"275", L"CQ"}));

    ExpectOperatorCanWork(veskor);
    EXPECT_TRUE(veskor.Running());
    EXPECT_EQ(veskor.VisibleWindowCount(), 1) << "something was reported";

    // And it ends as always when its window is closed.
    DWORD status = 1;
    ASSERT_TRUE(veskor.CloseAndWait(DeadlineAfter(kPatience), status));
    EXPECT_EQ(status, 0u);
}

TEST_F(HostileHost, TwoVeskorsBothFollowOneHost) {
    VeskorUnderTest first;
    VeskorUnderTest second;
    StartLinked(first);
    StartLinked(second);
    for (VeskorUnderTest* veskor : {&first, &second}) {
        ASSERT_TRUE(veskor->Click(ControlId::CheckAutoSwitch));
    }

    struct Step {
        const char* frequency;
        const char* azimuth;
        const wchar_t* frequencyShown;
        const wchar_t* azimuthShown;
        ControlId ticked;
    };
    const Step steps[] = {
        {"21200.00", "123", L"21200.00", L"123", ControlId::CheckBeam},
        {"3600.00", "90", L"3600.00", L"90", ControlId::CheckDipoleEW},
        {"3600.00", "10", L"3600.00", L"10", ControlId::CheckDipoleNS},
        {"7050.00", "10", L"7050.00", L"10", ControlId::CheckLW},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.frequency + std::string(" / ") + step.azimuth);
        ASSERT_TRUE(host_.Command(std::string("set Khz ") + step.frequency));
        ASSERT_TRUE(host_.Command(std::string("set Az ") + step.azimuth));
        for (VeskorUnderTest* veskor : {&first, &second}) {
            EXPECT_TRUE(PollUntil(
                [&] {
                    return ShowsTexts(*veskor, {step.frequencyShown, step.azimuthShown, L"CQ"}) &&
                           OnlyTicked(*veskor, step.ticked);
                },
                DeadlineAfter(kPatience)));
        }
    }
}

} // namespace
} // namespace veskor::test
