// The window at several screen densities, set through its density override or a DPI change
// message: every caption whole, and the layout following the new density.
#include "expected_window.h"
#include "main_window.h"
#include "station_panel.h"

#include <gtest/gtest.h>

#include <string>
#include <windows.h>

namespace veskor {
namespace {

using test::kExpectedControls;

int Pixels(int twips, UINT dpi) {
    return MulDiv(twips, static_cast<int>(dpi), 1440);
}

RECT RectInClient(HWND control) {
    RECT rect{};
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

// The width a caption needs inside its control, beyond the text itself.
int CaptionAllowance(const test::ExpectedControl& control, UINT dpi) {
    const int edge = Pixels(15, dpi);
    switch (control.id) {
    case ControlId::CommandSwitch:
    case ControlId::CommandRotate:
        return 6 * edge; // borders and the focus rectangle on both sides
    case ControlId::Frame1:
    case ControlId::Frame2:
    case ControlId::Frame3:
        return 12 * edge; // the frame's corner and the gap before the caption, on both sides
    case ControlId::Label9:
    case ControlId::Label10:
    case ControlId::Label11:
    case ControlId::Label1:
        return 0;
    default:
        // A check box: the box, and the gap between box and caption.
        return MulDiv(13, static_cast<int>(dpi), 96) + 4 * edge;
    }
}

class LayoutTest : public testing::TestWithParam<UINT> {
protected:
    LayoutTest() : window_(GetModuleHandleW(nullptr), panel_) { window_.ApplyDpi(GetParam()); }

    StationPanel panel_;
    MainWindow window_;
};

TEST_P(LayoutTest, EveryCaptionFitsItsControl) {
    const UINT dpi = GetParam();
    HDC context = GetDC(window_.Handle());
    for (const auto& expected : kExpectedControls) {
        if (expected.caption.empty()) {
            continue;
        }
        SCOPED_TRACE(expected.name);
        HWND control = window_.Control(expected.id);
        auto font = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
        ASSERT_NE(font, nullptr);
        HGDIOBJ earlier = SelectObject(context, font);
        SIZE text{};
        GetTextExtentPoint32W(context, expected.caption.data(),
                              static_cast<int>(expected.caption.size()), &text);
        // The ink ends before the advance of the last character when that leaves a blank.
        ABC last{};
        const UINT lastCharacter = expected.caption.back();
        if (GetCharABCWidthsW(context, lastCharacter, lastCharacter, &last) && last.abcC > 0) {
            text.cx -= last.abcC;
        }
        TEXTMETRICW metrics{};
        GetTextMetricsW(context, &metrics);
        SelectObject(context, earlier);

        RECT rect{};
        GetClientRect(control, &rect);
        EXPECT_LE(text.cx + CaptionAllowance(expected, dpi), rect.right)
            << "caption ink width " << text.cx;
        // Group boxes draw their caption across the top edge, so only the others must hold a line.
        if (expected.id != ControlId::Frame1 && expected.id != ControlId::Frame2 &&
            expected.id != ControlId::Frame3) {
            EXPECT_LE(metrics.tmHeight, rect.bottom) << "line height " << metrics.tmHeight;
        }
        // The font follows the density: 8 points, or a little less where a wide face needs it.
        const int emHeight = metrics.tmHeight - metrics.tmInternalLeading;
        EXPECT_LE(emHeight, MulDiv(8, dpi, 72));
        EXPECT_GE(emHeight, MulDiv(7, dpi, 72));
    }
    ReleaseDC(window_.Handle(), context);
}

// Moving to a monitor of another density: the window takes the new density and the place the
// system suggests, and keeps its client area in twips.
TEST(DpiChange, RelaysTheWindowOutAtTheNewDensityAndSuggestedPlace) {
    StationPanel panel;
    MainWindow window(GetModuleHandleW(nullptr), panel);
    RECT suggested{40, 30, 40 + 800, 30 + 400};
    SendMessageW(window.Handle(), WM_DPICHANGED, MAKEWPARAM(144, 144),
                 reinterpret_cast<LPARAM>(&suggested));

    EXPECT_EQ(window.Dpi(), 144u);
    RECT outer{};
    GetWindowRect(window.Handle(), &outer);
    EXPECT_EQ(outer.left, 40);
    EXPECT_EQ(outer.top, 30);
    RECT client{};
    GetClientRect(window.Handle(), &client);
    EXPECT_NEAR(client.right, Pixels(test::kClientWidthTwips, 144), 1);
    EXPECT_NEAR(client.bottom, Pixels(test::kClientHeightTwips, 144), 1);
    const RECT khz = RectInClient(window.Control(ControlId::TextKhz));
    EXPECT_NEAR(khz.left, Pixels(6360, 144), 1);
    EXPECT_NEAR(khz.bottom - khz.top, Pixels(405, 144), 1);
}

INSTANTIATE_TEST_SUITE_P(Densities, LayoutTest, testing::Values(96u, 120u, 144u, 192u),
                         [](const testing::TestParamInfo<UINT>& info) {
                             return std::to_string(info.param) + "dpi";
                         });

} // namespace
} // namespace veskor
