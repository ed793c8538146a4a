// ANSI code page conversions for the stand-in host; embedded NULs are kept.
#include "text_convert.h"

#include <windows.h>

namespace veskor {

std::wstring WidenAnsi(std::string_view bytes) {
    if (bytes.empty()) {
        return {};
    }
    int size = static_cast<int>(bytes.size());
    int length = MultiByteToWideChar(CP_ACP, 0, bytes.data(), size, nullptr, 0);
    std::wstring text(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, bytes.data(), size, text.data(), length);
    return text;
}

std::string NarrowAnsi(std::wstring_view text) {
    if (text.empty()) {
        return {};
    }
    int size = static_cast<int>(text.size());
    int length = WideCharToMultiByte(CP_ACP, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_ACP, 0, text.data(), size, bytes.data(), length, nullptr, nullptr);
    return bytes;
}

} // namespace veskor
