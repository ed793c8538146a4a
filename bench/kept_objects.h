// What a program keeps, read from outside as the soak reads it: its GDI and USER objects, and the
// references to a global atom.
#pragma once

#include <windows.h>

#include <string>

namespace veskor::bench {

struct GuiObjects {
    long gdi = -1, user = -1; // -1: not known
    // How they were counted: GetGuiResources, or under Wine, whose GetGuiResources counts
    // nothing, the live entries of the program's GDI handle table and its windows.
    std::string how;
};

// The objects of a process of this program's own bitness, opened with PROCESS_QUERY_INFORMATION
// and PROCESS_VM_READ.
GuiObjects GuiObjectsOf(HANDLE process);

// The references to the global atom of this name, all programs' together: 0 when there is no
// such atom, -1 when they cannot be counted (ntdll without NtQueryInformationAtom).
int AtomReferences(const wchar_t* name);

} // namespace veskor::bench
