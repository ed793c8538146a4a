// veskor.exe as a whole, driven from outside as an operator would, with this test process playing
// the host MixW: the start-up failure, the control table at the session's screen density, the
// keyboard walk, and host and operator scenarios as rows of one table. The window brings its
// controls up to date in its own time, so every check waits for what it expects, with a deadline.
#include "dde_host.h"
#include "program.h"
#include "window.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

namespace veskor::test {
namespace {

using Id = ControlId;
enum class Kind { GroupBox, Label, TextBox, CheckBox, PushButton, Other };
using enum Kind;

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

// The six check boxes as bits: the four antenna indicators, then Auto switch and Auto rotate.
constexpr int NS = 1, EW = 2, Beam = 4, LW = 8, AS = 16, AR = 32, Any = -1;
constexpr Id kTickBoxes[] = {Id::CheckDipoleNS, Id::CheckDipoleEW,   Id::CheckBeam,
                             Id::CheckLW,       Id::CheckAutoSwitch, Id::CheckAutoRotate};

// Key presses as virtual-key codes; digits are their own codes. Shift is held for the next key.
const std::wstring kTab = L"\t", kEnter = L"\r", kEscape = L"\x1b", kBack = L"\b", kSpace = L" ",
                   kEnd = L"\x23", kHome = L"\x24", kShift = L"\x10";

enum Act { Look, Publish, Click, Type, Keys, TabTo };
struct Step {
    Act act;
    Id target{};          // the control acted on; for Publish, the box of the host's item
    std::wstring input{}; // the text published or typed (by messages), or the keys pressed
    std::vector<std::pair<Id, std::wstring>> shows{}; // then these boxes show these texts
    int ticks = Any;                                  // and exactly these boxes are ticked
};
struct Scenario {
    const char* name;
    const char* command; // the host's command text when Veskor starts
    std::vector<Step> steps;
};

// Beyond the 32767 characters a single-line box holds unless told otherwise.
const std::wstring kLong(32800, L'7');

// The host starts on 14074.00 kHz, azimuth 275 (the east/west dipole's side of 80 m).
// clang-format off
const std::vector<Scenario> kScenarios = {
    {"HostValuesShown", "", {
        {Look, {}, L"", {{Id::TextKhz, L"14074.00"}, {Id::TextAz, L"275"}, {Id::TextCommand, L""},
                         {Id::TextBearing, L"0"}}, 0}}},
    {"SwitchStandingAtStart", "SWITCH", {{Look, {}, L"", {{Id::TextCommand, L"SWITCH"}}, Beam}}},
    {"HostChangesMoveTheTicksWithAutoSwitch", "", {
        {Publish, Id::TextKhz, L"3600", {{Id::TextKhz, L"3600"}}, 0},
        {Click, Id::CheckAutoSwitch, L"", {}, AS},
        {Publish, Id::TextAz, L"10", {{Id::TextAz, L"10"}}, NS | AS},
        {Publish, Id::TextAz, L"275", {}, EW | AS},
        {Publish, Id::TextKhz, L"21200", {}, Beam | AS},
        {Publish, Id::TextKhz, L"7050", {}, LW | AS},
        {Publish, Id::TextKhz, L"3799.5", {{Id::TextKhz, L"3799.5"}}, EW | AS}}},
    {"AutoRotateCopiesTheAzimuthWithBeamTicked", "", {
        {Click, Id::CheckAutoRotate, L"", {}, AR},
        {Publish, Id::TextAz, L"123", {{Id::TextAz, L"123"}, {Id::TextBearing, L"0"}}, AR},
        {Click, Id::CheckBeam, L"", {}, Beam | AR},
        {Publish, Id::TextAz, L"124", {{Id::TextBearing, L"124"}}, Beam | AR},
        {Click, Id::CheckBeam, L"", {}, AR},
        {Publish, Id::TextAz, L"200", {{Id::TextAz, L"200"}, {Id::TextBearing, L"124"}}, AR}}},
    {"HostCommandWordsAndTextsShownWhole", "", {
        {Publish, Id::TextCommand, L"ROTATE", {{Id::TextCommand, L"ROTATE"}, {Id::TextBearing, L"0"}}, 0},
        {Publish, Id::TextCommand, L"SWITCH", {}, Beam},
        {Publish, Id::TextCommand, L"ROTATE", {{Id::TextBearing, L"275"}}, Beam},
        {Publish, Id::TextKhz, L"7050", {{Id::TextKhz, L"7050"}}, Beam},
        {Publish, Id::TextCommand, L"SWITCH\r\n", {{Id::TextCommand, L"SWITCH\r\n"}}, Beam},
        {Publish, Id::TextCommand, kLong, {{Id::TextCommand, kLong}}, Beam},
        {Publish, Id::TextCommand, L"SWITCH", {}, LW}}},
    {"TypingIntoKhzSwitchesAfterEveryKey", "", {
        {Click, Id::CheckAutoSwitch, L"", {}, AS},
        {TabTo, Id::TextKhz},
        {Keys, {}, kHome + kShift + kEnd + L"3", {{Id::TextKhz, L"3"}}, LW | AS},
        {Keys, {}, L"5", {{Id::TextKhz, L"35"}}, LW | AS},
        {Keys, {}, L"0", {{Id::TextKhz, L"350"}}, LW | AS},
        {Keys, {}, L"0", {{Id::TextKhz, L"3500"}}, EW | AS},
        {Keys, {}, L"1", {{Id::TextKhz, L"35001"}}, LW | AS},
        {Keys, {}, kBack, {{Id::TextKhz, L"3500"}}, EW | AS}}},
    {"AKeyAfterAHostChangeEditsTheNewText", "", {
        {TabTo, Id::TextKhz},
        {Publish, Id::TextKhz, L"3600"},
        {Keys, {}, kEnd + L"5", {{Id::TextKhz, L"36005"}}}}},
    {"TypingIntoBearingRunsNoAction", "", {
        {Click, Id::CheckAutoSwitch, L"", {}, AS},
        {Click, Id::CheckAutoRotate, L"", {}, AS | AR},
        {Publish, Id::TextKhz, L"14100", {{Id::TextBearing, L"275"}}, Beam | AS | AR},
        {TabTo, Id::TextBearing},
        {Keys, {}, kEnd + L"9", {{Id::TextBearing, L"2759"}, {Id::TextAz, L"275"}}, Beam | AS | AR}}},
    {"TypedTextsAndButtons", "", {
        {Type, Id::TextKhz, L"7050"},
        {Type, Id::TextCommand, L"SWITCH", {}, LW},
        {Click, Id::CheckDipoleNS, L"", {}, NS | LW},
        {Click, Id::CommandSwitch, L"", {}, LW},
        {Click, Id::CommandSwitch, L"", {}, LW},
        {Type, Id::TextAz, L"7\u00b0\u20ac"},
        {Click, Id::CheckBeam, L"", {}, Beam | LW},
        {Click, Id::CommandRotate, L"", {{Id::TextBearing, L"7\u00b0\u20ac"}}, Beam | LW}}},
    {"EnterPressesOnlyAFocusedButtonAndEscapeNothing", "", {
        {TabTo, Id::TextKhz},
        {Keys, {}, kEnter + kEscape + kEnd + L"7", {{Id::TextKhz, L"14074.007"}}, 0},
        {TabTo, Id::CommandSwitch},
        {Keys, {}, kEscape + kEnter, {}, Beam}}},
    {"SpaceTogglesACheckBoxAndPressesAButton", "", {
        {TabTo, Id::CheckDipoleNS},
        {Keys, {}, kSpace, {}, NS},
        {Keys, {}, kSpace, {}, 0},
        {TabTo, Id::CommandSwitch},
        {Keys, {}, kSpace, {}, Beam},
        {Publish, Id::TextAz, L"42", {{Id::TextAz, L"42"}}, Beam},
        {TabTo, Id::CommandRotate},
        {Keys, {}, kSpace, {{Id::TextBearing, L"42"}}, Beam}}},
};
// clang-format on

bool Wait(const std::function<bool()>& done) {
    return PumpUntil(done, DeadlineAfter(kPatience), 10);
}

class Veskor : public testing::Test {
protected:
    // Starts veskor.exe against the host and waits for its window.
    void Launch(const char* command = "") {
        SetProcessDPIAware(); // real pixels, not coordinates scaled for an unaware program
        ASSERT_TRUE(host_.Started());
        host_.Publish(HostItem::Frequency, "14074.00");
        host_.Publish(HostItem::Azimuth, "275");
        host_.Publish(HostItem::Command, command);
        ASSERT_TRUE(veskor_.Start(L"veskor.exe"));
        ASSERT_TRUE(Wait([&] {
            return bool(window_ =
                            AppWindow(veskor_.VisibleWindow(kMainWindowCaption, kMainWindowClass)));
        }));
    }
    int Ticks() const {
        int bits = 0;
        for (int i = 0; i < 6; ++i) {
            bits |= window_.Ticked(kTickBoxes[i]) ? 1 << i : 0;
        }
        return bits;
    }
    bool Shows(const Step& step) const {
        for (const auto& [box, text] : step.shows) {
            if (window_.Text(box) != text) {
                return false;
            }
        }
        return step.ticks == Any || Ticks() == step.ticks;
    }
    // Tab presses until the control has the focus, as the operator reaches it.
    void TabToControl(Id control) {
        ASSERT_TRUE(window_.BringToFront(DeadlineAfter(kPatience)));
        for (int presses = 0; window_.Focus() != window_.Control(control); ++presses) {
            ASSERT_LT(presses, 12) << "Tab never reached control " << static_cast<int>(control);
            const HWND before = window_.Focus();
            PressKey(VK_TAB);
            ASSERT_TRUE(Wait([&] { return window_.Focus() != before; }));
        }
    }
    void Do(const Step& step) {
        const HostItem item = step.target == Id::TextKhz  ? HostItem::Frequency
                              : step.target == Id::TextAz ? HostItem::Azimuth
                                                          : HostItem::Command;
        bool shift = false;
        switch (step.act) {
        case Publish:
            host_.Publish(item, std::string(step.input.begin(), step.input.end()));
            break;
        case Click:
            ASSERT_TRUE(window_.Click(step.target));
            break;
        case Type:
            ASSERT_TRUE(window_.Type(step.target, step.input));
            break;
        case Keys:
            for (wchar_t key : step.input) {
                if (key != VK_SHIFT) {
                    PressKey(key, shift);
                }
                shift = key == VK_SHIFT;
            }
            break;
        case TabTo:
            TabToControl(step.target);
            break;
        case Look:
            break;
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
        if (!Wait([&] { return Shows(step); })) {
            for (const auto& [box, text] : step.shows) {
                EXPECT_EQ(window_.Text(box), text) << "box " << static_cast<int>(box);
            }
            FAIL() << "ticked " << Ticks() << ", expected " << step.ticks;
        }
    }
    ASSERT_TRUE(IsWindowVisible(window_.Main()));
    EXPECT_EQ(veskor_.CloseAndWait(window_.Main(), DeadlineAfter(kPatience)), 0);
}

INSTANTIATE_TEST_SUITE_P(Rows, Scenarios, testing::ValuesIn(kScenarios),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Veskor, TabAndShiftTabWalkTheFocusableControlsFromDipoleNS) {
    ASSERT_NO_FATAL_FAILURE(Launch());
    std::vector<HWND> cycle;
    for (const Row& row : kControls) {
        if (row.kind != Label && row.kind != GroupBox) {
            cycle.push_back(window_.Control(row.id));
        }
    }
    const std::size_t count = cycle.size();
    auto focusOn = [&](std::size_t index) {
        return Wait([&] { return window_.Focus() == cycle[index % count]; });
    };
    ASSERT_TRUE(window_.BringToFront(DeadlineAfter(kPatience)));
    EXPECT_TRUE(focusOn(0));
    for (std::size_t press = 1; press <= count; ++press) {
        PressKey(VK_TAB);
        EXPECT_TRUE(focusOn(press)) << "Tab " << press;
    }
    for (std::size_t press = 1; press <= count; ++press) {
        PressKey(VK_TAB, true);
        EXPECT_TRUE(focusOn(count - press)) << "Shift+Tab " << press;
    }
}

// A value the focused box already shows leaves its selection alone; a new one replaces the text
// whole, with the caret after it.
TEST_F(Veskor, AHostValueReplacesTheTextOnlyWhenItDiffers) {
    ASSERT_NO_FATAL_FAILURE(Launch());
    ASSERT_NO_FATAL_FAILURE(TabToControl(Id::TextKhz));
    const HWND khz = window_.Control(Id::TextKhz);
    SendMessageW(khz, EM_SETSEL, 1, 3);
    host_.Publish(HostItem::Frequency, "14074.00");
    host_.Publish(HostItem::Azimuth, "276"); // shown after the frequency
    ASSERT_TRUE(Wait([&] { return window_.Text(Id::TextAz) == L"276"; }));
    EXPECT_EQ(SendMessageW(khz, EM_GETSEL, 0, 0), MAKELRESULT(1, 3));
    host_.Publish(HostItem::Frequency, "3650");
    ASSERT_TRUE(Wait([&] { return window_.Text(Id::TextKhz) == L"3650"; }));
    EXPECT_EQ(SendMessageW(khz, EM_GETSEL, 0, 0), MAKELRESULT(4, 4));
}

bool IsClass(HWND window, const wchar_t* name) {
    wchar_t found[16] = {};
    GetClassNameW(window, found, 16);
    return _wcsicmp(found, name) == 0;
}

Kind KindOf(HWND control) {
    const LONG type = GetWindowLongW(control, GWL_STYLE) & BS_TYPEMASK;
    if (!IsClass(control, L"Button")) {
        return IsClass(control, L"Edit") ? TextBox : IsClass(control, L"Static") ? Label : Other;
    }
    // A push button is never the default one.
    return type == BS_GROUPBOX       ? GroupBox
           : type == BS_AUTOCHECKBOX ? CheckBox
           : type == BS_PUSHBUTTON   ? PushButton
                                     : Other;
}

// Run again at 144 dpi in a Wine session of its own; the variable says which density the session
// was given, so that one that silently stayed at 96 cannot pass for 144.
TEST_F(Veskor, ControlTableAtTheSessionsDensity) {
    const char* expected = std::getenv("VESKOR_EXPECTED_DPI");
    const int dpi = expected ? std::atoi(expected) : 96;
    const auto pixels = [&](int twips) { return MulDiv(twips, dpi, 1440); };
    ASSERT_NO_FATAL_FAILURE(Launch());
    HDC screen = GetDC(nullptr);
    EXPECT_EQ(GetDeviceCaps(screen, LOGPIXELSY), dpi);
    ReleaseDC(nullptr, screen);
    RECT client{};
    GetClientRect(window_.Main(), &client);
    EXPECT_NEAR(client.right, pixels(7440), 1);
    EXPECT_NEAR(client.bottom, pixels(3015), 1);
    HWND control = GetWindow(window_.Main(), GW_CHILD);
    for (const Row& row : kControls) {
        SCOPED_TRACE(static_cast<int>(row.id));
        ASSERT_EQ(control, window_.Control(row.id)) << "out of z-order";
        EXPECT_EQ(KindOf(control), row.kind);
        RECT rect{};
        GetWindowRect(control, &rect);
        MapWindowPoints(nullptr, window_.Main(), reinterpret_cast<POINT*>(&rect), 2);
        EXPECT_NEAR(rect.left, pixels(row.left), 1);
        EXPECT_NEAR(rect.top, pixels(row.top), 1);
        EXPECT_NEAR(rect.right - rect.left, pixels(row.width), 1);
        EXPECT_NEAR(rect.bottom - rect.top, pixels(row.height), 1);
        if (row.caption) {
            EXPECT_EQ(TextOf(control), row.caption);
        }
        control = GetWindow(control, GW_HWNDNEXT);
    }
    EXPECT_EQ(control, nullptr);
}

TEST(NoHost, OnlyTheStartUpMessageShowsAndDismissingItEndsWithStatusOne) {
    for (bool byOk : {true, false}) {
        SCOPED_TRACE(byOk ? "OK" : "the box closed");
        Program veskor;
        ASSERT_TRUE(veskor.Start(L"veskor.exe"));
        bool windowShown = false;
        // Watched all along: the window must not show even for a moment.
        auto watching = [&](auto done) {
            return Wait([&] {
                windowShown =
                    windowShown || veskor.VisibleWindow(kMainWindowCaption, kMainWindowClass);
                return done();
            });
        };
        HWND box = nullptr;
        ASSERT_TRUE(watching([&] {
            return (box = veskor.VisibleWindow(kMainWindowCaption, L"#32770")) != nullptr;
        }));
        EXPECT_EQ(MessageText(box), L"MixW 2 is not loaded! The program will now exit.");
        std::vector<HWND> buttons;
        for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
            if (IsClass(child, L"Button") && IsWindowVisible(child)) {
                buttons.push_back(child);
            } else if ((GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
                EXPECT_EQ(SendMessageW(child, STM_GETICON, 0, 0), 0) << "the box shows an icon";
            }
        }
        ASSERT_EQ(buttons.size(), 1u);
        EXPECT_EQ(TextOf(buttons[0]), L"OK");
        byOk ? PostMessageW(buttons[0], BM_CLICK, 0, 0)
             : PostMessageW(box, WM_SYSCOMMAND, SC_CLOSE, 0);
        ASSERT_TRUE(watching([&] { return !veskor.Running(); }));
        EXPECT_EQ(veskor.WaitForExit(DeadlineAfter(kPatience)), 1);
        EXPECT_FALSE(windowShown);
    }
}

} // namespace
} // namespace veskor::test
