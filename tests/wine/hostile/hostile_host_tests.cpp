// veskor.exe and its host link against a host that misbehaves, over real DDE: none at all or one
// that fails start-up, publishes while a link opens, hangs, quits, freezes or dies after start-up,
// publishes faster than any window shows, or storms hostile values. The host is this process, or
// the stand-in host run as the operator runs it and typed into.
#include "burst.h"
#include "dde_conversation.h"
#include "dde_host.h"
#include "host_link.h"
#include "program.h"
#include "receiver.h"
#include "standin_window.h"
#include "station_panel.h"
#include "window.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace veskor::test {
namespace {

using Id = ControlId;

struct Veskor {
    Program program;
    AppWindow window;

    // Starts it and waits for its window, then ticks Auto switch and Auto rotate.
    void Launch() {
        ASSERT_TRUE(window = StartVeskor(program));
        ASSERT_TRUE(window.Click(Id::CheckAutoSwitch) && window.Click(Id::CheckAutoRotate));
    }
    bool Shows(Id box, const char* text) const { return window.ShowsShortText(box, text); }
    // The operator still works the window: the azimuth typed ticks the antenna of the frequency's
    // band and is copied to Bearing, and the frequency typed moves the tick.
    void ExpectOperatorCanWork() const {
        ASSERT_TRUE(window.Type(Id::TextAz, L"275") && window.Type(Id::TextKhz, L"7050"));
        const auto done = [&] {
            return Shows(Id::TextBearing, "275") && window.Ticks() == (LW | AS | AR);
        };
        EXPECT_TRUE(Wait(done)) << "ticks " << window.Ticks();
    }
};

// No host, or a host that hangs: only the start-up message shows (the main window never, not even
// for a moment), after the host's time to answer when it hangs, with one button, OK, and no icon;
// dismissing it by its button or by closing it ends Veskor with status 1. A host that refuses a
// link part-way ends the same way: the fault tests refuse each later link, and the message host's
// refusing row reads the message.
TEST(HostileHost, HostFailingStartUpEndsWithTheStartUpMessage) {
    for (const bool hangs : {false, true}) {
        SCOPED_TRACE(hangs ? "a host that hangs" : "no host");
        std::optional<DdeHost> host;
        if (hangs) {
            host.emplace();
            host->Hang();
        }
        Program veskor;
        StartUpMessage message(veskor);
        const auto start = Clock::now();
        ASSERT_TRUE(message.Await(DeadlineAfter(kHostAnswerTimeout + kPatience)));
        EXPECT_TRUE(!hangs || Clock::now() - start >= kHostAnswerTimeout);
        EXPECT_EQ(message.Texts(),
                  (std::vector<std::wstring>{L"MixW 2 is not loaded! The program will now exit.",
                                             L"OK"}));
        for (HWND child = GetWindow(message.Box(), GW_CHILD); child;
             child = GetWindow(child, GW_HWNDNEXT)) {
            EXPECT_EQ(SendMessageW(child, STM_GETICON, 0, 0), 0) << "the box shows an icon";
        }
        EXPECT_EQ(message.Dismiss(/*byButton=*/hangs, DeadlineAfter(kPatience)), 1);
        EXPECT_FALSE(message.MainWindowShown());
    }
}

// Values published while a link waits for the host's answer to another link's opening arrive
// whole and in order, whether handled inside that wait or after it.
TEST(HostileHost, ValuesPublishedWhileAnotherLinkOpensKeepTheirOrder) {
    DdeHost host;
    StationPanel panel;
    HostLink link(panel, MakeDdeConversation);
    ASSERT_TRUE(link.OpenLink(LinkedField::Frequency));
    std::vector<std::string> published, seen;
    panel.SetObserver([&](PanelField field) {
        if (field == PanelField::FrequencyText) {
            seen.push_back(panel.FrequencyText());
        }
    });
    for (int i = 0; i < 2000; ++i) {
        published.push_back(std::to_string(14000 + i));
        host.Publish(HostItem::Frequency, published.back());
    }
    ASSERT_TRUE(link.OpenLink(LinkedField::Azimuth));
    EXPECT_TRUE(Wait([&] { return seen.size() >= 2000; }));
    EXPECT_TRUE(seen == published) << seen.size() << " seen";
}

// Two Veskors on a host that answers nothing more, or on the stand-in host quitting, frozen (no
// thread of it runs again, still frozen when Veskor closes) or killed: the texts stay, nothing is
// reported, the operator works on, and closing ends Veskor with status 0 without waiting for the
// host. The stand-in's values are typed into its boxes, each reaching its own item alone.
TEST(HostileHost, HostStoppingAfterStartUpLeavesAWorkingWindow) {
    for (const std::string how : {"hang", "quit", "freeze", "kill"}) {
        SCOPED_TRACE(how);
        std::optional<DdeHost> host;
        Program standin;
        HWND standinWindow = nullptr;
        const auto type = [&](int box, const wchar_t* text) {
            HWND edit = GetDlgItem(standinWindow, kStandinFirstBoxId + box); // Khz, Az, Command
            return Ask(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)) == TRUE;
        };
        if (how == "hang") {
            host.emplace();
            host->Publish(HostItem::Frequency, "21100.00");
            host->Publish(HostItem::Azimuth, "123");
        } else {
            ASSERT_TRUE(standin.Start(L"standin-host.exe"));
            ASSERT_TRUE(Wait([&] {
                return (standinWindow = standin.VisibleWindow(L"MixW stand-in")) != nullptr;
            }));
            ASSERT_TRUE(type(0, L"21100.00") && type(1, L"123"));
        }
        Veskor veskors[2]; // two on one host
        const auto shown = [](const Veskor& veskor) {
            return veskor.Shows(Id::TextKhz, "21100.00") && veskor.Shows(Id::TextAz, "123") &&
                   veskor.Shows(Id::TextCommand, "");
        };
        for (Veskor& veskor : veskors) {
            ASSERT_NO_FATAL_FAILURE(veskor.Launch());
            ASSERT_TRUE(Wait([&] { return shown(veskor); }));
        }
        if (how == "hang") {
            host->Hang();
        } else if (how == "quit") {
            standin.CloseAndWait(standinWindow, DeadlineAfter(kPatience));
        } else if (how == "freeze") {
            using Suspend = LONG(WINAPI*)(HANDLE);
            reinterpret_cast<Suspend>(reinterpret_cast<void*>(GetProcAddress(
                GetModuleHandleW(L"ntdll.dll"), "NtSuspendProcess")))(standin.Handle());
        } else {
            standin.Terminate();
        }
        for (Veskor& veskor : veskors) {
            EXPECT_TRUE(shown(veskor));
            veskor.ExpectOperatorCanWork();
            EXPECT_EQ(veskor.program.VisibleWindows().size(), 1u) << "something was reported";
            EXPECT_EQ(veskor.program.CloseAndWait(veskor.window.Main(),
                                                  DeadlineAfter(kHostAnswerTimeout)),
                      0);
        }
    }
}

// A host that has served a client which ended without ending its conversations, as a program
// that crashes or is killed does, and a fresh host: Veskor started on it takes a burst of 10,000
// values posted as fast as DdePostAdvise returns (the host handling its messages every 50 posts),
// shows the last one with its ticks and bearing, and the one after it. Wine's host then fails
// every post to the vanished client and gives up, under way, the item name it has handed to
// Veskor's messages with that value.
TEST(HostileHost, BurstReachesVeskorAlsoOnAHostWhoseEarlierClientVanished) {
    for (const bool vanished : {false, true}) {
        SCOPED_TRACE(vanished ? "a client vanished" : "fresh host");
        DdeHost host;
        host.Publish(HostItem::Azimuth, "123");
        if (vanished) {
            BareReceiver earlier;
            ASSERT_TRUE(earlier.Start({"28397.34"}, true));
            PublishFrequencyBurst(host);
            ASSERT_TRUE(earlier.AwaitReport(DeadlineAfter(kPatience)));
            ASSERT_EQ(earlier.Quit(DeadlineAfter(kPatience)), 10000);
        }
        Veskor veskor;
        ASSERT_NO_FATAL_FAILURE(veskor.Launch());
        PublishFrequencyBurst(host);
        EXPECT_TRUE(Wait([&] {
            return veskor.Shows(Id::TextKhz, "28397.34") && veskor.Shows(Id::TextBearing, "123") &&
                   veskor.window.Ticks() == (Beam | AS | AR);
        })) << "shows "
            << veskor.window.Utf8(Id::TextKhz) << ", ticks " << veskor.window.Ticks();
        host.Publish(HostItem::Frequency, "3700.00"); // 80 m: the dipole facing 123 degrees
        EXPECT_TRUE(Wait([&] {
            return veskor.Shows(Id::TextKhz, "3700.00") && veskor.window.Ticks() == (EW | AS | AR);
        })) << "the link is lost: shows "
            << veskor.window.Utf8(Id::TextKhz);
    }
}

// Hostile current values at start-up (1 MiB with CR/LF, bytes above 0x7F without a NUL, a value
// that ends at its NUL), then 60,000 frequencies (Wine's host life allows 65,535) in bursts as fast
// as DdePostAdvise returns, pumping nothing in between, among 1 MiB values (letters, bytes above
// 0x7F), values without a NUL and values holding CR/LF or a NUL. Wine's host drops a conversation
// for good when the client's queue is full, so a window that fell behind would keep a stale
// frequency and the wrong antenna, with nothing reported. Veskor shows each value exactly, 1 MiB
// ones whole (and answers a program that reads such a box whole), the last of a burst and the
// values after it, also after a 4 MiB value, with bounded memory.
TEST(HostileHost, StormOfSixtyThousandUpdatesWithMegabyteAndMalformedValues) {
    if (!MegabyteValuesReachVeskor()) {
        GTEST_SKIP() << kNoMegabyteValues;
    }
    // Not digits: Wine's edit control lays out a long run of digits in time that grows with the
    // square of its length (64 KiB: seconds; 1 MiB: over half an hour).
    const auto megabyte = [](std::string text, std::size_t megabytes = 1) {
        while (text.size() < (megabytes << 20)) {
            text += text;
        }
        return text.substr(0, megabytes << 20);
    };
    const std::string lines = megabyte("ROTATE SWITCH\r\n"), letters = megabyte("abcdefghij"),
                      high = megabyte("\x80\xb0\xe9\xff\xa0");
    DdeHost host;
    host.Publish(HostItem::Command, lines);
    host.PublishBytes(HostItem::Azimuth, "\xb0\xe9\xff");
    host.PublishBytes(HostItem::Frequency, std::string("3600\0-99", 8));
    Veskor veskor;
    ASSERT_NO_FATAL_FAILURE(veskor.Launch());
    const std::size_t before = veskor.program.Memory().workingSet;
    // The boxes show these bytes as this session's code page reads them.
    const auto shows = [&](std::initializer_list<std::pair<Id, std::string>> texts) {
        for (const auto& [box, bytes] : texts) {
            std::wstring text(bytes.size(), L'\0');
            text.resize(MultiByteToWideChar(CP_ACP, 0, bytes.data(), int(bytes.size()), text.data(),
                                            int(text.size())));
            // The box by value: clang before 16 takes no structured binding into a lambda.
            EXPECT_TRUE(Wait([&, box = box] { return veskor.window.Text(box) == text; },
                             DeadlineAfter(std::chrono::minutes(5))))
                << int(box) << " shows " << veskor.window.Utf8(box).substr(0, 40);
        }
    };
    const auto burst = [&](double first, double step) {
        for (int i = 0; i < 15000; ++i) {
            char text[32];
            std::snprintf(text, sizeof text, "%.2f", first + i * step);
            host.Publish(HostItem::Frequency, text);
        }
    };
    shows({{Id::TextCommand, lines}, {Id::TextAz, "\xb0\xe9\xff"}, {Id::TextKhz, "3600"}});
    burst(1800.00, 0.97);                            // across every band
    host.PublishBytes(HostItem::Frequency, letters); // no NUL
    shows({{Id::TextKhz, letters}});
    // A screen reader reads a box whole, in one WM_GETTEXT sized by WM_GETTEXTLENGTH.
    std::wstring read(letters.size() + 1, L'\0');
    EXPECT_EQ(Ask(veskor.window.Control(Id::TextKhz), WM_GETTEXT, read.size(),
                  reinterpret_cast<LPARAM>(read.data())),
              LRESULT(letters.size()))
        << "a reader of the 1 MiB box got no answer";
    host.PublishBytes(HostItem::Azimuth, "275.5\xb0\xe9\xff"); // no NUL
    burst(28000.00, 0.07);                                     // 10 m: the bearing follows
    host.Publish(HostItem::Azimuth, high);
    shows({{Id::TextAz, high}, {Id::TextBearing, high}});
    host.Publish(HostItem::Azimuth, "80");
    host.PublishBytes(HostItem::Command, "SWITCH\r\n"); // no command word
    burst(3500.00, 0.01);                               // 80 m: the azimuth read every time
    host.PublishBytes(HostItem::Frequency, "3550.00\r\n");
    burst(14000.00, 0.01); // 20 m
    shows({{Id::TextKhz, "14149.99"}});
    EXPECT_EQ(veskor.window.Ticks(), Beam | AS | AR);
    host.PublishBytes(HostItem::Azimuth, "123\xb0");
    // Beyond what Wine carries (it drops a value of 2 MiB or more, request and hot link alike):
    // arriving or not, it must not stop Veskor nor the values after it.
    host.Publish(HostItem::Command, megabyte("abcdefghij", 4));
    host.PublishBytes(HostItem::Command, std::string("storm over\0junk", 15));
    host.PublishBytes(HostItem::Frequency, "14074.00");
    shows({{Id::TextKhz, "14074.00"}, {Id::TextCommand, "storm over"}});
    shows({{Id::TextAz, "123\xb0"}, {Id::TextBearing, "123\xb0"}});
    ASSERT_TRUE(veskor.program.Running()) << "Veskor did not survive the storm";
    // Generous: the heap keeps what a 1 MiB value needed (its bytes, their wide copy, the box's
    // text), and Wine's DDE client keeps about 64 bytes of every update. A Veskor that kept
    // copies of its texts on every update would far exceed it.
    EXPECT_LE(veskor.program.Memory().workingSet, before + (32 << 20));
    veskor.ExpectOperatorCanWork();
}

} // namespace
} // namespace veskor::test
