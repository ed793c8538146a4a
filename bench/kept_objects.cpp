// Counting what a program keeps, from outside.
#include "kept_objects.h"

#include <winternl.h>

#include <cstddef>
#include <vector>

namespace veskor::bench {
namespace {

template <typename Function> Function FromNtdll(const char* name) {
    return reinterpret_cast<Function>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), name)));
}

struct WindowCensus {
    DWORD process;
    long windows = 0;
};

BOOL CALLBACK CountWindow(HWND window, LPARAM lParam) {
    auto& census = *reinterpret_cast<WindowCensus*>(lParam);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    census.windows += owner == census.process ? 1 : 0;
    return TRUE;
}

BOOL CALLBACK CountTree(HWND window, LPARAM lParam) {
    CountWindow(window, lParam);
    EnumChildWindows(window, CountWindow, lParam); // every descendant
    return TRUE;
}

// The windows of the process, shown or not, message-only ones (a DDE conversation's) too.
long WindowsOf(DWORD process) {
    WindowCensus census{process};
    EnumWindows(CountTree, reinterpret_cast<LPARAM>(&census));
    for (HWND window = FindWindowExW(HWND_MESSAGE, nullptr, nullptr, nullptr); window != nullptr;
         window = FindWindowExW(HWND_MESSAGE, window, nullptr, nullptr)) {
        CountTree(window, reinterpret_cast<LPARAM>(&census));
    }
    return census.windows;
}

// Wine keeps a process's GDI objects in a table of 65,536 entries of 24 bytes in the process's
// own memory, named by its PEB (GdiSharedHandleTable); an entry whose type byte (at 14) is 0 is
// free.
long GdiTableEntriesOf(HANDLE process) {
    using Query = LONG(WINAPI*)(HANDLE, PROCESSINFOCLASS, void*, ULONG, ULONG*);
    static const auto query = FromNtdll<Query>("NtQueryInformationProcess");
    constexpr std::size_t kTableInPeb = sizeof(void*) == 8 ? 0xF8 : 0x94;
    constexpr std::size_t kEntries = 65536, kEntryBytes = 24, kTypeAt = 14;
    PROCESS_BASIC_INFORMATION basic{};
    void* table = nullptr;
    if (query == nullptr ||
        query(process, ProcessBasicInformation, &basic, sizeof basic, nullptr) < 0 ||
        !ReadProcessMemory(
            process, static_cast<BYTE*>(static_cast<void*>(basic.PebBaseAddress)) + kTableInPeb,
            &table, sizeof table, nullptr) ||
        table == nullptr) {
        return -1;
    }
    std::vector<BYTE> entries(kEntries * kEntryBytes);
    if (!ReadProcessMemory(process, table, entries.data(), entries.size(), nullptr)) {
        return -1;
    }
    long live = 0;
    for (std::size_t entry = 0; entry < kEntries; ++entry) {
        live += entries[entry * kEntryBytes + kTypeAt] != 0 ? 1 : 0;
    }
    return live;
}

} // namespace

GuiObjects GuiObjectsOf(HANDLE process) {
    const DWORD gdi = GetGuiResources(process, GR_GDIOBJECTS);
    const DWORD user = GetGuiResources(process, GR_USEROBJECTS);
    // A program with a window has USER objects: none counted means none can be counted.
    if (user != 0) {
        return {static_cast<long>(gdi), static_cast<long>(user), "counted by GetGuiResources"};
    }
    return {GdiTableEntriesOf(process), WindowsOf(GetProcessId(process)),
            "GetGuiResources counts none under Wine: GDI objects are the live entries of Veskor's "
            "GDI handle table, USER objects its windows"};
}

int AtomReferences(const wchar_t* name) {
    struct BasicInformation { // ntdll's ATOM_BASIC_INFORMATION
        USHORT references;
        USHORT pinned;
        USHORT nameBytes;
        wchar_t name[256];
    };
    using Query = LONG(WINAPI*)(USHORT atom, int informationClass, void* information, ULONG size,
                                ULONG* returned);
    static const auto query = FromNtdll<Query>("NtQueryInformationAtom");
    const ATOM atom = GlobalFindAtomW(name);
    BasicInformation information{};
    if (query == nullptr) {
        return -1;
    }
    return atom != 0 && query(atom, 0, &information, sizeof information, nullptr) >= 0
               ? information.references
               : 0;
}

} // namespace veskor::bench
