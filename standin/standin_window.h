// The stand-in host's window: a labelled box for each item, showing its value and publishing
// every edit the operator makes at once.
#pragma once

#include "dde_host.h"

#include <windows.h>

#include <array>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>

namespace veskor {

struct ScriptLine;

// The control ID of the box showing an item: its index in kHostItems added to this.
inline constexpr int kStandinFirstBoxId = 100;

// The program has this one window, so its procedure finds it without a pointer in the window.
class StandinWindow {
public:
    class Listener {
    public:
        // The operator changed an item's box; `value` is its whole new text.
        virtual void OnOperatorEdit(HostItem item, std::string value) = 0;
        // A script line, sent by the script reader; null once the input has ended.
        virtual void OnScriptLine(const ScriptLine* line) = 0;

    protected:
        ~Listener() = default;
    };

    static constexpr UINT kScriptLineMessage = WM_APP + 1;

    explicit StandinWindow(Listener& listener) : listener_(listener) {}
    ~StandinWindow();
    StandinWindow(const StandinWindow&) = delete;
    StandinWindow& operator=(const StandinWindow&) = delete;

    // Creates the window and its controls, not yet shown.
    bool Create(HINSTANCE instance);
    void Show(int showCommand);
    void Destroy();
    // Puts an item's value into its box; not taken for an operator edit.
    void ShowValue(HostItem item, std::string_view value);
    HWND Handle() const { return window_; }

private:
    struct DeleteFont {
        void operator()(HFONT font) const { DeleteObject(font); }
    };

    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void CreateControls(HINSTANCE instance, int dpi);
    struct Place {
        int left, top, width, height;
    };
    HWND AddControl(HINSTANCE instance, DWORD exStyle, const wchar_t* kind, const wchar_t* text,
                    DWORD style, Place place, int id = 0);
    void OnEdit(std::size_t index);

    Listener& listener_;
    HWND window_ = nullptr;
    std::unique_ptr<std::remove_pointer_t<HFONT>, DeleteFont> font_;
    std::array<HWND, std::size(kHostItems)> boxes_{};
    bool showingValue_ = false;
};

} // namespace veskor
