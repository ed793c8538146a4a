// A running veskor.exe as the hostile-host tests see it: a child process whose windows, texts,
// ticks and memory are read from outside, and whose buttons, boxes and keys are worked by
// window messages.
#pragma once

#include "control_id.h"
#include "message_pump.h"

#include <windows.h>

#include <cstddef>
#include <functional>
#include <string>

namespace veskor::test {

class VeskorUnderTest {
public:
    VeskorUnderTest() = default;
    // Closes the window, or ends the process when it does not end by itself.
    ~VeskorUnderTest();
    VeskorUnderTest(const VeskorUnderTest&) = delete;
    VeskorUnderTest& operator=(const VeskorUnderTest&) = delete;

    bool Start();
    bool Running() const;
    bool WaitForExit(Deadline deadline, DWORD& exitStatus);
    // Closes the main window as the operator does, and waits for the program to end.
    bool CloseAndWait(Deadline deadline, DWORD& exitStatus);

    // The visible main window, once it is there.
    bool WaitForMainWindow(Deadline deadline);
    bool MainWindowVisible() const;
    // The visible message box (captioned "Veskor"), or null.
    HWND MessageBoxWindow() const;
    // The text of a message box's message.
    static std::wstring MessageText(HWND messageBox);
    // The process's visible top-level windows.
    int VisibleWindowCount() const;

    std::wstring Text(ControlId control) const;
    bool Ticked(ControlId control) const;
    // A mouse click on a button or check box. False when the window did not answer.
    bool Click(ControlId control) const;
    // Replaces a box's text by typing: all selected, then one character after the other.
    bool Type(ControlId control, const std::wstring& text) const;

    std::size_t WorkingSet() const;
    HANDLE Process() const { return process_.hProcess; }

private:
    HWND Control(ControlId control) const;

    PROCESS_INFORMATION process_{};
    HWND main_ = nullptr;
};

} // namespace veskor::test
