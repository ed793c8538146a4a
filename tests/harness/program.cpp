// Starting and observing programs under test or measurement.
#include "program.h"

#include <psapi.h>

namespace veskor::test {

std::wstring ProgramBeside(const wchar_t* fileName) {
    std::wstring path(MAX_PATH, L'\0');
    DWORD length = 0;
    while ((length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()))) >=
           path.size()) {
        path.resize(path.size() * 2);
    }
    path.resize(length);
    return path.erase(path.find_last_of(L"\\/") + 1) + fileName;
}

Program::~Program() {
    if (info_.hProcess) {
        Terminate();
        CloseHandle(info_.hThread);
        CloseHandle(info_.hProcess);
    }
}

bool Program::Start(const wchar_t* fileName, const std::wstring& arguments) {
    std::wstring line = L"\"" + ProgramBeside(fileName) + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    return CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &info_) != 0;
}

bool Program::Running() const {
    return info_.hProcess && WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT;
}

std::vector<HWND> Program::VisibleWindows(const wchar_t* caption, const wchar_t* className) const {
    struct Search {
        DWORD processId;
        const wchar_t *caption, *className;
        std::vector<HWND> found;
    } search{info_.dwProcessId, caption, className, {}};
    EnumWindows(
        [](HWND window, LPARAM parameter) -> BOOL {
            auto& search = *reinterpret_cast<Search*>(parameter);
            // GetWindowText reads a top-level caption without a message to the program watched.
            wchar_t text[64] = {}, name[64] = {};
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            GetWindowTextW(window, text, 64);
            GetClassNameW(window, name, 64);
            if (owner == search.processId && IsWindowVisible(window) &&
                (!search.caption || wcscmp(text, search.caption) == 0) &&
                (!search.className || wcscmp(name, search.className) == 0)) {
                search.found.push_back(window);
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

MemoryFigures Program::Memory() const {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(info_.hProcess, &counters, sizeof counters)) {
        return {};
    }
    return {counters.WorkingSetSize, counters.PeakWorkingSetSize};
}

double Program::ProcessorMs() const {
    FILETIME creation, exit, kernel, user;
    if (!GetProcessTimes(info_.hProcess, &creation, &exit, &kernel, &user)) {
        return -1;
    }
    auto ticks = [](const FILETIME& time) {
        return (static_cast<unsigned long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    };
    return static_cast<double>(ticks(kernel) + ticks(user)) / 10000.0; // 100 ns ticks
}

int Program::WaitForExit(Deadline deadline) {
    // The caller may be the host of the program that is ending: it goes on answering meanwhile.
    DWORD code = 0;
    if (!PumpUntilSignalled(info_.hProcess, deadline) ||
        !GetExitCodeProcess(info_.hProcess, &code)) {
        return -1;
    }
    return static_cast<int>(code);
}

int Program::CloseAndWait(HWND window, Deadline deadline) {
    PostMessageW(window, WM_CLOSE, 0, 0);
    return WaitForExit(deadline);
}

int Program::QuitAndWait(Deadline deadline) {
    PostThreadMessageW(info_.dwThreadId, WM_QUIT, 0, 0);
    return WaitForExit(deadline);
}

void Program::Terminate() {
    if (Running()) {
        TerminateProcess(info_.hProcess, 1);
        WaitForSingleObject(info_.hProcess, 5000);
    }
}

} // namespace veskor::test
