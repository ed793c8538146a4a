// A DDEML string handle (a service, topic or item name), freed when it goes out of scope.
#pragma once

#include <windows.h>

#include <ddeml.h>

namespace veskor {

class StringHandle {
public:
    // No handle for a null name: DDEML reads that as a wildcard.
    StringHandle(DWORD instance, const wchar_t* name)
        : instance_(instance),
          handle_(name != nullptr ? DdeCreateStringHandleW(instance, name, CP_WINUNICODE)
                                  : nullptr) {}
    ~StringHandle() {
        if (handle_ != nullptr) {
            DdeFreeStringHandle(instance_, handle_);
        }
    }
    StringHandle(const StringHandle&) = delete;
    StringHandle& operator=(const StringHandle&) = delete;

    HSZ get() const { return handle_; }

private:
    DWORD instance_;
    HSZ handle_;
};

} // namespace veskor
