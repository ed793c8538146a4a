// Reading and working a window of another process.
#include "window.h"

#include <algorithm>
#include <cwchar>

namespace veskor::test {

namespace {

// Well below any thread's stack under Wine 10: a reading of at most this many characters
// (2 bytes each) always fits.
constexpr LRESULT kLongestMessageRead = 1 << 16;

// The whole text of an edit control, through its own WM_COPY and this process's clipboard.
std::wstring CopiedText(HWND edit, std::size_t length) {
    DWORD from = 0, to = 0;
    if (Ask(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to)) ==
            -1 ||
        Ask(edit, EM_SETSEL, 0, -1) == -1 || Ask(edit, WM_COPY, 0, 0) == -1) {
        return {};
    }
    Ask(edit, EM_SETSEL, from, to);
    std::wstring text;
    if (OpenClipboard(nullptr)) {
        if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
            if (const auto* copied = static_cast<const wchar_t*>(GlobalLock(data))) {
                text.assign(copied, wcsnlen(copied, length));
                GlobalUnlock(data);
            }
        }
        CloseClipboard();
    }
    return text;
}

} // namespace

std::wstring TextOf(HWND window) {
    const LRESULT length = std::max<LRESULT>(Ask(window, WM_GETTEXTLENGTH, 0, 0), 0);
    if (length >= kLongestMessageRead) {
        return CopiedText(window, static_cast<std::size_t>(length));
    }
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const LRESULT copied =
        Ask(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(std::clamp<LRESULT>(copied, 0, length)));
    return text;
}

void PressKey(WORD virtualKey, bool shift) {
    // Shift down, the key down and up, Shift up.
    const WORD keys[] = {VK_SHIFT, virtualKey, virtualKey, VK_SHIFT};
    INPUT inputs[4] = {};
    for (int i = 0; i < 4; ++i) {
        inputs[i].type = INPUT_KEYBOARD;
        inputs[i].ki = {keys[i], static_cast<WORD>(MapVirtualKeyW(keys[i], MAPVK_VK_TO_VSC)),
                        i < 2 ? 0u : KEYEVENTF_KEYUP, 0, 0};
    }
    SendInput(shift ? 4 : 2, shift ? inputs : inputs + 1, sizeof(INPUT));
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

int AppWindow::Ticks() const {
    constexpr ControlId kBoxes[] = {ControlId::CheckDipoleNS,   ControlId::CheckDipoleEW,
                                    ControlId::CheckBeam,       ControlId::CheckLW,
                                    ControlId::CheckAutoSwitch, ControlId::CheckAutoRotate};
    int bits = 0;
    for (int i = 0; i < 6; ++i) {
        bits |= Ticked(kBoxes[i]) ? 1 << i : 0;
    }
    return bits;
}

HWND AppWindow::Focus() const {
    GUITHREADINFO information{};
    information.cbSize = sizeof information;
    const DWORD thread = GetWindowThreadProcessId(main_, nullptr);
    return GetGUIThreadInfo(thread, &information) ? information.hwndFocus : nullptr;
}

bool AppWindow::Type(ControlId id, const std::wstring& text) const {
    bool answered = Ask(Control(id), EM_SETSEL, 0, -1) != -1;
    for (wchar_t character : text) {
        answered = answered && Ask(Control(id), WM_CHAR, character, 1) != -1;
    }
    return answered;
}

bool AppWindow::BringToFront(Deadline deadline) const {
    return Wait(
        [&] { return GetForegroundWindow() == main_ || (SetForegroundWindow(main_), false); },
        deadline);
}

AppWindow StartVeskor(Program& veskor) {
    const auto found = [&] { return veskor.VisibleWindow(kMainWindowCaption, kMainWindowClass); };
    return AppWindow(veskor.Start(L"veskor.exe") && Wait(found) ? found() : nullptr);
}

bool StartUpMessage::Watch(const std::function<bool()>& done, Deadline deadline) {
    return Wait(
        [&] {
            mainWindowShown_ =
                mainWindowShown_ || veskor_.VisibleWindow(kMainWindowCaption, kMainWindowClass);
            box_ = veskor_.VisibleWindow(kMainWindowCaption, L"#32770");
            return done();
        },
        deadline);
}

bool StartUpMessage::Await(Deadline deadline) {
    return veskor_.Start(L"veskor.exe") && Watch([&] { return box_ != nullptr; }, deadline);
}

std::vector<std::wstring> StartUpMessage::Texts() const {
    std::vector<std::wstring> texts;
    for (HWND child = GetWindow(box_, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (IsWindowVisible(child) && !TextOf(child).empty()) {
            texts.push_back(TextOf(child));
        }
    }
    std::ranges::sort(texts);
    return texts;
}

int StartUpMessage::Dismiss(bool byButton, Deadline deadline) {
    PostMessageW(box_, byButton ? WM_COMMAND : WM_SYSCOMMAND, byButton ? IDOK : SC_CLOSE, 0);
    return Watch([&] { return !veskor_.Running(); }, deadline) ? veskor_.WaitForExit(deadline) : -1;
}

} // namespace veskor::test
