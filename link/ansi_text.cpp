// Conversion of the host's ANSI text values to the panel's UTF-8.
#include "ansi_text.h"

#include <windows.h>

#include <algorithm>
#include <climits>

namespace veskor {

namespace {

std::wstring AnsiToWide(std::string_view bytes) {
    // The conversion functions take int lengths; a value beyond that range is cut there.
    const int length = static_cast<int>(std::min<std::size_t>(bytes.size(), INT_MAX));
    const int wideLength = MultiByteToWideChar(CP_ACP, 0, bytes.data(), length, nullptr, 0);
    if (wideLength <= 0) {
        return {};
    }
    std::wstring wide(static_cast<std::size_t>(wideLength), L'\0');
    MultiByteToWideChar(CP_ACP, 0, bytes.data(), length, wide.data(), wideLength);
    return wide;
}

std::string WideToUtf8(std::wstring_view wide) {
    const int length = static_cast<int>(wide.size());
    const int utf8Length =
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, nullptr, 0, nullptr, nullptr);
    if (utf8Length <= 0) {
        return {};
    }
    std::string utf8(static_cast<std::size_t>(utf8Length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, utf8.data(), utf8Length, nullptr, nullptr);
    return utf8;
}

} // namespace

std::string AnsiTextToUtf8(std::string_view bytes) {
    // Hosts usually end the value with a NUL, but need not: the size given is the limit.
    bytes = bytes.substr(0, bytes.find('\0'));
    if (bytes.empty()) {
        return {};
    }
    return WideToUtf8(AnsiToWide(bytes));
}

} // namespace veskor
