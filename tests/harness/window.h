// Veskor's main window seen from another process: its controls found by ControlId, read and
// worked through window messages or real key presses, as any program on the desktop could.
#pragma once

#include "control_id.h"
#include "pump.h"

#include <windows.h>

#include <array>
#include <string>

namespace veskor::test {

// A window's text through WM_GETTEXT, which reads a control of another process too; empty when
// the window does not answer within a few seconds.
std::wstring TextOf(HWND window);
// The message of a message box: its one static control that holds text.
std::wstring MessageText(HWND messageBox);
// Presses and releases a key (with Shift held when asked) as the keyboard does, for the
// foreground window's focused control.
void PressKey(WORD virtualKey, bool shift = false);

class AppWindow {
public:
    AppWindow() = default;
    explicit AppWindow(HWND main);

    explicit operator bool() const { return main_ != nullptr; }
    HWND Main() const { return main_; }
    HWND Control(ControlId id) const;

    std::wstring Text(ControlId id) const { return TextOf(Control(id)); }
    std::string Utf8(ControlId id) const;
    // Whether a box shows exactly this short ASCII text (under 64 characters), asked in one
    // message: cheap enough to poll without slowing the program watched.
    bool ShowsShortText(ControlId id, const std::string& text) const;
    bool Ticked(ControlId id) const;
    // The control that has the keyboard focus in the window's program, or null.
    HWND Focus() const;

    // A click on a button or check box, as the mouse gives it; false when no answer came.
    bool Click(ControlId id) const;
    // Replaces a box's text by typing: all selected, then one character after the other.
    bool Type(ControlId id, const std::wstring& text) const;
    // Makes the window the foreground window, so that key presses reach it.
    bool BringToFront(Deadline deadline) const;

private:
    static constexpr int kFirstId = static_cast<int>(ControlId::Frame1);
    HWND main_ = nullptr;
    std::array<HWND, static_cast<int>(ControlId::CheckAutoRotate) - kFirstId + 1> controls_{};
};

} // namespace veskor::test
