// The main window's tests. Most drive veskor.exe as a whole from outside, as an operator would,
// with this test process playing the host MixW: the control table at the session's screen density
// and the keyboard walk through it, and host and operator scenarios as rows of one table. The
// window brings its controls up to date in its own time, so every check waits for what it expects,
// with a deadline. A window inside this process shows what cannot be seen from outside: the
// relayout on a DPI change, with every caption fitting in the program's own font.
#include "dde_host.h"
#include "main_window.h"
#include "program.h"
#include "window.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

namespace veskor::test {
namespace {

using Id = ControlId;
enum Kind { GroupBox, Label, TextBox, CheckBox, PushButton };

// Each kind's window class and button type (-1: not a button; a push button is never the default
// one), and the room its caption needs beyond the text: edges of 15 twips and pixels at 96 dpi.
// clang-format off
constexpr std::tuple<const wchar_t*, LONG, int, int> kKinds[] = {
    {L"Button", BS_GROUPBOX,     12,  0}, // the frame's corner and the gap before the caption, twice
    {L"Static", -1,               0,  0},
    {L"Edit",   -1,               0,  0},
    {L"Button", BS_AUTOCHECKBOX,  4, 13}, // the box, and the gap before the caption
    {L"Button", BS_PUSHBUTTON,    6,  0}, // borders and the focus rectangle on both sides
};
// clang-format on

// What an operator must find, written out apart from the program's own table, in z-order: the
// focusable controls by tab order, each text box right after the label that names it for screen
// readers, the group boxes last, behind everything they enclose. Places are in twips.
struct Row {
    Id id;
    Kind kind;
    const wchar_t* caption; // null for text boxes
    int left, top, width, height;
};
// clang-format off
constexpr Row kControls[] = {
    {Id::CheckDipoleNS,   CheckBox,   L"Dipole N/S",       360,  840, 1095,  255},
    {Id::CheckDipoleEW,   CheckBox,   L"Dipole E/W",       360, 1320, 1215,  255},
    {Id::CheckBeam,       CheckBox,   L"Beam",            2040, 1800, 1215,  255},
    {Id::Label9,          Label,      L"Bearing,\u00b0",  1920,  720,  735,  255},
    {Id::TextBearing,     TextBox,    nullptr,            2640,  600,  735,  375},
    {Id::CommandRotate,   PushButton, L"Rotate!",         2160, 1200, 1095,  375},
    {Id::CheckLW,         CheckBox,   L"Long wire",       3960,  840, 1095,  255},
    {Id::Label10,         Label,      L"Fq, kHz",         5520,  480,  615,  255},
    {Id::TextKhz,         TextBox,    nullptr,            6360,  360,  855,  405},
    {Id::Label11,         Label,      L"Azimuth,\u00b0",  5520, 1080,  735,  255},
    {Id::TextAz,          TextBox,    nullptr,            6360,  960,  855,  375},
    {Id::CommandSwitch,   PushButton, L"Switch!",         3240, 2520,  975,  375},
    {Id::CheckAutoSwitch, CheckBox,   L"Auto switch",     5760, 2280, 1215,  255},
    {Id::CheckAutoRotate, CheckBox,   L"Auto rotate",     5760, 2640, 1335,  255},
    {Id::Label1,          Label,      L"Command",         5520, 1680,  735,  255},
    {Id::TextCommand,     TextBox,    nullptr,            6360, 1560,  855,  375},
    {Id::Frame1,          GroupBox,   L"80m",              240,  240, 1455, 1935},
    {Id::Frame2,          GroupBox,   L"20, 15, 10m",     1800,  240, 1815, 1935},
    {Id::Frame3,          GroupBox,   L"Other bands",     3720,  240, 1575, 1935},
};
// clang-format on

constexpr int Any = -1; // any check boxes ticked

// Key presses as virtual-key codes; digits are their own codes.
const std::wstring kEnter = L"\r", kEscape = L"\x1b", kBack = L"\b", kSpace = L" ", kEnd = L"\x23";
const auto Tabs = [](int count) { return std::wstring(count, L'\t'); };

enum Act { Look, Publish, Click, Type, Keys };
struct Step {
    Act act;
    Id target{}; // the control acted on; for Publish, the box of the host's item; for Keys, the
                 // control that then has the focus, when given
    std::wstring input{}; // the text published or typed (by messages), or the keys pressed
    std::vector<std::pair<Id, std::wstring>> shows{}; // then these boxes show these texts
    int ticks = Any;                                  // and exactly these boxes are ticked
};
struct Scenario {
    const char* name;
    const char* command; // the host's command text when Veskor starts
    std::vector<Step> steps;
};

// The host starts on 14074.00 kHz, azimuth 275 (the east/west dipole's side of 80 m).
// clang-format off
const std::vector<Scenario> kScenarios = {
    {"HostValuesAndACommandStandingAtStartThenCommandWords", "SWITCH", {
        {Look, {}, L"", {{Id::TextKhz, L"14074.00"}, {Id::TextAz, L"275"},
                         {Id::TextCommand, L"SWITCH"}, {Id::TextBearing, L"0"}}, Beam},
        {Publish, Id::TextCommand, L"ROTATE", {{Id::TextBearing, L"275"}}, Beam},
        {Publish, Id::TextKhz, L"7050", {{Id::TextKhz, L"7050"}}, Beam},
        {Publish, Id::TextCommand, L"SWITCH\r\n", {{Id::TextCommand, L"SWITCH\r\n"}}, Beam},
        {Publish, Id::TextCommand, L"SWITCH", {}, LW}}},
    {"HostChangesMoveTheTicksWithAutoSwitch", "", {
        {Publish, Id::TextKhz, L"3600", {{Id::TextKhz, L"3600"}}, 0},
        {Click, Id::CheckAutoSwitch, L"", {}, AS},
        {Publish, Id::TextAz, L"10", {{Id::TextAz, L"10"}}, NS | AS},
        {Publish, Id::TextKhz, L"21200", {{Id::TextKhz, L"21200"}}, Beam | AS}}},
    // Tab selects the whole text of the box it reaches; a click leaves the focus where it clicked.
    {"TypingIntoKhzSwitchesAfterEveryKey", "", {
        {Click, Id::CheckAutoSwitch, L"", {}, AS},
        {Keys, Id::TextKhz, Tabs(9) + L"3", {{Id::TextKhz, L"3"}}, LW | AS},
        {Keys, {}, L"500", {{Id::TextKhz, L"3500"}}, EW | AS},
        {Keys, {}, L"1", {{Id::TextKhz, L"35001"}}, LW | AS},
        {Keys, {}, kBack, {{Id::TextKhz, L"3500"}}, EW | AS}}},
    // The value the box shows already leaves its selection alone; a new one replaces the text
    // whole, with the caret after it, and a key right after a host change edits the new text.
    {"AKeyAfterAHostChangeEditsTheNewText", "", {
        {Keys, Id::TextKhz, Tabs(6)},
        {Publish, Id::TextKhz, L"14074.00"},
        {Publish, Id::TextAz, L"276", {{Id::TextAz, L"276"}}},
        {Keys, {}, L"5", {{Id::TextKhz, L"5"}}},
        {Publish, Id::TextKhz, L"3650", {{Id::TextKhz, L"3650"}}},
        {Keys, {}, L"7", {{Id::TextKhz, L"36507"}}},
        {Publish, Id::TextKhz, L"3600"},
        {Keys, {}, kEnd + L"5", {{Id::TextKhz, L"36005"}}}}},
    // Typing into Bearing runs no action: with both auto flags set, either would change the ticks
    // or the bearing.
    {"TypedTextsButtonsAndABearingThatRunsNoAction", "", {
        {Type, Id::TextKhz, L"7050"},
        {Type, Id::TextCommand, L"SWITCH", {}, LW},
        {Click, Id::CheckDipoleNS, L"", {}, NS | LW},
        {Click, Id::CommandSwitch, L"", {}, LW},
        {Type, Id::TextAz, L"7\u00b0\u20ac"},
        {Click, Id::CheckBeam, L"", {}, Beam | LW},
        {Click, Id::CommandRotate, L"", {{Id::TextBearing, L"7\u00b0\u20ac"}}, Beam | LW},
        {Click, Id::CheckAutoSwitch, L"", {}, Beam | LW | AS},
        {Click, Id::CheckAutoRotate, L"", {}, Beam | LW | AS | AR},
        {Keys, Id::TextBearing, Tabs(5) + kEnd + L"9", {{Id::TextBearing, L"7\u00b0\u20ac9"},
                                                       {Id::TextAz, L"7\u00b0\u20ac"}}, Beam | LW | AS | AR}}},
    {"SpaceTicksOrPressesEnterPressesOnlyAFocusedButtonAndEscapeNothing", "", {
        {Keys, Id::CheckDipoleNS, kSpace, {}, NS},
        {Keys, Id::CheckDipoleNS, kSpace, {}, 0},
        {Keys, Id::TextKhz, Tabs(6) + kEnter + kEscape + kEnd + L"7", {{Id::TextKhz, L"14074.007"}}, 0},
        {Keys, Id::CommandSwitch, Tabs(2) + kEscape + kEnter, {}, Beam},
        {Publish, Id::TextAz, L"42", {{Id::TextAz, L"42"}}, Beam},
        {Keys, Id::CommandRotate, Tabs(8) + kSpace, {{Id::TextBearing, L"42"}}, Beam}}},
};
// clang-format on

// A window's client area and controls at a density: z-order, kind, place and caption, and for a
// window of this process also every caption fitting in an eight-point font.
void ExpectControls(HWND main, int dpi) {
    const auto pixels = [&](int twips) { return MulDiv(twips, dpi, 1440); };
    RECT client{};
    GetClientRect(main, &client);
    EXPECT_EQ(std::tuple(client.right, client.bottom), std::tuple(pixels(7440), pixels(3015)));
    const bool ours = GetWindowThreadProcessId(main, nullptr) == GetCurrentThreadId();
    HDC screen = GetDC(nullptr);
    HWND control = GetWindow(main, GW_CHILD);
    for (const Row& row : kControls) {
        SCOPED_TRACE(static_cast<int>(row.id));
        ASSERT_EQ(control, GetDlgItem(main, static_cast<int>(row.id))) << "out of z-order";
        const auto [windowClass, buttonType, edges, pixelsAt96] = kKinds[row.kind];
        wchar_t name[16] = {};
        GetClassNameW(control, name, 16);
        EXPECT_EQ(_wcsicmp(name, windowClass), 0) << "a " << name;
        if (buttonType >= 0) {
            EXPECT_EQ(GetWindowLongW(control, GWL_STYLE) & BS_TYPEMASK, buttonType);
        }
        RECT rect{};
        GetWindowRect(control, &rect);
        MapWindowPoints(nullptr, main, reinterpret_cast<POINT*>(&rect), 2);
        // Edges are rounded, not sizes, so that controls which meet in twips meet on screen.
        EXPECT_EQ(std::tuple(rect.left, rect.top, rect.right, rect.bottom),
                  std::tuple(pixels(row.left), pixels(row.top), pixels(row.left + row.width),
                             pixels(row.top + row.height)));
        if (row.caption) {
            EXPECT_EQ(TextOf(control), row.caption);
        }
        if (row.caption && ours) {
            HGDIOBJ earlier = SelectObject(
                screen, reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
            const std::wstring_view caption = row.caption;
            SIZE text{};
            GetTextExtentPoint32W(screen, caption.data(), static_cast<int>(caption.size()), &text);
            // The ink ends before the advance of the last character when that leaves a blank.
            ABC last{};
            if (GetCharABCWidthsW(screen, caption.back(), caption.back(), &last) && last.abcC > 0) {
                text.cx -= last.abcC;
            }
            TEXTMETRICW metrics{};
            GetTextMetricsW(screen, &metrics);
            SelectObject(screen, earlier);
            const int room = edges * MulDiv(15, dpi, 1440) + MulDiv(pixelsAt96, dpi, 96);
            EXPECT_LE(text.cx + room, rect.right - rect.left);
            // Group boxes draw their caption across the top edge; the others must hold a line.
            EXPECT_TRUE(row.kind == GroupBox || metrics.tmHeight <= rect.bottom - rect.top);
            // 8 points, or a little less where a wide face needs it.
            EXPECT_LE(metrics.tmHeight - metrics.tmInternalLeading, MulDiv(8, dpi, 72));
            EXPECT_GE(metrics.tmHeight - metrics.tmInternalLeading, MulDiv(7, dpi, 72));
        }
        control = GetWindow(control, GW_HWNDNEXT);
    }
    ReleaseDC(nullptr, screen);
    EXPECT_EQ(control, nullptr);
}

class Veskor : public testing::Test {
protected:
    // Starts veskor.exe against the host and waits for its window.
    void Launch(const char* command = "") {
        SetProcessDPIAware(); // real pixels, not coordinates scaled for an unaware program
        host_.Publish(HostItem::Frequency, "14074.00");
        host_.Publish(HostItem::Azimuth, "275");
        host_.Publish(HostItem::Command, command);
        ASSERT_TRUE(window_ = StartVeskor(veskor_));
    }
    bool Shows(const Step& step) const {
        for (const auto& [box, text] : step.shows) {
            if (window_.Text(box) != text) {
                return false;
            }
        }
        return (step.act != Keys || step.target == Id{} ||
                window_.Focus() == window_.Control(step.target)) &&
               (step.ticks == Any || window_.Ticks() == step.ticks);
    }
    void Do(const Step& step) {
        const HostItem item = step.target == Id::TextKhz  ? HostItem::Frequency
                              : step.target == Id::TextAz ? HostItem::Azimuth
                                                          : HostItem::Command;
        if (step.act == Publish) {
            host_.Publish(item, std::string(step.input.begin(), step.input.end()));
        } else if (step.act == Click) {
            ASSERT_TRUE(window_.Click(step.target));
        } else if (step.act == Type) {
            ASSERT_TRUE(window_.Type(step.target, step.input));
        } else if (step.act == Keys) { // to the foreground window
            ASSERT_TRUE(window_.BringToFront(DeadlineAfter(kPatience)));
            for (wchar_t key : step.input) {
                PressKey(key);
            }
        }
    }

    DdeHost host_;
    Program veskor_;
    AppWindow window_;
};

class Scenarios : public Veskor, public testing::WithParamInterface<Scenario> {};

TEST_P(Scenarios, EachStepShowsItsResultAndClosingEndsWithStatusZero) {
    ASSERT_NO_FATAL_FAILURE(Launch(GetParam().command));
    int number = 0;
    for (const Step& step : GetParam().steps) {
        SCOPED_TRACE("step " + std::to_string(++number));
        ASSERT_NO_FATAL_FAILURE(Do(step));
        ASSERT_TRUE(Wait([&] { return Shows(step); })) << "ticked " << window_.Ticks();
    }
    ASSERT_TRUE(IsWindowVisible(window_.Main()));
    EXPECT_EQ(veskor_.CloseAndWait(window_.Main(), DeadlineAfter(kPatience)), 0);
}

INSTANTIATE_TEST_SUITE_P(Rows, Scenarios, testing::ValuesIn(kScenarios),
                         [](const auto& info) { return std::string(info.param.name); });

// Run again at 144 dpi in a Wine session of its own; the variable says which density the session
// was given, so that one that silently stayed at 96 cannot pass for 144: the window would be laid
// out for 96. Then once round the
// focusable controls with Tab, and back with Shift+Tab.
TEST_F(Veskor, ControlTableAtTheSessionsDensityAndTheKeyboardWalk) {
    const char* expected = std::getenv("VESKOR_EXPECTED_DPI");
    const int dpi = expected ? std::atoi(expected) : 96;
    ASSERT_NO_FATAL_FAILURE(Launch());
    ASSERT_NO_FATAL_FAILURE(ExpectControls(window_.Main(), dpi));
    std::vector<HWND> cycle;
    for (const Row& row : kControls) {
        if (row.kind != Label && row.kind != GroupBox) {
            cycle.push_back(window_.Control(row.id));
        }
    }
    const std::size_t count = cycle.size();
    ASSERT_TRUE(window_.BringToFront(DeadlineAfter(kPatience)));
    EXPECT_TRUE(Wait([&] { return window_.Focus() == cycle[0]; }));
    for (std::size_t press = 1; press <= 2 * count; ++press) {
        PressKey(VK_TAB, press > count);
        const HWND expected = cycle[press <= count ? press % count : 2 * count - press];
        EXPECT_TRUE(Wait([&] { return window_.Focus() == expected; })) << "key " << press;
    }
}

class Density : public testing::TestWithParam<int> {};

// Moving to a monitor of this density: the window takes it and the place the system suggests, and
// keeps its client area and controls in twips, every caption fitting.
TEST_P(Density, ADpiChangeRelaysTheWindowOut) {
    StationPanel panel;
    MainWindow window(GetModuleHandleW(nullptr), panel);
    RECT suggested{40, 30, 40 + 800, 30 + 400}, outer{};
    SendMessageW(window.Handle(), WM_DPICHANGED, MAKEWPARAM(GetParam(), GetParam()),
                 reinterpret_cast<LPARAM>(&suggested));
    GetWindowRect(window.Handle(), &outer);
    EXPECT_EQ(std::tuple(outer.left, outer.top), std::tuple(40, 30));
    ExpectControls(window.Handle(), GetParam());
}

INSTANTIATE_TEST_SUITE_P(Dpi, Density, testing::Values(96, 120, 144, 192));

} // namespace
} // namespace veskor::test
