// Scoped owners of GDI objects and device contexts, so that no path forgets to free one.
#pragma once

#include <windows.h>

#include <memory>
#include <type_traits>

namespace veskor {

struct GdiObjectDeleter {
    void operator()(HGDIOBJ object) const { DeleteObject(object); }
};
using FontOwner = std::unique_ptr<std::remove_pointer_t<HFONT>, GdiObjectDeleter>;

// The screen's device context for the life of the scope; null when Windows refuses it.
class ScreenContext {
public:
    ScreenContext() : context_(GetDC(nullptr)) {}
    ~ScreenContext() {
        if (context_ != nullptr) {
            ReleaseDC(nullptr, context_);
        }
    }
    ScreenContext(const ScreenContext&) = delete;
    ScreenContext& operator=(const ScreenContext&) = delete;

    HDC get() const { return context_; }

private:
    HDC context_;
};

// A GDI object selected into a context for the life of the scope.
class Selection {
public:
    Selection(HDC context, HGDIOBJ object)
        : context_(context), earlier_(SelectObject(context, object)) {}
    ~Selection() { SelectObject(context_, earlier_); }
    Selection(const Selection&) = delete;
    Selection& operator=(const Selection&) = delete;

private:
    HDC context_;
    HGDIOBJ earlier_;
};

} // namespace veskor
