// veskor.exe as a whole, driven from outside as an operator would drive it: its start with and
// without a host, its boxes and ticks following the stand-in host, typing, the keyboard, and the
// place of every control at the screen density of the Wine session.
#include "expected_window.h"
#include "standin_process.h"
#include "veskor_process.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace veskor::test {
namespace {

using Id = ControlId;

// The four antenna indicators, as ticked or not.
struct Ticks {
    bool dipoleNS, dipoleEW, beam, longWire;
    bool operator==(const Ticks&) const = default;
};
constexpr Ticks kNone{false, false, false, false};
constexpr Ticks kDipoleNS{true, false, false, false};
constexpr Ticks kDipoleEW{false, true, false, false};
constexpr Ticks kBeam{false, false, true, false};
constexpr Ticks kLongWire{false, false, false, true};

std::ostream& operator<<(std::ostream& out, const Ticks& ticks) {
    return out << "{N/S " << ticks.dipoleNS << ", E/W " << ticks.dipoleEW << ", beam " << ticks.beam
               << ", long wire " << ticks.longWire << "}";
}

std::string Narrow(const std::wstring& text) {
    return std::string(text.begin(), text.end());
}

class EnvironmentSetUp : public testing::Environment {
    void SetUp() override { BecomeDpiAware(); }
};
const auto* const kEnvironment = testing::AddGlobalTestEnvironment(new EnvironmentSetUp);

// ---- No host ----------------------------------------------------------------------------------

struct Dismissal {
    const char* name;
    // Dismisses the message box through its one button, or through the box itself.
    void (*dismiss)(HWND box, HWND button);
};

void PrintTo(const Dismissal& dismissal, std::ostream* out) {
    *out << dismissal.name;
}

class NoHost : public testing::TestWithParam<Dismissal> {};

TEST_P(NoHost, OnlyTheStartUpMessageShowsAndDismissingItEndsWithStatusOne) {
    VeskorProcess veskor;
    ASSERT_TRUE(veskor.Start()) << veskor.Error();

    bool mainWindowShown = false;
    auto watchMainWindow = [&] {
        HWND main = veskor.FindMainWindow();
        mainWindowShown = mainWindowShown || (main && IsWindowVisible(main));
    };
    HWND box = nullptr;
    ASSERT_TRUE(PollUntil(
        [&] {
            watchMainWindow();
            for (HWND window : TopLevelWindows(veskor.ProcessId())) {
                if (ClassName(window) == L"#32770" && IsWindowVisible(window)) {
                    box = window;
                }
            }
            return box != nullptr;
        },
        DeadlineAfter(kPatience)))
        << "no message box";

    EXPECT_EQ(WindowText(box), L"Veskor");
    std::vector<std::wstring> texts;
    std::vector<HWND> buttons;
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (!IsWindowVisible(child)) {
            continue;
        }
        if (_wcsicmp(ClassName(child).c_str(), L"Button") == 0) {
            buttons.push_back(child);
        } else if (_wcsicmp(ClassName(child).c_str(), L"Static") == 0) {
            if ((GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
                EXPECT_EQ(SendMessageW(child, STM_GETICON, 0, 0), 0) << "the box shows an icon";
                continue;
            }
            if (!WindowText(child).empty()) {
                texts.push_back(WindowText(child));
            }
        }
    }
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0], L"MixW 2 is not loaded! The program will now exit.");
    ASSERT_EQ(buttons.size(), 1u);
    EXPECT_EQ(WindowText(buttons[0]), L"OK");

    GetParam().dismiss(box, buttons[0]);
    DWORD status = 0;
    ASSERT_TRUE(PollUntil(
        [&] {
            watchMainWindow();
            return !veskor.Running();
        },
        DeadlineAfter(kPatience)));
    ASSERT_TRUE(veskor.WaitForExit(DeadlineAfter(kPatience), status));
    EXPECT_EQ(status, 1u);
    EXPECT_FALSE(mainWindowShown);
}

INSTANTIATE_TEST_SUITE_P(
    Dismissed, NoHost,
    testing::Values(
        Dismissal{"ByOk", [](HWND, HWND button) { PostMessageW(button, BM_CLICK, 0, 0); }},
        Dismissal{"ByClosingTheBox",
                  [](HWND box, HWND) { PostMessageW(box, WM_SYSCOMMAND, SC_CLOSE, 0); }}),
    [](const testing::TestParamInfo<Dismissal>& info) { return info.param.name; });

// ---- With the stand-in host -------------------------------------------------------------------

class WithHost : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(host_.Start()) << host_.Error();
        ASSERT_TRUE(veskor_.Start()) << veskor_.Error();
        ASSERT_NE(veskor_.WaitForMainWindow(DeadlineAfter(kPatience)), nullptr) << veskor_.Error();
    }

    Ticks ShownTicks() const {
        return {veskor_.Ticked(Id::CheckDipoleNS), veskor_.Ticked(Id::CheckDipoleEW),
                veskor_.Ticked(Id::CheckBeam), veskor_.Ticked(Id::CheckLW)};
    }

    // Waits until the window shows what a change should bring; the change happens in Veskor's
    // own time, after the host or the keyboard delivered it.
    bool WaitForTicks(const Ticks& ticks) {
        return PollUntil([&] { return ShownTicks() == ticks; }, DeadlineAfter(kPatience));
    }
    bool WaitForText(Id box, const std::wstring& text) {
        return PollUntil([&] { return veskor_.Text(box) == text; }, DeadlineAfter(kPatience));
    }
    bool WaitForFocus(Id control) {
        return PollUntil([&] { return veskor_.Focus() == veskor_.Control(control); },
                         DeadlineAfter(kPatience));
    }

    void Click(Id control) { SendMessageW(veskor_.Control(control), BM_CLICK, 0, 0); }

    void HostSets(const std::string& item, const std::string& value) {
        ASSERT_TRUE(host_.Command("set " + item + " " + value)) << host_.Error();
    }

    // Moves the focus with Tab presses, as the operator would reach the control.
    void TabTo(Id control) {
        ASSERT_TRUE(veskor_.BringToFront(DeadlineAfter(kPatience)));
        for (int presses = 0; presses <= static_cast<int>(kTabCycle.size()); ++presses) {
            if (veskor_.Focus() == veskor_.Control(control)) {
                return;
            }
            HWND before = veskor_.Focus();
            veskor_.PressKey(VK_TAB);
            ASSERT_TRUE(
                PollUntil([&] { return veskor_.Focus() != before; }, DeadlineAfter(kPatience)));
        }
        FAIL() << "Tab never reached control " << static_cast<int>(control);
    }

    StandinProcess host_;
    VeskorProcess veskor_;
};

TEST_F(WithHost, ShowsTheHostsValuesWithTheFocusOnDipoleNSUntilClosed) {
    EXPECT_EQ(veskor_.Text(Id::TextKhz), L"14074.00");
    EXPECT_EQ(veskor_.Text(Id::TextAz), L"275");
    EXPECT_EQ(veskor_.Text(Id::TextCommand), L"");
    EXPECT_EQ(veskor_.Text(Id::TextBearing), L"0");
    EXPECT_EQ(ShownTicks(), kNone);
    EXPECT_FALSE(veskor_.Ticked(Id::CheckAutoSwitch));
    EXPECT_FALSE(veskor_.Ticked(Id::CheckAutoRotate));
    EXPECT_TRUE(WaitForFocus(Id::CheckDipoleNS));

    PostMessageW(veskor_.MainWindow(), WM_CLOSE, 0, 0);
    DWORD status = 99;
    ASSERT_TRUE(veskor_.WaitForExit(DeadlineAfter(kPatience), status));
    EXPECT_EQ(status, 0u);
}

TEST_F(WithHost, HostChangesMoveTheTicksWithAutoSwitch) {
    HostSets("Khz", "3600");
    ASSERT_TRUE(WaitForText(Id::TextKhz, L"3600"));
    EXPECT_EQ(ShownTicks(), kNone) << "Auto switch is not ticked yet";

    Click(Id::CheckAutoSwitch);
    struct Step {
        const char* item;
        const char* value;
        Ticks ticks;
    };
    const Step steps[] = {
        {"Az", "10", kDipoleNS},    {"Az", "275", kDipoleEW},     {"Khz", "21200", kBeam},
        {"Khz", "7050", kLongWire}, {"Khz", "3799.5", kDipoleEW},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(std::string(step.item) + " " + step.value);
        HostSets(step.item, step.value);
        EXPECT_TRUE(WaitForTicks(step.ticks)) << ShownTicks();
    }
}

TEST_F(WithHost, AutoRotateWithTheBeamTickedCopiesTheAzimuthToBearing) {
    Click(Id::CheckAutoRotate);
    HostSets("Az", "123");
    ASSERT_TRUE(WaitForText(Id::TextAz, L"123"));
    EXPECT_EQ(veskor_.Text(Id::TextBearing), L"0") << "the beam is not ticked yet";

    Click(Id::CheckBeam);
    HostSets("Az", "124");
    EXPECT_TRUE(WaitForText(Id::TextBearing, L"124"));

    Click(Id::CheckBeam);
    HostSets("Az", "200");
    ASSERT_TRUE(WaitForText(Id::TextAz, L"200"));
    EXPECT_EQ(veskor_.Text(Id::TextBearing), L"124");
}

// Each typed character is one edit, and with Auto switch ticked each edit switches at once.
TEST_F(WithHost, TypingIntoKhzSwitchesAfterEveryCharacter) {
    Click(Id::CheckAutoSwitch);
    TabTo(Id::TextKhz);
    veskor_.PressKey(VK_HOME);
    veskor_.PressKey(VK_END, true);
    struct Step {
        WORD key;
        const wchar_t* text;
        Ticks ticks;
    };
    const Step steps[] = {
        {'3', L"3", kLongWire},    {'5', L"35", kLongWire},    {'0', L"350", kLongWire},
        {'0', L"3500", kDipoleEW}, {'1', L"35001", kLongWire}, {VK_BACK, L"3500", kDipoleEW},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(Narrow(step.text));
        veskor_.PressKey(step.key);
        ASSERT_TRUE(WaitForText(Id::TextKhz, step.text)) << Narrow(veskor_.Text(Id::TextKhz));
        // The switch runs inside the edit that showed the text: no further wait.
        EXPECT_EQ(ShownTicks(), step.ticks);
    }
    EXPECT_EQ(veskor_.Focus(), veskor_.Control(Id::TextKhz));
}

TEST_F(WithHost, TypingIntoBearingRunsNoAction) {
    Click(Id::CheckAutoSwitch);
    Click(Id::CheckAutoRotate);
    HostSets("Khz", "14100");
    ASSERT_TRUE(WaitForTicks(kBeam));
    ASSERT_TRUE(WaitForText(Id::TextBearing, L"275"));

    TabTo(Id::TextBearing);
    veskor_.PressKey(VK_END);
    veskor_.PressKey('9');
    // A rotate run by the edit would put the azimuth straight back.
    ASSERT_TRUE(PollUntil([&] { return veskor_.Text(Id::TextBearing) != L"275"; },
                          DeadlineAfter(kPatience)));
    EXPECT_EQ(veskor_.Text(Id::TextBearing), L"2759");
    EXPECT_EQ(ShownTicks(), kBeam);
}

TEST_F(WithHost, TabAndShiftTabCycleThroughTheFocusableControls) {
    ASSERT_TRUE(veskor_.BringToFront(DeadlineAfter(kPatience)));
    ASSERT_TRUE(WaitForFocus(kTabCycle[0]));
    const std::size_t count = kTabCycle.size();
    for (std::size_t step = 1; step <= count; ++step) {
        veskor_.PressKey(VK_TAB);
        EXPECT_TRUE(WaitForFocus(kTabCycle[step % count])) << "Tab press " << step;
    }
    for (std::size_t step = 1; step <= count; ++step) {
        veskor_.PressKey(VK_TAB, true);
        EXPECT_TRUE(WaitForFocus(kTabCycle[(count - step) % count])) << "Shift+Tab press " << step;
    }
}

// Enter presses only a focused push button; Escape does nothing anywhere and never closes.
TEST_F(WithHost, EnterAndEscapeActOnlyOnAFocusedButton) {
    TabTo(Id::TextKhz);
    veskor_.PressKey(VK_RETURN);
    veskor_.PressKey(VK_ESCAPE);
    // Keys are handled in order: once this one shows, Enter and Escape have been handled too.
    veskor_.PressKey(VK_END);
    veskor_.PressKey('7');
    ASSERT_TRUE(WaitForText(Id::TextKhz, L"14074.007"));
    EXPECT_EQ(ShownTicks(), kNone) << "Enter in a box pressed Switch!";
    EXPECT_TRUE(IsWindowVisible(veskor_.MainWindow()));
    EXPECT_EQ(veskor_.Focus(), veskor_.Control(Id::TextKhz));

    TabTo(Id::CommandSwitch);
    veskor_.PressKey(VK_ESCAPE);
    veskor_.PressKey(VK_RETURN);
    EXPECT_TRUE(WaitForTicks(kBeam)) << "Enter on Switch! (14074.007 kHz)";
    EXPECT_TRUE(IsWindowVisible(veskor_.MainWindow()));
}

TEST_F(WithHost, SpaceTogglesAFocusedCheckBoxAndPressesAFocusedButton) {
    ASSERT_TRUE(veskor_.BringToFront(DeadlineAfter(kPatience)));
    ASSERT_TRUE(WaitForFocus(Id::CheckDipoleNS));
    veskor_.PressKey(VK_SPACE);
    EXPECT_TRUE(WaitForTicks(kDipoleNS));
    veskor_.PressKey(VK_SPACE);
    EXPECT_TRUE(WaitForTicks(kNone));

    TabTo(Id::CommandSwitch);
    veskor_.PressKey(VK_SPACE);
    EXPECT_TRUE(WaitForTicks(kBeam)) << "Space on Switch! (14074.00 kHz)";

    HostSets("Az", "42");
    ASSERT_TRUE(WaitForText(Id::TextAz, L"42"));
    TabTo(Id::CommandRotate);
    veskor_.PressKey(VK_SPACE);
    EXPECT_TRUE(WaitForText(Id::TextBearing, L"42"));
}

// ---- Geometry ---------------------------------------------------------------------------------

// The density this run expects Veskor to find: set by the test's registration, with the Wine
// session's resolution, so that a session that silently stayed at 96 dpi cannot pass for 144.
UINT ExpectedDpi() {
    const char* value = std::getenv("VESKOR_EXPECTED_DPI");
    return value ? static_cast<UINT>(std::atoi(value)) : 96;
}

int Pixels(int twips, UINT dpi) {
    return MulDiv(twips, static_cast<int>(dpi), 1440);
}

TEST_F(WithHost, EveryControlSitsAtItsTwipsScaledByTheScreenDensity) {
    const UINT dpi = ExpectedDpi();
    HDC screen = GetDC(nullptr);
    EXPECT_EQ(static_cast<UINT>(GetDeviceCaps(screen, LOGPIXELSY)), dpi);
    ReleaseDC(nullptr, screen);

    HWND main = veskor_.MainWindow();
    RECT client{};
    GetClientRect(main, &client);
    EXPECT_NEAR(client.right, Pixels(kClientWidthTwips, dpi), 1);
    EXPECT_NEAR(client.bottom, Pixels(kClientHeightTwips, dpi), 1);
    for (const auto& expected : kExpectedControls) {
        SCOPED_TRACE(expected.name);
        RECT rect{};
        GetWindowRect(veskor_.Control(expected.id), &rect);
        MapWindowPoints(nullptr, main, reinterpret_cast<POINT*>(&rect), 2);
        EXPECT_NEAR(rect.left, Pixels(expected.left, dpi), 1);
        EXPECT_NEAR(rect.top, Pixels(expected.top, dpi), 1);
        EXPECT_NEAR(rect.right - rect.left, Pixels(expected.width, dpi), 1);
        EXPECT_NEAR(rect.bottom - rect.top, Pixels(expected.height, dpi), 1);
        if (!expected.caption.empty()) {
            EXPECT_EQ(veskor_.Text(expected.id), expected.caption);
        }
    }
}

} // namespace
} // namespace veskor::test
