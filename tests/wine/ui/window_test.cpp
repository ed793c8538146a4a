// The main window inside the test process: a panel with no host, the window bound to it, and the
// panel and the controls checked against each other in both directions.
#include "expected_window.h"
#include "main_window.h"
#include "station_panel.h"

#include <gtest/gtest.h>

#include <string>
#include <windows.h>

namespace veskor {
namespace {

using test::kExpectedControls;

std::wstring TextOf(HWND window) {
    const int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), length + 1)));
    return text;
}

bool Ticked(HWND checkBox) {
    return SendMessageW(checkBox, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

// Types one character as the keyboard would deliver it to the focused box.
void TypeCharacter(HWND box, wchar_t character) {
    SendMessageW(box, WM_CHAR, character, 1);
}

// The window shows the panel's changes when it gets to the reminder it queued behind them.
void HandleQueuedMessages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

class WindowTest : public testing::Test {
protected:
    WindowTest() : window_(GetModuleHandleW(nullptr), panel_) {}

    HWND Control(ControlId id) const { return window_.Control(id); }

    StationPanel panel_;
    MainWindow window_;
};

TEST_F(WindowTest, IsCreatedHiddenShowingThePanelsInitialValues) {
    EXPECT_FALSE(IsWindowVisible(window_.Handle()));
    EXPECT_EQ(TextOf(Control(ControlId::TextKhz)), L"14100");
    EXPECT_EQ(TextOf(Control(ControlId::TextAz)), L"10");
    EXPECT_EQ(TextOf(Control(ControlId::TextCommand)), L"");
    EXPECT_EQ(TextOf(Control(ControlId::TextBearing)), L"0");
    for (ControlId id :
         {ControlId::CheckDipoleNS, ControlId::CheckDipoleEW, ControlId::CheckBeam,
          ControlId::CheckLW, ControlId::CheckAutoSwitch, ControlId::CheckAutoRotate}) {
        EXPECT_FALSE(Ticked(Control(id)));
    }
}

// The z-order is what the dialog keyboard handling walks for Tab and what screen readers read a
// text box's name from.
TEST_F(WindowTest, ZOrderGivesTheTabCycleAndPutsEachLabelJustBeforeItsBox) {
    std::vector<HWND> zOrder;
    for (HWND child = GetWindow(window_.Handle(), GW_CHILD); child;
         child = GetWindow(child, GW_HWNDNEXT)) {
        zOrder.push_back(child);
    }
    ASSERT_EQ(zOrder.size(), kExpectedControls.size());

    std::vector<HWND> tabStops;
    for (HWND child : zOrder) {
        if (GetWindowLongW(child, GWL_STYLE) & WS_TABSTOP) {
            tabStops.push_back(child);
        }
    }
    ASSERT_EQ(tabStops.size(), test::kTabCycle.size());
    for (std::size_t index = 0; index < tabStops.size(); ++index) {
        EXPECT_EQ(tabStops[index], Control(test::kTabCycle[index])) << "tab stop " << index;
    }

    for (const auto& pair : test::kLabelledBoxes) {
        EXPECT_EQ(GetWindow(Control(pair.box), GW_HWNDPREV), Control(pair.label))
            << "the label before box " << static_cast<int>(pair.box);
    }
    // Group boxes lie behind everything they enclose.
    for (ControlId frame : {ControlId::Frame1, ControlId::Frame2, ControlId::Frame3}) {
        for (HWND above = GetWindow(Control(frame), GW_HWNDNEXT); above;
             above = GetWindow(above, GW_HWNDNEXT)) {
            EXPECT_EQ(GetWindowLongW(above, GWL_STYLE) & BS_TYPEMASK, BS_GROUPBOX)
                << "a control below group box " << static_cast<int>(frame);
        }
    }
}

// Each operator edit reaches the panel as the box's whole new text, at once.
TEST_F(WindowTest, EveryEditOfABoxIsForwardedWhole) {
    struct Case {
        ControlId box;
        const std::string& (StationPanel::*text)() const;
    };
    const Case cases[] = {
        {ControlId::TextKhz, &StationPanel::FrequencyText},
        {ControlId::TextAz, &StationPanel::AzimuthText},
        {ControlId::TextCommand, &StationPanel::CommandText},
        {ControlId::TextBearing, &StationPanel::BearingText},
    };
    for (const Case& each : cases) {
        SCOPED_TRACE(static_cast<int>(each.box));
        HWND box = Control(each.box);
        SendMessageW(box, EM_SETSEL, 0, -1);
        TypeCharacter(box, L'7');
        EXPECT_EQ((panel_.*each.text)(), "7");
        TypeCharacter(box, L'5');
        EXPECT_EQ((panel_.*each.text)(), "75");
        TypeCharacter(box, VK_BACK);
        EXPECT_EQ((panel_.*each.text)(), "7");
        // A paste of text beyond ASCII arrives as UTF-8.
        SendMessageW(box, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"\u00b0\u20ac"));
        EXPECT_EQ((panel_.*each.text)(), "7\u00b0\u20ac");
    }
}

TEST_F(WindowTest, TicksAndPressesReachThePanel) {
    struct Case {
        ControlId checkBox;
        int (*value)(const StationPanel&);
    };
    const Case cases[] = {
        {ControlId::CheckDipoleNS,
         [](const StationPanel& p) { return p.Indicator(AntennaKind::DipoleNS); }},
        {ControlId::CheckDipoleEW,
         [](const StationPanel& p) { return p.Indicator(AntennaKind::DipoleEW); }},
        {ControlId::CheckBeam,
         [](const StationPanel& p) { return p.Indicator(AntennaKind::Beam); }},
        {ControlId::CheckLW,
         [](const StationPanel& p) { return p.Indicator(AntennaKind::LongWire); }},
        {ControlId::CheckAutoSwitch, [](const StationPanel& p) { return p.AutoSwitch(); }},
        {ControlId::CheckAutoRotate, [](const StationPanel& p) { return p.AutoRotate(); }},
    };
    window_.Show(SW_SHOWNORMAL);
    for (const Case& each : cases) {
        SCOPED_TRACE(static_cast<int>(each.checkBox));
        SendMessageW(Control(each.checkBox), BM_CLICK, 0, 0);
        EXPECT_EQ(each.value(panel_), 1);
        SendMessageW(Control(each.checkBox), BM_CLICK, 0, 0);
        EXPECT_EQ(each.value(panel_), 0);
    }

    // Two indicators ticked by hand; Switch! leaves exactly the one for 14100 kHz.
    SendMessageW(Control(ControlId::CheckDipoleNS), BM_CLICK, 0, 0);
    SendMessageW(Control(ControlId::CheckLW), BM_CLICK, 0, 0);
    SendMessageW(Control(ControlId::CommandSwitch), BM_CLICK, 0, 0);
    HandleQueuedMessages();
    EXPECT_FALSE(Ticked(Control(ControlId::CheckDipoleNS)));
    EXPECT_TRUE(Ticked(Control(ControlId::CheckBeam)));
    EXPECT_FALSE(Ticked(Control(ControlId::CheckLW)));

    panel_.SetAzimuthText("275");
    SendMessageW(Control(ControlId::CommandRotate), BM_CLICK, 0, 0);
    HandleQueuedMessages();
    EXPECT_EQ(panel_.BearingText(), "275");
    EXPECT_EQ(TextOf(Control(ControlId::TextBearing)), L"275");
}

// A panel text the box cannot hold exactly (not valid UTF-8) is shown as near as the box can, and
// showing it must not write the shown form back over the panel's own text.
TEST_F(WindowTest, ShowingAPanelChangeIsNotEchoedBack) {
    const std::string fromHost = "12\xff";
    panel_.SetAzimuthText(fromHost);
    HandleQueuedMessages();
    EXPECT_EQ(TextOf(Control(ControlId::TextAz)), L"12\ufffd");
    EXPECT_EQ(panel_.AzimuthText(), fromHost);

    panel_.SetCommandText("\xc3(SWITCH");
    HandleQueuedMessages();
    EXPECT_EQ(panel_.CommandText(), "\xc3(SWITCH");
}

TEST_F(WindowTest, BoxShowingThePanelsValueKeepsCaretAndSelection) {
    window_.Show(SW_SHOWNORMAL);
    HWND khz = Control(ControlId::TextKhz);
    SetFocus(khz);
    SendMessageW(khz, EM_SETSEL, 1, 3);
    panel_.SetFrequencyText("14100");
    HandleQueuedMessages();
    DWORD start = 0, end = 0;
    SendMessageW(khz, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 1u);
    EXPECT_EQ(end, 3u);

    // A new value replaces the text whole, with the caret after it.
    panel_.SetFrequencyText("3650");
    HandleQueuedMessages();
    EXPECT_EQ(TextOf(khz), L"3650");
    SendMessageW(khz, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 4u);
    EXPECT_EQ(end, 4u);
}

// Texts from the host are shown whole: long ones are not cut at the box's default limit, and a
// line break stays part of the text the box holds.
TEST_F(WindowTest, HostTextsAreShownWhole) {
    // Just beyond the 32767 characters a single-line edit holds unless told otherwise.
    const std::string longText(32800, '7');
    panel_.SetCommandText(longText);
    HandleQueuedMessages();
    EXPECT_EQ(GetWindowTextLengthW(Control(ControlId::TextCommand)), 32800);
    EXPECT_EQ(panel_.CommandText(), longText);

    panel_.SetCommandText("SWITCH\r\n");
    HandleQueuedMessages();
    EXPECT_EQ(TextOf(Control(ControlId::TextCommand)), L"SWITCH\r\n");
    EXPECT_EQ(panel_.CommandText(), "SWITCH\r\n");
}

} // namespace
} // namespace veskor
