// Text values as the host sends them (clipboard text in the ANSI code page), made panel text.
#pragma once

#include <string>
#include <string_view>

namespace veskor {

// The value held in `bytes`: everything before the first NUL, or all of it when there is none,
// converted from the system ANSI code page to UTF-8. Carriage returns and line feeds stay.
std::string AnsiTextToUtf8(std::string_view bytes);

} // namespace veskor
