// Starting and observing programs under test or measurement.
#include "program.h"

#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <utility>

namespace veskor::test {

std::wstring ProgramBeside(const wchar_t* fileName) {
    std::wstring path(32768, L'\0'); // the longest path Windows has
    path.resize(GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
    return path.erase(path.find_last_of(L"\\/") + 1) + fileName;
}

Program::~Program() {
    if (info_.hProcess) {
        Terminate();
        CloseHandle(info_.hThread);
        CloseHandle(info_.hProcess);
    }
}

int BitsOf(HANDLE process) {
    BOOL emulated = FALSE, selfEmulated = FALSE;
    if (!IsWow64Process(process, &emulated) ||
        !IsWow64Process(GetCurrentProcess(), &selfEmulated)) {
        return 0;
    }
    const bool system64 = sizeof(void*) == 8 || selfEmulated;
    return emulated || !system64 ? 32 : 64;
}

namespace {

std::wstring Variable(const wchar_t* name) {
    wchar_t value[1024] = {};
    const DWORD length = GetEnvironmentVariableW(name, value, 1024);
    return length > 0 && length < 1024 ? value : L"";
}

// The program to start for this file name, and the bitness it must run with.
std::pair<std::wstring, int> ChosenProgram(const wchar_t* fileName) {
    const std::wstring other = Variable(L"VESKOR_UNDER_TEST");
    if (std::wcscmp(fileName, L"veskor.exe") == 0 && !other.empty()) {
        return {other, _wtoi(Variable(L"VESKOR_UNDER_TEST_BITS").c_str())};
    }
    return {ProgramBeside(fileName), BitsOf(GetCurrentProcess())};
}

} // namespace

int WineMajorVersion() {
    using Version = const char*(CDECL*)();
    const auto version = reinterpret_cast<Version>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version")));
    return version != nullptr ? std::atoi(version()) : 0;
}

bool MegabyteValuesReachVeskor() {
    return ChosenProgram(L"veskor.exe").second != 32 || WineMajorVersion() < 10;
}

bool Program::Start(const wchar_t* fileName, const std::wstring& arguments) {
    const auto [path, bits] = ChosenProgram(fileName);
    std::wstring line = L"\"" + path + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info_)) {
        std::fprintf(stderr, "%ls did not start\n", path.c_str());
        return false;
    }
    if (const int actual = BitsOf(info_.hProcess); actual != bits) {
        std::fprintf(stderr, "%ls runs as a %d-bit program, %d-bit expected\n", path.c_str(),
                     actual, bits);
        Terminate();
        return false;
    }
    return true;
}

namespace {

struct WindowSearch {
    DWORD process;
    const wchar_t *caption, *className;
    std::vector<HWND> found;
};

BOOL CALLBACK AddIfSought(HWND window, LPARAM context) {
    auto& search = *reinterpret_cast<WindowSearch*>(context);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    wchar_t text[256] = {};
    const auto matches = [&](const wchar_t* wanted, int length) {
        return !wanted || (length > 0 && std::wcscmp(text, wanted) == 0);
    };
    if (owner == search.process && IsWindowVisible(window) &&
        matches(search.className, GetClassNameW(window, text, 256)) &&
        matches(search.caption, GetWindowTextW(window, text, 256))) {
        search.found.push_back(window);
    }
    return TRUE;
}

} // namespace

std::vector<HWND> Program::VisibleWindows(const wchar_t* caption, const wchar_t* className) const {
    // One list of the top-level windows, taken at once, then matched on the caption and class the
    // system keeps, without a message to the program watched. Not FindWindowExW from the window
    // found last: Wine 10's server loops forever when that window is being destroyed meanwhile
    // (a message box as it closes), and with it every program of the session.
    WindowSearch search{info_.dwProcessId, caption, className, {}};
    EnumWindows(AddIfSought, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

MemoryFigures Program::Memory() const {
    PROCESS_MEMORY_COUNTERS counters{}; // all 0 when the reading fails
    GetProcessMemoryInfo(info_.hProcess, &counters, sizeof counters);
    return {counters.WorkingSetSize, counters.PeakWorkingSetSize};
}

double Program::ProcessorMs() const {
    FILETIME creation, exit, kernel{}, user{}; // 0 when the reading fails
    GetProcessTimes(info_.hProcess, &creation, &exit, &kernel, &user);
    const auto ms = [](FILETIME time) { // from 100 ns ticks
        return (time.dwHighDateTime * 4294967296.0 + time.dwLowDateTime) / 10000;
    };
    return ms(kernel) + ms(user);
}

int Program::WaitForExit(Deadline deadline) {
    // The caller may be the host of the program that is ending: it goes on answering meanwhile.
    DWORD code = 0;
    return PumpUntilSignalled(info_.hProcess, deadline) && GetExitCodeProcess(info_.hProcess, &code)
               ? static_cast<int>(code)
               : -1;
}

void Program::Terminate() {
    // Nothing happens to a process that has ended already.
    TerminateProcess(info_.hProcess, 1);
    WaitForSingleObject(info_.hProcess, 5000 * TimeScale());
}

} // namespace veskor::test
