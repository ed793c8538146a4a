// Reads the script from standard input on a thread of its own and hands the lines, in order, to
// the window thread, which alone may call DDEML.
#pragma once

#include <windows.h>

#include <string>

namespace veskor {

struct ScriptLine {
    std::string text; // without its line ending (LF or CR LF)
    bool tooLong = false;
};

// Starts the reading thread. It sends `message` to `window` with a ScriptLine* in lParam for
// each line, waiting until it is handled, and once more with a null lParam when the input ends.
void StartScriptReader(HWND window, UINT message);

} // namespace veskor
