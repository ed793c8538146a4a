// Starting and watching the bare receiver.
#include "receiver.h"

namespace veskor::test {

bool BareReceiver::Start(const std::vector<std::string>& awaited, bool vanish,
                         const wchar_t* program) {
    // A name of this process's own, so that receivers of other test runs never share it.
    static int started = 0;
    const std::wstring name = L"VeskorBareReceiver-" + std::to_wstring(GetCurrentProcessId()) +
                              L"-" + std::to_wstring(++started);
    event_.reset(CreateEventW(nullptr, FALSE, FALSE, name.c_str()));
    std::wstring arguments = name + (vanish ? L" vanish" : L"");
    for (const std::string& value : awaited) {
        arguments += L" " + std::wstring(value.begin(), value.end());
    }
    return event_ && process_.Start(program, arguments) && AwaitReport(DeadlineAfter(kPatience));
}

bool BareReceiver::AwaitReport(Deadline deadline) {
    return PumpUntilSignalled(event_.get(), deadline);
}

int BareReceiver::Quit(Deadline deadline) {
    PostThreadMessageW(GetThreadId(process_.Thread()), WM_QUIT, 0, 0);
    return process_.WaitForExit(deadline);
}

} // namespace veskor::test
