// The stand-in host's window: plain Win32 labels and edit boxes, laid out at the screen's DPI.
#include "standin_window.h"

#include "text_convert.h"

namespace veskor {

namespace {

constexpr wchar_t kClassName[] = L"VeskorStandinHost";
constexpr int kFirstBoxId = 100;

// Layout in pixels at 96 dpi.
constexpr int kMargin = 12;
constexpr int kLabelWidth = 72;
constexpr int kBoxWidth = 220;
constexpr int kRowHeight = 24;
constexpr int kRowGap = 8;
constexpr int kNoteHeight = 20;

// A box shows at most the beginning of a value: Wine's edit box takes seconds to take in tens of
// kilobytes, and nobody reads a megabyte there. The value served is always the whole one.
constexpr std::size_t kMaxShownBytes = 1024;

} // namespace

StandinWindow::~StandinWindow() {
    Destroy();
    if (font_) {
        DeleteObject(font_);
    }
}

bool StandinWindow::Create(HINSTANCE instance) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = &StandinWindow::Procedure;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    windowClass.hIcon = LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION));
    windowClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    windowClass.lpszClassName = kClassName;
    RegisterClassExW(&windowClass);

    HDC screen = GetDC(nullptr);
    int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    auto scale = [dpi](int pixels) { return MulDiv(pixels, dpi, 96); };

    int rows = static_cast<int>(boxes_.size());
    RECT frame{0, 0, scale(2 * kMargin + kLabelWidth + kBoxWidth),
               scale(2 * kMargin + rows * (kRowHeight + kRowGap) + kNoteHeight)};
    DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    AdjustWindowRectEx(&frame, style, FALSE, 0);
    window_ = CreateWindowExW(0, kClassName, L"MixW stand-in", style, CW_USEDEFAULT, CW_USEDEFAULT,
                              frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                              instance, this);
    if (!window_) {
        return false;
    }

    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
        font_ = CreateFontIndirectW(&metrics.lfMessageFont);
    }

    int top = scale(kMargin);
    for (std::size_t i = 0; i < boxes_.size(); ++i) {
        HWND label =
            CreateWindowExW(0, L"STATIC", ItemName(kHostItems[i]), WS_CHILD | WS_VISIBLE | SS_LEFT,
                            scale(kMargin), top + scale(4), scale(kLabelWidth),
                            scale(kRowHeight - 4), window_, nullptr, instance, nullptr);
        HWND box = CreateWindowExW(
            WS_EX_CLIENTEDGE, L"EDIT", L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL,
            scale(kMargin + kLabelWidth), top, scale(kBoxWidth), scale(kRowHeight), window_,
            reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFirstBoxId + i)), instance, nullptr);
        SendMessageW(box, EM_SETLIMITTEXT, 0, 0); // no limit below the system's
        for (HWND control : {label, box}) {
            SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
        }
        boxes_[i] = box;
        top += scale(kRowHeight + kRowGap);
    }
    HWND note = CreateWindowExW(0, L"STATIC", L"DDE service MixW, topics QSO and CAT",
                                WS_CHILD | WS_VISIBLE | SS_LEFT | SS_ENDELLIPSIS, scale(kMargin),
                                top, scale(kLabelWidth + kBoxWidth), scale(kNoteHeight), window_,
                                nullptr, instance, nullptr);
    SendMessageW(note, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    return true;
}

void StandinWindow::Show(int showCommand) {
    ShowWindow(window_, showCommand);
    SetFocus(boxes_.front());
}

void StandinWindow::Destroy() {
    if (window_) {
        DestroyWindow(window_);
    }
}

void StandinWindow::ShowValue(HostItem item, std::string_view value) {
    if (window_) {
        showingValue_ = true;
        SetWindowTextW(boxes_[static_cast<std::size_t>(item)],
                       WidenAnsi(value.substr(0, kMaxShownBytes)).c_str());
        showingValue_ = false;
    }
}

LRESULT CALLBACK StandinWindow::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<StandinWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!self) {
        return DefWindowProcW(window, message, wParam, lParam);
    }
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        self->window_ = nullptr;
        self->boxes_ = {};
    }
    return self->OnMessage(window, message, wParam, lParam);
}

LRESULT StandinWindow::OnMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND: {
        auto index = static_cast<std::size_t>(LOWORD(wParam) - kFirstBoxId);
        if (HIWORD(wParam) == EN_CHANGE && !showingValue_ && index < boxes_.size()) {
            HWND box = boxes_[index];
            std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(box)) + 1, L'\0');
            text.resize(static_cast<std::size_t>(
                GetWindowTextW(box, text.data(), static_cast<int>(text.size()))));
            listener_.OnOperatorEdit(kHostItems[index], NarrowAnsi(text));
        }
        return 0;
    }
    case kScriptLinesMessage:
        listener_.OnScriptLines();
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

} // namespace veskor
