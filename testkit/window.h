// Veskor's main window seen from another process: started, its controls found by ControlId, read
// and worked through window messages or real key presses, as any program on the desktop could.
#pragma once

#include "control_id.h"
#include "program.h"
#include "window_names.h"

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace veskor::test {

// A window's answer to a message, or -1 when it gives none within a few seconds: a window that
// stops answering fails the reading instead of stopping the caller.
inline LRESULT Ask(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR answer = 0;
    return SendMessageTimeoutW(window, message, wParam, lParam, SMTO_NORMAL, 5000 * TimeScale(),
                               &answer)
               ? static_cast<LRESULT>(answer)
               : -1;
}
// A window's text, also of a control of another process; empty when the window does not answer
// within a few seconds. A short text is read with WM_GETTEXT. A long one is copied through the
// clipboard, its selection kept: Wine 10 hands the buffer of a WM_GETTEXT to the answering thread
// on its stack, so a buffer near its size (a 1 MiB text) cannot be read that way.
std::wstring TextOf(HWND window);
// Presses and releases a key (with Shift held when asked) as the keyboard does, for the
// foreground window's focused control.
void PressKey(WORD virtualKey, bool shift = false);

// The six check boxes as bits: the four antenna indicators, then Auto switch and Auto rotate.
inline constexpr int NS = 1, EW = 2, Beam = 4, LW = 8, AS = 16, AR = 32;

class AppWindow {
public:
    AppWindow() = default;
    explicit AppWindow(HWND main) : main_(main) {}

    explicit operator bool() const { return main_ != nullptr; }
    HWND Main() const { return main_; }
    // Found by the system, without a message to the window's program.
    HWND Control(ControlId id) const { return GetDlgItem(main_, static_cast<int>(id)); }

    std::wstring Text(ControlId id) const { return TextOf(Control(id)); }
    std::string Utf8(ControlId id) const;
    // Whether a box shows exactly this short ASCII text (under 64 characters), asked in one
    // message: cheap enough to poll without slowing the program watched.
    bool ShowsShortText(ControlId id, const std::string& text) const;
    bool Ticked(ControlId id) const { return Ask(Control(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }
    // The ticked check boxes, as the bits above.
    int Ticks() const;
    // The control that has the keyboard focus in the window's program, or null.
    HWND Focus() const;

    // A click on a button or check box, as the mouse gives it; false when no answer came.
    bool Click(ControlId id) const { return Ask(Control(id), BM_CLICK, 0, 0) != -1; }
    // Replaces a box's text by typing: all selected, then one character after the other.
    bool Type(ControlId id, const std::wstring& text) const;
    // Makes the window the foreground window, so that key presses reach it.
    bool BringToFront(Deadline deadline) const;

private:
    HWND main_ = nullptr;
};

// Starts veskor.exe and waits for its main window; an empty one when none shows in time.
AppWindow StartVeskor(Program& veskor);

// veskor.exe started where start-up fails, watched until it ends: its start-up message box, and
// whether its main window showed at any moment meanwhile, which it never may.
class StartUpMessage {
public:
    explicit StartUpMessage(Program& veskor) : veskor_(veskor) {}
    // Starts veskor.exe and waits for the message box; false when none shows by the deadline.
    bool Await(Deadline deadline);
    HWND Box() const { return box_; }
    // The box's visible texts, sorted: its message and its buttons' captions.
    std::vector<std::wstring> Texts() const;
    // Answers the box by its OK button, or closes it, then waits for Veskor's end: its exit
    // status, or -1 at the deadline.
    int Dismiss(bool byButton, Deadline deadline);
    bool MainWindowShown() const { return mainWindowShown_; }

private:
    bool Watch(const std::function<bool()>& done, Deadline deadline);

    Program& veskor_;
    HWND box_ = nullptr;
    bool mainWindowShown_ = false;
};

} // namespace veskor::test
