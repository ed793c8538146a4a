// Scoped owners of what a DDE message carries: global atoms and global memory. Each frees what it
// still holds when it goes out of scope; Release hands it on, to a message that was posted.
#pragma once

#include <windows.h>

#include <string>

namespace veskor::test {

class GlobalAtom {
public:
    explicit GlobalAtom(const wchar_t* name) : atom_(GlobalAddAtomW(name)) {}
    // Takes over a reference that a message brought.
    static GlobalAtom Adopt(ATOM atom) { return GlobalAtom(atom); }
    ~GlobalAtom() {
        if (atom_ != 0) {
            GlobalDeleteAtom(atom_);
        }
    }
    GlobalAtom(GlobalAtom&& other) noexcept : atom_(other.Release()) {}
    GlobalAtom(const GlobalAtom&) = delete;
    GlobalAtom& operator=(const GlobalAtom&) = delete;
    GlobalAtom& operator=(GlobalAtom&&) = delete;

    ATOM get() const { return atom_; }
    ATOM Release() {
        const ATOM atom = atom_;
        atom_ = 0;
        return atom;
    }

private:
    explicit GlobalAtom(ATOM atom) : atom_(atom) {}
    ATOM atom_;
};

class GlobalMemory {
public:
    GlobalMemory() = default;
    explicit GlobalMemory(HGLOBAL memory) : memory_(memory) {}
    // Memory that another program may be handed, as DDE asks.
    static GlobalMemory Shared(SIZE_T bytes) {
        return GlobalMemory(GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, bytes));
    }
    ~GlobalMemory() {
        if (memory_ != nullptr) {
            GlobalFree(memory_);
        }
    }
    GlobalMemory(GlobalMemory&& other) noexcept : memory_(other.Release()) {}
    GlobalMemory(const GlobalMemory&) = delete;
    GlobalMemory& operator=(const GlobalMemory&) = delete;
    GlobalMemory& operator=(GlobalMemory&&) = delete;

    HGLOBAL get() const { return memory_; }
    HGLOBAL Release() {
        HGLOBAL memory = memory_;
        memory_ = nullptr;
        return memory;
    }

private:
    HGLOBAL memory_ = nullptr;
};

// Global memory locked while in scope.
template <typename T> class Locked {
public:
    explicit Locked(HGLOBAL memory)
        : memory_(memory), data_(memory ? static_cast<T*>(GlobalLock(memory)) : nullptr) {}
    ~Locked() {
        if (data_ != nullptr) {
            GlobalUnlock(memory_);
        }
    }
    Locked(const Locked&) = delete;
    Locked& operator=(const Locked&) = delete;

    T* get() const { return data_; }

private:
    HGLOBAL memory_;
    T* data_;
};

// The string a global atom names, empty when it names none.
inline std::wstring AtomName(ATOM atom) {
    wchar_t name[256];
    const UINT length = atom != 0 ? GlobalGetAtomNameW(atom, name, 256) : 0;
    return std::wstring(name, length);
}

} // namespace veskor::test
