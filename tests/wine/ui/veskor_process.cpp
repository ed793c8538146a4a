// Starting, finding and driving veskor.exe from a test.
#include "veskor_process.h"

#include "standin_process.h"

#include <algorithm>

namespace veskor::test {

namespace {

INPUT KeyInput(WORD virtualKey, bool release) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = virtualKey;
    input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = release ? KEYEVENTF_KEYUP : 0;
    return input;
}

} // namespace

void BecomeDpiAware() {
    using SetContext = BOOL(WINAPI*)(HANDLE);
    const FARPROC address =
        GetProcAddress(GetModuleHandleW(L"user32.dll"), "SetProcessDpiAwarenessContext");
    if (address) {
        const auto setContext = reinterpret_cast<SetContext>(reinterpret_cast<void (*)()>(address));
        // DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2
        if (setContext(reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-4)))) {
            return;
        }
    }
    SetProcessDPIAware();
}

std::vector<HWND> TopLevelWindows(DWORD processId) {
    struct Search {
        DWORD processId;
        std::vector<HWND> found;
    } search{processId, {}};
    EnumWindows(
        [](HWND window, LPARAM context) -> BOOL {
            auto* search = reinterpret_cast<Search*>(context);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner == search->processId) {
                search->found.push_back(window);
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::wstring WindowText(HWND window) {
    // WM_GETTEXT rather than GetWindowText: it reads a control of another process too.
    const auto length = SendMessageW(window, WM_GETTEXTLENGTH, 0, 0);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const auto copied =
        SendMessageW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(copied));
    return text;
}

std::wstring ClassName(HWND window) {
    wchar_t name[64] = {};
    const int length = GetClassNameW(window, name, 64);
    return std::wstring(name, static_cast<std::size_t>(length > 0 ? length : 0));
}

VeskorProcess::~VeskorProcess() {
    if (!process_) {
        return;
    }
    if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
        if (HWND window = FindMainWindow()) {
            PostMessageW(window, WM_CLOSE, 0, 0);
        }
        if (!PumpUntilSignalled(process_, DeadlineAfter(kPatience))) {
            TerminateProcess(process_, 99);
            WaitForSingleObject(process_, 5000);
        }
    }
    CloseHandle(process_);
}

bool VeskorProcess::Start() {
    const std::wstring program = ProgramFolder() + L"veskor.exe";
    std::wstring commandLine = L"\"" + program + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION information{};
    if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &information)) {
        error_ = "cannot start veskor.exe, error " + std::to_string(GetLastError());
        return false;
    }
    CloseHandle(information.hThread);
    process_ = information.hProcess;
    processId_ = information.dwProcessId;
    return true;
}

HWND VeskorProcess::FindMainWindow() const {
    for (HWND window : TopLevelWindows(processId_)) {
        if (ClassName(window) == kMainWindowClass && WindowText(window) == kMainWindowCaption) {
            return window;
        }
    }
    return nullptr;
}

HWND VeskorProcess::WaitForMainWindow(Deadline deadline) {
    PollUntil(
        [&] {
            HWND window = FindMainWindow();
            mainWindow_ = window && IsWindowVisible(window) ? window : nullptr;
            return mainWindow_ != nullptr;
        },
        deadline);
    if (!mainWindow_) {
        error_ = "the main window did not appear";
    }
    return mainWindow_;
}

HWND VeskorProcess::Control(ControlId id) const {
    return GetDlgItem(mainWindow_, static_cast<int>(id));
}

std::wstring VeskorProcess::Text(ControlId id) const {
    return WindowText(Control(id));
}

bool VeskorProcess::Ticked(ControlId id) const {
    return SendMessageW(Control(id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

HWND VeskorProcess::Focus() const {
    GUITHREADINFO information{};
    information.cbSize = sizeof information;
    const DWORD thread = GetWindowThreadProcessId(mainWindow_, nullptr);
    return GetGUIThreadInfo(thread, &information) ? information.hwndFocus : nullptr;
}

bool VeskorProcess::BringToFront(Deadline deadline) {
    return PollUntil(
        [&] {
            if (GetForegroundWindow() == mainWindow_) {
                return true;
            }
            SetForegroundWindow(mainWindow_);
            return false;
        },
        deadline);
}

void VeskorProcess::PressKey(WORD virtualKey, bool shift) const {
    std::vector<INPUT> inputs;
    if (shift) {
        inputs.push_back(KeyInput(VK_SHIFT, false));
    }
    inputs.push_back(KeyInput(virtualKey, false));
    inputs.push_back(KeyInput(virtualKey, true));
    if (shift) {
        inputs.push_back(KeyInput(VK_SHIFT, true));
    }
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

void VeskorProcess::Type(std::wstring_view text) const {
    for (wchar_t character : text) {
        const SHORT key = VkKeyScanW(character);
        PressKey(static_cast<WORD>(key & 0xff), (key & 0x100) != 0);
    }
}

bool VeskorProcess::WaitForExit(Deadline deadline, DWORD& exitStatus) {
    if (!PumpUntilSignalled(process_, deadline)) {
        return false;
    }
    GetExitCodeProcess(process_, &exitStatus);
    return true;
}

} // namespace veskor::test
