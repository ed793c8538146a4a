// Screen density of a window, and the twip arithmetic that follows it. The newer per-DPI
// functions of user32 are looked up at run time, so the program still starts on systems without
// them.
#pragma once

#include <windows.h>

namespace veskor {

inline constexpr UINT kStandardDpi = 96;

// Pixels for a length in twips at a density: pixels = twips x dpi / 1440, rounded to nearest.
int TwipsToPixels(int twips, UINT dpi);

// The window's density: its monitor's under per-monitor awareness, else the system's.
UINT WindowDpi(HWND window);

// The outer size of a window with the given client size, styles and density.
SIZE OuterSizeForClient(SIZE client, DWORD style, DWORD extendedStyle, UINT dpi);

} // namespace veskor
