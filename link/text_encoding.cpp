// Text conversion through MultiByteToWideChar and WideCharToMultiByte.
#include "text_encoding.h"

#include <windows.h>

#include <climits>
#include <stdexcept>

namespace veskor {

namespace {

// Converting to nothing would blank the box the text is for: the caller keeps what it had.
[[noreturn]] void Unconvertible() {
    throw std::length_error("text too long to convert");
}

std::wstring ToWide(UINT codePage, std::string_view text) {
    if (text.empty()) {
        return {};
    }
    if (text.size() > INT_MAX) {
        Unconvertible();
    }
    const int length = static_cast<int>(text.size());
    const int wideLength = MultiByteToWideChar(codePage, 0, text.data(), length, nullptr, 0);
    if (wideLength <= 0) {
        Unconvertible();
    }
    std::wstring wide(static_cast<std::size_t>(wideLength), L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), length, wide.data(), wideLength);
    return wide;
}

} // namespace

std::wstring Utf8ToWide(std::string_view text) {
    return ToWide(CP_UTF8, text);
}

std::string WideToUtf8(std::wstring_view text) {
    if (text.empty()) {
        return {};
    }
    if (text.size() > INT_MAX) {
        Unconvertible();
    }
    const int length = static_cast<int>(text.size());
    const int utf8Length =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    if (utf8Length <= 0) {
        Unconvertible();
    }
    std::string utf8(static_cast<std::size_t>(utf8Length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), length, utf8.data(), utf8Length, nullptr, nullptr);
    return utf8;
}

std::string AnsiTextToUtf8(std::string_view bytes) {
    // Hosts usually end the value with a NUL, but need not: the size given is the limit.
    return WideToUtf8(ToWide(CP_ACP, bytes.substr(0, bytes.find('\0'))));
}

} // namespace veskor
