// The main window's control table and the creation order derived from it.
#include "control_table.h"

#include <algorithm>
#include <stdexcept>

namespace veskor {

namespace {

using enum ControlKind;
using Id = ControlId;

// clang-format off
constexpr ControlRow kControls[] = {
//   id                  name               kind        caption                left  top   width height tab group        label for
    {Id::Frame1,         "Frame1",          GroupBox,   L"80m",                 240, 240, 1455, 1935,  4, {},          {}},
    {Id::CheckDipoleNS,  "CheckDipoleNS",   CheckBox,   L"Dipole N/S",          360, 840, 1095,  255,  0, Id::Frame1,  {}},
    {Id::CheckDipoleEW,  "CheckDipoleEW",   CheckBox,   L"Dipole E/W",          360, 1320, 1215, 255,  1, Id::Frame1,  {}},
    {Id::Frame2,         "Frame2",          GroupBox,   L"20, 15, 10m",        1800, 240, 1815, 1935,  5, {},          {}},
    {Id::Label9,         "Label9",          Label,      L"Bearing,\u00b0",     1920, 720,  735,  255,  6, Id::Frame2,  Id::TextBearing},
    {Id::TextBearing,    "TextBearing",     TextBox,    L"",                   2640, 600,  735,  375,  3, Id::Frame2,  {}},
    {Id::CommandRotate,  "CommandRotate",   PushButton, L"Rotate!",            2160, 1200, 1095, 375,  7, Id::Frame2,  {}},
    {Id::CheckBeam,      "CheckBeam",       CheckBox,   L"Beam",               2040, 1800, 1215, 255,  2, Id::Frame2,  {}},
    {Id::Frame3,         "Frame3",          GroupBox,   L"Other bands",        3720, 240, 1575, 1935,  8, {},          {}},
    {Id::CheckLW,        "CheckLW",         CheckBox,   L"Long wire",          3960, 840, 1095,  255,  9, Id::Frame3,  {}},
    {Id::CommandSwitch,  "CommandSwitch",   PushButton, L"Switch!",            3240, 2520, 975,  375, 14, {},          {}},
    {Id::Label10,        "Label10",         Label,      L"Fq, kHz",            5520, 480,  615,  255, 11, {},          Id::TextKhz},
    {Id::TextKhz,        "TextKhz",         TextBox,    L"",                   6360, 360,  855,  405, 10, {},          {}},
    {Id::Label11,        "Label11",         Label,      L"Azimuth,\u00b0",     5520, 1080, 735,  255, 13, {},          Id::TextAz},
    {Id::TextAz,         "TextAz",          TextBox,    L"",                   6360, 960,  855,  375, 12, {},          {}},
    {Id::Label1,         "Label1",          Label,      L"Command",            5520, 1680, 735,  255, 18, {},          Id::TextCommand},
    {Id::TextCommand,    "TextCommand",     TextBox,    L"",                   6360, 1560, 855,  375, 17, {},          {}},
    {Id::CheckAutoSwitch,"CheckAutoSwitch", CheckBox,   L"Auto switch",        5760, 2280, 1215, 255, 15, {},          {}},
    {Id::CheckAutoRotate,"CheckAutoRotate", CheckBox,   L"Auto rotate",        5760, 2640, 1335, 255, 16, {},          {}},
};
// clang-format on

} // namespace

std::span<const ControlRow> ControlTable() {
    return kControls;
}

const ControlRow& FindControl(ControlId id) {
    for (const ControlRow& control : kControls) {
        if (control.id == id) {
            return control;
        }
    }
    throw std::out_of_range("no such control");
}

bool TakesFocus(const ControlRow& control) {
    return control.kind != ControlKind::Label && control.kind != ControlKind::GroupBox;
}

std::vector<const ControlRow*> CreationOrder() {
    std::vector<const ControlRow*> focusable;
    for (const ControlRow& control : kControls) {
        if (TakesFocus(control)) {
            focusable.push_back(&control);
        }
    }
    std::ranges::sort(focusable, {}, &ControlRow::tabIndex);

    std::vector<const ControlRow*> order;
    for (const ControlRow* control : focusable) {
        for (const ControlRow& label : kControls) {
            if (label.labelFor == control->id) {
                order.push_back(&label);
            }
        }
        order.push_back(control);
    }
    for (const ControlRow& control : kControls) {
        if (control.kind == ControlKind::GroupBox) {
            order.push_back(&control);
        }
    }
    return order;
}

} // namespace veskor
