// Identifiers of the main window's controls, shared by the window and the tests that find the
// controls of a running Veskor.
#pragma once

namespace veskor {

// Kept clear of IDOK (1) and IDCANCEL (2): the dialog keyboard handling sends those for Enter and
// Escape, and they must never be mistaken for a control.
enum class ControlId : int {
    Frame1 = 101,
    CheckDipoleNS,
    CheckDipoleEW,
    Frame2,
    Label9,
    TextBearing,
    CommandRotate,
    CheckBeam,
    Frame3,
    CheckLW,
    CommandSwitch,
    Label10,
    TextKhz,
    Label11,
    TextAz,
    Label1,
    TextCommand,
    CheckAutoSwitch,
    CheckAutoRotate,
};

} // namespace veskor
