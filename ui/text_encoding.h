// Conversion between the panel's UTF-8 texts and the UTF-16 texts of the Windows controls.
#pragma once

#include <string>
#include <string_view>

namespace veskor {

// Invalid sequences become U+FFFD; embedded NULs are kept.
std::wstring Utf8ToWide(std::string_view text);
std::string WideToUtf8(std::wstring_view text);

} // namespace veskor
