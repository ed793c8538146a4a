// Driving veskor.exe from a test process.
#include "veskor_under_test.h"

#include "standin_process.h"

#include <psapi.h>

#include <algorithm>
#include <vector>

namespace veskor::test {
namespace {

// A message to a window that never answers fails the check instead of stopping the test.
constexpr UINT kAnswerMs = 5000;

bool Ask(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result = nullptr) {
    DWORD_PTR answer = 0;
    const bool answered =
        SendMessageTimeoutW(window, message, wParam, lParam, SMTO_NORMAL, kAnswerMs, &answer) != 0;
    if (result) {
        *result = static_cast<LRESULT>(answer);
    }
    return answered;
}

std::wstring TextOf(HWND window) {
    LRESULT length = 0;
    if (!window || !Ask(window, WM_GETTEXTLENGTH, 0, 0, &length) || length <= 0) {
        return {};
    }
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    LRESULT copied = 0;
    Ask(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), &copied);
    text.resize(static_cast<size_t>(std::clamp<LRESULT>(copied, 0, length)));
    return text;
}

std::wstring ClassOf(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

std::vector<HWND> VisibleTopLevelWindows(DWORD processId) {
    struct Search {
        DWORD processId;
        std::vector<HWND> found;
    } search{processId, {}};
    EnumWindows(
        [](HWND window, LPARAM parameter) -> BOOL {
            auto& search = *reinterpret_cast<Search*>(parameter);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner == search.processId && IsWindowVisible(window)) {
                search.found.push_back(window);
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

} // namespace

VeskorUnderTest::~VeskorUnderTest() {
    if (!process_.hProcess) {
        return;
    }
    DWORD status = 0;
    if (Running() && main_) {
        PostMessageW(main_, WM_CLOSE, 0, 0);
    }
    if (!WaitForExit(DeadlineAfter(kPatience), status)) {
        TerminateProcess(process_.hProcess, 1);
        WaitForSingleObject(process_.hProcess, 5000);
    }
    CloseHandle(process_.hThread);
    CloseHandle(process_.hProcess);
}

bool VeskorUnderTest::Start() {
    std::wstring line = L"\"" + ProgramFolder() + L"veskor.exe\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    return CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &process_) != 0;
}

bool VeskorUnderTest::Running() const {
    return process_.hProcess && WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT;
}

bool VeskorUnderTest::WaitForExit(Deadline deadline, DWORD& exitStatus) {
    if (!PumpUntilSignalled(process_.hProcess, deadline)) {
        return false;
    }
    return GetExitCodeProcess(process_.hProcess, &exitStatus) != 0;
}

bool VeskorUnderTest::CloseAndWait(Deadline deadline, DWORD& exitStatus) {
    return main_ && PostMessageW(main_, WM_CLOSE, 0, 0) && WaitForExit(deadline, exitStatus);
}

bool VeskorUnderTest::MainWindowVisible() const {
    for (HWND window : VisibleTopLevelWindows(process_.dwProcessId)) {
        if (ClassOf(window) == kMainWindowClass) {
            return true;
        }
    }
    return false;
}

bool VeskorUnderTest::WaitForMainWindow(Deadline deadline) {
    return PollUntil(
        [this] {
            for (HWND window : VisibleTopLevelWindows(process_.dwProcessId)) {
                if (ClassOf(window) == kMainWindowClass) {
                    main_ = window;
                    return true;
                }
            }
            return false;
        },
        deadline);
}

HWND VeskorUnderTest::MessageBoxWindow() const {
    for (HWND window : VisibleTopLevelWindows(process_.dwProcessId)) {
        if (ClassOf(window) == L"#32770" && TextOf(window) == kMainWindowCaption) {
            return window;
        }
    }
    return nullptr;
}

std::wstring VeskorUnderTest::MessageText(HWND messageBox) {
    // The message is the box's one static control that holds text (the icon, if any, has none).
    std::wstring message;
    for (HWND child = GetWindow(messageBox, GW_CHILD); child;
         child = GetWindow(child, GW_HWNDNEXT)) {
        if (ClassOf(child) == L"Static" && !TextOf(child).empty()) {
            message = TextOf(child);
        }
    }
    return message;
}

int VeskorUnderTest::VisibleWindowCount() const {
    return static_cast<int>(VisibleTopLevelWindows(process_.dwProcessId).size());
}

HWND VeskorUnderTest::Control(ControlId control) const {
    struct Search {
        int id;
        HWND found;
    } search{static_cast<int>(control), nullptr};
    // Wherever it sits: a child of the window or of its group box.
    EnumChildWindows(
        main_,
        [](HWND child, LPARAM parameter) -> BOOL {
            auto& search = *reinterpret_cast<Search*>(parameter);
            if (GetDlgCtrlID(child) != search.id) {
                return TRUE;
            }
            search.found = child;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::wstring VeskorUnderTest::Text(ControlId control) const {
    return TextOf(Control(control));
}

bool VeskorUnderTest::Ticked(ControlId control) const {
    LRESULT state = 0;
    return Ask(Control(control), BM_GETCHECK, 0, 0, &state) && state == BST_CHECKED;
}

bool VeskorUnderTest::Click(ControlId control) const {
    return Ask(Control(control), BM_CLICK, 0, 0);
}

bool VeskorUnderTest::Type(ControlId control, const std::wstring& text) const {
    const HWND box = Control(control);
    if (!Ask(box, EM_SETSEL, 0, -1)) {
        return false;
    }
    for (wchar_t character : text) {
        if (!Ask(box, WM_CHAR, character, 1)) {
            return false;
        }
    }
    return true;
}

std::size_t VeskorUnderTest::WorkingSet() const {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(process_.hProcess, &counters, sizeof counters)) {
        return 0;
    }
    return counters.WorkingSetSize;
}

} // namespace veskor::test
