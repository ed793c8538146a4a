// A running veskor.exe seen from a test: started as a child process, its windows found by class
// and caption, its controls read through window messages and worked with real key presses.
#pragma once

#include "control_id.h"
#include "message_pump.h"

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace veskor::test {

// Makes this test process see real pixels, not coordinates scaled for a DPI-unaware program.
void BecomeDpiAware();

// The top-level windows of a process, visible or not.
std::vector<HWND> TopLevelWindows(DWORD processId);

std::wstring WindowText(HWND window);
std::wstring ClassName(HWND window);

class VeskorProcess {
public:
    VeskorProcess() = default;
    // Ends the program if it still runs: by closing its window, else by terminating it.
    ~VeskorProcess();
    VeskorProcess(const VeskorProcess&) = delete;
    VeskorProcess& operator=(const VeskorProcess&) = delete;

    // Starts veskor.exe from the test executable's folder. False, with Error(), if it cannot.
    bool Start();

    // The main window once it is visible, or nullptr at the deadline.
    HWND WaitForMainWindow(Deadline deadline);
    // The main window, visible or not, or nullptr when it does not exist.
    HWND FindMainWindow() const;

    HWND MainWindow() const { return mainWindow_; }
    HWND Control(ControlId id) const;
    std::wstring Text(ControlId id) const;
    bool Ticked(ControlId id) const;
    // The control that has the keyboard focus in Veskor, or nullptr.
    HWND Focus() const;

    // Brings Veskor to the front, so that key presses reach its focused control.
    bool BringToFront(Deadline deadline);
    // Presses and releases a key (with Shift held when asked), as the keyboard would.
    void PressKey(WORD virtualKey, bool shift = false) const;
    // Types the characters of a text, one key press each.
    void Type(std::wstring_view text) const;

    // Waits for the process to end and gives its exit status.
    bool WaitForExit(Deadline deadline, DWORD& exitStatus);
    bool Running() const { return process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT; }
    DWORD ProcessId() const { return processId_; }
    const std::string& Error() const { return error_; }

private:
    HANDLE process_ = nullptr;
    DWORD processId_ = 0;
    HWND mainWindow_ = nullptr;
    std::string error_;
};

} // namespace veskor::test
