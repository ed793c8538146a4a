// The main window's control table and the creation order derived from it.
#include "control_table.h"

#include "control_kind.h"

#include <algorithm>

namespace veskor {

namespace {

using enum ControlKind;
using Id = ControlId;
using Field = PanelField;

// clang-format off
constexpr ControlRow kControls[] = {
//   id                  kind        caption                left  top   width height tab label for        field                    action
    {Id::Frame1,         GroupBox,   L"80m",                 240, 240, 1455, 1935,  4, {},              {},                      nullptr},
    {Id::CheckDipoleNS,  CheckBox,   L"Dipole N/S",          360, 840, 1095,  255,  0, {},              Field::IndicatorDipoleNS, nullptr},
    {Id::CheckDipoleEW,  CheckBox,   L"Dipole E/W",          360, 1320, 1215, 255,  1, {},              Field::IndicatorDipoleEW, nullptr},
    {Id::Frame2,         GroupBox,   L"20, 15, 10m",        1800, 240, 1815, 1935,  5, {},              {},                      nullptr},
    {Id::Label9,         Label,      L"Bearing,\u00b0",     1920, 720,  720,  255,  6, Id::TextBearing, {},                      nullptr},
    {Id::TextBearing,    TextBox,    L"",                   2640, 600,  735,  375,  3, {},              Field::BearingText,      nullptr},
    {Id::CommandRotate,  PushButton, L"Rotate!",            2160, 1200, 1095, 375,  7, {},              {},                      &StationPanel::RotateBeam},
    {Id::CheckBeam,      CheckBox,   L"Beam",               2040, 1800, 1215, 255,  2, {},              Field::IndicatorBeam,    nullptr},
    {Id::Frame3,         GroupBox,   L"Other bands",        3720, 240, 1575, 1935,  8, {},              {},                      nullptr},
    {Id::CheckLW,        CheckBox,   L"Long wire",          3960, 840, 1095,  255,  9, {},              Field::IndicatorLongWire, nullptr},
    {Id::CommandSwitch,  PushButton, L"Switch!",            3240, 2520, 975,  375, 14, {},              {},                      &StationPanel::SwitchAntenna},
    {Id::Label10,        Label,      L"Fq, kHz",            5520, 480,  615,  255, 11, Id::TextKhz,     {},                      nullptr},
    {Id::TextKhz,        TextBox,    L"",                   6360, 360,  855,  405, 10, {},              Field::FrequencyText,    nullptr},
    {Id::Label11,        Label,      L"Azimuth,\u00b0",     5520, 1080, 735,  255, 13, Id::TextAz,      {},                      nullptr},
    {Id::TextAz,         TextBox,    L"",                   6360, 960,  855,  375, 12, {},              Field::AzimuthText,      nullptr},
    {Id::Label1,         Label,      L"Command",            5520, 1680, 735,  255, 18, Id::TextCommand, {},                      nullptr},
    {Id::TextCommand,    TextBox,    L"",                   6360, 1560, 855,  375, 17, {},              Field::CommandText,      nullptr},
    {Id::CheckAutoSwitch,CheckBox,   L"Auto switch",        5760, 2280, 1215, 255, 15, {},              Field::AutoSwitch,       nullptr},
    {Id::CheckAutoRotate,CheckBox,   L"Auto rotate",        5760, 2640, 1335, 255, 16, {},              Field::AutoRotate,       nullptr},
};
// clang-format on

} // namespace

std::span<const ControlRow> ControlTable() {
    return kControls;
}

std::size_t ControlIndex(ControlId id) {
    const auto found = std::ranges::find(kControls, id, &ControlRow::id);
    return static_cast<std::size_t>(found - std::ranges::begin(kControls));
}

std::vector<const ControlRow*> CreationOrder() {
    std::vector<const ControlRow*> focusable;
    for (const ControlRow& control : kControls) {
        if (KindOf(control.kind).takesFocus) {
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
