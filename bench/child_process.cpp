// Starting and observing the programs under measurement.
#include "child_process.h"

#include "pump.h"

#include <psapi.h>

#include <vector>

namespace veskor::bench {

std::wstring ProgramBeside(const wchar_t* fileName) {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    path.erase(path.find_last_of(L"\\/") + 1);
    return path + fileName;
}

std::size_t FileSize(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA attributes;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &attributes)) {
        return 0;
    }
    return (static_cast<std::size_t>(attributes.nFileSizeHigh) << 32) | attributes.nFileSizeLow;
}

ChildProcess::~ChildProcess() {
    if (!info_.hProcess) {
        return;
    }
    if (Running()) {
        Terminate();
    }
    CloseHandle(info_.hThread);
    CloseHandle(info_.hProcess);
}

bool ChildProcess::Start(const std::wstring& commandLine) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    std::vector<wchar_t> line(commandLine.begin(), commandLine.end());
    line.push_back(L'\0');
    return CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &info_) != 0;
}

bool ChildProcess::Running() const {
    return info_.hProcess && WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT;
}

HWND ChildProcess::VisibleWindow(const wchar_t* caption) const {
    struct Search {
        DWORD processId;
        const wchar_t* caption;
        HWND found;
    } search{info_.dwProcessId, caption, nullptr};
    EnumWindows(
        [](HWND window, LPARAM parameter) -> BOOL {
            auto& search = *reinterpret_cast<Search*>(parameter);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner != search.processId || !IsWindowVisible(window)) {
                return TRUE;
            }
            wchar_t text[64] = {};
            GetWindowTextW(window, text, 64);
            if (wcscmp(text, search.caption) != 0) {
                return TRUE;
            }
            search.found = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

MemoryFigures ChildProcess::Memory() const {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(info_.hProcess, &counters, sizeof counters)) {
        return {};
    }
    return {counters.WorkingSetSize, counters.PeakWorkingSetSize};
}

double ChildProcess::ProcessorMs() const {
    FILETIME creation, exit, kernel, user;
    if (!GetProcessTimes(info_.hProcess, &creation, &exit, &kernel, &user)) {
        return -1;
    }
    auto ticks = [](const FILETIME& time) {
        return (static_cast<unsigned long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    };
    return static_cast<double>(ticks(kernel) + ticks(user)) / 10000.0; // 100 ns ticks
}

int ChildProcess::WaitForExit(double timeoutMs) {
    // The bench may be the host of the process that is ending: keep answering it meanwhile.
    if (!PumpUntilSignalled(info_.hProcess, timeoutMs)) {
        Terminate();
        return -1;
    }
    DWORD code = 0;
    GetExitCodeProcess(info_.hProcess, &code);
    return static_cast<int>(code);
}

int ChildProcess::CloseWindowAndWait(HWND window, double timeoutMs) {
    PostMessageW(window, WM_CLOSE, 0, 0);
    return WaitForExit(timeoutMs);
}

int ChildProcess::QuitAndWait(double timeoutMs) {
    PostThreadMessageW(info_.dwThreadId, WM_QUIT, 0, 0);
    return WaitForExit(timeoutMs);
}

void ChildProcess::Terminate() {
    TerminateProcess(info_.hProcess, 1);
    WaitForSingleObject(info_.hProcess, 5000);
}

} // namespace veskor::bench
