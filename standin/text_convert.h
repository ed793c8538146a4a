// Conversion between the host's values (bytes in the system ANSI code page) and window text.
#pragma once

#include <string>
#include <string_view>

namespace veskor {

std::wstring WidenAnsi(std::string_view bytes);
std::string NarrowAnsi(std::wstring_view text);

} // namespace veskor
