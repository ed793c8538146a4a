// The font of the window's controls at a screen density.
#pragma once

#include "gdi_owner.h"

#include <windows.h>

namespace veskor {

// The classic 8-point dialog face, "MS Shell Dlg 2" (Tahoma on Windows), whose metrics the twip
// layout was drawn for. Where the face the system substitutes is wider, so that some caption
// would be clipped, the font is made a pixel smaller at a time, down to 7 points at the least.
FontOwner CreateControlFont(UINT dpi);

} // namespace veskor
