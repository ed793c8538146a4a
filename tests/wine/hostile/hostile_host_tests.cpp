// veskor.exe against a host that misbehaves: one that hangs at start-up, one that hangs, freezes
// or dies later, one shared by two Veskors, and one that publishes faster than any window shows,
// in bursts and in a storm of hostile values.
#include "dde_conversation.h"
#include "standin_run.h"
#include "window.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <optional>
#include <string>

namespace veskor::test {
namespace {

using Id = ControlId;
// The six check boxes as bits: the four antenna indicators, then Auto switch and Auto rotate.
constexpr int NS = 1, EW = 2, Beam = 4, LW = 8, AS = 16, AR = 32;
constexpr Id kTickBoxes[] = {Id::CheckDipoleNS, Id::CheckDipoleEW,   Id::CheckBeam,
                             Id::CheckLW,       Id::CheckAutoSwitch, Id::CheckAutoRotate};

bool Wait(const std::function<bool()>& done, Deadline deadline = DeadlineAfter(kPatience)) {
    return PumpUntil(done, deadline, 10);
}

struct Veskor {
    Program program;
    AppWindow window;

    void Launch() {
        ASSERT_TRUE(program.Start(L"veskor.exe"));
        ASSERT_TRUE(Wait([&] {
            return bool(window =
                            AppWindow(program.VisibleWindow(kMainWindowCaption, kMainWindowClass)));
        }));
    }
    int Ticks() const {
        int bits = 0;
        for (int i = 0; i < 6; ++i) {
            bits |= window.Ticked(kTickBoxes[i]) ? 1 << i : 0;
        }
        return bits;
    }
    bool Shows(Id box, const char* text) const { return window.ShowsShortText(box, text); }
    void Click(std::initializer_list<Id> boxes) const {
        for (Id box : boxes) {
            ASSERT_TRUE(window.Click(box));
        }
    }
    // The operator still works the window, Auto switch and Auto rotate ticked on a frequency of the
    // beam's: typing moves the tick and the bearing, and the Auto switch box and Switch! do their
    // part.
    void ExpectOperatorCanWork() const {
        const struct {
            Id control;
            const wchar_t* typed; // null for a click
            int ticks;
        } steps[]{{Id::TextAz, L"275", Beam | AS | AR},
                  {Id::TextKhz, L"14100", Beam | AS | AR},
                  {Id::CheckAutoSwitch, nullptr, Beam | AR},
                  {Id::TextKhz, L"7050", Beam | AR},
                  {Id::CommandSwitch, nullptr, LW | AR}};
        for (const auto& step : steps) {
            ASSERT_TRUE(step.typed ? window.Type(step.control, step.typed)
                                   : window.Click(step.control));
            EXPECT_TRUE(Wait([&] { return Ticks() == step.ticks; })) << int(step.control);
        }
        EXPECT_EQ(window.Text(Id::TextBearing), L"275");
    }
};

TEST(HostileHost, HangingAtStartUpEndsWithTheStartUpMessage) {
    DdeHost host;
    host.Hang();
    Program veskor;
    ASSERT_TRUE(veskor.Start(L"veskor.exe"));
    bool windowSeen = false;
    HWND box = nullptr;
    // The link gives up on a silent host after its timeout; the rest is patience for Wine.
    ASSERT_TRUE(Wait(
        [&] {
            windowSeen = windowSeen || veskor.VisibleWindow(kMainWindowCaption, kMainWindowClass);
            return (box = veskor.VisibleWindow(kMainWindowCaption, L"#32770")) != nullptr;
        },
        DeadlineAfter(kHostAnswerTimeout + kPatience)));
    EXPECT_EQ(MessageText(box), L"MixW 2 is not loaded! The program will now exit.");
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    EXPECT_EQ(veskor.WaitForExit(DeadlineAfter(kPatience)), 1);
    EXPECT_FALSE(windowSeen);
}

// A host that answers nothing more, one that quits, one whose process runs no more (still frozen
// when Veskor closes), and one killed: the texts stay, nothing is reported, the operator works
// on, and closing the window ends Veskor with status 0 without waiting for the host.
TEST(HostileHost, HostStoppingAfterStartUpLeavesAWorkingWindow) {
    for (const std::string how : {"hang", "quit", "freeze", "kill"}) {
        SCOPED_TRACE(how);
        std::optional<DdeHost> host;
        StandinRun standin;
        if (how == "hang") {
            host.emplace();
            host->Publish(HostItem::Frequency, "21100.00");
            host->Publish(HostItem::Azimuth, "275");
        } else {
            ASSERT_TRUE(standin.Start() && standin.Type(HostItem::Frequency, L"21100.00") &&
                        standin.Type(HostItem::Azimuth, L"275"));
        }
        Veskor veskor;
        ASSERT_NO_FATAL_FAILURE(veskor.Launch());
        const auto shown = [&] {
            return veskor.Shows(Id::TextKhz, "21100.00") && veskor.Shows(Id::TextAz, "275");
        };
        ASSERT_TRUE(Wait(shown));
        host ? host->Hang() : standin.Stop(how);
        ASSERT_NO_FATAL_FAILURE(veskor.Click({Id::CheckAutoSwitch, Id::CheckAutoRotate}));
        EXPECT_TRUE(shown());
        veskor.ExpectOperatorCanWork();
        EXPECT_EQ(veskor.program.VisibleWindows().size(), 1u) << "something was reported";
        EXPECT_EQ(
            veskor.program.CloseAndWait(veskor.window.Main(), DeadlineAfter(kHostAnswerTimeout)),
            0);
    }
}

TEST(HostileHost, TwoVeskorsBothFollowOneHost) {
    DdeHost host;
    Veskor veskors[2];
    for (Veskor& veskor : veskors) {
        ASSERT_NO_FATAL_FAILURE(veskor.Launch());
        ASSERT_NO_FATAL_FAILURE(veskor.Click({Id::CheckAutoSwitch}));
    }
    const struct {
        const char *khz, *az;
        int ticks;
    } steps[]{{"21200.00", "123", Beam | AS},
              {"3600.00", "90", EW | AS},
              {"3600.00", "10", NS | AS},
              {"7050.00", "10", LW | AS}};
    for (const auto& step : steps) {
        SCOPED_TRACE(step.khz + std::string(" / ") + step.az);
        host.Publish(HostItem::Frequency, step.khz);
        host.Publish(HostItem::Azimuth, step.az);
        for (Veskor& veskor : veskors) {
            EXPECT_TRUE(Wait([&] {
                return veskor.Shows(Id::TextKhz, step.khz) && veskor.Shows(Id::TextAz, step.az) &&
                       veskor.Ticks() == step.ticks;
            }));
        }
    }
}

// A host that publishes as fast as DdePostAdvise returns, pumping nothing in between. Wine's host
// drops a conversation for good when the client's queue is full, so a window that fell behind
// would keep a stale frequency and the wrong antenna, with nothing reported.
TEST(HostileHost, FullSpeedBurstShowsTheLastValueAndKeepsTheLink) {
    DdeHost host; // fresh: a Wine host publishes about 65,535 values in its life
    host.Publish(HostItem::Azimuth, "275");
    Veskor veskor;
    ASSERT_NO_FATAL_FAILURE(veskor.Launch());
    ASSERT_NO_FATAL_FAILURE(veskor.Click({Id::CheckAutoSwitch, Id::CheckAutoRotate}));

    const std::string bands[] = {"28500.", "1850.", "3600.", "7050.", "14100.", "21200."};
    const double started = NowMs();
    for (int left = 9999; left >= 0; --left) { // through every band; the last 28500.10
        host.Publish(HostItem::Frequency, bands[left % 6] + std::to_string(10 + left % 90));
    }
    RecordProperty("publish_ms", int(NowMs() - started));
    EXPECT_TRUE(Wait(
        [&] {
            return veskor.Shows(Id::TextKhz, "28500.10") && veskor.Ticks() == (Beam | AS | AR) &&
                   veskor.Shows(Id::TextBearing, "275");
        },
        DeadlineAfter(4 * kPatience)))
        << "shows " << veskor.window.Utf8(Id::TextKhz) << ", ticks " << veskor.Ticks();
    RecordProperty("last_value_shown_ms", int(NowMs() - started));

    host.Publish(HostItem::Frequency, "7050.00");
    EXPECT_TRUE(Wait([&] {
        return veskor.Shows(Id::TextKhz, "7050.00") && veskor.Ticks() == (LW | AS | AR);
    })) << "the link is lost";
}

// A MiB of the pattern. Not digits: Wine's edit control lays out a long run of digits in time that
// grows with the square of its length (64 KiB: seconds; 1 MiB: over half an hour).
std::string Megabyte(const std::string& pattern) {
    std::string text;
    while (text.size() < (1 << 20)) {
        text += pattern;
    }
    return text.substr(0, 1 << 20);
}

// 60,000 frequencies (Wine's host life allows 65,535) at full speed, among 1 MiB values (letters,
// bytes above 0x7F, short CR/LF lines), values without a NUL and values holding CR/LF. Veskor
// shows each 1 MiB value whole, comes through with bounded memory and shows the last values.
TEST(HostileHost, StormOfSixtyThousandUpdatesWithMegabyteAndMalformedValues) {
    DdeHost host;
    host.Publish(HostItem::Azimuth, "80");
    Veskor veskor;
    ASSERT_NO_FATAL_FAILURE(veskor.Launch());
    ASSERT_NO_FATAL_FAILURE(veskor.Click({Id::CheckAutoSwitch, Id::CheckAutoRotate}));
    const std::size_t before = veskor.program.Memory().workingSet;
    const double started = NowMs();
    const auto burst = [&](double first, double step) {
        for (int i = 0; i < 15000; ++i) {
            char text[32];
            std::snprintf(text, sizeof text, "%.2f", first + i * step);
            host.Publish(HostItem::Frequency, text);
        }
    };
    const auto showsWhole = [&](std::initializer_list<Id> boxes) {
        for (Id box : boxes) {
            EXPECT_TRUE(Wait([&] { return veskor.window.Text(box).size() == 1 << 20; }))
                << int(box);
        }
    };
    burst(1800.00, 0.97);                                           // across every band
    host.PublishBytes(HostItem::Frequency, Megabyte("abcdefghij")); // no NUL
    showsWhole({Id::TextKhz});
    host.PublishBytes(HostItem::Azimuth, "275.5\xb0\xe9\xff"); // no NUL
    burst(28000.00, 0.07);                                     // 10 m: the bearing follows
    host.Publish(HostItem::Azimuth, Megabyte("\x80\xb0\xe9\xff\xa0"));
    showsWhole({Id::TextAz, Id::TextBearing});
    host.Publish(HostItem::Azimuth, "80");
    host.PublishBytes(HostItem::Command, "SWITCH\r\n"); // no command word
    burst(3500.00, 0.01);                               // 80 m: the azimuth read every time
    host.PublishBytes(HostItem::Frequency, "3550.00\r\n");
    host.Publish(HostItem::Command, Megabyte("ROTATE SWITCH\r\n"));
    showsWhole({Id::TextCommand});
    burst(14000.00, 0.01); // 20 m
    host.PublishBytes(HostItem::Azimuth, "123\xb0");
    host.Publish(HostItem::Command, "storm over");
    host.PublishBytes(HostItem::Frequency, "14074.00");

    wchar_t azimuth[8] = {};
    MultiByteToWideChar(CP_ACP, 0, "123\xb0", 4, azimuth, 8); // as this session shows it
    EXPECT_TRUE(Wait(
        [&] {
            return veskor.Shows(Id::TextKhz, "14074.00") &&
                   veskor.Shows(Id::TextCommand, "storm over") &&
                   veskor.Ticks() == (Beam | AS | AR) &&
                   veskor.window.Text(Id::TextAz) == azimuth &&
                   veskor.window.Text(Id::TextBearing) == azimuth;
        },
        DeadlineAfter(std::chrono::minutes(5))))
        << "shows " << veskor.window.Utf8(Id::TextKhz).substr(0, 40) << ", ticks "
        << veskor.Ticks();
    const std::size_t after = veskor.program.Memory().workingSet;
    RecordProperty("storm_ms", int(NowMs() - started));
    RecordProperty("working_set_kib_before", int(before >> 10));
    RecordProperty("working_set_kib_after", int(after >> 10));
    ASSERT_TRUE(veskor.program.Running()) << "Veskor did not survive the storm";
    // Generous: the heap keeps what a 1 MiB value needed (its bytes, their wide copy, the box's
    // text), and Wine's DDE client keeps about 64 bytes of every update. A Veskor that kept
    // copies of its texts on every update would far exceed it.
    EXPECT_LE(after, before + (32 << 20));
    veskor.ExpectOperatorCanWork();
}

} // namespace
} // namespace veskor::test
