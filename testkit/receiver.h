// The bare receiver (bare_receiver.cpp) started beside the running executable and watched:
// the host's leanest client, and the client that vanishes without ending its conversations.
#pragma once

#include "program.h"

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

namespace veskor::test {

class BareReceiver {
public:
    // Starts it (or another program reporting so) and waits until its links are open. It reports
    // each awaited value as it arrives, in turn (one lost on the way is skipped), or every value
    // when none is awaited. With vanish it ends, when told to, without ending its conversations.
    bool Start(const std::vector<std::string>& awaited = {}, bool vanish = false,
               const wchar_t* program = L"bare_receiver.exe");
    // Pumps until the next report; false at the deadline.
    bool AwaitReport(Deadline deadline);
    // Tells it to end and waits; the number of values its hot links delivered, or -1.
    int Quit(Deadline deadline);
    Program& Process() { return process_; }

private:
    Program process_;
    std::unique_ptr<void, decltype(&CloseHandle)> event_{nullptr, &CloseHandle};
};

} // namespace veskor::test
