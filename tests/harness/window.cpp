// Reading and working a window of another process.
#include "window.h"

#include <algorithm>

namespace veskor::test {
namespace {

// The window's answer, or -1 when it gives none within a few seconds: a window that stops
// answering fails the reading instead of stopping the caller.
LRESULT Ask(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR answer = 0;
    return window &&
                   SendMessageTimeoutW(window, message, wParam, lParam, SMTO_NORMAL, 5000, &answer)
               ? static_cast<LRESULT>(answer)
               : -1;
}

INPUT Key(WORD virtualKey, bool release) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = virtualKey;
    input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = release ? KEYEVENTF_KEYUP : 0;
    return input;
}

} // namespace

std::wstring TextOf(HWND window) {
    const LRESULT length = std::max<LRESULT>(Ask(window, WM_GETTEXTLENGTH, 0, 0), 0);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const LRESULT copied =
        Ask(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(std::clamp<LRESULT>(copied, 0, length)));
    return text;
}

std::wstring MessageText(HWND messageBox) {
    std::wstring message;
    for (HWND child = GetWindow(messageBox, GW_CHILD); child;
         child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t name[16] = {};
        GetClassNameW(child, name, 16);
        if (_wcsicmp(name, L"Static") == 0 && !TextOf(child).empty()) {
            message = TextOf(child);
        }
    }
    return message;
}

void PressKey(WORD virtualKey, bool shift) {
    INPUT inputs[] = {Key(VK_SHIFT, false), Key(virtualKey, false), Key(virtualKey, true),
                      Key(VK_SHIFT, true)};
    SendInput(shift ? 4 : 2, shift ? inputs : inputs + 1, sizeof(INPUT));
}

AppWindow::AppWindow(HWND main) : main_(main) {
    // Found once: polling a box must cost the watched program no more than one message.
    for (std::size_t i = 0; i < controls_.size(); ++i) {
        controls_[i] = GetDlgItem(main, kFirstId + static_cast<int>(i));
    }
}

HWND AppWindow::Control(ControlId id) const {
    const auto index = static_cast<std::size_t>(static_cast<int>(id) - kFirstId);
    return index < controls_.size() ? controls_[index] : nullptr;
}

std::string AppWindow::Utf8(ControlId id) const {
    const std::wstring wide = Text(id);
    std::string text(wide.size() * 3, '\0'); // at most three bytes for each UTF-16 unit
    text.resize(static_cast<std::size_t>(
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), text.data(),
                            static_cast<int>(text.size()), nullptr, nullptr)));
    return text;
}

bool AppWindow::ShowsShortText(ControlId id, const std::string& text) const {
    wchar_t shown[64] = {};
    const LRESULT copied = Ask(Control(id), WM_GETTEXT, 64, reinterpret_cast<LPARAM>(shown));
    return text.size() < 64 && copied == static_cast<LRESULT>(text.size()) &&
           std::equal(text.begin(), text.end(), shown,
                      [](char narrow, wchar_t wide) { return wchar_t(narrow) == wide; });
}

bool AppWindow::Ticked(ControlId id) const {
    return Ask(Control(id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

HWND AppWindow::Focus() const {
    GUITHREADINFO information{};
    information.cbSize = sizeof information;
    const DWORD thread = GetWindowThreadProcessId(main_, nullptr);
    return GetGUIThreadInfo(thread, &information) ? information.hwndFocus : nullptr;
}

bool AppWindow::Click(ControlId id) const {
    return Ask(Control(id), BM_CLICK, 0, 0) != -1;
}

bool AppWindow::Type(ControlId id, const std::wstring& text) const {
    bool answered = Ask(Control(id), EM_SETSEL, 0, -1) != -1;
    for (wchar_t character : text) {
        answered = answered && Ask(Control(id), WM_CHAR, character, 1) != -1;
    }
    return answered;
}

bool AppWindow::BringToFront(Deadline deadline) const {
    return PumpUntil(
        [&] { return GetForegroundWindow() == main_ || (SetForegroundWindow(main_), false); },
        deadline, 10);
}

} // namespace veskor::test
