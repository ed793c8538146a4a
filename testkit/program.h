// A program started beside the running executable (veskor.exe, the floors of the bench) and
// watched from outside: its visible top-level windows, its memory, its processor time and its end.
#pragma once

#include "pump.h"

#include <windows.h>

#include <cstddef>
#include <string>
#include <vector>

namespace veskor::test {

// The full path of a program in the running executable's folder, where the build puts them all.
std::wstring ProgramBeside(const wchar_t* fileName);

// Whether a process runs as a 32- or a 64-bit program (32 or 64; 0 when it cannot be told).
int BitsOf(HANDLE process);

// The major version of the Wine this process runs under; 0 on Windows.
int WineMajorVersion();

// Whether a host value of a megabyte can reach the veskor.exe under test. Wine 10 runs a 32-bit
// program inside a 64-bit process and copies each DDE value it hands the program onto the
// program's 32-bit stack: from about a megabyte on, Wine's own code refuses or hangs on the value
// before any of Veskor's runs. Wine 8's 32-bit programs and every 64-bit one take such values.
bool MegabyteValuesReachVeskor();
inline constexpr const char* kNoMegabyteValues =
    "a 32-bit program under Wine 10 stops for good on a DDE value of about 1 MiB: Wine 10 "
    "copies it onto the thread's 64-bit stack, 1 MiB in a 32-bit process whatever the program "
    "asks, before any of the program's code runs";

struct MemoryFigures {
    std::size_t workingSet = 0, peakWorkingSet = 0;
};

class Program {
public:
    Program() = default;
    // Ends the process if it still runs.
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // Starts the program and checks that it runs with the bitness expected of it: this
    // executable's own, except for veskor.exe when VESKOR_UNDER_TEST names another build's
    // veskor.exe and VESKOR_UNDER_TEST_BITS its bitness. A program of another bitness is ended
    // and reported, so that a pairing set up wrongly cannot pass for the one intended.
    bool Start(const wchar_t* fileName, const std::wstring& arguments = {});
    bool Running() const { return WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT; }
    HANDLE Handle() const { return info_.hProcess; }
    HANDLE Thread() const { return info_.hThread; }

    // The visible top-level windows, only those with this caption and class when given. The
    // message box "Veskor" is (kMainWindowCaption, L"#32770").
    std::vector<HWND> VisibleWindows(const wchar_t* caption = nullptr,
                                     const wchar_t* className = nullptr) const;
    HWND VisibleWindow(const wchar_t* caption, const wchar_t* className = nullptr) const {
        const auto found = VisibleWindows(caption, className);
        return found.empty() ? nullptr : found.front();
    }

    MemoryFigures Memory() const;
    // User and kernel time so far, in milliseconds.
    double ProcessorMs() const;

    // The exit status once the process has ended, or -1 when it still runs at the deadline.
    int WaitForExit(Deadline deadline);
    // Closes the window as the operator does, then waits for the end.
    int CloseAndWait(HWND window, Deadline deadline) {
        PostMessageW(window, WM_CLOSE, 0, 0);
        return WaitForExit(deadline);
    }
    void Terminate();

private:
    PROCESS_INFORMATION info_{};
};

} // namespace veskor::test
