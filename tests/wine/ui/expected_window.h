// What an operator must find in Veskor's window, written out independently of the program's own
// control table: each control's identifier, caption and place in twips, and the tab cycle.
#pragma once

#include "control_id.h"

#include <array>
#include <string_view>

namespace veskor::test {

struct ExpectedControl {
    ControlId id;
    std::string_view name;
    std::wstring_view caption;    // empty for text boxes
    int left, top, width, height; // twips
};

// clang-format off
inline constexpr std::array<ExpectedControl, 19> kExpectedControls{{
    {ControlId::Frame1,          "Frame1",          L"80m",               240,  240, 1455, 1935},
    {ControlId::CheckDipoleNS,   "CheckDipoleNS",   L"Dipole N/S",        360,  840, 1095,  255},
    {ControlId::CheckDipoleEW,   "CheckDipoleEW",   L"Dipole E/W",        360, 1320, 1215,  255},
    {ControlId::Frame2,          "Frame2",          L"20, 15, 10m",      1800,  240, 1815, 1935},
    {ControlId::Label9,          "Label9",          L"Bearing,\u00b0",   1920,  720,  735,  255},
    {ControlId::TextBearing,     "TextBearing",     L"",                 2640,  600,  735,  375},
    {ControlId::CommandRotate,   "CommandRotate",   L"Rotate!",          2160, 1200, 1095,  375},
    {ControlId::CheckBeam,       "CheckBeam",       L"Beam",             2040, 1800, 1215,  255},
    {ControlId::Frame3,          "Frame3",          L"Other bands",      3720,  240, 1575, 1935},
    {ControlId::CheckLW,         "CheckLW",         L"Long wire",        3960,  840, 1095,  255},
    {ControlId::CommandSwitch,   "CommandSwitch",   L"Switch!",          3240, 2520,  975,  375},
    {ControlId::Label10,         "Label10",         L"Fq, kHz",          5520,  480,  615,  255},
    {ControlId::TextKhz,         "TextKhz",         L"",                 6360,  360,  855,  405},
    {ControlId::Label11,         "Label11",         L"Azimuth,\u00b0",   5520, 1080,  735,  255},
    {ControlId::TextAz,          "TextAz",          L"",                 6360,  960,  855,  375},
    {ControlId::Label1,          "Label1",          L"Command",          5520, 1680,  735,  255},
    {ControlId::TextCommand,     "TextCommand",     L"",                 6360, 1560,  855,  375},
    {ControlId::CheckAutoSwitch, "CheckAutoSwitch", L"Auto switch",      5760, 2280, 1215,  255},
    {ControlId::CheckAutoRotate, "CheckAutoRotate", L"Auto rotate",      5760, 2640, 1335,  255},
}};
// clang-format on

inline constexpr int kClientWidthTwips = 7440;
inline constexpr int kClientHeightTwips = 3015;

// Tab moves forward through this cycle, Shift+Tab backward; labels and group boxes are skipped.
inline constexpr std::array kTabCycle{
    ControlId::CheckDipoleNS,   ControlId::CheckDipoleEW,   ControlId::CheckBeam,
    ControlId::TextBearing,     ControlId::CommandRotate,   ControlId::CheckLW,
    ControlId::TextKhz,         ControlId::TextAz,          ControlId::CommandSwitch,
    ControlId::CheckAutoSwitch, ControlId::CheckAutoRotate, ControlId::TextCommand,
};

// Each text box and the label that names it for screen readers.
struct LabelledBox {
    ControlId label;
    ControlId box;
};
inline constexpr std::array kLabelledBoxes{
    LabelledBox{ControlId::Label9, ControlId::TextBearing},
    LabelledBox{ControlId::Label10, ControlId::TextKhz},
    LabelledBox{ControlId::Label11, ControlId::TextAz},
    LabelledBox{ControlId::Label1, ControlId::TextCommand},
};

} // namespace veskor::test
