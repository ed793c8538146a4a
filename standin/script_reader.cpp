// The stand-in host's script input: a thread that splits standard input into lines.
#include "script_reader.h"

#include <thread>

namespace veskor {
namespace {

// Room for a set line of a large value; a longer line is answered, not kept.
constexpr std::size_t kMaxLineBytes = (64u << 20) + 4096;

void ReadLines(HANDLE input, HWND window, UINT message) {
    // Sending, not posting: the next line is read only once this one has been carried out, and
    // a line never arrives while another is still being carried out.
    const auto hand = [&](ScriptLine* line) {
        SendMessageW(window, message, 0, reinterpret_cast<LPARAM>(line));
    };
    ScriptLine line;
    char buffer[65536];
    DWORD got = 0;
    while (input && input != INVALID_HANDLE_VALUE &&
           ReadFile(input, buffer, sizeof buffer, &got, nullptr) && got > 0) {
        for (const char c : std::string_view(buffer, got)) {
            if (c == '\n') {
                if (!line.text.empty() && line.text.back() == '\r') {
                    line.text.pop_back();
                }
                hand(&line);
                line = ScriptLine{};
            } else if (line.text.size() < kMaxLineBytes) {
                line.text.push_back(c);
            } else {
                line.tooLong = true;
            }
        }
    }
    if (!line.text.empty() || line.tooLong) {
        hand(&line);
    }
    hand(nullptr);
}

} // namespace

void StartScriptReader(HWND window, UINT message) {
    // The thread may still be blocked in ReadFile when the program ends; the process end takes
    // it down.
    std::thread(ReadLines, GetStdHandle(STD_INPUT_HANDLE), window, message).detach();
}

} // namespace veskor
