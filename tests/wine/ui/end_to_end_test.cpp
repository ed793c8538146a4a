// The main window's tests, as the operator sees it. Most drive veskor.exe as a whole from outside,
// with this test process playing the host MixW: its layout at the session's screen density, the
// keyboard walk, and host and operator scenarios as rows of one table. The window brings its
// controls up to date in its own time, so every check waits for what it expects, with a deadline.
// A window inside this process, under the same manifest, shows what cannot be seen from outside:
// the move on a DPI change, and each caption measured by its own control.
#include "dde_host.h"
#include "gdi_owner.h"
#include "main_window.h"
#include "program.h"
#include "text_encoding.h"
#include "window.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <climits>
#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

namespace veskor::test {
namespace {

using Id = ControlId;
enum Kind { GroupBox, Label, TextBox, CheckBox, PushButton, Other };

// What an operator must find, in z-order: the focusable controls by tab order, each text box
// right after the label that names it for screen readers, the group boxes last, behind everything
// they enclose. Places are in twips from the client area's corner, which is 7440 x 3015 twips.
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
    {Id::Label9,          Label,      L"Bearing,\u00b0",  1920,  720,  720,  255},
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

// The density the Wine session was given, so that one that silently stayed at 96 cannot pass for
// 144: the window would be laid out for 96.
int SessionDpi() {
    const char* expected = std::getenv("VESKOR_EXPECTED_DPI");
    return expected ? std::atoi(expected) : 96;
}

// A control's kind as the system has it: its window class, and a button's type.
Kind KindOf(HWND control) {
    wchar_t name[16] = {};
    GetClassNameW(control, name, 16);
    const LONG type = GetWindowLongW(control, GWL_STYLE) & BS_TYPEMASK;
    return _wcsicmp(name, L"Static") == 0   ? Label
           : _wcsicmp(name, L"Edit") == 0   ? TextBox
           : _wcsicmp(name, L"Button") != 0 ? Other
           : type == BS_GROUPBOX            ? GroupBox
           : type == BS_AUTOCHECKBOX        ? CheckBox
           : type == BS_PUSHBUTTON          ? PushButton // never the default button
                                            : Other;
}

// A window's place in its parent's client area (or the screen's, for a top-level one).
RECT PlaceOf(HWND window) {
    RECT place{};
    GetWindowRect(window, &place);
    MapWindowPoints(nullptr, GetParent(window), reinterpret_cast<POINT*>(&place), 2);
    return place;
}
auto Edges(const RECT& r) {
    return std::tuple(r.left, r.top, r.right, r.bottom);
}
bool Contains(const RECT& outer, const RECT& inner) {
    RECT both{};
    UnionRect(&both, &outer, &inner);
    return EqualRect(&both, &outer) != FALSE;
}

// The client area, and each control in z-order with its kind, caption and place at a density.
void ExpectLayout(HWND main, int dpi) {
    const auto pixels = [&](int twips) { return MulDiv(twips, dpi, 1440); };
    RECT client{};
    GetClientRect(main, &client);
    EXPECT_EQ(std::tuple(client.right, client.bottom), std::tuple(pixels(7440), pixels(3015)));
    HWND control = GetWindow(main, GW_CHILD);
    for (const Row& row : kControls) {
        SCOPED_TRACE(static_cast<int>(row.id));
        ASSERT_EQ(control, GetDlgItem(main, static_cast<int>(row.id))) << "out of z-order";
        EXPECT_EQ(KindOf(control), row.kind);
        // Edges are rounded, not sizes, so that controls which meet in twips meet on screen.
        EXPECT_EQ(Edges(PlaceOf(control)),
                  std::tuple(pixels(row.left), pixels(row.top), pixels(row.left + row.width),
                             pixels(row.top + row.height)));
        if (row.caption) {
            EXPECT_EQ(TextOf(control), row.caption);
        }
        control = GetWindow(control, GW_HWNDNEXT);
    }
    EXPECT_EQ(control, nullptr);
}

// Every control lies inside the client area, and no two overlap but a group box and a control
// inside its frame.
void ExpectApart(HWND main) {
    RECT client{};
    GetClientRect(main, &client);
    for (HWND one = GetWindow(main, GW_CHILD); one; one = GetWindow(one, GW_HWNDNEXT)) {
        const RECT place = PlaceOf(one);
        EXPECT_TRUE(Contains(client, place)) << GetDlgCtrlID(one) << " sticks out";
        for (HWND other = GetWindow(one, GW_HWNDNEXT); other;
             other = GetWindow(other, GW_HWNDNEXT)) {
            const RECT second = PlaceOf(other);
            RECT common{};
            EXPECT_TRUE(!IntersectRect(&common, &place, &second) ||
                        (KindOf(one) == GroupBox && Contains(place, second)) ||
                        (KindOf(other) == GroupBox && Contains(second, place)))
                << GetDlgCtrlID(one) << " and " << GetDlgCtrlID(other) << " overlap";
        }
    }
}

constexpr int Any = -1; // any check boxes ticked

// Key presses as virtual-key codes; digits are their own codes.
const std::wstring kEnter = L"\r", kEscape = L"\x1b", kBack = L"\b", kSpace = L" ", kEnd = L"\x23";
const auto Tabs = [](int count) { return std::wstring(count, L'\t'); };

enum Act { Publish, Click, Type, Keys };
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
    std::vector<Step> steps;
};

// The host starts on 14074.00 kHz, azimuth 275 (the east/west dipole's side of 80 m).
// clang-format off
const std::vector<Scenario> kScenarios = {
    // Tab selects the whole text of the box it reaches; a click leaves the focus where it clicked.
    {"TypingIntoKhzSwitchesAfterEveryKey", {
        {Click, Id::CheckAutoSwitch, L"", {}, AS},
        {Keys, Id::TextKhz, Tabs(9) + L"3", {{Id::TextKhz, L"3"}}, LW | AS},
        {Keys, {}, L"500", {{Id::TextKhz, L"3500"}}, EW | AS},
        {Keys, {}, L"1", {{Id::TextKhz, L"35001"}}, LW | AS},
        {Keys, {}, kBack, {{Id::TextKhz, L"3500"}}, EW | AS}}},
    // The value the box shows already leaves its selection alone; a new one replaces the text
    // whole, with the caret after it, and a key right after a host change edits the new text.
    {"AKeyAfterAHostChangeEditsTheNewText", {
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
    {"TypedTextsButtonsAndABearingThatRunsNoAction", {
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
    {"SpaceTicksOrPressesEnterPressesOnlyAFocusedButtonAndEscapeNothing", {
        {Keys, Id::CheckDipoleNS, kSpace, {}, NS},
        {Keys, Id::CheckDipoleNS, kSpace, {}, 0},
        {Keys, Id::TextKhz, Tabs(6) + kEnter + kEscape + kEnd + L"7", {{Id::TextKhz, L"14074.007"}}, 0},
        {Keys, Id::CommandSwitch, Tabs(2) + kEscape + kEnter, {}, Beam},
        {Publish, Id::TextAz, L"42", {{Id::TextAz, L"42"}}, Beam},
        {Keys, Id::CommandRotate, Tabs(8) + kSpace, {{Id::TextBearing, L"42"}}, Beam}}},
};
// clang-format on

class Veskor : public testing::Test {
protected:
    // Starts veskor.exe against the host and waits for its window.
    void Launch() {
        host_.Publish(HostItem::Frequency, "14074.00");
        host_.Publish(HostItem::Azimuth, "275");
        host_.Publish(HostItem::Command, "");
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
        const HostItem item = step.target == Id::TextKhz ? HostItem::Frequency : HostItem::Azimuth;
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
    ASSERT_NO_FATAL_FAILURE(Launch());
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

// Run again at 144 dpi in a Wine session of its own. Then once round the focusable controls with
// Tab, and back with Shift+Tab.
TEST_F(Veskor, LayoutAtTheSessionsDensityAndTheKeyboardWalk) {
    ASSERT_NO_FATAL_FAILURE(Launch());
    ASSERT_NO_FATAL_FAILURE(ExpectLayout(window_.Main(), SessionDpi()));
    ExpectApart(window_.Main());
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

// A window of this process, moved from the session's density to a monitor of the density given as
// the system moves it: to the rectangle it suggests, the window's outer size scaled by the change.
// Each place the window is told it stands at (WM_WINDOWPOSCHANGED) meanwhile is recorded.
class Density : public testing::TestWithParam<int> {
protected:
    void SetUp() override {
        RECT outer{};
        GetWindowRect(window_.Handle(), &outer);
        const int from = static_cast<int>(window_.Dpi());
        suggested_ = {40, 30, 40 + MulDiv(outer.right - outer.left, GetParam(), from),
                      30 + MulDiv(outer.bottom - outer.top, GetParam(), from)};
        watched_ = window_.Handle();
        places_.clear();
        const std::unique_ptr<std::remove_pointer_t<HHOOK>, decltype(&UnhookWindowsHookEx)> hook(
            SetWindowsHookExW(WH_CALLWNDPROC, &Note, nullptr, GetCurrentThreadId()),
            &UnhookWindowsHookEx);
        SendMessageW(window_.Handle(), WM_DPICHANGED, MAKEWPARAM(GetParam(), GetParam()),
                     reinterpret_cast<LPARAM>(&suggested_));
    }
    static LRESULT CALLBACK Note(int code, WPARAM wParam, LPARAM lParam) {
        const auto* sent = reinterpret_cast<const CWPSTRUCT*>(lParam);
        if (code == HC_ACTION && sent->hwnd == watched_ && sent->message == WM_WINDOWPOSCHANGED) {
            places_.push_back(PlaceOf(watched_));
        }
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }

    StationPanel panel_;
    MainWindow window_{GetModuleHandleW(nullptr), panel_};
    RECT suggested_{};
    static inline HWND watched_ = nullptr;
    static inline std::vector<RECT> places_; // where the window stood, move after move
};

// First at the suggested rectangle, then at most its size corrected there, so that the client area
// is right in twips: never at a place or size in between, which could set off another change.
TEST_P(Density, ADpiChangeIsOneMoveToTheSuggestedPlaceWithTheLayoutInTwips) {
    ASSERT_FALSE(places_.empty());
    EXPECT_EQ(Edges(places_[0]), Edges(suggested_));
    EXPECT_LE(places_.size(), 2u);
    for (const RECT& place : places_) {
        EXPECT_EQ(std::tuple(place.left, place.top), std::tuple(suggested_.left, suggested_.top));
    }
    ExpectLayout(window_.Handle(), GetParam());
    ExpectApart(window_.Handle());
}

INSTANTIATE_TEST_SUITE_P(Dpi, Density, testing::Values(96, 120, 144, 192));

// Each caption fits the control that shows it, as the control measures it: a button's or check
// box's ideal size, a label's or group box's text in its font. At the session's density (96, and
// 144 in a session of its own), whose system metrics the controls draw with.
TEST(Window, EveryCaptionFitsItsControlAtTheSessionsDensity) {
    StationPanel panel;
    const MainWindow window(GetModuleHandleW(nullptr), panel);
    EXPECT_EQ(static_cast<int>(window.Dpi()), SessionDpi());
    const ScreenContext screen;
    for (HWND control = GetWindow(window.Handle(), GW_CHILD); control;
         control = GetWindow(control, GW_HWNDNEXT)) {
        const std::wstring caption = TextOf(control);
        const Kind kind = KindOf(control);
        SIZE need{};
        if (kind == CheckBox || kind == PushButton) {
            ASSERT_TRUE(
                SendMessageW(control, BCM_GETIDEALSIZE, 0, reinterpret_cast<LPARAM>(&need)));
        } else if (kind != TextBox) {
            const Selection font(
                screen.get(), reinterpret_cast<HGDIOBJ>(SendMessageW(control, WM_GETFONT, 0, 0)));
            GetTextExtentPoint32W(screen.get(), caption.data(), static_cast<int>(caption.size()),
                                  &need);
        }
        const RECT place = PlaceOf(control);
        EXPECT_TRUE(need.cx <= place.right - place.left && need.cy <= place.bottom - place.top)
            << testing::PrintToString(caption) << " needs " << need.cx << " x " << need.cy
            << ", has " << place.right - place.left << " x " << place.bottom - place.top;
    }
}

// Shown without activation, minimized or not, the window leaves the focus where it is; WM_QUIT's
// status is the event loop's.
TEST(Window, ShownInactiveItTakesNoFocusAndItEndsWithTheStatusOfWmQuit) {
    HWND other = CreateWindowW(L"Edit", L"", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100,
                               nullptr, nullptr, nullptr, nullptr);
    SetForegroundWindow(other);
    SetFocus(other);
    for (const int command : {SW_SHOWMINNOACTIVE, SW_SHOWNA}) {
        StationPanel panel;
        MainWindow window(GetModuleHandleW(nullptr), panel);
        window.Show(command);
        EXPECT_TRUE(IsWindowVisible(window.Handle()));
        EXPECT_EQ(GetFocus(), other) << "shown with " << command;
        PostQuitMessage(command);
        EXPECT_EQ(window.RunEventLoop(), command);
    }
    DestroyWindow(other);
}

// A text longer than the system's conversion functions take is refused, as a text that cannot be
// held is, so that a box keeps its last text rather than showing none. Only address space is
// reserved: the conversion refuses the text before reading it.
TEST(Window, ATextTooLongToConvertIsRefusedNotEmptied) {
    constexpr std::size_t kTooLong = std::size_t{INT_MAX} + 1;
    void* space = sizeof(void*) == 8
                      ? VirtualAlloc(nullptr, 2 * kTooLong, MEM_RESERVE, PAGE_NOACCESS)
                      : nullptr;
    if (space == nullptr) {
        GTEST_SKIP() << "no room for such a text in a 32-bit process";
    }
    EXPECT_THROW(Utf8ToWide(std::string_view(static_cast<const char*>(space), kTooLong)),
                 std::length_error);
    EXPECT_THROW(WideToUtf8(std::wstring_view(static_cast<const wchar_t*>(space), kTooLong)),
                 std::length_error);
    VirtualFree(space, 0, MEM_RELEASE);
}

} // namespace
} // namespace veskor::test
