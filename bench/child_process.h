// A program the bench starts and watches from outside: its top-level windows, its memory and its
// processor time, as the system reports them for any process.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>

namespace veskor::bench {

// The full path of a program that sits beside the bench's own executable.
std::wstring ProgramBeside(const wchar_t* fileName);

// Size in bytes of a file, or 0 when it cannot be read.
std::size_t FileSize(const std::wstring& path);

struct MemoryFigures {
    std::size_t workingSet = 0;
    std::size_t peakWorkingSet = 0;
};

class ChildProcess {
public:
    ChildProcess() = default;
    // Ends the process if it is still running.
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool Start(const std::wstring& commandLine);
    bool Running() const;
    DWORD Id() const { return info_.dwProcessId; }
    HANDLE Handle() const { return info_.hProcess; }

    // The process's visible top-level window with this caption, or null.
    HWND VisibleWindow(const wchar_t* caption) const;

    MemoryFigures Memory() const;
    // User and kernel time used so far, in milliseconds.
    double ProcessorMs() const;

    // Asks the window to close and waits for the process to end; ends it by force otherwise.
    // Returns the exit code, or -1 when it had to be forced.
    int CloseWindowAndWait(HWND window, double timeoutMs);
    // Posts WM_QUIT to the main thread and waits; -1 when it had to be forced.
    int QuitAndWait(double timeoutMs);
    void Terminate();

private:
    int WaitForExit(double timeoutMs);
    PROCESS_INFORMATION info_{};
};

} // namespace veskor::bench
