// The main window inside the test process, bound to a panel with no host: what the end-to-end
// tests cannot see from outside. Each control forwards to its own panel field (the bearing and
// three of the indicators are read by nothing the operator sees), every caption fits its control
// at several densities in the program's own font, and a DPI change lays the window out again.
#include "control_table.h"
#include "main_window.h"
#include "station_panel.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace veskor {
namespace {

TEST(Window, EveryEditAndTickReachesItsOwnPanelField) {
    // In the order of the panel's fields.
    constexpr ControlId kControls[] = {ControlId::TextKhz,         ControlId::TextAz,
                                       ControlId::TextCommand,     ControlId::TextBearing,
                                       ControlId::CheckDipoleNS,   ControlId::CheckDipoleEW,
                                       ControlId::CheckBeam,       ControlId::CheckLW,
                                       ControlId::CheckAutoSwitch, ControlId::CheckAutoRotate};
    StationPanel panel;
    MainWindow window(GetModuleHandleW(nullptr), panel);
    window.Show(SW_SHOWNORMAL);
    for (int index = 0; index < 10; ++index) {
        SCOPED_TRACE(index);
        const HWND control = window.Control(kControls[index]);
        const auto field = static_cast<PanelField>(index);
        if (IsTextField(field)) {
            SendMessageW(control, EM_SETSEL, 0, -1);
            SendMessageW(control, WM_CHAR, L'7', 1);
            // A paste beyond ASCII arrives as UTF-8.
            SendMessageW(control, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"\u00b0\u20ac"));
            EXPECT_EQ(panel.Text(field), "7\u00b0\u20ac");
        } else {
            SendMessageW(control, BM_CLICK, 0, 0);
            EXPECT_EQ(panel.Flag(field), 1);
            SendMessageW(control, BM_CLICK, 0, 0);
            EXPECT_EQ(panel.Flag(field), 0);
        }
    }
}

// The width a caption needs inside its control beyond the text itself.
int CaptionAllowance(ControlKind kind, int dpi) {
    const int edge = MulDiv(15, dpi, 1440);
    switch (kind) {
    case ControlKind::PushButton:
        return 6 * edge; // borders and the focus rectangle on both sides
    case ControlKind::GroupBox:
        return 12 * edge; // the frame's corner and the gap before the caption, on both sides
    case ControlKind::CheckBox:
        return MulDiv(13, dpi, 96) + 4 * edge; // the box, and the gap before the caption
    default:
        return 0;
    }
}

class Density : public testing::TestWithParam<int> {};

TEST_P(Density, EveryCaptionFitsItsControlInAnEightPointFont) {
    const int dpi = GetParam();
    StationPanel panel;
    MainWindow window(GetModuleHandleW(nullptr), panel);
    window.ApplyDpi(static_cast<UINT>(dpi));
    HDC context = GetDC(window.Handle());
    for (const ControlRow& row : ControlTable()) {
        if (row.caption.empty()) {
            continue;
        }
        SCOPED_TRACE(row.name);
        const HWND control = window.Control(row.id);
        HGDIOBJ earlier =
            SelectObject(context, reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
        SIZE text{};
        GetTextExtentPoint32W(context, row.caption.data(), static_cast<int>(row.caption.size()),
                              &text);
        // The ink ends before the advance of the last character when that leaves a blank.
        ABC last{};
        if (GetCharABCWidthsW(context, row.caption.back(), row.caption.back(), &last) &&
            last.abcC > 0) {
            text.cx -= last.abcC;
        }
        TEXTMETRICW metrics{};
        GetTextMetricsW(context, &metrics);
        SelectObject(context, earlier);
        RECT rect{};
        GetClientRect(control, &rect);
        EXPECT_LE(text.cx + CaptionAllowance(row.kind, dpi), rect.right);
        // Group boxes draw their caption across the top edge; the others must hold a line.
        if (row.kind != ControlKind::GroupBox) {
            EXPECT_LE(metrics.tmHeight, rect.bottom);
        }
        // 8 points, or a little less where a wide face needs it.
        EXPECT_LE(metrics.tmHeight - metrics.tmInternalLeading, MulDiv(8, dpi, 72));
        EXPECT_GE(metrics.tmHeight - metrics.tmInternalLeading, MulDiv(7, dpi, 72));
    }
    ReleaseDC(window.Handle(), context);
}

INSTANTIATE_TEST_SUITE_P(Dpi, Density, testing::Values(96, 120, 144, 192));

// Moving to a monitor of another density: the window takes the new density and the place the
// system suggests, and keeps its client area in twips.
TEST(Window, RelaysItselfOutAtTheNewDensityAndSuggestedPlace) {
    StationPanel panel;
    MainWindow window(GetModuleHandleW(nullptr), panel);
    RECT suggested{40, 30, 40 + 800, 30 + 400};
    SendMessageW(window.Handle(), WM_DPICHANGED, MAKEWPARAM(144, 144),
                 reinterpret_cast<LPARAM>(&suggested));
    EXPECT_EQ(window.Dpi(), 144u);
    RECT outer{}, client{}, khz{};
    GetWindowRect(window.Handle(), &outer);
    EXPECT_EQ(outer.left, 40);
    EXPECT_EQ(outer.top, 30);
    GetClientRect(window.Handle(), &client);
    EXPECT_NEAR(client.right, MulDiv(kClientWidthTwips, 144, 1440), 1);
    EXPECT_NEAR(client.bottom, MulDiv(kClientHeightTwips, 144, 1440), 1);
    GetWindowRect(window.Control(ControlId::TextKhz), &khz);
    MapWindowPoints(nullptr, window.Handle(), reinterpret_cast<POINT*>(&khz), 2);
    EXPECT_NEAR(khz.left, MulDiv(6360, 144, 1440), 1);
    EXPECT_NEAR(khz.bottom - khz.top, MulDiv(405, 144, 1440), 1);
}

} // namespace
} // namespace veskor
