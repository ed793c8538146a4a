// Reads the script from standard input on a thread of its own and hands the lines, in order, to
// the window thread, which alone may call DDEML.
#pragma once

#include <windows.h>

#include <deque>
#include <memory>
#include <mutex>
#include <string>

namespace veskor {

class ScriptReader {
public:
    struct Line {
        std::string text; // without its line ending (LF or CR LF)
        bool tooLong = false;
    };

    // Starts the reading thread; it posts `message` to `window` whenever lines are waiting.
    static std::shared_ptr<ScriptReader> Start(HWND window, UINT message);

    // On the window thread: takes the next waiting line. When none is waiting, returns false
    // and sets `ended` once the input has ended.
    bool Next(Line& line, bool& ended);

    ScriptReader(HWND window, UINT message) : window_(window), message_(message) {}

private:
    void Run(HANDLE input);
    void Push(Line line);
    void End();
    void NotifyLocked();

    HWND window_;
    UINT message_;
    std::mutex mutex_;
    std::deque<Line> lines_;
    bool ended_ = false;
    bool notified_ = false;
};

} // namespace veskor
