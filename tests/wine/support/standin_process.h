// The stand-in host (standin-host.exe) as a child process of a Windows test, driven through its
// script: start it, send commands and wait for their acknowledgment, end it.
//
//   veskor::test::StandinProcess host;
//   ASSERT_TRUE(host.Start()) << host.Error();        // waits for "ready"
//   ASSERT_TRUE(host.Command("set Khz 7050.00")) << host.Error();  // waits for "ok"
//
// Every wait pumps the calling thread's messages, so a DDE client in the test process keeps
// receiving (hot-link data, acknowledgments) while the test waits for the host.
#pragma once

#include "message_pump.h"

#include <windows.h>

#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

namespace veskor::test {

class StandinProcess {
public:
    StandinProcess() = default;
    ~StandinProcess();
    StandinProcess(const StandinProcess&) = delete;
    StandinProcess& operator=(const StandinProcess&) = delete;

    // Starts standin-host.exe from the test executable's own folder with --script --hidden
    // (plus `extraArguments`, if any) and waits until it says "ready": its DDE service is then
    // registered. False, with Error() saying why, when it does not by the deadline.
    bool Start(std::chrono::milliseconds patience = kPatience,
               std::wstring_view extraArguments = {});

    // Sends one script line and returns the host's answer to it: "ok", "error <why>", or an
    // empty text when no answer came by the deadline or the process ended (see Error()).
    std::string Send(std::string_view line, std::chrono::milliseconds patience = kPatience);

    // Sends one script line and tells whether the host answered "ok".
    bool Command(std::string_view line, std::chrono::milliseconds patience = kPatience);

    // Closes the host's standard input: in script mode it then ends as after "quit".
    void CloseInput();

    // Waits, pumping messages, for the process to end; gives its exit status.
    bool WaitForExit(std::chrono::milliseconds patience = kPatience, DWORD* exitStatus = nullptr);

    // Ends the process at once (TerminateProcess) if it still runs, and releases everything.
    void Kill();

    bool Running() const;
    HANDLE Process() const { return process_; }
    DWORD ProcessId() const { return processId_; }

    // What went wrong in the last call that failed.
    const std::string& Error() const { return error_; }

private:
    // Lines the host wrote on its standard output, collected by a thread of their own because
    // an anonymous pipe cannot be waited on together with the message queue.
    struct Output {
        std::mutex mutex;
        std::deque<std::string> lines;
        bool ended = false;
        HANDLE available = nullptr; // auto-reset event, set after each line and at the end
    };

    bool NextLine(std::string& line, Deadline deadline);
    void Release();

    HANDLE process_ = nullptr;
    DWORD processId_ = 0;
    HANDLE input_ = nullptr;
    std::shared_ptr<Output> output_;
    std::thread outputReader_;
    std::string error_;
};

// The folder holding the running test executable, with a trailing backslash. All programs of
// the build (veskor.exe, standin-host.exe) and the tests are placed there.
std::wstring ProgramFolder();

} // namespace veskor::test
