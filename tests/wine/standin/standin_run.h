// The stand-in host run as the operator runs it, in a process of its own with its window shown:
// values typed into its boxes are published, and it stops as a host can stop: it quits, freezes
// (no thread of it runs again) or is killed.
#pragma once

#include "dde_host.h"
#include "program.h"

#include <vector>

namespace veskor::test {

struct StandinRun {
    Program program;
    HWND window = nullptr;
    std::vector<HWND> boxes; // Khz, Az, Command

    // Starts it and waits for its window: its service is registered by then.
    bool Start() {
        if (!program.Start(L"standin-host.exe") ||
            !PumpUntil([&] { return (window = program.VisibleWindow(L"MixW stand-in")); },
                       DeadlineAfter(kPatience), 10)) {
            return false;
        }
        for (HWND box = nullptr; (box = FindWindowExW(window, box, L"Edit", nullptr));) {
            boxes.push_back(box);
        }
        return boxes.size() == 3;
    }
    // Puts the text into the item's box as typing does; the stand-in publishes it.
    bool Type(HostItem item, const wchar_t* text) const {
        return SendMessageTimeoutW(boxes[static_cast<size_t>(item)], WM_SETTEXT, 0,
                                   reinterpret_cast<LPARAM>(text), SMTO_NORMAL, 5000, nullptr);
    }
    void Stop(const std::string& how) {
        if (how == "quit") {
            program.CloseAndWait(window, DeadlineAfter(kPatience));
        } else if (how == "freeze") {
            using Suspend = LONG(WINAPI*)(HANDLE);
            reinterpret_cast<Suspend>(reinterpret_cast<void*>(GetProcAddress(
                GetModuleHandleW(L"ntdll.dll"), "NtSuspendProcess")))(program.Handle());
        } else {
            program.Terminate();
        }
    }
};

} // namespace veskor::test
