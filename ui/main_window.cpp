// The main window: its messages, and the binding of its controls to the panel's fields.
#include "main_window.h"

#include "control_kind.h"
#include "dpi.h"
#include "resource_id.h"
#include "text_encoding.h"

#include <exception>
#include <string>
#include <system_error>
#include <utility>

namespace veskor {

namespace {

constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr DWORD kWindowExtendedStyle = 0;

SIZE ClientSize(UINT dpi) {
    return SIZE{TwipsToPixels(kClientWidthTwips, dpi), TwipsToPixels(kClientHeightTwips, dpi)};
}

[[noreturn]] void ThrowLastError(const char* what) {
    throw std::system_error(static_cast<int>(GetLastError()), std::system_category(), what);
}

std::wstring WindowText(HWND window) {
    const int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const int copied = GetWindowTextW(window, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
    return text;
}

void RegisterWindowClass(HINSTANCE instance, WNDPROC procedure) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    if (GetClassInfoExW(instance, kMainWindowClass, &windowClass)) {
        return;
    }
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(VESKOR_ICON));
    windowClass.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(VESKOR_ICON),
                                                        IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                                        GetSystemMetrics(SM_CYSMICON), 0));
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kMainWindowClass;
    if (!RegisterClassExW(&windowClass)) {
        ThrowLastError("RegisterClassExW");
    }
}

// Sets a flag for the life of a scope and restores its earlier value afterwards.
class FlagScope {
public:
    explicit FlagScope(bool& flag) : flag_(flag), earlier_(flag) { flag_ = true; }
    ~FlagScope() { flag_ = earlier_; }
    FlagScope(const FlagScope&) = delete;
    FlagScope& operator=(const FlagScope&) = delete;

private:
    bool& flag_;
    bool earlier_;
};

} // namespace

MainWindow::MainWindow(HINSTANCE instance, StationPanel& panel) : panel_(panel) {
    RegisterWindowClass(instance, &MainWindow::WindowProcedure);
    // The size is set once the window knows its density.
    CreateWindowExW(kWindowExtendedStyle, kMainWindowClass, kMainWindowCaption, kWindowStyle,
                    CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr,
                    instance, this);
    if (!window_) {
        ThrowLastError("CreateWindowExW");
    }
    try {
        controls_.Create(window_);
        ApplyDpi(WindowDpi(window_));
    } catch (...) {
        DestroyWindow(window_);
        throw;
    }
    staleFields_.set();
    ShowPendingChanges();
    panel_.SetObserver([this](PanelField field) { NoteChange(field); });
    lastFocus_ = Control(ControlId::CheckDipoleNS);
    bound_ = true;
}

MainWindow::~MainWindow() {
    bound_ = false;
    panel_.SetObserver({});
    if (window_) {
        DestroyWindow(window_);
    }
}

void MainWindow::ApplyDpi(UINT dpi) {
    const SIZE outer = OuterSizeForClient(ClientSize(dpi), kWindowStyle, kWindowExtendedStyle, dpi);
    RECT place{};
    GetWindowRect(window_, &place);
    LayOut(dpi, RECT{place.left, place.top, place.left + outer.cx, place.top + outer.cy});
}

void MainWindow::LayOut(UINT dpi, const RECT& outer) {
    dpi_ = dpi;
    controls_.Lay(dpi);
    // One move: a window that first took its new size where it stood could spread onto another
    // monitor and set off another change of density.
    SetWindowPos(window_, nullptr, outer.left, outer.top, outer.right - outer.left,
                 outer.bottom - outer.top, SWP_NOZORDER | SWP_NOACTIVATE);
    // The frame can differ from the one the rectangle was made for (a density set for testing
    // rather than by the monitor, or a window manager's own frame): the client area is measured
    // and, only where it differs, the size is corrected by the difference, at the same place.
    const SIZE client = ClientSize(dpi);
    RECT shown{};
    GetClientRect(window_, &shown);
    if (shown.right != client.cx || shown.bottom != client.cy) {
        RECT placed{};
        GetWindowRect(window_, &placed);
        SetWindowPos(window_, nullptr, 0, 0, placed.right - placed.left + client.cx - shown.right,
                     placed.bottom - placed.top + client.cy - shown.bottom,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    RedrawWindow(window_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void MainWindow::Show(int showCommand) {
    // What the start-up deliveries changed is shown before the window is.
    ShowPendingChanges();
    ShowWindow(window_, showCommand);
    UpdateWindow(window_);
    lastFocus_ = Control(ControlId::CheckDipoleNS);
    // Shown without activation (minimized, say), the window leaves the focus where it is; the
    // control takes it when the window is activated.
    if (GetActiveWindow() == window_) {
        SetFocus(lastFocus_);
    }
}

bool MainWindow::TakeKeyboardMessage(MSG& message) {
    return window_ && bound_ && IsDialogMessageW(window_, &message);
}

LRESULT CALLBACK MainWindow::WindowProcedure(HWND window, UINT message, WPARAM wParam,
                                             LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* self =
            static_cast<MainWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->window_ = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!self) {
        return DefWindowProcW(window, message, wParam, lParam);
    }
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        self->window_ = nullptr;
        return DefWindowProcW(window, message, wParam, lParam);
    }
    // No exception may cross back into the system. One can come only for want of memory (an
    // operator's edit of a huge text, copied on its way to the panel): that message is then
    // handled as far as it got, and the window goes on.
    try {
        return self->HandleMessage(message, wParam, lParam);
    } catch (const std::exception&) {
        return 0;
    }
}

LRESULT MainWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
        NoteFocus(HIWORD(wParam), reinterpret_cast<HWND>(lParam));
        HandleCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
        return 0;
    case WM_DPICHANGED:
        if (bound_) {
            LayOut(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
        }
        return 0;
    case WM_ACTIVATE:
        // A plain window does not remember its focused child across deactivation; this one does.
        if (LOWORD(wParam) == WA_INACTIVE && IsChild(window_, GetFocus())) {
            lastFocus_ = GetFocus();
        }
        break;
    case WM_SETFOCUS:
        if (bound_ && lastFocus_) {
            SetFocus(lastFocus_);
        }
        return 0;
    case kShowChangesMessage:
        showQueued_ = false;
        ShowPendingChanges();
        return 0;
    case WM_DESTROY:
        bound_ = false;
        panel_.SetObserver({});
        PostQuitMessage(0);
        return 0;
    default:
        break;
    }
    return DefWindowProcW(window_, message, wParam, lParam);
}

void MainWindow::HandleCommand(int id, int notification, HWND control) {
    if (!bound_ || showingPanelChange_) {
        return;
    }
    if (!control) {
        // From the keyboard handling: Enter sends IDOK, Escape IDCANCEL. No button is the default
        // or the cancel button, so Enter presses only a focused push button, and Escape does
        // nothing (it never closes the window).
        if (id == IDOK) {
            Press(GetFocus());
        }
        return;
    }
    const ControlRow* row = controls_.RowOf(control);
    if (row == nullptr || static_cast<int>(row->id) != id ||
        KindOf(row->kind).changed != notification) {
        return;
    }
    if (row->field) {
        ForwardToPanel(*row->field, control);
    } else {
        Press(control);
    }
}

// A text box tells its parent when it gains the keyboard focus and when it loses it.
void MainWindow::NoteFocus(int notification, HWND control) {
    if (notification == EN_SETFOCUS) {
        focusedBox_ = control;
    } else if (notification == EN_KILLFOCUS && focusedBox_ == control) {
        focusedBox_ = nullptr;
    }
}

// Switch! and Rotate!, clicked or pressed with Enter or Space while focused.
void MainWindow::Press(HWND button) {
    const ControlRow* row = controls_.RowOf(button);
    if (row != nullptr && row->action != nullptr) {
        (panel_.*(row->action))();
    }
}

void MainWindow::ForwardToPanel(PanelField field, HWND control) {
    if (IsTextField(field)) {
        panel_.SetText(field, WideToUtf8(WindowText(control)));
    } else {
        panel_.SetFlag(field, SendMessageW(control, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0);
    }
}

void MainWindow::NoteChange(PanelField field) {
    staleFields_.set(FieldIndex(field));
    // The event loop shows what a host message changed when its run of host messages ends.
    // Elsewhere (a change by the operator, a value delivered inside another loop: the window being
    // moved, a DDE transaction's own wait) one reminder at a time is queued behind whatever is
    // waiting. Should the queue be full, the next change tries again.
    if (!loop_.InHostTraffic() && !showQueued_) {
        showQueued_ = PostMessageW(window_, kShowChangesMessage, 0, 0) != FALSE;
    }
}

void MainWindow::ShowPendingChanges() {
    if (staleFields_.none()) {
        return;
    }
    const auto stale = std::exchange(staleFields_, {});
    for (std::size_t field = 0; field < kPanelFieldCount; ++field) {
        if (stale.test(field) && !TryShowField(static_cast<PanelField>(field))) {
            staleFields_.set(field);
        }
    }
}

// A text too big for the memory left, or for the conversion, is not shown this time: its control
// keeps the last text it showed, the window goes on, and the next show (at the next event) tries
// again.
bool MainWindow::TryShowField(PanelField field) {
    try {
        ShowField(field);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

void MainWindow::ShowField(PanelField field) {
    HWND control = controls_.ControlOf(field);
    FlagScope showing(showingPanelChange_);
    if (!IsTextField(field)) {
        const WPARAM wanted = panel_.Flag(field) != 0 ? BST_CHECKED : BST_UNCHECKED;
        if (static_cast<WPARAM>(SendMessageW(control, BM_GETCHECK, 0, 0)) != wanted) {
            SendMessageW(control, BM_SETCHECK, wanted, 0);
        }
        return;
    }
    const std::wstring shown = Utf8ToWide(panel_.Text(field));
    if (WindowText(control) == shown) {
        return;
    }
    // A text with a line break goes into the box as it is: the box holds it whole, so the
    // operator's next edit forwards it whole too. How a single-line box draws the break (as
    // nothing or as a box mark) is the system's.
    SetWindowTextW(control, shown.c_str());
    // In the box being typed in, the caret goes to the end of the new text, as after typing it.
    if (focusedBox_ == control) {
        const auto end = static_cast<WPARAM>(GetWindowTextLengthW(control));
        SendMessageW(control, EM_SETSEL, end, static_cast<LPARAM>(end));
    }
}

} // namespace veskor
