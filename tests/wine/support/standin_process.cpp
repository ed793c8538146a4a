// Starting and driving the stand-in host from Windows tests.
#include "standin_process.h"

#include "program.h"

#include <algorithm>
#include <vector>

namespace veskor::test {

namespace {

std::string LastErrorText(const char* what) {
    return std::string(what) + " failed, error " + std::to_string(GetLastError());
}

void CloseIfOpen(HANDLE& handle) {
    if (handle) {
        CloseHandle(handle);
        handle = nullptr;
    }
}

} // namespace

std::wstring ProgramFolder() {
    return ProgramBeside(L"");
}

StandinProcess::~StandinProcess() {
    Kill();
}

bool StandinProcess::Start(std::chrono::milliseconds patience, std::wstring_view extraArguments) {
    Kill();
    Deadline deadline = DeadlineAfter(patience);

    // Only the child's ends of the pipes are inheritable, so no other handle leaks into it.
    SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE childInput = nullptr, childOutput = nullptr, outputRead = nullptr, childError = nullptr;
    if (!CreatePipe(&childInput, &input_, &inheritable, 0) ||
        !CreatePipe(&outputRead, &childOutput, &inheritable, 0)) {
        error_ = LastErrorText("CreatePipe");
        CloseIfOpen(childInput);
        CloseIfOpen(input_);
        return false;
    }
    SetHandleInformation(input_, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(outputRead, HANDLE_FLAG_INHERIT, 0);
    // The host's complaints, if any, go where the test's own go.
    DuplicateHandle(GetCurrentProcess(), GetStdHandle(STD_ERROR_HANDLE), GetCurrentProcess(),
                    &childError, 0, TRUE, DUPLICATE_SAME_ACCESS);

    std::wstring program = ProgramFolder() + L"standin-host.exe";
    std::wstring commandLine = L"\"" + program + L"\" --script --hidden";
    if (!extraArguments.empty()) {
        commandLine += L" ";
        commandLine += extraArguments;
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = childInput;
    startup.hStdOutput = childOutput;
    startup.hStdError = childError;
    PROCESS_INFORMATION info{};
    BOOL started = CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0,
                                  nullptr, nullptr, &startup, &info);
    if (!started) {
        error_ = LastErrorText("starting standin-host.exe");
    }
    CloseIfOpen(childInput);
    CloseIfOpen(childOutput);
    CloseIfOpen(childError);
    if (!started) {
        CloseIfOpen(input_);
        CloseIfOpen(outputRead);
        return false;
    }
    CloseHandle(info.hThread);
    process_ = info.hProcess;
    processId_ = info.dwProcessId;

    output_ = std::make_shared<Output>();
    output_->available = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    outputReader_ = std::thread([pipe = outputRead, output = output_] {
        std::string line;
        char buffer[4096];
        DWORD got = 0;
        while (ReadFile(pipe, buffer, sizeof buffer, &got, nullptr) && got > 0) {
            for (DWORD i = 0; i < got; ++i) {
                if (buffer[i] != '\n') {
                    line.push_back(buffer[i]);
                    continue;
                }
                if (!line.empty() && line.back() == '\r') {
                    line.pop_back();
                }
                std::lock_guard lock(output->mutex);
                output->lines.push_back(std::move(line));
                line.clear();
                SetEvent(output->available);
            }
        }
        CloseHandle(pipe);
        std::lock_guard lock(output->mutex);
        output->ended = true;
        SetEvent(output->available);
    });

    std::string line;
    if (!NextLine(line, deadline)) {
        error_ = "standin-host.exe did not say \"ready\": " + error_;
        Kill();
        return false;
    }
    if (line != "ready") {
        error_ = "standin-host.exe said \"" + line + "\" instead of \"ready\"";
        Kill();
        return false;
    }
    return true;
}

std::string StandinProcess::Send(std::string_view line, std::chrono::milliseconds patience) {
    Deadline deadline = DeadlineAfter(patience);
    if (!input_) {
        error_ = "the stand-in host is not running";
        return {};
    }
    std::string text(line);
    text += '\n';
    // The host reads its input on a thread of its own, so this write does not wait for its
    // message loop, even when the host hangs.
    const char* next = text.data();
    std::size_t left = text.size();
    while (left > 0) {
        DWORD written = 0;
        if (!WriteFile(input_, next, static_cast<DWORD>(std::min<std::size_t>(left, 1 << 20)),
                       &written, nullptr)) {
            error_ = LastErrorText("writing to the stand-in host");
            return {};
        }
        next += written;
        left -= written;
    }
    std::string quoted = "\"";
    quoted.append(line.substr(0, 60)).append("\"");
    std::string answer;
    if (!NextLine(answer, deadline)) {
        error_ = "no answer to " + quoted + ": " + error_;
        return {};
    }
    if (answer != "ok") {
        error_ = quoted + " was answered \"" + answer + "\"";
    }
    return answer;
}

bool StandinProcess::Command(std::string_view line, std::chrono::milliseconds patience) {
    return Send(line, patience) == "ok";
}

bool StandinProcess::NextLine(std::string& line, Deadline deadline) {
    if (!output_) {
        error_ = "the stand-in host was not started";
        return false;
    }
    for (;;) {
        {
            std::lock_guard lock(output_->mutex);
            if (!output_->lines.empty()) {
                line = std::move(output_->lines.front());
                output_->lines.pop_front();
                return true;
            }
            if (output_->ended) {
                error_ = "the stand-in host ended";
                return false;
            }
        }
        if (!PumpUntilSignalled(output_->available, deadline)) {
            error_ = "timed out";
            return false;
        }
    }
}

void StandinProcess::CloseInput() {
    CloseIfOpen(input_);
}

bool StandinProcess::WaitForExit(std::chrono::milliseconds patience, DWORD* exitStatus) {
    if (!process_) {
        error_ = "the stand-in host was not started";
        return false;
    }
    if (!PumpUntilSignalled(process_, DeadlineAfter(patience))) {
        error_ = "the stand-in host did not end";
        return false;
    }
    if (exitStatus) {
        GetExitCodeProcess(process_, exitStatus);
    }
    return true;
}

bool StandinProcess::Running() const {
    return process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
}

void StandinProcess::Kill() {
    if (Running()) {
        TerminateProcess(process_, 1);
        WaitForSingleObject(process_, 10000);
    }
    Release();
}

void StandinProcess::Release() {
    CloseIfOpen(input_);
    // The process has ended, so its end of the output pipe is closed and the reader finishes.
    if (outputReader_.joinable()) {
        outputReader_.join();
    }
    if (output_) {
        CloseIfOpen(output_->available);
        output_.reset();
    }
    CloseIfOpen(process_);
    processId_ = 0;
}

} // namespace veskor::test
