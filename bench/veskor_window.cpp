// Reading and working Veskor's controls from another process.
#include "veskor_window.h"

#include <algorithm>
#include <vector>

namespace veskor::bench {
namespace {

// A window that stops answering fails the reading instead of stopping the bench.
constexpr UINT kAnswerTimeoutMs = 10000;

LRESULT Ask(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(window, message, wParam, lParam, SMTO_NORMAL, kAnswerTimeoutMs,
                             &result)) {
        return -1;
    }
    return static_cast<LRESULT>(result);
}

} // namespace

VeskorWindow VeskorWindow::Find(DWORD processId) {
    struct Search {
        DWORD processId;
        HWND found;
    } search{processId, nullptr};
    EnumWindows(
        [](HWND window, LPARAM parameter) -> BOOL {
            auto& search = *reinterpret_cast<Search*>(parameter);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            wchar_t className[64] = {};
            GetClassNameW(window, className, 64);
            if (owner != search.processId || !IsWindowVisible(window) ||
                wcscmp(className, kMainWindowClass) != 0) {
                return TRUE;
            }
            search.found = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return VeskorWindow(search.found);
}

HWND VeskorWindow::Control(ControlId control) const {
    const auto index = static_cast<size_t>(static_cast<int>(control) - kFirstId);
    if (index >= controls_.size()) {
        return nullptr;
    }
    if (!controls_[index]) {
        // A control may be a child of its group box rather than of the window itself.
        struct Search {
            int id;
            HWND found;
        } search{static_cast<int>(control), nullptr};
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
        controls_[index] = search.found;
    }
    return controls_[index];
}

std::string VeskorWindow::Text(ControlId control) const {
    const HWND box = Control(control);
    const LRESULT length = Ask(box, WM_GETTEXTLENGTH, 0, 0);
    if (length <= 0) {
        return {};
    }
    std::vector<wchar_t> wide(static_cast<size_t>(length) + 1);
    const LRESULT copied = Ask(box, WM_GETTEXT, wide.size(), reinterpret_cast<LPARAM>(wide.data()));
    if (copied <= 0) {
        return {};
    }
    const int size = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(copied), nullptr,
                                         0, nullptr, nullptr);
    std::string text(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(copied), text.data(), size,
                        nullptr, nullptr);
    return text;
}

bool VeskorWindow::ShowsShortText(ControlId control, const std::string& text) const {
    wchar_t shown[64] = {};
    const LRESULT copied = Ask(Control(control), WM_GETTEXT, 64, reinterpret_cast<LPARAM>(shown));
    if (copied < 0 || static_cast<size_t>(copied) != text.size() || text.size() >= 64) {
        return false;
    }
    return std::equal(text.begin(), text.end(), shown,
                      [](char narrow, wchar_t wide) { return wchar_t(narrow) == wide; });
}

bool VeskorWindow::Checked(ControlId control) const {
    return Ask(Control(control), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void VeskorWindow::Click(ControlId control) const {
    Ask(Control(control), BM_CLICK, 0, 0);
}

} // namespace veskor::bench
