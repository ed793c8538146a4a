// The stand-in host's window: plain Win32 labels and edit boxes, laid out at the screen's DPI.
#include "standin_window.h"

#include "text_convert.h"

namespace veskor {
namespace {

constexpr wchar_t kClassName[] = L"VeskorStandinHost";

// Layout in pixels at 96 dpi.
constexpr int kMargin = 12, kLabelWidth = 72, kBoxWidth = 220; // across
constexpr int kRowHeight = 24, kRowGap = 8, kNoteHeight = 20;  // down

// A box shows at most the beginning of a value: Wine's edit box takes seconds to take in tens of
// kilobytes, and nobody reads a megabyte there. The value served is always the whole one.
constexpr std::size_t kMaxShownBytes = 1024;

StandinWindow* theWindow = nullptr;

int ScreenDpi() {
    const auto release = [](HDC dc) { ReleaseDC(nullptr, dc); };
    std::unique_ptr<std::remove_pointer_t<HDC>, decltype(release)> screen(GetDC(nullptr), release);
    return GetDeviceCaps(screen.get(), LOGPIXELSY);
}

} // namespace

StandinWindow::~StandinWindow() {
    Destroy();
    theWindow = nullptr;
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

    const int dpi = ScreenDpi();
    const int rows = static_cast<int>(boxes_.size());
    RECT frame{0, 0, MulDiv(2 * kMargin + kLabelWidth + kBoxWidth, dpi, 96),
               MulDiv(2 * kMargin + rows * (kRowHeight + kRowGap) + kNoteHeight, dpi, 96)};
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    AdjustWindowRectEx(&frame, style, FALSE, 0);
    theWindow = this;
    window_ = CreateWindowExW(0, kClassName, L"MixW stand-in", style, CW_USEDEFAULT, CW_USEDEFAULT,
                              frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                              instance, nullptr);
    if (window_) {
        CreateControls(instance, dpi);
    }
    return window_ != nullptr;
}

void StandinWindow::CreateControls(HINSTANCE instance, int dpi) {
    const auto scale = [dpi](int pixels) { return MulDiv(pixels, dpi, 96); };
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
        font_.reset(CreateFontIndirectW(&metrics.lfMessageFont));
    }
    int top = scale(kMargin);
    for (std::size_t i = 0; i < boxes_.size(); ++i) {
        AddControl(instance, 0, L"STATIC", ItemName(kHostItems[i]), SS_LEFT,
                   {scale(kMargin), top + scale(4), scale(kLabelWidth), scale(kRowHeight - 4)});
        boxes_[i] =
            AddControl(instance, WS_EX_CLIENTEDGE, L"EDIT", L"", WS_TABSTOP | ES_AUTOHSCROLL,
                       {scale(kMargin + kLabelWidth), top, scale(kBoxWidth), scale(kRowHeight)},
                       kStandinFirstBoxId + static_cast<int>(i));
        SendMessageW(boxes_[i], EM_SETLIMITTEXT, 0, 0); // no limit below the system's
        top += scale(kRowHeight + kRowGap);
    }
    AddControl(instance, 0, L"STATIC", L"DDE service MixW, topics QSO and CAT",
               SS_LEFT | SS_ENDELLIPSIS,
               {scale(kMargin), top, scale(kLabelWidth + kBoxWidth), scale(kNoteHeight)});
}

HWND StandinWindow::AddControl(HINSTANCE instance, DWORD exStyle, const wchar_t* kind,
                               const wchar_t* text, DWORD style, Place place, int id) {
    HWND control =
        CreateWindowExW(exStyle, kind, text, WS_CHILD | WS_VISIBLE | style, place.left, place.top,
                        place.width, place.height, window_,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
    return control;
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
    return theWindow ? theWindow->OnMessage(window, message, wParam, lParam)
                     : DefWindowProcW(window, message, wParam, lParam);
}

LRESULT StandinWindow::OnMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
        if (HIWORD(wParam) == EN_CHANGE && !showingValue_) {
            OnEdit(static_cast<std::size_t>(LOWORD(wParam) - kStandinFirstBoxId));
        }
        return 0;
    case kScriptLineMessage:
        listener_.OnScriptLine(reinterpret_cast<const ScriptLine*>(lParam));
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case WM_NCDESTROY:
        window_ = nullptr;
        boxes_ = {};
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void StandinWindow::OnEdit(std::size_t index) {
    if (index < boxes_.size()) {
        HWND box = boxes_[index];
        std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(box)) + 1, L'\0');
        text.resize(static_cast<std::size_t>(
            GetWindowTextW(box, text.data(), static_cast<int>(text.size()))));
        listener_.OnOperatorEdit(kHostItems[index], NarrowAnsi(text));
    }
}

} // namespace veskor
