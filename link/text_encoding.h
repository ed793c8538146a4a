// Every text conversion of the program: the host's ANSI values, the panel's UTF-8 and the UTF-16
// of Windows (DDEML names, the window's controls), through the Windows code-page functions.
#pragma once

#include <string>
#include <string_view>

namespace veskor {

// Invalid sequences become U+FFFD; embedded NULs are kept. A text that the Windows functions
// cannot take (beyond INT_MAX units, or a result beyond it) throws std::length_error, as a text
// too big for the memory left throws: the caller keeps what it had, never an empty text.
std::wstring Utf8ToWide(std::string_view text);
std::string WideToUtf8(std::wstring_view text);

// A host value as panel text: everything before the first NUL in `bytes`, or all of it when there
// is none, from the system ANSI code page to UTF-8. Carriage returns and line feeds stay.
std::string AnsiTextToUtf8(std::string_view bytes);

} // namespace veskor
