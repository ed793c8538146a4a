// The stand-in host's script input: a thread that splits standard input into lines.
#include "script_reader.h"

#include <thread>

namespace veskor {

namespace {

// Room for a set line of a large value; a longer line is answered, not kept.
constexpr std::size_t kMaxLineBytes = (64u << 20) + 4096;

} // namespace

std::shared_ptr<ScriptReader> ScriptReader::Start(HWND window, UINT message) {
    auto reader = std::make_shared<ScriptReader>(window, message);
    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    // The thread keeps the reader alive; it may still be blocked in ReadFile when the program
    // ends, and the process end takes it down.
    std::thread([reader, input] { reader->Run(input); }).detach();
    return reader;
}

void ScriptReader::Run(HANDLE input) {
    if (input == nullptr || input == INVALID_HANDLE_VALUE) {
        End();
        return;
    }
    Line line;
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(input, buffer, sizeof buffer, &got, nullptr) && got > 0) {
        for (DWORD i = 0; i < got; ++i) {
            char c = buffer[i];
            if (c == '\n') {
                if (!line.text.empty() && line.text.back() == '\r') {
                    line.text.pop_back();
                }
                Push(std::move(line));
                line = Line{};
            } else if (line.text.size() < kMaxLineBytes) {
                line.text.push_back(c);
            } else {
                line.tooLong = true;
            }
        }
    }
    if (!line.text.empty() || line.tooLong) {
        Push(std::move(line));
    }
    End();
}

void ScriptReader::Push(Line line) {
    std::lock_guard lock(mutex_);
    lines_.push_back(std::move(line));
    NotifyLocked();
}

void ScriptReader::End() {
    std::lock_guard lock(mutex_);
    ended_ = true;
    NotifyLocked();
}

void ScriptReader::NotifyLocked() {
    if (!notified_) {
        notified_ = true;
        PostMessageW(window_, message_, 0, 0);
    }
}

bool ScriptReader::Next(Line& line, bool& ended) {
    std::lock_guard lock(mutex_);
    if (!lines_.empty()) {
        line = std::move(lines_.front());
        lines_.pop_front();
        return true;
    }
    notified_ = false;
    ended = ended_;
    return false;
}

} // namespace veskor
