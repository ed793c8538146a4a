// The main window: its controls, their layout by screen density, and their binding to the panel.
#include "main_window.h"

#include "control_font.h"
#include "control_table.h"
#include "dpi.h"
#include "resource_id.h"
#include "text_encoding.h"

#include <dde.h>

#include <string>
#include <system_error>
#include <utility>

namespace veskor {

namespace {

constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr DWORD kWindowExtendedStyle = 0;

// Which panel field each control shows and edits.
struct Binding {
    ControlId control;
    PanelField field;
};

constexpr Binding kBindings[] = {
    {ControlId::TextKhz, PanelField::FrequencyText},
    {ControlId::TextAz, PanelField::AzimuthText},
    {ControlId::TextCommand, PanelField::CommandText},
    {ControlId::TextBearing, PanelField::BearingText},
    {ControlId::CheckDipoleNS, PanelField::IndicatorDipoleNS},
    {ControlId::CheckDipoleEW, PanelField::IndicatorDipoleEW},
    {ControlId::CheckBeam, PanelField::IndicatorBeam},
    {ControlId::CheckLW, PanelField::IndicatorLongWire},
    {ControlId::CheckAutoSwitch, PanelField::AutoSwitch},
    {ControlId::CheckAutoRotate, PanelField::AutoRotate},
};

const Binding* BindingOfControl(ControlId id) {
    for (const Binding& binding : kBindings) {
        if (binding.control == id) {
            return &binding;
        }
    }
    return nullptr;
}

std::size_t FieldIndex(PanelField field) {
    return static_cast<std::size_t>(field);
}

// Host traffic: the messages in which DDE delivers a linked value. A burst of them may wait in the
// queue; the controls need not follow each one.
bool IsHostTraffic(const MSG& message) {
    return message.message >= WM_DDE_FIRST && message.message <= WM_DDE_LAST;
}

std::wstring WindowText(HWND window) {
    const int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const int copied = GetWindowTextW(window, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
    return text;
}

struct ControlClass {
    const wchar_t* name;
    DWORD style;
    DWORD extendedStyle;
};

// Every control starts a group of its own, so the arrow keys never move the focus; labels never
// wrap, so a caption that did not fit would show as clipped rather than as a second line.
ControlClass ClassOf(ControlKind kind) {
    switch (kind) {
    case ControlKind::GroupBox:
        // Clipped by its siblings: it lies behind the controls it encloses and never paints over
        // them.
        return {L"BUTTON", BS_GROUPBOX | WS_CLIPSIBLINGS, 0};
    case ControlKind::Label:
        return {L"STATIC", SS_LEFTNOWORDWRAP | SS_NOPREFIX, 0};
    case ControlKind::TextBox:
        return {L"EDIT", ES_LEFT | ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE};
    case ControlKind::CheckBox:
        return {L"BUTTON", BS_AUTOCHECKBOX | WS_TABSTOP, 0};
    case ControlKind::PushButton:
        break;
    }
    return {L"BUTTON", BS_PUSHBUTTON | WS_TABSTOP, 0};
}

std::size_t TableIndex(ControlId id) {
    const auto table = ControlTable();
    for (std::size_t index = 0; index < table.size(); ++index) {
        if (table[index].id == id) {
            return index;
        }
    }
    return table.size();
}

void RegisterWindowClass(HINSTANCE instance, WNDPROC procedure) {
    WNDCLASSEXW existing{};
    existing.cbSize = sizeof existing;
    if (GetClassInfoExW(instance, kMainWindowClass, &existing)) {
        return;
    }
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
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
        throw std::system_error(static_cast<int>(GetLastError()), std::system_category(),
                                "RegisterClassExW");
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
        throw std::system_error(static_cast<int>(GetLastError()), std::system_category(),
                                "CreateWindowExW");
    }
    try {
        CreateControls();
        ApplyDpi(WindowDpi(window_));
        ShowAllFields();
    } catch (...) {
        DestroyWindow(window_);
        if (font_) {
            DeleteObject(font_);
        }
        throw;
    }
    panel_.SetObserver([this](PanelField field) { NoteChange(field); });
    lastFocus_ = Control(ControlId::CheckDipoleNS);
    formed_ = true;
}

MainWindow::~MainWindow() {
    formed_ = false;
    panel_.SetObserver({});
    if (window_) {
        DestroyWindow(window_);
    }
    if (font_) {
        DeleteObject(font_);
    }
}

HWND MainWindow::Control(ControlId id) const {
    const std::size_t index = TableIndex(id);
    return index < controls_.size() ? controls_[index] : nullptr;
}

void MainWindow::CreateControls() {
    const auto table = ControlTable();
    for (const ControlRow* row : CreationOrder()) {
        const ControlClass controlClass = ClassOf(row->kind);
        const std::wstring caption(row->caption);
        HWND control = CreateWindowExW(
            controlClass.extendedStyle, controlClass.name, caption.c_str(),
            WS_CHILD | WS_VISIBLE | WS_GROUP | controlClass.style, 0, 0, 0, 0, window_,
            reinterpret_cast<HMENU>(static_cast<INT_PTR>(row->id)),
            reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(window_, GWLP_HINSTANCE)), nullptr);
        if (!control) {
            throw std::system_error(static_cast<int>(GetLastError()), std::system_category(),
                                    "CreateWindowExW");
        }
        if (row->kind == ControlKind::TextBox) {
            // The largest limit, so that no text from the host is cut short.
            SendMessageW(control, EM_LIMITTEXT, 0, 0);
        }
        controls_[static_cast<std::size_t>(row - table.data())] = control;
    }
}

void MainWindow::ApplyDpi(UINT dpi) {
    HFONT font = CreateControlFont(dpi);
    for (HWND control : controls_) {
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }
    if (font_) {
        DeleteObject(font_);
    }
    font_ = font;
    dpi_ = dpi;

    PlaceControls();
    SizeClientArea();
    RedrawWindow(window_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void MainWindow::SizeClientArea() {
    const SIZE client{TwipsToPixels(kClientWidthTwips, dpi_),
                      TwipsToPixels(kClientHeightTwips, dpi_)};
    SIZE outer = OuterSizeForClient(client, kWindowStyle, kWindowExtendedStyle, dpi_);
    SetWindowPos(window_, nullptr, 0, 0, outer.cx, outer.cy,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    // The frame can differ from the computed one (a density set for testing rather than by the
    // monitor, or a window manager's own frame): measure the result and correct by the difference.
    RECT shown{};
    GetClientRect(window_, &shown);
    if (shown.right != client.cx || shown.bottom != client.cy) {
        outer.cx += client.cx - shown.right;
        outer.cy += client.cy - shown.bottom;
        SetWindowPos(window_, nullptr, 0, 0, outer.cx, outer.cy,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void MainWindow::PlaceControls() {
    const auto table = ControlTable();
    for (std::size_t index = 0; index < table.size(); ++index) {
        const ControlRow& row = table[index];
        // Edges are rounded rather than sizes, so that controls which meet in twips meet on screen.
        const int left = TwipsToPixels(row.left, dpi_);
        const int top = TwipsToPixels(row.top, dpi_);
        const int right = TwipsToPixels(row.left + row.width, dpi_);
        const int bottom = TwipsToPixels(row.top + row.height, dpi_);
        MoveWindow(controls_[index], left, top, right - left, bottom - top, FALSE);
    }
}

void MainWindow::Show(int showCommand) {
    // What the start-up deliveries changed is shown before the window is.
    ShowPendingChanges();
    ShowWindow(window_, showCommand);
    UpdateWindow(window_);
    lastFocus_ = Control(ControlId::CheckDipoleNS);
    SetFocus(lastFocus_);
}

bool MainWindow::HandleKeyboardMessage(MSG& message) {
    return window_ && formed_ && IsDialogMessageW(window_, &message);
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
    return self->HandleMessage(message, wParam, lParam);
}

LRESULT MainWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
        HandleCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
        return 0;
    case WM_DPICHANGED:
        if (formed_) {
            ApplyDpi(HIWORD(wParam));
            const auto* suggested = reinterpret_cast<const RECT*>(lParam);
            SetWindowPos(window_, nullptr, suggested->left, suggested->top, 0, 0,
                         SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
        return 0;
    case WM_ACTIVATE:
        // A plain window does not remember its focused child across deactivation; this one does.
        if (LOWORD(wParam) == WA_INACTIVE) {
            HWND focus = GetFocus();
            if (focus && IsChild(window_, focus)) {
                lastFocus_ = focus;
            }
        }
        break;
    case WM_SETFOCUS:
        if (formed_ && lastFocus_) {
            SetFocus(lastFocus_);
        }
        return 0;
    case kShowChangesMessage:
        showQueued_ = false;
        ShowPendingChanges();
        return 0;
    case WM_DESTROY:
        formed_ = false;
        panel_.SetObserver({});
        PostQuitMessage(0);
        return 0;
    default:
        break;
    }
    return DefWindowProcW(window_, message, wParam, lParam);
}

void MainWindow::HandleCommand(int id, int notification, HWND control) {
    if (!formed_ || showingPanelChange_) {
        return;
    }
    if (!control) {
        // From the keyboard handling: Enter sends IDOK, Escape IDCANCEL. No button is the default
        // or the cancel button, so Enter presses only a focused push button, and Escape does
        // nothing (it never closes the window).
        if (id == IDOK) {
            PressFocusedButton();
        }
        return;
    }
    const auto controlId = static_cast<ControlId>(id);
    if (control != Control(controlId)) {
        return;
    }
    switch (FindControl(controlId).kind) {
    case ControlKind::TextBox:
        if (notification == EN_CHANGE) {
            ForwardToPanel(controlId);
        }
        break;
    case ControlKind::CheckBox:
        if (notification == BN_CLICKED) {
            ForwardToPanel(controlId);
        }
        break;
    case ControlKind::PushButton:
        if (notification == BN_CLICKED && controlId == ControlId::CommandSwitch) {
            panel_.SwitchAntenna();
        } else if (notification == BN_CLICKED && controlId == ControlId::CommandRotate) {
            panel_.RotateBeam();
        }
        break;
    default:
        break;
    }
}

void MainWindow::PressFocusedButton() {
    HWND focus = GetFocus();
    if (focus && focus == Control(ControlId::CommandSwitch)) {
        panel_.SwitchAntenna();
    } else if (focus && focus == Control(ControlId::CommandRotate)) {
        panel_.RotateBeam();
    }
}

void MainWindow::ForwardToPanel(ControlId id) {
    const Binding* binding = BindingOfControl(id);
    if (!binding) {
        return;
    }
    HWND control = Control(id);
    if (IsTextField(binding->field)) {
        panel_.SetText(binding->field, WideToUtf8(WindowText(control)));
    } else {
        const bool ticked = SendMessageW(control, BM_GETCHECK, 0, 0) == BST_CHECKED;
        panel_.SetFlag(binding->field, ticked ? 1 : 0);
    }
}

void MainWindow::NoteChange(PanelField field) {
    staleFields_.set(FieldIndex(field));
    // The event loop shows what a host message changed when its run of host messages ends.
    // Elsewhere (a change by the operator, a value delivered inside another loop: the window being
    // moved, a DDE transaction's own wait) one reminder at a time is queued behind whatever is
    // waiting. Should the queue be full, the next change tries again.
    if (!handlingHostTraffic_ && !showQueued_) {
        showQueued_ = PostMessageW(window_, kShowChangesMessage, 0, 0) != FALSE;
    }
}

void MainWindow::ShowPendingChanges() {
    if (staleFields_.none()) {
        return;
    }
    const auto stale = std::exchange(staleFields_, {});
    for (const Binding& binding : kBindings) {
        if (stale.test(FieldIndex(binding.field))) {
            ShowField(binding.control, binding.field);
        }
    }
}

void MainWindow::ShowField(ControlId id, PanelField field) {
    HWND control = Control(id);
    FlagScope showing(showingPanelChange_);
    if (IsTextField(field)) {
        const std::wstring shown = Utf8ToWide(panel_.Text(field));
        if (WindowText(control) == shown) {
            return;
        }
        // A text with a line break goes into the box as it is: the box holds it whole, so the
        // operator's next edit forwards it whole too. How a single-line box draws the break (as
        // nothing or as a box mark) is the system's.
        SetWindowTextW(control, shown.c_str());
        // In the box being typed in, the caret goes to the end of the new text, as after typing it.
        if (GetFocus() == control) {
            const auto end = static_cast<WPARAM>(GetWindowTextLengthW(control));
            SendMessageW(control, EM_SETSEL, end, static_cast<LPARAM>(end));
        }
        return;
    }
    const WPARAM wanted = panel_.Flag(field) != 0 ? BST_CHECKED : BST_UNCHECKED;
    if (static_cast<WPARAM>(SendMessageW(control, BM_GETCHECK, 0, 0)) != wanted) {
        SendMessageW(control, BM_SETCHECK, wanted, 0);
    }
}

void MainWindow::ShowAllFields() {
    staleFields_.set();
    ShowPendingChanges();
}

int MainWindow::RunEventLoop() {
    MSG message;
    // The last message handled was host traffic: its changes may not be shown yet.
    bool inHostRun = false;
    for (;;) {
        // Within a run of host messages the next message is taken without waiting, which costs
        // nothing more than waiting for it would. Finding none ends the run: its last values are
        // shown then, before the loop waits.
        if (!inHostRun || !PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (std::exchange(inHostRun, false)) {
                ShowPendingChanges();
            }
            if (GetMessageW(&message, nullptr, 0, 0) <= 0) {
                break;
            }
        } else if (message.message == WM_QUIT) {
            break;
        }
        // Host traffic may pile up behind the window's back. Anything else, the operator's keys and
        // clicks and the painting above all, must meet the controls as the panel has them.
        inHostRun = IsHostTraffic(message);
        if (!inHostRun) {
            ShowPendingChanges();
        }
        handlingHostTraffic_ = inHostRun;
        // A host message is no key: the keyboard handling has nothing to do with it.
        if (inHostRun) {
            DispatchMessageW(&message);
        } else if (!HandleKeyboardMessage(message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        handlingHostTraffic_ = false;
    }
    return 0;
}

} // namespace veskor
